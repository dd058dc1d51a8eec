#include "print/PrintRun.h"

#include "store/AtomicFile.h"
#include "store/OutputFile.h"

#include "print/PrinterLayer.h"
#include "ui/VerticalText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>

#include <cmath>

namespace {

constexpr double kTwipsPerInch = 1440.0;
constexpr double kTwipsPerPoint = 20.0;

PrintOutcome failed(const QString &printer, const QString &problem)
{
    PrintOutcome out;
    out.kind = PrintOutcome::Kind::Failed;
    out.printer = printer;
    out.problem = problem;
    return out;
}

// Replaces the file at path with bytes, whole or not at all.
// The PDF goes through the notebook's own checked, atomic write: a full disk
// never leaves half a PDF behind, and the cause is said in Japanese.
QString saveWhole(const QString &path, const QByteArray &bytes)
{
    const AtomicFile::Result r = AtomicFile::write(path, bytes);
    return r.ok() ? QString() : AtomicFile::cause(r.error);
}

} // namespace

QFont PrintRun::printFont(const QString &family)
{
    QFont font(family);
    font.setPointSizeF(kPointSize);
    return font;
}

double PrintRun::lineHeight(const QFont &font, const QPaintDevice *device)
{
    // A Japanese character's body is square: the height of "あ" is its advance.
    const QFontMetricsF fm(font, device);
    const double dpi = device ? device->logicalDpiX() : 96.0;
    double twips = fm.horizontalAdvance(QStringLiteral("あ")) * kTwipsPerInch / dpi;
    // The device draws the font a whole number of its dots high, up to half a
    // dot off the size asked for: 280.8 twips at 600 dpi, 279.6 at 1200. Taken
    // to the nearest point, the height, and so the page, is the same on every device.
    twips = std::round(twips / kTwipsPerPoint) * kTwipsPerPoint;
    if (twips <= 0)
        twips = font.pointSizeF() * kTwipsPerPoint;
    return twips / PageLayout::kCellHeightTwips;
}

PageLayout PrintRun::layOut(const QStringList &poems, const QFont &font, const QPrinter &printer)
{
    const QPageLayout page = printer.pageLayout();
    const double sheetHeight = page.fullRect(QPageLayout::Point).height() * kTwipsPerPoint;
    const QRectF printable = page.paintRect(QPageLayout::Point);
    const QFontMetricsF fm(font, &printer);
    const double dpiX = printer.logicalDpiX();
    return PageLayout::compute(
        poems, sheetHeight, printable.height() * kTwipsPerPoint, lineHeight(font, &printer),
        printable.width() * kTwipsPerPoint,
        [&fm, dpiX](const QString &text) { return fm.horizontalAdvance(text) * kTwipsPerInch / dpiX; });
}

void PrintRun::paintPage(QPainter &painter, const PageLayout &layout, int page, const QFont &font)
{
    const double dpiY = painter.device()->logicalDpiY();
    painter.setFont(font);
    const double ascent = QFontMetricsF(font, painter.device()).ascent();
    for (const PageLayout::Line &line : layout.lines) {
        if (line.page != page)
            continue;
        // The line's top is where the print position was set; the text
        // stands on its baseline one ascent below.
        painter.drawText(QPointF(0, line.top * dpiY / kTwipsPerInch + ascent), line.text);
    }
}

VerticalPageLayout PrintRun::layOutVertical(int poems, const QFont &font, const QPrinter &printer)
{
    const QPageLayout page = printer.pageLayout();
    const QRectF sheet = page.fullRect(QPageLayout::Point);
    const QRectF printable = page.paintRect(QPageLayout::Point);
    auto twips = [](const QRectF &r) {
        return QRectF(r.x() * kTwipsPerPoint, r.y() * kTwipsPerPoint, r.width() * kTwipsPerPoint,
                      r.height() * kTwipsPerPoint);
    };
    // The cell is h, the same on every device (see lineHeight).
    return VerticalPageLayout::compute(poems, twips(sheet).size(), twips(printable),
                                       lineHeight(font, &printer) * PageLayout::kCellHeightTwips);
}

void PrintRun::paintVerticalPage(QPainter &painter, const VerticalPageLayout &layout,
                                 const QStringList &poems, int page, const QFont &font, const QPointF &origin)
{
    const double dpiX = painter.device()->logicalDpiX();
    const double dpiY = painter.device()->logicalDpiY();
    for (std::size_t i = 0; i < layout.columns.size() && i < std::size_t(poems.size()); ++i) {
        const VerticalPageLayout::Column &c = layout.columns[i];
        if (c.page != page)
            continue;
        const QRectF r = c.rect.translated(-origin);
        const QRectF column(r.x() * dpiX / kTwipsPerInch, r.y() * dpiY / kTwipsPerInch,
                            r.width() * dpiX / kTwipsPerInch, r.height() * dpiY / kTwipsPerInch);
        VerticalText::paint(painter, column, poems[qsizetype(i)], font);
    }
}

void PrintRun::setUpPdf(QPrinter &printer, const QString &file)
{
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    printer.setCreator(QStringLiteral("ユリモカ"));
    // A sixth of an inch all round, about what a printer cannot reach: the
    // twentieth poem of a page still stands inside the sheet.
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(12, 12, 12, 12), QPageLayout::Point));
}

QString PrintRun::pdfPath(const QString &folder, const QDateTime &now)
{
    // A second print in the same minute keeps the first one's file.
    return OutputFile::freshPath(folder, QStringLiteral("印刷"), QStringLiteral("pdf"), now);
}

PrintOutcome PrintRun::run(const QStringList &poems, const QString &fontName, PrinterLayer &printer,
                           const QString &folder, const QDateTime &now, Writing writing)
{
    const QString name = printer.defaultPrinterName();
    PrintOutcome out;
    out.printer = name;
    // Nothing listed, nothing printed: no blank sheet comes out of the printer.
    if (poems.isEmpty())
        return out;

    const QFont font = printFont(printer.usableFont(fontName));
    QTemporaryDir work;
    if (!work.isValid())
        return failed(name, QStringLiteral("印刷データを置く一時フォルダを作れませんでした。"));
    // The pages are written to a file first, for the printer and for a PDF
    // alike; then the file goes to the printer or into the program folder.
    const QString jobFile = work.filePath(QStringLiteral("job"));

    QPrinter device(QPrinter::HighResolution);
    device.setDocName(QStringLiteral("ユリモカ"));
    if (name.isEmpty())
        setUpPdf(device, jobFile);
    else if (!printer.prepare(device, name, jobFile))
        return failed(name, QStringLiteral("プリンタ「%1」を使えませんでした。").arg(name));

    const bool vertical = writing == Writing::Vertical;
    // The painter's origin is the top left of the printable area.
    const QPointF origin = device.pageLayout().paintRect(QPageLayout::Point).topLeft() * kTwipsPerPoint;
    const VerticalPageLayout columns =
        vertical ? layOutVertical(int(poems.size()), font, device) : VerticalPageLayout();
    const PageLayout lines = vertical ? PageLayout() : layOut(poems, font, device);
    const int pageCount = vertical ? columns.pageCount : lines.pageCount;
    QPainter painter;
    if (!painter.begin(&device))
        return failed(name, QStringLiteral("印刷データを作れませんでした。"));
    for (int page = 0; page < pageCount; ++page) {
        if (page > 0 && !device.newPage()) {
            painter.end();
            return failed(name, QStringLiteral("印刷データを作れませんでした。"));
        }
        if (vertical)
            paintVerticalPage(painter, columns, poems, page, font, origin);
        else
            paintPage(painter, lines, page, font);
    }
    if (!painter.end() || device.printerState() == QPrinter::Error || QFileInfo(jobFile).size() <= 0)
        return failed(name, QStringLiteral("印刷データを作れませんでした。"));
    out.pages = pageCount;

    if (!name.isEmpty()) {
        const QString refusal = printer.send(device, name, jobFile);
        if (!refusal.isEmpty())
            return failed(
                name,
                QStringLiteral("プリンタ「%1」が印刷を受け付けませんでした。\n（%2）").arg(name, refusal));
        return out;
    }

    out.pdfPath = pdfPath(folder, now);
    QFile job(jobFile);
    if (!job.open(QIODevice::ReadOnly))
        return failed(name, QStringLiteral("印刷データを読めませんでした。"));
    const QString problem = saveWhole(out.pdfPath, job.readAll());
    if (!problem.isEmpty()) {
        return failed(name, QStringLiteral("PDFファイル「%1」を保存できませんでした。\n%2")
                                .arg(QDir::toNativeSeparators(out.pdfPath), problem));
    }
    out.kind = PrintOutcome::Kind::SavedAsPdf;
    return out;
}
