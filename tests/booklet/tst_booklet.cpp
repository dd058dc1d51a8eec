#include "booklet/Booklet.h"
#include "booklet/BookletLayout.h"
#include "booklet/BookletPlan.h"
#include "booklet/F_kushu.h"
#include "booklet/KanjiNumerals.h"
#include "booklet/PdfInfo.h"
#include "store/Notebook.h"
#include "support/Contents.h"
#include "support/Controls.h"
#include "support/Folders.h"
#include "support/MessageRecorder.h"
#include "support/PdfText.h"
#include "ui/JapaneseFonts.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDesktopServices>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

using namespace folders;

namespace {

// Forty haiku in three categories, in notebook order; the dates in the forms
// poets type them, one of them no date at all.
struct Entry
{
    const char *category;
    const char *date;
    const char *poem;
};
const Entry kForty[] = {
    {"春", "2026/03/01", "古池や蛙飛びこむ水の音"},
    {"夏", "2025/07/20", "夏草や兵どもが夢の跡"},
    {"秋", "2025/10/12", "柿くへば鐘が鳴るなり法隆寺"},
    {"春", "2026/04/05", "春の海終日のたりのたりかな"},
    {"夏", "２０２５／８／１", "閑さや岩にしみ入る蝉の声"},
    {"秋", "2025年9月30日", "名月をとってくれろと泣く子かな"},
    {"春", "2026/3/20", "菜の花や、月は東に日は西に。"},
    {"夏", "2025/06/15", "五月雨をあつめて早し最上川"},
    {"秋", "2025/11/03", "この道や行く人なしに秋の暮"},
    {"春", "2026/02/14", "やせ蛙負けるな一茶これにあり"},
    {"夏", "2025/07/01", "目には青葉山ほととぎす初鰹"},
    {"秋", "2025/10/01", "秋深き隣は何をする人ぞ"},
    {"春", "2026/01/10", "雪とけて村いっぱいの子どもかな"},
    {"夏", "2025/08/10", "やれ打つな蝿が手をすり足をする"},
    {"秋", "2025/09/15", "赤とんぼ筑波に雲もなかりけり"},
    {"春", "2026/02/01", "梅一輪一輪ほどの暖かさ"},
    {"夏", "2025/06/30", "コーヒーの湯気のむかうの夏の月"},
    {"秋", "2025/10/20", "白露や茨の刺にひとつづつ"},
    {"春", "2026/04/01", "さまざまの事思ひ出す桜かな"},
    {"夏", "2025/07/25", "涼風の曲りくねつて来たりけり"},
    {"秋", "2025/09/01", "名月や池をめぐりて夜もすがら"},
    {"春", "2026/04/10", "花の雲鐘は上野か浅草か"},
    {"夏", "2025/06/10", "さみだれや大河を前に家二軒"},
    {"秋", "2025/10/25", "石山の石より白し秋の風"},
    {"春", "2026/04/20", "ゆく春や鳥啼き魚の目は泪"},
    {"夏", "2025/05/20", "ほととぎす平安城を筋違に"},
    {"秋", "2025/09/20", "鶏頭の十四五本もありぬべし"},
    {"春", "2026/03/10", "山路来て何やらゆかしすみれ草"},
    {"夏", "2025/05/10", "若葉して御目の雫ぬぐはばや"},
    {"秋", "2025/08/30", "うつくしや障子の穴の天の川"},
    {"春", "2026/03/25", "春雨や物書かぬ身のあはれなる"},
    {"夏", "2025/05/25", "牡丹散つて打かさなりぬ二三片"},
    {"秋", "2025/10/05", "菊の香や奈良には古き仏達"},
    {"春", "2026/04/25", "遅き日のつもりて遠きむかしかな"},
    {"夏", "2025/08/05", "夕立や草葉をつかむむら雀"},
    {"秋", "2025/08/25", "稲妻や浪もてゆへる秋津しま"},
    {"春", "不明", "我と来て遊べや親のない雀"},
    {"夏", "2025/06/01", "朝顔に釣瓶とられてもらひ水"},
    {"秋", "2025/11/20", "ひやひやと壁をふまへて昼寝かな"},
    {"春", "2026/02/20", "すずめの子そこのけそこのけお馬が通る"},
};

void addHaiku(Notebook &nb, const QString &category, const QString &date, const QString &poem,
              bool locked = false)
{
    Haiku_record r;
    r.date_text = date;
    r.category = category;
    r.poem = poem;
    r.memo_no = QString::number(nb.haiku_count() + 1);
    r.locked = locked ? Haiku_record::lockedYes : QStringLiteral("NO");
    editContents(nb, [&r](NotebookContents &c) { c.haiku_list.push_back(r); });
}

void fillForty(Notebook &nb)
{
    editContents(nb, [](NotebookContents &c) {
        c.category_list = {QString(),
                           QStringLiteral("全部"),
                           QStringLiteral("春"),
                           QStringLiteral("夏"),
                           QStringLiteral("秋"),
                           QStringLiteral("冬")};
    });
    for (const Entry &e : kForty)
        addHaiku(nb, QString::fromUtf8(e.category), QString::fromUtf8(e.date), QString::fromUtf8(e.poem),
                 nb.haiku_count() == 0);
    // A memo, locked at that, never goes into a booklet.
    QVERIFY(QDir(nb.folder()).mkpath(DataFiles::memoFolder));
    QVERIFY(!nb.writeMemo(1, QStringLiteral("秘密のメモ")));
}

QStringList poemsOf(const char *category)
{
    QStringList poems;
    for (const Entry &e : kForty)
        if (QString::fromUtf8(e.category) == QString::fromUtf8(category))
            poems.append(QString::fromUtf8(e.poem));
    return poems;
}

QStringList sectionsOf(const BookletPlan &plan, const std::vector<Haiku_record> &records)
{
    QStringList out;
    for (const BookletPlan::Section &s : plan.sections) {
        QStringList dates;
        for (int i : s.records)
            dates.append(records[std::size_t(i)].date_text);
        out.append(s.category + u':' + dates.join(u' '));
    }
    return out;
}

// The booklets written into folder.
QStringList booklets(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("句集_*.pdf")});
}

// Files a write left behind: a temporary file never renamed.
QStringList leftovers(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral(".*yurimoka-*")}, QDir::Files | QDir::Hidden);
}

QString infoLine(const QString &info, const QString &key)
{
    const QRegularExpression line(QStringLiteral("^%1:[ \\t]*(.*)$").arg(key),
                                  QRegularExpression::MultilineOption);
    return line.match(info).captured(1).trimmed();
}

// The characters of a page within the text area, and those below it (the
// page number), apart.
QList<PdfChar> above(const QList<PdfChar> &chars, double foot, bool wantAbove = true)
{
    QList<PdfChar> out;
    for (const PdfChar &c : chars)
        if ((c.top < foot) == wantAbove)
            out.append(c);
    return out;
}

} // namespace

class TestBooklet : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    // numbers, dates and the plan, as pure functions
    void kanjiNumerals_data();
    void kanjiNumerals();
    void datesAsPoetsTypeThem_data();
    void datesAsPoetsTypeThem();
    void planChoosesGroupsAndOrders_data();
    void planChoosesGroupsAndOrders();
    void pagesKeepAFixedNumberOfPoems_data();
    void pagesKeepAFixedNumberOfPoems();
    void infoIsAppendedAsAnUpdate();

    // the booklet made and read back
    void bookletOfFortyReadsBackInReadingOrder();
    void pageSizesHoldTheirPoems_data();
    void pageSizesHoldTheirPoems();
    void longPoemIsSetSmallerNotCut();

    // the window
    void choicesAreKeptForNextTime();
    void badChoicesAreRefused_data();
    void badChoicesAreRefused();
    void cancelledBookletLeavesNoFile();
    void failedWriteLeavesNoFile_data();
    void failedWriteLeavesNoFile();

private:
    QTemporaryDir m_dir;
};

void TestBooklet::initTestCase()
{
    JapaneseFonts::install();
    QVERIFY(m_dir.isValid());
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty(),
             "pdftotext (poppler-utils) is needed to read the booklets back");
}

// ---- numbers, dates and the plan ----------------------------------------------

void TestBooklet::kanjiNumerals_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("expected");
    auto n = [](qint64 v) { return KanjiNumerals::number(v); };
    QTest::newRow("0") << n(0) << u"〇"_qs;
    QTest::newRow("10") << n(10) << u"十"_qs;
    QTest::newRow("12") << n(12) << u"十二"_qs;
    QTest::newRow("20") << n(20) << u"二十"_qs;
    QTest::newRow("105") << n(105) << u"百五"_qs;
    QTest::newRow("2026") << n(2026) << u"二千二十六"_qs;
    QTest::newRow("7505") << n(7505) << u"七千五百五"_qs;
    QTest::newRow("10000") << n(10000) << u"一万"_qs;
    QTest::newRow("120034") << n(120034) << u"十二万三十四"_qs;
    QTest::newRow("year digits") << KanjiNumerals::digits(2026) << u"二〇二六"_qs;
    QTest::newRow("year 2000") << KanjiNumerals::digits(2000) << u"二〇〇〇"_qs;
    QTest::newRow("date") << KanjiNumerals::date(QDate(2026, 12, 7)) << u"二〇二六年十二月七日"_qs;
}

void TestBooklet::kanjiNumerals()
{
    QFETCH(QString, written);
    QFETCH(QString, expected);
    QCOMPARE(written, expected);
}

void TestBooklet::datesAsPoetsTypeThem_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date"); // invalid: no date
    QTest::newRow("the program's own") << u"2026/12/07"_qs << QDate(2026, 12, 7);
    QTest::newRow("without zeros") << u"2026/1/5"_qs << QDate(2026, 1, 5);
    QTest::newRow("dashes") << u"2026-12-07"_qs << QDate(2026, 12, 7);
    QTest::newRow("full width") << u"２０２６／１２／０７"_qs << QDate(2026, 12, 7);
    QTest::newRow("年月日") << u"2026年12月7日"_qs << QDate(2026, 12, 7);
    QTest::newRow("blanks around") << u" 2026/12/07　"_qs << QDate(2026, 12, 7);
    QTest::newRow("no such month") << u"2026/13/01"_qs << QDate();
    QTest::newRow("no such day") << u"2026/02/30"_qs << QDate();
    QTest::newRow("a word after it") << u"2026/12/07 朝"_qs << QDate();
    QTest::newRow("an era") << u"令和8年12月7日"_qs << QDate();
    QTest::newRow("words") << u"不明"_qs << QDate();
}

void TestBooklet::datesAsPoetsTypeThem()
{
    QFETCH(QString, text);
    QFETCH(QDate, date);
    const std::optional<QDate> read = KanjiNumerals::parseDate(text);
    QCOMPARE(read.has_value(), date.isValid());
    if (read)
        QCOMPARE(*read, date);
    // At a poem's foot: in kanji when it is a date, as written otherwise.
    QCOMPARE(Booklet::footDate(text), date.isValid() ? KanjiNumerals::date(date) : text.trimmed());
}

void TestBooklet::planChoosesGroupsAndOrders_data()
{
    QTest::addColumn<QString>("category");
    QTest::addColumn<bool>("byDate");
    QTest::addColumn<QDate>("from"); // invalid: no range
    QTest::addColumn<QDate>("to");
    QTest::addColumn<QStringList>("sections"); // category: the dates of its haiku, in order
    const QDate none;
    QTest::newRow("all, notebook order, by the categories' own order")
        << u"全部"_qs << false << none << none
        << QStringList{u"春:2026/03/01 不明 2026/01/01"_qs, u"夏:2025/07/20"_qs, u"作者より:2024/05/01"_qs};
    QTest::newRow("all, by date, undated last")
        << u"全部"_qs << true << none << none
        << QStringList{u"春:2026/01/01 2026/03/01 不明"_qs, u"夏:2025/07/20"_qs, u"作者より:2024/05/01"_qs};
    QTest::newRow("one category") << u"春"_qs << false << none << none
                                  << QStringList{u"春:2026/03/01 不明 2026/01/01"_qs};
    QTest::newRow("a range keeps only dated haiku inside it, both ends included")
        << u"全部"_qs << false << QDate(2025, 7, 20) << QDate(2026, 1, 1)
        << QStringList{u"春:2026/01/01"_qs, u"夏:2025/07/20"_qs};
    QTest::newRow("a category without haiku") << u"冬"_qs << false << none << none << QStringList{};
}

void TestBooklet::planChoosesGroupsAndOrders()
{
    QFETCH(QString, category);
    QFETCH(bool, byDate);
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(QStringList, sections);
    Notebook nb(m_dir.path());
    addHaiku(nb, u"春"_qs, u"2026/03/01"_qs, u"一"_qs);
    addHaiku(nb, u"作者より"_qs, u"2024/05/01"_qs, u"二"_qs); // a category not in the list
    addHaiku(nb, u"春"_qs, u"不明"_qs, u"三"_qs);
    addHaiku(nb, u"夏"_qs, u"2025/07/20"_qs, u"四"_qs);
    addHaiku(nb, u"春"_qs, u"2026/01/01"_qs, u"五"_qs);
    ProgramSettings::Booklet choice;
    choice.category = category;
    choice.byDate = byDate;
    choice.dateRange = from.isValid();
    choice.from = from;
    choice.to = to;
    const QStringList categories{u"全部"_qs, u"春"_qs, u"夏"_qs, u"冬"_qs};
    const BookletPlan plan = BookletPlan::make(nb.records(), categories, choice);
    QCOMPARE(sectionsOf(plan, nb.records()), sections);
    QCOMPARE(plan.headings(), sections.size() > 1);
}

void TestBooklet::pagesKeepAFixedNumberOfPoems_data()
{
    QTest::addColumn<QList<int>>("sectionSizes");
    QTest::addColumn<int>("perPage");
    QTest::addColumn<QStringList>("pages"); // "H" a heading, a number a poem's record; by place
    QTest::newRow("one category: no heading, full pages")
        << QList<int>{9} << 4 << QStringList{u"1 2 3 4"_qs, u"5 6 7 8"_qs, u"9"_qs};
    QTest::newRow("one category filling its pages exactly")
        << QList<int>{8} << 4 << QStringList{u"1 2 3 4"_qs, u"5 6 7 8"_qs};
    QTest::newRow("three categories: each on a page of its own, under its heading")
        << QList<int>{5, 1, 4} << 4 << QStringList{u"H 1 2 3 4"_qs, u"_ 5"_qs, u"H 6"_qs, u"H 7 8 9 10"_qs};
}

void TestBooklet::pagesKeepAFixedNumberOfPoems()
{
    QFETCH(QList<int>, sectionSizes);
    QFETCH(int, perPage);
    QFETCH(QStringList, pages);
    BookletPlan plan;
    int record = 0;
    for (int size : sectionSizes) {
        BookletPlan::Section s;
        for (int i = 0; i < size; ++i)
            s.records.push_back(++record);
        plan.sections.push_back(s);
    }
    const BookletLayout layout = BookletLayout::paginate(plan, perPage);
    QCOMPARE(layout.placesPerPage, perPage + (plan.headings() ? 1 : 0));
    QStringList drawn;
    for (const BookletLayout::Page &page : layout.pages) {
        // Each page as its places read from the right, "_" for an empty one.
        QStringList places(layout.placesPerPage, u"_"_qs);
        for (const BookletLayout::Column &c : page)
            places[c.place] = c.heading ? u"H"_qs : QString::number(c.record);
        while (!places.isEmpty() && places.last() == u"_"_qs)
            places.removeLast();
        drawn.append(places.join(u' '));
    }
    QCOMPARE(drawn, pages);

    // The places share the width from the right.
    const QRectF area(100, 50, 1000, 800);
    QCOMPARE(BookletLayout::columnRect(area, 5, 0, 20).center().x(), 1100 - 100.0);
    QCOMPARE(BookletLayout::columnRect(area, 5, 4, 20).center().x(), 100 + 100.0);
    QCOMPARE(BookletLayout::columnRect(area, 5, 2, 20).height(), 800.0);
}

void TestBooklet::infoIsAppendedAsAnUpdate()
{
    // A file whose end is not a trailer we understand is left alone.
    QVERIFY(!PdfInfo::withInfo(QByteArray("%PDF-1.4\nnot a pdf\n"), {}));
    QVERIFY(!PdfInfo::withInfo(QByteArray("%PDF-1.4\ntrailer\n<<\n/Size 3\n>>\nstartxref\n9\n%%EOF\n"), {}));
}

// ---- the booklet made and read back --------------------------------------------

void TestBooklet::bookletOfFortyReadsBackInReadingOrder()
{
    QTemporaryDir folder;
    Notebook nb(folder.path());
    fillForty(nb);
    MessageRecorder messages;
    messages.answers = {MessageBoxes::Answer::No};
    F_kushu window(nullptr, nb);
    // The defaults: 全部, notebook order, A5, dates on.
    ctl<QLineEdit>(window, "Text1")->setText(u"四季の句「抄」"_qs);
    ctl<QLineEdit>(window, "Text2")->setText(u"山田 花子"_qs);
    window.Command1_Click();

    QCOMPARE(booklets(folder.path()).size(), 1);
    const QString pdf = folder.filePath(booklets(folder.path())[0]);
    QVERIFY(QRegularExpression(u"/句集_\\d{4}-\\d\\d-\\d\\d_\\d{4}\\.pdf$"_qs).match(pdf).hasMatch());
    QCOMPARE(window.written(), std::optional<QString>(pdf));
    QCOMPARE(messages.shown.size(), 1);
    // 14 + 13 + 13 poems, 4 a page, each category on pages of its own: 4 + 4 + 4, and the title page.
    QCOMPARE(messages.shown[0].text,
             u"句集を作りました（40句、13ページ）。\n%1\n\nこのPDFファイルを開きますか？"_qs.arg(pdf));

    // The metadata, the pages and the fonts.
    QProcess info;
    info.start(u"pdfinfo"_qs, {pdf});
    QVERIFY(info.waitForFinished(60000));
    const QString said = QString::fromUtf8(info.readAllStandardOutput());
    QCOMPARE(QString::fromUtf8(info.readAllStandardError()), QString()); // no damage found
    QCOMPARE(infoLine(said, u"Title"_qs), u"四季の句「抄」"_qs);
    QCOMPARE(infoLine(said, u"Author"_qs), u"山田 花子"_qs);
    QCOMPARE(infoLine(said, u"Creator"_qs), u"ユリモカ"_qs);
    QCOMPARE(infoLine(said, u"Pages"_qs), u"13"_qs);
    QVERIFY2(infoLine(said, u"Page size"_qs).contains(u"(A5)"_qs), qPrintable(said));
    const QStringList fontLines = fontsOf(pdf).split(u'\n', Qt::SkipEmptyParts).mid(2);
    QVERIFY(!fontLines.isEmpty());
    for (const QString &line : fontLines) {
        QVERIFY2(line.contains(u" yes "_qs), qPrintable(line)); // embedded
        QVERIFY2(!line.contains(u"Type 3"_qs), qPrintable(line));
    }
    QVERIFY(fontsOf(pdf).contains(u"IPAMincho"_qs));

    // Read right to left, each column from the top: the title page, then
    // each category under its heading, four poems a page, each poem with
    // its date in kanji below it; the page number at the foot.
    const QList<QList<PdfChar>> pages = readChars(pdf);
    QCOMPARE(pages.size(), 13);
    const double foot = 595 - 62; // the bottom margin: 22 mm
    QCOMPARE(textsOf(columnsOf(pages[0], 28)), (QStringList{u"四季の句「抄」"_qs, u"山田花子"_qs}));
    QVERIFY(above(pages[0], foot, false).isEmpty()); // no number on the title page
    QStringList expected;
    int page = 1;
    QStringList read;
    for (const char *category : {"春", "夏", "秋"}) {
        QStringList poems = poemsOf(category);
        for (qsizetype i = 0; i < poems.size(); ++i) {
            if (i % 4 == 0) {
                read += textsOf(columnsOf(above(pages[page], foot)));
                QCOMPARE(textsOf(columnsOf(above(pages[page], foot, false))),
                         QStringList{KanjiNumerals::number(page)});
                ++page;
            }
            if (i == 0)
                expected.append(QString::fromUtf8(category));
            QString date;
            for (const Entry &e : kForty)
                if (QString::fromUtf8(e.poem) == poems[i])
                    date = Booklet::footDate(QString::fromUtf8(e.date));
            expected.append(poems[i] + date);
        }
    }
    QCOMPARE(page, 13);
    QCOMPARE(read, expected);
    QVERIFY(expected.contains(u"菜の花や、月は東に日は西に。二〇二六年三月二十日"_qs));
    QVERIFY(expected.contains(u"我と来て遊べや親のない雀不明"_qs));
    // The date is set smaller than the poem.
    const QList<PdfChar> second = above(pages[1], foot);
    const auto widest = std::max_element(
        second.begin(), second.end(), [](const PdfChar &a, const PdfChar &b) { return a.width < b.width; });
    for (const PdfChar &c : second)
        if (c.text == u"〇"_qs)
            QVERIFY(c.width < widest->width * 0.7);
    // Memos are not part of a booklet.
    QVERIFY(!runTool(u"pdftotext"_qs, {pdf, u"-"_qs}).contains(u"秘密"_qs));
}

void TestBooklet::pageSizesHoldTheirPoems_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("points");
    QTest::addColumn<int>("perPage");
    QTest::newRow("A5") << int(ProgramSettings::PageSize::A5) << u"420 x 595"_qs << 4;
    QTest::newRow("B6 (JIS)") << int(ProgramSettings::PageSize::B6) << u"363 x 516"_qs << 3;
    QTest::newRow("A4") << int(ProgramSettings::PageSize::A4) << u"595 x 842"_qs << 6;
}

void TestBooklet::pageSizesHoldTheirPoems()
{
    QFETCH(int, size);
    QFETCH(QString, points);
    QFETCH(int, perPage);
    Notebook nb(m_dir.path());
    fillForty(nb);
    ProgramSettings::Booklet choice;
    choice.category = u"夏"_qs;
    choice.pageSize = ProgramSettings::PageSize(size);
    choice.withDates = false;
    const BookletPlan plan = BookletPlan::make(nb.records(), {u"全部"_qs, u"夏"_qs}, choice);
    const auto made = Booklet::make(plan, nb.records(), choice, QDateTime::currentDateTime());
    QVERIFY(made);
    const QString pdf = m_dir.filePath(u"size%1.pdf"_qs.arg(size));
    QVERIFY(put(pdf, made->pdf));
    const int poemPages = (13 + perPage - 1) / perPage;
    QCOMPARE(made->pages, 1 + poemPages);
    const QString info = runTool(u"pdfinfo"_qs, {pdf});
    QVERIFY2(infoLine(info, u"Page size"_qs).startsWith(points), qPrintable(info));
    QCOMPARE(infoLine(info, u"Pages"_qs), QString::number(made->pages));
    QCOMPARE(infoLine(info, u"Author"_qs), QString()); // no poet given
}

void TestBooklet::longPoemIsSetSmallerNotCut()
{
    Notebook nb(m_dir.path());
    const QString longPoem = QString(60, QChar(u'あ')) + u"終"_qs;
    addHaiku(nb, u"春"_qs, u"2026/12/07"_qs, longPoem);
    ProgramSettings::Booklet choice;
    const auto made = Booklet::make(BookletPlan::make(nb.records(), {u"全部"_qs}, choice), nb.records(),
                                    choice, QDateTime::currentDateTime());
    QVERIFY(made);
    const QString pdf = m_dir.filePath(u"long.pdf"_qs);
    QVERIFY(put(pdf, made->pdf));
    const QList<PdfColumn> columns = columnsOf(above(readChars(pdf).value(1), 595 - 62));
    QCOMPARE(textsOf(columns), QStringList{longPoem + u"二〇二六年十二月七日"_qs});
}

// ---- the window --------------------------------------------------------------

void TestBooklet::choicesAreKeptForNextTime()
{
    QTemporaryDir folder;
    Notebook nb(folder.path());
    fillForty(nb);
    MessageRecorder messages;
    messages.answers = {MessageBoxes::Answer::No};
    {
        F_kushu window(nullptr, nb);
        ctl<QComboBox>(window, "Combo1")->setCurrentText(u"秋"_qs);
        ctl<QCheckBox>(window, "Check1")->click();
        ctl<QDateEdit>(window, "Date1")->setDate(QDate(2025, 9, 1));
        ctl<QDateEdit>(window, "Date2")->setDate(QDate(2025, 9, 30));
        ctl<QRadioButton>(window, "Option2")->setChecked(true);
        ctl<QComboBox>(window, "Combo2")->setCurrentIndex(2);
        ctl<QLineEdit>(window, "Text1")->setText(u"秋の句"_qs);
        ctl<QLineEdit>(window, "Text2")->setText(u"花子"_qs);
        ctl<QCheckBox>(window, "Check2")->setChecked(false);
        window.Command1_Click();
        // 名月をとって… (9/30), 名月や (9/1), 赤とんぼ (9/15), 鶏頭 (9/20), by date.
        QCOMPARE(messages.shown.size(), 1);
        QVERIFY2(messages.shown[0].text.startsWith(u"句集を作りました（4句、2ページ）。"_qs),
                 qPrintable(messages.shown[0].text));
        const QString pdf = *window.written();
        QCOMPARE(textsOf(columnsOf(above(readChars(pdf).value(1), 842 - 70))),
                 (QStringList{u"名月や池をめぐりて夜もすがら"_qs, u"赤とんぼ筑波に雲もなかりけり"_qs,
                              u"鶏頭の十四五本もありぬべし"_qs, u"名月をとってくれろと泣く子かな"_qs}));
    }
    QVERIFY(!QFileInfo::exists(folder.filePath(u"haiku.ini"_qs)));
    F_kushu again(nullptr, nb);
    QCOMPARE(ctl<QComboBox>(again, "Combo1")->currentText(), u"秋"_qs);
    QVERIFY(ctl<QCheckBox>(again, "Check1")->isChecked());
    QCOMPARE(ctl<QDateEdit>(again, "Date1")->date(), QDate(2025, 9, 1));
    QCOMPARE(ctl<QDateEdit>(again, "Date2")->date(), QDate(2025, 9, 30));
    QVERIFY(ctl<QRadioButton>(again, "Option2")->isChecked());
    QCOMPARE(ctl<QComboBox>(again, "Combo2")->currentIndex(), 2);
    QCOMPARE(ctl<QLineEdit>(again, "Text1")->text(), u"秋の句"_qs);
    QCOMPARE(ctl<QLineEdit>(again, "Text2")->text(), u"花子"_qs);
    QVERIFY(!ctl<QCheckBox>(again, "Check2")->isChecked());

    // A category gone since then gives way to 全部.
    editContents(nb, [](NotebookContents &c) { c.category_list.resize(c.category_list.size() - 2); });
    F_kushu gone(nullptr, nb);
    QCOMPARE(ctl<QComboBox>(gone, "Combo1")->currentText(), u"全部"_qs);
}

void TestBooklet::badChoicesAreRefused_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("category");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<QString>("message");
    QTest::newRow("no title") << u"　 "_qs << u"全部"_qs << QDate() << QDate()
                              << u"題名を入力して下さい。"_qs;
    QTest::newRow("a range the wrong way round")
        << u"句集"_qs << u"全部"_qs << QDate(2026, 2, 1) << QDate(2026, 1, 31)
        << u"日付の範囲が正しくありません。始めの日付を、終わりの日付と同じかそれより前にして下さい。"_qs;
    QTest::newRow("a category without haiku")
        << u"句集"_qs << u"冬"_qs << QDate() << QDate()
        << u"選んだ条件に合う句がありません。句集は作られませんでした。"_qs;
    QTest::newRow("a range nothing is dated in")
        << u"句集"_qs << u"全部"_qs << QDate(2030, 1, 1) << QDate(2030, 12, 31)
        << u"選んだ条件に合う句がありません。句集は作られませんでした。"_qs;
}

void TestBooklet::badChoicesAreRefused()
{
    QFETCH(QString, title);
    QFETCH(QString, category);
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(QString, message);
    QTemporaryDir folder;
    Notebook nb(folder.path());
    fillForty(nb);
    MessageRecorder messages;
    F_kushu window(nullptr, nb);
    ctl<QLineEdit>(window, "Text1")->setText(title);
    ctl<QComboBox>(window, "Combo1")->setCurrentText(category);
    if (from.isValid()) {
        ctl<QCheckBox>(window, "Check1")->click();
        ctl<QDateEdit>(window, "Date1")->setDate(from);
        ctl<QDateEdit>(window, "Date2")->setDate(to);
    }
    window.Command1_Click();
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown[0].text, message);
    QVERIFY(booklets(folder.path()).isEmpty());
    QVERIFY(!window.written());
    // Nothing is kept of a refused choice.
    QVERIFY(!QFileInfo::exists(folder.filePath(u"yurimoka.ini"_qs)));
}

void TestBooklet::cancelledBookletLeavesNoFile()
{
    // Given up from the progress callback, nothing is made.
    Notebook small(m_dir.path());
    fillForty(small);
    ProgramSettings::Booklet choice;
    int calls = 0;
    QVERIFY(!Booklet::make(BookletPlan::make(small.records(), {u"全部"_qs}, choice), small.records(), choice,
                           QDateTime::currentDateTime(), [&](int done) {
                               ++calls;
                               return done < 8;
                           }));
    QCOMPARE(calls, 2);

    // In the window: a notebook large enough for the progress window to
    // show, and 中止 pressed in it.
    QTemporaryDir folder;
    Notebook nb(folder.path());
    editContents(nb, [](NotebookContents &c) { c.category_list = {QString(), u"全部"_qs}; });
    for (int i = 0; i < 6000; ++i)
        addHaiku(nb, u"春"_qs, u"2026/12/07"_qs, u"古池や蛙飛びこむ水の音"_qs);
    MessageRecorder messages;
    F_kushu window(nullptr, nb);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QString progressLabel;
    QTimer poll;
    connect(&poll, &QTimer::timeout, &window, [&] {
        auto *progress = window.findChild<QProgressDialog *>(u"Progress1"_qs);
        if (!progress || !progress->isVisible())
            return;
        progressLabel = progress->labelText();
        for (QPushButton *b : progress->findChildren<QPushButton *>())
            if (b->text() == u"中止"_qs)
                b->click();
    });
    poll.start(20);
    window.Command1_Click();
    poll.stop();
    QVERIFY2(progressLabel.startsWith(u"句集を作っています… "_qs), qPrintable(progressLabel));
    QVERIFY(progressLabel.endsWith(u" / 6000 句"_qs));
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown[0].text, u"句集の作成を中止しました。ファイルは作られていません。"_qs);
    QVERIFY(booklets(folder.path()).isEmpty());
    QVERIFY(leftovers(folder.path()).isEmpty());
    QVERIFY(!window.written());
    QVERIFY(window.isVisible()); // the poet may choose again
}

void TestBooklet::failedWriteLeavesNoFile_data()
{
    QTest::addColumn<bool>("full");
    QTest::newRow("a full disk") << true;
    QTest::newRow("a read-only disk") << false;
}

void TestBooklet::failedWriteLeavesNoFile()
{
    QFETCH(bool, full);
    SmallDisk disk("size=256k");
    if (!disk.ok())
        QSKIP(qPrintable(disk.reason()));
    Notebook nb(disk.path());
    fillForty(nb);
    QVERIFY(full ? disk.fill() : disk.makeReadOnly());
    MessageRecorder messages;
    F_kushu window(nullptr, nb);
    window.Command1_Click();
    QCOMPARE(messages.shown.size(), 1);
    const MessageBoxes::Request said = messages.shown[0];
    QCOMPARE(said.icon, MessageBoxes::Icon::Critical);
    QVERIFY2(said.text.startsWith(u"句集「%1/句集_"_qs.arg(disk.path())), qPrintable(said.text));
    QVERIFY2(said.text.endsWith(full ? u"ディスクの空き容量が足りません。\nファイルは作られていません。"_qs
                                     : u"保存先が読み取り専用のディスク（ファイルシステム）です。\n"
                                       u"ファイルは作られていません。"_qs),
             qPrintable(said.text));
    QVERIFY(booklets(disk.path()).isEmpty());
    QVERIFY(leftovers(disk.path()).isEmpty());
    QVERIFY(!window.written());
}

QTEST_MAIN(TestBooklet)
#include "tst_booklet.moc"
