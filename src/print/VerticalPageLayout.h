#pragma once

#include <QRectF>
#include <QSizeF>

#include <vector>

// Where each listed poem stands when printed in vertical writing: one poem a
// column, the first column at the right, columns right to left with one
// empty column between two poems, as many columns a page as fit. The
// margins are measured from the sheet's edges, so every device, a printer or
// a PDF, gets the same pages; a printer that cannot reach that far in gets
// its printable area instead. Pure arithmetic in twips.
struct VerticalPageLayout
{
    // 2 cm from every edge of the sheet.
    static constexpr double kMarginTwips = 1134.0;

    struct Column
    {
        int page = 0;  // from 0
        int place = 0; // from 0, the rightmost column of its page
        QRectF rect;   // in twips from the sheet's top left: one cell wide, the text area's height
    };

    QRectF area;                 // where text may stand, twips from the sheet's top left
    int columnsPerPage = 0;      // at least one
    int pageCount = 0;           // 0 for an empty list
    std::vector<Column> columns; // one per poem, in list order

    // sheet: the sheet's size; printable: the part of it the device can
    // print on, both in twips; cell: the side of one character's square.
    static VerticalPageLayout compute(int poems, const QSizeF &sheet, const QRectF &printable, double cell);
};
