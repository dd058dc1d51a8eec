#include "store/NotebookFiles.h"

#include "store/AtomicFile.h"
#include "store/Cp932.h"
#include "store/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fnmatch.h>
#include <optional>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

bool isDataFile(const QString &fileName)
{
    return fileName == DataFiles::settingsFile || fileName == DataFiles::haikuFile ||
           fileName == DataFiles::categoryFile || fileName == DataFiles::keywordFile;
}

// The files of the notebook itself, as against the copies we keep aside.
bool isNotebookFile(const QString &fileName)
{
    return isDataFile(fileName) || fileName.startsWith(DataFiles::memoFolder + QLatin1Char('/'));
}

// A data file may be a link to a file elsewhere in the notebook folder (a
// synced subfolder); a memo file is never read or written through a link.
QString linksInside(const QString &folder, const QString &fileName)
{
    return fileName.startsWith(DataFiles::memoFolder + QLatin1Char('/')) ? QString() : folder;
}

// A file's hash is taken over pieces of this size, so that a file read in
// pieces of it (the haiku file) hashes as the same file read whole.
constexpr qsizetype kHashPiece = 64 * 1024;

struct PieceHash
{
    std::size_t value = 0x59554d4f;
    void feed(QByteArrayView piece) { value = qHashBits(piece.data(), std::size_t(piece.size()), value); }
};

std::size_t hashOf(QByteArrayView bytes)
{
    PieceHash hash;
    for (qsizetype at = 0; at < bytes.size(); at += kHashPiece)
        hash.feed(bytes.sliced(at, qMin(kHashPiece, bytes.size() - at)));
    return hash.value;
}

QString readFailure(const QString &fileName, const SafeFile::Read &file)
{
    return QStringLiteral("「%1」を読み込めませんでした。\n%2").arg(fileName, SafeFile::cause(file));
}

QString writeFailure(const QString &fileName, const AtomicFile::Result &r)
{
    return QStringLiteral("「%1」を保存できませんでした。\n%2\n%3")
        .arg(fileName, AtomicFile::cause(r.error),
             r.existed ? QStringLiteral("元のファイルはそのまま残っています。")
                       : QStringLiteral("ファイルは作られていません。"));
}

// The first record with the largest memo number, or 0.
std::size_t largestMemoNo(const std::vector<Haiku_record> &list)
{
    std::size_t largest = 0;
    qint64 value = 0;
    for (std::size_t i = 1; i < list.size(); ++i) {
        const qint64 v = DataFiles::memoNumber(list[i].memo_no);
        if (largest == 0 || v > value) {
            largest = i;
            value = v;
        }
    }
    return largest;
}

} // namespace

NotebookFiles::NotebookFiles(const QString &folder)
    : m_folder(folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/')), m_history(m_folder),
      m_trash(m_folder)
{
}

NotebookFiles::Loaded NotebookFiles::load(const QString &folder, const QString &fileName, bool decode)
{
    Loaded result;
    result.name = fileName;
    SafeFile::Read file = SafeFile::read(folder + fileName, folder);
    if (file.kind == SafeFile::Kind::Missing)
        return result;
    result.exists = true;
    if (!file.ok()) {
        result.error = readFailure(fileName, file);
        return result;
    }
    result.bytes = std::move(file.bytes);
    result.hash = hashOf(result.bytes);
    if (decode) {
        DecodedFile decoded = TextLines::decodeFile(result.bytes);
        result.valid = decoded.valid;
        result.spellings = std::move(decoded.spellings);
        result.text = std::move(decoded.text);
    }
    return result;
}

void NotebookFiles::readHaiku(LoadedFiles &files, int readers)
{
    // A large file may be read in two halves side by side, split where a
    // record begins. Each half also finds its largest memo number, so the window's
    // thread has nothing left to do.
    Loaded &dat = files.dat;
    const QByteArrayView bytes(dat.bytes);
    const qsizetype middle = readers > 1 ? TextLines::middleGroupStart(bytes, kRecordLines) : 0;
    struct Half
    {
        DecodedFile decoded;
        std::vector<Haiku_record> records;
        std::size_t largest = 0;
    };
    // The first half makes room for the second's records too (a byte is at
    // most one character), which are then moved in without growing the list.
    auto readHalf = [](QByteArrayView part, qsizetype roomFor) {
        Half h{TextLines::decodeFile(part), {}, 0};
        h.records = DataFiles::parseHaiku(h.decoded.text, true, h.decoded.text.size() + roomFor);
        h.largest = largestMemoNo(h.records);
        return h;
    };
    std::future<Half> second;
    if (middle > 0)
        second = std::async(std::launch::async, readHalf, bytes.sliced(middle), 0);
    Half first = readHalf(middle > 0 ? bytes.first(middle) : bytes, middle > 0 ? bytes.size() - middle : 0);
    dat.valid = first.decoded.valid;
    dat.spellings = std::move(first.decoded.spellings);
    files.haiku = std::move(first.records);
    files.haikuTexts.push_back(std::move(first.decoded.text));
    files.largestMemoNo = first.largest;
    if (second.valid()) {
        Half h = second.get();
        dat.valid = dat.valid && h.decoded.valid;
        dat.spellings.insert(h.decoded.spellings);
        const std::size_t offset = files.haiku.size() - 1;
        if (h.largest > 0 &&
            (files.largestMemoNo == 0 || DataFiles::memoNumber(h.records[h.largest].memo_no) >
                                             DataFiles::memoNumber(files.haiku[files.largestMemoNo].memo_no)))
            files.largestMemoNo = offset + h.largest;
        auto append = [](std::vector<Haiku_record> &to, std::vector<Haiku_record> &from) {
            to.insert(to.end(), std::make_move_iterator(from.begin() + 1),
                      std::make_move_iterator(from.end()));
        };
        append(files.haiku, h.records);
        files.haikuTexts.push_back(std::move(h.decoded.text));
    }
}

bool NotebookFiles::readHaikuInPieces(const QString &folder, LoadedFiles &files)
{
    // Decoded, counted and hashed as it comes, through one small buffer: a
    // large haiku file is never held whole as bytes, which spares the
    // reading thread the touching of some thousand fresh pages of memory.
    Loaded &dat = files.dat;
    dat.name = DataFiles::haikuFile;
    qint64 size = 0;
    std::optional<Cp932::PieceDecoder> decoder;
    TextLines::LineCounter lines;
    PieceHash hash;
    const SafeFile::Read file = SafeFile::readInPieces(
        folder + dat.name, folder, kHashPiece,
        [&](QByteArrayView piece) {
            if (!decoder)
                decoder.emplace(qsizetype(size));
            decoder->feed(piece);
            lines.feed(piece);
            hash.feed(piece);
        },
        &size);
    if (file.kind == SafeFile::Kind::Missing)
        return true;
    dat.exists = true;
    if (!file.ok()) {
        dat.error = readFailure(dat.name, file);
        return true;
    }
    Cp932::Decoded decoded = decoder ? decoder->finish() : Cp932::Decoded{};
    // A file with bytes to escape is kept aside whole, and one with second
    // spellings has them noted line by line: both are read whole instead.
    if (!decoded.valid || decoded.secondSpellings)
        return false;
    dat.hash = hash.value;
    files.cutRecordLines = DataFiles::cutRecordLines(lines.lines());
    files.haiku = DataFiles::parseHaiku(decoded.text, true, decoded.text.size());
    files.largestMemoNo = largestMemoNo(files.haiku);
    files.haikuTexts.push_back(std::move(decoded.text));
    return true;
}

NotebookFiles::LoadedFiles NotebookFiles::readFiles(const QString &folder, int readers)
{
    LoadedFiles files;
    files.ini = load(folder, DataFiles::settingsFile);
    if (readers > 1 || !readHaikuInPieces(folder, files)) {
        files.dat = load(folder, DataFiles::haikuFile, false);
        if (files.dat.exists && files.dat.error.isEmpty())
            readHaiku(files, readers);
        if (files.dat.exists)
            files.cutRecordLines = DataFiles::cutRecordLines(TextLines::lineCount(files.dat.bytes));
    }
    files.cat = load(folder, DataFiles::categoryFile);
    files.key = load(folder, DataFiles::keywordFile);
    findConflictCopies(folder, files);
    return files;
}

void NotebookFiles::beginLoading(int readers)
{
    // Qt takes the first thread that makes use of it for the application's
    // main thread. Make sure that is this one, not the loading thread, even
    // when no application object exists yet.
    QThread::currentThread();
    if (!m_loading.valid())
        m_loading = std::async(std::launch::async, [folder = m_folder, readers] {
            // The window's thread and the X server come first: on two cores
            // the reading would otherwise slow the building of the window
            // more than it gains. Linux gives each thread its own niceness.
            errno = 0;
            const int nice = ::getpriority(PRIO_PROCESS, 0);
            if (errno == 0)
                ::setpriority(PRIO_PROCESS, 0, std::min(nice + 5, 19));
            return readFiles(folder, readers);
        });
}

NotebookFiles::LoadedFiles NotebookFiles::takeLoaded()
{
    return m_loading.valid() ? m_loading.get() : readFiles(m_folder, defaultReaders());
}

int NotebookFiles::defaultReaders()
{
    return QThread::idealThreadCount() >= 4 ? 2 : 1;
}

void NotebookFiles::adopt(LoadedFiles &files, StartupReport &report)
{
    for (const Loaded *l : {&files.ini, &files.dat, &files.cat, &files.key}) {
        if (!l->exists)
            continue;
        if (!l->valid)
            keepAside(l->name, l->bytes, report);
        m_spellings.insert(l->spellings);
        if (l != &files.dat) // the haiku are remembered as records
            remember(l->name, l->bytes);
    }
    if (files.dat.exists)
        remember(DataFiles::haikuFile, {}, files.dat.hash);
}

bool NotebookFiles::memoFolderInside() const
{
    const SafeFile::Kind kind = SafeFile::kindAt(path(DataFiles::memoFolder), m_folder);
    return kind != SafeFile::Kind::LinkOutside && kind != SafeFile::Kind::LinkBroken;
}

std::optional<StoreProblem> NotebookFiles::makeMemoFolder() const
{
    const QString memoDir = path(DataFiles::memoFolder);
    if (SafeFile::makePrivateFolder(memoDir))
        return std::nullopt;
    return StoreProblem{StoreProblem::Kind::Folder, DataFiles::memoFolder,
                        QStringLiteral("フォルダ「%1」を作れませんでした。").arg(memoDir)};
}

void NotebookFiles::remember(const QString &fileName, const QByteArray &bytes,
                             std::optional<std::size_t> hash)
{
    const QFileInfo info(path(fileName));
    OnDisk known{std::nullopt, info.lastModified(), info.size(), hash ? *hash : hashOf(bytes)};
    // The haiku file's bytes are not kept: the notebook says when its haiku change.
    if (fileName != DataFiles::haikuFile)
        known.bytes = bytes;
    m_onDisk.insert(fileName, known);
}

bool NotebookFiles::untouchedSince(const OnDisk &known, const QString &fileName) const
{
    const QFileInfo info(path(fileName));
    return info.exists() && info.size() == known.size && info.lastModified() == known.modified;
}

bool NotebookFiles::alreadyOnDisk(const QString &fileName, const QByteArray &bytes) const
{
    const auto known = m_onDisk.constFind(fileName);
    return known != m_onDisk.constEnd() && known->bytes && *known->bytes == bytes &&
           untouchedSince(*known, fileName);
}

std::optional<StoreProblem> NotebookFiles::writeHaiku(const std::vector<Haiku_record> &records, bool changed,
                                                      History::When keep)
{
    // Haiku that have not changed since the file was read or written are not
    // encoded again, unless someone else has touched the file meanwhile.
    const auto known = m_onDisk.constFind(DataFiles::haikuFile);
    if (!changed && known != m_onDisk.constEnd() && untouchedSince(*known, DataFiles::haikuFile))
        return std::nullopt;
    m_historyKeep = keep;
    // Encoded record by record: no list of 210 000 lines on the way.
    LineEncoder encoder(m_spellings, qsizetype(records.size()) * 100);
    DataFiles::forEachHaikuLine(records, [&encoder](const QString &line) { encoder.append(line); });
    auto problem = writeEncoded(DataFiles::haikuFile, encoder.finish(), [&records](qsizetype i) {
        return records[std::size_t(i / kRecordLines + 1)].*kRecordFields[i % kRecordLines];
    });
    m_historyKeep = History::When::FirstOfTheDay;
    return problem;
}

bool NotebookFiles::canEncode(const QString &text) const
{
    return TextLines::encodeLines({text}, m_spellings).ok();
}

void NotebookFiles::keepAside(const QString &fileName, const QByteArray &bytes, StartupReport &report)
{
    // One copy of the file as it was found, under the first free name; a copy
    // already made of these very bytes is not made again.
    QString backupName;
    for (int n = 1;; ++n) {
        backupName = fileName + (n == 1 ? QStringLiteral(".bak") : QStringLiteral(".bak%1").arg(n));
        const SafeFile::Read existing = SafeFile::read(path(backupName), m_folder);
        if (existing.kind == SafeFile::Kind::Missing)
            break;
        if (existing.ok() && existing.bytes == bytes)
            return;
    }
    if (auto problem = writeBytes(backupName, bytes)) {
        report.problems.append(*problem);
        return;
    }
    report.notices.append(
        QStringLiteral(
            "「%1」にシフトJISとして読めない文字が含まれていたため、元のファイルを「%2」として残しました。")
            .arg(fileName, backupName));
}

std::optional<StoreProblem> NotebookFiles::writeBytes(const QString &fileName, const QByteArray &bytes)
{
    if (alreadyOnDisk(fileName, bytes))
        return std::nullopt;
    if (isNotebookFile(fileName)) {
        bool alreadyThere = false;
        if (auto conflict = keepTheirs(fileName, bytes, alreadyThere))
            return conflict;
        // Rewriting the same bytes would only give a sync program a change to
        // carry back to the other computer, to clash with its next save there.
        if (alreadyThere)
            return std::nullopt;
    }
    // The haiku file about to be replaced is kept first.
    History::Kept kept;
    if (fileName == DataFiles::haikuFile) {
        kept = m_history.keep(m_historyKeep);
        // The daily copy never stops a save; a deletion's or a restore's does.
        if (kept.problem && m_historyKeep == History::When::Always)
            return kept.problem;
    }
    // Written beside the old file and renamed over it: a crash or a full disk
    // leaves the previous file whole. No fallback to writing in place.
    const AtomicFile::Result written =
        AtomicFile::writePrivate(path(fileName), bytes, linksInside(m_folder, fileName));
    if (!written.ok()) {
        m_history.forget(kept.fileName);
        return StoreProblem{fileName, writeFailure(fileName, written)};
    }
    if (isNotebookFile(fileName))
        remember(fileName, bytes);
    return std::nullopt;
}

std::optional<StoreProblem> NotebookFiles::keepTheirs(const QString &fileName, const QByteArray &bytes,
                                                      bool &alreadyThere)
{
    alreadyThere = false;
    const SafeFile::Read found = SafeFile::read(path(fileName), linksInside(m_folder, fileName));
    if (!found.ok())
        return std::nullopt; // nothing there to lose; or the write itself will say what is wrong
    const QByteArray &disk = found.bytes;
    if (disk == bytes) {
        // Only its time was touched, or both computers made the same change.
        remember(fileName, bytes);
        alreadyThere = true;
        return std::nullopt;
    }
    const auto known = m_onDisk.constFind(fileName);
    if (known != m_onDisk.constEnd() && known->hash == hashOf(disk))
        return std::nullopt; // as we left it: ours to replace

    // Changed behind our back, most likely by a sync program bringing another
    // computer's notebook: theirs stays, ours goes beside it, once.
    const std::size_t ours = hashOf(bytes);
    QString aside = m_savedAsideName.value(fileName);
    if (m_savedAside.value(fileName) != ours || aside.isEmpty() || !QFileInfo::exists(path(aside))) {
        const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        aside = fileName + QStringLiteral(".conflict-") + stamp;
        for (int n = 2; QFileInfo::exists(path(aside)); ++n)
            aside = fileName + QStringLiteral(".conflict-%1-%2").arg(stamp).arg(n);
        const AtomicFile::Result written =
            AtomicFile::writePrivate(path(aside), bytes, linksInside(m_folder, aside));
        if (!written.ok()) {
            return StoreProblem{
                fileName,
                QStringLiteral(
                    "「%1」は、読み込んだ後でほかのパソコンか別のプログラムによって書き換えられていたため、"
                    "上書きしませんでした。\n"
                    "このパソコンの内容を「%2」に保存しようとしましたが、できませんでした。\n%3")
                    .arg(fileName, aside, AtomicFile::cause(written.error)),
                {}};
        }
        m_savedAside.insert(fileName, ours);
        m_savedAsideName.insert(fileName, aside);
    }
    return StoreProblem{fileName,
                        QStringLiteral("「%1」は、読み込んだ後でほかのパソコンか別のプログラムによって"
                                       "書き換えられていました。\n"
                                       "どちらの内容も失わないように、\n"
                                       "・「%1」には、書き換えられた内容をそのまま残しました。\n"
                                       "・このパソコンの内容は「%2」に保存しました。")
                            .arg(fileName, aside),
                        aside};
}

std::vector<std::pair<QString, qint64>> NotebookFiles::findTemporaries(const QString &folder)
{
    // ".haiku.dat.yurimoka-PID-N": see AtomicFile. The memo folder may hold
    // tens of thousands of names, so it is read with readdir, without a
    // QFileInfo for each.
    static const QRegularExpression temporary(QStringLiteral("^\\..+\\.yurimoka-(\\d+)-\\d+$"));
    std::vector<std::pair<QString, qint64>> found;
    for (const QString &sub : {QString(), DataFiles::memoFolder + u'/', History::folderName + u'/'}) {
        const QByteArray dirPath = QFile::encodeName(folder + sub);
        DIR *dir = ::opendir(dirPath.constData());
        if (!dir)
            continue;
        while (const dirent *e = ::readdir(dir)) {
            if (e->d_name[0] != '.' || !std::strstr(e->d_name, ".yurimoka-"))
                continue;
            const QString name = QFile::decodeName(e->d_name);
            const QRegularExpressionMatch m = temporary.match(name);
            if (m.hasMatch())
                found.emplace_back(folder + sub + name, m.captured(1).toLongLong());
        }
        ::closedir(dir);
    }
    return found;
}

void NotebookFiles::removeLeftoverTemporariesLater()
{
    if (m_removingLeftovers.valid())
        return;
    m_removingLeftovers = std::async(std::launch::async, [folder = m_folder] {
        // The window comes first. Linux gives each thread its own niceness.
        ::setpriority(PRIO_PROCESS, 0, 19);
        removeLeftoverTemporaries(folder);
    });
}

void NotebookFiles::waitForLeftoverRemoval()
{
    if (m_removingLeftovers.valid())
        m_removingLeftovers.wait();
}

void NotebookFiles::removeLeftoverTemporaries(const QString &folder)
{
    // Only a file whose process is no longer running is taken away; a
    // running save keeps its own, and so does a save of this process, whose
    // names carry its own number. A folder entry that is not a plain file
    // is left alone.
    for (const auto &[path, pid] : findTemporaries(folder)) {
        if (pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH && QFileInfo(path).isFile())
            QFile::remove(path);
    }
}

void NotebookFiles::findConflictCopies(const QString &folder, LoadedFiles &files)
{
    // Copies a sync program made when both computers changed the haiku file
    // (Syncthing's and Dropbox's names), and ours; files only, the names
    // matched regardless of case.
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return;
    const QByteArray dat = QFile::encodeName(DataFiles::haikuFile) + ".conflict-*";
    while (const dirent *e = ::readdir(dir)) {
        const bool sync = ::fnmatch("haiku*sync-conflict*", e->d_name, FNM_CASEFOLD) == 0 ||
                          ::fnmatch("haiku*conflicted copy*", e->d_name, FNM_CASEFOLD) == 0;
        const bool ours = !sync && ::fnmatch(dat.constData(), e->d_name, FNM_CASEFOLD) == 0;
        if (!sync && !ours)
            continue;
        const QString name = QFile::decodeName(e->d_name);
        if (!QFileInfo(folder + name).isFile())
            continue;
        (sync ? files.syncCopies : files.ourCopies).append(name);
    }
    ::closedir(dir);
    for (QStringList *names : {&files.syncCopies, &files.ourCopies}) {
        std::sort(names->begin(), names->end(),
                  [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    }
}

void NotebookFiles::noteSyncConflicts(const LoadedFiles &files, StartupReport &report)
{
    // A sync program's copies hold haiku that one computer wrote and the
    // other never saw.
    for (const QString &copy : files.syncCopies) {
        report.notices.append(
            QStringLiteral(
                "フォルダに「%1」があります。\n"
                "同期ソフトが作った「haiku.dat」の別の版で、もう一台のパソコンで書いた句が入っているかもしれません。\n"
                "【ユリモカ】は「haiku.dat」だけを読み込みました。")
                .arg(copy));
    }
    // Our own copies, made when a save found the haiku file changed by the
    // other computer: on either computer the poet should hear of them.
    for (const QString &copy : files.ourCopies) {
        report.notices.append(QStringLiteral("フォルダに「%1」があります。\n"
                                             "「haiku.dat」が別のパソコンで書き換えられていたときに、"
                                             "こちらの内容を残したものです。\n"
                                             "必要な句があれば書き写してから、このファイルを削除して下さい。")
                                  .arg(copy));
    }
}

std::optional<StoreProblem> NotebookFiles::writeLines(const QString &fileName, const QStringList &lines)
{
    return writeEncoded(fileName, TextLines::encodeLines(lines, m_spellings),
                        [&lines](qsizetype i) { return lines[i]; });
}

std::optional<StoreProblem> NotebookFiles::writeEncoded(const QString &fileName, const EncodedLines &e,
                                                        const std::function<QString(qsizetype)> &lineAt)
{
    if (!e.ok()) {
        return StoreProblem{
            fileName, QStringLiteral("「%1」を保存できませんでした。\n%2行目に、シフトJISで保存できない文字%"
                                     "3があります。%4\n元のファイルはそのまま残っています。")
                          .arg(fileName, QString::number(e.badLine + 1),
                               Cp932::describeCharacter(lineAt(e.badLine), e.badPos),
                               Cp932::twinAdvice(lineAt(e.badLine), e.badPos))};
    }
    return writeBytes(fileName, e.bytes);
}

QString NotebookFiles::memoName(qint64 memo_no)
{
    return DataFiles::memoFolder + QLatin1Char('/') + DataFiles::memoFileName(memo_no);
}

bool NotebookFiles::memoExists(qint64 memo_no) const
{
    // A link to nothing is there too: its number is not free.
    return SafeFile::kindAt(memoPath(memo_no)) != SafeFile::Kind::Missing;
}

MemoFile NotebookFiles::readMemo(qint64 memo_no)
{
    QByteArray bytes;
    MemoFile memo = readMemoBytes(memo_no, &bytes);
    // What was read is what a correction may replace without asking.
    if (memo.state == MemoFile::State::Read)
        remember(memoName(memo_no), bytes);
    return memo;
}

MemoFile NotebookFiles::peekMemo(qint64 memo_no) const
{
    return readMemoBytes(memo_no, nullptr);
}

MemoFile NotebookFiles::readMemoBytes(qint64 memo_no, QByteArray *bytesRead) const
{
    const QString name = memoName(memo_no);
    // Never through a link, and never a FIFO or a device: either is a memo
    // that cannot be read, shown as empty and refused for correction.
    const SafeFile::Read file = SafeFile::read(path(name));
    if (file.kind == SafeFile::Kind::Missing)
        return {MemoFile::State::Missing, {}, {}};
    if (!file.ok()) {
        return {MemoFile::State::Unreadable,
                {},
                QStringLiteral("メモのファイル「%1」を読み込めませんでした。\n%2")
                    .arg(name, SafeFile::cause(file))};
    }
    if (bytesRead)
        *bytesRead = file.bytes;
    return {MemoFile::State::Read, DataFiles::memoFromFile(Cp932::decode(file.bytes).text), {}};
}

std::optional<StoreProblem> NotebookFiles::writeMemo(qint64 memo_no, const QString &memo)
{
    const QString name = memoName(memo_no);
    const QString text = DataFiles::memoToFile(memo);
    const Cp932::Encoded e = Cp932::encode(text);
    if (!e.ok()) {
        return StoreProblem{
            StoreProblem::Kind::Unstorable, name,
            QStringLiteral("メモにシフトJISで保存できない文字%1があります。%2")
                .arg(Cp932::describeCharacter(text, e.errorPos), Cp932::twinAdvice(text, e.errorPos))};
    }
    auto problem = writeBytes(name, e.bytes);
    if (problem && problem->kind == StoreProblem::Kind::Write)
        problem->kind = StoreProblem::Kind::MemoWrite;
    if (problem)
        m_unsavedMemos.insert(memo_no, memo);
    else
        m_unsavedMemos.remove(memo_no);
    return problem;
}

QList<StoreProblem> NotebookFiles::writeUnsavedMemos()
{
    QList<StoreProblem> problems;
    const QMap<qint64, QString> memos = m_unsavedMemos;
    for (auto it = memos.begin(); it != memos.end(); ++it) {
        if (auto p = writeMemo(it.key(), it.value()))
            problems.append(*p);
    }
    return problems;
}

namespace {

StoreProblem notDeleted(const QString &name, int error)
{
    return StoreProblem{
        StoreProblem::Kind::MemoDelete, name,
        QStringLiteral("「%1」を削除できませんでした。\n%2").arg(name, AtomicFile::cause(error))};
}

} // namespace

std::optional<StoreProblem> NotebookFiles::memoUndeletable(qint64 memo_no) const
{
    const QFileInfo memo(memoPath(memo_no));
    const SafeFile::Kind kind = SafeFile::kindAt(memo.filePath());
    if (kind == SafeFile::Kind::Missing)
        return std::nullopt;
    if (kind == SafeFile::Kind::Folder)
        return notDeleted(memoName(memo_no), EISDIR);
    if (::access(QFile::encodeName(memo.absolutePath()).constData(), W_OK | X_OK) != 0)
        return notDeleted(memoName(memo_no), errno);
    return std::nullopt;
}

QString NotebookFiles::companionName(qint64 memo_no)
{
    return QStringLiteral("memo2/m2") + DataFiles::memoFileName(memo_no).mid(2);
}

std::optional<StoreProblem> NotebookFiles::memoUnmovable(qint64 memo_no, int trashUnusable) const
{
    if (auto p = memoUndeletable(memo_no))
        return p;
    if (trashUnusable != 0 && (memoExists(memo_no) || QFileInfo(memoPath(memo_no)).isSymLink()))
        return Trash::notMoved(memoName(memo_no), trashUnusable);
    return std::nullopt;
}

std::optional<StoreProblem> NotebookFiles::trashMemo(qint64 memo_no)
{
    const QString name = memoName(memo_no);
    m_unsavedMemos.remove(memo_no);
    if (auto p = m_trash.take(name))
        return p;
    m_onDisk.remove(name);
    // The companion goes with it; it is nothing the notebook reads.
    m_trash.take(companionName(memo_no));
    return std::nullopt;
}
