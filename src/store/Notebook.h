#pragma once

#include "store/DataFiles.h"
#include "store/TextLines.h"

#include <QDateTime>
#include <QHash>
#include <QMap>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <future>
#include <optional>
#include <vector>

// A file the notebook could not write, in words for the user.
struct StoreProblem
{
    StoreProblem(QString file_, QString message_, QString savedAs_ = {})
        : file(std::move(file_)), message(std::move(message_)), savedAs(std::move(savedAs_))
    {
    }
    QString file;    // the file name, "haiku.dat"
    QString message; // a full Japanese sentence naming the file and the cause
    // Set when the file had been changed by someone else (another computer
    // through a sync program): their file was left as it is and what we had
    // to write was saved beside it under this name. Nothing is lost.
    QString savedAs;
};

struct StartupReport
{
    // An existing file could not be read. Nothing has been written and the
    // program must end without saving, or it would overwrite what it never read.
    QString fatal;
    // Files kept aside because they held bytes that are not code page 932,
    // and conflict copies that a sync program left beside the haiku file.
    QStringList notices;
    // Default files that could not be written; the notebook is in memory all the same.
    QList<StoreProblem> problems;
};

// The whole notebook, held in memory while the program runs. Every window
// reads and changes these variables in place; the indexed lists are used from
// index 1, as the list rows are.
class Notebook
{
public:
    // folder: the program folder that holds the data files.
    explicit Notebook(const QString &folder);

    QString app_folder; // always ends in "/"

    std::vector<Haiku_record> haiku_list{1}; // index 0 is never used
    int haiku_count() const { return int(haiku_list.size()) - 1; }
    // The records in notebook order; index 0 is never used.
    const std::vector<Haiku_record> &records() const { return haiku_list; }
    Haiku_record spare_record;

    std::vector<QString> category_list{1}; // index 0 is never used
    int category_count() const { return int(category_list.size()) - 1; }
    // The categories, 全部 first at index 1; index 0 is never used.
    const std::vector<QString> &categories() const { return category_list; }

    std::array<QString, kKeywordSlots + 1> keyword_list; // slot 20 is never used

    Settings settings;

    // The list rows: row r (1 to shown_count) shows record shownIndex()[r].
    int shown_count = 0;
    std::vector<qint64> row_memo_no{0, 0};
    std::vector<QString> row_locked{QString(), QString()};
    std::vector<QString> row_poem{QString(), QString()};

    QString memo_text;
    QString tate_text;
    QString edit_mode;   // "sinki" or "teisei"
    int found_index = 0; // record tied to the current row
    QString pass_result; // "YES", "NO" or "CANCEL"

    static constexpr int kHaikuLimit = 30000;
    static constexpr int kCategoryLimit = 1000;
    static inline const QString allCategories = QStringLiteral("全部");

    QString path(const QString &fileName) const { return app_folder + fileName; }

    // last_memo_no as a number from 0 to DataFiles::kMemoNoLimit (0 when the
    // settings line is damaged).
    qint64 lastMemoNo() const;
    // The number a new haiku's memo takes; nothing when every number up to
    // the limit has been handed out.
    std::optional<qint64> nextMemoNo() const;
    QString memoPath(qint64 memo_no) const;

    // Starts reading the data files on a second thread, so that the reading
    // overlaps the building of the windows; startUp() waits for it. Reading
    // writes nothing. Optional: without it startUp() reads the files itself.
    // Call it from the thread that will run the application.
    void beginLoading();

    // Everything start-up does with files, in its order: the memo folder, the
    // settings (written from defaults when missing), the welcome haiku on a
    // first run, the haiku, the categories and the keywords.
    StartupReport startUp(const Settings &defaults, const QDateTime &now);

    // Each rewrites one file whole and atomically: on failure the old file is
    // left as it was and the problem is returned.
    std::optional<StoreProblem> writeSettings();
    std::optional<StoreProblem> writeHaiku();
    std::optional<StoreProblem> writeCategories();
    std::optional<StoreProblem> writeKeywords();
    // The four files that quitting writes, in order; goes on past a failure.
    QList<StoreProblem> saveAll();

    // Problems told at once, each naming its file, then the one sentence that
    // the notebook is still held in memory.
    static QString describe(const QList<StoreProblem> &problems);
    static inline const QString stillHeld =
        QStringLiteral("句帳の内容は、すべてメモリ上に保持されています。");

    // A memo as the memo box shows it; empty when the file is missing.
    QString readMemo(qint64 memo_no);
    // A memo file as read for correcting it: a file that is not there is an
    // empty memo, but one that is there and cannot be read (no permission, a
    // folder in its place) is said to be so, since writing over it would
    // lose what it holds.
    struct MemoFile
    {
        enum class State { Read, Missing, Unreadable };
        State state = State::Missing;
        QString text;    // the memo when read
        QString problem; // for Unreadable: a Japanese sentence naming the file and the cause
    };
    MemoFile readMemoFile(qint64 memo_no);
    // The same for reading a memo out of the notebook (a booklet, an
    // export): it is not noted as seen, so a correction later still notices
    // a file that someone else changed in the meantime.
    MemoFile readMemoFile(qint64 memo_no) const { return readMemoBytes(memo_no, nullptr); }
    // Writes a memo file. One that cannot be written is kept in memory and
    // tried again by every saveAll() until it is on disk.
    std::optional<StoreProblem> writeMemo(qint64 memo_no, const QString &memo);
    // Drops a memo kept for writing again: its haiku was not stored after all.
    void forgetUnsavedMemo(qint64 memo_no) { m_unsavedMemos.remove(memo_no); }

    // Refills shown_count and the row arrays with the haiku of one category
    // ("全部" for all), in notebook order.
    void rebuildShown(const QString &category);
    // The same, keeping only the haiku whose poem holds keyword exactly as
    // typed: case, full and half width, hiragana and katakana all count;
    // nothing is trimmed. An empty keyword is found in every poem.
    void rebuildShown(const QString &category, const QString &keyword);
    const std::vector<int> &shownIndex() const { return m_shownIndex; }

    // Why a value typed by the user cannot be stored (a character outside the
    // code page, or a line break in a one-line value); empty when it can.
    static QString unstorableReason(const QString &what, const QString &value, bool multiLine);

    // ---- Changing the notebook: entering, correcting and deleting haiku,
    // keeping the categories. Each keeps the records and the memo folder in
    // step; the windows only ask, call one of these and redraw.

    // The entry window stores at most this many haiku, the category editor
    // and the entry window at most this many categories (全部 included).
    static constexpr int kHaikuStoreLimit = kHaikuLimit - 1;
    static constexpr int kCategoryStoreLimit = kCategoryLimit - 1;
    bool atHaikuLimit() const { return haiku_count() >= kHaikuStoreLimit; }
    bool atCategoryLimit() const { return category_count() >= kCategoryStoreLimit; }

    // What the poet typed for one haiku.
    struct HaikuInput
    {
        QString date_text;
        QString category;
        QString poem;
        bool locked = false;
    };
    // edit_mode: the entry window opens for a new haiku or for a correction.
    static inline const QString modeNew = QStringLiteral("sinki");
    static inline const QString modeCorrect = QStringLiteral("teisei");

    // The clock as the notebook reads it: every call is one reading.
    using Clock = std::function<QDateTime()>;

    // A new haiku at the head of the notebook (record 1), with the next memo
    // number and both time stamps taken from now. Nothing when every memo
    // number has been handed out. Writes no file.
    std::optional<qint64> addHaikuAtHead(const HaikuInput &in, const QDateTime &now);
    // The same with the clock read twice, once for each stamp, so that a
    // store across the turn of a second carries the two readings. The
    // welcome haiku of a first start has its stamps written uncoded.
    std::optional<qint64> addHaikuAtHead(const HaikuInput &in, const Clock &clock, bool codedStamps = true);
    // Corrects record index in place: its memo number, creation stamp and
    // place stay. Writes no file.
    void correctHaiku(int index, const HaikuInput &in, const QDateTime &now);

    // Storing a haiku with its memo, as the entry window does: the memo file
    // is written first, and the record is added or changed only once the
    // memo is on disk. A memo that cannot be written leaves the notebook and
    // every file as they were, and is not tried again later.
    struct StoreResult
    {
        int index = 0; // the record stored (1 for a new haiku); 0 when nothing was
        std::optional<StoreProblem> problem;
    };
    // A new haiku at the head. Its memo takes the next number whose file is
    // not there yet: a memo file found under the next number came from
    // elsewhere (the other computer, through a sync program) and is never
    // written over.
    StoreResult enterHaiku(const HaikuInput &in, const QString &memo, const Clock &clock);
    // Corrects record index and rewrites its memo file. A record whose memo
    // number is damaged (reads as 0) is given a number of its own, so that
    // no two haiku ever share the memo file of number 0.
    StoreResult correctHaikuWithMemo(int index, const HaikuInput &in, const QString &memo,
                                     const Clock &clock);

    // Whether name is one of the categories a haiku may be given (entries 2 on).
    bool knowsCategory(const QString &name) const;
    // Appends a category and rewrites the category file. The category stays
    // in memory when the file cannot be written.
    std::optional<StoreProblem> addCategory(const QString &name);
    // Exchanges category entries a and b (both 2 or more). Writes no file.
    void swapCategories(int a, int b);
    // Removes category entry (2 or more). Writes no file; haiku keep their category text.
    void removeCategory(int entry);

    // Deletes the memo file of memo_no (and its old companion under memo2).
    // A file that is not there counts as deleted.
    std::optional<StoreProblem> deleteMemoFile(qint64 memo_no);
    // Deletes record index and its own memo file, then rewrites the haiku
    // file. A memo file that cannot be deleted keeps its haiku: the notebook
    // and the memo folder never disagree. The rows shown close up over it.
    QList<StoreProblem> removeHaiku(int index);
    // Deletes every haiku whose category is exactly name, with their memo
    // files, removes category entry, and rewrites the haiku and category
    // files. A haiku whose memo file cannot be deleted is kept, and said.
    QList<StoreProblem> removeCategoryWithHaiku(int entry);
    // ---- The memo lock --------------------------------------------------
    // One password opens every locked memo: settings.lock_password, kept as
    // typed in the settings file (empty: no password set). A password prompt
    // leaves its outcome in pass_result.
    static inline const QString lockedYes = QStringLiteral("YES"); // a locked haiku's flag
    static inline const QString passYes = QStringLiteral("YES");
    static inline const QString passNo = QStringLiteral("NO");
    static inline const QString passCancel = QStringLiteral("CANCEL");
    // Row r (1 to shown_count) shows a haiku whose memo is locked. Any other
    // row, the empty last row among them, is never locked, whatever an
    // earlier list left in its slot.
    bool isRowLocked(int r) const;
    // Exact comparison: case, full against half width and blanks all count.
    bool passwordMatches(const QString &typed) const;
    // A prompt counts as cancelled from the moment it opens, so that one
    // closed any other way never inherits an earlier "YES".
    void passwordPromptOpened() { pass_result = passCancel; }
    // The prompt's answer: "YES" when typed is the password, else "NO".
    const QString &passwordPromptAnswered(const QString &typed);
    // Why a new password cannot be kept (a character the settings file cannot
    // hold, a line break); empty when it can.
    static QString unstorablePassword(const QString &password);
    // Sets a new password; an empty one removes the lock. A password that
    // cannot be stored is refused: the reason is returned and the old one
    // stays. It reaches the disk with the other settings at quit.
    QString setLockPassword(const QString &password);
    // ---- Finding and ordering: the keyword search, its history, 上へ / 下へ ----

    // Where the keyword box's text came from: a line of its list (0 to 19),
    // or keywordTyped.
    static constexpr int keywordTyped = -1;
    // The history after a search with keyword. Typed, it goes in front of
    // everything and the last slot drops out, even when the same text is
    // already there. Picked from line k, that line moves to the front and the
    // lines above it move down one; the lines below stay where they are.
    void rememberKeyword(const QString &keyword, int picked);

    // What 上へ or 下へ did to the list.
    struct Move
    {
        bool moved = false; // false: the row had no shown neighbour that way; nothing changed
        int row = 0;        // the row to select in the rebuilt list
        // false when the rebuilt list no longer shows the moved haiku (the
        // keyword box was changed after the last search); row is then the
        // one above or below the old row, as far as the list reaches.
        bool stillShown = false;
    };
    // Moves the haiku on list row `row` one place up (down) among the rows
    // shown: it lands just before (after) its shown neighbour, and the
    // haiku hidden between them keep their order, shifted by one. The rows
    // are tied to their records by position, so two haiku with the same poem
    // are told apart. Then the list is rebuilt for category and keyword.
    Move moveUp(int row, const QString &category, const QString &keyword);
    Move moveDown(int row, const QString &category, const QString &keyword);

private:
    struct Loaded
    {
        QString name;
        bool exists = false;
        QByteArray bytes; // as found
        QString text;
        QString error;     // set when the file exists but could not be read
        bool valid = true; // false when some bytes are not code page 932
        Spellings spellings;
        std::size_t hash = 0; // of bytes
    };
    struct LoadedFiles
    {
        Loaded ini, dat, cat, key;
        std::vector<Haiku_record> haiku;
        std::vector<Haiku_record> haikuAsRead; // a copy sharing every string
        std::size_t largestMemoNo = 0;
    };
    static Loaded load(const QString &folder, const QString &fileName, bool decode = true);
    static void readHaiku(LoadedFiles &files);
    static LoadedFiles readFiles(const QString &folder);
    std::optional<StoreProblem> writeLines(const QString &fileName, const QStringList &lines);
    std::optional<StoreProblem> writeEncoded(const QString &fileName, const EncodedLines &e,
                                             const std::function<QString(qsizetype)> &lineAt);
    std::optional<StoreProblem> writeBytes(const QString &fileName, const QByteArray &bytes);
    void keepAside(const QString &fileName, const QByteArray &bytes, StartupReport &report);
    // Keeping the rows shown in step with the records as they change, so
    // that every row still shows the record it showed (rows are tied to
    // their records by position, never by poem text).
    void shownRecordInserted(int index);
    void shownRecordChanged(int index);
    // Keeps the rows whose record passes keep; records above removed (when
    // not 0) have moved up one place.
    void keepShownRows(const std::function<bool(int index)> &keep, int removed);
    void putAtHead(const HaikuInput &in, qint64 memoNo, const Clock &clock, bool codedStamps);
    // The next memo number whose file is not there yet; nothing when none is left.
    std::optional<qint64> nextFreeMemoNo() const;
    static QString memoName(qint64 memo_no);
    // Reads a memo file; bytesRead, when given, receives the bytes as read.
    MemoFile readMemoBytes(qint64 memo_no, QByteArray *bytesRead) const;
    // The first record with the largest memo number, or 0.
    static std::size_t largestMemoNo(const std::vector<Haiku_record> &list);
    void raiseLastMemoNo(std::size_t largest);

    // What each data file holds on disk as far as we know: the bytes last
    // read or written, and when and how large the file was then. A file that
    // would be written with the same bytes and has not been touched since is
    // left alone.
    struct OnDisk
    {
        std::optional<QByteArray> bytes; // not kept for the haiku file: see m_savedHaiku
        QDateTime modified;
        qint64 size = -1;
        std::size_t hash = 0; // of the bytes last read or written
    };
    // snapshot: the haiku as the file holds them, when already copied.
    void remember(const QString &fileName, const QByteArray &bytes,
                  std::vector<Haiku_record> *snapshot = nullptr, std::optional<std::size_t> hash = {});
    // Before a notebook file is replaced: when someone else changed it since
    // we last read or wrote it, it is left alone and bytes go beside it.
    // alreadyThere: the file already holds these bytes, so nothing is written.
    std::optional<StoreProblem> keepTheirs(const QString &fileName, const QByteArray &bytes,
                                           bool &alreadyThere);
    QHash<QString, std::size_t> m_savedAside; // the last bytes put beside each file, and where
    QHash<QString, QString> m_savedAsideName;
    void noteSyncConflicts(StartupReport &report) const;
    // Removes the temporary files of saves that were killed before they
    // could rename them: their process is gone, the old files are whole.
    void removeLeftoverTemporaries() const;
    bool untouchedSince(const OnDisk &known, const QString &fileName) const;
    bool alreadyOnDisk(const QString &fileName, const QByteArray &bytes) const;
    bool haikuAlreadyOnDisk() const;
    QHash<QString, OnDisk> m_onDisk;
    // The records as the haiku file holds them. Their strings are shared with
    // haiku_list, and a shared string copies itself before it changes, so a
    // record whose strings are still the very same ones has not changed.
    std::optional<std::vector<Haiku_record>> m_savedHaiku;

    std::future<LoadedFiles> m_loading;
    Spellings m_spellings;
    QStringList m_keywordExtra;
    QMap<qint64, QString> m_unsavedMemos;
    std::vector<int> m_shownIndex{0};

    // ---- Finding and ordering ----
    // Every poem in notebook order, joined into one text for the keyword
    // search: one scan of a compact text instead of a visit to every poem.
    struct PoemIndex
    {
        // The poems the text was built from. They share the records' poem
        // strings, and a shared string copies itself before it changes, so a
        // record whose poem is still the very same string has the same poem.
        std::vector<QString> poems{1};
        QString text;                       // each poem followed by a line end
        std::vector<qsizetype> start{0, 0}; // where poem i begins; one more entry for the end
    };
    PoemIndex m_poemIndex;
    bool poemIndexCurrent() const;
    void buildPoemIndex();
    // Appends to the shown rows the haiku of category whose poem holds keyword.
    void findKeyword(const QString &category, const QString &keyword);
    // step -1 moves the haiku on row up past the row above it, +1 down.
    Move moveShownRow(int row, int step, const QString &category, const QString &keyword);
    // Rotates records first..last-1 so that record middle comes first, the
    // poem index along with them.
    void rotateRecords(std::size_t first, std::size_t middle, std::size_t last);
};
