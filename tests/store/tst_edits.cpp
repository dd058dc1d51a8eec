#include "store/AtomicFile.h"
#include "store/Notebook.h"

#include "support/Contents.h"
#include "support/Folders.h"

#include <QTest>

#include <sys/stat.h>

using namespace folders;

namespace {

Notebook::HaikuInput input(const QString &poem, const QString &category = u"X"_qs, bool locked = false)
{
    return {u"2026/12/07"_qs, category, poem, locked};
}

const Notebook::Clock kClock = [] { return kNow; };

QStringList poems(const Notebook &nb)
{
    QStringList p;
    for (std::size_t i = 1; i < nb.records().size(); ++i)
        p << nb.records()[i].poem;
    return p;
}

qint64 memoOf(const Notebook &nb, int index)
{
    return DataFiles::memoNumber(nb.record(index).memo_no);
}

// A notebook on disk with haiku A (X), B (Y), C (X), D (Y), each with a memo.
void fourHaiku(Notebook &nb)
{
    QVERIFY(nb.startUp(windowDefaults(), kNow).fatal.isEmpty());
    editContents(nb, [](NotebookContents &c) {
        c.haiku_list.resize(1);
        c.category_list = {QString(), u"全部"_qs, u"X"_qs, u"Y"_qs};
    });
    for (const auto &[poem, cat] :
         {std::pair{u"D"_qs, u"Y"_qs}, {u"C"_qs, u"X"_qs}, {u"B"_qs, u"Y"_qs}, {u"A"_qs, u"X"_qs}}) {
        const Notebook::StoreResult stored = nb.enterHaiku(input(poem, cat), u"memo of "_qs + poem, kClock);
        QVERIFY(!stored.problem && stored.warnings.isEmpty() && !stored.categoryAdded);
    }
    QVERIFY(nb.saveAll().isEmpty());
}

// A clock that gives its readings in turn and counts them.
struct Readings
{
    QList<QDateTime> times;
    int taken = 0;
    Notebook::Clock clock()
    {
        return [this] { return times[std::min<qsizetype>(taken++, times.size() - 1)]; };
    }
};

// The memo numbers of the records found.
QList<qint64> found(const Notebook &nb, const QString &category, const QString &keyword = {})
{
    QList<qint64> numbers;
    for (int index : nb.find(category, keyword))
        numbers << memoOf(nb, index);
    return numbers;
}

} // namespace

// Entering, correcting and deleting haiku and keeping the categories, as the
// windows ask for them, without any window.
class TestEdits : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { AtomicFile::failForTesting(AtomicFile::Step::None, 0); }

    // The entry window's store: the memo first, then the record at the head,
    // the haiku file and the settings.
    void enteringWritesTheMemoThenTheRecord()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        QVERIFY(nb.startUp(windowDefaults(), kNow).fatal.isEmpty()); // the welcome haiku, memo 1
        Readings clock{
            {QDateTime(QDate(2049, 12, 31), QTime(23, 59, 59)), QDateTime(QDate(2050, 1, 1), QTime(0, 0))}};
        const Notebook::StoreResult stored =
            nb.enterHaiku(input(u"古池や"_qs, u"推敲未完"_qs, true), QString(), clock.clock());
        QVERIFY(!stored.problem && stored.warnings.isEmpty() && !stored.categoryAdded);
        QCOMPARE(stored.index, 1);
        QCOMPARE(clock.taken, 2); // one reading for each stamp
        const Haiku_record &r = nb.record(1);
        QCOMPARE(r.poem, u"古池や"_qs);
        QCOMPARE(r.memo_no, u" 2 "_qs);
        QCOMPARE(nb.lastMemoNo(), qint64(2));
        QCOMPARE(r.created_stamp, u"e9/12/31 23:59:59"_qs);
        QCOMPARE(r.updated_stamp, u"50/01/01 00:00:00"_qs); // 2050 keeps its "5"
        QCOMPARE(r.locked, u"YES"_qs);
        QCOMPARE(poems(nb), (QStringList{u"古池や"_qs, u"【ユリモカ】ご利用のお礼"_qs}));
        // an empty memo is still a file: one line end
        QCOMPARE(bytesOf(nb.memoPath(2)), QByteArray("\r\n"));
        // the haiku and the number handed out are on disk at once
        Notebook onDisk(dir.path());
        QVERIFY(onDisk.startUp(windowDefaults(), kNow).problems.isEmpty());
        QCOMPARE(poems(onDisk), poems(nb));
        QVERIFY(bytesOf(dir.filePath(u"haiku.ini"_qs)).startsWith(" 2 \r\n"));

        // A memo with lines, and a second haiku: the next number again.
        const auto second =
            nb.enterHaiku(input(u"二句目"_qs, u"推敲未完"_qs), u"一行目\n\n三行目\n"_qs, kClock);
        QCOMPARE(second.index, 1);
        QCOMPARE(nb.lastMemoNo(), qint64(3));
        QCOMPARE(bytesOf(nb.memoPath(3)),
                 QByteArray("\x88\xea\x8d\x73\x96\xda\r\n\r\n\x8e\x4f\x8d\x73\x96\xda\r\n\r\n"));
        QCOMPARE(nb.readMemo(1).text, u"一行目\n\n三行目\n"_qs);

        // Every number handed out: no haiku is made with a number already used.
        editContents(nb, [](NotebookContents &c) {
            c.settings.last_memo_no = NumberText::fromText(u" 2147483647 "_qs);
        });
        const Tree before = snapshot(dir.path());
        const auto none = nb.enterHaiku(input(u"もう一句"_qs), {}, kClock);
        QVERIFY(none.problem);
        QCOMPARE(none.problem->kind, StoreProblem::Kind::MemoNumbers);
        QCOMPARE(none.index, 0);
        QCOMPARE(nb.haiku_count(), 3);
        sameFiles(snapshot(dir.path()), before);
    }

    void correctingKeepsNumberStampAndPlace()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        fourHaiku(nb);
        const Haiku_record before = nb.record(3);
        const qint64 last = nb.lastMemoNo();
        Readings clock{{QDateTime(QDate(2050, 1, 1), QTime(0, 0))}};
        const auto result =
            nb.correctHaiku(3, {u"令和八年"_qs, u"夏"_qs, u"C2"_qs, true}, u"新しいメモ"_qs, clock.clock());
        QVERIFY(!result.problem && result.warnings.isEmpty());
        QCOMPARE(result.index, 3);
        QVERIFY(result.categoryAdded);
        QCOMPARE(nb.categories().back(), u"夏"_qs);
        QCOMPARE(clock.taken, 1);
        const Haiku_record &r = nb.record(3);
        QCOMPARE(r.poem, u"C2"_qs);
        QCOMPARE(r.category, u"夏"_qs);
        QCOMPARE(r.date_text, u"令和八年"_qs);
        QCOMPARE(r.locked, u"YES"_qs);
        QCOMPARE(r.memo_no, before.memo_no);
        QCOMPARE(r.created_stamp, before.created_stamp);
        QCOMPARE(r.updated_stamp, u"50/01/01 00:00:00"_qs); // 2050 keeps its "5"
        QCOMPARE(nb.lastMemoNo(), last);
        QCOMPARE(nb.readMemo(3).text, u"新しいメモ"_qs);
        QCOMPARE(poems(nb), (QStringList{u"A"_qs, u"B"_qs, u"C2"_qs, u"D"_qs}));
        Notebook onDisk(dir.path());
        QVERIFY(onDisk.startUp(windowDefaults(), kNow).problems.isEmpty());
        QVERIFY(onDisk.records() == nb.records());
        // no record there: nothing written, said so
        for (int index : {0, 5}) {
            const auto missing = nb.correctHaiku(index, input(u"x"_qs), u"x"_qs, kClock);
            QVERIFY(missing.problem);
            QCOMPARE(missing.problem->kind, StoreProblem::Kind::NotFound);
        }
        QCOMPARE(poems(nb), (QStringList{u"A"_qs, u"B"_qs, u"C2"_qs, u"D"_qs}));
    }

    // Two haiku with the same poem: each is removed with its own memo file.
    void removingOneHaikuTakesItsOwnMemo()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        fourHaiku(nb);
        editContents(nb, [](NotebookContents &c) { c.haiku_list[3].poem = u"A"_qs; }); // C now reads like A
        const qint64 laterMemo = memoOf(nb, 3);
        const qint64 earlierMemo = memoOf(nb, 1);
        Notebook::RemoveResult removed = nb.removeHaiku(3);
        QVERIFY(removed.problems.isEmpty() && removed.keptPoems.isEmpty() && removed.written);
        QCOMPARE(removed.removed, 1);
        QCOMPARE(poems(nb), (QStringList{u"A"_qs, u"B"_qs, u"D"_qs}));
        QVERIFY(!QFileInfo::exists(nb.memoPath(laterMemo)));
        QVERIFY(QFileInfo::exists(nb.memoPath(earlierMemo)));
        Notebook again(dir.path());
        QVERIFY(again.startUp(windowDefaults(), kNow).problems.isEmpty());
        QCOMPARE(poems(again), (QStringList{u"A"_qs, u"B"_qs, u"D"_qs}));
        // a memo file already gone does not stop the deletion
        QVERIFY(QFile::remove(nb.memoPath(earlierMemo)));
        removed = nb.removeHaiku(1);
        QVERIFY(removed.problems.isEmpty());
        QCOMPARE(removed.removed, 1);
        QCOMPARE(poems(nb), (QStringList{u"B"_qs, u"D"_qs}));
        QCOMPARE(nb.removeHaiku(3).removed, 0); // past the end: nothing
        QCOMPARE(nb.haiku_count(), 2);
    }

    void memoThatCannotBeDeletedKeepsItsHaiku()
    {
        QTemporaryDir dir;
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                      QFile::ReadOther | QFile::WriteOther |
                                                      QFile::ExeOther));
        Notebook nb(dir.path());
        fourHaiku(nb);
        // the notebook's files are private; this user is let read them
        for (const QString &file : snapshot(dir.path()).keys())
            QVERIFY(QFile::setPermissions(dir.filePath(file),
                                          QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
        QVERIFY(QFile::setPermissions(dir.filePath(u"memo1"_qs), QFile::ReadOwner | QFile::ExeOwner |
                                                                     QFile::ReadOther | QFile::ExeOther));
        // as an unprivileged user, who may not delete in that folder; the
        // notebook folder itself stays writable for the haiku file
        const int code = asUnprivileged([&] {
            Notebook nb2(dir.path());
            if (!nb2.startUp(windowDefaults(), kNow).fatal.isEmpty())
                return 1;
            const Notebook::RemoveResult one = nb2.removeHaiku(2);
            if (one.problems.size() != 1 || !one.problems[0].message.contains(u"削除できませんでした"_qs) ||
                one.problems[0].kind != StoreProblem::Kind::MemoDelete || one.removed != 0 ||
                one.keptPoems != QStringList{u"B"_qs} || nb2.haiku_count() != 4)
                return 2;
            const Notebook::RemoveResult all =
                nb2.removeCategoryWithHaiku(2); // X: A and C stay with their memos
            if (all.problems.isEmpty() || all.keptPoems != QStringList{u"A"_qs, u"C"_qs} ||
                poems(nb2) != QStringList{u"A"_qs, u"B"_qs, u"C"_qs, u"D"_qs})
                return 3;
            return 0;
        });
        QVERIFY(QFile::setPermissions(dir.filePath(u"memo1"_qs),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QCOMPARE(code, 0);
        QCOMPARE(QDir(dir.filePath(u"memo1"_qs)).entryList(QDir::Files).size(), 5);
    }

    void removingACategoryWithItsHaiku()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        fourHaiku(nb);
        const qint64 lastBefore = nb.lastMemoNo();
        editContents(nb, [](NotebookContents &c) {
            c.haiku_list.push_back(
                {u"d"_qs, u"X "_qs, u"E"_qs, u"0"_qs, {}, {}, u"NO"_qs}); // a trailing blank: stays
            c.haiku_list.push_back(
                {u"d"_qs, u"X"_qs, u"F"_qs, u"0"_qs, {}, {}, u"NO"_qs}); // memo 0: no file touched
        });
        QVERIFY(QDir().mkpath(dir.filePath(u"memo2"_qs)));
        const qint64 aMemo = memoOf(nb, 1);
        const QString companion =
            dir.filePath(u"memo2/"_qs + DataFiles::memoFileName(aMemo).replace(1, 1, u'2'));
        QVERIFY(put(companion, "x"));
        const Notebook::RemoveResult removed = nb.removeCategoryWithHaiku(2);
        QVERIFY(removed.problems.isEmpty() && removed.keptPoems.isEmpty() && removed.written);
        QCOMPARE(removed.removed, 3);
        QCOMPARE(poems(nb), (QStringList{u"B"_qs, u"D"_qs, u"E"_qs}));
        QCOMPARE(nb.categories(), (std::vector<QString>{QString(), u"全部"_qs, u"Y"_qs}));
        QCOMPARE(nb.lastMemoNo(), lastBefore);
        QVERIFY(!QFileInfo::exists(nb.memoPath(aMemo)));
        QVERIFY(!QFileInfo::exists(companion));
        QCOMPARE(QDir(dir.filePath(u"memo1"_qs)).entryList(QDir::Files).size(),
                 2 + 1); // B, D, and the welcome memo
        Notebook again(dir.path());
        QVERIFY(again.startUp(windowDefaults(), kNow).problems.isEmpty());
        QCOMPARE(poems(again), poems(nb));
        QCOMPARE(again.categories(), nb.categories());

        // a category without haiku is still removed, and its file written
        QVERIFY(!nb.addCategory(u"空"_qs));
        QVERIFY(nb.removeCategoryWithHaiku(3).problems.isEmpty());
        QCOMPARE(nb.category_count(), 2);
        QCOMPARE(bytesOf(dir.filePath(u"bunrui.dat"_qs)), QByteArray("\x91\x53\x95\x94\r\nY\r\n"));
        QVERIFY(nb.removeCategoryWithHaiku(1).problems.isEmpty()); // 全部 is never removed
        QCOMPARE(nb.category_count(), 2);
    }

    // The count a large deletion shows: it never goes back nor past the end,
    // comes while the memo files move, and ends with every deleted haiku.
    void removalTellsHowFarItHasGone_data()
    {
        QTest::addColumn<int>("haiku");  // of category X
        QTest::addColumn<bool>("memos"); // each with a memo file, else memo number 0
        QTest::addColumn<bool>("stuck"); // the first one's memo cannot move, so it stays
        QTest::addColumn<int>("removed");
        QTest::addColumn<bool>("meanwhile"); // told before the end too
        QTest::newRow("hundreds of memos") << 600 << true << false << 600 << true;
        QTest::newRow("no memo numbers") << 3 << false << false << 3 << false;
        QTest::newRow("a memo that cannot move") << 300 << true << true << 299 << true;
    }

    void removalTellsHowFarItHasGone()
    {
        QFETCH(int, haiku);
        QFETCH(bool, memos);
        QFETCH(bool, stuck);
        QFETCH(int, removed);
        QFETCH(bool, meanwhile);
        const auto dir = quickTemporaryDir();
        Notebook nb(dir->path());
        QVERIFY(nb.startUp(windowDefaults(), kNow).fatal.isEmpty());
        editContents(nb, [&](NotebookContents &c) {
            c.category_list = {QString(), u"全部"_qs, u"X"_qs};
            c.haiku_list.resize(1);
            for (int k = 1; k <= haiku; ++k) {
                const QString memoNo = memos ? TextLines::formatNumber(k + 1) : u"0"_qs;
                c.haiku_list.push_back({u"d"_qs, u"X"_qs, QString::number(k), memoNo, {}, {}, u"NO"_qs});
            }
            c.settings.last_memo_no.set(haiku + 1);
        });
        for (int k = 1; memos && k <= haiku; ++k)
            QVERIFY(put(nb.memoPath(k + 1), "m"));
        if (stuck) // something no one can delete as a file, root neither
            QVERIFY(QFile::remove(nb.memoPath(2)) && QDir().mkpath(nb.memoPath(2) + u"/inside"_qs));

        QList<std::pair<int, int>> told;
        const Notebook::RemoveResult result = nb.removeCategoryWithHaiku(2, [&](int done, int total) {
            told.append({done, total});
        });
        QCOMPARE(result.removed, removed);
        QVERIFY(!told.isEmpty());
        QCOMPARE(told.last(), std::pair(removed, removed));
        QCOMPARE(told.size() > 1, meanwhile);
        QVERIFY2(told.size() <= 1 + removed / 200, "told at every memo");
        for (qsizetype k = 0; k < told.size(); ++k) {
            QCOMPARE(told[k].second, removed);
            QVERIFY(told[k].first >= (k ? told[k - 1].first : 0) && told[k].first <= removed);
        }
    }

    // A memo that cannot be written: the record is neither added nor changed,
    // every file stays as it was, and no later save writes that memo.
    void memoThatCannotBeWrittenStoresNothing()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        fourHaiku(nb);
        const Tree before = snapshot(dir.path());
        const NotebookContents contents = nb.contents();
        const qint64 last = nb.lastMemoNo();
        AtomicFile::failForTesting(AtomicFile::Step::Create, ENOSPC);
        const auto entered = nb.enterHaiku(input(u"新句"_qs, u"新しい分類"_qs), u"メモ"_qs, kClock);
        QCOMPARE(entered.index, 0);
        QVERIFY(entered.problem);
        QVERIFY(entered.problem->message.contains(DataFiles::memoFileName(last + 1)));
        QVERIFY(entered.problem->message.contains(u"ディスクの空き容量が足りません。"_qs));
        const auto corrected = nb.correctHaiku(2, input(u"B2"_qs), u"メモ"_qs, kClock);
        QCOMPARE(corrected.index, 0);
        QVERIFY(corrected.problem);
        AtomicFile::failForTesting(AtomicFile::Step::None, 0);
        QVERIFY(nb.records() == contents.haiku_list);
        QVERIFY(nb.categories() == contents.category_list);
        QCOMPARE(nb.lastMemoNo(), last);
        QVERIFY(nb.saveAll().isEmpty());
        sameFiles(snapshot(dir.path()), before);
    }

    // The next numbers' memo files are already there (brought by a sync
    // program from the other computer): they are left alone and the numbers
    // passed over.
    void memoFileAlreadyThereIsNeverWrittenOver()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        fourHaiku(nb);
        const qint64 last = nb.lastMemoNo();
        QVERIFY(put(nb.memoPath(last + 1), "theirs\r\n"));
        QVERIFY(put(nb.memoPath(last + 2), "theirs too\r\n"));
        const auto stored = nb.enterHaiku(input(u"新句"_qs), u"ours"_qs, kClock);
        QVERIFY(!stored.problem && stored.warnings.isEmpty());
        QCOMPARE(nb.record(1).memo_no, TextLines::formatNumber(double(last + 3)));
        QCOMPARE(nb.lastMemoNo(), last + 3);
        QCOMPARE(bytesOf(nb.memoPath(last + 1)), QByteArray("theirs\r\n"));
        QCOMPARE(bytesOf(nb.memoPath(last + 2)), QByteArray("theirs too\r\n"));
        QCOMPARE(bytesOf(nb.memoPath(last + 3)), QByteArray("ours\r\n"));
    }

    // A memo "file" that is no file: a FIFO, or a link (to a file outside,
    // to another memo, to nothing). It is never opened, shown or written
    // through; it reads as a memo that cannot be read; deleting its haiku
    // removes the entry itself and nothing it points to.
    void memoThatIsNoFile_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("cause");
        const QString link = u"ファイルがシンボリックリンク（別の場所を指すもの）になっています。"_qs;
        QTest::newRow("FIFO") << u"fifo"_qs << u"ファイルの代わりに名前付きパイプ（FIFO）があります。"_qs;
        QTest::newRow("link to a file outside") << u"outside"_qs << link;
        QTest::newRow("link to another memo") << u"memo"_qs << link;
        QTest::newRow("link to nothing") << u"broken"_qs << link;
    }

    void memoThatIsNoFile()
    {
        QFETCH(QString, what);
        QFETCH(QString, cause);
        QTemporaryDir dir, elsewhere;
        Notebook nb(dir.path());
        fourHaiku(nb);
        const qint64 b = DataFiles::memoNumber(nb.records()[2].memo_no);
        const QString memo = nb.memoPath(b);
        const QString secret = elsewhere.filePath(u"secret.txt"_qs);
        QVERIFY(put(secret, "secret\r\n"));
        const QString target = what == u"outside"_qs ? secret
                               : what == u"memo"_qs
                                   ? nb.memoPath(DataFiles::memoNumber(nb.records()[1].memo_no))
                                   : dir.filePath(u"gone"_qs);
        QVERIFY(QFile::remove(memo));
        if (what == u"fifo"_qs)
            QCOMPARE(::mkfifo(QFile::encodeName(memo).constData(), 0600), 0);
        else
            QVERIFY(QFile::link(target, memo));
        const Tree before = snapshot(dir.path());
        const std::vector<Haiku_record> records = nb.records();

        // neither the read nor the correction waits on the FIFO
        QCOMPARE(inChildThatMustReturn([&] {
                     Notebook other(dir.path());
                     other.startUp(windowDefaults(), kNow);
                     other.readMemoFile(b);
                     other.correctHaiku(2, input(u"B"_qs), u"x"_qs, [] { return kNow; });
                     return 0;
                 }),
                 0);
        const MemoFile read = nb.readMemoFile(b);
        QCOMPARE(read.state, MemoFile::State::Unreadable);
        QVERIFY(read.text.isEmpty());
        QCOMPARE(read.problem,
                 u"メモのファイル「memo1/%1」を読み込めませんでした。\n"_qs.arg(DataFiles::memoFileName(b)) +
                     cause);
        QCOMPARE(nb.readMemo(2).text, QString()); // the memo box shows nothing

        // a correction is refused, and nothing is written anywhere
        const auto corrected = nb.correctHaiku(2, input(u"B2"_qs), u"ours"_qs, [] { return kNow; });
        QCOMPARE(corrected.index, 0);
        QVERIFY(corrected.problem);
        QVERIFY2(corrected.problem->message.startsWith(
                     u"「memo1/%1」を保存できませんでした。\n"_qs.arg(DataFiles::memoFileName(b))),
                 qPrintable(corrected.problem->message));
        QVERIFY(nb.records() == records);
        QVERIFY(nb.saveAll().isEmpty());
        sameFiles(snapshot(dir.path()), before);
        QCOMPARE(bytesOf(secret), QByteArray("secret\r\n"));
        QCOMPARE(QFileInfo(memo).isSymLink(), what != u"fifo"_qs);

        // deleting takes the entry itself, never what it points to
        QVERIFY(nb.removeHaiku(2).problems.isEmpty());
        QVERIFY(!QFileInfo(memo).isSymLink() && !QFileInfo::exists(memo));
        QCOMPARE(bytesOf(secret), QByteArray("secret\r\n"));
        QCOMPARE(QFileInfo(nb.memoPath(DataFiles::memoNumber(nb.records()[1].memo_no))).size(), 11);
    }

    // A damaged memo number reads as 0; correcting that haiku gives it a file
    // of its own instead of one that every such haiku would share.
    void damagedMemoNumberGetsItsOwnFileOnCorrection()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        fourHaiku(nb);
        editContents(nb, [](NotebookContents &c) { c.haiku_list[2].memo_no = u"-5"_qs; });
        const qint64 last = nb.lastMemoNo();
        QVERIFY(!nb.correctHaiku(2, input(u"B"_qs), u"memo"_qs, kClock).problem);
        QCOMPARE(nb.record(2).memo_no, TextLines::formatNumber(double(last + 1)));
        QCOMPARE(nb.lastMemoNo(), last + 1);
        QCOMPARE(nb.readMemoFile(last + 1).text, u"memo"_qs);
        QVERIFY(!QFileInfo::exists(nb.memoPath(0)));
        // the number handed out is on disk with the haiku
        QVERIFY(bytesOf(dir.filePath(u"haiku.ini"_qs))
                    .startsWith(TextLines::formatNumber(double(last + 1)).toLatin1()));
    }

    // Deleting never gives a number back: the next haiku takes a higher one,
    // in the same session or after the program was killed without saving.
    void deletedMemoNumbersAreNeverReused_data()
    {
        QTest::addColumn<bool>("killed");
        QTest::newRow("same session") << false;
        QTest::newRow("after a kill") << true;
    }

    void deletedMemoNumbersAreNeverReused()
    {
        QFETCH(bool, killed);
        QTemporaryDir dir;
        Notebook nb(dir.path());
        fourHaiku(nb);
        QVERIFY(!nb.enterHaiku(input(u"E"_qs), u"memo of E"_qs, kClock).problem);
        const qint64 deleted = memoOf(nb, 1);
        QCOMPARE(deleted, nb.lastMemoNo()); // E has the highest
        QVERIFY(nb.removeHaiku(1).written);
        QVERIFY(!QFileInfo::exists(nb.memoPath(deleted))); // nothing in memo1 shows the number was used
        QCOMPARE(nb.lastMemoNo(), deleted);

        Notebook restarted(dir.path()); // the first one is never saved
        if (killed)
            QVERIFY(restarted.startUp(windowDefaults(), kNow).problems.isEmpty());
        Notebook &next = killed ? restarted : nb;
        QVERIFY(!next.enterHaiku(input(u"F"_qs), {}, kClock).problem);
        QVERIFY(memoOf(next, 1) > deleted);
    }

    // Reading a memo for correction tells a missing file from one that is
    // there and cannot be read.
    void memoFileMissingOrUnreadable()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        fourHaiku(nb);
        const qint64 a = memoOf(nb, 1);
        MemoFile read = nb.readMemo(1);
        QCOMPARE(read.state, MemoFile::State::Read);
        QCOMPARE(read.text, u"memo of A"_qs);
        QVERIFY(read.problem.isEmpty());

        QVERIFY(QFile::remove(nb.memoPath(a)));
        read = nb.readMemo(1);
        QCOMPARE(read.state, MemoFile::State::Missing);
        QVERIFY(read.text.isEmpty());

        // a folder where the memo file should be
        QVERIFY(QDir().mkpath(nb.memoPath(a)));
        read = nb.readMemo(1);
        QCOMPARE(read.state, MemoFile::State::Unreadable);
        QCOMPARE(
            read.problem,
            u"メモのファイル「memo1/%1」を読み込めませんでした。\nファイルと同じ名前のフォルダがあります。"_qs
                .arg(DataFiles::memoFileName(a)));
        QVERIFY(read.text.isEmpty()); // the memo box shows nothing

        // a file without permission to read it
        const qint64 b = memoOf(nb, 2);
        QVERIFY(QFile::setPermissions(nb.memoPath(b), QFile::WriteOwner));
        const auto open = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther |
                          QFile::ExeOther; // the unprivileged user may look into the folders
        QVERIFY(QFile::setPermissions(dir.path(), open));
        QVERIFY(QFile::setPermissions(dir.filePath(u"memo1"_qs), open));
        const int code = asUnprivileged([&] {
            Notebook other(dir.path());
            const MemoFile m = other.readMemoFile(b);
            return m.state == MemoFile::State::Unreadable &&
                           m.problem.endsWith(u"ファイルを読む権限がありません。"_qs)
                       ? 0
                       : 1;
        });
        QCOMPARE(code, 0);
        // a number outside the notebook is no record: an empty memo
        QCOMPARE(nb.readMemo(5).state, MemoFile::State::Missing);
    }

    // The records found follow every change the operations make.
    void findingFollowsTheOperations()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        fourHaiku(nb); // A 5 (X), B 4 (Y), C 3 (X), D 2 (Y)
        QCOMPARE(found(nb, u"X"_qs), (QList<qint64>{5, 3}));
        QCOMPARE(found(nb, u"全部"_qs, u"C"_qs), QList<qint64>{3});
        QVERIFY(!nb.enterHaiku(input(u"EC"_qs), {}, kClock).problem);
        QCOMPARE(found(nb, u"X"_qs), (QList<qint64>{6, 5, 3}));
        QCOMPARE(found(nb, u"全部"_qs, u"C"_qs), (QList<qint64>{6, 3}));
        QVERIFY(!nb.correctHaiku(4, input(u"C2"_qs, u"Y"_qs), {}, kClock).problem);
        QCOMPARE(found(nb, u"X"_qs), (QList<qint64>{6, 5}));
        QCOMPARE(found(nb, u"Y"_qs, u"C2"_qs), QList<qint64>{3});
        QCOMPARE(nb.removeHaiku(2).removed, 1);
        QCOMPARE(found(nb, u"全部"_qs, u"C"_qs), (QList<qint64>{6, 3}));
        QCOMPARE(found(nb, u"Y"_qs), (QList<qint64>{4, 3, 2}));
    }

    void categories()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        QVERIFY(nb.startUp(windowDefaults(), kNow).fatal.isEmpty());
        QVERIFY(!nb.knowsCategory(u"全部"_qs)); // the first entry is never a haiku's category
        QVERIFY(nb.knowsCategory(u"推敲未完"_qs));
        QVERIFY(!nb.knowsCategory(u"推敲未完 "_qs));
        QVERIFY(!nb.addCategory(u"全部"_qs));
        QVERIFY(nb.knowsCategory(u"全部"_qs)); // a second, editable 全部
        QCOMPARE(bytesOf(dir.filePath(u"bunrui.dat"_qs)).right(6), QByteArray("\x91\x53\x95\x94\r\n"));
        nb.swapCategories(2, 3);
        QCOMPARE(nb.categories()[2], u"未発表(自己評価Ｂ)"_qs);
        QCOMPARE(nb.categories()[3], u"未発表(自己評価Ａ)"_qs);
        nb.swapCategories(1, 2); // 全部 never moves
        QCOMPARE(nb.categories()[1], u"全部"_qs);
        nb.removeCategory(2);
        QCOMPARE(nb.categories()[2], u"未発表(自己評価Ａ)"_qs);
        QCOMPARE(nb.category_count(), 15);

        // refused: the list and its file stay as they were
        editContents(nb, [](NotebookContents &c) {
            while (int(c.category_list.size()) - 1 < Notebook::kCategoryStoreLimit - 1)
                c.category_list.push_back(u"c%1"_qs.arg(c.category_list.size()));
        });
        QVERIFY(!nb.atCategoryLimit());
        const auto exists = nb.addCategory(u"推敲未完"_qs);
        QVERIFY(exists && exists->kind == StoreProblem::Kind::CategoryExists);
        const auto unstorable = nb.addCategory(u"吉田𠮷"_qs);
        QVERIFY(unstorable && unstorable->kind == StoreProblem::Kind::Unstorable);
        QVERIFY(!nb.addCategory(u"最後"_qs));
        QVERIFY(nb.atCategoryLimit());
        const QByteArray full = bytesOf(dir.filePath(u"bunrui.dat"_qs));
        const auto limit = nb.addCategory(u"溢れ"_qs);
        QVERIFY(limit && limit->kind == StoreProblem::Kind::CategoryLimit);
        QCOMPARE(limit->message, Notebook::categoryLimitMessage);
        QCOMPARE(nb.category_count(), Notebook::kCategoryStoreLimit);
        QCOMPARE(bytesOf(dir.filePath(u"bunrui.dat"_qs)), full);
    }
};

QTEST_APPLESS_MAIN(TestEdits)
#include "tst_edits.moc"
