#pragma once

#include "store/HaikuRecord.h"
#include "store/StoreProblem.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

// 履歴/: earlier states of the haiku file. Before the haiku file is replaced
// by a deletion or a restore, and before the first save of each day, the file
// as it is on disk is kept here whole, its code page 932 bytes untouched, as
// 履歴/haiku-20261207-093015.dat (the date and time it was replaced; a second
// one within the same second is haiku-20261207-093015-2.dat). A hard link
// costs no copy: the save puts a new file in the haiku file's place and the
// old one lives on here. Where the file system has no hard links the file is
// copied, and the copy written and checked as every save is.
class History
{
public:
    static inline const QString folderName = QStringLiteral("履歴");
    // The newest kKeepLast are kept, and the newest of each of the last kKeepDays days.
    static constexpr int kKeepLast = 20;
    static constexpr int kKeepDays = 30;

    struct Entry
    {
        QString fileName; // "haiku-20261207-093015.dat"
        QDateTime when;
        int sequence = 1; // 2, 3... for a second and third within one second
        bool operator==(const Entry &) const = default;
    };
    // The entry a file name stands for; nothing for any other name, which is
    // then never listed nor removed.
    static std::optional<Entry> parseName(const QString &fileName);
    static QString nameFor(const QDateTime &when, int sequence);
    // By time, then by sequence.
    static void sortNewestFirst(std::vector<Entry> &entries);
    // The entries that go on day today: all but the kKeepLast newest and the
    // newest of each day from today back to kKeepDays - 1 days before.
    static QStringList toRemove(std::vector<Entry> entries, const QDate &today);

    using Clock = std::function<QDateTime()>;
    // notebookFolder ends in "/".
    explicit History(const QString &notebookFolder);
    void setClock(Clock clock) { m_clock = std::move(clock); }

    // The kept states, newest first.
    std::vector<Entry> entries() const;
    QString path(const QString &fileName) const;

    enum class When {
        Always,        // a deletion or a restore: without the copy it must not go ahead
        FirstOfTheDay, // any other save: once a day
    };
    struct Kept
    {
        QString fileName; // empty when nothing was kept
        std::optional<StoreProblem> problem;
    };
    // Keeps the haiku file as it is now, before it is replaced. Nothing when
    // there is no haiku file, or (FirstOfTheDay) when a state of today is
    // kept already. Older entries are then removed as toRemove() says.
    Kept keep(When when);
    // Takes back an entry just kept: the file it was kept for was not replaced after all.
    void forget(const QString &fileName);
    // The bytes of an entry, read whole.
    std::optional<StoreProblem> read(const Entry &entry, QByteArray &bytes) const;

    // How a kept state differs from the notebook now. A haiku is the same
    // haiku when its memo number and its creation stamp are, whatever was
    // corrected since.
    struct Difference
    {
        int count = 0;    // haiku in the kept state
        QStringList back; // poems of the kept state that the notebook no longer has, in its order
        QStringList gone; // poems of the notebook that the kept state does not have, in notebook order
    };
    // Compares kept states with one notebook: what it needs of the notebook
    // is gathered once, so that a list of many large states is quick to draw.
    class Comparer
    {
    public:
        Comparer(const History &history, const std::vector<Haiku_record> &now);
        // bytes: a haiku file as kept. Reads only what it compares.
        Difference compare(QByteArrayView bytes) const;
        // The same for a kept entry; nothing when it cannot be read.
        std::optional<Difference> compare(const Entry &entry) const;

        // A haiku's identity, reduced to a number: its memo number beside
        // a 64-bit hash of its creation stamp.
        struct Key
        {
            qint64 memoNo;
            quint64 stamp;
            bool operator==(const Key &) const = default;
        };

    private:
        const History &m_history;
        const std::vector<Haiku_record> &m_now;
        std::vector<Key> m_nowKeys; // [i - 1] for record i
    };
    static Difference compare(QByteArrayView bytes, const std::vector<Haiku_record> &now)
    {
        return Comparer(History(QString()), now).compare(bytes);
    }
    // What identifies a haiku across states: its memo number and creation stamp.
    static QString identity(qint64 memoNo, const QString &createdStamp);

private:
    QString folder() const { return m_folder + folderName; }
    void prune(const QDate &today);

    QString m_folder;
    Clock m_clock;
};
