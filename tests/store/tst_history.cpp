// Nothing lost by a deletion: memo files go into ゴミ箱, the haiku file is
// kept in 履歴 before it is replaced, and a kept state comes back whole.
#include "store/Cp932.h"
#include "store/History.h"
#include "store/Notebook.h"
#include "store/RestorePlan.h"
#include "store/Trash.h"

#include "support/Folders.h"
#include "support/RandomNotebook.h"

#include <QTest>

using namespace folders;

Q_DECLARE_METATYPE(StoreProblem::Kind)

namespace {

const QString kTrash = Trash::folderName + u'/';
const QString kHistory = History::folderName + u'/';

// An entry's time, written "days-ago hh:mm:ss" or "days-ago hh:mm:ss #n"
// (the n-th of one second), counted back from today.
History::Entry entryAt(const QString &row, const QDate &today)
{
    const QStringList parts = row.split(u' ');
    const QDateTime when(today.addDays(-parts[0].toInt()), QTime::fromString(parts[1], u"HH:mm:ss"_qs));
    const int sequence = parts.size() > 2 ? parts[2].mid(1).toInt() : 1;
    return {History::nameFor(when, sequence), when, sequence};
}

// A file of records: poem, memo number and creation stamp of each.
struct Rec
{
    QString poem;
    qint64 memo;
    QString stamp = u"c6/01/02 03:04:05"_qs;
    QString category = u"吟行記録"_qs;
};
} // namespace
Q_DECLARE_METATYPE(Rec)
namespace {

std::vector<Haiku_record> records(const QList<Rec> &recs)
{
    std::vector<Haiku_record> list(1);
    for (const Rec &r : recs)
        list.push_back({u"2026/12/07"_qs, r.category, r.poem, TextLines::formatNumber(double(r.memo)),
                        r.stamp, r.stamp, u"NO"_qs});
    return list;
}
QByteArray fileOf(const QList<Rec> &recs)
{
    QStringList lines;
    DataFiles::forEachHaikuLine(records(recs), [&lines](const QString &l) { lines.append(l); });
    return TextLines::encodeLines(lines).bytes;
}

// The notebook of tests/data/notebook opened in dir: three haiku, memos 12, 7 and 3.
std::unique_ptr<Notebook> openNotebook(const QString &dir)
{
    auto nb = std::make_unique<Notebook>(dir);
    const StartupReport r = nb->startUp(windowDefaults(), kNow);
    if (!r.fatal.isEmpty() || !r.problems.isEmpty())
        qWarning("start-up: %s", qPrintable(r.fatal));
    return nb;
}

// The files a restore brings back byte for byte: the haiku file and the memos.
Tree haikuAndMemos(const QString &dir)
{
    Tree t = snapshot(dir);
    for (auto it = t.begin(); it != t.end();) {
        const bool kept = it.key() == DataFiles::haikuFile || it.key().startsWith(u"memo1/"_qs) ||
                          it.key().startsWith(u"memo2/"_qs);
        it = kept ? std::next(it) : t.erase(it);
    }
    return t;
}

Tree under(const QString &dir, const QString &folder)
{
    Tree t;
    const Tree all = snapshot(dir);
    for (auto it = all.begin(); it != all.end(); ++it) {
        if (it.key().startsWith(folder))
            t.insert(it.key().mid(folder.size()), it.value());
    }
    return t;
}

int entryIndex(const Notebook &nb, const QString &category)
{
    const auto &list = nb.categories();
    return int(std::find(list.begin(), list.end(), category) - list.begin());
}

} // namespace

class TestHistory : public QObject
{
    Q_OBJECT

private slots:
    void keptNames_data();
    void keptNames();
    void whatIsKept_data();
    void whatIsKept();
    void differences_data();
    void differences();
    void restorePlans_data();
    void restorePlans();
    void trashNeverWritesOver();
    void dailyCopy_data();
    void dailyCopy();
    void deletionRestoredByteForByte_data();
    void deletionRestoredByteForByte();
    void takenNumberIsGivenAnew();
    void fullDiskStopsTheChange_data();
    void fullDiskStopsTheChange();
    void restoreRefused_data();
    void restoreRefused();
    void memoThatCannotGoKeepsItsHaiku_data();
    void memoThatCannotGoKeepsItsHaiku();
};

void TestHistory::keptNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("ours");
    QTest::addColumn<int>("sequence");
    QTest::newRow("first of a second") << u"haiku-20261207-093015.dat"_qs << true << 1;
    QTest::newRow("third of a second") << u"haiku-20261207-093015-3.dat"_qs << true << 3;
    // Never written: "-1" would sort beside the unnumbered first.
    QTest::newRow("-1") << u"haiku-20261207-093015-1.dat"_qs << false << 0;
    QTest::newRow("no such day") << u"haiku-20261340-093015.dat"_qs << false << 0;
    // What a sync program or the poet puts beside them is never removed.
    QTest::newRow("sync conflict") << u"haiku-20261207-093015.sync-conflict-20261208.dat"_qs << false << 0;
    QTest::newRow("copy") << u"haiku-20261207-093015 (1).dat"_qs << false << 0;
    QTest::newRow("the haiku file") << u"haiku.dat"_qs << false << 0;
}

void TestHistory::keptNames()
{
    QFETCH(QString, name);
    QFETCH(bool, ours);
    QFETCH(int, sequence);
    const std::optional<History::Entry> e = History::parseName(name);
    QCOMPARE(bool(e), ours);
    if (!e)
        return;
    QCOMPARE(e->sequence, sequence);
    QCOMPARE(History::nameFor(e->when, e->sequence), name);
}

void TestHistory::whatIsKept_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QStringList>("removed");
    QStringList oneDay;
    for (int i = 0; i < 22; ++i)
        oneDay << u"0 09:00:%1"_qs.arg(i, 2, 10, QLatin1Char('0'));
    QTest::newRow("the newest 20 of one day") << oneDay << QStringList{u"0 09:00:00"_qs, u"0 09:00:01"_qs};
    QStringList oneSecond;
    for (int i = 1; i <= 21; ++i)
        oneSecond << (i == 1 ? u"0 09:00:00"_qs : u"0 09:00:00 #%1"_qs.arg(i));
    QTest::newRow("within one second") << oneSecond << QStringList{u"0 09:00:00"_qs};
    QStringList daily;
    for (int d = 0; d < 32; ++d)
        daily << u"%1 12:00:00"_qs.arg(d);
    QTest::newRow("one a day for 30 days") << daily << QStringList{u"30 12:00:00"_qs, u"31 12:00:00"_qs};
    QStringList twice = oneDay.mid(0, 20);
    twice << u"3 09:00:00"_qs << u"3 18:00:00"_qs << u"45 18:00:00"_qs;
    QTest::newRow("the newest of a day stays") << twice << QStringList{u"3 09:00:00"_qs, u"45 18:00:00"_qs};
    QTest::newRow("after a long pause")
        << QStringList{u"100 09:00:00"_qs, u"101 09:00:00"_qs, u"200 09:00:00"_qs} << QStringList{};
}

void TestHistory::whatIsKept()
{
    QFETCH(QStringList, entries);
    QFETCH(QStringList, removed);
    const QDate today(2026, 12, 7);
    std::vector<History::Entry> list;
    for (const QString &row : entries)
        list.push_back(entryAt(row, today));
    // In any order.
    std::reverse(list.begin() + qsizetype(list.size()) / 2, list.end());
    QStringList expected;
    for (const QString &row : removed)
        expected << entryAt(row, today).fileName;
    QStringList actual = History::toRemove(list, today);
    actual.sort();
    expected.sort();
    QCOMPARE(actual, expected);
}

void TestHistory::differences_data()
{
    QTest::addColumn<QByteArray>("kept");
    QTest::addColumn<QList<Rec>>("now");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("back");
    QTest::addColumn<QStringList>("gone");
    const Rec a{u"古池や"_qs, 3}, b{u"髙き峰に～月"_qs, 7}, c{u"春の海"_qs, 12};
    QTest::newRow("the same") << fileOf({a, b}) << QList<Rec>{b, a} << 2 << QStringList{} << QStringList{};
    QTest::newRow("one deleted since")
        << fileOf({a, b, c}) << QList<Rec>{a, c} << 3 << QStringList{b.poem} << QStringList{};
    QTest::newRow("one entered since")
        << fileOf({a}) << QList<Rec>{c, a} << 1 << QStringList{} << QStringList{c.poem};
    QTest::newRow("corrected since") << fileOf({a}) << QList<Rec>{{u"古池や蛙"_qs, 3}} << 1 << QStringList{}
                                     << QStringList{};
    const Rec other{u"別の句"_qs, 3, u"c6/09/09 09:09:09"_qs};
    QTest::newRow("same number, another haiku")
        << fileOf({a}) << QList<Rec>{other} << 1 << QStringList{a.poem} << QStringList{other.poem};
    // A stamp in kanji (written by hand) is the same stamp read from either side.
    const Rec kanji{u"秋の暮"_qs, 5, u"令和六年九月九日"_qs};
    QTest::newRow("a stamp in kanji")
        << fileOf({kanji, a}) << QList<Rec>{a, kanji} << 2 << QStringList{} << QStringList{};
    QTest::newRow("twice in the file")
        << fileOf({a, a}) << QList<Rec>{a} << 2 << QStringList{a.poem} << QStringList{};
    // The second record ends after its memo number, without its stamps.
    const QByteArray cut =
        fileOf({a}) + Cp932::encode(u"2026/12/07\r\n吟行記録\r\n髙き峰に～月\r\n 7 "_qs).bytes;
    QTest::newRow("a record cut short")
        << cut << QList<Rec>{a} << 2 << QStringList{u"髙き峰に～月"_qs} << QStringList{};
    QTest::newRow("LF line ends") << fileOf({a, b}).replace("\r\n", "\n") << QList<Rec>{a} << 2
                                  << QStringList{b.poem} << QStringList{};
}

void TestHistory::differences()
{
    QFETCH(QByteArray, kept);
    QFETCH(QList<Rec>, now);
    QFETCH(int, count);
    QFETCH(QStringList, back);
    QFETCH(QStringList, gone);
    const History::Difference d = History::compare(kept, records(now));
    QCOMPARE(d.count, count);
    QCOMPARE(d.back, back);
    QCOMPARE(d.gone, gone);
}

void TestHistory::restorePlans_data()
{
    QTest::addColumn<QList<Rec>>("then");
    QTest::addColumn<QList<Rec>>("now");
    QTest::addColumn<QStringList>("inFolder"); // files in the notebook folder
    QTest::addColumn<QStringList>("inTrash");  // "m1000007.txt" or "m1000007.txt=m1000007-2.txt"
    QTest::addColumn<QList<qint64>>("freeNumbers");
    QTest::addColumn<QStringList>("returns"); // "trash name>to"
    QTest::addColumn<QList<qint64>>("toTrash");
    QTest::addColumn<QList<qint64>>("numbersAfter");
    QTest::addColumn<QStringList>("newCategories");

    const Rec a{u"古池や"_qs, 3}, b{u"春の海"_qs, 7, u"c6/01/02 03:04:05"_qs, u"旅"_qs}, c{u"初しぐれ"_qs, 9};
    const Rec x{u"別の句"_qs, 7, u"c6/09/09 09:09:09"_qs};
    QTest::newRow("a deleted haiku comes back")
        << QList<Rec>{a, b} << QList<Rec>{a} << QStringList{u"memo1/m1000003.txt"_qs}
        << QStringList{u"m1000007.txt=m1000007-2.txt"_qs} << QList<qint64>{}
        << QStringList{u"m1000007-2.txt>memo1/m1000007.txt"_qs} << QList<qint64>{} << QList<qint64>{3, 7}
        << QStringList{u"旅"_qs};
    QTest::newRow("its companion with it")
        << QList<Rec>{b} << QList<Rec>{} << QStringList{}
        << QStringList{u"m1000007.txt"_qs, u"m2000007.txt"_qs} << QList<qint64>{}
        << QStringList{u"m1000007.txt>memo1/m1000007.txt"_qs, u"m2000007.txt>memo2/m2000007.txt"_qs}
        << QList<qint64>{} << QList<qint64>{7} << QStringList{u"旅"_qs};
    // A deletion cut short before its memo file moved.
    QTest::newRow("its memo still in memo1")
        << QList<Rec>{b} << QList<Rec>{} << QStringList{u"memo1/m1000007.txt"_qs}
        << QStringList{u"m1000007.txt"_qs} << QList<qint64>{} << QStringList{} << QList<qint64>{}
        << QList<qint64>{7} << QStringList{u"旅"_qs};
    QTest::newRow("haiku entered since go")
        << QList<Rec>{a} << QList<Rec>{c, a} << QStringList{} << QStringList{} << QList<qint64>{}
        << QStringList{} << QList<qint64>{9} << QList<qint64>{3} << QStringList{};
    QTest::newRow("a haiku there now keeps its memo")
        << QList<Rec>{b} << QList<Rec>{b} << QStringList{} << QStringList{u"m1000007.txt"_qs}
        << QList<qint64>{} << QStringList{} << QList<qint64>{} << QList<qint64>{7} << QStringList{};
    QTest::newRow("its number taken by another haiku")
        << QList<Rec>{b} << QList<Rec>{x} << QStringList{u"memo1/m1000007.txt"_qs}
        << QStringList{u"m1000007.txt"_qs} << QList<qint64>{10}
        << QStringList{u"m1000007.txt>memo1/m1000010.txt"_qs} << QList<qint64>{7} << QList<qint64>{10}
        << QStringList{u"旅"_qs};
    QTest::newRow("a new number not used by the kept state")
        << QList<Rec>{b, c} << QList<Rec>{x} << QStringList{} << QStringList{} << QList<qint64>{9, 11}
        << QStringList{} << QList<qint64>{7} << QList<qint64>{11, 9} << QStringList{u"旅"_qs};
    QTest::newRow("no memo number") << QList<Rec>{{u"番号なし"_qs, 0}} << QList<Rec>{{u"今の句"_qs, 0}}
                                    << QStringList{} << QStringList{} << QList<qint64>{} << QStringList{}
                                    << QList<qint64>{} << QList<qint64>{0} << QStringList{};
}

void TestHistory::restorePlans()
{
    QFETCH(QList<Rec>, then);
    QFETCH(QList<Rec>, now);
    QFETCH(QStringList, inFolder);
    QFETCH(QStringList, inTrash);
    QFETCH(QList<qint64>, freeNumbers);
    QFETCH(QStringList, returns);
    QFETCH(QList<qint64>, toTrash);
    QFETCH(QList<qint64>, numbersAfter);
    QFETCH(QStringList, newCategories);

    RestorePlan::Folder folder;
    folder.exists = [&inFolder](const QString &name) { return inFolder.contains(name); };
    for (const QString &t : inTrash)
        folder.trash.insert(t.section(u'=', 0, 0), t.section(u'=', -1));
    folder.newNumber = [&freeNumbers]() { return freeNumbers.isEmpty() ? 0 : freeNumbers.takeFirst(); };
    folder.knowsCategory = [](const QString &c) { return c == u"吟行記録"_qs; };
    const RestorePlan plan = RestorePlan::make(records(then), records(now), folder);

    QVERIFY(!plan.problem);
    QStringList actualReturns;
    for (const Trash::Return &r : plan.returns)
        actualReturns << r.trashName + u'>' + r.to;
    QCOMPARE(actualReturns, returns);
    QCOMPARE(QList<qint64>(plan.toTrash.begin(), plan.toTrash.end()), toTrash);
    QList<qint64> after;
    for (std::size_t i = 1; i < plan.records.size(); ++i)
        after << DataFiles::memoNumber(plan.records[i].memo_no);
    QCOMPARE(after, numbersAfter);
    QCOMPARE(plan.newCategories, newCategories);
    // The poems come back as they were kept, whatever their numbers.
    for (std::size_t i = 1; i < plan.records.size(); ++i)
        QCOMPARE(plan.records[i].poem, then[qsizetype(i) - 1].poem);
    qint64 largestNew = 0;
    for (qsizetype i = 0; i < after.size(); ++i)
        largestNew = after[i] != then[i].memo ? std::max(largestNew, after[i]) : largestNew;
    QCOMPARE(plan.largestNewNumber, largestNew);
}

void TestHistory::trashNeverWritesOver()
{
    QTemporaryDir dir;
    const QString folder = dir.path() + u'/';
    QVERIFY(QDir().mkpath(folder + u"memo1"_qs));
    Trash trash(folder);
    // The same memo deleted three times: every copy stays, the last is the newest.
    for (const char *text : {"one", "two", "three"}) {
        QVERIFY(put(folder + u"memo1/m1000007.txt"_qs, text));
        QVERIFY(!trash.take(u"memo1/m1000007.txt"_qs));
    }
    QCOMPARE(QFileInfo(folder + Trash::folderName).permissions() & 0x0077, QFileDevice::Permissions());
    const Tree inTrash = under(dir.path(), kTrash);
    QCOMPARE(
        inTrash,
        (Tree{{u"m1000007.txt"_qs, "one"}, {u"m1000007-2.txt"_qs, "two"}, {u"m1000007-3.txt"_qs, "three"}}));
    QCOMPARE(trash.newest().value(u"m1000007.txt"_qs), u"m1000007-3.txt"_qs);
    QVERIFY(!trash.take(u"memo1/m1000099.txt"_qs)); // not there: nothing to move

    // Given back only where nothing is: a file in the way stops them all.
    QVERIFY(put(folder + u"memo1/m1000008.txt"_qs, "written since"));
    const std::optional<StoreProblem> refused = trash.giveBack(
        {{u"m1000007-3.txt"_qs, u"memo1/m1000007.txt"_qs}, {u"m1000007-2.txt"_qs, u"memo1/m1000008.txt"_qs}});
    QVERIFY(refused);
    QVERIFY2(refused->message.contains(u"同じ名前のファイルがすでにあります。"_qs),
             qPrintable(refused->message));
    QCOMPARE(under(dir.path(), kTrash), inTrash);
    QCOMPARE(bytesOf(folder + u"memo1/m1000008.txt"_qs), QByteArray("written since"));
    QVERIFY(!QFileInfo::exists(folder + u"memo1/m1000007.txt"_qs));
}

void TestHistory::dailyCopy_data()
{
    QTest::addColumn<int>("keptBefore"); // days ago of a state kept already; -1 for none
    QTest::addColumn<bool>("change");
    QTest::addColumn<int>("entriesAfter");
    QTest::newRow("the first save of the day") << -1 << true << 1;
    QTest::newRow("the first save since yesterday") << 1 << true << 2;
    QTest::newRow("a second save the same day") << 0 << true << 1;
    QTest::newRow("nothing to replace") << -1 << false << 0;
}

void TestHistory::dailyCopy()
{
    QFETCH(int, keptBefore);
    QFETCH(bool, change);
    QFETCH(int, entriesAfter);
    QTemporaryDir dir;
    copyTree(u"notebook"_qs, dir.path());
    if (keptBefore >= 0) {
        const QDateTime when(QDate::currentDate().addDays(-keptBefore), QTime(0, 0, 1));
        QVERIFY(QDir().mkpath(dir.filePath(History::folderName)));
        QVERIFY(put(dir.filePath(kHistory + History::nameFor(when, 1)), "kept before"));
    }
    const QByteArray old = bytesOf(dir.filePath(DataFiles::haikuFile));
    auto nb = openNotebook(dir.path());
    if (change)
        QCOMPARE(nb->moveRecord(1, 2), 2);
    QVERIFY(!nb->writeHaiku());
    const std::vector<History::Entry> entries = nb->historyEntries();
    QCOMPARE(int(entries.size()), entriesAfter);
    if (entriesAfter > (keptBefore >= 0 ? 1 : 0)) // the one made now is the newest: the file as it was
        QCOMPARE(bytesOf(dir.filePath(kHistory + entries.front().fileName)), old);
}

void TestHistory::deletionRestoredByteForByte_data()
{
    QTest::addColumn<bool>("secondDeletion");
    QTest::newRow("one deletion") << false;
    QTest::newRow("a second deletion in between") << true;
}

void TestHistory::deletionRestoredByteForByte()
{
    QFETCH(bool, secondDeletion);
    const auto temporary = quickTemporaryDir();
    const QString dir = temporary->path();
    const QString category = u"吟行・五百句"_qs;
    {
        // 29 999 haiku of every character the code page has; 500 of them in
        // one category; memos for those and for a thousand others.
        QVERIFY(QDir().mkpath(dir + u"/memo1"_qs));
        Notebook maker(dir);
        RandomNotebook random(20261207);
        random.fill(maker, {29999, 30, 0});
        NotebookContents c = maker.contents();
        c.category_list.push_back(category);
        for (std::size_t i = 7; i < c.haiku_list.size() && i < 7 + 500 * 59; i += 59)
            c.haiku_list[i].category = category;
        maker.replaceContents(std::move(c));
        QVERIFY(maker.saveAll().isEmpty());
        for (int i = 1; i <= maker.haiku_count(); ++i) {
            if (maker.record(i).category == category || i % 29 == 0)
                QVERIFY(!maker.writeMemo(DataFiles::memoNumber(maker.record(i).memo_no), random.memo(6)));
        }
    }
    const Tree before = haikuAndMemos(dir);
    auto nb = openNotebook(dir);
    const int entry = entryIndex(*nb, category);
    const Notebook::RemoveResult removed = nb->removeCategoryWithHaiku(entry);
    QCOMPARE(removed.removed, 500);
    QVERIFY(removed.problems.isEmpty());
    const Tree afterFirst = haikuAndMemos(dir);
    // The 500 memo files are in the trash as they were; the old haiku file is kept.
    const Tree trash = under(dir, kTrash);
    QCOMPARE(trash.size(), 500);
    for (auto it = trash.begin(); it != trash.end(); ++it) {
        QCOMPARE(it.value(), before.value(u"memo1/"_qs + it.key()));
        QVERIFY(!afterFirst.contains(u"memo1/"_qs + it.key()));
    }
    QCOMPARE(nb->historyEntries().size(), std::size_t(1));
    const History::Entry kept = nb->historyEntries().front();
    QCOMPARE(bytesOf(dir + u'/' + kHistory + kept.fileName), before.value(DataFiles::haikuFile));
    if (secondDeletion) {
        int withMemo = 1;
        while (!QFileInfo::exists(nb->memoPath(DataFiles::memoNumber(nb->record(withMemo).memo_no))))
            ++withMemo;
        QCOMPARE(nb->removeHaiku(withMemo).removed, 1);
    }
    const Tree beforeRestore = haikuAndMemos(dir);
    const std::optional<History::Difference> d = nb->historyComparer().compare(kept);
    QVERIFY(d);
    QCOMPARE(d->back.size(), secondDeletion ? 501 : 500);
    QVERIFY(d->gone.isEmpty());

    const Notebook::RestoreResult restored = nb->restore(kept);
    QVERIFY(restored.restored);
    QVERIFY(restored.problems.isEmpty());
    sameFiles(haikuAndMemos(dir), before);
    QVERIFY(under(dir, kTrash).isEmpty());
    QCOMPARE(nb->haiku_count(), 29999);
    QVERIFY(entryIndex(*nb, category) <= nb->category_count()); // the category is back in the list
    // And as it starts up again.
    QVERIFY(openNotebook(dir)->records() == nb->records());

    // The restore undone: the state it replaced was kept first.
    const History::Entry beforeTheRestore = nb->historyEntries().front();
    QVERIFY(nb->restore(beforeTheRestore).restored);
    sameFiles(haikuAndMemos(dir), beforeRestore);
    QCOMPARE(under(dir, kTrash).size(), secondDeletion ? 501 : 500);
}

void TestHistory::takenNumberIsGivenAnew()
{
    QTemporaryDir dir;
    copyTree(u"notebook"_qs, dir.path());
    auto nb = openNotebook(dir.path());
    const QByteArray memo7 = bytesOf(nb->memoPath(7));
    QCOMPARE(nb->removeHaiku(2).removed, 1); // memo 7
    const History::Entry kept = nb->historyEntries().front();
    // Number 7 taken meanwhile by another haiku (a copy from another
    // computer, a hand-edited settings file), with a memo of its own.
    NotebookContents c = nb->contents();
    c.haiku_list.push_back(records({{u"別の句"_qs, 7, u"c6/09/09 09:09:09"_qs}})[1]);
    nb->replaceContents(std::move(c));
    QVERIFY(!nb->writeHaiku());
    QVERIFY(!nb->writeMemo(7, u"あとから書いたメモ"_qs));
    const QByteArray other7 = bytesOf(nb->memoPath(7));
    const qint64 last = nb->lastMemoNo();

    const Notebook::RestoreResult r = nb->restore(kept);
    QVERIFY(r.restored);
    QCOMPARE(r.renumbered, 1);
    const qint64 given = DataFiles::memoNumber(nb->record(2).memo_no);
    QCOMPARE(given, last + 1);
    QCOMPARE(nb->lastMemoNo(), given);
    QCOMPARE(bytesOf(nb->memoPath(given)), memo7);
    QCOMPARE(bytesOf(dir.filePath(kTrash + u"m1000007.txt"_qs)), other7); // the other haiku's, kept
    // In haiku.ini too, not only in the haiku file that start-up reads it from.
    QVERIFY(
        bytesOf(dir.filePath(DataFiles::settingsFile)).startsWith(' ' + QByteArray::number(given) + " \r\n"));
}

void TestHistory::fullDiskStopsTheChange_data()
{
    QTest::addColumn<bool>("copyElsewhere"); // 履歴 on a full disk of its own: a copy, not a link
    QTest::addColumn<bool>("restore");       // else 該当句削除
    QTest::addColumn<StoreProblem::Kind>("kind");
    QTest::newRow("deletion, the copy fails") << true << false << StoreProblem::Kind::History;
    QTest::newRow("restore, the copy fails") << true << true << StoreProblem::Kind::History;
    QTest::newRow("deletion, the haiku file fails") << false << false << StoreProblem::Kind::Write;
}

void TestHistory::fullDiskStopsTheChange()
{
    QFETCH(bool, copyElsewhere);
    QFETCH(bool, restore);
    QFETCH(StoreProblem::Kind, kind);
    SmallDisk disk;
    if (!disk.ok())
        QSKIP(qPrintable(disk.reason()));
    QTemporaryDir elsewhere;
    const QString dir = copyElsewhere ? elsewhere.path() : disk.path();
    copyTree(u"notebook"_qs, dir);
    if (copyElsewhere) {
        QVERIFY(QDir().mkpath(disk.filePath(u"kept"_qs)));
        QVERIFY(QFile::link(disk.filePath(u"kept"_qs), dir + u'/' + History::folderName));
    }
    auto nb = openNotebook(dir);
    std::optional<History::Entry> kept;
    if (restore) {
        QCOMPARE(nb->removeHaiku(1).removed, 1);
        kept = nb->historyEntries().front();
    }
    const Tree files = snapshot(dir);
    const std::vector<Haiku_record> records = nb->records();
    const std::size_t entries = nb->historyEntries().size();
    QVERIFY(disk.fill());

    QList<StoreProblem> problems;
    if (restore) {
        const Notebook::RestoreResult r = nb->restore(*kept);
        QVERIFY(!r.restored);
        problems = r.problems;
    } else {
        const Notebook::RemoveResult r = nb->removeCategoryWithHaiku(entryIndex(*nb, u"吟行記録"_qs));
        QCOMPARE(r.removed, 0);
        problems = r.problems;
    }
    QCOMPARE(problems.size(), 1);
    QCOMPARE(problems[0].kind, kind);
    QVERIFY2(problems[0].message.contains(u"ディスクの空き容量が足りません。"_qs),
             qPrintable(problems[0].message));
    if (kind == StoreProblem::Kind::History)
        QVERIFY(problems[0].message.startsWith(u"句帳の今の状態を「履歴」フォルダに残せませんでした。"_qs));
    // Nothing changed: the files, the notebook, the kept states.
    disk.makeRoom();
    Tree now = snapshot(dir);
    now.remove(u"filler"_qs);
    sameFiles(now, files);
    QVERIFY(nb->records() == records);
    QCOMPARE(nb->historyEntries().size(), entries);
}

void TestHistory::restoreRefused_data()
{
    QTest::addColumn<QString>("obstacle");
    QTest::addColumn<StoreProblem::Kind>("kind");
    QTest::newRow("a memo that cannot go") << u"folder for memo 99"_qs << StoreProblem::Kind::MemoDelete;
    QTest::newRow("the kept file gone") << u"kept file removed"_qs << StoreProblem::Kind::History;
}

void TestHistory::restoreRefused()
{
    QFETCH(QString, obstacle);
    QFETCH(StoreProblem::Kind, kind);
    QTemporaryDir dir;
    copyTree(u"notebook"_qs, dir.path());
    auto nb = openNotebook(dir.path());
    QCOMPARE(nb->removeHaiku(1).removed, 1);
    const History::Entry kept = nb->historyEntries().front();
    if (obstacle.startsWith(u"folder"_qs)) {
        // A haiku entered since, whose memo file is a folder: it cannot go
        // into the trash, so the state that lacks the haiku cannot come back.
        QVERIFY(nb->enterHaiku({u"2026/12/07"_qs, u"吟行記録"_qs, u"新しい句"_qs}, u"メモ"_qs, [] {
                      return kNow;
                  }).index == 1);
        const QString memo = nb->memoPath(DataFiles::memoNumber(nb->record(1).memo_no));
        QVERIFY(QFile::remove(memo));
        QVERIFY(QDir().mkpath(memo));
    } else {
        QVERIFY(QFile::remove(dir.filePath(kHistory + kept.fileName)));
    }
    const Tree files = snapshot(dir.path());
    const std::vector<Haiku_record> records = nb->records();
    const Notebook::RestoreResult r = nb->restore(kept);
    QVERIFY(!r.restored);
    QCOMPARE(r.problems.size(), 1);
    QCOMPARE(r.problems[0].kind, kind);
    sameFiles(snapshot(dir.path()), files);
    QVERIFY(nb->records() == records);
}

void TestHistory::memoThatCannotGoKeepsItsHaiku_data()
{
    QTest::addColumn<QString>("trash");
    QTest::newRow("a file in the trash's place") << u"file"_qs;
    QTest::newRow("the trash on another disk") << u"/dev/shm"_qs;
}

void TestHistory::memoThatCannotGoKeepsItsHaiku()
{
    QFETCH(QString, trash);
    QTemporaryDir dir;
    copyTree(u"notebook"_qs, dir.path());
    const auto other = quickTemporaryDir();
    if (trash == u"file"_qs)
        QVERIFY(put(dir.filePath(Trash::folderName), "not a folder"));
    else if (!QFile::link(other->path(), dir.filePath(Trash::folderName)) ||
             !other->path().startsWith(u"/dev/shm"_qs))
        QSKIP("no second file system at /dev/shm");
    auto nb = openNotebook(dir.path());
    const Tree files = snapshot(dir.path());
    const Notebook::RemoveResult r = nb->removeHaiku(2);
    QCOMPARE(r.removed, 0);
    QCOMPARE(r.keptPoems, QStringList{nb->record(2).poem});
    QCOMPARE(r.problems.size(), 1);
    QVERIFY2(
        r.problems[0].message.startsWith(
            u"「memo1/m1000007.txt」を削除できませんでした。\n「ゴミ箱」フォルダに移せませんでした。"_qs),
        qPrintable(r.problems[0].message));
    sameFiles(snapshot(dir.path()), files);
    QCOMPARE(nb->haiku_count(), 3);
}

QTEST_APPLESS_MAIN(TestHistory)
#include "tst_history.moc"
