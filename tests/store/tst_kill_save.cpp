// kill -9 at random moments of a real save. A child process saves a notebook
// in which every file has changed (a new haiku and its memo, a corrected memo,
// the categories, the keywords, the settings) and is killed part way; each
// file must then hold either its old bytes or its new ones, never a mix and
// never less, and the folder must start up as a whole notebook.
#include "support/Contents.h"
#include "support/Folders.h"
#include "support/KilledChild.h"
#include "support/RandomNotebook.h"

#include <QRegularExpression>
#include <QTest>

#include <sys/wait.h>

namespace {

using folders::kNow;
constexpr int kTries = 200;

using folders::snapshot;
using folders::Tree;

// The changes the save writes out: one to every file.
struct Change
{
    qint64 newMemoNo = 0;
    qint64 correctedMemoNo = 0;
    QString newMemo = QStringLiteral("初時雨\n\n猿も小蓑を  ");
    QString correctedMemo = QStringLiteral("推敲中　\n①②≒纊");

    void apply(Notebook &nb) const
    {
        nb.readMemoFile(correctedMemoNo); // the entry window shows the memo before it is corrected
        Haiku_record r;
        r.date_text = QStringLiteral("2026/12/07");
        r.category = QStringLiteral("吟行記録");
        r.poem = QStringLiteral("初しぐれ猿も小蓑をほしげ也");
        r.memo_no = NumberText(double(newMemoNo)).text();
        r.created_stamp = r.updated_stamp = DataFiles::timeStamp(kNow, true);
        editContents(nb, [this, &r](NotebookContents &c) {
            c.haiku_list.insert(c.haiku_list.begin() + 1, r);
            c.haiku_list[c.haiku_list.size() / 2].poem += QStringLiteral("（直し）");
            c.settings.last_memo_no.set(double(newMemoNo));
            c.settings.window_top.set(c.settings.window_top.value() + 15);
            c.category_list.push_back(QStringLiteral("新しい分類"));
            c.keyword_list[0] = QStringLiteral("時雨");
        });
    }
};

// The save, as the entry form and quitting do it: the memos, then the files.
bool save(Notebook &nb, const Change &c)
{
    if (nb.writeMemo(c.correctedMemoNo, c.correctedMemo) || nb.writeMemo(c.newMemoNo, c.newMemo))
        return false;
    return nb.saveAll().isEmpty();
}

// Loads the folder, changes it, and saves it in a child process, which is
// killed delayUs microseconds after it starts saving, unless that is negative.
killed::Outcome saveInChild(const QString &folder, const Change &c, qint64 delayUs)
{
    Notebook nb(folder);
    if (!nb.startUp(Settings(), kNow).fatal.isEmpty())
        return {};
    c.apply(nb);
    return killed::run([&] { return save(nb, c); }, delayUs);
}

} // namespace

class TestKillSave : public QObject
{
    Q_OBJECT

private slots:
    void everyFileIsOldOrNewAfterAKill()
    {
        // A killed process leaves the same files on any file system: what it
        // wrote is not lost with it. A quick one keeps the tries quick.
        const auto temporary = folders::quickTemporaryDir();
        const QTemporaryDir &root = *temporary;
        QVERIFY(root.isValid());
        const QString before = root.filePath(u"before"_qs), work = root.filePath(u"work"_qs),
                      check = root.filePath(u"check"_qs);

        // The notebook before: a few hundred haiku, some memos.
        QVERIFY(QDir().mkpath(before + u'/' + DataFiles::memoFolder));
        Notebook old(before);
        RandomNotebook random(20261207);
        const QMap<qint64, QString> memos = random.fill(old, {400, 40, 10});
        QVERIFY(old.saveAll().isEmpty());
        for (auto it = memos.begin(); it != memos.end(); ++it)
            QVERIFY(!old.writeMemo(it.key(), it.value()));
        const Tree oldFiles = snapshot(before);

        Change change;
        change.newMemoNo = *old.nextMemoNo();
        change.correctedMemoNo = memos.firstKey();

        // The notebook after, from a save left to finish; its time sets the range of the kills.
        std::vector<qint64> times;
        for (int i = 0; i < 5; ++i) {
            QVERIFY(folders::writeTree(oldFiles, work));
            const killed::Outcome o = saveInChild(work, change, -1);
            QVERIFY(WIFEXITED(o.status) && WEXITSTATUS(o.status) == 0);
            times.push_back(o.workUs);
        }
        std::sort(times.begin(), times.end());
        const qint64 saveUs = times[times.size() / 2];
        // The day's first copy of the haiku file, kept in 履歴/ under the time
        // of the save, is looked at on its own below.
        Tree newFiles = snapshot(work);
        newFiles.removeIf([](const auto &file) { return file.key().startsWith(u"履歴/"_qs); });
        QStringList names = oldFiles.keys() + newFiles.keys();
        names.removeDuplicates();
        QStringList changed;
        for (const QString &name : names) {
            if (oldFiles.contains(name) != newFiles.contains(name) || oldFiles[name] != newFiles[name])
                changed.append(name);
        }
        // The four data files, the corrected memo and the new one.
        QCOMPARE(changed.size(), 6);

        // The old and the new notebook as loaded, kept for comparing: what
        // they hold may point into the text each has read.
        Notebook oldNotebook(before), newNotebook(work);
        QVERIFY(oldNotebook.startUp(Settings(), kNow).fatal.isEmpty());
        QVERIFY(newNotebook.startUp(Settings(), kNow).fatal.isEmpty());
        const std::vector<Haiku_record> &oldList = oldNotebook.records(), &newList = newNotebook.records();

        std::mt19937_64 rng(std::random_device{}());
        int killedBeforeTheEnd = 0, allOld = 0, allNew = 0, mixed = 0, leftovers = 0;
        for (int attempt = 0; attempt < kTries; ++attempt) {
            QVERIFY(folders::writeTree(oldFiles, work));
            const qint64 delay = std::uniform_int_distribution<qint64>(0, saveUs)(rng);
            const killed::Outcome o = saveInChild(work, change, delay);
            QVERIFY(o.status != -1);
            if (WIFSIGNALED(o.status))
                ++killedBeforeTheEnd;

            const Tree after = snapshot(work);
            const QString where = QStringLiteral("try %1, killed after %2 µs").arg(attempt).arg(delay);
            int newOnes = 0;
            for (const QString &name : names) {
                const bool isOld = after.contains(name) == oldFiles.contains(name) &&
                                   after.value(name) == oldFiles.value(name);
                const bool isNew = after.contains(name) == newFiles.contains(name) &&
                                   after.value(name) == newFiles.value(name);
                QVERIFY2(isOld || isNew, qPrintable(where + u": "_qs + name + u" is neither old nor new"_qs));
                newOnes += isNew && changed.contains(name);
            }
            // A save killed between naming its new file and renaming it over
            // the old one leaves that file beside it: the old file is still
            // there, and start-up never reads the leftover.
            static const QRegularExpression leftover(u"^(.*/)?\\.(.+)\\.yurimoka-\\d+-\\d+$"_qs);
            for (const QString &name : after.keys()) {
                if (names.contains(name))
                    continue;
                if (name.startsWith(u"履歴/"_qs)) {
                    // a copy of the haiku file as it was before this save, or nothing
                    QVERIFY2(
                        after.value(name) == oldFiles.value(DataFiles::haikuFile),
                        qPrintable(where + u": a kept state that is not the old haiku file: "_qs + name));
                    continue;
                }
                const QRegularExpressionMatch m = leftover.match(name);
                QVERIFY2(m.hasMatch() && changed.contains(m.captured(1) + m.captured(2)),
                         qPrintable(where + u": a stray file "_qs + name));
                ++leftovers;
            }
            if (newOnes == 0)
                ++allOld;
            else if (newOnes == changed.size())
                ++allNew;
            else
                ++mixed;

            // Starting up on what was left: a whole notebook, old or new.
            QVERIFY(folders::writeTree(after, check));
            Notebook nb(check);
            const StartupReport report = nb.startUp(Settings(), kNow);
            QVERIFY2(report.fatal.isEmpty() && report.notices.isEmpty() && report.problems.isEmpty(),
                     qPrintable(where + u": "_qs + report.fatal + report.notices.join(u' ')));
            QVERIFY2(nb.records() == oldList || nb.records() == newList,
                     qPrintable(where + u": the haiku are neither the old nor the new ones"_qs));
        }
        qInfo("%d kills, %d before the child ended (a save takes about %lld µs): %d left the old files, "
              "%d the new, %d some of each; %d temporary files left beside them",
              kTries, killedBeforeTheEnd, saveUs, allOld, allNew, mixed, leftovers);
        // Kills that came only after the save had finished would have tested nothing.
        QVERIFY(killedBeforeTheEnd > 0);
    }
};

QTEST_APPLESS_MAIN(TestKillSave)
#include "tst_kill_save.moc"
