#include "store/AtomicFile.h"
#include "store/Notebook.h"

#include "support/Folders.h"

#include <QTest>

#include <sys/stat.h>

using namespace folders;

namespace {

Notebook::HaikuInput input(const QString &poem, const QString &category = u"春"_qs, bool locked = false)
{
    return {u"2026/12/07"_qs, category, poem, locked};
}

QStringList poems(const Notebook &nb)
{
    QStringList p;
    for (std::size_t i = 1; i < nb.haiku_list.size(); ++i)
        p << nb.haiku_list[i].poem;
    return p;
}

// A notebook on disk with haiku A (X), B (Y), C (X), D (Y), each with a memo.
void fourHaiku(Notebook &nb)
{
    QVERIFY(nb.startUp(windowDefaults(), kNow).fatal.isEmpty());
    nb.haiku_list.resize(1);
    nb.category_list = {QString(), u"全部"_qs, u"X"_qs, u"Y"_qs};
    for (const auto &[poem, cat] :
         {std::pair{u"D"_qs, u"Y"_qs}, {u"C"_qs, u"X"_qs}, {u"B"_qs, u"Y"_qs}, {u"A"_qs, u"X"_qs}}) {
        const auto no = nb.addHaikuAtHead(input(poem, cat), kNow);
        QVERIFY(no);
        QVERIFY(!nb.writeMemo(*no, u"memo of "_qs + poem));
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

QList<int> shownRecords(const Notebook &nb)
{
    QList<int> rows;
    for (int r = 1; r <= nb.shown_count; ++r)
        rows << nb.shownIndex()[std::size_t(r)];
    return rows;
}

// The row arrays agree with the records their rows show, and the empty last row follows.
void rowsMatchRecords(const Notebook &nb)
{
    QCOMPARE(int(nb.shownIndex().size()), nb.shown_count + 2);
    QCOMPARE(nb.shownIndex().back(), 0);
    for (int r = 1; r <= nb.shown_count; ++r) {
        const Haiku_record &h = nb.haiku_list[std::size_t(nb.shownIndex()[std::size_t(r)])];
        QCOMPARE(nb.row_poem[std::size_t(r)], h.poem);
        QCOMPARE(nb.row_locked[std::size_t(r)], h.locked);
        QCOMPARE(nb.row_memo_no[std::size_t(r)], DataFiles::memoNumber(h.memo_no));
    }
}

} // namespace

// Entering, correcting and deleting haiku and keeping the categories, as the
// windows ask for them, without any window.
class TestEdits : public QObject
{
    Q_OBJECT

private slots:
    void newHaikuGoesToTheHeadWithTheNextMemoNumber()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        QVERIFY(nb.startUp(windowDefaults(), kNow).fatal.isEmpty()); // the welcome haiku, memo 1
        const QDateTime at(QDate(2049, 3, 4), QTime(5, 6, 7));
        const auto no = nb.addHaikuAtHead(input(u"古池や"_qs, u"春"_qs, true), at);
        QCOMPARE(no, std::optional<qint64>(2));
        QCOMPARE(nb.lastMemoNo(), qint64(2));
        QCOMPARE(nb.haiku_count(), 2);
        const Haiku_record &r = nb.haiku_list[1];
        QCOMPARE(r.poem, u"古池や"_qs);
        QCOMPARE(r.memo_no, u" 2 "_qs);
        QCOMPARE(r.created_stamp, u"e9/03/04 05:06:07"_qs);
        QCOMPARE(r.updated_stamp, r.created_stamp);
        QCOMPARE(r.locked, u"YES"_qs);
        QCOMPARE(nb.haiku_list[2].poem, u"【ユリモカ】ご利用のお礼"_qs); // moved down one place

        // Every number handed out: no haiku is made with a number already used.
        nb.settings.last_memo_no = NumberText::fromText(u" 2147483647 "_qs);
        QVERIFY(!nb.addHaikuAtHead(input(u"もう一句"_qs), at));
        QCOMPARE(nb.haiku_count(), 2);
    }

    void correctionKeepsNumberStampAndPlace()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        fourHaiku(nb);
        const Haiku_record before = nb.haiku_list[2];
        nb.correctHaiku(2, {u"令和八年"_qs, u"夏"_qs, u"B2"_qs, true},
                        QDateTime(QDate(2050, 1, 1), QTime(0, 0)));
        const Haiku_record &r = nb.haiku_list[2];
        QCOMPARE(r.poem, u"B2"_qs);
        QCOMPARE(r.category, u"夏"_qs);
        QCOMPARE(r.date_text, u"令和八年"_qs);
        QCOMPARE(r.locked, u"YES"_qs);
        QCOMPARE(r.memo_no, before.memo_no);
        QCOMPARE(r.created_stamp, before.created_stamp);
        QCOMPARE(r.updated_stamp, u"50/01/01 00:00:00"_qs); // 2050 keeps its "5"
        QCOMPARE(poems(nb), (QStringList{u"A"_qs, u"B2"_qs, u"C"_qs, u"D"_qs}));
        // out of range: nothing happens
        nb.correctHaiku(0, input(u"x"_qs), kNow);
        nb.correctHaiku(5, input(u"x"_qs), kNow);
        QCOMPARE(poems(nb), (QStringList{u"A"_qs, u"B2"_qs, u"C"_qs, u"D"_qs}));
    }

    // Two haiku with the same poem: each is removed with its own memo file.
    void removingOneHaikuTakesItsOwnMemo()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        fourHaiku(nb);
        nb.haiku_list[3].poem = u"A"_qs; // C now reads like A
        const qint64 laterMemo = DataFiles::memoNumber(nb.haiku_list[3].memo_no);
        const qint64 earlierMemo = DataFiles::memoNumber(nb.haiku_list[1].memo_no);
        QVERIFY(nb.removeHaiku(3).isEmpty());
        QCOMPARE(poems(nb), (QStringList{u"A"_qs, u"B"_qs, u"D"_qs}));
        QVERIFY(!QFileInfo::exists(nb.memoPath(laterMemo)));
        QVERIFY(QFileInfo::exists(nb.memoPath(earlierMemo)));
        Notebook again(dir.path());
        QVERIFY(again.startUp(windowDefaults(), kNow).problems.isEmpty());
        QCOMPARE(poems(again), (QStringList{u"A"_qs, u"B"_qs, u"D"_qs}));
        // a memo file already gone does not stop the deletion
        QVERIFY(QFile::remove(nb.memoPath(earlierMemo)));
        QVERIFY(nb.removeHaiku(1).isEmpty());
        QCOMPARE(poems(nb), (QStringList{u"B"_qs, u"D"_qs}));
        QVERIFY(nb.removeHaiku(3).isEmpty()); // past the end: nothing
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
            const QList<StoreProblem> one = nb2.removeHaiku(2);
            if (one.size() != 1 || !one[0].message.contains(u"削除できませんでした"_qs) ||
                nb2.haiku_count() != 4)
                return 2;
            const QList<StoreProblem> all =
                nb2.removeCategoryWithHaiku(2); // X: A and C stay with their memos
            if (all.size() < 2 || poems(nb2) != QStringList{u"A"_qs, u"B"_qs, u"C"_qs, u"D"_qs})
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
        nb.haiku_list.push_back(
            {u"d"_qs, u"X "_qs, u"E"_qs, u"0"_qs, {}, {}, u"NO"_qs}); // a trailing blank: stays
        nb.haiku_list.push_back(
            {u"d"_qs, u"X"_qs, u"F"_qs, u"0"_qs, {}, {}, u"NO"_qs}); // memo 0: no file touched
        QVERIFY(QDir().mkpath(dir.filePath(u"memo2"_qs)));
        const qint64 aMemo = DataFiles::memoNumber(nb.haiku_list[1].memo_no);
        const QString companion =
            dir.filePath(u"memo2/"_qs + DataFiles::memoFileName(aMemo).replace(1, 1, u'2'));
        QVERIFY(put(companion, "x"));
        QVERIFY(nb.removeCategoryWithHaiku(2).isEmpty());
        QCOMPARE(poems(nb), (QStringList{u"B"_qs, u"D"_qs, u"E"_qs}));
        QCOMPARE(nb.category_list, (std::vector<QString>{QString(), u"全部"_qs, u"Y"_qs}));
        QCOMPARE(nb.lastMemoNo(), lastBefore);
        QVERIFY(!QFileInfo::exists(nb.memoPath(aMemo)));
        QVERIFY(!QFileInfo::exists(companion));
        QCOMPARE(QDir(dir.filePath(u"memo1"_qs)).entryList(QDir::Files).size(),
                 2 + 1); // B, D, and the welcome memo
        Notebook again(dir.path());
        QVERIFY(again.startUp(windowDefaults(), kNow).problems.isEmpty());
        QCOMPARE(poems(again), poems(nb));
        QCOMPARE(again.category_list, nb.category_list);

        // a category without haiku is still removed, and both files written
        nb.category_list.push_back(u"空"_qs);
        QVERIFY(nb.removeCategoryWithHaiku(3).isEmpty());
        QCOMPARE(nb.category_count(), 2);
        QVERIFY(nb.removeCategoryWithHaiku(1).isEmpty()); // 全部 is never removed
        QCOMPARE(nb.category_count(), 2);
    }

    void cleanup() { AtomicFile::failForTesting(AtomicFile::Step::None, 0); }

    // The entry window's store: the memo first, then the record at the head.
    void enteringWritesTheMemoThenTheRecord()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        fourHaiku(nb);
        const qint64 last = nb.lastMemoNo();
        Readings clock{
            {QDateTime(QDate(2049, 12, 31), QTime(23, 59, 59)), QDateTime(QDate(2050, 1, 1), QTime(0, 0))}};
        const Notebook::StoreResult stored =
            nb.enterHaiku(input(u"閑さや"_qs, u"夏"_qs), QString(), clock.clock());
        QVERIFY(!stored.problem);
        QCOMPARE(stored.index, 1);
        QCOMPARE(clock.taken, 2); // one reading for each stamp
        const Haiku_record &r = nb.haiku_list[1];
        QCOMPARE(r.poem, u"閑さや"_qs);
        QCOMPARE(r.memo_no, TextLines::formatNumber(double(last + 1)));
        QCOMPARE(nb.lastMemoNo(), last + 1);
        QCOMPARE(r.created_stamp, u"e9/12/31 23:59:59"_qs);
        QCOMPARE(r.updated_stamp, u"50/01/01 00:00:00"_qs); // 2050 keeps its "5"
        // an empty memo is still a file: one line end
        QCOMPARE(bytesOf(nb.memoPath(last + 1)), QByteArray("\r\n"));
        QCOMPARE(poems(nb), (QStringList{u"閑さや"_qs, u"A"_qs, u"B"_qs, u"C"_qs, u"D"_qs}));

        // A memo with lines, and a second haiku: the next number again.
        const auto second = nb.enterHaiku(input(u"二句目"_qs), u"一行目\n\n三行目\n"_qs, [] { return kNow; });
        QCOMPARE(second.index, 1);
        QCOMPARE(nb.lastMemoNo(), last + 2);
        QCOMPARE(bytesOf(nb.memoPath(last + 2)),
                 QByteArray("\x88\xea\x8d\x73\x96\xda\r\n\r\n\x8e\x4f\x8d\x73\x96\xda\r\n\r\n"));
        QCOMPARE(nb.readMemo(last + 2), u"一行目\n\n三行目\n"_qs);
    }

    void correctingRewritesTheSameMemo()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        fourHaiku(nb);
        const Haiku_record before = nb.haiku_list[3];
        const qint64 memoNo = DataFiles::memoNumber(before.memo_no);
        const qint64 last = nb.lastMemoNo();
        Readings clock{{QDateTime(QDate(2031, 2, 3), QTime(4, 5, 6))}};
        const auto result =
            nb.correctHaikuWithMemo(3, {u"d"_qs, u"Y"_qs, u"C2"_qs, true}, u"新しいメモ"_qs, clock.clock());
        QVERIFY(!result.problem);
        QCOMPARE(result.index, 3);
        QCOMPARE(clock.taken, 1);
        const Haiku_record &r = nb.haiku_list[3];
        QCOMPARE(r.poem, u"C2"_qs);
        QCOMPARE(r.memo_no, before.memo_no);
        QCOMPARE(r.created_stamp, before.created_stamp);
        QCOMPARE(r.updated_stamp, u"d1/02/03 04:05:06"_qs);
        QCOMPARE(r.locked, u"YES"_qs);
        QCOMPARE(nb.lastMemoNo(), last);
        QCOMPARE(nb.readMemo(memoNo), u"新しいメモ"_qs);
        QCOMPARE(poems(nb), (QStringList{u"A"_qs, u"B"_qs, u"C2"_qs, u"D"_qs}));
        // no record there: nothing written, said so
        QVERIFY(nb.correctHaikuWithMemo(5, input(u"x"_qs), u"x"_qs, [] { return kNow; }).problem);
        QVERIFY(nb.correctHaikuWithMemo(0, input(u"x"_qs), u"x"_qs, [] { return kNow; }).problem);
        QCOMPARE(poems(nb), (QStringList{u"A"_qs, u"B"_qs, u"C2"_qs, u"D"_qs}));
    }

    // A memo that cannot be written: the record is neither added nor changed,
    // every file stays as it was, and no later save writes that memo.
    void memoThatCannotBeWrittenStoresNothing()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        fourHaiku(nb);
        const Tree before = snapshot(dir.path());
        const std::vector<Haiku_record> records = nb.haiku_list;
        const qint64 last = nb.lastMemoNo();
        AtomicFile::failForTesting(AtomicFile::Step::Create, ENOSPC);
        const auto entered = nb.enterHaiku(input(u"新句"_qs), u"メモ"_qs, [] { return kNow; });
        QCOMPARE(entered.index, 0);
        QVERIFY(entered.problem);
        QVERIFY(entered.problem->message.contains(DataFiles::memoFileName(last + 1)));
        QVERIFY(entered.problem->message.contains(u"ディスクの空き容量が足りません。"_qs));
        const auto corrected = nb.correctHaikuWithMemo(2, input(u"B2"_qs), u"メモ"_qs, [] { return kNow; });
        QCOMPARE(corrected.index, 0);
        QVERIFY(corrected.problem);
        AtomicFile::failForTesting(AtomicFile::Step::None, 0);
        QVERIFY(nb.haiku_list == records);
        QCOMPARE(nb.lastMemoNo(), last);
        QVERIFY(nb.saveAll().isEmpty());
        sameFiles(snapshot(dir.path()), before);
    }

    // The next numbers' memo files are already there (brought by a sync
    // program from the other computer): they are left alone and every one
    // of them passed over.
    void memoFileAlreadyThereIsNeverWrittenOver_data()
    {
        QTest::addColumn<QList<int>>("there"); // numbers past the last one that have a file
        QTest::addColumn<int>("taken");
        QTest::newRow("the next") << QList<int>{1} << 2;
        QTest::newRow("the next two") << QList<int>{1, 2} << 3;
        QTest::newRow("the one after the next") << QList<int>{2} << 1;
    }

    void memoFileAlreadyThereIsNeverWrittenOver()
    {
        QFETCH(QList<int>, there);
        QFETCH(int, taken);
        QTemporaryDir dir;
        Notebook nb(dir.path());
        fourHaiku(nb);
        const qint64 last = nb.lastMemoNo();
        for (const int n : there)
            QVERIFY(put(nb.memoPath(last + n), "theirs " + QByteArray::number(n) + "\r\n"));
        const auto stored = nb.enterHaiku(input(u"新句"_qs), u"ours"_qs, [] { return kNow; });
        QVERIFY(!stored.problem);
        QCOMPARE(nb.haiku_list[1].memo_no, TextLines::formatNumber(double(last + taken)));
        QCOMPARE(nb.lastMemoNo(), last + taken);
        for (const int n : there)
            QCOMPARE(bytesOf(nb.memoPath(last + n)), "theirs " + QByteArray::number(n) + "\r\n");
        QCOMPARE(bytesOf(nb.memoPath(last + taken)), QByteArray("ours\r\n"));
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
        const qint64 b = DataFiles::memoNumber(nb.haiku_list[2].memo_no);
        const QString memo = nb.memoPath(b);
        const QString secret = elsewhere.filePath(u"secret.txt"_qs);
        QVERIFY(put(secret, "secret\r\n"));
        const QString target = what == u"outside"_qs ? secret
                               : what == u"memo"_qs
                                   ? nb.memoPath(DataFiles::memoNumber(nb.haiku_list[1].memo_no))
                                   : dir.filePath(u"gone"_qs);
        QVERIFY(QFile::remove(memo));
        if (what == u"fifo"_qs)
            QCOMPARE(::mkfifo(QFile::encodeName(memo).constData(), 0600), 0);
        else
            QVERIFY(QFile::link(target, memo));
        const Tree before = snapshot(dir.path());
        const std::vector<Haiku_record> records = nb.haiku_list;

        // neither the read nor the correction waits on the FIFO
        QCOMPARE(inChildThatMustReturn([&] {
                     Notebook other(dir.path());
                     other.startUp(windowDefaults(), kNow);
                     other.readMemoFile(b);
                     other.correctHaikuWithMemo(2, input(u"B"_qs), u"x"_qs, [] { return kNow; });
                     return 0;
                 }),
                 0);
        const Notebook::MemoFile read = nb.readMemoFile(b);
        QCOMPARE(read.state, Notebook::MemoFile::State::Unreadable);
        QVERIFY(read.text.isEmpty());
        QCOMPARE(read.problem,
                 u"メモのファイル「memo1/%1」を読み込めませんでした。\n"_qs.arg(DataFiles::memoFileName(b)) +
                     cause);
        QCOMPARE(nb.readMemo(b), QString()); // the memo box shows nothing

        // a correction is refused, and nothing is written anywhere
        const auto corrected = nb.correctHaikuWithMemo(2, input(u"B2"_qs), u"ours"_qs, [] { return kNow; });
        QCOMPARE(corrected.index, 0);
        QVERIFY(corrected.problem);
        QVERIFY2(corrected.problem->message.startsWith(
                     u"「memo1/%1」を保存できませんでした。\n"_qs.arg(DataFiles::memoFileName(b))),
                 qPrintable(corrected.problem->message));
        QVERIFY(nb.haiku_list == records);
        QVERIFY(nb.saveAll().isEmpty());
        sameFiles(snapshot(dir.path()), before);
        QCOMPARE(bytesOf(secret), QByteArray("secret\r\n"));
        QCOMPARE(QFileInfo(memo).isSymLink(), what != u"fifo"_qs);

        // deleting takes the entry itself, never what it points to
        QVERIFY(nb.removeHaiku(2).isEmpty());
        QVERIFY(!QFileInfo(memo).isSymLink() && !QFileInfo::exists(memo));
        QCOMPARE(bytesOf(secret), QByteArray("secret\r\n"));
        QCOMPARE(QFileInfo(nb.memoPath(DataFiles::memoNumber(nb.haiku_list[1].memo_no))).size(), 11);
    }

    // A damaged memo number reads as 0; correcting that haiku gives it a file
    // of its own instead of one that every such haiku would share.
    void damagedMemoNumberGetsItsOwnFileOnCorrection()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        fourHaiku(nb);
        nb.haiku_list[2].memo_no = u"-5"_qs;
        const qint64 last = nb.lastMemoNo();
        QVERIFY(!nb.correctHaikuWithMemo(2, input(u"B"_qs), u"memo"_qs, [] { return kNow; }).problem);
        QCOMPARE(nb.haiku_list[2].memo_no, TextLines::formatNumber(double(last + 1)));
        QCOMPARE(nb.lastMemoNo(), last + 1);
        QCOMPARE(nb.readMemo(last + 1), u"memo"_qs);
        QVERIFY(!QFileInfo::exists(nb.memoPath(0)));
    }

    // Deleting never gives a number back: the next haiku takes last + 1.
    void deletedMemoNumbersAreNeverReused()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        fourHaiku(nb);
        const qint64 last = nb.lastMemoNo();
        QCOMPARE(DataFiles::memoNumber(nb.haiku_list[1].memo_no), last); // A has the highest
        QVERIFY(nb.removeHaiku(1).isEmpty());
        QCOMPARE(nb.lastMemoNo(), last);
        QVERIFY(!nb.enterHaiku(input(u"E"_qs), {}, [] { return kNow; }).problem);
        QCOMPARE(nb.haiku_list[1].memo_no, TextLines::formatNumber(double(last + 1)));
    }

    // Reading a memo for correction tells a missing file from one that is
    // there and cannot be read.
    void memoFileMissingOrUnreadable()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        fourHaiku(nb);
        const qint64 a = DataFiles::memoNumber(nb.haiku_list[1].memo_no);
        Notebook::MemoFile read = nb.readMemoFile(a);
        QCOMPARE(read.state, Notebook::MemoFile::State::Read);
        QCOMPARE(read.text, u"memo of A"_qs);
        QVERIFY(read.problem.isEmpty());

        QVERIFY(QFile::remove(nb.memoPath(a)));
        read = nb.readMemoFile(a);
        QCOMPARE(read.state, Notebook::MemoFile::State::Missing);
        QVERIFY(read.text.isEmpty());

        // a folder where the memo file should be
        QVERIFY(QDir().mkpath(nb.memoPath(a)));
        read = nb.readMemoFile(a);
        QCOMPARE(read.state, Notebook::MemoFile::State::Unreadable);
        QCOMPARE(
            read.problem,
            u"メモのファイル「memo1/%1」を読み込めませんでした。\nファイルと同じ名前のフォルダがあります。"_qs
                .arg(DataFiles::memoFileName(a)));
        QCOMPARE(nb.readMemo(a), QString()); // the memo box shows nothing, as before

        // a file without permission to read it
        const qint64 b = DataFiles::memoNumber(nb.haiku_list[2].memo_no);
        QVERIFY(QFile::setPermissions(nb.memoPath(b), QFile::WriteOwner));
        const auto open = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther |
                          QFile::ExeOther; // the unprivileged user may look into the folders
        QVERIFY(QFile::setPermissions(dir.path(), open));
        QVERIFY(QFile::setPermissions(dir.filePath(u"memo1"_qs), open));
        const int code = asUnprivileged([&] {
            Notebook other(dir.path());
            const Notebook::MemoFile m = other.readMemoFile(b);
            return m.state == Notebook::MemoFile::State::Unreadable &&
                           m.problem.endsWith(u"ファイルを読む権限がありません。"_qs)
                       ? 0
                       : 1;
        });
        QCOMPARE(code, 0);
    }

    // Every change keeps the rows shown tied to the records they showed.
    void rowsFollowTheRecords()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        fourHaiku(nb); // A (X), B (Y), C (X), D (Y)
        nb.rebuildShown(u"X"_qs);
        QCOMPARE(shownRecords(nb), (QList<int>{1, 3}));
        QVERIFY(!nb.enterHaiku(input(u"E"_qs, u"X"_qs), {}, [] { return kNow; }).problem);
        QCOMPARE(shownRecords(nb), (QList<int>{2, 4})); // still A and C; E not listed until a rebuild
        rowsMatchRecords(nb);
        nb.correctHaiku(4, {u"d"_qs, u"X"_qs, u"C2"_qs, true}, kNow);
        QCOMPARE(nb.row_poem[2], u"C2"_qs);
        QCOMPARE(nb.row_locked[2], u"YES"_qs);
        rowsMatchRecords(nb);
        QVERIFY(nb.removeHaiku(3).isEmpty()); // B, not shown: the rows only move their records
        QCOMPARE(shownRecords(nb), (QList<int>{2, 3}));
        rowsMatchRecords(nb);
        QVERIFY(nb.removeHaiku(2).isEmpty()); // A, shown on row 1: the row goes
        QCOMPARE(nb.shown_count, 1);
        QCOMPARE(shownRecords(nb), (QList<int>{2}));
        QCOMPARE(nb.row_poem[1], u"C2"_qs);
        rowsMatchRecords(nb);
    }

    void keywordNarrowsTheRows()
    {
        QTemporaryDir dir;
        Notebook nb(dir.path());
        fourHaiku(nb);
        nb.haiku_list[1].poem = u"春の海"_qs;
        nb.haiku_list[2].poem = u"春の月"_qs;
        nb.haiku_list[3].poem = u"はるの海"_qs;
        nb.haiku_list[4].poem = u"春の雨"_qs;
        nb.rebuildShown(u"全部"_qs, u"春の"_qs);
        QCOMPARE(shownRecords(nb), (QList<int>{1, 2, 4}));
        rowsMatchRecords(nb);
        nb.rebuildShown(u"X"_qs, u"海"_qs);
        QCOMPARE(shownRecords(nb), (QList<int>{1, 3}));
        nb.rebuildShown(u"Y"_qs, u"海"_qs);
        QCOMPARE(nb.shown_count, 0);
        rowsMatchRecords(nb);
        nb.rebuildShown(u"Y"_qs, QString()); // an empty keyword is in every poem
        QCOMPARE(shownRecords(nb), (QList<int>{2, 4}));
        nb.rebuildShown(u"全部"_qs, u"ハル"_qs); // hiragana and katakana differ
        QCOMPARE(nb.shown_count, 0);
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
        QCOMPARE(nb.category_list[2], u"未発表(自己評価Ｂ)"_qs);
        QCOMPARE(nb.category_list[3], u"未発表(自己評価Ａ)"_qs);
        nb.swapCategories(1, 2); // 全部 never moves
        QCOMPARE(nb.category_list[1], u"全部"_qs);
        nb.removeCategory(2);
        QCOMPARE(nb.category_list[2], u"未発表(自己評価Ａ)"_qs);
        QCOMPARE(nb.category_count(), 15);
        while (nb.category_count() < Notebook::kCategoryStoreLimit)
            nb.category_list.push_back(u"c%1"_qs.arg(nb.category_count()));
        QVERIFY(nb.atCategoryLimit());
        nb.category_list.pop_back();
        QVERIFY(!nb.atCategoryLimit());
    }
};

QTEST_APPLESS_MAIN(TestEdits)
#include "tst_edits.moc"
