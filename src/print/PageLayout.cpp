#include "print/PageLayout.h"

#include <QTextBoundaryFinder>

#include <cmath>

PageLayout PageLayout::compute(const QStringList &poems, double sheetHeight, double printableHeight,
                               double lineHeight, double printableWidth,
                               const std::function<double(const QString &)> &width)
{
    PageLayout layout;
    layout.lineHeight = lineHeight;
    if (lineHeight <= 0)
        return layout;
    const double h = lineHeight * kCellHeightTwips;
    // Two lines of the sheet's height are left over for the printer's
    // margins: 58 lines, 20 poems, on A4. A printer whose margins take more
    // than those two lines gets fewer poems a page, so that the last one
    // still stands inside the printable area instead of beyond the sheet's edge.
    layout.capacity = qMin(int(std::floor(sheetHeight / h)) - 2, int(std::floor(printableHeight / h)));

    int page = poems.isEmpty() ? -1 : 0;
    int j = 0; // poems already on this page
    for (const QString &poem : poems) {
        // The page is full only when another poem follows, so the last page
        // is never followed by an empty one. A page holds at least one poem,
        // however small the sheet.
        if (3 * j >= layout.capacity && j > 0) {
            ++page;
            j = 0;
        }
        Line line;
        line.page = page;
        line.line = 3 * j;
        line.top = 3 * j * h;
        line.text = cut(poem, printableWidth, width);
        layout.lines.push_back(std::move(line));
        ++j;
    }
    layout.pageCount = page + 1;
    return layout;
}

QString PageLayout::cut(const QString &text, double limit,
                        const std::function<double(const QString &)> &width)
{
    if (width(text) <= limit)
        return text;
    // Cut between characters as the reader sees them: a surrogate pair or a
    // letter with its voicing mark stays whole.
    std::vector<qsizetype> ends;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype at = finder.toNextBoundary(); at > 0; at = finder.toNextBoundary())
        ends.push_back(at);
    // The widest start that fits, found by halving: widths grow with length.
    std::size_t lo = 0, hi = ends.size(); // ends[0..lo) fit, ends[hi..) do not
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        if (width(text.left(ends[mid])) <= limit)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo == 0 ? QString() : text.left(ends[lo - 1]);
}
