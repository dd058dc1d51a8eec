#include "booklet/BookletPlan.h"

#include "booklet/KanjiNumerals.h"

#include <QHash>

#include <algorithm>

int BookletPlan::poemCount() const
{
    int n = 0;
    for (const Section &s : sections)
        n += int(s.records.size());
    return n;
}

BookletPlan BookletPlan::make(const std::vector<Haiku_record> &records, const QStringList &categories,
                              const ProgramSettings::Booklet &choice)
{
    const bool all = choice.category == Notebook::allCategories;
    struct Chosen
    {
        int index;
        std::optional<QDate> date;
    };
    std::vector<Chosen> chosen;
    for (std::size_t i = 1; i < records.size(); ++i) {
        const Haiku_record &r = records[i];
        if (!all && r.category != choice.category)
            continue;
        const std::optional<QDate> date = KanjiNumerals::parseDate(r.date_text);
        if (choice.dateRange && (!date || *date < choice.from || *date > choice.to))
            continue;
        chosen.push_back({int(i), date});
    }
    if (choice.byDate) {
        std::stable_sort(chosen.begin(), chosen.end(), [](const Chosen &a, const Chosen &b) {
            if (a.date && b.date)
                return *a.date < *b.date;
            return a.date.has_value() && !b.date.has_value();
        });
    }

    BookletPlan plan;
    QHash<QString, std::size_t> sectionOf;
    if (all) {
        // The categories in their own order come first, even when empty;
        // the empty ones are dropped at the end.
        for (const QString &c : categories) {
            if (c == Notebook::allCategories || sectionOf.contains(c))
                continue;
            sectionOf.insert(c, plan.sections.size());
            plan.sections.push_back({c, {}});
        }
    }
    for (const Chosen &c : chosen) {
        const QString &category = records[std::size_t(c.index)].category;
        auto at = sectionOf.constFind(category);
        if (at == sectionOf.constEnd()) {
            at = sectionOf.insert(category, plan.sections.size());
            plan.sections.push_back({category, {}});
        }
        plan.sections[*at].records.push_back(c.index);
    }
    std::erase_if(plan.sections, [](const Section &s) { return s.records.empty(); });
    return plan;
}
