// Random notebooks within code page 932 come back unchanged: saved, loaded
// and compared field by field, then saved again from what was loaded to the
// same bytes. The seed is printed with any failure; YURIMOKA_SEED=n repeats a run.
#include "support/Folders.h"
#include "support/RandomNotebook.h"

#include <QTest>

namespace {

using folders::kNow;

using folders::snapshot;
using folders::Tree;

quint64 baseSeed()
{
    bool ok = false;
    const quint64 fixed = qEnvironmentVariable("YURIMOKA_SEED").toULongLong(&ok);
    return ok ? fixed : std::random_device()();
}

QString differingRecord(const std::vector<Haiku_record> &a, const std::vector<Haiku_record> &b)
{
    if (a.size() != b.size())
        return QStringLiteral("haiku count %1 came back as %2").arg(a.size() - 1).arg(b.size() - 1);
    for (std::size_t i = 1; i < a.size(); ++i) {
        if (!(a[i] == b[i]))
            return QStringLiteral("haiku %1 (poem \"%2\") came back as \"%3\"")
                .arg(i)
                .arg(a[i].poem, b[i].poem);
    }
    return {};
}

// Saves the four files and the memos; empty when all were written.
QString saveEverything(Notebook &nb, const QMap<qint64, QString> &memos)
{
    if (const QList<StoreProblem> problems = nb.saveAll(); !problems.isEmpty())
        return Notebook::describe(problems);
    for (auto it = memos.begin(); it != memos.end(); ++it) {
        if (auto problem = nb.writeMemo(it.key(), it.value()))
            return problem->message;
    }
    return {};
}

// Saves a random notebook, loads it and saves it again; empty when all came
// back, else what did not.
QString roundTrip(quint64 seed, const RandomNotebook::Size &size)
{
    const auto temporary = folders::quickTemporaryDir();
    const QTemporaryDir &dir = *temporary;
    if (!dir.isValid())
        return QStringLiteral("no temporary folder");
    QDir(dir.path()).mkpath(DataFiles::memoFolder);

    Notebook saved(dir.path());
    RandomNotebook random(seed);
    const QMap<qint64, QString> memos = random.fill(saved, size);
    if (const QString problem = saveEverything(saved, memos); !problem.isEmpty())
        return problem;
    const Tree files = snapshot(dir.path());

    Notebook loaded(dir.path());
    const StartupReport report = loaded.startUp(Settings(), kNow);
    if (!report.fatal.isEmpty() || !report.notices.isEmpty() || !report.problems.isEmpty())
        return QStringLiteral("start-up reported: %1 %2").arg(report.fatal, report.notices.join(u' '));
    if (const QString diff = differingRecord(saved.records(), loaded.records()); !diff.isEmpty())
        return diff;
    if (loaded.categories() != saved.categories())
        return QStringLiteral("the categories differ");
    if (loaded.keywords() != saved.keywords())
        return QStringLiteral("the keywords differ");
    if (DataFiles::settingsLines(loaded.settings()) != DataFiles::settingsLines(saved.settings()))
        return QStringLiteral("the settings differ");
    QMap<qint64, QString> readBack;
    for (auto it = memos.begin(); it != memos.end(); ++it) {
        readBack.insert(it.key(), loaded.readMemoFile(it.key()).text);
        if (readBack[it.key()] != it.value())
            return QStringLiteral("memo %1 came back as \"%2\"").arg(it.key()).arg(readBack[it.key()]);
    }

    // Saved again from what was read, with nothing on disk to compare against.
    if (!QDir(dir.path()).removeRecursively() || !QDir().mkpath(dir.path() + u'/' + DataFiles::memoFolder))
        return QStringLiteral("could not empty the folder");
    if (const QString problem = saveEverything(loaded, readBack); !problem.isEmpty())
        return problem;
    const Tree again = snapshot(dir.path());
    if (again.keys() != files.keys())
        return QStringLiteral("saved again, other files: %1").arg(again.keys().join(u' '));
    for (auto it = files.begin(); it != files.end(); ++it) {
        if (again[it.key()] != it.value())
            return QStringLiteral("saved again, %1 has other bytes").arg(it.key());
    }
    return {};
}

} // namespace

class TestRoundTrip : public QObject
{
    Q_OBJECT

private slots:
    void randomNotebooksComeBackUnchanged()
    {
        const quint64 base = baseSeed();
        RandomNotebook sizes(base);
        for (quint64 i = 0; i < 40; ++i) {
            // Mostly small notebooks; a few of any size up to the limits.
            const bool large = i % 10 == 9;
            const RandomNotebook::Size size{sizes.between(0, large ? Notebook::kHaikuLimit : 60),
                                            sizes.between(0, large ? Notebook::kCategoryLimit : 40),
                                            sizes.between(0, 12)};
            const QString problem = roundTrip(base + i, size);
            QVERIFY2(problem.isEmpty(),
                     qPrintable(QStringLiteral("seed %1 (YURIMOKA_SEED=%2, notebook %3): %4")
                                    .arg(base + i)
                                    .arg(base)
                                    .arg(i)
                                    .arg(problem)));
        }
    }

    void fullNotebookComesBackUnchanged()
    {
        const quint64 seed = baseSeed();
        const QString problem = roundTrip(seed, {Notebook::kHaikuLimit, Notebook::kCategoryLimit, 30});
        QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("seed %1: %2").arg(seed).arg(problem)));
    }
};

QTEST_APPLESS_MAIN(TestRoundTrip)
#include "tst_roundtrip.moc"
