#include "store/Notebook.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <random>

namespace {

const QDateTime kNow(QDate(2026, 12, 7), QTime(9, 30, 15));

Haiku_record haiku(const QString &category, const QString &poem, int memoNo, const QString &locked = u"NO"_qs)
{
    return {
        u"2026/12/07"_qs,        category, poem, QStringLiteral(" %1 ").arg(memoNo), u"c6/12/07 09:30:15"_qs,
        u"c6/12/07 09:30:15"_qs, locked};
}

// The memo numbers of the records in notebook order: each names its haiku.
QList<int> order(const Notebook &nb)
{
    QList<int> numbers;
    for (std::size_t i = 1; i < nb.haiku_list.size(); ++i)
        numbers << nb.haiku_list[i].memo_no.trimmed().toInt();
    return numbers;
}

// The memo numbers of the rows shown.
QList<int> rows(const Notebook &nb)
{
    QList<int> numbers;
    for (int r = 1; r <= nb.shown_count; ++r)
        numbers << int(nb.row_memo_no[std::size_t(r)]);
    return numbers;
}

// Every shown row, its arrays and its record agree, and the empty row holds nothing.
void rowsInStep(const Notebook &nb)
{
    const std::vector<int> &index = nb.shownIndex();
    QCOMPARE(index.size(), std::size_t(nb.shown_count + 2));
    QVERIFY(nb.row_memo_no.size() >= index.size());
    for (int r = 1; r <= nb.shown_count; ++r) {
        const Haiku_record &h = nb.haiku_list[std::size_t(index[std::size_t(r)])];
        QCOMPARE(nb.row_poem[std::size_t(r)], h.poem);
        QCOMPARE(nb.row_locked[std::size_t(r)], h.locked);
        QCOMPARE(nb.row_memo_no[std::size_t(r)], qint64(h.memo_no.trimmed().toInt()));
        if (r > 1)
            QVERIFY(index[std::size_t(r - 1)] < index[std::size_t(r)]);
    }
    QCOMPARE(index[std::size_t(nb.shown_count + 1)], 0);
    QCOMPARE(nb.row_memo_no[std::size_t(nb.shown_count + 1)], qint64(0));
}

// The records a rebuild must show, found the plain way.
std::vector<int> expectedRows(const Notebook &nb, const QString &category, const QString &keyword)
{
    std::vector<int> index{0};
    for (std::size_t i = 1; i < nb.haiku_list.size(); ++i) {
        const Haiku_record &h = nb.haiku_list[i];
        if ((category == Notebook::allCategories || h.category == category) && h.poem.contains(keyword))
            index.push_back(int(i));
    }
    index.push_back(0);
    return index;
}

// The history as twenty texts.
QStringList history(const Notebook &nb)
{
    QStringList h;
    for (int i = 0; i < kKeywordSlots; ++i)
        h << nb.keyword_list[std::size_t(i)];
    return h;
}

QStringList twenty(QStringList front)
{
    while (front.size() < kKeywordSlots)
        front << QString();
    return front;
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestFinding : public QObject
{
    Q_OBJECT

private slots:
    void typedKeywordsArePushedInFront()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        nb.rememberKeyword(u"月"_qs, Notebook::keywordTyped);
        nb.rememberKeyword(u"月"_qs, Notebook::keywordTyped);
        // the same word typed twice is two entries; the lines never filled stay empty
        QCOMPARE(history(nb), twenty({u"月"_qs, u"月"_qs}));
        // an empty keyword is a keyword like any other
        nb.rememberKeyword(QString(), Notebook::keywordTyped);
        QCOMPARE(history(nb), twenty({QString(), u"月"_qs, u"月"_qs}));

        // twenty-one typed keywords: the first has dropped out, the rest are newest first
        Notebook full(dir.path());
        for (int i = 1; i <= 21; ++i)
            full.rememberKeyword(QStringLiteral("語%1").arg(i), Notebook::keywordTyped);
        QStringList expected;
        for (int i = 21; i >= 2; --i)
            expected << QStringLiteral("語%1").arg(i);
        QCOMPARE(history(full), expected);
        QVERIFY(full.keyword_list[kKeywordSlots].isEmpty()); // the spare slot is never used
    }

    void pickedKeywordMovesToTheFront_data()
    {
        QTest::addColumn<int>("picked");
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QStringList>("expected");
        // The history before: 語0 .. 語19 in slots 0 .. 19.
        auto numbered = [](std::initializer_list<int> numbers) {
            QStringList l;
            for (int n : numbers)
                l << QStringLiteral("語%1").arg(n);
            return l;
        };
        QTest::newRow("line 5") << 5 << u"語5"_qs << numbered({5,  0,  1,  2,  3,  4,  6,  7,  8,  9,
                                                               10, 11, 12, 13, 14, 15, 16, 17, 18, 19});
        QTest::newRow("line 5 with another text")
            << 5 << u"別"_qs
            << QStringList{u"別"_qs} +
                   numbered({0, 1, 2, 3, 4, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19});
        QTest::newRow("line 0 is replaced")
            << 0 << u"新"_qs
            << QStringList{u"新"_qs} +
                   numbered({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19});
        QTest::newRow("the last line")
            << 19 << u"語19"_qs
            << numbered({19, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18});
        QTest::newRow("typed") << int(Notebook::keywordTyped) << u"語5"_qs
                               << numbered(
                                      {5, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18});
        QTest::newRow("no such line: typed")
            << 20 << u"新"_qs
            << QStringList{u"新"_qs} +
                   numbered({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18});
    }

    void pickedKeywordMovesToTheFront()
    {
        QFETCH(int, picked);
        QFETCH(QString, keyword);
        QFETCH(QStringList, expected);
        QTemporaryDir dir;
        Notebook nb(dir.path());
        for (int i = 0; i < kKeywordSlots; ++i)
            nb.keyword_list[std::size_t(i)] = QStringLiteral("語%1").arg(i);
        nb.rememberKeyword(keyword, picked);
        QCOMPARE(history(nb), expected);
        QVERIFY(nb.keyword_list[kKeywordSlots].isEmpty());
    }

    void keywordMatchesExactly_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QList<int>>("found");
        QTest::newRow("empty: everything in order") << QString() << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9};
        QTest::newRow("inside the poem") << u"池や蛙"_qs << QList<int>{1};
        QTest::newRow("not contiguous") << u"古池蛙"_qs << QList<int>{};
        QTest::newRow("hiragana finds no katakana") << u"ふるいけ"_qs << QList<int>{2};
        QTest::newRow("katakana finds no hiragana") << u"フルイケ"_qs << QList<int>{3};
        QTest::newRow("lower case") << u"haiku"_qs << QList<int>{5};
        QTest::newRow("upper case") << u"Haiku"_qs << QList<int>{4};
        QTest::newRow("full width") << u"ＨＡＩＫＵ"_qs << QList<int>{6};
        QTest::newRow("half-width kana") << u"ｷｰﾜｰﾄﾞ"_qs << QList<int>{7};
        QTest::newRow("full-width kana") << u"キーワード"_qs << QList<int>{8};
        QTest::newRow("a trailing blank is kept") << u"moon "_qs << QList<int>{};
        QTest::newRow("a blank inside") << u"u m"_qs << QList<int>{4};
        QTest::newRow("the whole poem") << u"Haiku moon"_qs << QList<int>{4};
        QTest::newRow("longer than every poem") << u"古池や蛙飛びこむ水の音がする"_qs << QList<int>{};
        QTest::newRow("several") << u"の"_qs << QList<int>{1, 9};
    }

    void keywordMatchesExactly()
    {
        QFETCH(QString, keyword);
        QFETCH(QList<int>, found);
        QTemporaryDir dir;
        Notebook nb(dir.path());
        const QString c = u"好きな句（春）"_qs;
        nb.haiku_list = {{},
                         haiku(c, u"古池や蛙飛びこむ水の音"_qs, 1),
                         haiku(c, u"ふるいけ"_qs, 2),
                         haiku(c, u"フルイケ"_qs, 3, u"YES"_qs),
                         haiku(c, u"Haiku moon"_qs, 4),
                         haiku(c, u"haiku Moon"_qs, 5),
                         haiku(c, u"ＨＡＩＫＵ"_qs, 6),
                         haiku(c, u"ｷｰﾜｰﾄﾞ"_qs, 7),
                         haiku(c, u"キーワード"_qs, 8),
                         haiku(c, u"秋の暮"_qs, 9)};
        nb.rebuildShown(Notebook::allCategories); // a full list first, so that stale rows would show
        nb.rebuildShown(Notebook::allCategories, keyword);
        QCOMPARE(rows(nb), found);
        rowsInStep(nb);
        // the same through a category
        nb.rebuildShown(c, keyword);
        QCOMPARE(rows(nb), found);
        rowsInStep(nb);
    }

    void searchSeesEveryChangeToThePoems()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        const QString all = Notebook::allCategories;
        nb.haiku_list = {{},
                         haiku(u"c"_qs, u"秋の月"_qs, 1),
                         haiku(u"c"_qs, u"花の雪"_qs, 2),
                         haiku(u"c"_qs, u"月"_qs, 3)};
        nb.rebuildShown(all, u"月"_qs);
        QCOMPARE(rows(nb), (QList<int>{1, 3}));

        nb.haiku_list[2].poem.append(u"月"_qs); // changed where it stands
        nb.rebuildShown(all, u"月"_qs);
        QCOMPARE(rows(nb), (QList<int>{1, 2, 3}));
        nb.haiku_list[1].poem[2] = u'海'; // one character, in place
        nb.rebuildShown(all, u"月"_qs);
        QCOMPARE(rows(nb), (QList<int>{2, 3}));
        nb.haiku_list[3].poem = nb.haiku_list[1].poem; // another record's very string
        nb.rebuildShown(all, u"月"_qs);
        QCOMPARE(rows(nb), QList<int>{2});

        nb.haiku_list.insert(nb.haiku_list.begin() + 1, haiku(u"c"_qs, u"月の出"_qs, 4));
        nb.rebuildShown(all, u"月"_qs);
        QCOMPARE(rows(nb), (QList<int>{4, 2}));
        nb.haiku_list.erase(nb.haiku_list.begin() + 1);
        nb.haiku_list.push_back(haiku(u"c"_qs, u"夕月"_qs, 5));
        nb.rebuildShown(all, u"月"_qs);
        QCOMPARE(rows(nb), (QList<int>{2, 5}));
        nb.haiku_list = {{}, haiku(u"c"_qs, u"夕月"_qs, 6)};
        nb.rebuildShown(all, u"月"_qs);
        QCOMPARE(rows(nb), QList<int>{6});
        nb.haiku_list = {{}};
        nb.rebuildShown(all, u"月"_qs);
        QCOMPARE(nb.shown_count, 0);
        rowsInStep(nb);
    }

    void keywordNeverRunsFromOnePoemIntoTheNext()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        const QString all = Notebook::allCategories;
        nb.haiku_list = {{},
                         haiku(u"c"_qs, u"秋の月"_qs, 1),
                         haiku(u"c"_qs, u"花の雪"_qs, 2),
                         haiku(u"c"_qs, QString(), 3),
                         haiku(u"c"_qs, u"月\n花"_qs, 4), // a line break typed into memory somehow
                         haiku(u"c"_qs, u"月月月"_qs, 5)};
        nb.rebuildShown(all, u"月\n花"_qs);
        QCOMPARE(rows(nb), QList<int>{4});
        nb.rebuildShown(all, u"\n"_qs);
        QCOMPARE(rows(nb), QList<int>{4});
        nb.rebuildShown(all, u"月"_qs); // several times in one poem: one row
        QCOMPARE(rows(nb), (QList<int>{1, 4, 5}));
        nb.rebuildShown(all, u"月月月"_qs); // the whole of the last poem
        QCOMPARE(rows(nb), QList<int>{5});
        nb.rebuildShown(all, u"月月月月"_qs);
        QCOMPARE(nb.shown_count, 0);
    }

    void categoryAndKeywordTogether()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        nb.haiku_list = {{},
                         haiku(u"春"_qs, u"春の月"_qs, 1),
                         haiku(u"秋"_qs, u"秋の月"_qs, 2),
                         haiku(u"春"_qs, u"春の海"_qs, 3),
                         haiku(u"春 "_qs, u"春の月夜"_qs, 4),
                         haiku(u"春"_qs, u"朧月"_qs, 5)};
        nb.rebuildShown(u"春"_qs, u"月"_qs);
        QCOMPARE(rows(nb), (QList<int>{1, 5}));
        rowsInStep(nb);
        nb.rebuildShown(u"春"_qs);
        QCOMPARE(rows(nb), (QList<int>{1, 3, 5}));
        // nothing found: only the empty row, holding no haiku
        nb.rebuildShown(u"秋"_qs, u"海"_qs);
        QCOMPARE(nb.shown_count, 0);
        rowsInStep(nb);
    }

    void moveUpAndDownUnfiltered()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        const QString all = Notebook::allCategories;
        auto abc = [&] {
            nb.haiku_list = {
                {}, haiku(u"c"_qs, u"A"_qs, 1), haiku(u"c"_qs, u"B"_qs, 2), haiku(u"c"_qs, u"C"_qs, 3)};
            nb.rebuildShown(all);
        };

        abc();
        Notebook::Move m = nb.moveUp(2, all, QString());
        QVERIFY(m.moved && m.stillShown);
        QCOMPARE(m.row, 1);
        QCOMPARE(order(nb), (QList<int>{2, 1, 3}));
        QCOMPARE(rows(nb), (QList<int>{2, 1, 3}));
        QCOMPARE(nb.found_index, 1);
        rowsInStep(nb);

        abc();
        m = nb.moveDown(2, all, QString());
        QVERIFY(m.moved && m.stillShown);
        QCOMPARE(m.row, 3);
        QCOMPARE(order(nb), (QList<int>{1, 3, 2}));
        QCOMPARE(rows(nb), (QList<int>{1, 3, 2}));
        QCOMPARE(nb.found_index, 3);
        rowsInStep(nb);

        // and back again
        m = nb.moveUp(3, all, QString());
        QCOMPARE(m.row, 2);
        QCOMPARE(order(nb), (QList<int>{1, 2, 3}));
    }

    void filteredMoveGoesPastTheShownNeighbour()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        const QString c = u"好きな句（春）"_qs;
        // A, X, C with X hidden by the category
        auto axc = [&] {
            nb.haiku_list = {
                {}, haiku(c, u"A"_qs, 1), haiku(u"推敲未完"_qs, u"X"_qs, 2), haiku(c, u"C"_qs, 3)};
            nb.rebuildShown(c);
        };
        axc();
        Notebook::Move m = nb.moveUp(2, c, QString());
        QVERIFY(m.moved && m.stillShown);
        QCOMPARE(order(nb), (QList<int>{3, 1, 2})); // C, A, X
        QCOMPARE(rows(nb), (QList<int>{3, 1}));
        QCOMPARE(m.row, 1);
        rowsInStep(nb);

        axc();
        m = nb.moveDown(1, c, QString());
        QCOMPARE(order(nb), (QList<int>{2, 3, 1})); // X, C, A
        QCOMPARE(rows(nb), (QList<int>{3, 1}));
        QCOMPARE(m.row, 2);

        // Hidden by the keyword: the block of hidden haiku keeps its order.
        nb.haiku_list = {{},
                         haiku(c, u"月一"_qs, 1),
                         haiku(c, u"花"_qs, 2),
                         haiku(c, u"雪"_qs, 3),
                         haiku(c, u"月二"_qs, 4),
                         haiku(c, u"風"_qs, 5)};
        nb.rebuildShown(Notebook::allCategories, u"月"_qs);
        m = nb.moveUp(2, Notebook::allCategories, u"月"_qs);
        QCOMPARE(order(nb), (QList<int>{4, 1, 2, 3, 5}));
        QCOMPARE(rows(nb), (QList<int>{4, 1}));
        QCOMPARE(m.row, 1);
        // down again goes past the neighbour only: the hidden block stays behind
        m = nb.moveDown(1, Notebook::allCategories, u"月"_qs);
        QCOMPARE(order(nb), (QList<int>{1, 4, 2, 3, 5}));
        QCOMPARE(m.row, 2);
    }

    void moveWithoutANeighbourDoesNothing_data()
    {
        QTest::addColumn<bool>("up");
        QTest::addColumn<int>("row");
        QTest::newRow("up on row 1") << true << 1;
        QTest::newRow("down on the last row") << false << 3;
        QTest::newRow("up on the empty row") << true << 4;
        QTest::newRow("down on the empty row") << false << 4;
        QTest::newRow("up on the heading") << true << 0;
        QTest::newRow("down on the heading") << false << 0;
        QTest::newRow("below the list") << true << 9;
        QTest::newRow("above the list") << false << -1;
    }

    void moveWithoutANeighbourDoesNothing()
    {
        QFETCH(bool, up);
        QFETCH(int, row);
        QTemporaryDir dir;
        Notebook nb(dir.path());
        nb.haiku_list = {
            {}, haiku(u"c"_qs, u"A"_qs, 1), haiku(u"c"_qs, u"B"_qs, 2), haiku(u"c"_qs, u"C"_qs, 3)};
        nb.rebuildShown(Notebook::allCategories);
        const std::vector<Haiku_record> before = nb.haiku_list;
        const Notebook::Move m = up ? nb.moveUp(row, Notebook::allCategories, QString())
                                    : nb.moveDown(row, Notebook::allCategories, QString());
        QVERIFY(!m.moved);
        QVERIFY(nb.haiku_list == before);
        QCOMPARE(rows(nb), (QList<int>{1, 2, 3}));

        // an empty list has nothing to move either way
        nb.rebuildShown(u"誰も使わない分類"_qs);
        QVERIFY(!nb.moveUp(1, u"誰も使わない分類"_qs, QString()).moved);
        QVERIFY(!nb.moveDown(1, u"誰も使わない分類"_qs, QString()).moved);
        QVERIFY(nb.haiku_list == before);
    }

    void duplicatePoemsMoveTheSelectedOne()
    {
        // Two haiku with the same poem: the row, not the poem text, says which one moves.
        QTemporaryDir dir;
        Notebook nb(dir.path());
        const QString all = Notebook::allCategories;
        const QString same = u"同じ句"_qs;
        nb.haiku_list = {{}, haiku(u"c"_qs, same, 1), haiku(u"c"_qs, u"B"_qs, 2), haiku(u"c"_qs, same, 3)};
        nb.rebuildShown(all);
        Notebook::Move m = nb.moveUp(3, all, QString()); // the later of the two
        QCOMPARE(order(nb), (QList<int>{1, 3, 2}));
        QCOMPARE(m.row, 2);
        QCOMPARE(nb.found_index, 2);
        m = nb.moveUp(2, all, QString()); // past its twin
        QCOMPARE(order(nb), (QList<int>{3, 1, 2}));
        QCOMPARE(m.row, 1);
        m = nb.moveDown(1, all, QString());
        QCOMPARE(order(nb), (QList<int>{1, 3, 2}));
        QCOMPARE(m.row, 2);

        // twins both shown under a keyword, something hidden between them
        nb.haiku_list = {{}, haiku(u"c"_qs, same, 1), haiku(u"c"_qs, u"B"_qs, 2), haiku(u"c"_qs, same, 3)};
        nb.rebuildShown(all, same);
        m = nb.moveDown(1, all, same);
        QCOMPARE(order(nb), (QList<int>{2, 3, 1}));
        QCOMPARE(rows(nb), (QList<int>{3, 1}));
        QCOMPARE(m.row, 2);
    }

    void moveRebuildsWithTheKeywordGiven()
    {
        // The list was searched for 月; the box now holds another text.
        QTemporaryDir dir;
        Notebook nb(dir.path());
        const QString all = Notebook::allCategories;
        nb.haiku_list = {{},
                         haiku(u"c"_qs, u"月一"_qs, 1),
                         haiku(u"c"_qs, u"花"_qs, 2),
                         haiku(u"c"_qs, u"月二"_qs, 3),
                         haiku(u"c"_qs, u"花月"_qs, 4)};
        nb.rebuildShown(all, u"月"_qs);                  // 1, 3, 4
        Notebook::Move m = nb.moveUp(2, all, QString()); // box emptied: every haiku comes back
        QCOMPARE(order(nb), (QList<int>{3, 1, 2, 4}));
        QCOMPARE(rows(nb), (QList<int>{3, 1, 2, 4}));
        QVERIFY(m.stillShown);
        QCOMPARE(m.row, 1);

        nb.rebuildShown(all, u"月"_qs);    // 3, 1, 4
        m = nb.moveDown(2, all, u"花"_qs); // 1 passes 4, then the list shows 花 only
        QCOMPARE(order(nb), (QList<int>{3, 2, 4, 1}));
        QCOMPARE(rows(nb), (QList<int>{2, 4}));
        QVERIFY(m.moved);
        QVERIFY(!m.stillShown); // the moved haiku is hidden now: the row below the old one, as far as the
                                // list goes
        QCOMPARE(m.row, 2);
        QCOMPARE(nb.found_index, 3);
        rowsInStep(nb);

        nb.rebuildShown(all);            // 3, 2, 4, 1
        m = nb.moveUp(4, all, u"雪"_qs); // nothing shown afterwards: the empty row
        QCOMPARE(order(nb), (QList<int>{3, 2, 1, 4}));
        QCOMPARE(nb.shown_count, 0);
        QCOMPARE(m.row, 1);
        QVERIFY(!m.stillShown);
        QCOMPARE(nb.found_index, 0);
    }

    void manyMovesNeverLoseOrDoubleARecord()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        const QStringList categories{Notebook::allCategories, u"春"_qs, u"夏"_qs};
        const QStringList keywords{QString(), u"月"_qs, u"花"_qs};
        nb.haiku_list.assign(1, {});
        for (int i = 1; i <= 40; ++i)
            nb.haiku_list.push_back(haiku(i % 3 ? u"春"_qs : u"夏"_qs, i % 4 ? u"月"_qs : u"花"_qs, i));
        std::vector<Haiku_record> sorted = nb.haiku_list;
        std::mt19937 rng(8);
        int moved = 0;
        for (int step = 0; step < 500; ++step) {
            const QString &c = categories[qsizetype(rng() % 3)];
            const QString &k = keywords[qsizetype(rng() % 3)];
            nb.rebuildShown(c, k);
            const int row = int(rng() % std::uint32_t(nb.shown_count + 2));
            const qint64 selected = nb.row_memo_no[std::size_t(row)];
            const Notebook::Move m = rng() % 2 ? nb.moveUp(row, c, k) : nb.moveDown(row, c, k);
            if (m.moved) {
                ++moved;
                QVERIFY(m.stillShown);
                // the haiku selected is the one that was on the row, one row further
                QCOMPARE(nb.row_memo_no[std::size_t(m.row)], selected);
                QCOMPARE(qAbs(m.row - row), 1);
            }
            rowsInStep(nb);
            // what was moved is found where it now stands, by any later search
            const QString &c2 = categories[qsizetype(rng() % 3)];
            const QString &k2 = keywords[qsizetype(rng() % 3)];
            nb.rebuildShown(c2, k2);
            QVERIFY(nb.shownIndex() == expectedRows(nb, c2, k2));
        }
        QVERIFY(moved > 100);
        std::vector<Haiku_record> now = nb.haiku_list;
        auto byMemo = [](const Haiku_record &a, const Haiku_record &b) { return a.memo_no < b.memo_no; };
        std::sort(now.begin() + 1, now.end(), byMemo);
        std::sort(sorted.begin() + 1, sorted.end(), byMemo);
        QVERIFY(now == sorted);
    }

    void unsavableKeywordIsSavedAsAnEmptySlot()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        QVERIFY(nb.startUp(Settings(), kNow).problems.isEmpty());
        nb.rememberKeyword(u"春"_qs, Notebook::keywordTyped);
        nb.rememberKeyword(u"吉田𠮷"_qs, Notebook::keywordTyped); // outside the code page
        nb.rememberKeyword(u"波〜"_qs, Notebook::keywordTyped);   // would come back as another character
        nb.rememberKeyword(u"二\n行"_qs, Notebook::keywordTyped); // would break the file's lines
        nb.rememberKeyword(u"ｷｰﾜｰﾄﾞ①"_qs, Notebook::keywordTyped);
        QVERIFY(nb.saveAll().isEmpty());

        QByteArray expected = "\xb7\xb0\xdc\xb0\xc4\xde\x87\x40\r\n\r\n\r\n\r\n\x8f\x74\r\n";
        for (int i = 5; i < kKeywordSlots; ++i)
            expected += "\r\n";
        QCOMPARE(bytesOf(dir.filePath(u"kensaku.dat"_qs)), expected);
        // in memory the keywords stay, and still search
        QCOMPARE(nb.keyword_list[2], u"波〜"_qs);
        QCOMPARE(nb.keyword_list[3], u"吉田𠮷"_qs);
        nb.haiku_list.push_back(haiku(u"c"_qs, u"吉田𠮷の句"_qs, 2));
        nb.rebuildShown(Notebook::allCategories, nb.keyword_list[3]);
        QCOMPARE(rows(nb), QList<int>{2});
    }

    void orderAndHistorySurviveARestart()
    {
        QTemporaryDir dir;
        {
            Notebook nb(dir.path());
            QVERIFY(nb.startUp(Settings(), kNow).problems.isEmpty());
            nb.haiku_list.push_back(haiku(u"好きな句（春）"_qs, u"春の海"_qs, 2));
            nb.haiku_list.push_back(haiku(u"推敲未完"_qs, u"夏の月"_qs, 3));
            nb.haiku_list.push_back(haiku(u"好きな句（春）"_qs, u"春の月"_qs, 4));
            QVERIFY(!nb.writeHaiku());
            nb.rememberKeyword(u"月"_qs, Notebook::keywordTyped);
            nb.rememberKeyword(u"春"_qs, Notebook::keywordTyped);
            nb.rebuildShown(u"好きな句（春）"_qs);
            QVERIFY(nb.moveUp(2, u"好きな句（春）"_qs, QString()).moved);
            QCOMPARE(order(nb), (QList<int>{1, 4, 2, 3}));
            QVERIFY(nb.saveAll().isEmpty());
        }
        Notebook again(dir.path());
        QVERIFY(again.startUp(Settings(), kNow).problems.isEmpty());
        QCOMPARE(order(again), (QList<int>{1, 4, 2, 3}));
        QCOMPARE(again.haiku_list[2].poem, u"春の月"_qs);
        QCOMPARE(history(again), twenty({u"春"_qs, u"月"_qs}));
    }
};

QTEST_APPLESS_MAIN(TestFinding)
#include "tst_finding.moc"
