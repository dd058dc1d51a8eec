#include "booklet/BookletLayout.h"

BookletLayout::Style BookletLayout::style(ProgramSettings::PageSize size)
{
    // The poems a page holds are few enough that the page breathes: about
    // two columns of paper between two poems.
    switch (size) {
    case ProgramSettings::PageSize::B6: return {QPageSize::JisB6, 3, 12.5, 7, 13.5, 24, 18, 20, 8};
    case ProgramSettings::PageSize::A4: return {QPageSize::A4, 6, 16, 9, 17, 36, 25, 25, 10};
    case ProgramSettings::PageSize::A5: break;
    }
    return {QPageSize::A5, 4, 14, 8, 15, 28, 20, 22, 9};
}

BookletLayout BookletLayout::paginate(const BookletPlan &plan, int poemsPerPage)
{
    BookletLayout layout;
    poemsPerPage = qMax(1, poemsPerPage);
    const bool headings = plan.headings();
    // With headings every page keeps the rightmost place for one, so that
    // the poems stand in the same places on every page.
    const int first = headings ? 1 : 0;
    layout.placesPerPage = poemsPerPage + first;
    for (std::size_t s = 0; s < plan.sections.size(); ++s) {
        const std::vector<int> &records = plan.sections[s].records;
        for (std::size_t i = 0; i < records.size(); ++i) {
            // Each category starts a page of its own.
            if (i % std::size_t(poemsPerPage) == 0)
                layout.pages.emplace_back();
            if (i == 0 && headings)
                layout.pages.back().push_back({true, int(s), 0, 0});
            layout.pages.back().push_back(
                {false, int(s), records[i], first + int(i % std::size_t(poemsPerPage))});
        }
    }
    return layout;
}

QRectF BookletLayout::columnRect(const QRectF &area, int placesPerPage, int place, double cell)
{
    const double share = area.width() / qMax(1, placesPerPage);
    const double centre = area.right() - share * (place + 0.5);
    return QRectF(centre - cell / 2, area.top(), cell, area.height());
}
