// Timings of the notebook core on notebooks of realistic size: loading the
// folder at start-up, saving everything at quit, finding the records a list
// shows, searching by keyword, moving a haiku up or down, deleting with and
// without keeping the earlier haiku file in 履歴; counting a poem's sounds
// and loading MeCab's dictionary for it.
// A plain code page 932 decode of haiku.dat is timed beside the load, so that
// we see how much the load adds on top of the conversion it cannot avoid.
//
//   yurimoka_bench [benchmark options]   the timings
//   yurimoka_bench --memory              resident memory of a 29 999-haiku notebook
//   yurimoka_bench --history-disk        what 履歴 holds on disk after two months of use
//   yurimoka_bench --write-notebook DIR N   writes a notebook of N haiku into DIR

#include "store/AtomicFile.h"
#include "store/Cp932.h"
#include "store/DataFiles.h"
#include "store/History.h"
#include "store/Notebook.h"
#include "store/NotebookReading.h"
#include "store/TextLines.h"
#include "store/Trash.h"

#ifdef YURIMOKA_BENCH_UI
#include "booklet/Booklet.h"
#include "booklet/BookletPlan.h"
#include "mainwin/Main_form.h"
#include "onsu/MecabReader.h"
#include "onsu/Onsu.h"
#include "ui/ListGrid.h"
#include "ui/MessageBoxes.h"

#include <QApplication>
#include <QComboBox>
#endif

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>

#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kLargest = 29999; // the most the entry window lets a notebook hold
const QString kOneCategory = QStringLiteral("好きな句（春）");
// A keyword found in about one poem in ten (9.2 % of the generated poems).
const QString kTenthKeyword = QStringLiteral("母");

[[noreturn]] void fail(const QString &what)
{
    std::fprintf(stderr, "yurimoka_bench: %s\n", qPrintable(what));
    std::exit(1);
}

// A poem is one piece of five sounds, one of seven and one of five.
const char *const kUpper[] = {
    "春の雨",   "朝桜",     "若葉風", "梅雨晴れや", "夕立の",   "蝉しぐれ", "秋の暮",   "月今宵",
    "初しぐれ", "冬木立",   "雪の朝", "初日の出",   "菜の花や", "青嵐",     "鰯雲",     "木枯らしや",
    "春寒し",   "花冷えの", "風薫る", "夏の川",     "稲光",     "秋深し",   "小春日や", "寒月の",
    "初蝶や",   "遠花火",   "虫の声", "山眠る",     "水温む",   "炎天の",   "露けしや", "大寒の",
};
const char *const kMiddle[] = {
    "ひとりの影を",   "川のほとりに",   "母の手のひら", "遠くの山の",     "駅のホームに",   "古き庭石",
    "しづかに揺るる", "子らの声する",   "窓をひらけば", "白き帽子の",     "ふるさとの空",   "石段のぼる",
    "鐘の音ひびく",   "一本道を",       "傘をたたみて", "灯ともる路地の", "舟の行き交ふ",   "猫の眠れる",
    "土の匂ひの",     "湯気の立ちたる", "父の書斎の",   "鳥の影ゆく",     "屋根の向かうに", "夜汽車の窓に",
    "手紙を書けば",   "畑の畦道",       "橋の袂に",     "波の寄せくる",   "硯を洗ふ",       "影ながながと",
    "風に吹かれて",   "祖母の縁側",
};
const char *const kLower[] = {
    "日暮れけり", "鳩の声",   "午後三時", "水の音", "夜の雨",   "白き雲",   "遠き町", "青き空",
    "石畳",       "竹の道",   "草の丈",   "土の色", "母の声",   "子の寝息", "旅の宿", "山の寺",
    "薄明かり",   "星ひとつ", "月の道",   "風の中", "茶の香り", "影法師",   "通り雨", "紙風船",
    "帰り道",     "笑ひ声",   "港町",     "昼の月", "古時計",   "城の跡",   "夢の中", "小さき手",
};
const char *const kMemoLines[] = {
    "近所の公園を散歩しながら作った句。",
    "句会に投句、二点入った。",
    "季語が動くとの指摘あり。推敲の余地がある。",
    "朝の電車の中で浮かんだ。",
    "先生の添削を受けて中七を直した。",
    "新聞の俳壇に投句。選には入らず。",
    "吟行会（十二名参加）にて。",
    "同じ景色を何度も詠んでいるが、これが一番よいと思う。",
    "旅先の宿で夜更けに書き留めた。",
    "結社誌に掲載。",
    "", // memos have blank lines too
};

QString poem(int i)
{
    // 7919 is odd, so i -> i * 7919 mod 32768 gives every i below 32768 its
    // own poem, and neighbouring haiku do not share their pieces.
    const int k = int((qint64(i) * 7919) % 32768);
    return QString::fromUtf8(kUpper[k % 32]) + QString::fromUtf8(kMiddle[(k / 32) % 32]) +
           QString::fromUtf8(kLower[k / 1024]);
}

// n haiku, newest first as the notebook keeps them: haiku 1 has the highest
// memo number and the latest date, a few a day going back from 2024/05/01.
std::vector<Haiku_record> makeHaiku(int n, std::mt19937 &rng)
{
    const QStringList &categories = DataFiles::defaultCategories(); // [0] is "全部"
    const auto kinds = std::size_t(categories.size() - 1);
    const QDate newest(2024, 5, 1);
    std::vector<Haiku_record> list(1);
    list.reserve(std::size_t(n) + 1);
    for (int i = 1; i <= n; ++i) {
        const QDate day = newest.addDays(-(i - 1) / 4);
        const QDateTime created(day, QTime{int(6 + rng() % 16), int(rng() % 60), int(rng() % 60)});
        const QDateTime updated = rng() % 3 ? created : created.addDays(rng() % 40);
        list.push_back({
            DataFiles::shortDate(day),
            categories[1 + qsizetype(rng() % kinds)],
            poem(i),
            TextLines::formatNumber(n - i + 1), // " 29999 ", as the program writes numbers
            DataFiles::timeStamp(created, true),
            DataFiles::timeStamp(updated, true),
            rng() % 25 ? QStringLiteral("NO") : QStringLiteral("YES"),
        });
    }
    return list;
}

QStringList memoLines(const Haiku_record &r, std::mt19937 &rng)
{
    QStringList lines{r.date_text + QStringLiteral(" 作")};
    const int more = int(1 + rng() % 4);
    for (int j = 0; j < more; ++j)
        lines << QString::fromUtf8(kMemoLines[rng() % std::size(kMemoLines)]);
    return lines;
}

// A notebook folder as the program leaves it at quit, written by the
// notebook's own writers: haiku.ini, haiku.dat, bunrui.dat, kensaku.dat and
// one memo file per haiku.
void writeNotebook(const QString &folder, int n)
{
    std::mt19937 rng(20240501);
    // A folder that is not there yet is made, as the program makes its own.
    if (!QDir().mkpath(folder))
        fail(QStringLiteral("フォルダ「%1」を作れませんでした。").arg(folder));
    NotebookContents c;
    c.haiku_list = makeHaiku(n, rng);
    for (const QString &category : DataFiles::defaultCategories())
        c.category_list.push_back(category);
    const char *keywords[] = {"桜", "母", "月", "秋の暮", "雨"};
    for (std::size_t i = 0; i < std::size(keywords); ++i)
        c.keyword_list[i] = QString::fromUtf8(keywords[i]);
    c.settings.last_memo_no = NumberText(n);
    c.settings.window_top = NumberText(1140);
    c.settings.window_left = NumberText(2400);
    c.settings.window_height = NumberText(8595);
    c.settings.window_width = NumberText(11520);
    c.settings.list_height = NumberText(2295);
    Notebook nb(folder);
    nb.replaceContents(std::move(c));
    const QList<StoreProblem> problems = nb.saveAll();
    if (!problems.isEmpty())
        fail(problems.first().message);

    // Memo files go through the line encoder and a plain QFile: the memo
    // writer syncs every file to disk, which would make building a large
    // folder take minutes and tells us nothing.
    if (!QDir().mkpath(nb.path(DataFiles::memoFolder)))
        fail(QStringLiteral("cannot create the memo folder in ") + folder);
    for (int i = 1; i <= n; ++i) {
        const Haiku_record &r = nb.record(i);
        const EncodedLines e = TextLines::encodeLines(memoLines(r, rng));
        QFile f(nb.memoPath(DataFiles::memoNumber(r.memo_no)));
        if (!e.ok() || !f.open(QIODevice::WriteOnly) || f.write(e.bytes) != e.bytes.size())
            fail(QStringLiteral("cannot write ") + f.fileName());
    }
}

// One folder per size, made on first use and removed at exit.
QString notebookFolder(int n)
{
    static std::map<int, std::unique_ptr<QTemporaryDir>> folders;
    auto &dir = folders[n];
    if (!dir) {
        dir = std::make_unique<QTemporaryDir>();
        if (!dir->isValid())
            fail(QStringLiteral("cannot create a temporary folder"));
        writeNotebook(dir->path(), n);
    }
    return dir->path();
}

// A notebook as the program has it after start-up.
std::unique_ptr<Notebook> loadedNotebook(const QString &folder)
{
    auto nb = std::make_unique<Notebook>(folder);
    const StartupReport report = nb->startUp(Settings(), QDateTime::currentDateTime());
    QStringList trouble = report.notices;
    if (!report.fatal.isEmpty())
        trouble << report.fatal;
    for (const StoreProblem &p : report.problems)
        trouble << p.message;
    if (!trouble.isEmpty())
        fail(QStringLiteral("start-up of %1 did not go cleanly:\n%2").arg(folder, trouble.join(u'\n')));
    return nb;
}

void BM_Load(benchmark::State &state)
{
    const int n = int(state.range(0));
    const QString folder = notebookFolder(n);
    if (loadedNotebook(folder)->haiku_count() != n) {
        state.SkipWithError("the notebook did not load every haiku");
        return;
    }
    const Settings defaults;
    const QDateTime now = QDateTime::currentDateTime();
    for (auto _ : state) {
        // a fresh notebook each time; tearing it down is timed too
        Notebook nb(folder);
        const StartupReport report = nb.startUp(defaults, now);
        benchmark::DoNotOptimize(report.fatal.isEmpty());
        benchmark::DoNotOptimize(nb.haiku_count());
    }
    state.SetItemsProcessed(state.iterations() * n);
}

// The least a load can do: read haiku.dat and convert it to text.
void BM_Decode(benchmark::State &state)
{
    const int n = int(state.range(0));
    const QString file = notebookFolder(n) + QLatin1Char('/') + DataFiles::haikuFile;
    for (auto _ : state) {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly)) {
            state.SkipWithError("cannot open haiku.dat");
            return;
        }
        const Cp932::Decoded decoded = Cp932::decode(f.readAll());
        benchmark::DoNotOptimize(decoded.text.size());
    }
    state.SetItemsProcessed(state.iterations() * n);
}

// Saving after one haiku has changed: every file is encoded, haiku.dat is
// written and synced (files whose bytes are already on disk are left alone).
// The change is put in place outside the timing.
void BM_Save(benchmark::State &state)
{
    const int n = int(state.range(0));
    const auto nb = loadedNotebook(notebookFolder(n));
    const NotebookContents original = nb->contents();
    NotebookContents changed = original;
    changed.haiku_list[1].poem += QStringLiteral("！");
    bool flip = false;
    for (auto _ : state) {
        state.PauseTiming();
        flip = !flip;
        nb->replaceContents(flip ? changed : original);
        state.ResumeTiming();
        if (!nb->saveAll().isEmpty()) {
            state.SkipWithError("saving failed");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * n);
}

// Quitting after only looking: everything is encoded and found on disk already.
void BM_SaveUnchanged(benchmark::State &state)
{
    const int n = int(state.range(0));
    const auto nb = loadedNotebook(notebookFolder(n));
    for (auto _ : state) {
        if (!nb->saveAll().isEmpty()) {
            state.SkipWithError("saving failed");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * n);
}

// The records a list shows: those of one category, or all, under a keyword.
void rebuild(benchmark::State &state, const QString &category, const QString &keyword = QString())
{
    const int n = int(state.range(0));
    const auto nb = loadedNotebook(notebookFolder(n));
    std::size_t shown = 0;
    for (auto _ : state) {
        const std::vector<int> rows = nb->find(category, keyword);
        shown = rows.size();
        benchmark::DoNotOptimize(rows.data());
    }
    // a label, not a counter: the CSV output wants the same counters on every row
    state.SetLabel(std::to_string(shown) + " shown");
    state.SetItemsProcessed(state.iterations() * n); // every haiku is looked at
}

void BM_RebuildAll(benchmark::State &state)
{
    rebuild(state, Notebook::allCategories);
}

void BM_RebuildCategory(benchmark::State &state)
{
    rebuild(state, kOneCategory);
}

// 検索 as the notebook does it: the records under a keyword, then the history.
void BM_Search(benchmark::State &state)
{
    const int n = int(state.range(0));
    const auto nb = loadedNotebook(notebookFolder(n));
    std::size_t shown = 0;
    for (auto _ : state) {
        const std::vector<int> rows = nb->find(Notebook::allCategories, kTenthKeyword);
        nb->rememberKeyword(kTenthKeyword, Notebook::keywordTyped);
        shown = rows.size();
        benchmark::DoNotOptimize(rows.data());
    }
    state.SetLabel(std::to_string(shown) + " shown");
    state.SetItemsProcessed(state.iterations() * n);
}

// The search that a 検索 and every move make: the records under a keyword.
void BM_RebuildKeyword(benchmark::State &state)
{
    rebuild(state, Notebook::allCategories, kTenthKeyword);
}

// 該当句削除 of a category holding every other haiku: the memo files of half
// the notebook moved into the trash, the records closed up in one pass, the
// haiku file kept in the history, haiku.dat and bunrui.dat written. Each run
// starts from a fresh folder made outside the timing, every haiku with its
// memo file, as start-up leaves it.
void BM_DeleteCategoryHalf(benchmark::State &state)
{
    const int n = int(state.range(0));
    const QString doomed = QStringLiteral("消す分類");
    std::mt19937 rng(20261207);
    std::vector<Haiku_record> records = makeHaiku(n, rng);
    for (std::size_t i = 1; i < records.size(); i += 2)
        records[i].category = doomed;
    std::size_t left = 0;
    QTemporaryDir dir;
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(dir.filePath(DataFiles::haikuFile));
        QFile::remove(dir.filePath(DataFiles::categoryFile));
        QDir(dir.filePath(History::folderName)).removeRecursively();
        QDir(dir.filePath(Trash::folderName)).removeRecursively();
        Notebook nb(dir.path());
        QDir().mkpath(nb.path(DataFiles::memoFolder));
        for (std::size_t i = 1; i < records.size(); ++i) {
            QFile f(nb.memoPath(DataFiles::memoNumber(records[i].memo_no)));
            if (!f.open(QIODevice::WriteOnly) || f.write("\x83\x81\x83\x82\r\n") != 6)
                fail(QStringLiteral("cannot write ") + f.fileName());
        }
        nb.replaceContents(
            {records, {QString(), Notebook::allCategories, doomed, kOneCategory}, {}, Settings()});
        if (nb.writeHaiku()) // the haiku file as start-up finds it
            fail(QStringLiteral("cannot write haiku.dat"));
        state.ResumeTiming();
        // Told how far it has gone, as the window is.
        int told = 0;
        const Notebook::RemoveResult removed =
            nb.removeCategoryWithHaiku(2, [&told](int done, int) { told = done; });
        if (!removed.problems.isEmpty() || removed.removed != (n + 1) / 2 || told != removed.removed) {
            state.SkipWithError("the category's haiku were not all deleted");
            return;
        }
        left = std::size_t(nb.haiku_count());
    }
    state.SetLabel(std::to_string(left) + " left");
    state.SetItemsProcessed(state.iterations() * n);
}

// 上へ and 下へ in turn on a row in the middle of the searched list: each one
// rotation of the records between two shown haiku and the search again.
void BM_Move(benchmark::State &state)
{
    const int n = int(state.range(0));
    const auto nb = loadedNotebook(notebookFolder(n));
    std::vector<int> rows = nb->find(Notebook::allCategories, kTenthKeyword);
    const std::size_t row = rows.size() / 2; // the record above it is rows[row - 1]
    bool up = true;
    for (auto _ : state) {
        const int from = up ? rows[row] : rows[row - 1];
        const int to = up ? rows[row - 1] : rows[row];
        if (nb->moveRecord(from, to) != to) {
            state.SkipWithError("nothing moved");
            return;
        }
        rows = nb->find(Notebook::allCategories, kTenthKeyword);
        up = !up;
    }
    state.SetLabel(std::to_string(rows.size()) + " shown");
    state.SetItemsProcessed(state.iterations() * n);
}

// 削除 of one haiku at n haiku, after start-up: the record dropped, the haiku
// file written and synced. Link: the replaced file kept in 履歴 by a hard link
// and the memo moved into ゴミ箱, as the program does it. Copy: the same with
// 履歴 on another file system (/dev/shm), where the file is copied and the
// copy synced. None: the record dropped, the file written and the memo
// unlinked, with nothing kept. A haiku is stored again after each run,
// outside the timing, so that every run deletes from n haiku.
enum class Keep { Link, Copy, None };
void deleteOne(benchmark::State &state, Keep keep)
{
    const int n = int(state.range(0));
    QTemporaryDir dir;
    QTemporaryDir elsewhere(QStringLiteral("/dev/shm/yurimoka-bench-XXXXXX"));
    if (!dir.isValid() || !elsewhere.isValid())
        fail(QStringLiteral("cannot create a temporary folder"));
    writeNotebook(dir.path(), n);
    if (keep == Keep::Copy && !QFile::link(elsewhere.path(), dir.filePath(History::folderName)))
        fail(QStringLiteral("cannot link the history folder to /dev/shm"));
    const auto nb = loadedNotebook(dir.path());
    const Notebook::Clock clock = [] { return QDateTime::currentDateTime(); };
    for (auto _ : state) {
        NotebookContents without;
        const QString memo = nb->memoPath(DataFiles::memoNumber(nb->record(1).memo_no));
        if (keep == Keep::None) {
            state.PauseTiming();
            without = nb->contents();
            without.haiku_list.erase(without.haiku_list.begin() + 1);
            state.ResumeTiming();
            nb->replaceContents(std::move(without));
            if (nb->writeHaiku() || !QFile::remove(memo))
                fail(QStringLiteral("deleting without the history failed"));
        } else if (nb->removeHaiku(1).removed != 1) {
            fail(QStringLiteral("deleting failed"));
        }
        // n haiku again for the next run (n may be the most the notebook takes).
        state.PauseTiming();
        const Notebook::StoreResult stored =
            nb->enterHaiku({QStringLiteral("2026/12/07"), QStringLiteral("吟行記録"),
                            QStringLiteral("初雪や水仙の葉のたわむまで"), false},
                           QStringLiteral("吟行会にて。"), clock);
        if (stored.problem)
            fail(stored.problem->message);
        state.ResumeTiming();
    }
    state.SetLabel(std::to_string(nb->haiku_count()) + " haiku");
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_DeleteKeptByLink(benchmark::State &state)
{
    deleteOne(state, Keep::Link);
}

void BM_DeleteKeptByCopy(benchmark::State &state)
{
    deleteOne(state, Keep::Copy);
}

void BM_DeleteNothingKept(benchmark::State &state)
{
    deleteOne(state, Keep::None);
}

void deleteSizes(benchmark::internal::Benchmark *b)
{
    b->Arg(1000)->Arg(10000)->Arg(kLargest)->Unit(benchmark::kMillisecond);
}

void sizes(benchmark::internal::Benchmark *b)
{
    b->Arg(1000)->Arg(10000)->Arg(20000)->Arg(kLargest)->Unit(benchmark::kMillisecond);
}

#ifdef YURIMOKA_BENCH_UI
// The main window opened on the notebook of n haiku; false, with the
// benchmark skipped, when it did not load them all. A message box would be a
// failure: none is expected.
bool openWindow(benchmark::State &state, Main_form &form, const Notebook &nb, int n)
{
    MessageBoxes::setHandler([](const MessageBoxes::Request &r) -> MessageBoxes::Answer {
        fail(QStringLiteral("unexpected message: ") + r.text);
    });
    if (!form.Form_Load() || nb.haiku_count() != n) {
        state.SkipWithError("the window did not load every haiku");
        return false;
    }
    // Shown, so that each timing can end with the window drawn, as the poet sees it.
    form.show();
    QCoreApplication::processEvents();
    return true;
}

// The main window on a notebook of state.range(0) haiku: prepare(form) once,
// then run(form) timed, as the poet's clicks do it, the list grid refilled
// and the window drawn.
template <typename Prepare, typename Run> void inWindow(benchmark::State &state, Prepare prepare, Run run)
{
    const int n = int(state.range(0));
    Notebook nb(notebookFolder(n));
    Main_form form(nb);
    if (!openWindow(state, form, nb, n))
        return;
    prepare(form);
    const ListGrid *grid = form.findChild<ListGrid *>(QStringLiteral("Grid1"));
    for (auto _ : state) {
        run(form);
        form.repaint();
        benchmark::DoNotOptimize(grid->shownCount());
    }
    state.SetLabel(std::to_string(grid->shownCount()) + " shown");
    state.SetItemsProcessed(state.iterations() * n);
}

// The rebuild as the poet sees it: the main window's category filter, which
// also refills the list grid and shows the first row.
void listRebuild(benchmark::State &state, const QString &category)
{
    inWindow(
        state,
        [&](Main_form &form) {
            auto *combo = form.findChild<QComboBox *>(QStringLiteral("Combo1"));
            combo->setCurrentIndex(combo->findText(category));
        },
        [](Main_form &form) { form.Combo1_Click(); });
}

// 検索 clicked with the keyword in the box.
void BM_ListSearch(benchmark::State &state)
{
    inWindow(
        state,
        [](Main_form &form) {
            form.findChild<QComboBox *>(QStringLiteral("Combo2"))->setEditText(kTenthKeyword);
        },
        [](Main_form &form) { form.Command5_Click(); });
}

// A copy of a notebook folder made of hard links: every file as it was,
// made in a moment. Files are only ever replaced, never written in place,
// so the copy's changes never reach the original.
void linkTree(const QString &from, const QString &to)
{
    if (!QDir().mkpath(to))
        fail(QStringLiteral("cannot create ") + to);
    const QFileInfoList entries = QDir(from).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo &e : entries) {
        const QString target = to + QLatin1Char('/') + e.fileName();
        if (e.isDir())
            linkTree(e.filePath(), target);
        else if (::link(QFile::encodeName(e.filePath()).constData(), QFile::encodeName(target).constData()) !=
                 0)
            fail(QStringLiteral("cannot link ") + target);
    }
}

// 該当句削除 as the window does it, on the notebook bench/window_ops.sh
// opens: the haiku of one category (about a twelfth of the notebook) and
// their memos into the trash, the category list written, then the list of
// every haiku that is left. A fresh copy of the folder each time, outside
// the timing.
void BM_ListDeleteCategory(benchmark::State &state)
{
    const int n = int(state.range(0));
    const QString source = notebookFolder(n);
    std::size_t removed = 0;
    // Made and torn down while the timing is paused.
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<Notebook> nb;
    std::unique_ptr<Main_form> form;
    for (auto _ : state) {
        state.PauseTiming();
        form.reset();
        nb.reset();
        dir = std::make_unique<QTemporaryDir>();
        linkTree(source, dir->path());
        nb = std::make_unique<Notebook>(dir->path());
        form = std::make_unique<Main_form>(*nb);
        if (!openWindow(state, *form, *nb, n))
            return;
        const auto &categories = nb->categories();
        const int entry =
            int(std::find(categories.begin(), categories.end(), kOneCategory) - categories.begin());
        state.ResumeTiming();
        const Notebook::RemoveResult result = nb->removeCategoryWithHaiku(entry);
        form->rebuildList();
        form->repaint();
        if (!result.written || !result.problems.isEmpty()) {
            state.SkipWithError("the category's haiku were not deleted");
            return;
        }
        removed = std::size_t(result.removed);
    }
    form.reset(); // after the loop: not timed
    nb.reset();
    dir.reset();
    state.SetLabel(std::to_string(removed) + " deleted");
    state.SetItemsProcessed(state.iterations() * n);
}

// 上へ and 下へ in turn on a row in the middle of the searched list.
void BM_ListMove(benchmark::State &state)
{
    ListGrid *grid = nullptr;
    int row = 0;
    bool up = true;
    inWindow(
        state,
        [&](Main_form &form) {
            form.findChild<QComboBox *>(QStringLiteral("Combo2"))->setEditText(kTenthKeyword);
            form.Command5_Click();
            grid = form.findChild<ListGrid *>(QStringLiteral("Grid1"));
            row = (grid->rows() - 2) / 2;
            grid->setRow(row);
        },
        [&](Main_form &form) {
            if (up)
                form.Command1_Click();
            else
                form.Command2_Click();
            up = !up;
            if (grid->row() != (up ? row : row - 1))
                fail(QStringLiteral("the moved haiku is not the selected one"));
        });
}

void BM_ListRebuildAll(benchmark::State &state)
{
    listRebuild(state, Notebook::allCategories);
}

void BM_ListRebuildCategory(benchmark::State &state)
{
    listRebuild(state, kOneCategory);
}

// Storing and deleting as the poet does it, each followed by what the window
// does next: the memo file and haiku.dat written (each synced to the disk),
// the records shifted by one place at the head of the notebook, and the list
// refilled with every haiku. The notebook is put back as it was after each
// run, outside the timing, so every store ends and every deletion starts at
// n haiku.
const Notebook::HaikuInput kNewHaiku{QStringLiteral("2026/12/07"), QStringLiteral("吟行記録"),
                                     QStringLiteral("初雪や水仙の葉のたわむまで"), false};
const QString kNewMemo = QStringLiteral("吟行会にて。\n季語は初雪。");

void editBenchmark(benchmark::State &state, bool storing)
{
    // A full notebook takes no new haiku: the largest size leaves room for one.
    const int n = std::min(int(state.range(0)), Notebook::kHaikuStoreLimit - 1);
    Notebook nb(notebookFolder(n));
    Main_form form(nb);
    if (!openWindow(state, form, nb, n))
        return;
    const Notebook::Clock clock = [] { return QDateTime::currentDateTime(); };
    auto store = [&] {
        const Notebook::StoreResult stored = nb.enterHaiku(kNewHaiku, kNewMemo, clock);
        return !stored.problem && stored.warnings.isEmpty();
    };
    auto remove = [&] {
        const Notebook::RemoveResult removed = nb.removeHaiku(1);
        return removed.written && removed.problems.isEmpty();
    };
    for (auto _ : state) {
        if (!(storing ? store() : remove())) {
            state.SkipWithError(storing ? "storing failed" : "deleting failed");
            return;
        }
        form.rebuildList();
        form.repaint();
        benchmark::DoNotOptimize(nb.haiku_count());
        // The notebook as it was, for the next run.
        state.PauseTiming();
        const bool back = storing ? remove() : store();
        form.rebuildList();
        state.ResumeTiming();
        if (!back) {
            state.SkipWithError(storing ? "deleting failed" : "storing failed");
            return;
        }
    }
    state.SetLabel(std::to_string(nb.haiku_count()) + " haiku");
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_StoreNew(benchmark::State &state)
{
    editBenchmark(state, true);
}

void BM_DeleteFirst(benchmark::State &state)
{
    editBenchmark(state, false);
}

void editSizes(benchmark::internal::Benchmark *b)
{
    b->Arg(1000)->Arg(10000)->Arg(kLargest)->Unit(benchmark::kMillisecond);
}

// The count under the entry window's poem box, redone at every key: a poem of
// 17 characters, all kana (蛇笏), and one of 15 with kanji (一茶), read by MeCab.
const QString kCountedPoems[] = {QStringLiteral("をりとりてはらりとおもきすすきかな"),
                                 QStringLiteral("名月を取ってくれろと泣く子かな")};

void BM_OnsuCount(benchmark::State &state)
{
    QString error;
    const auto mecab = Onsu::MecabReader::open({}, &error);
    if (!mecab) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    const QString &poem = kCountedPoems[state.range(0)];
    for (auto _ : state)
        benchmark::DoNotOptimize(Onsu::describe(Onsu::count(poem, mecab.get())));
    state.SetLabel(std::to_string(poem.size()) +
                   " characters: " + Onsu::describe(Onsu::count(poem, mecab.get())).toStdString());
}

// What the entry window's second thread does once: MeCab with its dictionary.
void BM_OnsuLoad(benchmark::State &state)
{
    for (auto _ : state) {
        QString error;
        if (!Onsu::MecabReader::open({}, &error)) {
            state.SkipWithError(qPrintable(error));
            return;
        }
    }
}
#endif

BENCHMARK(BM_Load)->Apply(sizes);
BENCHMARK(BM_Decode)->Apply(sizes);
BENCHMARK(BM_Save)->Apply(sizes);
BENCHMARK(BM_SaveUnchanged)->Apply(sizes);
BENCHMARK(BM_RebuildAll)->Apply(sizes);
BENCHMARK(BM_RebuildCategory)->Apply(sizes);
BENCHMARK(BM_Search)->Apply(sizes);
BENCHMARK(BM_RebuildKeyword)->Apply(sizes);
BENCHMARK(BM_Move)->Apply(sizes);
BENCHMARK(BM_DeleteCategoryHalf)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(kLargest)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_DeleteKeptByLink)->Apply(deleteSizes);
BENCHMARK(BM_DeleteKeptByCopy)->Apply(deleteSizes);
BENCHMARK(BM_DeleteNothingKept)->Apply(deleteSizes);
#ifdef YURIMOKA_BENCH_UI
BENCHMARK(BM_ListRebuildAll)->Apply(sizes);
BENCHMARK(BM_ListRebuildCategory)->Apply(sizes);
BENCHMARK(BM_ListSearch)->Apply(sizes);
BENCHMARK(BM_ListMove)->Apply(sizes);
BENCHMARK(BM_ListDeleteCategory)->Arg(kLargest)->Unit(benchmark::kMillisecond)->Iterations(5);
// 句集を作る on the whole notebook: every haiku under its category's
// heading, A5, each with its date, rendered into memory as the window does
// before it writes the file.
void BM_Booklet(benchmark::State &state)
{
    const int n = int(state.range(0));
    const auto nb = loadedNotebook(notebookFolder(n));
    const ProgramSettings::Booklet choice;
    int pages = 0;
    qsizetype bytes = 0;
    for (auto _ : state) {
        const BookletPlan plan =
            BookletPlan::make(NotebookReading::records(*nb), NotebookReading::categories(*nb), choice);
        const std::optional<Booklet::Made> made =
            Booklet::make(plan, NotebookReading::records(*nb), choice, QDateTime::currentDateTime(),
                          [](int) { return true; });
        if (!made || plan.poemCount() != n) {
            state.SkipWithError("the booklet was not made with every haiku");
            return;
        }
        pages = made->pages;
        bytes = made->pdf.size();
    }
    state.SetLabel(std::to_string(pages) + " pages, " + std::to_string(bytes / 1024) + " KiB");
    state.SetItemsProcessed(state.iterations() * n);
}

BENCHMARK(BM_Booklet)->Arg(1000)->Arg(kLargest)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreNew)->Apply(editSizes);
BENCHMARK(BM_DeleteFirst)->Apply(editSizes);
BENCHMARK(BM_OnsuCount)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OnsuLoad)->Unit(benchmark::kMillisecond);
#endif

// VmRSS of this process in KiB.
long residentKiB()
{
    // files under /proc have no size, so read to the end rather than test atEnd()
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        fail(QStringLiteral("cannot read /proc/self/status"));
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    fail(QStringLiteral("no VmRSS in /proc/self/status"));
}

double mib(long kib)
{
    return kib / 1024.0;
}

int memoryReport()
{
    // The large folder is written by a child process, so that none of the
    // generator's memory stays in this one. Static, so that fail() removes them.
    static QTemporaryDir large;
    static QTemporaryDir empty;
    if (!large.isValid() || !empty.isValid())
        fail(QStringLiteral("cannot create a temporary folder"));
    const pid_t child = fork();
    if (child < 0)
        fail(QStringLiteral("fork failed"));
    if (child == 0) {
        writeNotebook(large.path(), kLargest);
        _exit(0);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        fail(QStringLiteral("writing the notebook folder failed"));

    // A first start on an empty folder: the welcome haiku and the default
    // categories, with the code page converter and Qt's file code in place.
    const auto first = loadedNotebook(empty.path());
    const std::vector<int> firstRows = first->find(Notebook::allCategories);
    const long before = residentKiB();

    const auto full = loadedNotebook(large.path());
    const std::vector<int> rows = full->find(Notebook::allCategories);
    if (full->haiku_count() != kLargest || int(rows.size()) != kLargest)
        fail(QStringLiteral("the large notebook did not load every haiku"));
    const long after = residentKiB();

    std::printf("VmRSS empty notebook:          %8.1f MiB\n", mib(before));
    std::printf("VmRSS %d haiku, list built: %8.1f MiB\n", kLargest, mib(after));
    std::printf("difference:                    %8.1f MiB (%.0f bytes a haiku)\n", mib(after - before),
                (after - before) * 1024.0 / kLargest);
    return 0;
}

// Sixty days of use on a notebook of 29 999 haiku, the clock set by hand:
// each day a first save (the daily copy), then as many deletions as the
// pattern says, each of them kept. The disk 履歴 takes is counted by inode,
// as the hard links share them, against the size of haiku.dat.
int historyDiskReport()
{
    static QTemporaryDir dir; // static, so that fail() removes it
    if (!dir.isValid())
        fail(QStringLiteral("cannot create a temporary folder"));
    std::mt19937 rng(20240501);
    QStringList lines;
    DataFiles::forEachHaikuLine(makeHaiku(kLargest, rng), [&lines](const QString &l) { lines.append(l); });
    const QByteArray bytes = TextLines::encodeLines(lines).bytes;
    const QString haiku = dir.filePath(DataFiles::haikuFile);
    std::printf(
        "| deletions a day | kept states after 60 days | most kept at once | most disk, × haiku.dat |\n");
    std::printf("|---:|---:|---:|---:|\n");
    for (const int deletions : {0, 1, 3, 10}) {
        QDir(dir.filePath(History::folderName)).removeRecursively();
        History history(dir.path() + QLatin1Char('/'));
        QDateTime now(QDate(2026, 10, 1), QTime(8, 0));
        history.setClock([&now] { return now; });
        std::size_t most = 0;
        double mostDisk = 0;
        for (int day = 0; day < 60; ++day) {
            for (int save = 0; save <= deletions; ++save) {
                now = QDateTime(QDate(2026, 10, 1).addDays(day), QTime(8 + save, 0));
                const History::Kept kept =
                    history.keep(save == 0 ? History::When::FirstOfTheDay : History::When::Always);
                // Every save puts a new file in the haiku file's place.
                if (kept.problem || !AtomicFile::write(haiku, bytes).ok())
                    fail(QStringLiteral("keeping or saving failed"));
                std::set<std::pair<dev_t, ino_t>> seen;
                double blocks = 0;
                for (const History::Entry &e : history.entries()) {
                    struct stat st
                    {
                    };
                    if (::stat(QFile::encodeName(history.path(e.fileName)).constData(), &st) == 0 &&
                        seen.insert({st.st_dev, st.st_ino}).second)
                        blocks += double(st.st_blocks) * 512;
                }
                most = std::max(most, history.entries().size());
                mostDisk = std::max(mostDisk, blocks / double(bytes.size()));
            }
        }
        std::printf("| %d | %zu | %zu | ×%.1f |\n", deletions, history.entries().size(), most, mostDisk);
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--memory") == 0)
        return memoryReport();
    if (argc > 1 && std::strcmp(argv[1], "--history-disk") == 0)
        return historyDiskReport();
    if (argc == 4 && std::strcmp(argv[1], "--write-notebook") == 0) {
        writeNotebook(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]));
        return 0;
    }
#ifdef YURIMOKA_BENCH_UI
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
#endif
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
