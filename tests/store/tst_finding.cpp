#include "store/Notebook.h"

#include "support/Contents.h"

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
    for (std::size_t i = 1; i < nb.records().size(); ++i)
        numbers << nb.records()[i].memo_no.trimmed().toInt();
    return numbers;
}

// The memo numbers of the records found.
QList<int> found(const Notebook &nb, const QString &category, const QString &keyword = {})
{
    QList<int> numbers;
    for (int index : nb.find(category, keyword))
        numbers << nb.record(index).memo_no.trimmed().toInt();
    return numbers;
}

// The records a search must find, found the plain way.
std::vector<int> expectedRows(const Notebook &nb, const QString &category, const QString &keyword)
{
    std::vector<int> index;
    for (int i = 1; i <= nb.haiku_count(); ++i) {
        const Haiku_record &h = nb.record(i);
        if ((category == Notebook::allCategories || h.category == category) && h.poem.contains(keyword))
            index.push_back(i);
    }
    return index;
}

// The history as twenty texts.
QStringList history(const Notebook &nb)
{
    QStringList h;
    for (int i = 0; i < kKeywordSlots; ++i)
        h << nb.keywords()[std::size_t(i)];
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
        QVERIFY(full.keywords()[kKeywordSlots].isEmpty()); // the spare slot is never used
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
        editContents(nb, [](NotebookContents &c) {
            for (int i = 0; i < kKeywordSlots; ++i)
                c.keyword_list[std::size_t(i)] = QStringLiteral("語%1").arg(i);
        });
        nb.rememberKeyword(keyword, picked);
        QCOMPARE(history(nb), expected);
        QVERIFY(nb.keywords()[kKeywordSlots].isEmpty());
    }

    void keywordMatchesExactly_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QList<int>>("expected");
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
        QFETCH(QList<int>, expected);
        QTemporaryDir dir;
        Notebook nb(dir.path());
        const QString c = u"好きな句（春）"_qs;
        setRecords(nb, {{},
                        haiku(c, u"古池や蛙飛びこむ水の音"_qs, 1),
                        haiku(c, u"ふるいけ"_qs, 2),
                        haiku(c, u"フルイケ"_qs, 3, u"YES"_qs),
                        haiku(c, u"Haiku moon"_qs, 4),
                        haiku(c, u"haiku Moon"_qs, 5),
                        haiku(c, u"ＨＡＩＫＵ"_qs, 6),
                        haiku(c, u"ｷｰﾜｰﾄﾞ"_qs, 7),
                        haiku(c, u"キーワード"_qs, 8),
                        haiku(c, u"秋の暮"_qs, 9)});
        QCOMPARE(found(nb, Notebook::allCategories, keyword), expected);
        // the same through a category
        QCOMPARE(found(nb, c, keyword), expected);
    }

    void searchSeesEveryChangeToThePoems()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        const QString all = Notebook::allCategories;
        setRecords(nb, {{},
                        haiku(u"c"_qs, u"秋の月"_qs, 1),
                        haiku(u"c"_qs, u"花の雪"_qs, 2),
                        haiku(u"c"_qs, u"月"_qs, 3)});
        QCOMPARE(found(nb, all, u"月"_qs), (QList<int>{1, 3}));

        editContents(nb,
                     [](NotebookContents &c) { c.haiku_list[2].poem.append(u"月"_qs); }); // where it stands
        QCOMPARE(found(nb, all, u"月"_qs), (QList<int>{1, 2, 3}));
        editContents(nb, [](NotebookContents &c) { c.haiku_list[1].poem[2] = u'海'; }); // one character
        QCOMPARE(found(nb, all, u"月"_qs), (QList<int>{2, 3}));
        editContents(nb, [](NotebookContents &c) {
            c.haiku_list[3].poem = c.haiku_list[1].poem; // another record's very string
        });
        QCOMPARE(found(nb, all, u"月"_qs), QList<int>{2});

        editContents(nb, [](NotebookContents &c) {
            c.haiku_list.insert(c.haiku_list.begin() + 1, haiku(u"c"_qs, u"月の出"_qs, 4));
        });
        QCOMPARE(found(nb, all, u"月"_qs), (QList<int>{4, 2}));
        editContents(nb, [](NotebookContents &c) {
            c.haiku_list.erase(c.haiku_list.begin() + 1);
            c.haiku_list.push_back(haiku(u"c"_qs, u"夕月"_qs, 5));
        });
        QCOMPARE(found(nb, all, u"月"_qs), (QList<int>{2, 5}));
        setRecords(nb, {{}, haiku(u"c"_qs, u"夕月"_qs, 6)});
        QCOMPARE(found(nb, all, u"月"_qs), QList<int>{6});
        setRecords(nb, {{}});
        QVERIFY(nb.find(all, u"月"_qs).empty());
        QVERIFY(nb.find(all).empty());
    }

    void keywordNeverRunsFromOnePoemIntoTheNext()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        const QString all = Notebook::allCategories;
        setRecords(nb, {{},
                        haiku(u"c"_qs, u"秋の月"_qs, 1),
                        haiku(u"c"_qs, u"花の雪"_qs, 2),
                        haiku(u"c"_qs, QString(), 3),
                        haiku(u"c"_qs, u"月\n花"_qs, 4), // a line break read from a damaged file
                        haiku(u"c"_qs, u"月月月"_qs, 5)});
        QCOMPARE(found(nb, all, u"月\n花"_qs), QList<int>{4});
        QCOMPARE(found(nb, all, u"\n"_qs), QList<int>{4});
        QCOMPARE(found(nb, all, u"月"_qs), (QList<int>{1, 4, 5})); // several times in one poem: once
        QCOMPARE(found(nb, all, u"月月月"_qs), QList<int>{5});     // the whole of the last poem
        QVERIFY(nb.find(all, u"月月月月"_qs).empty());
    }

    void categoryAndKeywordTogether()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        setRecords(nb, {{},
                        haiku(u"春"_qs, u"春の月"_qs, 1),
                        haiku(u"秋"_qs, u"秋の月"_qs, 2),
                        haiku(u"春"_qs, u"春の海"_qs, 3),
                        haiku(u"春 "_qs, u"春の月夜"_qs, 4),
                        haiku(u"春"_qs, u"朧月"_qs, 5)});
        QCOMPARE(found(nb, u"春"_qs, u"月"_qs), (QList<int>{1, 5}));
        QCOMPARE(found(nb, u"春"_qs), (QList<int>{1, 3, 5}));
        QVERIFY(nb.find(u"秋"_qs, u"海"_qs).empty());
    }

    // A move takes the haiku to the other's place; the haiku between shift
    // by one together and keep their order.
    void moveRotatesTheRecordsBetween_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QList<int>>("expected"); // the order afterwards; unchanged when nothing moves
        QTest::newRow("up one") << 2 << 1 << QList<int>{2, 1, 3, 4, 5};
        QTest::newRow("down one") << 2 << 3 << QList<int>{1, 3, 2, 4, 5};
        QTest::newRow("up past a block") << 4 << 1 << QList<int>{4, 1, 2, 3, 5};
        QTest::newRow("down past a block") << 1 << 4 << QList<int>{2, 3, 4, 1, 5};
        QTest::newRow("first to last") << 1 << 5 << QList<int>{2, 3, 4, 5, 1};
        QTest::newRow("last to first") << 5 << 1 << QList<int>{5, 1, 2, 3, 4};
        const QList<int> unchanged{1, 2, 3, 4, 5};
        QTest::newRow("onto itself") << 3 << 3 << unchanged;
        QTest::newRow("to index 0") << 1 << 0 << unchanged;
        QTest::newRow("from index 0") << 0 << 2 << unchanged;
        QTest::newRow("past the end") << 5 << 6 << unchanged;
        QTest::newRow("from past the end") << 6 << 5 << unchanged;
        QTest::newRow("negative") << -1 << 1 << unchanged;
    }

    void moveRotatesTheRecordsBetween()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QList<int>, expected);
        QTemporaryDir dir;
        Notebook nb(dir.path());
        std::vector<Haiku_record> list{{}};
        for (int i = 1; i <= 5; ++i)
            list.push_back(haiku(u"c"_qs, QString(i, u'ー') + u'月', i)); // each of its own length
        setRecords(nb, list);
        QCOMPARE(found(nb, Notebook::allCategories, u"月"_qs), (QList<int>{1, 2, 3, 4, 5})); // indexed
        const bool moves = expected != QList<int>{1, 2, 3, 4, 5};
        QCOMPARE(nb.moveRecord(from, to), moves ? to : 0);
        QCOMPARE(order(nb), expected);
        // the search finds them where they now stand
        QCOMPARE(found(nb, Notebook::allCategories, u"月"_qs), expected);
    }

    // 上へ and 下へ under a filter: the haiku goes to its shown neighbour's
    // place, past the haiku hidden between them.
    void moveToTheShownNeighbour()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        const QString c = u"好きな句（春）"_qs;
        // A, X, C with X hidden by the category
        setRecords(nb, {{}, haiku(c, u"A"_qs, 1), haiku(u"推敲未完"_qs, u"X"_qs, 2), haiku(c, u"C"_qs, 3)});
        std::vector<int> shown = nb.find(c);
        QCOMPARE(nb.moveRecord(shown[1], shown[0]), 1);
        QCOMPARE(order(nb), (QList<int>{3, 1, 2})); // C, A, X
        QCOMPARE(found(nb, c), (QList<int>{3, 1}));
        shown = nb.find(c);
        QCOMPARE(nb.moveRecord(shown[0], shown[1]), 2);
        QCOMPARE(order(nb), (QList<int>{1, 3, 2}));

        // Hidden by the keyword: the block of hidden haiku keeps its order.
        const QString all = Notebook::allCategories;
        setRecords(nb, {{},
                        haiku(c, u"月一"_qs, 1),
                        haiku(c, u"花"_qs, 2),
                        haiku(c, u"雪"_qs, 3),
                        haiku(c, u"月二"_qs, 4),
                        haiku(c, u"風"_qs, 5)});
        shown = nb.find(all, u"月"_qs);
        nb.moveRecord(shown[1], shown[0]);
        QCOMPARE(order(nb), (QList<int>{4, 1, 2, 3, 5}));
        QCOMPARE(found(nb, all, u"月"_qs), (QList<int>{4, 1}));
        // down again goes past the neighbour only: the hidden block stays behind
        shown = nb.find(all, u"月"_qs);
        nb.moveRecord(shown[0], shown[1]);
        QCOMPARE(order(nb), (QList<int>{1, 4, 2, 3, 5}));

        // Two haiku with the same poem: the index, not the poem text, says which one moves.
        const QString same = u"同じ句"_qs;
        setRecords(nb, {{}, haiku(u"c"_qs, same, 1), haiku(u"c"_qs, u"B"_qs, 2), haiku(u"c"_qs, same, 3)});
        nb.moveRecord(3, 2); // the later of the two
        QCOMPARE(order(nb), (QList<int>{1, 3, 2}));
        shown = nb.find(all, same);
        nb.moveRecord(shown[0], shown[1]); // past its twin
        QCOMPARE(order(nb), (QList<int>{3, 1, 2}));
        QCOMPARE(found(nb, all, same), (QList<int>{3, 1}));
    }

    void manyMovesNeverLoseOrDoubleARecord()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        const QStringList categories{Notebook::allCategories, u"春"_qs, u"夏"_qs};
        const QStringList keywords{QString(), u"月"_qs, u"花"_qs};
        std::vector<Haiku_record> list{{}};
        for (int i = 1; i <= 40; ++i)
            list.push_back(
                haiku(i % 3 ? u"春"_qs : u"夏"_qs, QString(i % 7, u'ー') + (i % 4 ? u'月' : u'花'), i));
        setRecords(nb, list);
        std::mt19937 rng(8);
        int moved = 0;
        for (int step = 0; step < 500; ++step) {
            const QString &c = categories[qsizetype(rng() % 3)];
            const QString &k = keywords[qsizetype(rng() % 3)];
            const std::vector<int> shown = nb.find(c, k);
            QVERIFY(shown == expectedRows(nb, c, k));
            if (shown.size() < 2)
                continue;
            // a shown haiku to its shown neighbour's place, up or down
            const std::size_t r = rng() % (shown.size() - 1);
            const bool up = rng() % 2;
            const int from = up ? shown[r + 1] : shown[r];
            const int to = up ? shown[r] : shown[r + 1];
            const QString memo = nb.record(from).memo_no;
            QCOMPARE(nb.moveRecord(from, to), to);
            QCOMPARE(nb.record(to).memo_no, memo);
            ++moved;
            // what was moved is found where it now stands, by any later search
            const QString &c2 = categories[qsizetype(rng() % 3)];
            const QString &k2 = keywords[qsizetype(rng() % 3)];
            QVERIFY(nb.find(c2, k2) == expectedRows(nb, c2, k2));
        }
        QVERIFY(moved > 100);
        std::vector<Haiku_record> now = nb.records();
        auto byMemo = [](const Haiku_record &a, const Haiku_record &b) { return a.memo_no < b.memo_no; };
        std::sort(now.begin() + 1, now.end(), byMemo);
        std::sort(list.begin() + 1, list.end(), byMemo);
        QVERIFY(now == list);
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
        QCOMPARE(nb.keywords()[2], u"波〜"_qs);
        QCOMPARE(nb.keywords()[3], u"吉田𠮷"_qs);
        editContents(
            nb, [](NotebookContents &c) { c.haiku_list.push_back(haiku(u"c"_qs, u"吉田𠮷の句"_qs, 2)); });
        QCOMPARE(found(nb, Notebook::allCategories, nb.keywords()[3]), QList<int>{2});
    }

    void orderAndHistorySurviveARestart()
    {
        QTemporaryDir dir;
        {
            Notebook nb(dir.path());
            QVERIFY(nb.startUp(Settings(), kNow).problems.isEmpty());
            editContents(nb, [](NotebookContents &c) {
                c.haiku_list.push_back(haiku(u"好きな句（春）"_qs, u"春の海"_qs, 2));
                c.haiku_list.push_back(haiku(u"推敲未完"_qs, u"夏の月"_qs, 3));
                c.haiku_list.push_back(haiku(u"好きな句（春）"_qs, u"春の月"_qs, 4));
            });
            QVERIFY(!nb.writeHaiku());
            nb.rememberKeyword(u"月"_qs, Notebook::keywordTyped);
            nb.rememberKeyword(u"春"_qs, Notebook::keywordTyped);
            const std::vector<int> shown = nb.find(u"好きな句（春）"_qs);
            QCOMPARE(nb.moveRecord(shown[1], shown[0]), 2);
            QCOMPARE(order(nb), (QList<int>{1, 4, 2, 3}));
            QVERIFY(nb.saveAll().isEmpty());
        }
        Notebook again(dir.path());
        QVERIFY(again.startUp(Settings(), kNow).problems.isEmpty());
        QCOMPARE(order(again), (QList<int>{1, 4, 2, 3}));
        QCOMPARE(again.record(2).poem, u"春の月"_qs);
        QCOMPARE(history(again), twenty({u"春"_qs, u"月"_qs}));
    }
};

QTEST_APPLESS_MAIN(TestFinding)
#include "tst_finding.moc"
