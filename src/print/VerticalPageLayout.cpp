#include "print/VerticalPageLayout.h"

#include <QtGlobal>

#include <cmath>

VerticalPageLayout VerticalPageLayout::compute(int poems, const QSizeF &sheet, const QRectF &printable,
                                               double cell)
{
    VerticalPageLayout layout;
    const QRectF page(QPointF(0, 0), sheet);
    layout.area = page.adjusted(kMarginTwips, kMarginTwips, -kMarginTwips, -kMarginTwips);
    if (!printable.isEmpty())
        layout.area = layout.area.intersected(printable);
    if (cell <= 0)
        return layout;
    // n columns and the n - 1 empty ones between them: (2n - 1) cells.
    layout.columnsPerPage = qMax(1, int(std::floor((layout.area.width() / cell + 1) / 2)));
    for (int i = 0; i < poems; ++i) {
        Column c;
        c.page = i / layout.columnsPerPage;
        c.place = i % layout.columnsPerPage;
        const double right = layout.area.right() - 2 * cell * c.place;
        c.rect = QRectF(right - cell, layout.area.top(), cell, layout.area.height());
        layout.columns.push_back(c);
    }
    layout.pageCount = poems > 0 ? layout.columns.back().page + 1 : 0;
    return layout;
}
