#include "store/AtomicFile.h"
#include "store/Cp932.h"
#include "store/Notebook.h"

#include "support/Contents.h"
#include "support/Folders.h"

#include <QTest>

#include <cerrno>
#include <optional>

using namespace folders;

Q_DECLARE_METATYPE(AtomicFile::Step)

namespace {

void growHaikuFile(const QString &folder, int records)
{
    Notebook nb(folder);
    QVERIFY(nb.startUp(windowDefaults(), kNow).problems.isEmpty());
    editContents(nb, [records](NotebookContents &c) {
        const Haiku_record first = c.haiku_list[1];
        for (int i = 0; i < records; ++i) {
            Haiku_record r = first;
            r.poem = u"古池や蛙飛びこむ水の音　その%1"_qs.arg(i);
            r.memo_no = TextLines::formatNumber(100 + i);
            c.haiku_list.push_back(r);
        }
    });
    QVERIFY(!nb.writeHaiku());
}

// Every data file changed in memory: the settings, the haiku, the categories and the keywords.
void changeEverything(Notebook &nb)
{
    editContents(nb, [](NotebookContents &c) {
        c.settings.window_top.set(c.settings.window_top.value() + 15);
        c.haiku_list[1].poem = u"菜の花や月は東に日は西に"_qs;
        c.category_list.push_back(u"新しい分類"_qs);
        c.keyword_list[0] = u"菜の花"_qs;
    });
}

const QStringList kDataFiles{u"haiku.ini"_qs, u"haiku.dat"_qs, u"bunrui.dat"_qs, u"kensaku.dat"_qs};

void loadsAs(const QString &folder, const Notebook &expected)
{
    Notebook again(folder);
    const StartupReport r = again.startUp(windowDefaults(), kNow);
    QVERIFY(r.fatal.isEmpty());
    QVERIFY(r.problems.isEmpty());
    QCOMPARE(again.haiku_count(), expected.haiku_count());
    QVERIFY(again.records() == expected.records());
    QVERIFY(again.categories() == expected.categories());
    QVERIFY(again.keywords() == expected.keywords());
    QCOMPARE(again.settings().window_top.text(), expected.settings().window_top.text());
}

// A process number that no running process has: a child's, once it has
// ended and been waited for.
qint64 deadPid()
{
    static qint64 pid = 0;
    if (pid == 0) {
        const pid_t child = fork();
        if (child == 0)
            _exit(0);
        waitpid(child, nullptr, 0);
        pid = child;
    }
    return pid;
}

} // namespace

// Saving when the disk, the folder or the file will not take it: the old
// files stay to the byte, the poet is told which file and why, the notebook
// stays in memory, and the next save once the fault is gone writes it all.
class TestSaveFaults : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { AtomicFile::failForTesting(AtomicFile::Step::None, 0); }

    void fullDiskKeepsEveryOldFile()
    {
        SmallDisk disk;
        if (!disk.ok())
            QSKIP(qPrintable(disk.reason()));
        copyTree(u"notebook"_qs, disk.path());
        growHaikuFile(disk.path(), 600); // some 40 KB: larger than any write buffer
        QVERIFY(QFileInfo(disk.filePath(u"haiku.dat"_qs)).size() > 32768);

        Notebook nb(disk.path());
        QVERIFY(nb.startUp(windowDefaults(), kNow).problems.isEmpty());
        const Tree before = disk.notebookFiles();
        changeEverything(nb);
        const std::vector<Haiku_record> inMemory = nb.records();

        QVERIFY(disk.fill());
        const QList<StoreProblem> problems = nb.saveAll();
        QStringList files;
        for (const StoreProblem &p : problems) {
            files << p.file;
            QVERIFY2(p.message.startsWith(u"「%1」を保存できませんでした。\n"_qs.arg(p.file)),
                     qPrintable(p.message));
            QVERIFY(p.message.contains(u"ディスクの空き容量が足りません。"_qs));
            QVERIFY(p.message.contains(u"元のファイルはそのまま残っています。"_qs));
        }
        QCOMPARE(files, kDataFiles);
        nb.readMemoFile(3); // as a correction does before it writes the memo
        const std::optional<StoreProblem> memo = nb.writeMemo(3, u"新しいメモ"_qs);
        QVERIFY(memo);
        QCOMPARE(memo->file, u"memo1/m1000003.txt"_qs);
        QVERIFY(Notebook::describe(problems).endsWith(Notebook::stillHeld));

        // the old bytes, and no file left half-written beside them
        sameFiles(disk.notebookFiles(), before);
        QVERIFY(nb.records() == inMemory);

        disk.makeRoom();
        const QList<StoreProblem> after = nb.saveAll(); // the memo too: it was kept for this
        QVERIFY2(after.isEmpty(), qPrintable(Notebook::describe(after)));
        QCOMPARE(nb.readMemoFile(3).text, u"新しいメモ"_qs);
        loadsAs(disk.path(), nb);
    }

    void noRoomForANewFileEntry()
    {
        SmallDisk disk("size=1m,nr_inodes=64");
        if (!disk.ok())
            QSKIP(qPrintable(disk.reason()));
        copyTree(u"notebook"_qs, disk.path());
        Notebook nb(disk.path());
        QVERIFY(nb.startUp(windowDefaults(), kNow).problems.isEmpty());
        const Tree before = disk.notebookFiles();
        changeEverything(nb);
        if (!disk.useAllEntries())
            QSKIP("this file system does not run out of file entries");
        const QList<StoreProblem> problems = nb.saveAll();
        QCOMPARE(problems.size(), kDataFiles.size());
        QVERIFY(problems[0].message.contains(u"ディスクの空き容量が足りません。"_qs));
        sameFiles(disk.notebookFiles(), before);
        disk.makeRoom();
        QVERIFY(nb.saveAll().isEmpty());
        loadsAs(disk.path(), nb);
    }

    void readOnlyFileSystem()
    {
        SmallDisk disk;
        if (!disk.ok())
            QSKIP(qPrintable(disk.reason()));
        copyTree(u"notebook"_qs, disk.path());
        Notebook nb(disk.path());
        QVERIFY(nb.startUp(windowDefaults(), kNow).problems.isEmpty());
        const Tree before = disk.notebookFiles();
        changeEverything(nb);
        QVERIFY(disk.makeReadOnly());
        const QList<StoreProblem> problems = nb.saveAll();
        QCOMPARE(problems.size(), kDataFiles.size());
        for (const StoreProblem &p : problems)
            QVERIFY2(p.message.contains(u"読み取り専用のディスク"_qs), qPrintable(p.message));
        sameFiles(disk.notebookFiles(), before);
    }

    // A file marked read-only is left alone, by root too; the others are saved.
    void readOnlyFile()
    {
        QTemporaryDir dir;
        copyTree(u"notebook"_qs, dir.path());
        Notebook nb(dir.path());
        QVERIFY(nb.startUp(windowDefaults(), kNow).problems.isEmpty());
        const QByteArray oldSettings = bytesOf(dir.filePath(u"haiku.ini"_qs));
        QVERIFY(QFile::setPermissions(dir.filePath(u"haiku.ini"_qs), QFile::ReadOwner | QFile::ReadOther));
        changeEverything(nb);
        const QList<StoreProblem> problems = nb.saveAll();
        QCOMPARE(problems.size(), 1);
        QCOMPARE(problems[0].file, u"haiku.ini"_qs);
        QVERIFY(problems[0].message.contains(u"ファイルが読み取り専用になっています。"_qs));
        QCOMPARE(bytesOf(dir.filePath(u"haiku.ini"_qs)), oldSettings);
        QVERIFY(QFile::setPermissions(dir.filePath(u"haiku.ini"_qs), QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(nb.saveAll().isEmpty());
        loadsAs(dir.path(), nb);
    }

    // A folder the poet may not write into: run as a user without privileges.
    void readOnlyFolder()
    {
        QTemporaryDir dir;
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                      QFile::ReadOther | QFile::ExeOther));
        copyTree(u"notebook"_qs, dir.path());
        const auto permissions = [&](QFile::Permissions extra) {
            for (const QString &sub : {QString(), u"/memo1"_qs})
                QFile::setPermissions(dir.path() + sub, QFile::ReadOwner | QFile::ExeOwner |
                                                            QFile::ReadOther | QFile::ExeOther | extra);
        };
        permissions({});
        const Tree before = snapshot(dir.path());
        const int code = asUnprivileged([&] {
            Notebook nb(dir.path());
            if (!nb.startUp(windowDefaults(), kNow).fatal.isEmpty())
                return 1;
            changeEverything(nb);
            const QList<StoreProblem> problems = nb.saveAll();
            if (problems.size() != kDataFiles.size())
                return 2;
            for (const StoreProblem &p : problems) {
                if (!p.message.contains(u"書き込む権限がありません"_qs) || p.message.contains(u"容量"_qs))
                    return 3;
            }
            nb.readMemoFile(3);
            const auto memo = nb.writeMemo(3, u"メモ"_qs);
            return memo && memo->message.contains(u"書き込む権限がありません"_qs) ? 0 : 4;
        });
        QCOMPARE(code, 0);
        sameFiles(snapshot(dir.path()), before);
    }

    // The files a first start writes, on a disk with no room: the poet is told
    // of each, the notebook is in memory, and the first save with room writes
    // all of them, the welcome memo included.
    void firstStartOnAFullDisk()
    {
        SmallDisk disk;
        if (!disk.ok())
            QSKIP(qPrintable(disk.reason()));
        QVERIFY(disk.fill());
        Notebook nb(disk.path());
        const StartupReport r = nb.startUp(windowDefaults(), kNow);
        QVERIFY(r.fatal.isEmpty());
        QStringList files;
        for (const StoreProblem &p : r.problems)
            files << p.file;
        QCOMPARE(files, (QStringList{u"haiku.ini"_qs, u"haiku.dat"_qs, u"memo1/m1000001.txt"_qs,
                                     u"bunrui.dat"_qs, u"kensaku.dat"_qs}));
        QCOMPARE(nb.haiku_count(), 1);
        QCOMPARE(nb.category_count(), 15);
        disk.makeRoom();
        QVERIFY(nb.saveAll().isEmpty());
        QCOMPARE(nb.readMemo(1).text, DataFiles::welcomeMemoLines().join(u'\n'));
        loadsAs(disk.path(), nb);
    }

    // Keeping a damaged file aside on a full disk is said, and start-up goes on.
    void backupOnAFullDisk()
    {
        SmallDisk disk;
        if (!disk.ok())
            QSKIP(qPrintable(disk.reason()));
        copyTree(u"notebook"_qs, disk.path());
        QVERIFY(put(disk.filePath(u"bunrui.dat"_qs), QByteArray("\x91\x53\x95\x94\r\nbad\xff\r\n")));
        QVERIFY(disk.fill());
        Notebook nb(disk.path());
        const StartupReport r = nb.startUp(windowDefaults(), kNow);
        QVERIFY(r.fatal.isEmpty());
        QCOMPARE(r.problems.size(), 1);
        QCOMPARE(r.problems[0].file, u"bunrui.dat.bak"_qs);
        QVERIFY(!QFileInfo::exists(disk.filePath(u"bunrui.dat.bak"_qs)));
        QCOMPARE(nb.category_count(), 2);
    }

    // Every step of a write is checked: a failure at any of them is reported
    // and leaves the old file, with nothing left beside it.
    void everyStepIsChecked_data()
    {
        QTest::addColumn<AtomicFile::Step>("step");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("cause");
        QTest::newRow("create") << AtomicFile::Step::Create << int(ENOSPC)
                                << u"ディスクの空き容量が足りません。"_qs;
        QTest::newRow("write") << AtomicFile::Step::Write << int(ENOSPC)
                               << u"ディスクの空き容量が足りません。"_qs;
        QTest::newRow("sync") << AtomicFile::Step::Sync << int(EIO)
                              << u"ディスクの読み書きに失敗しました。"_qs;
        QTest::newRow("close") << AtomicFile::Step::Close << int(EDQUOT)
                               << u"ディスクの空き容量が足りません。"_qs;
        QTest::newRow("rename") << AtomicFile::Step::Rename << int(EACCES)
                                << u"ファイルまたはフォルダに書き込む権限がありません。"_qs;
        QTest::newRow("unknown") << AtomicFile::Step::Rename << int(EXDEV) << u"エラー番号 %1"_qs.arg(EXDEV);
    }

    void everyStepIsChecked()
    {
        QFETCH(AtomicFile::Step, step);
        QFETCH(int, error);
        QFETCH(QString, cause);
        QTemporaryDir dir;
        copyTree(u"notebook"_qs, dir.path());
        Notebook nb(dir.path());
        QVERIFY(nb.startUp(windowDefaults(), kNow).problems.isEmpty());
        const Tree before = snapshot(dir.path());
        changeEverything(nb);
        AtomicFile::failForTesting(step, error);
        const QList<StoreProblem> problems = nb.saveAll();
        QCOMPARE(problems.size(), kDataFiles.size());
        QVERIFY2(problems[0].message.contains(cause), qPrintable(problems[0].message));
        QVERIFY(!problems[0].message.contains(u"Existing"_qs)); // no English system text
        sameFiles(snapshot(dir.path()), before);
        AtomicFile::failForTesting(AtomicFile::Step::None, 0);
        QVERIFY(nb.saveAll().isEmpty());
        loadsAs(dir.path(), nb);
    }

    // A deletion whose haiku file cannot be written changes nothing: every
    // memo file stays, and the haiku file and the category file keep their
    // bytes. Once there is room, the same deletion goes through.
    void deletionThatCannotBeSavedKeepsEveryMemo_data()
    {
        QTest::addColumn<bool>("wholeCategory"); // 該当句削除, else 削除
        QTest::addColumn<bool>("realDisk");      // a full tmpfs, else a failed rename
        QTest::newRow("削除, rename fails") << false << false;
        QTest::newRow("該当句削除, rename fails") << true << false;
        QTest::newRow("削除, full disk") << false << true;
        QTest::newRow("該当句削除, full disk") << true << true;
    }

    void deletionThatCannotBeSavedKeepsEveryMemo()
    {
        QFETCH(bool, wholeCategory);
        QFETCH(bool, realDisk);
        std::optional<SmallDisk> disk;
        QTemporaryDir dir;
        if (realDisk && !disk.emplace().ok())
            QSKIP(qPrintable(disk->reason()));
        const QString folder = realDisk ? disk->path() : dir.path();
        const auto files = [&] { return realDisk ? disk->notebookFiles() : snapshot(folder); };
        copyTree(u"notebook"_qs, folder);
        Notebook nb(folder);
        QVERIFY(nb.startUp(windowDefaults(), kNow).problems.isEmpty());
        const NotebookContents contents = nb.contents();
        const Tree before = files();
        // record 3 is the haiku of category entry 2, with memo 3
        const auto remove = [&] { return wholeCategory ? nb.removeCategoryWithHaiku(2) : nb.removeHaiku(3); };

        if (realDisk)
            QVERIFY(disk->fill());
        else
            AtomicFile::failForTesting(AtomicFile::Step::Rename, ENOSPC);
        const Notebook::RemoveResult failed = remove();
        QCOMPARE(failed.removed, 0);
        QVERIFY(!failed.written);
        QVERIFY(nb.categories() == contents.category_list);
        QCOMPARE(failed.problems.size(), 1);
        QCOMPARE(failed.problems[0].file, u"haiku.dat"_qs);
        QVERIFY(failed.problems[0].message.contains(u"ディスクの空き容量が足りません。"_qs));
        QVERIFY(nb.records() == contents.haiku_list);
        sameFiles(files(), before);

        if (realDisk)
            disk->makeRoom();
        else
            AtomicFile::failForTesting(AtomicFile::Step::None, 0);
        const Notebook::RemoveResult done = remove();
        QVERIFY(done.written && done.problems.isEmpty());
        QCOMPARE(done.removed, 1);
        QVERIFY(!QFileInfo::exists(nb.memoPath(3)));
        QCOMPARE(nb.category_count(), wholeCategory ? 4 : 5);
        loadsAs(folder, nb);
    }

    // What a killed save left beside the old files is cleared at the next
    // start; a temporary of a save still running is left alone.
    void leftoversOfAKilledSaveAreRemoved()
    {
        QTemporaryDir dir;
        copyTree(u"notebook"_qs, dir.path());
        const QString dead = dir.filePath(u".haiku.dat.yurimoka-%1-3"_qs.arg(deadPid()));
        const QString deadMemo = dir.filePath(u"memo1/.m1000003.txt.yurimoka-%1-0"_qs.arg(deadPid()));
        const QString running = dir.filePath(u".bunrui.dat.yurimoka-%1-1"_qs.arg(::getpid()));
        const QString other = dir.filePath(u".haiku.dat.keep"_qs);
        for (const QString &f : {dead, deadMemo, running, other})
            QVERIFY(put(f, "half"));
        const QByteArray dat = bytesOf(dir.filePath(u"haiku.dat"_qs));
        Notebook nb(dir.path());
        QVERIFY(nb.startUp(windowDefaults(), kNow).problems.isEmpty());
        nb.removeLeftoverTemporariesLater();
        nb.waitForLeftoverRemoval();
        QVERIFY(!QFileInfo::exists(dead));
        QVERIFY(!QFileInfo::exists(deadMemo));
        QVERIFY(QFileInfo::exists(running));
        QVERIFY(QFileInfo::exists(other));
        QCOMPARE(bytesOf(dir.filePath(u"haiku.dat"_qs)), dat);
    }

    // A data file that is a link into the notebook folder (a synced
    // subfolder, say) is read and written where it points, and stays a
    // link. A link that leads out of the folder is never followed: start-up
    // stops on it, and a save refuses it should one appear later.
    void linkedDataFile_data()
    {
        QTest::addColumn<QString>("target"); // relative to the notebook folder
        QTest::addColumn<bool>("inside");
        QTest::newRow("into a subfolder") << u"synced/bunrui.dat"_qs << true;
        QTest::newRow("out of the folder") << u"../elsewhere/bunrui.dat"_qs << false;
        QTest::newRow("out by a second link") << u"synced/hop"_qs << false;
    }

    void linkedDataFile()
    {
        QFETCH(QString, target);
        QFETCH(bool, inside);
        QTemporaryDir top;
        const QString dir = top.filePath(u"notebook"_qs);
        QVERIFY(QDir().mkpath(dir + u"/synced"_qs) && QDir().mkpath(top.filePath(u"elsewhere"_qs)));
        copyTree(u"notebook"_qs, dir);
        const QString outside = top.filePath(u"elsewhere/bunrui.dat"_qs);
        const QString real = QDir::cleanPath(dir + u'/' + target);
        QVERIFY(QFile::rename(dir + u"/bunrui.dat"_qs, real == dir + u"/synced/hop"_qs ? outside : real));
        if (real == dir + u"/synced/hop"_qs)
            QVERIFY(QFile::link(outside, real));
        QVERIFY(QFile::link(real, dir + u"/bunrui.dat"_qs));
        const QByteArray outsideBefore = bytesOf(outside);
        const Tree before = snapshot(dir);

        Notebook nb(dir);
        const StartupReport r = nb.startUp(windowDefaults(), kNow);
        if (!inside) {
            QVERIFY2(r.fatal.contains(u"句帳のフォルダの外を指すシンボリックリンク"_qs), qPrintable(r.fatal));
            sameFiles(snapshot(dir), before);
            QCOMPARE(bytesOf(outside), outsideBefore);
            return;
        }
        QVERIFY(r.fatal.isEmpty() && r.problems.isEmpty());
        QCOMPARE(nb.categories().back(), u"﨑の句"_qs); // read through the link
        QVERIFY(!nb.addCategory(u"新しい分類"_qs));
        QVERIFY(QFileInfo(dir + u"/bunrui.dat"_qs).isSymLink());
        QVERIFY(bytesOf(real).endsWith(Cp932::encode(u"新しい分類\r\n"_qs).bytes));

        // turned to point out of the folder after start-up: the save is refused
        QVERIFY(put(outside, "theirs\r\n"));
        QVERIFY(QFile::remove(dir + u"/bunrui.dat"_qs) && QFile::link(outside, dir + u"/bunrui.dat"_qs));
        const std::optional<StoreProblem> refused = nb.addCategory(u"もう一つ"_qs);
        QVERIFY(refused);
        QVERIFY2(refused->message.contains(u"句帳のフォルダの外か、どこも指していないシンボリックリンク"_qs),
                 qPrintable(refused->message));
        QCOMPARE(bytesOf(outside), QByteArray("theirs\r\n"));
        QVERIFY(QFileInfo(dir + u"/bunrui.dat"_qs).isSymLink());
    }
};

QTEST_APPLESS_MAIN(TestSaveFaults)
#include "tst_save_faults.moc"
