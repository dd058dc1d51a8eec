#pragma once

#include "booklet/BookletPlan.h"
#include "store/ProgramSettings.h"

#include <QPageSize>
#include <QRectF>

#include <vector>

// The pages of a booklet after its title page: a fixed number of poems a
// page, one column each, right to left; each category on a page of its own
// under a heading column when there is more than one. A poem is never split:
// it is one column. Pure: the plan in, pages of columns out.
struct BookletLayout
{
    // How a page size is set: the sheet, the poems it holds, the type sizes.
    struct Style
    {
        QPageSize::PageSizeId sheet;
        int poemsPerPage;
        double poemPoints;
        double datePoints;
        double headingPoints;
        double titlePoints;
        double marginMm;     // left, right and top
        double footMm;       // the bottom margin, where the page number stands
        double pageNoPoints; // the page number
    };
    static Style style(ProgramSettings::PageSize size);

    struct Column
    {
        bool heading = false; // the category's name, else a poem
        int section = 0;
        int record = 0; // the poem's record index; 0 for a heading
        int place = 0;  // 0 is the rightmost column of the page
    };
    using Page = std::vector<Column>;

    int placesPerPage = 0; // the poems a page holds, and one more for a heading
    std::vector<Page> pages;

    static BookletLayout paginate(const BookletPlan &plan, int poemsPerPage);

    // Column place of placesPerPage within area: the places share the area's
    // width evenly, the first at the right; a column is cell wide, centred
    // in its share, as high as the area.
    static QRectF columnRect(const QRectF &area, int placesPerPage, int place, double cell);
};
