#include "store/Cp932.h"
#include "store/DataFiles.h"
#include "store/TextLines.h"

#include <QLocale>
#include <QTest>

#include <limits>

// The file formats as pure functions: lines in, values out, and back.
class TestDataFiles : public QObject
{
    Q_OBJECT

private slots:
    void splitsLines()
    {
        const QStringList ab{u"a"_qs, u"b"_qs};
        QCOMPARE(TextLines::splitLines(u"a\r\nb\r\n"), ab);
        QCOMPARE(TextLines::splitLines(u"a\nb\n"), ab);
        QCOMPARE(TextLines::splitLines(u"a\rb\r"), ab);
        QCOMPARE(TextLines::splitLines(u"a\r\nb"), ab); // no final line end
        QCOMPARE(TextLines::splitLines(u"a\r\r\nb\n\nc"), (QStringList{u"a"_qs, {}, u"b"_qs, {}, u"c"_qs}));
        QCOMPARE(TextLines::splitLines(u""), QStringList());
        QCOMPARE(TextLines::splitLines(u"\r\n"), QStringList{QString()});
    }

    void findsARecordStartNearTheMiddle()
    {
        QByteArray bytes;
        for (int i = 0; bytes.size() < 100000; ++i)
            bytes += QByteArray(i % 13, 'x') + (i % 3 == 0 ? "\r\n" : i % 3 == 1 ? "\n" : "\r");
        const qsizetype at = TextLines::middleGroupStart(bytes, 7);
        QVERIFY(at > bytes.size() / 2 && at < bytes.size());
        const QByteArray before = bytes.first(at);
        QCOMPARE(TextLines::splitLines(QString::fromLatin1(before)).size() % 7, 0);
        QVERIFY(before.endsWith('\n') || before.endsWith('\r'));
        QVERIFY(bytes[at] != '\n'); // not between the CR and LF of one line end
        QCOMPARE(TextLines::middleGroupStart(QByteArray(1000, 'x'), 7), 0); // small files stay whole
    }

    void readsAndWritesNumbers()
    {
        QCOMPARE(TextLines::numericValue(u" 12 "), 12.0);
        QCOMPARE(TextLines::numericValue(u"-60 "), -60.0);
        QCOMPARE(TextLines::numericValue(u"abc"), 0.0);
        QCOMPARE(TextLines::numericValue(u""), 0.0);
        QCOMPARE(TextLines::numericValue(u"12abc"), 12.0);
        QCOMPARE(TextLines::numericValue(u" 2295.5 "), 2295.5);
        QCOMPARE(TextLines::formatNumber(5), u" 5 "_qs);
        QCOMPARE(TextLines::formatNumber(-60), u"-60 "_qs);
        QCOMPARE(TextLines::formatNumber(2295.5), u" 2295.5 "_qs);
    }

    void namesMemoFiles()
    {
        QCOMPARE(DataFiles::memoFileName(1), u"m1000001.txt"_qs);
        const auto read = qint64(TextLines::numericValue(u" 12 "));
        QCOMPARE(DataFiles::memoFileName(read), u"m1000012.txt"_qs);
        QCOMPARE(DataFiles::memoFileName(1234567), u"m11234567.txt"_qs); // padded, never cut
        QCOMPARE(DataFiles::memoFileName(DataFiles::kMemoNoLimit), u"m12147483647.txt"_qs);
        // never a name with a sign in it
        QCOMPARE(DataFiles::memoFileName(-5), u"m1000000.txt"_qs);
        QCOMPARE(DataFiles::memoFileName(std::numeric_limits<qint64>::min()), u"m1000000.txt"_qs);
    }

    // A damaged or hand-edited memo number reads as 0, never as a negative
    // number or one whose successor overflows.
    void readsMemoNumbersWithinTheirRange_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<qint64>("number");
        QTest::newRow("as written") << u" 12 "_qs << qint64(12);
        QTest::newRow("without blanks") << u"12"_qs << qint64(12);
        QTest::newRow("the largest") << u" 2147483647 "_qs << qint64(2147483647);
        QTest::newRow("one past the largest") << u" 2147483648 "_qs << qint64(0);
        QTest::newRow("many digits") << u"55555555555555555555555555555555555"_qs << qint64(0);
        QTest::newRow("exponent not read") << u"1e300"_qs << qint64(1);
        QTest::newRow("negative") << u"-3"_qs << qint64(0);
        QTest::newRow("the most negative") << u"-9223372036854775808"_qs << qint64(0);
        QTest::newRow("not a number") << u"abc"_qs << qint64(0);
        QTest::newRow("empty") << QString() << qint64(0);
    }

    void readsMemoNumbersWithinTheirRange()
    {
        QFETCH(QString, line);
        QFETCH(qint64, number);
        QCOMPARE(DataFiles::memoNumber(line), number);
    }

    void writesTimeStamps()
    {
        const auto stamp = [](int year, bool coded) {
            return DataFiles::timeStamp(QDateTime(QDate(year, 12, 6), QTime(7, 5, 9)), coded);
        };
        QCOMPARE(stamp(2026, true), u"c6/12/06 07:05:09"_qs);
        QCOMPARE(stamp(2026, false), u"26/12/06 07:05:09"_qs);
        QCOMPARE(stamp(1999, true), u"99/12/06 07:05:09"_qs);
        QCOMPARE(stamp(2000, true), u"a0/12/06 07:05:09"_qs);
        QCOMPARE(stamp(2049, true), u"e9/12/06 07:05:09"_qs);
        QCOMPARE(stamp(2050, true), u"50/12/06 07:05:09"_qs);
    }

    void shortDateIgnoresTheLocale()
    {
        // Arabic has digits of its own and US English puts the month first
        const QLocale before;
        for (const QLocale &l :
             {QLocale(QLocale::Arabic, QLocale::Egypt), QLocale(QLocale::English, QLocale::UnitedStates)}) {
            QLocale::setDefault(l);
            QCOMPARE(DataFiles::shortDate(QDate(2026, 12, 7)), u"2026/12/07"_qs);
        }
        QLocale::setDefault(before);
    }

    void keepsARecordCutShort()
    {
        const QStringList lines{u"2026/12/06"_qs, u"春"_qs,  u"古池や"_qs,     u" 1 "_qs, u"s"_qs,
                                u"s"_qs,          u"YES"_qs, u"2026/12/07"_qs, u"夏"_qs,  u"蛙飛び込む"_qs};
        const std::vector<Haiku_record> list = DataFiles::parseHaiku(lines.join(u"\r\n"));
        QCOMPARE(list.size(), std::size_t(3)); // index 0 unused
        QCOMPARE(DataFiles::parseHaiku(QStringView()).size(), std::size_t(1));
        QCOMPARE(DataFiles::parseHaiku(u"\r\n").size(), std::size_t(2)); // one empty line is a record
        QCOMPARE(list[1].locked, u"YES"_qs);
        const Haiku_record cut{u"2026/12/07"_qs, u"夏"_qs, u"蛙飛び込む"_qs, {}, {}, {}, u"NO"_qs};
        QCOMPARE(list[2], cut);
    }

    void keepsMoreThanThirtyThousandRecords()
    {
        QStringList lines;
        for (int i = 1; i <= 30001; ++i)
            lines << u"d"_qs << u"c"_qs << u"句%1"_qs.arg(i) << TextLines::formatNumber(i) << u"s"_qs
                  << u"s"_qs << u"NO"_qs;
        const std::vector<Haiku_record> list = DataFiles::parseHaiku(lines.join(u"\r\n") + u"\r\n"_qs);
        QCOMPARE(list.size(), std::size_t(30002));
        QCOMPARE(list.back().poem, u"句30001"_qs);
        QCOMPARE(DataFiles::haikuLines(list), lines);
    }

    void shortSettingsFileTakesDefaults()
    {
        Settings defaults;
        defaults.window_height = NumberText(6690);
        defaults.list_height = NumberText(2295);
        const QStringList head{u" 7 "_qs, u" 0 "_qs, u"abc"_qs, u" 15 "_qs};
        const Settings s = DataFiles::parseSettings(head, defaults);
        QCOMPARE(s.last_memo_no.toInt(), 7);
        QCOMPARE(s.window_top.value(), 0.0); // "abc" reads as 0 but is written back as it was
        QCOMPARE(DataFiles::settingsLines(s),
                 (head + QStringList{u" 6690 "_qs, u" 0 "_qs, u" 2295 "_qs, u"ＭＳ 明朝"_qs, u"全部"_qs,
                                     u"ＭＳ 明朝"_qs, u"更新日"_qs, u" 0 "_qs, QString()}));

        // lines past the thirteenth, from a file edited by hand, are not dropped
        const QStringList longer = DataFiles::settingsLines(s) << u"余分"_qs;
        QCOMPARE(DataFiles::settingsLines(DataFiles::parseSettings(longer, defaults)), longer);
    }

    void memoFileText_data()
    {
        QTest::addColumn<QString>("memo");
        QTest::addColumn<QString>("file");
        QTest::newRow("empty memo") << QString() << u"\r\n"_qs;
        QTest::newRow("two lines") << u"月見\n団子"_qs << u"月見\r\n団子\r\n"_qs;
        QTest::newRow("ends in an empty line") << u"月見\n"_qs << u"月見\r\n\r\n"_qs;
        QTest::newRow("only empty lines") << u"\n\n"_qs << u"\r\n\r\n\r\n"_qs;
    }

    void memoFileText()
    {
        QFETCH(QString, memo);
        QFETCH(QString, file);
        QCOMPARE(DataFiles::memoToFile(memo), file);
        QCOMPARE(DataFiles::memoFromFile(file), memo);
    }

    // Memo files written by hand: nothing but one final line end is dropped.
    void shortMemoFilesKeepTheirText()
    {
        QCOMPARE(DataFiles::memoFromFile(u"秋"_qs), u"秋"_qs); // two bytes, no line end
        QCOMPARE(DataFiles::memoFromFile(u"a"_qs), u"a"_qs);
        QCOMPARE(DataFiles::memoFromFile(u"\n"_qs), QString());
        QCOMPARE(DataFiles::memoFromFile(u"\r"_qs), QString());
        QCOMPARE(DataFiles::memoFromFile(QString()), QString());
        QCOMPARE(DataFiles::memoFromFile(u"秋\n冬"_qs), u"秋\n冬"_qs); // LF only, no final end
        QCOMPARE(DataFiles::memoFromFile(u"秋\r\n\r\n"_qs), u"秋\n"_qs);
    }
};

QTEST_APPLESS_MAIN(TestDataFiles)
#include "tst_datafiles.moc"
