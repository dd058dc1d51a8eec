#include "store/AppFolder.h"
#include "store/Cp932.h"
#include "store/InstanceLock.h"
#include "store/Notebook.h"

#include "support/Contents.h"
#include "support/Folders.h"

#include <QDir>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace folders;

namespace {

int modeOf(const QString &path)
{
    struct stat st
    {
    };
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

} // namespace

class TestNotebook : public QObject
{
    Q_OBJECT

private slots:
    void firstStartWritesTheDefaultFiles()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        const StartupReport r = nb.startUp(windowDefaults(), kNow);
        QVERIFY(r.fatal.isEmpty() && r.notices.isEmpty() && r.problems.isEmpty());
        const Tree expected = snapshot(kData + u"/first_start"_qs);
        sameFiles(snapshot(dir.path()), expected);
        QCOMPARE(nb.haiku_count(), 1);
        QCOMPARE(nb.category_count(), 15);

        // the number given to the welcome haiku reaches the settings at the first save
        QVERIFY(nb.saveAll().isEmpty());
        Tree saved = expected;
        saved[u"haiku.ini"_qs].replace(0, 3, " 1 ");
        sameFiles(snapshot(dir.path()), saved);
    }

    void storedNotebookIsWrittenBackByteForByte()
    {
        QTemporaryDir dir;
        copyTree(u"notebook"_qs, dir.path());
        const Tree before = snapshot(dir.path());
        Notebook nb(dir.path());
        const StartupReport r = nb.startUp(windowDefaults(), kNow);
        QVERIFY(r.fatal.isEmpty() && r.notices.isEmpty() && r.problems.isEmpty());
        sameFiles(snapshot(dir.path()), before); // start-up wrote nothing

        // the bytes were read as the characters they stand for, not carried as escapes
        QCOMPARE(nb.haiku_count(), 3);
        QCOMPARE(nb.record(1).poem, u"髙き峰に～月の出待つや①番小屋"_qs);
        QCOMPARE(nb.record(2).poem, u"ｷｰﾜｰﾄﾞの―句－かな"_qs);
        QCOMPARE(nb.record(3).poem, u"纊の字に﨑の句∵"_qs);
        QCOMPARE(nb.record(3).category, u"未発表(自己評価Ａ)"_qs);
        QCOMPARE(nb.categories().back(), u"﨑の句"_qs);
        QCOMPARE(nb.keywords()[1], u"近似≒"_qs);
        QCOMPARE(nb.settings().lock_password, u"髙①～"_qs);
        QCOMPARE(nb.settings().window_left.value(), 2400.5);
        QCOMPARE(nb.readMemoFile(12).text, u"月の出を待つ小屋にて。\n①髙橋さんと～\n"_qs);
        QCOMPARE(nb.readMemoFile(3).text, QString());

        QVERIFY(nb.saveAll().isEmpty());
        sameFiles(snapshot(dir.path()), before);

        // and the same bytes again when every file has to be written anew from memory
        for (const QString &f : {u"haiku.ini"_qs, u"haiku.dat"_qs, u"bunrui.dat"_qs, u"kensaku.dat"_qs})
            QVERIFY(QFile::remove(dir.filePath(f)));
        QVERIFY(nb.saveAll().isEmpty());
        sameFiles(snapshot(dir.path()), before);
    }

    void unchangedFilesAreLeftAlone()
    {
        QTemporaryDir dir;
        copyTree(u"notebook"_qs, dir.path());
        const auto inode = [&](const QString &f) {
            struct stat st
            {
            };
            return ::stat(QFile::encodeName(dir.filePath(f)).constData(), &st) == 0 ? st.st_ino : 0;
        };
        const QStringList files{u"haiku.ini"_qs, u"haiku.dat"_qs, u"bunrui.dat"_qs, u"kensaku.dat"_qs};
        QMap<QString, ino_t> before;
        for (const QString &f : files)
            before[f] = inode(f);

        Notebook nb(dir.path());
        nb.beginLoading();
        QVERIFY(nb.startUp(windowDefaults(), kNow).problems.isEmpty());
        QVERIFY(nb.saveAll().isEmpty());
        for (const QString &f : files)
            QCOMPARE(inode(f), before[f]); // nothing was replaced

        // A change made in place is seen, however small.
        editContents(nb, [](NotebookContents &c) { c.haiku_list[2].poem[0] = u'月'; });
        QVERIFY(nb.saveAll().isEmpty());
        QVERIFY(inode(u"haiku.dat"_qs) != before[u"haiku.dat"_qs]);
        QCOMPARE(inode(u"bunrui.dat"_qs), before[u"bunrui.dat"_qs]);
        Notebook again(dir.path());
        QVERIFY(again.startUp(windowDefaults(), kNow).problems.isEmpty());
        QCOMPARE(again.record(2).poem, nb.record(2).poem);

        // A removed haiku is seen too.
        editContents(nb, [](NotebookContents &c) { c.haiku_list.pop_back(); });
        QVERIFY(nb.saveAll().isEmpty());
        Notebook third(dir.path());
        QVERIFY(third.startUp(windowDefaults(), kNow).problems.isEmpty());
        QCOMPARE(third.haiku_count(), nb.haiku_count());

        // A file only touched (same bytes, another time) is written back as before.
        QFile touched(dir.filePath(u"kensaku.dat"_qs));
        QVERIFY(touched.open(QIODevice::ReadWrite));
        QVERIFY(touched.setFileTime(QDateTime(QDate(2001, 1, 1), QTime(0, 0)),
                                    QFileDevice::FileModificationTime));
        touched.close();
        QVERIFY(nb.saveAll().isEmpty());
        QVERIFY(QDir(dir.path()).entryList({u"*.conflict-*"_qs}).isEmpty());
    }

    void largeHaikuFileReadAsAWhole_data()
    {
        QTest::addColumn<int>("readers");
        QTest::newRow("one reader, in pieces") << 1;
        QTest::newRow("in two halves") << 2;
    }

    void largeHaikuFileReadAsAWhole()
    {
        // Large enough to be read in two halves or in many pieces, with line
        // ends of every kind and a record cut short at the end.
        QFETCH(int, readers);
        QString text;
        for (int i = 1; i <= 4000; ++i) {
            const QString end = i < 1500 ? u"\r\n"_qs : i < 2500 ? u"\n"_qs : u"\r"_qs;
            const QStringList fields{u"2026/01/01"_qs,
                                     i % 3 ? u"春"_qs : u"夏"_qs,
                                     u"句その%1"_qs.arg(i) + QString(i % 11, u'ー'),
                                     TextLines::formatNumber(i),
                                     u"c6/01/01 00:00:00"_qs,
                                     u"c6/01/01 00:00:00"_qs,
                                     i % 5 ? u"NO"_qs : u"YES"_qs};
            text += fields.join(end) + end;
        }
        text += u"2026/02/02\r\n秋\r\n"_qs;
        const Cp932::Encoded bytes = Cp932::encode(text);
        QVERIFY(bytes.ok() && bytes.bytes.size() > 128 * 1024);
        QTemporaryDir dir;
        QVERIFY(put(dir.filePath(u"haiku.dat"_qs), bytes.bytes));
        Notebook nb(dir.path());
        nb.beginLoading(readers);
        const StartupReport report = nb.startUp(windowDefaults(), kNow);
        QVERIFY(report.problems.isEmpty());
        QCOMPARE(report.notices.size(), 1);
        QVERIFY2(report.notices[0].contains(u"7行のうち2行"_qs), qPrintable(report.notices[0]));
        QCOMPARE(nb.haiku_count(), 4001);
        QVERIFY(nb.records() == DataFiles::parseHaiku(text));
        QCOMPARE(nb.record(2500).poem, u"句その2500ーーー"_qs);
        QCOMPARE(nb.record(4001).category, u"秋"_qs);
        QCOMPARE(nb.settings().last_memo_no.value(), 4000.0); // found in the second half

        // The file only touched is still the one read: a change of ours replaces it.
        QFile touched(dir.filePath(u"haiku.dat"_qs));
        QVERIFY(touched.open(QIODevice::ReadWrite));
        QVERIFY(touched.setFileTime(QDateTime(QDate(2001, 1, 1), QTime(0, 0)),
                                    QFileDevice::FileModificationTime));
        touched.close();
        editContents(nb, [](NotebookContents &c) { c.haiku_list[3000].poem = u"月"_qs; });
        QVERIFY(nb.saveAll().isEmpty());
        QVERIFY(QDir(dir.path()).entryList({u"*.conflict-*"_qs}).isEmpty());
        QCOMPARE(DataFiles::parseHaiku(Cp932::decode(bytesOf(dir.filePath(u"haiku.dat"_qs))).text)[3000].poem,
                 u"月"_qs);

        // and a largest number in the first half wins over the second half's
        text.replace(u"\r\n 10 \r\n"_qs, u"\r\n 90000 \r\n"_qs);
        QVERIFY(put(dir.filePath(u"haiku.dat"_qs), Cp932::encode(text).bytes));
        Notebook again(dir.path());
        again.beginLoading(readers);
        QVERIFY(again.startUp(windowDefaults(), kNow).problems.isEmpty());
        QCOMPARE(again.settings().last_memo_no.text(), u" 90000 "_qs);
    }

    void emptyHaikuFileIsAnEmptyNotebook()
    {
        QTemporaryDir dir;
        QVERIFY(put(dir.filePath(u"haiku.dat"_qs), {}));
        Notebook nb(dir.path());
        QVERIFY(nb.startUp(windowDefaults(), kNow).problems.isEmpty());
        QCOMPARE(nb.haiku_count(), 0);
        QVERIFY(QDir(dir.filePath(u"memo1"_qs)).isEmpty());
        QVERIFY(nb.saveAll().isEmpty());
        QCOMPARE(bytesOf(dir.filePath(u"haiku.dat"_qs)), QByteArray());
        QCOMPARE(bytesOf(dir.filePath(u"haiku.ini"_qs)), bytesOf(firstStart(u"haiku.ini"_qs)));
    }

    void missingFileIsRecreatedAlone_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("settings") << u"haiku.ini"_qs;
        QTest::newRow("categories") << u"bunrui.dat"_qs;
        QTest::newRow("keywords") << u"kensaku.dat"_qs;
    }

    void missingFileIsRecreatedAlone()
    {
        QFETCH(QString, file);
        QTemporaryDir dir;
        copyTree(u"notebook"_qs, dir.path());
        QVERIFY(QFile::remove(dir.filePath(file)));
        Tree expected = snapshot(dir.path());
        expected[file] = bytesOf(firstStart(file));

        Notebook nb(dir.path());
        QVERIFY(nb.startUp(windowDefaults(), kNow).problems.isEmpty());
        sameFiles(snapshot(dir.path()), expected);
        // without its settings file the notebook still knows the numbers in use
        QCOMPARE(nb.settings().last_memo_no.toInt(), 12);
    }

    // The welcome haiku takes the next memo number whose file is not there
    // yet, and the settings keep that number at once.
    void welcomeHaikuTakesTheNextFreeMemoNo_data()
    {
        QTest::addColumn<bool>("storedNotebook"); // else an empty folder
        QTest::addColumn<QByteArray>("leftover"); // a memo1/m1000001.txt found there
        QTest::addColumn<QByteArray>("number");
        QTest::newRow("the stored last memo number") << true << QByteArray() << QByteArray(" 13 ");
        QTest::newRow("a leftover memo of number 1")
            << false << QByteArray("\x8b\x8c\r\n") << QByteArray(" 2 ");
    }

    void welcomeHaikuTakesTheNextFreeMemoNo()
    {
        QFETCH(bool, storedNotebook);
        QFETCH(QByteArray, leftover);
        QFETCH(QByteArray, number);
        QTemporaryDir dir;
        if (storedNotebook) {
            copyTree(u"notebook"_qs, dir.path());
            QVERIFY(QFile::remove(dir.filePath(u"haiku.dat"_qs)));
        }
        if (!leftover.isEmpty()) {
            QVERIFY(QDir(dir.path()).mkpath(u"memo1"_qs));
            QVERIFY(put(dir.filePath(u"memo1/m1000001.txt"_qs), leftover));
        }
        Tree expected = snapshot(kData + u"/first_start"_qs);
        expected.remove(u"memo1/m1000001.txt"_qs);
        expected.insert(snapshot(dir.path())); // files already there stay as they are
        expected[u"haiku.dat"_qs] =
            bytesOf(firstStart(u"haiku.dat"_qs)).replace("\n 1 \r", "\n" + number + "\r");
        expected[u"memo1/"_qs + DataFiles::memoFileName(number.trimmed().toLongLong())] =
            bytesOf(firstStart(u"memo1/m1000001.txt"_qs));
        QByteArray &ini = expected[u"haiku.ini"_qs];
        ini.replace(0, ini.indexOf("\r\n"), number);

        Notebook nb(dir.path());
        const StartupReport r = nb.startUp(windowDefaults(), kNow);
        QVERIFY(r.fatal.isEmpty() && r.notices.isEmpty() && r.problems.isEmpty());
        sameFiles(snapshot(dir.path()), expected); // no copy put beside a leftover memo
        QCOMPARE(nb.record(1).memo_no, QString::fromLatin1(number));
        QVERIFY(nb.saveAll().isEmpty());
        sameFiles(snapshot(dir.path()), expected);
    }

    void lastMemoNoIsRaisedFromTheHaikuFile_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QByteArray>("haiku");
        QTest::addColumn<QByteArray>("expected");
        // compared as numbers (as text " 9 " comes after "10"); the larger keeps its own text
        QTest::newRow("raised") << QByteArray(" 2 ") << record("a", " 9 ") + record("b", "10")
                                << QByteArray("10");
        QTest::newRow("kept") << QByteArray(" 50 ") << record("a", " 9 ") + record("b", " 10 ")
                              << QByteArray(" 50 ");
        // a memo number of many digits or a negative one is no number at all
        QTest::newRow("huge memo number ignored")
            << QByteArray(" 2 ") << record("a", "55555555555555555555555555555555555") + record("b", " 7 ")
            << QByteArray(" 7 ");
        QTest::newRow("negative memo number ignored")
            << QByteArray(" 2 ") << record("a", "-9223372036854775808") << QByteArray(" 2 ");
    }

    void damagedLastMemoNoNeverOverflows()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        const auto lastMemoNo = [&nb](const QString &text) {
            editContents(
                nb, [&text](NotebookContents &c) { c.settings.last_memo_no = NumberText::fromText(text); });
        };
        lastMemoNo(u" 99999999999999999999 "_qs);
        QCOMPARE(nb.lastMemoNo(), qint64(0));
        QCOMPARE(nb.nextMemoNo(), std::optional<qint64>(1));
        lastMemoNo(u" 2147483646 "_qs);
        QCOMPARE(nb.nextMemoNo(), std::optional<qint64>(2147483647));
        lastMemoNo(u" 2147483647 "_qs);
        QVERIFY(!nb.nextMemoNo()); // every number handed out: none is made up
    }

    void lastMemoNoIsRaisedFromTheHaikuFile()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QByteArray, haiku);
        QFETCH(QByteArray, expected);
        QTemporaryDir dir;
        const QByteArray ini = bytesOf(firstStart(u"haiku.ini"_qs)).replace(0, 3, stored);
        QVERIFY(put(dir.filePath(u"haiku.ini"_qs), ini));
        QVERIFY(put(dir.filePath(u"haiku.dat"_qs), haiku));
        Notebook nb(dir.path());
        QVERIFY(nb.startUp(windowDefaults(), kNow).problems.isEmpty());
        QVERIFY(nb.saveAll().isEmpty());
        QVERIFY(bytesOf(dir.filePath(u"haiku.ini"_qs)).startsWith(expected + "\r\n"));
    }

    void undecodableBytesAreKeptAside()
    {
        QTemporaryDir dir;
        const QByteArray damaged = record("a", " 1 ") + record("bad\xff\x81 \x85@", " 2 ") +
                                   "x\x81\r\nc\r\np\r\n 3 \r\ns\r\ns\r\nNO\r\n";
        QVERIFY(put(dir.filePath(u"haiku.dat"_qs), damaged));
        Notebook nb(dir.path());
        const StartupReport r = nb.startUp(windowDefaults(), kNow);
        QVERIFY(r.fatal.isEmpty());
        QCOMPARE(r.notices.size(), 1);
        QVERIFY(r.notices[0].contains(u"haiku.dat.bak"_qs));
        QCOMPARE(bytesOf(dir.filePath(u"haiku.dat.bak"_qs)), damaged);
        QCOMPARE(nb.haiku_count(), 3);
        QCOMPARE(nb.record(2).memo_no, u" 2 "_qs);
        QCOMPARE(nb.record(3).poem, u"p"_qs);

        QVERIFY(nb.saveAll().isEmpty());
        QCOMPARE(bytesOf(dir.filePath(u"haiku.dat"_qs)), damaged);
        const Tree once = snapshot(dir.path());
        Notebook again(dir.path());
        QVERIFY(again.startUp(windowDefaults(), kNow).fatal.isEmpty());
        sameFiles(snapshot(dir.path()), once); // no second copy
    }

    // A backup of other bytes is never taken for this file's: the second
    // damaged file goes to .bak2, and a third start makes no .bak3.
    void secondDamagedFileIsKeptBesideTheFirst()
    {
        QTemporaryDir dir;
        const QByteArray older = record("older\xff", " 1 ");
        const QByteArray damaged = record("newer\xff", " 2 ");
        QVERIFY(put(dir.filePath(u"haiku.dat.bak"_qs), older));
        QVERIFY(put(dir.filePath(u"haiku.dat"_qs), damaged));
        Notebook nb(dir.path());
        const StartupReport r = nb.startUp(windowDefaults(), kNow);
        QCOMPARE(r.notices.size(), 1);
        QVERIFY(r.notices[0].contains(u"haiku.dat.bak2"_qs));
        QCOMPARE(bytesOf(dir.filePath(u"haiku.dat.bak"_qs)), older);
        QCOMPARE(bytesOf(dir.filePath(u"haiku.dat.bak2"_qs)), damaged);
        Notebook again(dir.path());
        QVERIFY(again.startUp(windowDefaults(), kNow).notices.isEmpty());
        QVERIFY(!QFileInfo::exists(dir.filePath(u"haiku.dat.bak3"_qs)));
    }

    // The check that leaves an unchanged haiku file alone looks at every
    // record, the first and the last included.
    void changeToAnyRecordIsSaved_data()
    {
        QTest::addColumn<int>("index");
        QTest::newRow("first") << 1;
        QTest::newRow("middle") << 2;
        QTest::newRow("last") << 3;
    }

    void changeToAnyRecordIsSaved()
    {
        QFETCH(int, index);
        QTemporaryDir dir;
        copyTree(u"notebook"_qs, dir.path());
        Notebook nb(dir.path());
        QVERIFY(nb.startUp(windowDefaults(), kNow).problems.isEmpty());
        QCOMPARE(nb.haiku_count(), 3);
        editContents(nb, [index](NotebookContents &c) {
            Haiku_record &r = c.haiku_list[std::size_t(index)];
            r.locked = Haiku_record::lockFlag(!r.isLocked());
        });
        QVERIFY(nb.saveAll().isEmpty());
        Notebook again(dir.path());
        QVERIFY(again.startUp(windowDefaults(), kNow).problems.isEmpty());
        QVERIFY(again.records() == nb.records());
    }

    // A large haiku file with LF-only records among CR LF ones is read in two
    // halves and still gives every record whole.
    void largeFileWithMixedLineEnds()
    {
        QTemporaryDir dir;
        QByteArray bytes;
        const int n = 3001;
        for (int i = 1; i <= n; ++i) {
            QByteArray r = record("poem" + QByteArray::number(i), QByteArray::number(i));
            if (i % 3 == 0)
                r.replace("\r\n", "\n");
            else if (i % 7 == 0)
                r.replace("\r\n", "\r");
            bytes += r;
        }
        QVERIFY(put(dir.filePath(u"haiku.dat"_qs), bytes));
        Notebook nb(dir.path());
        nb.beginLoading(2);
        QVERIFY(nb.startUp(windowDefaults(), kNow).fatal.isEmpty());
        QCOMPARE(nb.haiku_count(), n);
        for (int i = 1; i <= n; ++i) {
            QCOMPARE(nb.record(i).poem, u"poem%1"_qs.arg(i));
            QCOMPARE(nb.record(i).locked, u"NO"_qs);
        }
        QCOMPARE(nb.lastMemoNo(), qint64(n));
    }

    // Something that is no file of the notebook where one should be: start-up
    // stops at once, says which and why, and writes nothing.
    void unreadableFileStopsStartUp_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("what"); // what stands in its place
        QTest::addColumn<QString>("cause");
        const QString folder = u"ファイルと同じ名前のフォルダがあります。"_qs;
        const QString fifo = u"ファイルの代わりに名前付きパイプ（FIFO）があります。"_qs;
        const QString outside = u"ファイルが、句帳のフォルダの外を指すシンボリックリンクになっています。"_qs;
        const QString broken = u"ファイルがシンボリックリンクになっていて、その指す先が見つかりません。"_qs;
        QTest::newRow("folder named haiku.dat") << u"haiku.dat"_qs << u"folder"_qs << folder;
        QTest::newRow("folder named bunrui.dat beside bad bytes")
            << u"bunrui.dat"_qs << u"folder"_qs << folder;
        QTest::newRow("FIFO as haiku.dat") << u"haiku.dat"_qs << u"fifo"_qs << fifo;
        QTest::newRow("kensaku.dat linked outside") << u"kensaku.dat"_qs << u"outside"_qs << outside;
        QTest::newRow("haiku.dat linked to nothing") << u"haiku.dat"_qs << u"broken"_qs << broken;
        QTest::newRow("link inside leading on outside") << u"bunrui.dat"_qs << u"chain"_qs << outside;
        QTest::newRow("memo1 linked outside")
            << u"memo1"_qs << u"outside"_qs << u"シンボリックリンクになっています。"_qs;
    }

    void unreadableFileStopsStartUp()
    {
        QFETCH(QString, file);
        QFETCH(QString, what);
        QFETCH(QString, cause);
        QTemporaryDir dir, elsewhere;
        QVERIFY(put(dir.filePath(u"haiku.ini"_qs), bytesOf(firstStart(u"haiku.ini"_qs))));
        // bytes that would be kept aside on a normal start: not on a start that stops
        if (file != u"haiku.dat"_qs)
            QVERIFY(put(dir.filePath(u"haiku.dat"_qs), QByteArray("a\xff\r\n")));
        QFile::remove(dir.filePath(file));
        const QString outsideFile = elsewhere.filePath(u"theirs"_qs);
        QVERIFY(put(outsideFile, "x\r\n"));
        QVERIFY(QDir().mkpath(elsewhere.filePath(u"folder"_qs)));
        const QByteArray at = QFile::encodeName(dir.filePath(file));
        if (what == u"folder"_qs)
            QVERIFY(QDir(dir.path()).mkdir(file));
        else if (what == u"fifo"_qs)
            QCOMPARE(::mkfifo(at.constData(), 0600), 0);
        else if (what == u"outside"_qs)
            QVERIFY(QFile::link(file == u"memo1"_qs ? elsewhere.filePath(u"folder"_qs) : outsideFile,
                                dir.filePath(file)));
        else if (what == u"broken"_qs)
            QVERIFY(QFile::link(dir.filePath(u"gone"_qs), dir.filePath(file)));
        else if (what == u"chain"_qs)
            QVERIFY(QFile::link(outsideFile, dir.filePath(u"inner"_qs)) &&
                    QFile::link(dir.filePath(u"inner"_qs), dir.filePath(file)));
        const auto entries = [&] {
            return QDir(dir.path())
                .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
        };
        const QStringList before = entries();

        // a start-up that waited on the FIFO would never come back
        QCOMPARE(inChildThatMustReturn([&] {
                     Notebook nb(dir.path());
                     return nb.startUp(windowDefaults(), kNow).fatal.isEmpty() ? 1 : 0;
                 }),
                 0);
        Notebook nb(dir.path());
        const QString fatal = nb.startUp(windowDefaults(), kNow).fatal;
        QVERIFY2(fatal.contains(u"「%1」"_qs.arg(file)) && fatal.contains(cause), qPrintable(fatal));
        QVERIFY(fatal.endsWith(u"何も書き込まずに【ユリモカ】を終了します。"_qs));
        QCOMPARE(entries(), before);
        QCOMPARE(bytesOf(outsideFile), QByteArray("x\r\n"));
    }

    void saveOnAFullDiskKeepsTheOldFile()
    {
        QTemporaryDir dir;
        copyTree(u"notebook"_qs, dir.path());
        Notebook nb(dir.path());
        QVERIFY(nb.startUp(windowDefaults(), kNow).problems.isEmpty());
        Tree before = snapshot(dir.path());
        editContents(nb, [](NotebookContents &c) {
            c.haiku_list.resize(300, c.haiku_list[1]);
            c.keyword_list[0] = u"花"_qs;
        });

        // a file size limit stands in for a full disk, and holds for root too
        rlimit old{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        rlimit small = old;
        small.rlim_cur = 4096;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const QList<StoreProblem> problems = nb.saveAll();
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);

        QCOMPARE(problems.size(), 1);
        QCOMPARE(problems[0].file, u"haiku.dat"_qs);
        QVERIFY(problems[0].message.contains(u"haiku.dat"_qs));
        // the old file whole, no half-written file left, and the files after it saved all the same
        QVERIFY(bytesOf(dir.filePath(u"kensaku.dat"_qs)).startsWith("\x89\xd4\r\n"));
        before[u"kensaku.dat"_qs] = bytesOf(dir.filePath(u"kensaku.dat"_qs));
        sameFiles(snapshot(dir.path()), before);
    }

    void unstorableCharacterIsNotSaved()
    {
        QTemporaryDir dir;
        copyTree(u"notebook"_qs, dir.path());
        Notebook nb(dir.path());
        QVERIFY(nb.startUp(windowDefaults(), kNow).problems.isEmpty());
        const QByteArray before = bytesOf(dir.filePath(u"haiku.dat"_qs));
        editContents(nb, [](NotebookContents &c) { c.haiku_list[2].poem = u"吉田𠮷の句"_qs; });
        const std::optional<StoreProblem> problem = nb.writeHaiku();
        QVERIFY(problem);
        QCOMPARE(problem->file, u"haiku.dat"_qs);
        QVERIFY(problem->message.contains(u"10行目"_qs)); // the poem of record 2
        QVERIFY(problem->message.contains(u"「𠮷」(U+20BB7)"_qs));
        QCOMPARE(bytesOf(dir.filePath(u"haiku.dat"_qs)), before);
    }

    // What the entry windows ask before a typed value may go into the notebook.
    void typedValuesAreCheckedBeforeTheyAreKept()
    {
        QCOMPARE(Notebook::unstorableReason(u"句"_qs, u"古池や～①髙ｷｰﾜｰﾄﾞ"_qs, false), QString());
        QCOMPARE(Notebook::unstorableReason(u"メモ"_qs, u"一行目\n二行目\n"_qs, true), QString());

        const QString emoji = Notebook::unstorableReason(u"句"_qs, u"春の海🌸"_qs, false);
        QVERIFY(emoji.startsWith(u"句に、"_qs));
        QVERIFY(emoji.contains(u"「🌸」(U+1F338)"_qs));
        QVERIFY(Notebook::unstorableReason(u"句"_qs, u"波〜"_qs, false).contains(u"U+301C"_qs));
        QVERIFY(Notebook::unstorableReason(u"分類"_qs, u"¥100"_qs, false).contains(u"U+00A5"_qs));
        QVERIFY(Notebook::unstorableReason(u"メモ"_qs, u"一行目\n𠮷"_qs, true).contains(u"U+20BB7"_qs));
        QCOMPARE(Notebook::unstorableReason(u"句"_qs, u"一行目\n二行目"_qs, false),
                 u"句に改行は入れられません。"_qs);
        QCOMPARE(Notebook::unstorableReason(u"分類"_qs, u"春\r"_qs, false),
                 u"分類に改行は入れられません。"_qs);
    }

    void memoFiles()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path() + u'/');
        QCOMPARE(nb.memoPath(5), dir.path() + u"/memo1/m1000005.txt"_qs);
        QVERIFY(QDir(dir.path()).mkdir(u"memo1"_qs));
        // a memo ending in an empty line is stored with a second line end and keeps it
        QVERIFY(!nb.writeMemo(5, u"月見\n"_qs));
        QCOMPARE(bytesOf(nb.memoPath(5)), QByteArray("\x8c\x8e\x8c\xa9\r\n\r\n"));
        QCOMPARE(nb.readMemoFile(5).text, u"月見\n"_qs);

        const std::optional<StoreProblem> problem = nb.writeMemo(6, u"𠮷"_qs);
        QVERIFY(problem);
        QCOMPARE(problem->file, u"memo1/m1000006.txt"_qs);
        QVERIFY(!QFileInfo::exists(nb.memoPath(6)));
    }

    void categoryFilterIsExact_data()
    {
        QTest::addColumn<QString>("category");
        QTest::addColumn<QStringList>("poems");
        QTest::newRow("all") << u"全部"_qs << QStringList{u"A"_qs, u"B"_qs, u"C"_qs, u"D"_qs};
        QTest::newRow("fullwidth parentheses") << u"好きな句（春）"_qs << QStringList{u"A"_qs, u"D"_qs};
        QTest::newRow("ASCII parentheses") << u"好きな句(春)"_qs << QStringList{u"B"_qs};
        QTest::newRow("trailing blank") << u"好きな句（春） "_qs << QStringList{u"C"_qs};
        QTest::newRow("prefix only") << u"好きな句"_qs << QStringList();
        QTest::newRow("no haiku") << u"その他"_qs << QStringList();
    }

    void categoryFilterIsExact()
    {
        QFETCH(QString, category);
        QFETCH(QStringList, poems);
        QTemporaryDir dir;
        Notebook nb(dir.path());
        const auto haiku = [](const QString &cat, const QString &poem) {
            return Haiku_record{u"2026/12/07"_qs, cat, poem, u" 1 "_qs, {}, {}, u"NO"_qs};
        };
        setRecords(nb, {{},
                        haiku(u"好きな句（春）"_qs, u"A"_qs),
                        haiku(u"好きな句(春)"_qs, u"B"_qs),
                        haiku(u"好きな句（春） "_qs, u"C"_qs),
                        haiku(u"好きな句（春）"_qs, u"D"_qs)});
        QStringList shown;
        for (int index : nb.find(category))
            shown << nb.record(index).poem;
        QCOMPARE(shown, poems);
    }

    void secondCopyIsRefused()
    {
        QTemporaryDir dir, other;
        InstanceLock first(dir.path());
        QCOMPARE(first.acquire(), InstanceLock::Outcome::Acquired);
        const auto tryLock = [](const QString &f) { return [f] { return int(InstanceLock(f).acquire()); }; };
        QCOMPARE(inChild(tryLock(dir.path())), int(InstanceLock::Outcome::Running));
        // another notebook folder is free
        QCOMPARE(inChild(tryLock(other.path())), int(InstanceLock::Outcome::Acquired));
    }

    void lockOfAKilledCopyIsTakenOver()
    {
        QTemporaryDir dir;
        const auto lockAndDie = [&] {
            return InstanceLock(dir.path()).acquire() == InstanceLock::Outcome::Acquired ? raise(SIGKILL) : 1;
        };
        QCOMPARE(inChild(lockAndDie), -1);
        QVERIFY(!snapshot(dir.path()).isEmpty()); // the killed copy left its lock file behind
        InstanceLock next(dir.path());
        QCOMPARE(next.acquire(), InstanceLock::Outcome::Acquired);
    }

    void programFolder()
    {
        QTemporaryDir dir;
        const QString program = dir.filePath(u"prog"_qs);
        const QString user = dir.filePath(u"share/yurimoka"_qs);
        QVERIFY(QDir().mkpath(program));
        QCOMPARE(AppFolder::resolve(program, user).folder, program + u'/');
        QVERIFY(AppFolder::resolve(program, user).writable);
        QCOMPARE(AppFolder::resolve(program + u'/', user).folder, program + u'/');
        QVERIFY(!QFileInfo::exists(user));
        QCOMPARE(AppFolder::resolve(dir.filePath(u"gone"_qs), user).folder, user + u'/');
        QVERIFY(QFileInfo(user).isDir());
        // nowhere to write: no folder rather than a wrong one
        QVERIFY(put(dir.filePath(u"file"_qs), "x"));
        const QString underFile = dir.filePath(u"file/yurimoka"_qs);
        QCOMPARE(AppFolder::resolve(dir.filePath(u"gone"_qs), underFile).folder, QString());

        // installed with the system's programs: a new notebook goes to the user's folder
        const QString bin = dir.filePath(u"prefix/bin"_qs);
        QVERIFY(QDir().mkpath(bin));
        QCOMPARE(AppFolder::resolve(bin, user).folder, user + u'/');
        QVERIFY(!QFileInfo::exists(bin + u"/haiku.dat"_qs));
        // ... but a notebook kept there by hand is opened where it is
        QVERIFY(put(bin + u"/haiku.dat"_qs, QByteArray()));
        QCOMPARE(AppFolder::resolve(bin, user).folder, bin + u'/');
    }

    // A read-only program folder: its own notebook is opened (and said to be
    // unwritable); only a folder without a notebook sends it elsewhere. Run
    // as an unprivileged user, since root may write any folder.
    void readOnlyProgramFolder_data()
    {
        QTest::addColumn<QString>("file");   // what the program folder holds
        QTest::addColumn<bool>("ownFolder"); // expected: the program folder is used
        QTest::newRow("haiku.dat") << u"haiku.dat"_qs << true;
        QTest::newRow("haiku.ini only") << u"haiku.ini"_qs << true;
        QTest::newRow("no notebook") << u"readme.txt"_qs << false;
    }

    void readOnlyProgramFolder()
    {
        QFETCH(QString, file);
        QFETCH(bool, ownFolder);
        QTemporaryDir dir;
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                      QFile::ReadOther | QFile::WriteOther |
                                                      QFile::ExeOther));
        const QString program = dir.filePath(u"prog"_qs);
        const QString user = dir.filePath(u"share/yurimoka"_qs);
        QVERIFY(QDir().mkpath(program));
        QVERIFY(put(program + u'/' + file, "x\r\n"));
        QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther |
                                                   QFile::ExeOther));
        const int code = asUnprivileged([&] {
            const AppFolder::Choice c = AppFolder::resolve(program, user);
            if (ownFolder)
                return c.folder == program + u'/' && !c.writable ? 0 : 1;
            return c.folder == user + u'/' && c.writable && QFileInfo(user).isDir() ? 0 : 2;
        });
        QCOMPARE(code, 0);
    }

    // Without permission to read, start-up stops before writing anything.
    void unreadableSettingsStopStartUp()
    {
        QTemporaryDir dir;
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                      QFile::ReadOther | QFile::WriteOther |
                                                      QFile::ExeOther));
        QVERIFY(put(dir.filePath(u"haiku.ini"_qs), bytesOf(firstStart(u"haiku.ini"_qs))));
        QVERIFY(put(dir.filePath(u"haiku.dat"_qs), QByteArray("a\xff\r\n")));
        QVERIFY(QFile::setPermissions(dir.filePath(u"haiku.ini"_qs), {}));
        const QStringList before =
            QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        const int code = asUnprivileged([&] {
            Notebook nb(dir.path());
            return nb.startUp(windowDefaults(), kNow).fatal.contains(u"haiku.ini"_qs) ? 0 : 1;
        });
        QCOMPARE(code, 0);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
    }

    // A haiku file that ends inside a haiku: start-up says so, the part read
    // stays as the last haiku, and the file is not touched until the
    // notebook changes; a change writes that haiku whole.
    void haikuFileCutShort_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("haiku");
        QTest::addColumn<int>("cutLines"); // 0: no notice
        const QByteArray one = record("furuike", " 1 ");
        QByteArray noEnd = one + one;
        noEnd.chop(2);
        QByteArray lf = one + "2026/12/08\nc\n";
        QTest::newRow("whole haiku") << one + one << 2 << 0;
        QTest::newRow("empty file") << QByteArray() << 0 << 0;
        QTest::newRow("one line of a second haiku") << one + "2026/12/08\r\n" << 2 << 1;
        QTest::newRow("six lines") << one.left(one.lastIndexOf("NO")) << 1 << 6;
        QTest::newRow("whole, without the last line end") << noEnd << 2 << 0;
        QTest::newRow("cut inside the third line") << one + "2026/12/08\r\nc\r\nfu" << 2 << 3;
        QTest::newRow("lone LF line ends") << lf << 2 << 2;
        QTest::newRow("lone CR at the end") << one + "a\r" << 2 << 1;
    }

    void haikuFileCutShort()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, haiku);
        QFETCH(int, cutLines);
        QTemporaryDir dir;
        copyTree(u"notebook"_qs, dir.path());
        QVERIFY(put(dir.filePath(u"haiku.dat"_qs), bytes));
        const Tree before = snapshot(dir.path());
        Notebook nb(dir.path());
        const StartupReport r = nb.startUp(windowDefaults(), kNow);
        QVERIFY(r.fatal.isEmpty() && r.problems.isEmpty());
        QCOMPARE(nb.haiku_count(), haiku);
        const QString notice =
            u"「haiku.dat」は句の途中で終わっています（最後の句は7行のうち%1行だけでした）。\n"
            "読めた部分は、そのまま最後の句として残しました。"
            "句帳に手を加えるまで、ファイルは元のまま残ります。"_qs.arg(cutLines);
        QCOMPARE(r.notices, cutLines ? QStringList{notice} : QStringList());

        // quitting unchanged writes nothing at all
        QVERIFY(nb.saveAll().isEmpty());
        sameFiles(snapshot(dir.path()), before);
        if (haiku == 0)
            return;
        QVERIFY(!nb.correctHaiku(haiku, {u"2026/12/09"_qs, u"c"_qs, u"直した句"_qs, false}, {}, [] {
                       return kNow;
                   }).problem);
        QVERIFY(nb.saveAll().isEmpty());
        const QByteArray saved = bytesOf(dir.filePath(u"haiku.dat"_qs));
        QCOMPARE(saved.count("\r\n"), qsizetype(haiku * 7));
        Notebook again(dir.path());
        QVERIFY(again.startUp(windowDefaults(), kNow).notices.isEmpty());
        QCOMPARE(again.haiku_count(), haiku);
        QCOMPARE(again.records().back().poem, u"直した句"_qs);
    }

    // Under any umask, what the notebook makes is the user's alone: files
    // 0600, folders 0700. Copies kept beside a file are new files too.
    void newFilesAndFoldersArePrivate_data()
    {
        QTest::addColumn<int>("mask");
        QTest::newRow("umask 022") << 022;
        QTest::newRow("umask 277") << 0277;
    }

    void newFilesAndFoldersArePrivate()
    {
        QFETCH(int, mask);
        QTemporaryDir dir, other;
        const mode_t old = ::umask(mode_t(mask));
        const auto restore = qScopeGuard([old] { ::umask(old); });
        Notebook nb(dir.path());
        QVERIFY(nb.startUp(windowDefaults(), kNow).problems.isEmpty());
        QVERIFY(!nb.writeMemo(7, u"新しいメモ"_qs));
        // a conflict copy: the categories changed on disk behind our back
        QVERIFY(put(dir.filePath(u"bunrui.dat"_qs), "theirs\r\n"));
        QVERIFY(nb.addCategory(u"新"_qs));
        // a damaged file kept aside at the next start
        QVERIFY(put(dir.filePath(u"kensaku.dat"_qs), "bad\xff\r\n"));
        Notebook again(dir.path());
        QVERIFY(again.startUp(windowDefaults(), kNow).notices.size() >= 1);
        // the user's data folder, and the folder above it, made for a notebook
        const QString user = other.filePath(u"share/yurimoka"_qs);
        QVERIFY(!AppFolder::resolve(QString(), user).folder.isEmpty());

        const QStringList files = snapshot(dir.path()).keys();
        QCOMPARE(files.size(), 8); // 4 data files, a conflict copy, a .bak, two memos
        for (const QString &f : files)
            QVERIFY2(modeOf(dir.filePath(f)) == 0600, qPrintable(f));
        for (const QString &d : {dir.filePath(u"memo1"_qs), user, other.filePath(u"share"_qs)})
            QVERIFY2(modeOf(d) == 0700, qPrintable(d));
    }

    // A file replaced by a save keeps the mode it had.
    void replacedFileKeepsItsMode_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("mode");
        for (const QString &file : {u"haiku.dat"_qs, u"memo1/m1000003.txt"_qs}) {
            for (const int mode : {0600, 0640})
                QTest::addRow("%s %o", qPrintable(file), mode) << file << mode;
        }
    }

    void replacedFileKeepsItsMode()
    {
        QFETCH(QString, file);
        QFETCH(int, mode);
        QTemporaryDir dir;
        copyTree(u"notebook"_qs, dir.path());
        QVERIFY(::chmod(QFile::encodeName(dir.filePath(file)).constData(), mode_t(mode)) == 0);
        Notebook nb(dir.path());
        QVERIFY(nb.startUp(windowDefaults(), kNow).problems.isEmpty());
        const QByteArray before = bytesOf(dir.filePath(file));
        editContents(nb, [](NotebookContents &c) { c.haiku_list[1].poem = u"菜の花や"_qs; });
        QVERIFY(nb.readMemoFile(3).state == MemoFile::State::Read);
        QVERIFY(!nb.writeMemo(3, u"新しいメモ"_qs));
        QVERIFY(nb.saveAll().isEmpty());
        QVERIFY(bytesOf(dir.filePath(file)) != before);
        QCOMPARE(modeOf(dir.filePath(file)), mode);
    }

    // Every refusal that names a character offers its twin when it has one.
    void refusalOffersTheTwin_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const QString advice = u"「〜」の代わりに「～」を使えば保存できます。"_qs;
        QTest::newRow("an entry box") << u"box"_qs << u"波〜"_qs
                                      << u"句に、シフトJISで保存できない文字「〜」(U+301C)が含まれています。"
                                         "その文字を別の文字に置き換えて下さい。"_qs +
                                             advice;
        QTest::newRow("the password")
            << u"password"_qs << u"a‖b"_qs
            << u"パスワードに、シフトJISで保存できない文字「‖」(U+2016)が含まれています。"
               "その文字を別の文字に置き換えて下さい。「‖」の代わりに「∥」を使えば保存できます。"_qs;
        QTest::newRow("a memo") << u"memo"_qs << u"一行目\n春〜"_qs
                                << u"メモにシフトJISで保存できない文字「〜」(U+301C)があります。"_qs + advice;
        QTest::newRow("the haiku file")
            << u"haiku"_qs << u"春〜"_qs
            << u"「haiku.dat」を保存できませんでした。\n3行目に、シフトJISで保存できない文字「〜」(U+301C)があります。"_qs +
                   advice + u"\n元のファイルはそのまま残っています。"_qs;
    }

    void refusalOffersTheTwin()
    {
        QFETCH(QString, where);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        Notebook nb(dir.path());
        QVERIFY(nb.startUp(windowDefaults(), kNow).problems.isEmpty());
        QString message;
        if (where == u"box"_qs) {
            message = Notebook::unstorableReason(u"句"_qs, text, false);
        } else if (where == u"password"_qs) {
            message = nb.setLockPassword(text);
            QCOMPARE(nb.settings().lock_password, QString());
        } else if (where == u"memo"_qs) {
            const auto p = nb.writeMemo(5, text);
            QVERIFY(p && !QFileInfo::exists(nb.memoPath(5)));
            message = p->message;
        } else {
            editContents(nb, [&text](NotebookContents &c) { c.haiku_list[1].poem = text; });
            const auto p = nb.writeHaiku();
            QVERIFY(p);
            message = p->message;
        }
        QCOMPARE(message, expected);
    }
};

QTEST_APPLESS_MAIN(TestNotebook)
#include "tst_notebook.moc"
