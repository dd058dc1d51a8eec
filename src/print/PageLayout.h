#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// Where each listed poem stands on the printed pages: one poem a line, two
// empty lines after it, as many to a page as the sheet's height allows.
// Pure arithmetic in twips and character cells, so that every device, the
// printer, a PDF or a picture, gets the same pages.
struct PageLayout
{
    // A character cell is 240 twips high and 120 wide.
    static constexpr double kCellHeightTwips = 240.0;
    static constexpr double kCellWidthTwips = 120.0;

    struct Line
    {
        int page = 0;   // from 0
        int line = 0;   // line on the page, from 0: 3 × the poem's place on it
        double top = 0; // twips below the top of the printable area
        QString text;   // the poem as printed: cut where the printable width ends
    };

    double lineHeight = 0; // h, the height of "あ", in character cells
    int capacity = 0;      // L: a poem stands on line 3j of a page while 3j < L
    int pageCount = 0;     // 0 for an empty list
    std::vector<Line> lines;

    // Lays out poems on sheets sheetHeight twips high whose printable area is
    // printableWidth wide and printableHeight high (twips); lineHeight is h in
    // character cells. width gives the printed width of a text in twips.
    static PageLayout compute(const QStringList &poems, double sheetHeight, double printableHeight,
                              double lineHeight, double printableWidth,
                              const std::function<double(const QString &)> &width);

    // The longest start of text, in whole characters, no wider than limit.
    static QString cut(const QString &text, double limit,
                       const std::function<double(const QString &)> &width);
};
