#include "store/History.h"

#include "store/AtomicFile.h"
#include "store/Cp932.h"
#include "store/DataFiles.h"
#include "store/SubFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <set>
#include <unistd.h>
#include <unordered_map>

namespace {

StoreProblem notKept(int error)
{
    return StoreProblem{StoreProblem::Kind::History, History::folderName,
                        QStringLiteral("句帳の今の状態を「%1」フォルダに残せませんでした。\n%2\n"
                                       "あとで元に戻せなくなるため、句帳は何も変えていません。")
                            .arg(History::folderName, AtomicFile::cause(error))};
}

// One line of a kept haiku file as text. Memo numbers and stamps are plain
// ASCII nearly always, which needs no converter.
QString lineText(QByteArrayView line)
{
    for (char c : line) {
        if (uchar(c) >= 0x80)
            return Cp932::decode(line).text;
    }
    return QString::fromLatin1(line);
}

} // namespace

std::optional<History::Entry> History::parseName(const QString &fileName)
{
    static const QRegularExpression name(QStringLiteral("^haiku-(\\d{8}-\\d{6})(?:-(\\d{1,4}))?\\.dat$"));
    const QRegularExpressionMatch m = name.match(fileName);
    if (!m.hasMatch())
        return std::nullopt;
    const QDateTime when = QDateTime::fromString(m.captured(1), QStringLiteral("yyyyMMdd-HHmmss"));
    const int sequence = m.captured(2).isEmpty() ? 1 : m.captured(2).toInt();
    // "-1" is never written: the first of a second has no number.
    if (!when.isValid() || sequence < 1 || (sequence == 1 && !m.captured(2).isEmpty()))
        return std::nullopt;
    return Entry{fileName, when, sequence};
}

QString History::nameFor(const QDateTime &when, int sequence)
{
    const QString stamp = when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    return sequence <= 1 ? QStringLiteral("haiku-%1.dat").arg(stamp)
                         : QStringLiteral("haiku-%1-%2.dat").arg(stamp).arg(sequence);
}

void History::sortNewestFirst(std::vector<Entry> &entries)
{
    std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
        return a.when != b.when ? a.when > b.when : a.sequence > b.sequence;
    });
}

QStringList History::toRemove(std::vector<Entry> entries, const QDate &today)
{
    sortNewestFirst(entries);
    const QDate firstDay = today.addDays(-(kKeepDays - 1));
    std::set<QDate> daysSeen;
    QStringList removed;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const QDate day = entries[i].when.date();
        // The first seen of a day is its newest.
        const bool newestOfItsDay = daysSeen.insert(day).second;
        const bool keptDay = newestOfItsDay && day >= firstDay && day <= today;
        if (i >= std::size_t(kKeepLast) && !keptDay)
            removed.append(entries[i].fileName);
    }
    return removed;
}

History::History(const QString &notebookFolder) : m_folder(notebookFolder) {}

QString History::path(const QString &fileName) const
{
    return folder() + QLatin1Char('/') + fileName;
}

std::vector<History::Entry> History::entries() const
{
    std::vector<Entry> found;
    const QStringList names = QDir(folder()).entryList({QStringLiteral("haiku-*.dat")}, QDir::Files);
    for (const QString &name : names) {
        if (std::optional<Entry> e = parseName(name))
            found.push_back(*e);
    }
    sortNewestFirst(found);
    return found;
}

History::Kept History::keep(When when)
{
    const QString source = m_folder + DataFiles::haikuFile;
    if (!QFileInfo::exists(source))
        return {};
    const QDateTime now = m_clock ? m_clock() : QDateTime::currentDateTime();
    if (when == When::FirstOfTheDay) {
        const std::vector<Entry> kept = entries();
        if (std::any_of(kept.begin(), kept.end(),
                        [&now](const Entry &e) { return e.when.date() == now.date(); }))
            return {};
    }
    if (const int error = SubFolder::make(folder()))
        return {{}, notKept(error)};

    const QByteArray from = QFile::encodeName(source);
    for (int sequence = 1; sequence < 10000; ++sequence) {
        const QString name = nameFor(now, sequence);
        const QByteArray to = QFile::encodeName(path(name));
        // The link follows a haiku file that is itself a link, so that what
        // is kept is the notebook's bytes.
        if (::linkat(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), AT_SYMLINK_FOLLOW) == 0) {
            SubFolder::sync(folder());
            prune(now.date());
            return {name, {}};
        }
        if (errno == EEXIST)
            continue;
        // No hard links here (another file system, one without them): a copy.
        if (QFileInfo::exists(path(name)))
            continue;
        QFile in(source);
        if (!in.open(QIODevice::ReadOnly))
            return {{}, notKept(in.error() == QFileDevice::PermissionsError ? EACCES : EIO)};
        const QByteArray bytes = in.readAll();
        if (in.error() != QFileDevice::NoError)
            return {{}, notKept(EIO)};
        const AtomicFile::Result written = AtomicFile::write(path(name), bytes);
        if (!written.ok())
            return {{}, notKept(written.error)};
        prune(now.date());
        return {name, {}};
    }
    return {{}, notKept(EEXIST)};
}

void History::forget(const QString &fileName)
{
    if (!fileName.isEmpty())
        QFile::remove(path(fileName));
}

void History::prune(const QDate &today)
{
    for (const QString &name : toRemove(entries(), today))
        QFile::remove(path(name));
}

std::optional<StoreProblem> History::read(const Entry &entry, QByteArray &bytes) const
{
    const QString name = folderName + QLatin1Char('/') + entry.fileName;
    QFile f(path(entry.fileName));
    if (f.open(QIODevice::ReadOnly))
        bytes = f.readAll();
    if (!f.isOpen() || f.error() != QFileDevice::NoError) {
        return StoreProblem{
            StoreProblem::Kind::History, name,
            QStringLiteral("「%1」を読み込めませんでした。（%2）").arg(name, f.errorString())};
    }
    return std::nullopt;
}

QString History::identity(qint64 memoNo, const QString &createdStamp)
{
    return QString::number(memoNo) + QLatin1Char('\t') + createdStamp;
}

namespace {

// FNV-1a over the code units of a stamp: its bytes when they are all
// ASCII, as they nearly always are, else its UTF-16 units. Both sides of a
// comparison hash the same units for the same text.
template <typename Unit> quint64 hashUnits(const Unit *units, qsizetype n)
{
    quint64 h = 1469598103934665603ull;
    for (qsizetype i = 0; i < n; ++i) {
        h ^= quint64(units[i]);
        h *= 1099511628211ull;
    }
    return h;
}

quint64 stampHash(QStringView stamp)
{
    return hashUnits(reinterpret_cast<const char16_t *>(stamp.utf16()), stamp.size());
}

quint64 stampHash(QByteArrayView stamp)
{
    for (char c : stamp) {
        if (uchar(c) >= 0x80)
            return stampHash(QStringView(Cp932::decode(stamp).text));
    }
    return hashUnits(reinterpret_cast<const uchar *>(stamp.data()), stamp.size());
}

struct KeyHash
{
    std::size_t operator()(const History::Comparer::Key &k) const
    {
        return std::size_t(k.stamp ^ (quint64(k.memoNo) * 0x9E3779B97F4A7C15ull));
    }
};

using KeyCount = std::unordered_map<History::Comparer::Key, int, KeyHash>;

} // namespace

History::Comparer::Comparer(const History &history, const std::vector<Haiku_record> &now)
    : m_history(history), m_now(now)
{
    m_nowKeys.reserve(now.size());
    for (std::size_t i = 1; i < now.size(); ++i)
        m_nowKeys.push_back(
            {DataFiles::memoNumber(now[i].memo_no), stampHash(QStringView(now[i].created_stamp))});
}

std::optional<History::Difference> History::Comparer::compare(const Entry &entry) const
{
    QByteArray bytes;
    if (m_history.read(entry, bytes))
        return std::nullopt;
    return compare(bytes);
}

History::Difference History::Comparer::compare(QByteArrayView bytes) const
{
    // The haiku of now, by identity, each as often as it occurs.
    KeyCount nowCount;
    nowCount.reserve(m_nowKeys.size());
    for (const Key &k : m_nowKeys)
        ++nowCount[k];

    // The kept file's records, line by line on the bytes: CR and LF are
    // never the second byte of a character.
    Difference d;
    KeyCount thenCount;
    thenCount.reserve(m_nowKeys.size());
    QByteArrayView fields[kRecordLines];
    int field = 0;
    auto endRecord = [&] {
        ++d.count;
        const Key id{DataFiles::memoNumber(lineText(fields[3])), stampHash(fields[4])};
        ++thenCount[id];
        auto left = nowCount.find(id);
        if (left != nowCount.end() && left->second > 0)
            --left->second;
        else
            d.back.append(lineText(fields[2]));
        field = 0;
        std::fill(std::begin(fields), std::end(fields), QByteArrayView());
    };
    const qsizetype n = bytes.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i <= n; ++i) {
        const bool end = i == n;
        if (!end && bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        if (end && start == n)
            break; // a final line end does not start another line
        fields[field++] = bytes.sliced(start, i - start);
        if (field == kRecordLines)
            endRecord();
        if (!end && bytes[i] == '\r' && i + 1 < n && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (field > 0)
        endRecord(); // a last record cut short is a record, as the reader has it

    // What now has beyond the kept state, in notebook order.
    for (std::size_t i = 1; i < m_now.size(); ++i) {
        auto left = thenCount.find(m_nowKeys[i - 1]);
        if (left != thenCount.end() && left->second > 0)
            --left->second;
        else
            d.gone.append(m_now[i].poem);
    }
    return d;
}
