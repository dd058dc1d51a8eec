#include "store/Cp932.h"
#include "store/InstanceLock.h"
#include "store/Notebook.h"

#include "support/Contents.h"
#include "support/Folders.h"

#include <QRegularExpression>
#include <QSysInfo>
#include <QTest>

#include <sys/stat.h>

using namespace folders;

namespace {

// The copies a save put beside name.
QStringList asideOf(const QString &folder, const QString &name)
{
    return QDir(folder).entryList({name + u".conflict-*"_qs}, QDir::Files);
}

QByteArray sjis(const QString &s)
{
    return Cp932::encode(s).bytes;
}

// A file replaced by a save gets a new inode; one left alone keeps its own.
ino_t inode(const QString &path)
{
    struct stat st
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

// The window moved by left and top twips, as the main window tells the notebook.
void moveWindow(Notebook &nb, double left, double top)
{
    const Settings &s = nb.settings();
    Notebook::WindowPlace place{s.window_state,  s.window_top,   s.window_left,
                                s.window_height, s.window_width, s.list_height};
    place.window_left.set(s.window_left.value() + left);
    place.window_top.set(s.window_top.value() + top);
    nb.setWindowPlace(place);
}

} // namespace

// One notebook folder kept in step between two computers by a sync program:
// a file that changed on disk since we read it is never overwritten.
class TestSync : public QObject
{
    Q_OBJECT

private slots:
    // The other computer puts a haiku at the head of haiku.dat while this
    // program runs with nothing changed; quitting keeps both versions.
    void haikuFileChangedOnDisk()
    {
        QTemporaryDir dir;
        copyTree(u"notebook"_qs, dir.path());
        Notebook nb(dir.path());
        QVERIFY(nb.startUp(windowDefaults(), kNow).problems.isEmpty());
        const QByteArray ours = bytesOf(dir.filePath(u"haiku.dat"_qs));
        const QByteArray theirs = record(sjis(u"もう一台の句"_qs), " 40 ") + ours;
        QVERIFY(put(dir.filePath(u"haiku.dat"_qs), theirs));

        const QList<StoreProblem> problems = nb.saveAll();
        QCOMPARE(problems.size(), 1);
        QCOMPARE(problems[0].file, u"haiku.dat"_qs);
        const QStringList aside = asideOf(dir.path(), u"haiku.dat"_qs);
        QCOMPARE(aside.size(), 1);
        QCOMPARE(problems[0].savedAs, aside[0]);
        QVERIFY(
            problems[0].message.contains(u"「haiku.dat」には、書き換えられた内容をそのまま残しました。"_qs));
        QVERIFY(problems[0].message.contains(u"このパソコンの内容は「%1」に保存しました。"_qs.arg(aside[0])));
        QCOMPARE(bytesOf(dir.filePath(u"haiku.dat"_qs)), theirs); // the other computer's bytes untouched
        QCOMPARE(bytesOf(dir.filePath(aside[0])), ours);
        QVERIFY(aside[0].contains(QRegularExpression(u"^haiku\\.dat\\.conflict-\\d{8}-\\d{6}$"_qs)));

        // Saving again puts no second copy of the same bytes beside it.
        QCOMPARE(nb.saveAll().size(), 1);
        QCOMPARE(asideOf(dir.path(), u"haiku.dat"_qs).size(), 1);
        // A change of ours after that is kept too, in a copy of its own.
        editContents(nb, [](NotebookContents &c) { c.haiku_list[1].poem = u"こちらで直した句"_qs; });
        QCOMPARE(nb.saveAll().size(), 1);
        QCOMPARE(bytesOf(dir.filePath(u"haiku.dat"_qs)), theirs);
        QVERIFY(asideOf(dir.path(), u"haiku.dat"_qs).size() >= 1);
    }

    void memoChangedOnDiskDuringACorrection()
    {
        QTemporaryDir dir;
        copyTree(u"notebook"_qs, dir.path());
        Notebook nb(dir.path());
        QVERIFY(nb.startUp(windowDefaults(), kNow).problems.isEmpty());
        nb.readMemoFile(7); // the correction opens with the memo as it is
        const QByteArray theirs = sjis(u"もう一台で書いたメモ\r\n"_qs);
        QVERIFY(put(nb.memoPath(7), theirs));
        const std::optional<StoreProblem> p = nb.writeMemo(7, u"こちらで直したメモ"_qs);
        QVERIFY(p);
        QVERIFY(!p->savedAs.isEmpty());
        QCOMPARE(bytesOf(nb.memoPath(7)), theirs);
        QCOMPARE(bytesOf(dir.filePath(p->savedAs)), sjis(u"こちらで直したメモ\r\n"_qs));

        // A memo file read and rewritten with nobody else in between is simply replaced.
        nb.readMemoFile(12);
        QVERIFY(!nb.writeMemo(12, u"直したメモ"_qs));
        QCOMPARE(nb.readMemoFile(12).text, u"直したメモ"_qs);
        // A new haiku's memo number already used by another computer's memo: kept apart.
        QVERIFY(put(nb.memoPath(99), sjis(u"他の句のメモ\r\n"_qs)));
        const auto clash = nb.writeMemo(99, u"新しい句のメモ"_qs);
        QVERIFY(clash && !clash->savedAs.isEmpty());
        QCOMPARE(bytesOf(nb.memoPath(99)), sjis(u"他の句のメモ\r\n"_qs));
    }

    void settingsChangedOnDisk()
    {
        QTemporaryDir dir;
        copyTree(u"notebook"_qs, dir.path());
        Notebook nb(dir.path());
        QVERIFY(nb.startUp(windowDefaults(), kNow).problems.isEmpty());
        QByteArray theirs = bytesOf(dir.filePath(u"haiku.ini"_qs));
        theirs.replace(theirs.lastIndexOf("\r\n", theirs.size() - 3) + 2, 0, "x");
        QVERIFY(put(dir.filePath(u"haiku.ini"_qs), theirs));
        moveWindow(nb, 150, 0);
        const QList<StoreProblem> problems = nb.saveAll();
        QCOMPARE(problems.size(), 1);
        QCOMPARE(problems[0].file, u"haiku.ini"_qs);
        QCOMPARE(bytesOf(dir.filePath(u"haiku.ini"_qs)), theirs);
        QCOMPARE(asideOf(dir.path(), u"haiku.ini"_qs).size(), 1);
    }

    // Nothing changed on disk: no copy made, every byte as before.
    void nothingChangedMakesNoCopy()
    {
        QTemporaryDir dir;
        copyTree(u"notebook"_qs, dir.path());
        const Tree before = snapshot(dir.path());
        Notebook nb(dir.path());
        QVERIFY(nb.startUp(windowDefaults(), kNow).problems.isEmpty());
        QCOMPARE(nb.readMemoFile(7).text.isEmpty(), false);
        editContents(nb, [](NotebookContents &c) { c.haiku_list[1].poem = u"直した句"_qs; });
        QVERIFY(nb.saveAll().isEmpty());
        QVERIFY(!nb.writeMemo(7, u"直したメモ"_qs));
        QVERIFY(QDir(dir.path()).entryList({u"*.conflict-*"_qs}).isEmpty());
        QVERIFY(QDir(dir.filePath(u"memo1"_qs)).entryList({u"*.conflict-*"_qs}).isEmpty());
        // Besides the day's first copy of the haiku file in 履歴/, nothing new.
        QStringList now = snapshot(dir.path()).keys();
        now.removeIf([](const QString &name) { return name.startsWith(u"履歴/"_qs); });
        QCOMPARE(now, before.keys());
    }

    // A file that already holds what we would write is left alone, even when
    // its time changed: a sync program that set the other computer's time, or
    // brought the very change we made. Rewriting it would hand the sync
    // program a change of ours to carry back.
    void fileAlreadyHoldingOurBytesIsNotRewritten()
    {
        QTemporaryDir dir, other;
        copyTree(u"notebook"_qs, dir.path());
        copyTree(u"notebook"_qs, other.path());
        Notebook nb(dir.path());
        QVERIFY(nb.startUp(windowDefaults(), kNow).problems.isEmpty());

        // Only the times changed.
        for (const QString &f : {u"haiku.dat"_qs, u"kensaku.dat"_qs}) {
            QFile touched(dir.filePath(f));
            QVERIFY(touched.open(QIODevice::ReadWrite));
            QVERIFY(touched.setFileTime(QDateTime(QDate(2001, 1, 1), QTime(0, 0)),
                                        QFileDevice::FileModificationTime));
        }
        const ino_t datBefore = inode(dir.filePath(u"haiku.dat"_qs));
        const ino_t keyBefore = inode(dir.filePath(u"kensaku.dat"_qs));
        QVERIFY(nb.saveAll().isEmpty());
        QCOMPARE(inode(dir.filePath(u"haiku.dat"_qs)), datBefore);
        QCOMPARE(inode(dir.filePath(u"kensaku.dat"_qs)), keyBefore);

        // The other computer made the same change as ours and its file has arrived.
        Notebook elsewhere(other.path());
        QVERIFY(elsewhere.startUp(windowDefaults(), kNow).problems.isEmpty());
        moveWindow(elsewhere, 150, 0);
        QVERIFY(elsewhere.saveAll().isEmpty());
        QVERIFY(put(dir.filePath(u"haiku.ini"_qs), bytesOf(other.filePath(u"haiku.ini"_qs))));
        const ino_t iniBefore = inode(dir.filePath(u"haiku.ini"_qs));
        moveWindow(nb, 150, 0);
        QVERIFY(nb.saveAll().isEmpty());
        QCOMPARE(inode(dir.filePath(u"haiku.ini"_qs)), iniBefore);

        // From then on the file is ours again: a change of ours replaces it.
        moveWindow(nb, 0, 15);
        QVERIFY(nb.saveAll().isEmpty());
        QVERIFY(inode(dir.filePath(u"haiku.ini"_qs)) != iniBefore);
        QVERIFY(QDir(dir.path()).entryList({u"*.conflict-*"_qs}).isEmpty());
    }

    // The copies a sync program leaves are pointed out and never read.
    void syncProgramCopiesAreNotRead()
    {
        QTemporaryDir dir;
        copyTree(u"notebook"_qs, dir.path());
        const QString copy = u"haiku.sync-conflict-20261207-101500-ABCDEFG.dat"_qs;
        QVERIFY(put(dir.filePath(copy), record("other", " 50 ")));
        QVERIFY(put(dir.filePath(u".syncthing.haiku.dat.tmp"_qs), record("half", " 51 ")));
        Notebook nb(dir.path());
        const StartupReport r = nb.startUp(windowDefaults(), kNow);
        QCOMPARE(r.notices.size(), 1);
        QVERIFY(r.notices[0].contains(copy));
        QCOMPARE(nb.haiku_count(), 3);
        QCOMPARE(nb.lastMemoNo(), qint64(12)); // nothing counted from the copies

        // a copy of ours, made on either computer, is pointed out too
        QVERIFY(put(dir.filePath(u"haiku.dat.conflict-20261207-101500"_qs), record("ours", " 52 ")));
        Notebook next(dir.path());
        const StartupReport r2 = next.startUp(windowDefaults(), kNow);
        QCOMPARE(r2.notices.size(), 2);
        QVERIFY(r2.notices[1].contains(u"haiku.dat.conflict-20261207-101500"_qs));
        QCOMPARE(next.haiku_count(), 3);
    }

    void lockFromAnotherComputer()
    {
        QTemporaryDir dir;
        // What QLockFile writes: the process, the program, the computer.
        QVERIFY(put(dir.filePath(u".yurimoka.lock"_qs), "4242\nyurimoka\nyama-no-pc\n"));
        InstanceLock lock(dir.path());
        QCOMPARE(lock.acquire(), InstanceLock::Outcome::OtherComputer);
        QCOMPARE(lock.otherHost(), u"yama-no-pc"_qs);
        QVERIFY(bytesOf(dir.filePath(u".yurimoka.lock"_qs)).contains("yama-no-pc")); // not taken silently
        QVERIFY(lock.takeOver());
        QVERIFY(bytesOf(dir.filePath(u".yurimoka.lock"_qs)).contains(QSysInfo::machineHostName().toUtf8()));

        // A lock of this computer whose process is gone is taken over at once.
        QTemporaryDir here;
        QVERIFY(put(here.filePath(u".yurimoka.lock"_qs),
                    "999999\nyurimoka\n" + QSysInfo::machineHostName().toUtf8() + "\n"));
        InstanceLock mine(here.path());
        QCOMPARE(mine.acquire(), InstanceLock::Outcome::Acquired);
    }
};

QTEST_APPLESS_MAIN(TestSync)
#include "tst_sync.moc"
