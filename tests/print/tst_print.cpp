#include "mainwin/Main_form.h"
#include "print/F_print.h"
#include "print/PageLayout.h"
#include "print/PrintRun.h"
#include "print/SystemPrinter.h"
#include "store/Notebook.h"
#include "support/Contents.h"
#include "support/Controls.h"
#include "support/FakePrinter.h"
#include "support/MessageRecorder.h"
#include "support/PdfText.h"
#include "ui/JapaneseFonts.h"
#include "ui/ListGrid.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QImage>
#include <QListWidget>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <cups/cups.h>

namespace {

// ---- reading a PDF back with poppler's tools -------------------------------

// Qt writes "～" into a PDF so that it reads back as the wave dash "〜".
QString normalised(QString text)
{
    return text.replace(QChar(0x301C), QChar(0xFF5E));
}

struct PdfLine
{
    double top = 0; // points from the top of the sheet
    QString text;
};
using PdfPages = QList<QList<PdfLine>>;

// Every printed line of every page, as pdftotext finds them.
PdfPages readLines(const QString &pdf)
{
    PdfPages pages;
    QXmlStreamReader xml(runTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox-layout"), pdf, "-"}));
    PdfLine line;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("page")) {
            pages.append(QList<PdfLine>());
        } else if (xml.isStartElement() && xml.name() == QLatin1String("line")) {
            line = PdfLine{xml.attributes().value(QLatin1String("yMin")).toDouble(), QString()};
        } else if (xml.isStartElement() && xml.name() == QLatin1String("word")) {
            line.text += xml.readElementText();
        } else if (xml.isEndElement() && xml.name() == QLatin1String("line") && !pages.isEmpty()) {
            line.text = normalised(line.text);
            pages.last().append(line);
        }
    }
    return pages;
}

// The lines of a page as the poet counts them: 0 for the first poem, then
// one for every 14 pt below it.
QList<int> lineNumbers(const QList<PdfLine> &lines)
{
    QList<int> numbers;
    for (const PdfLine &l : lines)
        numbers.append(int(std::lround((l.top - lines.first().top) / PrintRun::kPointSize)));
    return numbers;
}

QStringList poemsNumbered(int count)
{
    QStringList poems;
    for (int i = 1; i <= count; ++i)
        poems.append(QStringLiteral("第%1句古池や蛙飛びこむ水の音").arg(i));
    return poems;
}

QStringList textsOf(const QList<PdfLine> &lines)
{
    QStringList texts;
    for (const PdfLine &l : lines)
        texts.append(l.text);
    return texts;
}

// ---- a notebook to print from ----------------------------------------------

void addHaiku(Notebook &nb, const QString &category, const QString &poem)
{
    Haiku_record r;
    r.date_text = QStringLiteral("2026/12/07");
    r.category = category;
    r.poem = poem;
    r.memo_no = QString::number(nb.haiku_count() + 1);
    editContents(nb, [&r](NotebookContents &c) { c.haiku_list.push_back(r); });
}

void fill(Notebook &nb)
{
    editContents(nb, [](NotebookContents &c) {
        c.category_list = {QString(), QStringLiteral("全部"), QStringLiteral("春"), QStringLiteral("夏"),
                           QStringLiteral("空の分類")};
    });
    addHaiku(nb, QStringLiteral("春"), QStringLiteral("古池や蛙飛びこむ水の音"));
    addHaiku(nb, QStringLiteral("夏"), QStringLiteral("夏草や兵どもが夢の跡"));
    addHaiku(nb, QStringLiteral("消された分類"), QStringLiteral("閑さや岩にしみ入る蝉の声"));
    addHaiku(nb, QStringLiteral("春"), QStringLiteral("春の海終日のたりのたりかな"));
}

QStringList gridPoems(F_print &window)
{
    auto *grid = ctl<ListGrid>(window, "Grid1");
    QStringList poems;
    for (int r = 1; r < grid->rows(); ++r)
        poems.append(gridCell(grid, r, 1));
    return poems;
}

void doubleClickRow(F_print &window, int row)
{
    auto *grid = ctl<ListGrid>(window, "Grid1");
    const QRect cell = grid->visualRect(grid->model()->index(row - 1, 1));
    QVERIFY(cell.isValid());
    // A double click as the mouse gives it: a click, then the second press.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
}

void doubleClickListEntry(F_print &window, int index)
{
    auto *list = ctl<QListWidget>(window, "List1");
    list->doItemsLayout();
    const QRect entry = list->visualItemRect(list->item(index));
    QVERIFY(entry.isValid());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, entry.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, entry.center());
}

QStringList listed(F_print &window)
{
    return window.printList();
}

// Stands in for the desktop's PDF viewer.
class Opened : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls.append(url); }
};

// Jobs the print queue has not finished yet.
int activeJobs(const QString &printer)
{
    cups_job_t *jobs = nullptr;
    const int count = cupsGetJobs(&jobs, printer.toLocal8Bit().constData(), 0, CUPS_WHICHJOBS_ACTIVE);
    cupsFreeJobs(count, jobs);
    return count;
}

} // namespace

class TestPrint : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    // the page layout, as arithmetic
    void layoutPutsTwentyPoemsOnAnA4Page();
    void layoutBreaksOnlyWhenAnotherPoemFollows_data();
    void layoutBreaksOnlyWhenAnotherPoemFollows();
    void layoutCapacityDecidesThePoemsAPage();
    void layoutKeepsEveryPoemInsideWideMargins();
    void layoutCutsALongPoemBetweenCharacters();
    void lineHeightIsTheSameAtEveryResolution();
    void pageOnAPictureHasTheLinesWhereTheLayoutPutsThem();

    // printed through the printer's code path into a PDF, read back
    void twentyOnePoemsPrintTwentyOnTheFirstPage();
    void exactMultipleEndsWithoutAnEmptyPage();
    void emptyListPrintsNothingAndSaysSo();
    void longPoemIsCutNotWrapped();
    void samePoemTwicePrintsTwice();
    void japaneseComesOutAsText();
    void printFontTheSystemLacksPrintsInMincho();

    // without a printer, or when printing fails
    void noPrinterWritesAPdfInTheProgramFolder();
    void pdfThatCannotBeWrittenIsReported();
    void refusedJobIsReported();
    void realDefaultPrinter();
    void refusingQueueIsReported();

    // in vertical writing
    void verticalLayoutFillsPagesRightToLeft_data();
    void verticalLayoutFillsPagesRightToLeft();
    void verticalPrintReadsBackColumnByColumn();
    void verticalChoiceIsKeptAndPrintedWith();

    // the print window
    void gridOffersAllOrOneCategory();
    void doubleClicksFillAndEmptyThePrintList();
    void storedFontTheSystemLacksFallsBack();
    void chosenFontIsPreselectedNextTime();
    void storedFontWithItsFoundryIsKept();
    void fontNameTheSettingsCannotHoldIsRefused();
    void menuOpensThePrintWindow();

private:
    // Prints poems through a fake printer into a PDF; returns its path.
    QString printToPdf(const QStringList &poems, const QString &font = QStringLiteral("ＭＳ 明朝"));
    QTemporaryDir m_dir;
};

void TestPrint::initTestCase()
{
    JapaneseFonts::install();
    QVERIFY(m_dir.isValid());
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty(),
             "pdftotext (poppler-utils) is needed to read the printed pages back");
}

QString TestPrint::printToPdf(const QStringList &poems, const QString &font)
{
    static int n = 0;
    FakePrinter printer;
    printer.delivered = m_dir.filePath(QStringLiteral("printed%1.pdf").arg(++n));
    const PrintOutcome out = PrintRun::run(poems, font, printer, m_dir.path(), QDateTime::currentDateTime());
    if (out.kind != PrintOutcome::Kind::Printed || printer.sent != 1)
        return QStringLiteral("<not printed: %1>").arg(out.problem);
    return printer.delivered;
}

// ---- the page layout -------------------------------------------------------

// An A4 sheet is 16838 twips high, 16358 inside margins of 12 pt; "あ" at
// 14 pt is 280 twips, 280/240 cells.
constexpr double kA4 = 16838;
constexpr double kA4Printable = kA4 - 2 * 240;
constexpr double kAh = 280.0 / 240.0;

double charsWide(const QString &text)
{
    return text.size() * 280.0;
}

void TestPrint::layoutPutsTwentyPoemsOnAnA4Page()
{
    const PageLayout layout =
        PageLayout::compute(poemsNumbered(21), kA4, kA4Printable, kAh, 11000, charsWide);
    QCOMPARE(layout.capacity, 58);
    QCOMPARE(layout.pageCount, 2);
    QCOMPARE(int(layout.lines.size()), 21);
    for (int j = 0; j < 20; ++j) {
        QCOMPARE(layout.lines[std::size_t(j)].page, 0);
        QCOMPARE(layout.lines[std::size_t(j)].line, 3 * j);
        QCOMPARE(layout.lines[std::size_t(j)].top, 3 * j * 280.0);
    }
    QCOMPARE(layout.lines[19].line, 57);
    QCOMPARE(layout.lines[20].page, 1);
    QCOMPARE(layout.lines[20].line, 0);
    QCOMPARE(layout.lines[20].top, 0.0);
    QCOMPARE(layout.lines[20].text, QStringLiteral("第21句古池や蛙飛びこむ水の音"));
}

void TestPrint::layoutBreaksOnlyWhenAnotherPoemFollows_data()
{
    QTest::addColumn<int>("poems");
    QTest::addColumn<int>("pages");
    QTest::newRow("none") << 0 << 0;
    QTest::newRow("one") << 1 << 1;
    QTest::newRow("a full page") << 20 << 1;
    QTest::newRow("two full pages") << 40 << 2;
    QTest::newRow("one more") << 41 << 3;
}

void TestPrint::layoutBreaksOnlyWhenAnotherPoemFollows()
{
    QFETCH(int, poems);
    QFETCH(int, pages);
    const PageLayout layout =
        PageLayout::compute(poemsNumbered(poems), kA4, kA4Printable, kAh, 11000, charsWide);
    QCOMPARE(layout.pageCount, pages);
    if (poems > 0)
        QCOMPARE(layout.lines.back().page, pages - 1);
}

void TestPrint::layoutCapacityDecidesThePoemsAPage()
{
    // A page holds the poems j while 3j < L: L = 57 gives 19, L = 59 gives 20.
    const PageLayout l57 =
        PageLayout::compute(poemsNumbered(20), 59 * 280.0 + 100, 59 * 280.0 + 100, kAh, 11000, charsWide);
    QCOMPARE(l57.capacity, 57);
    QCOMPARE(l57.lines[18].page, 0);
    QCOMPARE(l57.lines[19].page, 1);
    const PageLayout l59 =
        PageLayout::compute(poemsNumbered(21), 61 * 280.0, 61 * 280.0, kAh, 11000, charsWide);
    QCOMPARE(l59.capacity, 59);
    QCOMPARE(l59.lines[19].page, 0);
    QCOMPARE(l59.lines[20].page, 1);

    // A sheet too small for the two spare lines still takes one poem a page,
    // and the first page is not left empty.
    const PageLayout tiny = PageLayout::compute(poemsNumbered(3), 500, 500, kAh, 11000, charsWide);
    QVERIFY(tiny.capacity <= 0);
    QCOMPARE(tiny.pageCount, 3);
    QCOMPARE(tiny.lines[0].page, 0);
    QCOMPARE(tiny.lines[2].page, 2);
    QCOMPARE(tiny.lines[2].line, 0);
}

void TestPrint::layoutKeepsEveryPoemInsideWideMargins()
{
    // The generic PDF printer's A4 leaves half an inch at the top and the
    // bottom: 770 pt to print in, 55 lines. Line 57 would stand below the
    // sheet's edge, so a page takes 19 poems, the last on line 54.
    const double printable = (806 - 36) * 20.0;
    const PageLayout layout = PageLayout::compute(poemsNumbered(21), kA4, printable, kAh, 11000, charsWide);
    QCOMPARE(layout.capacity, 55);
    QCOMPARE(layout.lines[18].page, 0);
    QCOMPARE(layout.lines[18].line, 54);
    QVERIFY(layout.lines[18].top + 280 <= printable);
    QCOMPARE(layout.lines[19].page, 1);
    QCOMPARE(layout.pageCount, 2);
    // A sheet printed to its edges still keeps the two spare lines.
    QCOMPARE(PageLayout::compute(poemsNumbered(1), kA4, kA4, kAh, 11000, charsWide).capacity, 58);
}

void TestPrint::layoutCutsALongPoemBetweenCharacters()
{
    // 10 characters of 280 twips fit in 2800; the 11th does not.
    const QString longPoem = QStringLiteral("あいうえおかきくけこさしすせそ");
    QCOMPARE(PageLayout::cut(longPoem, 2800, charsWide), QStringLiteral("あいうえおかきくけこ"));
    QCOMPARE(PageLayout::cut(longPoem, 2799, charsWide), QStringLiteral("あいうえおかきくけ"));
    QCOMPARE(PageLayout::cut(QStringLiteral("短い句"), 2800, charsWide), QStringLiteral("短い句"));
    QCOMPARE(PageLayout::cut(longPoem, 100, charsWide), QString());
    // "𠮷" is two UTF-16 units and "か゚" a letter with a mark (the width here
    // counts units): neither is cut in half.
    const QString wide = QStringLiteral("あいうえおかきくけ𠮷") + QStringLiteral("か\u309Aさ");
    QCOMPARE(PageLayout::cut(wide, 10 * 280, charsWide), QStringLiteral("あいうえおかきくけ"));
    QCOMPARE(PageLayout::cut(wide, 12 * 280, charsWide), QStringLiteral("あいうえおかきくけ𠮷"));
    QCOMPARE(PageLayout::cut(wide, 13 * 280, charsWide), QStringLiteral("あいうえおかきくけ𠮷か\u309A"));

    const PageLayout layout =
        PageLayout::compute({longPoem, QStringLiteral("次の句")}, kA4, kA4Printable, kAh, 2800, charsWide);
    QCOMPARE(layout.lines[0].text, QStringLiteral("あいうえおかきくけこ"));
    QCOMPARE(layout.lines[1].line, 3); // the rest is not wrapped onto a line of its own
}

void TestPrint::lineHeightIsTheSameAtEveryResolution()
{
    const QFont font = PrintRun::printFont(QStringLiteral("ＭＳ 明朝"));
    // At 600 dpi the font is drawn 117 dots high, 280.8 twips: without taking
    // that to the nearest point a page would hold 19 poems, not 20.
    for (int dpi : {150, 300, 600, 1200}) {
        QPrinter printer(QPrinter::HighResolution);
        PrintRun::setUpPdf(printer, m_dir.filePath(QStringLiteral("unused")));
        printer.setResolution(dpi);
        QCOMPARE(PrintRun::lineHeight(font, &printer), kAh);
        const PageLayout layout = PrintRun::layOut(poemsNumbered(21), font, printer);
        QCOMPARE(layout.capacity, 58);
        QCOMPARE(layout.lines[20].page, 1);
    }
    QImage screen(10, 10, QImage::Format_RGB32);
    screen.setDotsPerMeterX(3780); // 96 dpi
    screen.setDotsPerMeterY(3780);
    QCOMPARE(PrintRun::lineHeight(font, &screen), kAh);
}

void TestPrint::pageOnAPictureHasTheLinesWhereTheLayoutPutsThem()
{
    // 72 dpi: a point is a pixel, so line k of the page starts at 14 k pixels.
    QImage page(595, 842, QImage::Format_RGB32);
    page.setDotsPerMeterX(2835);
    page.setDotsPerMeterY(2835);
    page.fill(Qt::white);
    const QFont font = PrintRun::printFont(QStringLiteral("ＭＳ 明朝"));
    const PageLayout layout =
        PageLayout::compute({QStringLiteral("一"), QStringLiteral("二"), QStringLiteral("三")}, kA4,
                            kA4Printable, kAh, 11000, charsWide);
    QPainter painter(&page);
    PrintRun::paintPage(painter, layout, 0, font);
    painter.end();
    auto inkIn = [&page](int top, int bottom) {
        for (int y = top; y < bottom; ++y)
            for (int x = 0; x < 40; ++x)
                if (qGray(page.pixel(x, y)) < 128)
                    return true;
        return false;
    };
    for (int j = 0; j < 3; ++j) {
        QVERIFY2(inkIn(42 * j, 42 * j + 14),
                 qPrintable(QStringLiteral("poem %1 not on line %2").arg(j).arg(3 * j)));
        QVERIFY(!inkIn(42 * j + 16, 42 * j + 40)); // the two empty lines after it
    }
    QVERIFY(!inkIn(126, 842));
}

// ---- printed and read back ------------------------------------------------

void TestPrint::twentyOnePoemsPrintTwentyOnTheFirstPage()
{
    const QStringList poems = poemsNumbered(21);
    const QString pdf = printToPdf(poems);
    QCOMPARE(pageCount(pdf), 2);
    const PdfPages pages = readLines(pdf);
    QCOMPARE(pages.size(), 2);
    QCOMPARE(textsOf(pages[0]), poems.mid(0, 20));
    QCOMPARE(textsOf(pages[1]), poems.mid(20));
    QList<int> expected;
    for (int j = 0; j < 20; ++j)
        expected.append(3 * j);
    QCOMPARE(lineNumbers(pages[0]), expected);
    for (int j = 0; j < 20; ++j)
        QVERIFY(qAbs(pages[0][j].top - pages[0][0].top - 42.0 * j) < 0.5);
    // Both pages start at the top of the printable area.
    QVERIFY(pages[0][0].top < 12 + PrintRun::kPointSize);
    QCOMPARE(pages[1][0].top, pages[0][0].top);
}

void TestPrint::exactMultipleEndsWithoutAnEmptyPage()
{
    QCOMPARE(pageCount(printToPdf(poemsNumbered(20))), 1);
    const QString forty = printToPdf(poemsNumbered(40));
    QCOMPARE(pageCount(forty), 2);
    QCOMPARE(readLines(forty).last().size(), 20);
}

void TestPrint::emptyListPrintsNothingAndSaysSo()
{
    Notebook nb(m_dir.path());
    fill(nb);
    FakePrinter printer;
    printer.delivered = m_dir.filePath(QStringLiteral("empty.pdf"));
    MessageRecorder messages;
    F_print window(nullptr, nb, printer);
    window.Command1_Click();
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown[0].text, QStringLiteral("印刷終了"));
    QCOMPARE(messages.shown[0].title, QStringLiteral("ユリモカ"));
    QCOMPARE(messages.shown[0].buttons, MessageBoxes::Buttons::Ok);
    QCOMPARE(printer.sent, 0); // no blank sheet

    // Without a printer no empty PDF is left behind either.
    printer.printerName.clear();
    window.Command1_Click();
    QCOMPARE(messages.shown.last().text, QStringLiteral("印刷終了"));
    QVERIFY(QDir(m_dir.path()).entryList({QStringLiteral("印刷_*.pdf")}).isEmpty());
}

void TestPrint::longPoemIsCutNotWrapped()
{
    // The printable width of A4 less two 12 pt margins is 571 pt: forty
    // characters of 14 pt.
    QString longPoem;
    for (int i = 0; i < 6; ++i)
        longPoem += QStringLiteral("あいうえおかきくけこ");
    const QString pdf = printToPdf({longPoem, QStringLiteral("次の句")});
    const PdfPages pages = readLines(pdf);
    QCOMPARE(pages.size(), 1);
    QCOMPARE(textsOf(pages[0]), (QStringList{longPoem.left(40), QStringLiteral("次の句")}));
    QCOMPARE(lineNumbers(pages[0]), (QList<int>{0, 3}));
}

void TestPrint::samePoemTwicePrintsTwice()
{
    const QString poem = QStringLiteral("古池や蛙飛びこむ水の音");
    const PdfPages pages = readLines(printToPdf({poem, poem}));
    QCOMPARE(pages.size(), 1);
    QCOMPARE(textsOf(pages[0]), (QStringList{poem, poem}));
    QCOMPARE(lineNumbers(pages[0]), (QList<int>{0, 3}));
}

void TestPrint::japaneseComesOutAsText()
{
    const QStringList poems{QStringLiteral("～春の海～ひねもすのたり①髙"), QStringLiteral("ＡＢＣ abc 123")};
    const QString pdf = printToPdf(poems);
    QCOMPARE(textsOf(readLines(pdf).value(0)),
             (QStringList{poems[0], QStringLiteral("ＡＢＣabc123")})); // words joined without their spaces
    QVERIFY(normalised(runTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, "-"}))
                .contains(poems[0]));
    // The face behind ＭＳ 明朝, embedded as a font, not drawn as outlines.
    const QString fonts = fontsOf(pdf);
    QVERIFY2(fonts.contains(QStringLiteral("IPAMincho")), qPrintable(fonts));
    QVERIFY2(fonts.contains(QStringLiteral("CID TrueType")), qPrintable(fonts));
    QVERIFY2(!fonts.contains(QStringLiteral("Type 3")), qPrintable(fonts));
}

void TestPrint::printFontTheSystemLacksPrintsInMincho()
{
    QVERIFY(
        fontsOf(printToPdf({QStringLiteral("古池や")}, QStringLiteral("IPAGothic"))).contains("IPAGothic"));
    const QString fonts = fontsOf(printToPdf({QStringLiteral("古池や")}, QStringLiteral("どこにもない書体")));
    QVERIFY2(fonts.contains(QStringLiteral("IPAMincho")), qPrintable(fonts));
}

// ---- without a printer, or when printing fails ------------------------------

void TestPrint::noPrinterWritesAPdfInTheProgramFolder()
{
    QTemporaryDir folder;
    const QDateTime when(QDate(2026, 12, 7), QTime(15, 30, 12));
    FakePrinter printer;
    printer.printerName.clear();
    const PrintOutcome first =
        PrintRun::run(poemsNumbered(3), QStringLiteral("ＭＳ 明朝"), printer, folder.path(), when);
    QCOMPARE(first.kind, PrintOutcome::Kind::SavedAsPdf);
    QCOMPARE(first.pdfPath, folder.filePath(QStringLiteral("印刷_2026-12-07_1530.pdf")));
    QCOMPARE(textsOf(readLines(first.pdfPath).value(0)), poemsNumbered(3));
    // A second print in the same minute does not overwrite the first.
    const PrintOutcome second =
        PrintRun::run({QStringLiteral("二度目")}, QStringLiteral("ＭＳ 明朝"), printer, folder.path(), when);
    QCOMPARE(second.pdfPath, folder.filePath(QStringLiteral("印刷_2026-12-07_1530_2.pdf")));
    QCOMPARE(textsOf(readLines(first.pdfPath).value(0)), poemsNumbered(3));
    QCOMPARE(printer.sent, 0);

    // What the print window says, and the PDF opened only when the poet agrees.
    Notebook nb(folder.path());
    fill(nb);
    F_print window(nullptr, nb, printer);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    doubleClickRow(window, 1);
    Opened opened;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &opened, "open");
    MessageRecorder messages;
    messages.answers = {MessageBoxes::Answer::No};
    window.Command1_Click();
    QCOMPARE(messages.shown.size(), 1);
    const MessageBoxes::Request said = messages.shown[0];
    QVERIFY2(said.text.startsWith(QStringLiteral("印刷終了")), qPrintable(said.text));
    QCOMPARE(said.title, QStringLiteral("ユリモカ"));
    QCOMPARE(said.buttons, MessageBoxes::Buttons::YesNo);
    const QRegularExpression named(QRegularExpression::escape(folder.path()) +
                                   QStringLiteral("/印刷_\\d{4}-\\d\\d-\\d\\d_\\d{4}(_\\d+)?\\.pdf"));
    const QRegularExpressionMatch m = named.match(said.text);
    QVERIFY2(m.hasMatch(), qPrintable(said.text));
    QVERIFY(QFileInfo::exists(m.captured(0)));
    QCOMPARE(textsOf(readLines(m.captured(0)).value(0)),
             QStringList{QStringLiteral("古池や蛙飛びこむ水の音")});
    QVERIFY(opened.urls.isEmpty());

    messages.answers = {MessageBoxes::Answer::Yes};
    window.Command1_Click();
    QCOMPARE(opened.urls.size(), 1);
    QVERIFY(opened.urls[0].isLocalFile());
    QVERIFY(messages.shown.last().text.contains(opened.urls[0].toLocalFile()));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
}

void TestPrint::pdfThatCannotBeWrittenIsReported()
{
    QTemporaryDir dir;
    // The program folder is gone: nowhere to put the PDF.
    const QString folder = dir.filePath(QStringLiteral("消えたフォルダ"));
    Notebook nb(folder);
    fill(nb);
    FakePrinter printer;
    printer.printerName.clear();
    F_print window(nullptr, nb, printer);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    doubleClickRow(window, 2);
    MessageRecorder messages;
    window.Command1_Click();
    QCOMPARE(messages.shown.size(), 1);
    QVERIFY(!messages.shown[0].text.contains(QStringLiteral("印刷終了")));
    QVERIFY2(messages.shown[0].text.startsWith(QStringLiteral("印刷できませんでした。")),
             qPrintable(messages.shown[0].text));
    QVERIFY(messages.shown[0].text.contains(QStringLiteral("PDFファイル「%1/印刷_").arg(folder)));
    QCOMPARE(messages.shown[0].icon, MessageBoxes::Icon::Critical);
    QVERIFY(!QFileInfo::exists(folder));
}

void TestPrint::refusedJobIsReported()
{
    FakePrinter printer;
    printer.refusal = QStringLiteral("The printer is not accepting jobs.");
    const PrintOutcome out = PrintRun::run(poemsNumbered(2), QStringLiteral("ＭＳ 明朝"), printer,
                                           m_dir.path(), QDateTime::currentDateTime());
    QCOMPARE(out.kind, PrintOutcome::Kind::Failed);
    QCOMPARE(printer.sent, 1);

    Notebook nb(m_dir.path());
    fill(nb);
    F_print window(nullptr, nb, printer);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    doubleClickRow(window, 1);
    MessageRecorder messages;
    window.Command1_Click();
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown[0].text,
             QStringLiteral("印刷できませんでした。\nプリンタ「TESTPDF」が印刷を受け付けませんでした。\n"
                            "（The printer is not accepting jobs.）"));
    QCOMPARE(messages.shown[0].icon, MessageBoxes::Icon::Critical);
}

void TestPrint::realDefaultPrinter()
{
    SystemPrinter system;
    const QString printer = system.defaultPrinterName();
    const QString queueOutput = qEnvironmentVariable("YURIMOKA_TEST_PRINTER_PDF");
    if (!printer.isEmpty() && queueOutput.isEmpty())
        QSKIP("The default printer is a real one: not printing on it (set YURIMOKA_TEST_PRINTER_PDF "
              "to the file a test queue writes; tools/ci-printer.sh makes one).");

    QTemporaryDir folder;
    Notebook nb(folder.path());
    const QStringList poems = poemsNumbered(21);
    editContents(nb, [](NotebookContents &c) { c.category_list = {QString(), QStringLiteral("全部")}; });
    for (const QString &poem : poems)
        addHaiku(nb, QStringLiteral("春"), poem);
    F_print window(nullptr, nb, system);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (int r = 1; r <= 21; ++r) {
        ctl<ListGrid>(window, "Grid1")->scrollTo(ctl<ListGrid>(window, "Grid1")->model()->index(r - 1, 1));
        doubleClickRow(window, r);
    }
    QCOMPARE(listed(window), poems);
    MessageRecorder messages;
    messages.answers = {MessageBoxes::Answer::No};

    QString pdf;
    if (printer.isEmpty()) {
        // No CUPS server, or no default printer: the pages go to a PDF in
        // the program folder and the closing message says where.
        window.Command1_Click();
        QCOMPARE(messages.shown.size(), 1);
        QVERIFY2(messages.shown[0].text.startsWith(QStringLiteral("印刷終了")),
                 qPrintable(messages.shown[0].text));
        const QStringList made = QDir(folder.path()).entryList({QStringLiteral("印刷_*.pdf")});
        QCOMPARE(made.size(), 1);
        pdf = folder.filePath(made[0]);
        QVERIFY(messages.shown[0].text.contains(pdf));
    } else {
        // The queue's file: device writes the job where the environment says.
        QFile::remove(queueOutput);
        window.Command1_Click();
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown[0].text, QStringLiteral("印刷終了"));
        QVERIFY(QDir(folder.path()).entryList({QStringLiteral("印刷_*.pdf")}).isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(activeJobs(printer) == 0 && QFileInfo(queueOutput).size() > 0, 120000);
        pdf = queueOutput;
    }
    // Every poem once, in order, one a line and three lines apart, none
    // beyond a sheet's edge; on A4, 20 to a page unless the printer's margins
    // leave room for fewer (the generic PDF driver's leave 19).
    QCOMPARE(pageCount(pdf), 2);
    const PdfPages pages = readLines(pdf);
    QCOMPARE(pages.size(), 2);
    QStringList printed;
    for (const QList<PdfLine> &page : pages) {
        printed += textsOf(page);
        for (int j = 0; j < page.size(); ++j)
            QCOMPARE(lineNumbers(page)[j], 3 * j);
        QVERIFY(page.last().top + PrintRun::kPointSize <= 842);
    }
    QCOMPARE(printed, poems);
    QVERIFY(pages[0].size() == 20 || (!printer.isEmpty() && pages[0].size() == 19));
    if (printer.isEmpty())
        QCOMPARE(pages[0].size(), 20);
    QVERIFY(fontsOf(pdf).contains(QStringLiteral("IPAMincho")));
}

void TestPrint::refusingQueueIsReported()
{
    const QString queue = qEnvironmentVariable("YURIMOKA_TEST_REFUSING_PRINTER");
    if (queue.isEmpty())
        QSKIP("No queue that refuses jobs (tools/ci-printer.sh makes one).");
    SystemPrinter refusing(queue);
    const PrintOutcome out = PrintRun::run(poemsNumbered(2), QStringLiteral("ＭＳ 明朝"), refusing,
                                           m_dir.path(), QDateTime::currentDateTime());
    QCOMPARE(out.kind, PrintOutcome::Kind::Failed);
    QVERIFY2(
        out.problem.startsWith(QStringLiteral("プリンタ「%1」が印刷を受け付けませんでした。").arg(queue)),
        qPrintable(out.problem));
}

// ---- in vertical writing ------------------------------------------------------

// A4 is 11906 × 16838 twips; "あ" at 14 pt is 280.
constexpr double kA4Width = 11906;

void TestPrint::verticalLayoutFillsPagesRightToLeft_data()
{
    QTest::addColumn<QSizeF>("sheet");
    QTest::addColumn<QRectF>("printable");
    QTest::addColumn<int>("poems");
    QTest::addColumn<int>("columnsPerPage");
    QTest::addColumn<int>("pages");
    const QSizeF a4(kA4Width, kA4);
    const QRectF smallMargins(240, 240, kA4Width - 480, kA4 - 480);
    // The 2 cm margins leave 9638 twips: 17 columns and the 16 empty ones between.
    QTest::newRow("a page and one column") << a4 << smallMargins << 18 << 17 << 2;
    QTest::newRow("exactly one page") << a4 << smallMargins << 17 << 17 << 1;
    QTest::newRow("nothing listed") << a4 << smallMargins << 0 << 17 << 0;
    QTest::newRow("a printer that cannot reach our margins")
        << a4 << QRectF(1500, 1500, kA4Width - 3000, kA4 - 3000) << 17 << 16 << 2;
    QTest::newRow("a sheet that knows no printable area") << a4 << QRectF() << 17 << 17 << 1;
    QTest::newRow("a sheet narrower than a column") << QSizeF(2500, kA4) << QRectF() << 3 << 1 << 3;
}

void TestPrint::verticalLayoutFillsPagesRightToLeft()
{
    QFETCH(QSizeF, sheet);
    QFETCH(QRectF, printable);
    QFETCH(int, poems);
    QFETCH(int, columnsPerPage);
    QFETCH(int, pages);
    const VerticalPageLayout layout = VerticalPageLayout::compute(poems, sheet, printable, 280);
    QCOMPARE(layout.columnsPerPage, columnsPerPage);
    QCOMPARE(layout.pageCount, pages);
    QCOMPARE(int(layout.columns.size()), poems);
    const QRectF margins(1134, 1134, sheet.width() - 2268, sheet.height() - 2268);
    QCOMPARE(layout.area, printable.isEmpty() ? margins : margins.intersected(printable));
    for (int i = 0; i < poems; ++i) {
        const VerticalPageLayout::Column &c = layout.columns[std::size_t(i)];
        QCOMPARE(c.page, i / columnsPerPage);
        QCOMPARE(c.place, i % columnsPerPage);
        // The first column of a page at the right margin, each next one two
        // cells further left, every one the text area's height.
        QCOMPARE(c.rect.right(), layout.area.right() - 2 * 280 * c.place);
        QCOMPARE(c.rect.width(), 280.0);
        QCOMPARE(c.rect.top(), layout.area.top());
        QCOMPARE(c.rect.bottom(), layout.area.bottom());
        if (columnsPerPage > 1)
            QVERIFY(c.rect.left() >= layout.area.left());
    }
}

void TestPrint::verticalPrintReadsBackColumnByColumn()
{
    QStringList poems;
    for (int i = 1; i <= 18; ++i)
        poems.append(QStringLiteral("第%1句　古池や、蛙飛びこむ水の音。スーパーの「袋」").arg(i));
    FakePrinter printer;
    printer.delivered = m_dir.filePath(QStringLiteral("vertical.pdf"));
    const PrintOutcome out = PrintRun::run(poems, QStringLiteral("ＭＳ 明朝"), printer, m_dir.path(),
                                           QDateTime::currentDateTime(), PrintRun::Writing::Vertical);
    QCOMPARE(out.kind, PrintOutcome::Kind::Printed);
    QCOMPARE(out.pages, 2);
    QCOMPARE(pageCount(printer.delivered), 2);
    const QList<QList<PdfChar>> pages = readChars(printer.delivered);
    QCOMPARE(pages.size(), 2);
    // Read right to left, each column from the top, the poems come back in
    // list order, 17 on the first page and the last one at the right of the
    // second; the ideographic space is no word of its own.
    const QList<PdfColumn> first = columnsOf(pages[0]);
    const QList<PdfColumn> second = columnsOf(pages[1]);
    QStringList expected;
    for (const QString &p : poems)
        expected.append(QString(p).remove(QStringLiteral("　")));
    QCOMPARE(textsOf(first), expected.mid(0, 17));
    QCOMPARE(textsOf(second), expected.mid(17));
    QVERIFY(qAbs(second[0].x - first[0].x) < 1);
    // The first column stands at the right margin, 2 cm from the edges: its
    // middle half a cell further in, its first character at the top margin.
    // Columns are 28 pt apart.
    QVERIFY2(qAbs(first[0].x - (595.3 - 56.7 - 7)) < 1.5, qPrintable(QString::number(first[0].x)));
    const auto topmost = std::min_element(pages[0].begin(), pages[0].end(),
                                          [](const PdfChar &a, const PdfChar &b) { return a.top < b.top; });
    QVERIFY2(qAbs(topmost->top - 56.7) < 2, qPrintable(QString::number(topmost->top)));
    for (int k = 1; k < first.size(); ++k)
        QVERIFY(qAbs(first[k - 1].x - first[k].x - 28) < 1.5);
    // Every font is in the file.
    const QStringList fontLines = fontsOf(printer.delivered).split(u'\n', Qt::SkipEmptyParts).mid(2);
    QVERIFY(!fontLines.isEmpty());
    for (const QString &line : fontLines)
        QVERIFY2(line.contains(QStringLiteral(" yes ")), qPrintable(line));
}

void TestPrint::verticalChoiceIsKeptAndPrintedWith()
{
    QTemporaryDir folder;
    Notebook nb(folder.path());
    fill(nb);
    FakePrinter printer;
    MessageRecorder messages;
    const QString poem = QStringLiteral("古池や蛙飛びこむ水の音");
    {
        F_print window(nullptr, nb, printer);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *vertical = ctl<QCheckBox>(window, "Check1");
        QCOMPARE(vertical->text(), QStringLiteral("縦書き"));
        QVERIFY(!vertical->isChecked());
        doubleClickRow(window, 1);
        // Unchecked: one poem a line, as ever.
        printer.delivered = folder.filePath(QStringLiteral("horizontal.pdf"));
        window.Command1_Click();
        QCOMPARE(textsOf(readLines(printer.delivered).value(0)), QStringList{poem});
        QVERIFY(!QFileInfo::exists(folder.filePath(QStringLiteral("yurimoka.ini"))));

        QTest::mouseClick(vertical, Qt::LeftButton, {}, QPoint(4, vertical->height() / 2));
        QVERIFY(vertical->isChecked());
        printer.delivered = folder.filePath(QStringLiteral("vertical.pdf"));
        window.Command1_Click();
        QCOMPARE(textsOf(columnsOf(readChars(printer.delivered).value(0))), QStringList{poem});
        QCOMPARE(messages.shown.last().text, QStringLiteral("印刷終了"));
    }
    // Kept in yurimoka.ini, not in haiku.ini, and checked next time.
    QVERIFY(QFileInfo::exists(folder.filePath(QStringLiteral("yurimoka.ini"))));
    QVERIFY(!QFileInfo::exists(folder.filePath(QStringLiteral("haiku.ini"))));
    F_print again(nullptr, nb, printer);
    QVERIFY(ctl<QCheckBox>(again, "Check1")->isChecked());
    ctl<QCheckBox>(again, "Check1")->click();
    QVERIFY(!F_print(nullptr, nb, printer).findChild<QCheckBox *>(QStringLiteral("Check1"))->isChecked());
}

// ---- the print window --------------------------------------------------------

void TestPrint::gridOffersAllOrOneCategory()
{
    Notebook nb(m_dir.path());
    fill(nb);
    FakePrinter printer;
    MessageRecorder messages;
    F_print window(nullptr, nb, printer);
    QCOMPARE(window.windowTitle(), QStringLiteral("選択した句の印刷"));
    auto *grid = ctl<ListGrid>(window, "Grid1");
    QCOMPARE(grid->model()->columnCount(), 2);
    QCOMPARE(gridCell(grid, 0, 0), QStringLiteral("分類"));
    QCOMPARE(gridCell(grid, 0, 1), QStringLiteral("句"));
    auto *combo = ctl<QComboBox>(window, "Combo1");
    QCOMPARE(combo->count(), 4);
    QCOMPARE(combo->currentText(), QStringLiteral("全部"));
    // Every haiku in notebook order, then the empty row.
    const QStringList all{QStringLiteral("古池や蛙飛びこむ水の音"), QStringLiteral("夏草や兵どもが夢の跡"),
                          QStringLiteral("閑さや岩にしみ入る蝉の声"),
                          QStringLiteral("春の海終日のたりのたりかな"), QString()};
    QCOMPARE(gridPoems(window), all);
    QCOMPARE(gridCell(grid, 3, 0), QStringLiteral("消された分類"));

    combo->setCurrentIndex(1);
    window.Combo1_Click();
    QCOMPARE(gridPoems(window), (QStringList{all[0], all[3], QString()}));
    QCOMPARE(gridCell(grid, 1, 0), QStringLiteral("春"));
    combo->setCurrentIndex(3);
    window.Combo1_Click();
    QCOMPARE(gridPoems(window), QStringList{QString()}); // the heading and the empty row
    combo->setCurrentIndex(0);
    window.Combo1_Click();
    QCOMPARE(gridPoems(window), all); // the haiku of the deleted category only here

    // "全部" is the literal, not whatever the first category is called.
    editContents(nb, [](NotebookContents &c) { c.category_list[1] = QStringLiteral("すべて"); });
    F_print renamed(nullptr, nb, printer);
    auto *renamedCombo = ctl<QComboBox>(renamed, "Combo1");
    renamedCombo->setCurrentIndex(0);
    renamed.Combo1_Click();
    QCOMPARE(gridPoems(renamed), QStringList{QString()});
    QVERIFY(messages.shown.isEmpty());

    // An empty notebook: the heading and the empty row, which double clicks ignore.
    Notebook empty(m_dir.path());
    F_print none(nullptr, empty, printer);
    QCOMPARE(ctl<ListGrid>(none, "Grid1")->rows(), 2);
    none.show();
    QVERIFY(QTest::qWaitForWindowExposed(&none));
    doubleClickRow(none, 1);
    QVERIFY(none.printList().isEmpty());
}

void TestPrint::doubleClicksFillAndEmptyThePrintList()
{
    Notebook nb(m_dir.path());
    fill(nb);
    FakePrinter printer;
    MessageRecorder messages;
    F_print window(nullptr, nb, printer);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (int i = 0; i < 3; ++i)
        doubleClickRow(window, 2);
    QCOMPARE(listed(window), QStringList(3, QStringLiteral("夏草や兵どもが夢の跡")));
    doubleClickRow(window, 5); // the empty last row
    QCOMPARE(listed(window).size(), 3);

    auto *list = ctl<QListWidget>(window, "List1");
    list->clear();
    doubleClickRow(window, 1);
    doubleClickRow(window, 2);
    doubleClickRow(window, 4);
    const QStringList three = listed(window);
    QCOMPARE(three.size(), 3);
    doubleClickListEntry(window, 1);
    QCOMPARE(listed(window), (QStringList{three[0], three[2]}));
    // A double click with no entry chosen removes nothing.
    list->setCurrentRow(-1);
    window.List1_DblClick();
    QCOMPARE(listed(window).size(), 2);

    // The poems print in list order, and the list stays for another print.
    printer.delivered = m_dir.filePath(QStringLiteral("window.pdf"));
    window.Command1_Click();
    QCOMPARE(messages.shown.last().text, QStringLiteral("印刷終了"));
    QCOMPARE(textsOf(readLines(printer.delivered).value(0)), (QStringList{three[0], three[2]}));
    QCOMPARE(listed(window), (QStringList{three[0], three[2]}));
}

void TestPrint::storedFontTheSystemLacksFallsBack()
{
    Notebook nb(m_dir.path());
    fill(nb);
    nb.setPrintFont(QStringLiteral("どこにもない書体"));
    FakePrinter printer;
    F_print window(nullptr, nb, printer);
    QCOMPARE(ctl<QComboBox>(window, "Combo2")->currentText(), QStringLiteral("ＭＳ 明朝"));
    QCOMPARE(nb.settings().print_font, QStringLiteral("ＭＳ 明朝"));
    QCOMPARE(ctl<QListWidget>(window, "List1")->font().family(), QStringLiteral("ＭＳ 明朝"));

    // The real font list offers ＭＳ 明朝 too.
    SystemPrinter system;
    QVERIFY(system.fontNames().contains(QStringLiteral("ＭＳ 明朝")));
    QVERIFY(system.fontNames().contains(QStringLiteral("IPAGothic")));
    QCOMPARE(system.fontNames(), SystemPrinter().fontNames()); // always in the same order
    // Each family once, without the foundry that tells two makers' apart.
    for (const QString &name : system.fontNames())
        QCOMPARE(JapaneseFonts::familyOf(name), name);
    nb.setPrintFont(QStringLiteral("どこにもない書体"));
    F_print real(nullptr, nb, system);
    QCOMPARE(ctl<QComboBox>(real, "Combo2")->currentText(), QStringLiteral("ＭＳ 明朝"));
}

void TestPrint::chosenFontIsPreselectedNextTime()
{
    Notebook nb(m_dir.path());
    fill(nb);
    FakePrinter printer;
    {
        F_print window(nullptr, nb, printer);
        auto *fonts = ctl<QComboBox>(window, "Combo2");
        QCOMPARE(fonts->count(), printer.fonts.size());
        QCOMPARE(fonts->itemText(2), QStringLiteral("IPAGothic")); // the printer's order
        fonts->setCurrentIndex(2);
        window.Combo2_Click();
        QCOMPARE(nb.settings().print_font, QStringLiteral("IPAGothic"));
        QCOMPARE(ctl<QListWidget>(window, "List1")->font().family(), QStringLiteral("IPAGothic"));
        window.Command2_Click(); // 中止 keeps the font
        QVERIFY(!window.isVisible());
    }
    F_print again(nullptr, nb, printer);
    QCOMPARE(ctl<QComboBox>(again, "Combo2")->currentText(), QStringLiteral("IPAGothic"));
    QCOMPARE(ctl<QListWidget>(again, "List1")->font().family(), QStringLiteral("IPAGothic"));
    QVERIFY(again.printList().isEmpty()); // the print list does not survive the window
}

// A font kept with its foundry ("C059 [urw]") is the family the list shows
// once; the setting keeps its name and prints in that face.
void TestPrint::storedFontWithItsFoundryIsKept()
{
    Notebook nb(m_dir.path());
    fill(nb);
    nb.setPrintFont(QStringLiteral("C059 [urw]"));
    FakePrinter printer;
    printer.fonts.append(QStringLiteral("C059"));
    F_print window(nullptr, nb, printer);
    QCOMPARE(ctl<QComboBox>(window, "Combo2")->currentText(), QStringLiteral("C059"));
    QCOMPARE(nb.settings().print_font, QStringLiteral("C059 [urw]"));
    QCOMPARE(printer.usableFont(nb.settings().print_font), QStringLiteral("C059 [urw]"));
    QCOMPARE(printer.usableFont(QStringLiteral("C059 [nobody]x")), QStringLiteral("ＭＳ 明朝"));
}

void TestPrint::fontNameTheSettingsCannotHoldIsRefused()
{
    Notebook nb(m_dir.path());
    fill(nb);
    FakePrinter printer;
    printer.fonts.append(QStringLiteral("나눔고딕"));
    MessageRecorder messages;
    F_print window(nullptr, nb, printer);
    auto *fonts = ctl<QComboBox>(window, "Combo2");
    fonts->setCurrentIndex(fonts->count() - 1);
    window.Combo2_Click();
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown[0].text,
             QStringLiteral("フォント名「나눔고딕」にはシフトJISで保存できない文字が含まれているため、"
                            "印刷用フォントに選べません。"));
    QCOMPARE(nb.settings().print_font, QStringLiteral("ＭＳ 明朝"));
    QCOMPARE(fonts->currentText(), QStringLiteral("ＭＳ 明朝"));
}

void TestPrint::menuOpensThePrintWindow()
{
    QTemporaryDir dir;
    MessageRecorder messages;
    Notebook nb(dir.path());
    Main_form form(nb);
    QVERIFY(form.Form_Load());
    form.show();
    auto *entry = ctl<QAction>(form, "Menu_print");
    QVERIFY(entry->isEnabled());
    QString title;
    QStringList poems;
    QTimer::singleShot(0, [&] {
        auto *window = qobject_cast<F_print *>(QApplication::activeModalWidget());
        if (!window)
            return;
        title = window->windowTitle();
        poems = gridPoems(*window);
        // 中止 closes it, as Esc does.
        ctl<QPushButton>(*window, "Command2")->click();
    });
    entry->trigger();
    QCOMPARE(title, QStringLiteral("選択した句の印刷"));
    QCOMPARE(poems, (QStringList{QStringLiteral("【ユリモカ】ご利用のお礼"), QString()}));
    QVERIFY(messages.shown.isEmpty());
}

QTEST_MAIN(TestPrint)
#include "tst_print.moc"
