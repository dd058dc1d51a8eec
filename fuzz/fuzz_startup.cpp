// Start-up on a folder of arbitrary files (see StartupInput for how the
// input is cut into them): start-up never gives up on files it could read,
// the list and the memo display work on what it loaded, quitting saves
// everything without a problem, and loading what was saved gives the same
// notebook, which saves to the same bytes again.
#include "FuzzSupport.h"
#include "StartupInput.h"

#include "store/Cp932.h"
#include "store/Notebook.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using FuzzSupport::view;

namespace {

const QDateTime kNow(QDate(2026, 12, 7), QTime(9, 30, 15));
const QStringList kDataFiles{DataFiles::settingsFile, DataFiles::haikuFile, DataFiles::categoryFile,
                             DataFiles::keywordFile};

void put(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    FUZZ_CHECK(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

void checkMemoNumber(qint64 memo_no)
{
    FUZZ_CHECK(memo_no >= 0 && memo_no <= DataFiles::kMemoNoLimit);
    const QString name = DataFiles::memoFileName(memo_no);
    FUZZ_CHECK(name.startsWith(QLatin1String("m1")) && !name.contains(u'-'));
}

void sameNotebook(const Notebook &a, const Notebook &b)
{
    FUZZ_CHECK(a.records() == b.records());
    FUZZ_CHECK(a.categories() == b.categories());
    FUZZ_CHECK(a.keywords() == b.keywords());
    FUZZ_CHECK(DataFiles::settingsLines(a.settings()) == DataFiles::settingsLines(b.settings()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    StartupInput in = StartupInput::split(view(data, size));
    if (!in.isSet(StartupInput::NoHaiku) && in.isSet(StartupInput::LargeHaiku) && !in.dat.isEmpty()) {
        const QByteArray record = in.dat;
        while (in.dat.size() <= 64 * 1024)
            in.dat += record;
    }

    QTemporaryDir dir;
    FUZZ_CHECK(dir.isValid());
    const QString folder = dir.path() + u'/';
    const QByteArray *files[] = {&in.ini, &in.dat, &in.cat, &in.key};
    const StartupInput::Switch absent[] = {StartupInput::NoSettings, StartupInput::NoHaiku,
                                           StartupInput::NoCategories, StartupInput::NoKeywords};
    for (int i = 0; i < 4; ++i) {
        if (!in.isSet(absent[i]))
            put(folder + kDataFiles[i], *files[i]);
    }

    Settings defaults;
    defaults.window_top = NumberText(1995);
    defaults.list_height = NumberText(2295);
    Notebook nb(folder);
    const StartupReport report = nb.startUp(defaults, kNow);
    FUZZ_CHECK(report.fatal.isEmpty());
    FUZZ_CHECK(report.problems.isEmpty());

    if (!in.isSet(StartupInput::NoHaiku)) {
        const qsizetype lines = FuzzSupport::byteLines(in.dat).size();
        FUZZ_CHECK(nb.haiku_count() == (lines + kRecordLines - 1) / kRecordLines);
    } else {
        FUZZ_CHECK(nb.haiku_count() == 1);
    }
    if (in.isSet(StartupInput::NoCategories))
        FUZZ_CHECK(nb.category_count() == DataFiles::defaultCategories().size());
    const qint64 last = nb.lastMemoNo();
    checkMemoNumber(last);
    for (int i = 1; i <= nb.haiku_count(); ++i)
        FUZZ_CHECK(DataFiles::memoNumber(nb.record(i).memo_no) <= last);
    const std::optional<qint64> next = nb.nextMemoNo();
    FUZZ_CHECK(next ? *next == last + 1 && *next <= DataFiles::kMemoNoLimit
                    : last == DataFiles::kMemoNoLimit);

    // The list, all haiku and one category.
    FUZZ_CHECK(int(nb.find(Notebook::allCategories).size()) == nb.haiku_count());
    const QString category = nb.haiku_count() > 0      ? nb.record(1).category
                             : nb.category_count() > 0 ? nb.categories()[1]
                                                       : QStringLiteral("その他");
    // Exactly the haiku of that category, in notebook order ("全部" finds them all).
    std::vector<int> expected;
    for (int i = 1; i <= nb.haiku_count(); ++i) {
        if (category == Notebook::allCategories || nb.record(i).category == category)
            expected.push_back(i);
    }
    FUZZ_CHECK(nb.find(category) == expected);
    for (int i : expected)
        checkMemoNumber(DataFiles::memoNumber(nb.record(i).memo_no));

    // The memo of the first haiku, as the memo box shows it and as it is stored again.
    const qint64 memo_no = nb.haiku_count() > 0 ? DataFiles::memoNumber(nb.record(1).memo_no) : 1;
    if (!in.isSet(StartupInput::NoMemo))
        put(nb.memoPath(memo_no), in.memo);
    const QString memo = nb.readMemoFile(memo_no).text;
    FUZZ_CHECK(!memo.contains(u'\r'));
    // Refused only where a damaged byte sits beside a character read in its
    // second spelling; the file is then left as it was.
    FUZZ_CHECK(!nb.writeMemo(memo_no, memo) || Cp932::decode(in.memo).secondSpellings);
    FUZZ_CHECK(nb.readMemoFile(memo_no).text == memo);

    // Quitting saves everything (files it holds unchanged are left alone);
    // the next start reads the same notebook.
    FUZZ_CHECK(nb.saveAll().isEmpty());
    Notebook afterQuit(folder);
    const StartupReport second = afterQuit.startUp(defaults, kNow);
    FUZZ_CHECK(second.fatal.isEmpty() && second.problems.isEmpty());
    sameNotebook(nb, afterQuit);
    FUZZ_CHECK(afterQuit.readMemoFile(memo_no).text == memo);

    // Written whole, read again, and written whole once more: the same bytes.
    auto writeWhole = [&folder](Notebook &from) {
        for (const QString &f : kDataFiles)
            FUZZ_CHECK(QFile::remove(folder + f));
        FUZZ_CHECK(from.saveAll().isEmpty());
        QList<QByteArray> files;
        for (const QString &f : kDataFiles)
            files.append(bytesOf(folder + f));
        return files;
    };
    const QList<QByteArray> written = writeWhole(nb);
    Notebook again(folder);
    const StartupReport third = again.startUp(defaults, kNow);
    FUZZ_CHECK(third.fatal.isEmpty() && third.problems.isEmpty());
    sameNotebook(nb, again);
    FUZZ_CHECK(writeWhole(again) == written);
    return 0;
}
