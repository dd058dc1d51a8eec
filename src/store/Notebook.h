#pragma once

#include "store/DataFiles.h"
#include "store/NotebookFiles.h"
#include "store/PoemIndex.h"
#include "store/StoreProblem.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>
#include <vector>

// Everything the notebook holds, as its files hold it. The indexed lists are
// used from index 1, as the list rows are.
struct NotebookContents
{
    std::vector<Haiku_record> haiku_list{1};               // index 0 is never used
    std::vector<QString> category_list{1};                 // index 0 is never used; 全部 at 1
    std::array<QString, kKeywordSlots + 1> keyword_list{}; // slot 20 is never used
    Settings settings;
};

// The whole notebook, held in memory while the program runs. What it holds
// is read through const accessors and changed only by its operations, each
// of which does the whole change, files included, in the order that loses
// nothing, and returns what the window is to tell the poet.
class Notebook
{
public:
    // folder: the program folder that holds the data files.
    explicit Notebook(const QString &folder);

    // ---- What the notebook holds ----
    const QString &folder() const { return m_files.folder(); } // ends in "/"
    QString path(const QString &fileName) const { return m_files.path(fileName); }
    const NotebookContents &contents() const { return m_data; }
    // The records in notebook order; index 0 is never used.
    const std::vector<Haiku_record> &records() const { return m_data.haiku_list; }
    const Haiku_record &record(int index) const { return m_data.haiku_list[std::size_t(index)]; }
    int haiku_count() const { return int(m_data.haiku_list.size()) - 1; }
    bool hasRecord(int index) const { return index >= 1 && index <= haiku_count(); }
    // The categories, 全部 first at index 1; index 0 is never used.
    const std::vector<QString> &categories() const { return m_data.category_list; }
    int category_count() const { return int(m_data.category_list.size()) - 1; }
    const std::array<QString, kKeywordSlots + 1> &keywords() const { return m_data.keyword_list; }
    const Settings &settings() const { return m_data.settings; }

    // Puts contents in place of everything held, as a restore does. Writes
    // no file; the next save writes what changed.
    void replaceContents(NotebookContents contents);

    // ---- The rules ----
    static constexpr int kHaikuLimit = 30000;
    static constexpr int kCategoryLimit = 1000;
    // The entry window stores at most this many haiku, the category editor
    // and the entry window at most this many categories (全部 included).
    static constexpr int kHaikuStoreLimit = kHaikuLimit - 1;
    static constexpr int kCategoryStoreLimit = kCategoryLimit - 1;
    bool atHaikuLimit() const { return haiku_count() >= kHaikuStoreLimit; }
    bool atCategoryLimit() const { return category_count() >= kCategoryStoreLimit; }
    static inline const QString haikuLimitMessage = QStringLiteral("これ以上句を登録できません。");
    static inline const QString haikuLimitTitle = QStringLiteral("句の数が限界(30000)を越えます");
    static inline const QString categoryLimitMessage = QStringLiteral("これ以上分類を登録できません。");
    static inline const QString categoryLimitTitle = QStringLiteral("分類の数が限界(1000)を越えます");
    // The first category, which lists every haiku.
    static inline const QString allCategories = QStringLiteral("全部");
    // Whether name is one of the categories a haiku may be given (entries 2 on).
    bool knowsCategory(const QString &name) const;
    bool isLocked(int index) const { return hasRecord(index) && record(index).isLocked(); }
    // Exact comparison: case, full against half width and blanks all count.
    bool passwordMatches(const QString &typed) const { return typed == m_data.settings.lock_password; }
    // Why a value typed by the user cannot be stored (a character outside the
    // code page, or a line break in a one-line value); empty when it can.
    static QString unstorableReason(const QString &what, const QString &value, bool multiLine);

    // last_memo_no as a number from 0 to DataFiles::kMemoNoLimit (0 when the
    // settings line is damaged).
    qint64 lastMemoNo() const;
    // The number a new haiku's memo takes, unless a file is already there;
    // nothing when every number up to the limit has been handed out.
    std::optional<qint64> nextMemoNo() const;
    QString memoPath(qint64 memo_no) const { return m_files.memoPath(memo_no); }

    // ---- Opening and saving ----
    // Starts reading the data files on a second thread, so that the reading
    // overlaps the building of the windows; startUp() waits for it.
    // Reads the folder on another thread while the window is being built;
    // startUp() waits for it. A large haiku file is read by `readers`
    // threads side by side.
    void beginLoading(int readers = NotebookFiles::defaultReaders()) { m_files.beginLoading(readers); }
    // Everything start-up does with files, in its order: the memo folder, the
    // settings (written from defaults when missing), the welcome haiku on a
    // first run, the haiku, the categories and the keywords.
    StartupReport startUp(const Settings &defaults, const QDateTime &now);
    // Removes what killed saves left beside the files, on a thread of its own
    // at a low priority; the program asks for it once its window is up.
    void removeLeftoverTemporariesLater() { m_files.removeLeftoverTemporariesLater(); }
    // Waits until that removal has ended.
    void waitForLeftoverRemoval() { m_files.waitForLeftoverRemoval(); }
    // Each rewrites one file whole and atomically: on failure the old file is
    // left as it was and the problem is returned.
    std::optional<StoreProblem> writeSettings();
    std::optional<StoreProblem> writeHaiku();
    std::optional<StoreProblem> writeCategories();
    std::optional<StoreProblem> writeKeywords();
    // The four files that quitting writes, in order, then any memo still
    // waiting; goes on past a failure.
    QList<StoreProblem> saveAll();
    // Problems told at once, each naming its file, then the one sentence that
    // the notebook is still held in memory.
    static QString describe(const QList<StoreProblem> &problems);
    static inline const QString stillHeld =
        QStringLiteral("句帳の内容は、すべてメモリ上に保持されています。");

    // ---- Memos ----
    // The memo of record index, read afresh from its file.
    MemoFile readMemo(int index);
    MemoFile readMemoFile(qint64 memo_no) { return m_files.readMemo(memo_no); }
    // The same for reading a memo out of the notebook (a booklet, an
    // export): it is not noted as seen, so a correction later still notices
    // a file that someone else changed in the meantime.
    MemoFile readMemoFile(qint64 memo_no) const { return m_files.peekMemo(memo_no); }
    // Writes a memo file. One that cannot be written is kept in memory and
    // tried again by every saveAll() until it is on disk.
    std::optional<StoreProblem> writeMemo(qint64 memo_no, const QString &memo)
    {
        return m_files.writeMemo(memo_no, memo);
    }

    // ---- Entering, correcting and deleting haiku ----
    // What the poet typed for one haiku.
    struct HaikuInput
    {
        QString date_text;
        QString category;
        QString poem;
        bool locked = false;
    };
    // The clock as the notebook reads it: every call is one reading.
    using Clock = std::function<QDateTime()>;
    struct StoreResult
    {
        int index = 0; // the record stored (1 for a new haiku); 0 when nothing was
        // Why nothing was stored; the notebook and every file are as they were.
        std::optional<StoreProblem> problem;
        // The haiku is stored, and yet: its new category did not fit into the
        // full category list (CategoryLimit), or a file could not be written
        // (it is in memory and goes with the next save).
        QList<StoreProblem> warnings;
        bool categoryAdded = false;
    };
    // A new haiku at the head of the notebook, in the order that loses
    // nothing: its memo file first (under the next number whose file is not
    // there yet: a file found there came from elsewhere and is never written
    // over), a new category with the category file, then the record with the
    // haiku file, and the settings so that the memo number is never handed
    // out again, even after a kill.
    StoreResult enterHaiku(const HaikuInput &in, const QString &memo, const Clock &clock);
    // Corrects record index and rewrites its memo file; its memo number,
    // creation stamp and place stay. A record whose memo number is damaged
    // (reads as 0) is given a number of its own.
    StoreResult correctHaiku(int index, const HaikuInput &in, const QString &memo, const Clock &clock);

    struct RemoveResult
    {
        int removed = 0; // haiku deleted
        // Deleted haiku are gone from the haiku file before their memo files
        // go, so that a kill in between leaves memo files without haiku,
        // never a haiku without its memo.
        QList<StoreProblem> problems;
        // Haiku kept because their memo file could not be deleted, in notebook order.
        QStringList keptPoems;
        bool written = false; // the haiku file holds the notebook without them
    };
    // How far a deletion has gone: done of the total haiku deleted are dealt
    // with, memo file and all. Told now and then while the memo files go into
    // the trash (one move each, the slow part of a large deletion), and once
    // more at the end with done == total.
    using RemoveProgress = std::function<void(int done, int total)>;
    // Deletes record index; its memo file goes into the trash.
    RemoveResult removeHaiku(int index);
    // Deletes every haiku whose category is that of entry, their memo files
    // into the trash, and removes the entry. A haiku whose memo file cannot
    // be moved is kept, with its category.
    RemoveResult removeCategoryWithHaiku(int entry, const RemoveProgress &progress = {});

    // ---- Earlier states ----
    // The states of the haiku file kept before deletions, restores and the
    // first save of each day, newest first.
    std::vector<History::Entry> historyEntries() const { return m_files.history().entries(); }
    // Says how kept states differ from the notebook now. It reads the
    // notebook as it is: use it before the notebook changes again.
    History::Comparer historyComparer() const
    {
        return History::Comparer(m_files.history(), m_data.haiku_list);
    }
    struct RestoreResult
    {
        bool restored = false; // the notebook is the kept state now
        // When not restored: why, and nothing has changed. When restored:
        // what could not be done besides (a memo file left in memo1, a file
        // not written that goes with the next save).
        QList<StoreProblem> problems;
        int renumbered = 0; // haiku that came back under a new memo number
        bool categoriesAdded = false;
    };
    // Makes the notebook the kept state of entry, as RestorePlan says: the
    // state now is kept first, so that the restore can be undone; memo
    // files come out of the trash before the haiku file is written and go
    // into it after. last_memo_no never goes down.
    RestoreResult restore(const History::Entry &entry);

    // ---- Categories ----
    // Appends a category and rewrites the category file. Refused (and
    // nothing changes) for a name the file cannot hold, a name already there
    // or a full list; a file that cannot be written keeps the category in
    // memory for the next save, and says so.
    std::optional<StoreProblem> addCategory(const QString &name);
    // Exchanges category entries a and b (both 2 or more). Writes no file.
    void swapCategories(int a, int b);
    // Removes category entry (2 or more). Writes no file; haiku keep their category text.
    void removeCategory(int entry);

    // ---- Settings ----
    // Each refuses a value the settings file cannot hold: the reason is
    // returned and the setting stays. Kept values reach the disk at quit.
    QString setTateFont(const QString &name);
    QString setPrintFont(const QString &name);
    // An empty password removes the lock.
    QString setLockPassword(const QString &password);
    // Where the main window stands, as the settings keep it.
    struct WindowPlace
    {
        NumberText window_state, window_top, window_left, window_height, window_width, list_height;
    };
    void setWindowPlace(const WindowPlace &place);

    // ---- Finding and ordering ----
    // The records of category ("全部" for all) whose poem holds keyword
    // exactly as typed (an empty keyword is in every poem), in notebook order.
    std::vector<int> find(const QString &category, const QString &keyword = {}) const;
    // Where the keyword box's text came from: a line of its list (0 to 19),
    // or keywordTyped.
    static constexpr int keywordTyped = -1;
    // The history after a search with keyword. Typed, it goes in front of
    // everything and the last slot drops out, even when the same text is
    // already there. Picked from line k, that line moves to the front and the
    // lines above it move down one; the lines below stay where they are.
    void rememberKeyword(const QString &keyword, int picked);
    // Moves record from to the place of record to, the records between
    // shifting by one together; returns the moved record's new index (to),
    // or 0 when either is not a record.
    int moveRecord(int from, int to);

private:
    std::optional<qint64> nextFreeMemoNo() const;
    void putAtHead(const HaikuInput &in, qint64 memoNo, const Clock &clock, bool codedStamps);
    // A haiku's category not yet in the list joins it (with its file), when
    // the list has room; what went wrong goes into result's warnings.
    void keepCategoryOf(const HaikuInput &in, StoreResult &result);
    void raiseLastMemoNo(std::size_t largest);
    QString setStorable(QString &setting, const QString &what, const QString &value);
    QString setFont(QString &setting, const QString &name, const QString &use);
    // Drops the records that drop says go, writes the haiku file and only
    // then deletes their memo files. A record whose memo file could not be
    // deleted now stays; when the haiku file cannot be written nothing changes.
    RemoveResult removeRecords(const std::function<bool(const Haiku_record &)> &drop,
                               const RemoveProgress &progress = {});

    NotebookFiles m_files;
    NotebookContents m_data;
    // The haiku have changed since the haiku file was read or last written.
    bool m_haikuChanged = false;
    // The haiku file as read: the fields of the records read from it point
    // into this text instead of each holding a copy. It is never changed,
    // and kept as long as the notebook, since any record (or a copy of one)
    // may still point into it; a field that changes gets a string of its own.
    std::vector<QString> m_haikuTexts;
    QStringList m_keywordExtra;
    mutable PoemIndex m_poemIndex;
};
