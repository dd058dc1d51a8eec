// kill -9 at random moments of a restore. A child process brings back the
// state kept before a category's haiku were deleted (a haiku entered since
// goes) and is killed part way; the folder must then open as the state before
// or the state after: every haiku with its own memo in memo1, and every memo
// file once, in memo1 or in the trash, none lost and none twice.
#include "support/Folders.h"
#include "support/KilledChild.h"
#include "support/RandomNotebook.h"

#include <QTest>

#include <algorithm>
#include <random>

namespace {

using folders::kNow;
using folders::snapshot;
using folders::Tree;

// 200 kills take about 30 s on two busy cores.
constexpr int kTries = 200;

const QString kCategory = QStringLiteral("吟行・六十句");

// Loads the folder and restores its oldest kept state in a child process,
// which is killed delayUs microseconds after it starts, unless that is negative.
killed::Outcome restoreInChild(const QString &folder, qint64 delayUs)
{
    Notebook nb(folder);
    if (!nb.startUp(Settings(), kNow).fatal.isEmpty() || nb.historyEntries().empty())
        return {};
    const History::Entry kept = nb.historyEntries().back();
    return killed::run([&] { return nb.restore(kept).restored; }, delayUs);
}

// Every memo file's bytes, wherever it is (memo1 or the trash), sorted: the
// same list before and after means no memo was lost and none is there twice.
QList<QByteArray> allMemos(const Tree &t)
{
    QList<QByteArray> memos;
    for (auto it = t.begin(); it != t.end(); ++it) {
        const QString name = it.key().section(u'/', -1);
        if ((it.key().startsWith(u"memo1/"_qs) || it.key().startsWith(Trash::folderName + u'/')) &&
            name.startsWith(u"m1"_qs))
            memos.append(it.value());
    }
    std::sort(memos.begin(), memos.end());
    return memos;
}

// The memo each haiku of the haiku file has in memo1 under its number.
QMap<QString, QByteArray> memoOfEach(const Tree &t)
{
    QMap<QString, QByteArray> memos;
    const DecodedFile decoded = TextLines::decodeFile(t.value(DataFiles::haikuFile));
    const std::vector<Haiku_record> list = DataFiles::parseHaiku(decoded.text);
    for (std::size_t i = 1; i < list.size(); ++i) {
        const qint64 n = DataFiles::memoNumber(list[i].memo_no);
        memos.insert(list[i].poem + u'\t' + list[i].created_stamp,
                     t.value(u"memo1/"_qs + DataFiles::memoFileName(n), "(none)"));
    }
    return memos;
}

} // namespace

class TestKillRestore : public QObject
{
    Q_OBJECT

private slots:
    void everyKillLeavesBeforeOrAfter()
    {
        const auto temporary = folders::quickTemporaryDir();
        QVERIFY(temporary->isValid());
        const QString before = temporary->filePath(u"before"_qs), work = temporary->filePath(u"work"_qs);

        // 600 haiku, each with its memo; 60 of them in one category, deleted;
        // then a new haiku entered.
        QVERIFY(QDir().mkpath(before + u'/' + DataFiles::memoFolder));
        {
            Notebook maker(before);
            RandomNotebook random(20261208);
            random.fill(maker, {600, 20, 0});
            NotebookContents c = maker.contents();
            c.category_list.push_back(kCategory);
            for (std::size_t i = 3; i < c.haiku_list.size(); i += 10)
                c.haiku_list[i].category = kCategory;
            maker.replaceContents(std::move(c));
            QVERIFY(maker.saveAll().isEmpty());
            for (int i = 1; i <= maker.haiku_count(); ++i)
                QVERIFY(!maker.writeMemo(DataFiles::memoNumber(maker.record(i).memo_no), random.memo(4)));
        }
        {
            Notebook nb(before);
            QVERIFY(nb.startUp(Settings(), kNow).fatal.isEmpty());
            const auto &list = nb.categories();
            const int entry = int(std::find(list.begin(), list.end(), kCategory) - list.begin());
            QCOMPARE(nb.removeCategoryWithHaiku(entry).removed, 60);
            QCOMPARE(nb.enterHaiku({u"2026/12/08"_qs, u"吟行記録"_qs, u"あとから詠んだ句"_qs},
                                   u"新しいメモ"_qs, [] { return kNow; })
                         .index,
                     1);
        }
        const Tree oldFiles = snapshot(before);

        // The state after, from restores left to finish; their time sets the range of the kills.
        std::vector<qint64> times;
        Tree newFiles;
        for (int i = 0; i < 5; ++i) {
            QVERIFY(folders::writeTree(oldFiles, work));
            const killed::Outcome o = restoreInChild(work, -1);
            QVERIFY(WIFEXITED(o.status) && WEXITSTATUS(o.status) == 0);
            times.push_back(o.workUs);
            newFiles = snapshot(work);
        }
        std::sort(times.begin(), times.end());
        const qint64 restoreUs = times[times.size() / 2];
        QVERIFY(oldFiles.value(DataFiles::haikuFile) != newFiles.value(DataFiles::haikuFile));
        const QList<QByteArray> memos = allMemos(oldFiles);
        QCOMPARE(allMemos(newFiles), memos);
        const QMap<QString, QByteArray> oldMemos = memoOfEach(oldFiles), newMemos = memoOfEach(newFiles);
        QCOMPARE(oldMemos.size(), 541);
        QCOMPARE(newMemos.size(), 600);
        QVERIFY(!oldMemos.values().contains("(none)") && !newMemos.values().contains("(none)"));

        std::mt19937_64 rng(std::random_device{}());
        int killedBeforeTheEnd = 0, allOld = 0, allNew = 0;
        for (int attempt = 0; attempt < kTries; ++attempt) {
            QVERIFY(folders::writeTree(oldFiles, work));
            // Half over the whole restore, half later: the haiku file and the
            // trash come at its end, and a busy machine stretches any run.
            const qint64 delay =
                attempt % 2 ? std::uniform_int_distribution<qint64>(0, restoreUs)(rng)
                            : std::uniform_int_distribution<qint64>(restoreUs * 3 / 4, restoreUs * 2)(rng);
            const killed::Outcome o = restoreInChild(work, delay);
            QVERIFY(o.status != -1);
            if (WIFSIGNALED(o.status))
                ++killedBeforeTheEnd;

            const Tree after = snapshot(work);
            const QString where = QStringLiteral("try %1, killed after %2 µs").arg(attempt).arg(delay);
            const QByteArray haiku = after.value(DataFiles::haikuFile);
            const bool isOld = haiku == oldFiles.value(DataFiles::haikuFile);
            QVERIFY2(isOld || haiku == newFiles.value(DataFiles::haikuFile),
                     qPrintable(where + u": the haiku file is neither the old one nor the new one"_qs));
            // Every haiku with its own memo, and every memo file once.
            QVERIFY2(memoOfEach(after) == (isOld ? oldMemos : newMemos),
                     qPrintable(where + u": a haiku without its own memo"_qs));
            QVERIFY2(allMemos(after) == memos, qPrintable(where + u": a memo lost or there twice"_qs));
            // The other files are whole, old or new.
            for (const QString &name :
                 {DataFiles::categoryFile, DataFiles::settingsFile, DataFiles::keywordFile}) {
                QVERIFY2(after.value(name) == oldFiles.value(name) ||
                             after.value(name) == newFiles.value(name),
                         qPrintable(where + u": "_qs + name));
            }
            (isOld ? allOld : allNew)++;

            // Starting up on what was left: the notebook before or after.
            Notebook nb(work);
            const StartupReport report = nb.startUp(Settings(), kNow);
            QVERIFY2(report.fatal.isEmpty() && report.problems.isEmpty(), qPrintable(where + report.fatal));
            QCOMPARE(nb.haiku_count(), isOld ? 541 : 600);
        }
        qInfo(
            "%d kills, %d before the child ended (a restore takes about %lld µs): %d left the state before, "
            "%d the state after",
            kTries, killedBeforeTheEnd, restoreUs, allOld, allNew);
        QVERIFY(killedBeforeTheEnd > 0);
    }
};

QTEST_APPLESS_MAIN(TestKillRestore)
#include "tst_kill_restore.moc"
