#pragma once

#include "store/Notebook.h"
#include "store/ProgramSettings.h"

#include <QString>
#include <QStringList>

#include <vector>

// Which haiku a booklet holds, in which order and under which headings.
// Pure: the records and the categories in, record indices out.
struct BookletPlan
{
    struct Section
    {
        QString category;
        std::vector<int> records; // indices into the notebook's records
    };
    std::vector<Section> sections;

    int poemCount() const;
    // A heading column starts each category only when there is more than one.
    bool headings() const { return sections.size() > 1; }

    // choice.category 全部 takes every haiku, grouped by category in the
    // order of categories (categories not among them after, in the order
    // they are first met); any other the haiku of that category. A date
    // range keeps the haiku whose date text reads as a date inside it. By
    // date, oldest first; a date text that is no date comes after the dated
    // haiku, in notebook order. Memos play no part.
    static BookletPlan make(const std::vector<Haiku_record> &records, const QStringList &categories,
                            const ProgramSettings::Booklet &choice);
};
