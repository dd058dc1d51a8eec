#pragma once

#include "print/PageLayout.h"
#include "print/VerticalPageLayout.h"

#include <QDateTime>
#include <QFont>
#include <QString>
#include <QStringList>

class PrinterLayer;
class QPaintDevice;
class QPainter;
class QPrinter;

// What became of one press of 印刷.
struct PrintOutcome
{
    enum class Kind {
        Printed,    // the printer took the job (or there was nothing to print)
        SavedAsPdf, // no printer: the pages went to pdfPath
        Failed,     // nothing printed; problem says why
    };
    Kind kind = Kind::Printed;
    QString printer;
    QString pdfPath;
    QString problem;
    int pages = 0;
};

// The print run: the listed poems, one a line and three lines apart, 14 pt
// in the print font, on the default printer; a PDF in the program folder
// when there is no printer. In vertical writing, one poem a column.
namespace PrintRun {

inline constexpr double kPointSize = 14.0;

enum class Writing { Horizontal, Vertical };

// The print font at 14 pt.
QFont printFont(const QString &family);

// h, the height of "あ" in the print font, in character cells, measured at
// the device's own resolution.
double lineHeight(const QFont &font, const QPaintDevice *device);

// The pages for a printer as it is set up: its sheet, printable width and
// resolution.
PageLayout layOut(const QStringList &poems, const QFont &font, const QPrinter &printer);

// Paints one page of layout onto painter at its device's resolution; the
// painter's origin is the top left of the printable area.
void paintPage(QPainter &painter, const PageLayout &layout, int page, const QFont &font);

// The columns of poems in vertical writing for a printer as it is set up.
VerticalPageLayout layOutVertical(int poems, const QFont &font, const QPrinter &printer);

// Paints one page of vertical columns onto painter at its device's
// resolution; origin is where the painter's origin lies on the sheet, in
// twips (the top left of the printable area on a printer).
void paintVerticalPage(QPainter &painter, const VerticalPageLayout &layout, const QStringList &poems,
                       int page, const QFont &font, const QPointF &origin);

// Sets printer up to write PDF pages to file: A4 portrait, small margins
// such as a printer has.
void setUpPdf(QPrinter &printer, const QString &file);

// "印刷_2026-12-07_1530.pdf" in folder; "_2", "_3"… when that file exists.
QString pdfPath(const QString &folder, const QDateTime &now);

// Prints poems in fontName through printer; with no default printer, writes
// the pages to a PDF in folder named after now.
PrintOutcome run(const QStringList &poems, const QString &fontName, PrinterLayer &printer,
                 const QString &folder, const QDateTime &now, Writing writing = Writing::Horizontal);

} // namespace PrintRun
