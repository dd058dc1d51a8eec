#include "onsu/Counter.h"
#include "onsu/MecabReader.h"
#include "onsu/Onsu.h"

#include <QDir>
#include <QSignalSpy>
#include <QtTest>

#include <atomic>

using Onsu::MecabReader;

class TestOnsu : public QObject
{
    Q_OBJECT

    std::unique_ptr<MecabReader> mecab;

    // The tables of poems: the poem, counted with MeCab or without a reader,
    // and the line the poet sees.
    static void lineColumns()
    {
        QTest::addColumn<QString>("poem");
        QTest::addColumn<bool>("withMecab");
        QTest::addColumn<QString>("expected");
    }
    void compareLine()
    {
        QFETCH(QString, poem);
        QFETCH(bool, withMecab);
        QFETCH(QString, expected);
        QCOMPARE(Onsu::describe(Onsu::count(poem, withMecab ? mecab.get() : nullptr)), expected);
    }

private slots:
    void initTestCase()
    {
        QString error;
        mecab = MecabReader::open({}, &error);
        QVERIFY2(mecab, qPrintable(error + u" (tools/install-deps.sh installs MeCab and its dictionary)"_qs));
    }

    void kana_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("sounds");
        QTest::addColumn<int>("han");
        QTest::addColumn<int>("other");
        QTest::newRow("plain hiragana") << u"あいうえおがぱゐゑを"_qs << 10 << 0 << 0;
        QTest::newRow("small hiragana join the kana before")
            << u"きゃきゅきょふぁうぃとぅしぇうぉくゎ"_qs << 9 << 0 << 0;
        QTest::newRow("small katakana join the kana before")
            << u"キャキュキョファウィトゥシェウォクヮ"_qs << 9 << 0 << 0;
        QTest::newRow("half-width small kana join") << u"ｷｬｷｭｷｮﾌｧｳｨﾄｩｼｪｳｫ"_qs << 8 << 0 << 0;
        QTest::newRow("ん っ ー one each") << u"さんぽ きって コーヒー キッテ"_qs << 13 << 0 << 0;
        QTest::newRow("half-width ﾝ ｯ ｰ one each") << u"ｻﾝﾎﾟｷｯﾃｺｰﾋｰ"_qs << 10 << 0 << 0;
        QTest::newRow("voicing marks join the kana before") << u"ｶﾞｷﾞﾊﾟか\u3099は゛"_qs << 5 << 0 << 0;
        QTest::newRow("a small kana with nothing before") << u"ぁ、ャ"_qs << 2 << 0 << 0;
        QTest::newRow("iteration marks and ligatures") << u"こゝろいすゞゟヿ"_qs << 10 << 0 << 0;
        QTest::newRow("spaces and punctuation count nothing")
            << u"ふるいけや、　かわず！？「みず」。・ "_qs << 10 << 0 << 0;
        QTest::newRow("kanji, Latin letters and digits have no sound")
            << u"古池や々abc１７"_qs << 1 << 3 << 5;
        QTest::newRow("kanji outside the basic plane") << u"𠮷野"_qs << 0 << 2 << 0;
    }
    void kana()
    {
        QFETCH(QString, text);
        QFETCH(int, sounds);
        QFETCH(int, han);
        QFETCH(int, other);
        const Onsu::Sounds s = Onsu::kana(text);
        QCOMPARE(s.count, sounds);
        QCOMPARE(s.han, han);
        QCOMPARE(s.other, other);
    }

    // Poems every poet can count, read by MeCab alone.
    void knownPoems_data()
    {
        lineColumns();
        const QString fiveSevenFive = u"5・7・5（17音）"_qs;
        QTest::newRow("芭蕉 古池") << u"古池や蛙飛び込む水の音"_qs << true << fiveSevenFive;
        QTest::newRow("子規 柿") << u"柿くへば鐘が鳴るなり法隆寺"_qs << true << fiveSevenFive;
        QTest::newRow("蕪村 菜の花") << u"菜の花や月は東に日は西に"_qs << true << fiveSevenFive;
        QTest::newRow("芭蕉 五月雨") << u"五月雨をあつめて早し最上川"_qs << true << fiveSevenFive;
        QTest::newRow("一茶 名月") << u"名月を取ってくれろと泣く子かな"_qs << true << fiveSevenFive;
        QTest::newRow("草田男 降る雪") << u"降る雪や明治は遠くなりにけり"_qs << true << fiveSevenFive;
        QTest::newRow("子規 いくたびも") << u"いくたびも雪の深さを尋ねけり"_qs << true << fiveSevenFive;
    }
    void knownPoems() { compareLine(); }

    // MeCab reads 兵 as ヘイ and 天河 as テンカワ; the poet's reading in
    // brackets counts instead, and a reader is not needed for it.
    void bracketedReadings_data()
    {
        lineColumns();
        QTest::newRow("兵, MeCab's reading")
            << u"夏草や兵どもが夢の跡"_qs << true << u"5・5・5（15音・字足らず）"_qs;
        QTest::newRow("兵（つはもの）")
            << u"夏草や兵（つはもの）どもが夢の跡"_qs << true << u"5・7・5（17音）"_qs;
        QTest::newRow("兵(つはもの)")
            << u"夏草や兵(つはもの)どもが夢の跡"_qs << true << u"5・7・5（17音）"_qs;
        QTest::newRow("天河, MeCab's reading")
            << u"荒海や佐渡によこたふ天河"_qs << true << u"5・6・5（16音・字足らず）"_qs;
        QTest::newRow("天河（あまのがは）")
            << u"荒海や佐渡によこたふ天河（あまのがは）"_qs << true << u"5・7・5（17音）"_qs;
        QTest::newRow("閑（しづか）, unknown to MeCab")
            << u"閑（しづか）さや岩にしみ入る蝉の声"_qs << true << u"5・7・5（17音）"_qs;
        QTest::newRow("kanji in brackets are no reading")
            << u"蛙（春の季語）"_qs << true << u"3・3・2（8音・字足らず）"_qs;
        QTest::newRow("without a reader") << u"蛙（かわず）"_qs << false << u"3音"_qs;
    }
    void bracketedReadings() { compareLine(); }

    // Spaces the poet typed cut the poem, over MeCab's word boundaries.
    void typedSpaces_data()
    {
        lineColumns();
        QTest::newRow("two spaces") << u"目には青葉 山ほととぎす 初鰹"_qs << true
                                    << u"6・7・5（18音・字余り）"_qs;
        QTest::newRow("一茶 雀の子") << u"雀の子 そこのけそこのけ お馬が通る"_qs << true
                                     << u"5・8・7（20音・字余り）"_qs;
        QTest::newRow("no spaces: MeCab's words")
            << u"目には青葉山ほととぎす初鰹"_qs << true << u"8・5・5（18音・字余り・字足らず）"_qs;
        QTest::newRow("全角空白") << u"古池や蛙　飛び込む　水の音"_qs << true
                                  << u"8・4・5（17音・字余り・字足らず）"_qs;
        QTest::newRow("one space and a word boundary")
            << u"古池や蛙 飛び込む水の音"_qs << true << u"8・4・5（17音・字余り・字足らず）"_qs;
        QTest::newRow("three spaces: the two nearest")
            << u"ふるいけや かわず とびこむ みずのおと"_qs << false << u"5・7・5（17音）"_qs;
        QTest::newRow("kana alone: cut only where typed")
            << u"ふるいけや かわずとびこむ みずの"_qs << false << u"5・7・3（15音・字足らず）"_qs;
        QTest::newRow("a part is never empty") << u"古池や。"_qs << true << u"5音"_qs;
        QTest::newRow("kana alone, no space: no cut")
            << u"ふるいけやかわずとびこむみずのおと"_qs << false << u"17音"_qs;
    }
    void typedSpaces() { compareLine(); }

    // What cannot be read is said, never guessed silently.
    void unreadable_data()
    {
        lineColumns();
        QTest::newRow("no dictionary: the kana alone")
            << u"古池や蛙飛び込む水の音"_qs << false << u"仮名だけで4音・読みが分からない字があります"_qs;
        QTest::newRow("no dictionary, no kana") << u"古池"_qs << false << u"読みが分からない字があります"_qs;
        QTest::newRow("a kanji MeCab does not know")
            << u"閑さや岩にしみ入る蝉の声"_qs << true << u"約16音"_qs;
        QTest::newRow("Latin letters") << u"古池やabc飛び込む水の音"_qs << true << u"約17音"_qs;
        QTest::newRow("digits MeCab reads one by one") << u"古池や１７"_qs << true << u"約7音"_qs;
        QTest::newRow("empty") << QString() << true << QString();
        QTest::newRow("punctuation alone") << u"、。！"_qs << true << QString();
        QTest::newRow("200 characters") << QString(200, u'あ') << false << u"200音"_qs;
        QTest::newRow("201 characters")
            << QString(201, u'あ') << false << u"句が長いため、音数は数えていません"_qs;
    }
    void unreadable() { compareLine(); }

    void mecabThatCannotStart_data()
    {
        QTest::addColumn<QByteArray>("options");
        QTest::newRow("no mecabrc") << QByteArray("-r /nonexistent/mecabrc");
        QTest::newRow("no dictionary") << QByteArray("-d /nonexistent/dic");
        QTest::newRow("a dictionary in EUC-JP") << QByteArray("-d /var/lib/mecab/dic/ipadic");
    }
    void mecabThatCannotStart()
    {
        QFETCH(QByteArray, options);
        if (options.contains("ipadic") && !QDir(u"/var/lib/mecab/dic/ipadic"_qs).exists())
            QSKIP("mecab-ipadic is not installed");
        QString error;
        QVERIFY(!MecabReader::open(options, &error));
        QVERIFY(!error.isEmpty());
    }

    // The counter loads once, on its own thread, and says nothing until then;
    // a MeCab that cannot start leaves the kana count.
    void counterLoadsOnceInTheBackground_data()
    {
        QTest::addColumn<QByteArray>("options");
        QTest::addColumn<QString>("expected");
        QTest::newRow("default dictionary") << QByteArray() << u"5・7・5（17音）"_qs;
        QTest::newRow("MeCab cannot start")
            << QByteArray("-r /nonexistent/mecabrc") << u"仮名だけで4音・読みが分からない字があります"_qs;
    }
    void counterLoadsOnceInTheBackground()
    {
        QFETCH(QByteArray, options);
        QFETCH(QString, expected);
        std::atomic<int> loads = 0;
        Onsu::Counter counter([&](QString *error) -> std::unique_ptr<Onsu::Reader> {
            ++loads;
            return MecabReader::open(options, error);
        });
        const QString poem = u"古池や蛙飛び込む水の音"_qs;
        QVERIFY(counter.line(poem).isEmpty());
        QSignalSpy ready(&counter, &Onsu::Counter::ready);
        counter.load();
        counter.load();
        QVERIFY(ready.wait());
        QVERIFY(counter.isLoaded());
        QCOMPARE(counter.line(poem), expected);
        QCOMPARE(counter.loadError().isEmpty(), options.isEmpty());
        QTest::qWait(50);
        QCOMPARE(ready.count(), 1);
        QCOMPARE(loads.load(), 1);
    }
};

QTEST_GUILESS_MAIN(TestOnsu)
#include "tst_onsu.moc"
