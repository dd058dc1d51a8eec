#pragma once

#include "store/DataFiles.h"
#include "store/History.h"
#include "store/StoreProblem.h"
#include "store/TextLines.h"
#include "store/Trash.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QMap>
#include <QString>

#include <functional>
#include <future>
#include <optional>
#include <vector>

// The notebook's folder on disk: reading the data files and the memo files,
// writing them whole, and knowing what each file held when we last read or
// wrote it. A file someone else changed meanwhile (another computer through
// a sync program) is never written over: ours goes beside it. Bytes that
// are not code page 932 are kept aside before anything is written.
class NotebookFiles
{
public:
    explicit NotebookFiles(const QString &folder);

    const QString &folder() const { return m_folder; } // ends in "/"
    QString path(const QString &fileName) const { return m_folder + fileName; }

    // One data file as found in the folder.
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
        // The decoded text the haiku's fields point into: it must outlive them.
        std::vector<QString> haikuTexts;
        std::size_t largestMemoNo = 0; // the first record with the largest memo number, or 0
        int cutRecordLines = 0;        // lines of a last haiku cut short
        // Other versions of the haiku file in the folder: a sync program's
        // copies, and ours put aside when a save found the file changed.
        QStringList syncCopies, ourCopies;
    };
    // Starts reading the data files on a second thread; takeLoaded() waits
    // for it, or reads them itself when nothing was started. Reading writes
    // nothing. Call it from the thread that will run the application.
    void beginLoading(int readers = defaultReaders());
    LoadedFiles takeLoaded();
    // Two threads read a large haiku file only where the window's thread
    // keeps a core of its own meanwhile: on two cores one reader starts the
    // program sooner.
    static int defaultReaders();

    // What start-up does with the files it has read before it writes
    // anything: keeps aside files that are not all code page 932, learns
    // their spellings, and remembers what each file held.
    void adopt(LoadedFiles &files, StartupReport &report);
    // Conflict copies beside the haiku file, told once at start-up.
    static void noteSyncConflicts(const LoadedFiles &files, StartupReport &report);
    // Removes, on a thread of its own and at the lowest priority, the
    // temporary files of saves that were killed before they could rename
    // them: their process is gone, the old files are whole. A memo folder
    // of thirty thousand names takes a while to read, and nothing waits for
    // it. (A process that forks should wait for it first: a child must not
    // inherit a lock the thread held.)
    void removeLeftoverTemporariesLater();
    // Waits until that removal has ended.
    void waitForLeftoverRemoval();
    std::optional<StoreProblem> makeMemoFolder() const;
    // The memo folder is not a link leading outside the notebook folder or to nothing.
    bool memoFolderInside() const;

    // Each rewrites one file whole and atomically: on failure the old file
    // is left as it was and the problem is returned.
    std::optional<StoreProblem> writeLines(const QString &fileName, const QStringList &lines);
    // The haiku file. Nothing is written when the haiku have not changed
    // since the file was read or written (changed false) and nobody else has
    // touched it; nor when it already holds these very bytes. The file it
    // replaces is kept in the history first (see History::keep); with
    // When::Always a copy that cannot be made stops the write.
    std::optional<StoreProblem> writeHaiku(const std::vector<Haiku_record> &records, bool changed,
                                           History::When keep = History::When::FirstOfTheDay);
    // Whether the file can hold text (a keyword, say) as it is.
    bool canEncode(const QString &text) const;
    // How lines read from elsewhere (a kept state) were spelt, so that they
    // are written back as they were.
    void learnSpellings(const Spellings &spellings) { m_spellings.insert(spellings); }

    // The earlier states of the haiku file, and the memo files of deleted haiku.
    History &history() { return m_history; }
    const History &history() const { return m_history; }
    Trash &trash() { return m_trash; }

    // ---- Memo files ----
    static QString memoName(qint64 memo_no); // "memo1/m1000012.txt"
    // The memo's companion, which some notebooks have: "memo2/m2000012.txt".
    static QString companionName(qint64 memo_no);
    QString memoPath(qint64 memo_no) const { return path(memoName(memo_no)); }
    bool memoExists(qint64 memo_no) const;
    MemoFile readMemo(qint64 memo_no);
    // Reads a memo without noting what it held.
    MemoFile peekMemo(qint64 memo_no) const;
    // Writes a memo file. One that cannot be written is kept in memory and
    // tried again by writeUnsavedMemos() until it is on disk.
    std::optional<StoreProblem> writeMemo(qint64 memo_no, const QString &memo);
    QList<StoreProblem> writeUnsavedMemos();
    // Drops a memo kept for writing again: its haiku was not stored after all.
    void forgetUnsavedMemo(qint64 memo_no) { m_unsavedMemos.remove(memo_no); }
    // Why the memo file of memo_no could not be deleted now (a folder in its
    // place, a folder that does not let us remove it); nothing when it could,
    // or when it is not there.
    std::optional<StoreProblem> memoUndeletable(qint64 memo_no) const;
    // Why no memo file could be moved into the trash now (a system error
    // number: the trash folder cannot be made, written, or is on another
    // disk); 0 when they can. One look for a deletion of many haiku.
    int trashUnusable() const { return m_trash.unusableFrom(DataFiles::memoFolder); }
    // Why the memo file of memo_no could not be moved into the trash now,
    // given what trashUnusable() said.
    std::optional<StoreProblem> memoUnmovable(qint64 memo_no, int trashUnusable) const;
    // Moves the memo file of memo_no and its companion into the trash. A
    // file that is not there counts as moved.
    std::optional<StoreProblem> trashMemo(qint64 memo_no);

private:
    static Loaded load(const QString &folder, const QString &fileName, bool decode = true);
    MemoFile readMemoBytes(qint64 memo_no, QByteArray *bytesRead) const;
    static void readHaiku(LoadedFiles &files, int readers);
    // Reads the haiku file in pieces, for one reader. False when the file
    // must be read whole after all; the haiku are then left unset.
    static bool readHaikuInPieces(const QString &folder, LoadedFiles &files);
    static LoadedFiles readFiles(const QString &folder, int readers);
    static std::vector<std::pair<QString, qint64>> findTemporaries(const QString &folder);
    static void removeLeftoverTemporaries(const QString &folder);
    static void findConflictCopies(const QString &folder, LoadedFiles &files);
    std::optional<StoreProblem> writeEncoded(const QString &fileName, const EncodedLines &e,
                                             const std::function<QString(qsizetype)> &lineAt);
    std::optional<StoreProblem> writeBytes(const QString &fileName, const QByteArray &bytes);
    void keepAside(const QString &fileName, const QByteArray &bytes, StartupReport &report);

    // What each file holds on disk as far as we know: the bytes last read or
    // written, and when and how large the file was then. A file that would
    // be written with the same bytes and has not been touched since is left
    // alone.
    struct OnDisk
    {
        std::optional<QByteArray> bytes; // not kept for the haiku file
        QDateTime modified;
        qint64 size = -1;
        std::size_t hash = 0; // of the bytes last read or written
    };
    void remember(const QString &fileName, const QByteArray &bytes, std::optional<std::size_t> hash = {});
    // Before a notebook file is replaced: when someone else changed it since
    // we last read or wrote it, it is left alone and bytes go beside it.
    // alreadyThere: the file already holds these bytes, so nothing is written.
    std::optional<StoreProblem> keepTheirs(const QString &fileName, const QByteArray &bytes,
                                           bool &alreadyThere);
    bool untouchedSince(const OnDisk &known, const QString &fileName) const;
    bool alreadyOnDisk(const QString &fileName, const QByteArray &bytes) const;

    QString m_folder;
    QHash<QString, OnDisk> m_onDisk;
    QHash<QString, std::size_t> m_savedAside; // the last bytes put beside each file, and where
    QHash<QString, QString> m_savedAsideName;
    std::future<LoadedFiles> m_loading;
    Spellings m_spellings;
    QMap<qint64, QString> m_unsavedMemos;
    History m_history;
    Trash m_trash;
    std::future<void> m_removingLeftovers;                      // last: waited for before the rest goes
    History::When m_historyKeep = History::When::FirstOfTheDay; // for the haiku file being written
};
