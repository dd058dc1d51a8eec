#include "store/Notebook.h"

#include "store/AtomicFile.h"
#include "store/Cp932.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <numeric>
#include <signal.h>

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

std::size_t hashOf(QByteArrayView bytes)
{
    return qHashBits(bytes.data(), std::size_t(bytes.size()), 0x59554d4f);
}

QString writeFailure(const QString &fileName, const AtomicFile::Result &r)
{
    return QStringLiteral("「%1」を保存できませんでした。\n%2\n%3")
        .arg(fileName, AtomicFile::cause(r.error),
             r.existed ? QStringLiteral("元のファイルはそのまま残っています。")
                       : QStringLiteral("ファイルは作られていません。"));
}

} // namespace

Notebook::Notebook(const QString &folder) : app_folder(folder)
{
    if (!app_folder.endsWith(QLatin1Char('/')))
        app_folder += QLatin1Char('/');
}

QString Notebook::memoPath(qint64 memo_no) const
{
    return app_folder + DataFiles::memoFolder + QLatin1Char('/') + DataFiles::memoFileName(memo_no);
}

Notebook::Loaded Notebook::load(const QString &folder, const QString &fileName, bool decode)
{
    Loaded result;
    result.name = fileName;
    QFile f(folder + fileName);
    if (!f.exists())
        return result;
    result.exists = true;
    if (!f.open(QIODevice::ReadOnly)) {
        result.error = QStringLiteral("「%1」を読み込めませんでした。（%2）").arg(fileName, f.errorString());
        return result;
    }
    result.bytes = f.readAll();
    result.hash = hashOf(result.bytes);
    if (f.error() != QFileDevice::NoError) {
        result.error = QStringLiteral("「%1」を読み込めませんでした。（%2）").arg(fileName, f.errorString());
        return result;
    }
    if (decode) {
        DecodedFile decoded = TextLines::decodeFile(result.bytes);
        result.valid = decoded.valid;
        result.spellings = std::move(decoded.spellings);
        result.text = std::move(decoded.text);
    }
    return result;
}

void Notebook::readHaiku(LoadedFiles &files)
{
    // A large file is read in two halves side by side, split where a record
    // begins. Each half also makes its copy of the records as read and finds
    // its largest memo number, so the window's thread has nothing left to do.
    Loaded &dat = files.dat;
    const QByteArrayView bytes(dat.bytes);
    const qsizetype middle = TextLines::middleGroupStart(bytes, kRecordLines);
    struct Half
    {
        DecodedFile decoded;
        std::vector<Haiku_record> records;
        std::vector<Haiku_record> asRead;
        std::size_t largest = 0;
    };
    auto readHalf = [](QByteArrayView part) {
        Half h{TextLines::decodeFile(part), {}, {}, 0};
        h.records = DataFiles::parseHaiku(h.decoded.text);
        h.asRead = h.records;
        h.largest = largestMemoNo(h.records);
        return h;
    };
    std::future<Half> second;
    if (middle > 0)
        second = std::async(std::launch::async, readHalf, bytes.sliced(middle));
    Half first = readHalf(middle > 0 ? bytes.first(middle) : bytes);
    dat.valid = first.decoded.valid;
    dat.spellings = std::move(first.decoded.spellings);
    files.haiku = std::move(first.records);
    files.haikuAsRead = std::move(first.asRead);
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
        append(files.haikuAsRead, h.asRead);
    }
}

Notebook::LoadedFiles Notebook::readFiles(const QString &folder)
{
    LoadedFiles files;
    files.ini = load(folder, DataFiles::settingsFile);
    files.dat = load(folder, DataFiles::haikuFile, false);
    files.cat = load(folder, DataFiles::categoryFile);
    files.key = load(folder, DataFiles::keywordFile);
    if (files.dat.exists && files.dat.error.isEmpty())
        readHaiku(files);
    return files;
}

void Notebook::beginLoading()
{
    // Qt takes the first thread that makes use of it for the application's
    // main thread. Make sure that is this one, not the loading thread, even
    // when no application object exists yet.
    QThread::currentThread();
    if (!m_loading.valid())
        m_loading = std::async(std::launch::async, &Notebook::readFiles, app_folder);
}

void Notebook::remember(const QString &fileName, const QByteArray &bytes, std::vector<Haiku_record> *snapshot,
                        std::optional<std::size_t> hash)
{
    const QFileInfo info(path(fileName));
    OnDisk known{std::nullopt, info.lastModified(), info.size(), hash ? *hash : hashOf(bytes)};
    if (fileName == DataFiles::haikuFile)
        m_savedHaiku = snapshot ? std::move(*snapshot) : haiku_list;
    else
        known.bytes = bytes;
    m_onDisk.insert(fileName, known);
}

bool Notebook::untouchedSince(const OnDisk &known, const QString &fileName) const
{
    const QFileInfo info(path(fileName));
    return info.exists() && info.size() == known.size && info.lastModified() == known.modified;
}

bool Notebook::alreadyOnDisk(const QString &fileName, const QByteArray &bytes) const
{
    const auto known = m_onDisk.constFind(fileName);
    return known != m_onDisk.constEnd() && known->bytes && *known->bytes == bytes &&
           untouchedSince(*known, fileName);
}

bool Notebook::haikuAlreadyOnDisk() const
{
    const auto known = m_onDisk.constFind(DataFiles::haikuFile);
    if (known == m_onDisk.constEnd() || !m_savedHaiku || m_savedHaiku->size() != haiku_list.size())
        return false;
    auto same = [](const QString &a, const QString &b) {
        return a.constData() == b.constData() && a.size() == b.size();
    };
    for (std::size_t i = 1; i < haiku_list.size(); ++i) {
        const Haiku_record &a = haiku_list[i];
        const Haiku_record &b = (*m_savedHaiku)[i];
        if (!same(a.date_text, b.date_text) || !same(a.category, b.category) || !same(a.poem, b.poem) ||
            !same(a.memo_no, b.memo_no) || !same(a.created_stamp, b.created_stamp) ||
            !same(a.updated_stamp, b.updated_stamp) || !same(a.locked, b.locked))
            return false;
    }
    return untouchedSince(*known, DataFiles::haikuFile);
}

void Notebook::keepAside(const QString &fileName, const QByteArray &bytes, StartupReport &report)
{
    // One copy of the file as it was found, under the first free name; a copy
    // already made of these very bytes is not made again.
    QString backupName;
    for (int n = 1;; ++n) {
        backupName = fileName + (n == 1 ? QStringLiteral(".bak") : QStringLiteral(".bak%1").arg(n));
        QFile existing(path(backupName));
        if (!existing.exists())
            break;
        if (existing.open(QIODevice::ReadOnly) && existing.readAll() == bytes)
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

std::optional<StoreProblem> Notebook::writeBytes(const QString &fileName, const QByteArray &bytes)
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
    // Written beside the old file and renamed over it: a crash or a full disk
    // leaves the previous file whole. No fallback to writing in place.
    const AtomicFile::Result written = AtomicFile::write(path(fileName), bytes);
    if (!written.ok())
        return StoreProblem{fileName, writeFailure(fileName, written)};
    if (isNotebookFile(fileName))
        remember(fileName, bytes);
    return std::nullopt;
}

std::optional<StoreProblem> Notebook::keepTheirs(const QString &fileName, const QByteArray &bytes,
                                                 bool &alreadyThere)
{
    alreadyThere = false;
    QFile f(path(fileName));
    if (!f.exists() || !f.open(QIODevice::ReadOnly))
        return std::nullopt; // nothing there to lose; or the write itself will say what is wrong
    const QByteArray disk = f.readAll();
    f.close();
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
        const AtomicFile::Result written = AtomicFile::write(path(aside), bytes);
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

void Notebook::removeLeftoverTemporaries() const
{
    // ".haiku.dat.yurimoka-PID-N": see AtomicFile. Only a file whose process
    // is no longer running is taken away; a running save keeps its own.
    static const QRegularExpression temporary(QStringLiteral("^\\..+\\.yurimoka-(\\d+)-\\d+$"));
    for (const QString &folder : {app_folder, path(DataFiles::memoFolder)}) {
        const QDir dir(folder);
        for (const QString &name :
             dir.entryList({QStringLiteral(".*.yurimoka-*")}, QDir::Files | QDir::Hidden)) {
            const QRegularExpressionMatch m = temporary.match(name);
            if (!m.hasMatch())
                continue;
            const qint64 pid = m.captured(1).toLongLong();
            if (pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
                QFile::remove(dir.filePath(name));
        }
    }
}

void Notebook::noteSyncConflicts(StartupReport &report) const
{
    // Copies a sync program made when both computers changed the haiku file:
    // they hold haiku that one computer wrote and the other never saw.
    const QStringList copies =
        QDir(app_folder)
            .entryList({QStringLiteral("haiku*sync-conflict*"), QStringLiteral("haiku*conflicted copy*")},
                       QDir::Files);
    for (const QString &copy : copies) {
        report.notices.append(
            QStringLiteral(
                "フォルダに「%1」があります。\n"
                "同期ソフトが作った「haiku.dat」の別の版で、もう一台のパソコンで書いた句が入っているかもしれません。\n"
                "【ユリモカ】は「haiku.dat」だけを読み込みました。")
                .arg(copy));
    }
    // Our own copies, made when a save found the haiku file changed by the
    // other computer: on either computer the poet should hear of them.
    const QStringList ours =
        QDir(app_folder).entryList({DataFiles::haikuFile + QStringLiteral(".conflict-*")}, QDir::Files);
    for (const QString &copy : ours) {
        report.notices.append(QStringLiteral("フォルダに「%1」があります。\n"
                                             "「haiku.dat」が別のパソコンで書き換えられていたときに、"
                                             "こちらの内容を残したものです。\n"
                                             "必要な句があれば書き写してから、このファイルを削除して下さい。")
                                  .arg(copy));
    }
}

std::optional<StoreProblem> Notebook::writeLines(const QString &fileName, const QStringList &lines)
{
    return writeEncoded(fileName, TextLines::encodeLines(lines, m_spellings),
                        [&lines](qsizetype i) { return lines[i]; });
}

std::optional<StoreProblem> Notebook::writeEncoded(const QString &fileName, const EncodedLines &e,
                                                   const std::function<QString(qsizetype)> &lineAt)
{
    if (!e.ok()) {
        return StoreProblem{
            fileName, QStringLiteral("「%1」を保存できませんでした。\n%2行目に、シフトJISで保存できない文字%"
                                     "3があります。\n元のファイルはそのまま残っています。")
                          .arg(fileName)
                          .arg(e.badLine + 1)
                          .arg(Cp932::describeCharacter(lineAt(e.badLine), e.badPos))};
    }
    return writeBytes(fileName, e.bytes);
}

std::optional<StoreProblem> Notebook::writeSettings()
{
    return writeLines(DataFiles::settingsFile, DataFiles::settingsLines(settings));
}

std::optional<StoreProblem> Notebook::writeHaiku()
{
    if (haikuAlreadyOnDisk())
        return std::nullopt;
    // Encoded record by record: no list of 210 000 lines on the way.
    LineEncoder encoder(m_spellings, qsizetype(haiku_list.size()) * 100);
    DataFiles::forEachHaikuLine(haiku_list, [&encoder](const QString &line) { encoder.append(line); });
    return writeEncoded(DataFiles::haikuFile, encoder.finish(), [this](qsizetype i) {
        const Haiku_record &r = haiku_list[std::size_t(i / kRecordLines + 1)];
        const QString *fields[kRecordLines] = {&r.date_text,     &r.category,      &r.poem,  &r.memo_no,
                                               &r.created_stamp, &r.updated_stamp, &r.locked};
        return *fields[i % kRecordLines];
    });
}

std::optional<StoreProblem> Notebook::writeCategories()
{
    QStringList lines;
    lines.reserve(category_count());
    for (std::size_t i = 1; i < category_list.size(); ++i)
        lines.append(category_list[i]);
    return writeLines(DataFiles::categoryFile, lines);
}

std::optional<StoreProblem> Notebook::writeKeywords()
{
    // A keyword the file cannot hold (a character outside the code page, a
    // line break) has done its searching; its slot is written empty, so the
    // history never stops a save nor reaches the file altered.
    auto storable = [this](const QString &k) {
        return !k.contains(u'\r') && !k.contains(u'\n') && TextLines::encodeLines({k}, m_spellings).ok();
    };
    QStringList lines;
    for (int i = 0; i < kKeywordSlots; ++i) {
        const QString &k = keyword_list[std::size_t(i)];
        lines.append(storable(k) ? k : QString());
    }
    lines += m_keywordExtra;
    return writeLines(DataFiles::keywordFile, lines);
}

QList<StoreProblem> Notebook::saveAll()
{
    QList<StoreProblem> problems;
    for (auto write : {&Notebook::writeSettings, &Notebook::writeHaiku, &Notebook::writeCategories,
                       &Notebook::writeKeywords}) {
        if (auto p = (this->*write)())
            problems.append(*p);
    }
    const QMap<qint64, QString> memos = m_unsavedMemos;
    for (auto it = memos.begin(); it != memos.end(); ++it) {
        if (auto p = writeMemo(it.key(), it.value()))
            problems.append(*p);
    }
    return problems;
}

QString Notebook::describe(const QList<StoreProblem> &problems)
{
    QStringList parts;
    for (const StoreProblem &p : problems)
        parts.append(p.message);
    parts.append(stillHeld);
    return parts.join(QStringLiteral("\n\n"));
}

QString Notebook::memoName(qint64 memo_no)
{
    return DataFiles::memoFolder + QLatin1Char('/') + DataFiles::memoFileName(memo_no);
}

QString Notebook::readMemo(qint64 memo_no)
{
    return readMemoFile(memo_no).text;
}

Notebook::MemoFile Notebook::readMemoFile(qint64 memo_no)
{
    QByteArray bytes;
    MemoFile memo = readMemoBytes(memo_no, &bytes);
    // What was read is what a correction may replace without asking.
    if (memo.state == MemoFile::State::Read)
        remember(memoName(memo_no), bytes);
    return memo;
}

Notebook::MemoFile Notebook::readMemoBytes(qint64 memo_no, QByteArray *bytesRead) const
{
    const QString name = memoName(memo_no);
    const QString full = path(name);
    QFile f(full);
    if (!f.exists())
        return {MemoFile::State::Missing, {}, {}};
    QByteArray bytes;
    if (f.open(QIODevice::ReadOnly))
        bytes = f.readAll();
    if (!f.isOpen() || f.error() != QFileDevice::NoError) {
        const QFileInfo info(full);
        const QString why = info.isDir()         ? AtomicFile::cause(EISDIR)
                            : !info.isReadable() ? QStringLiteral("ファイルを読む権限がありません。")
                                                 : QStringLiteral("（%1）").arg(f.errorString());
        return {MemoFile::State::Unreadable,
                {},
                QStringLiteral("メモのファイル「%1」を読み込めませんでした。\n%2").arg(name, why)};
    }
    const QString text = DataFiles::memoFromFile(Cp932::decode(bytes).text);
    if (bytesRead)
        *bytesRead = std::move(bytes);
    return {MemoFile::State::Read, text, {}};
}

std::optional<StoreProblem> Notebook::writeMemo(qint64 memo_no, const QString &memo)
{
    const QString name = DataFiles::memoFolder + QLatin1Char('/') + DataFiles::memoFileName(memo_no);
    const QString text = DataFiles::memoToFile(memo);
    const Cp932::Encoded e = Cp932::encode(text);
    if (!e.ok()) {
        return StoreProblem{name, QStringLiteral("メモにシフトJISで保存できない文字%1があります。")
                                      .arg(Cp932::describeCharacter(text, e.errorPos))};
    }
    auto problem = writeBytes(name, e.bytes);
    if (problem)
        m_unsavedMemos.insert(memo_no, memo);
    else
        m_unsavedMemos.remove(memo_no);
    return problem;
}

std::size_t Notebook::largestMemoNo(const std::vector<Haiku_record> &list)
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

void Notebook::raiseLastMemoNo(std::size_t largest)
{
    // A lost or stale settings file must never lead to a memo number being
    // handed out twice. The number is taken as the haiku file writes it.
    if (largest > 0 && largest < haiku_list.size() &&
        DataFiles::memoNumber(haiku_list[largest].memo_no) > lastMemoNo())
        settings.last_memo_no = NumberText::fromText(haiku_list[largest].memo_no);
}

qint64 Notebook::lastMemoNo() const
{
    return DataFiles::memoNumber(settings.last_memo_no.text());
}

std::optional<qint64> Notebook::nextMemoNo() const
{
    const qint64 last = lastMemoNo();
    if (last >= DataFiles::kMemoNoLimit)
        return std::nullopt;
    return last + 1;
}

StartupReport Notebook::startUp(const Settings &defaults, const QDateTime &now)
{
    StartupReport report;
    auto note = [&report](std::optional<StoreProblem> p) {
        if (p)
            report.problems.append(*p);
    };

    // Read everything there is before writing anything, so that a file we
    // cannot read is never replaced.
    LoadedFiles files = m_loading.valid() ? m_loading.get() : readFiles(app_folder);
    const Loaded &ini = files.ini, &dat = files.dat, &cat = files.cat, &key = files.key;
    for (const Loaded *l : {&ini, &dat, &cat, &key}) {
        if (!l->error.isEmpty()) {
            report.fatal =
                l->error + QStringLiteral("\n句帳を守るため、何も書き込まずに【ユリモカ】を終了します。");
            return report;
        }
    }
    for (const Loaded *l : {&ini, &dat, &cat, &key}) {
        if (!l->exists)
            continue;
        if (!l->valid)
            keepAside(l->name, l->bytes, report);
        m_spellings.insert(l->spellings);
        if (l != &dat) // the haiku are remembered as records, below
            remember(l->name, l->bytes);
    }

    noteSyncConflicts(report);
    removeLeftoverTemporaries();

    const QString memoDir = path(DataFiles::memoFolder);
    if (!QFileInfo(memoDir).isDir() && !QDir().mkpath(memoDir)) {
        report.problems.append(
            {DataFiles::memoFolder, QStringLiteral("フォルダ「%1」を作れませんでした。").arg(memoDir)});
    }

    if (ini.exists) {
        settings = DataFiles::parseSettings(TextLines::splitLines(ini.text), defaults);
    } else {
        settings = defaults;
        note(writeSettings());
    }

    if (dat.exists) {
        haiku_list = std::move(files.haiku);
        remember(DataFiles::haikuFile, {}, &files.haikuAsRead, dat.hash);
    } else {
        // The welcome haiku, entered as any new haiku is; its stamps, both
        // of the one moment of the start, are written uncoded.
        haiku_list.assign(1, Haiku_record());
        const HaikuInput welcome{DataFiles::shortDate(now.date()), QStringLiteral("作者より"),
                                 QStringLiteral("【ユリモカ】ご利用のお礼"), false};
        const std::optional<qint64> memoNo = addHaikuAtHead(
            welcome, [&now] { return now; }, false);
        note(writeHaiku());
        if (memoNo)
            note(writeMemo(*memoNo, DataFiles::welcomeMemoLines().join(u'\n')));
    }
    raiseLastMemoNo(dat.exists ? files.largestMemoNo : largestMemoNo(haiku_list));

    category_list.assign(1, QString());
    const QStringList categories =
        cat.exists ? TextLines::splitLines(cat.text) : DataFiles::defaultCategories();
    category_list.insert(category_list.end(), categories.begin(), categories.end());
    if (!cat.exists)
        note(writeCategories());

    keyword_list = {};
    if (key.exists) {
        const auto keywords = DataFiles::parseKeywords(TextLines::splitLines(key.text), &m_keywordExtra);
        std::copy(keywords.begin(), keywords.end(), keyword_list.begin());
    } else {
        note(writeKeywords());
    }
    return report;
}

void Notebook::rebuildShown(const QString &category)
{
    rebuildShown(category, QString());
}

void Notebook::rebuildShown(const QString &category, const QString &keyword)
{
    const bool all = category == allCategories;
    const std::size_t n = haiku_list.size();
    m_shownIndex.assign(1, 0);
    if (all && keyword.isEmpty()) {
        m_shownIndex.resize(n);
        std::iota(m_shownIndex.begin() + 1, m_shownIndex.end(), 1);
    } else if (!keyword.isEmpty()) {
        findKeyword(category, keyword);
    } else {
        // Categories are shared strings, so most records carry one of a few
        // buffers: remember the verdict for the last buffer seen.
        const QChar *seen = nullptr;
        bool seenMatches = false;
        for (std::size_t i = 1; i < n; ++i) {
            const QString &c = haiku_list[i].category;
            if (c.constData() != seen || c.isEmpty()) {
                seen = c.constData();
                seenMatches = c == category;
            }
            if (seenMatches)
                m_shownIndex.push_back(int(i));
        }
    }
    shown_count = int(m_shownIndex.size()) - 1;
    m_shownIndex.push_back(0); // the empty last row holds no haiku

    const std::size_t rows = m_shownIndex.size();
    row_memo_no.assign(rows, 0);
    row_locked.assign(rows, QString());
    row_poem.assign(rows, QString());
    // The rows' memo numbers and poems lie all over memory: ask for them a
    // few rows ahead, so that a long list does not wait for each in turn.
    constexpr std::size_t ahead = 8;
    for (std::size_t r = 1; r + 1 < rows; ++r) {
        if (r + ahead + 1 < rows) {
            const Haiku_record &later = haiku_list[std::size_t(m_shownIndex[r + ahead])];
            __builtin_prefetch(later.memo_no.constData());
            __builtin_prefetch(later.poem.constData());
        }
        const Haiku_record &h = haiku_list[std::size_t(m_shownIndex[r])];
        row_memo_no[r] = DataFiles::memoNumber(h.memo_no);
        row_locked[r] = h.locked;
        row_poem[r] = h.poem;
    }
}

void Notebook::shownRecordInserted(int index)
{
    for (std::size_t r = 1; r < m_shownIndex.size(); ++r) {
        if (m_shownIndex[r] >= index)
            ++m_shownIndex[r];
    }
}

void Notebook::shownRecordChanged(int index)
{
    const Haiku_record &h = haiku_list[std::size_t(index)];
    for (std::size_t r = 1; r < m_shownIndex.size() && r < row_poem.size(); ++r) {
        if (m_shownIndex[r] == index) {
            row_memo_no[r] = DataFiles::memoNumber(h.memo_no);
            row_locked[r] = h.locked;
            row_poem[r] = h.poem;
        }
    }
}

void Notebook::keepShownRows(const std::function<bool(int index)> &keep, int removed)
{
    const std::size_t rows = m_shownIndex.size();
    if (rows < 2)
        return; // no list built yet
    row_memo_no.resize(std::max(row_memo_no.size(), rows));
    row_locked.resize(std::max(row_locked.size(), rows));
    row_poem.resize(std::max(row_poem.size(), rows));
    std::size_t out = 1;
    for (std::size_t r = 1; r < rows; ++r) {
        int i = m_shownIndex[r];
        if (i != 0 && !keep(i)) // 0: the empty last row, which always stays
            continue;
        if (removed != 0 && i > removed)
            --i;
        m_shownIndex[out] = i;
        row_memo_no[out] = row_memo_no[r];
        row_locked[out] = std::move(row_locked[r]);
        row_poem[out] = std::move(row_poem[r]);
        ++out;
    }
    m_shownIndex.resize(out);
    row_memo_no.resize(out);
    row_locked.resize(out);
    row_poem.resize(out);
    shown_count = int(out) - 2;
}

QString Notebook::unstorableReason(const QString &what, const QString &value, bool multiLine)
{
    const QString checked = multiLine ? DataFiles::memoToFile(value) : value;
    if (!multiLine) {
        for (QChar c : value) {
            if (c == u'\r' || c == u'\n')
                return QStringLiteral("%1に改行は入れられません。").arg(what);
        }
    }
    const Cp932::Encoded e = Cp932::encode(checked);
    if (e.ok())
        return {};
    return QStringLiteral(
               "%1に、シフトJISで保存できない文字%2が含まれています。その文字を別の文字に置き換えて下さい。")
        .arg(what, Cp932::describeCharacter(checked, e.errorPos));
}

std::optional<qint64> Notebook::addHaikuAtHead(const HaikuInput &in, const QDateTime &now)
{
    return addHaikuAtHead(in, [&now] { return now; });
}

std::optional<qint64> Notebook::addHaikuAtHead(const HaikuInput &in, const Clock &clock, bool codedStamps)
{
    const std::optional<qint64> memoNo = nextMemoNo();
    if (memoNo)
        putAtHead(in, *memoNo, clock, codedStamps);
    return memoNo;
}

void Notebook::putAtHead(const HaikuInput &in, qint64 memoNo, const Clock &clock, bool codedStamps)
{
    settings.last_memo_no.set(double(memoNo));
    const QString created = DataFiles::timeStamp(clock(), codedStamps);
    const QString updated = DataFiles::timeStamp(clock(), codedStamps);
    Haiku_record r{in.date_text,
                   in.category,
                   in.poem,
                   TextLines::formatNumber(double(memoNo)),
                   created,
                   updated,
                   in.locked ? lockedYes : QStringLiteral("NO")};
    // One block move: every record moves down a place.
    haiku_list.insert(haiku_list.begin() + 1, std::move(r));
    shownRecordInserted(1);
}

std::optional<qint64> Notebook::nextFreeMemoNo() const
{
    std::optional<qint64> memoNo = nextMemoNo();
    while (memoNo && QFileInfo::exists(memoPath(*memoNo)))
        memoNo = *memoNo < DataFiles::kMemoNoLimit ? std::optional<qint64>(*memoNo + 1) : std::nullopt;
    return memoNo;
}

Notebook::StoreResult Notebook::enterHaiku(const HaikuInput &in, const QString &memo, const Clock &clock)
{
    const std::optional<qint64> memoNo = nextFreeMemoNo();
    if (!memoNo) {
        return {0, StoreProblem{
                       DataFiles::memoFolder,
                       QStringLiteral("メモの番号をすべて使い切ったため、これ以上句を登録できません。")}};
    }
    if (auto problem = writeMemo(*memoNo, memo)) {
        forgetUnsavedMemo(*memoNo); // its haiku is not stored: nothing to write later
        return {0, problem};
    }
    putAtHead(in, *memoNo, clock, true);
    return {1, std::nullopt};
}

Notebook::StoreResult Notebook::correctHaikuWithMemo(int index, const HaikuInput &in, const QString &memo,
                                                     const Clock &clock)
{
    if (index < 1 || index > haiku_count())
        return {0, StoreProblem{DataFiles::haikuFile, QStringLiteral("訂正する句が句帳に見つかりません。")}};
    Haiku_record &r = haiku_list[std::size_t(index)];
    qint64 memoNo = DataFiles::memoNumber(r.memo_no);
    const bool newNumber = memoNo == 0;
    if (newNumber) {
        const std::optional<qint64> next = nextFreeMemoNo();
        if (!next) {
            return {0,
                    StoreProblem{DataFiles::memoFolder,
                                 QStringLiteral("メモの番号をすべて使い切ったため、メモを保存できません。")}};
        }
        memoNo = *next;
    }
    if (auto problem = writeMemo(memoNo, memo)) {
        forgetUnsavedMemo(memoNo); // the record stays as it was, so its memo does too
        return {0, problem};
    }
    if (newNumber) {
        settings.last_memo_no.set(double(memoNo));
        r.memo_no = TextLines::formatNumber(double(memoNo));
    }
    correctHaiku(index, in, clock());
    return {index, std::nullopt};
}

void Notebook::correctHaiku(int index, const HaikuInput &in, const QDateTime &now)
{
    if (index < 1 || index > haiku_count())
        return;
    Haiku_record &r = haiku_list[std::size_t(index)];
    // Only what really changed gets a new string, so that an unchanged
    // record is still seen as unchanged when the file is saved.
    auto keep = [](QString &field, const QString &value) {
        if (field != value)
            field = value;
    };
    keep(r.date_text, in.date_text);
    keep(r.category, in.category);
    keep(r.poem, in.poem);
    keep(r.locked, in.locked ? QStringLiteral("YES") : QStringLiteral("NO"));
    r.updated_stamp = DataFiles::timeStamp(now, true);
    shownRecordChanged(index);
}

bool Notebook::knowsCategory(const QString &name) const
{
    return std::find(category_list.begin() + std::min<std::size_t>(2, category_list.size()),
                     category_list.end(), name) != category_list.end();
}

std::optional<StoreProblem> Notebook::addCategory(const QString &name)
{
    category_list.push_back(name);
    return writeCategories();
}

void Notebook::swapCategories(int a, int b)
{
    if (a < 2 || b < 2 || a > category_count() || b > category_count())
        return;
    std::swap(category_list[std::size_t(a)], category_list[std::size_t(b)]);
}

void Notebook::removeCategory(int entry)
{
    if (entry < 2 || entry > category_count())
        return;
    category_list.erase(category_list.begin() + entry);
}

std::optional<StoreProblem> Notebook::deleteMemoFile(qint64 memo_no)
{
    const QString name = DataFiles::memoFolder + QLatin1Char('/') + DataFiles::memoFileName(memo_no);
    m_unsavedMemos.remove(memo_no);
    QFile f(path(name));
    if (f.exists() && !f.remove()) {
        const int error = errno;
        return StoreProblem{name, QStringLiteral("「%1」を削除できませんでした。\n%2")
                                      .arg(name, AtomicFile::cause(error ? error : EACCES))};
    }
    m_onDisk.remove(name);
    // An old companion file some notebooks still have.
    const QString digits = DataFiles::memoFileName(memo_no).mid(2);
    QFile::remove(path(QStringLiteral("memo2/m2") + digits));
    return std::nullopt;
}

QList<StoreProblem> Notebook::removeHaiku(int index)
{
    if (index < 1 || index > haiku_count())
        return {};
    const qint64 memoNo = DataFiles::memoNumber(haiku_list[std::size_t(index)].memo_no);
    if (memoNo != 0) {
        if (auto p = deleteMemoFile(memoNo))
            return {*p};
    }
    haiku_list.erase(haiku_list.begin() + index);
    keepShownRows([index](int i) { return i != index; }, index);
    if (auto p = writeHaiku())
        return {*p};
    return {};
}

QList<StoreProblem> Notebook::removeCategoryWithHaiku(int entry)
{
    if (entry < 2 || entry > category_count())
        return {};
    const QString category = category_list[std::size_t(entry)];
    QList<StoreProblem> problems;
    // One pass: the haiku that stay close up in their order.
    std::size_t kept = 1;
    for (std::size_t k = 1; k < haiku_list.size(); ++k) {
        bool drop = haiku_list[k].category == category;
        if (drop) {
            const qint64 memoNo = DataFiles::memoNumber(haiku_list[k].memo_no);
            if (memoNo != 0) {
                if (auto p = deleteMemoFile(memoNo)) {
                    problems.append(*p);
                    drop = false; // never a haiku without its memo, nor a memo without its haiku
                }
            }
        }
        if (!drop) {
            if (kept != k)
                haiku_list[kept] = std::move(haiku_list[k]);
            ++kept;
        }
    }
    haiku_list.resize(kept);
    removeCategory(entry);
    for (auto write : {&Notebook::writeHaiku, &Notebook::writeCategories}) {
        if (auto p = (this->*write)())
            problems.append(*p);
    }
    return problems;
}

// ---- The memo lock ------------------------------------------------------

bool Notebook::isRowLocked(int r) const
{
    return r >= 1 && r <= shown_count && std::size_t(r) < row_locked.size() &&
           row_locked[std::size_t(r)] == lockedYes;
}

bool Notebook::passwordMatches(const QString &typed) const
{
    return typed == settings.lock_password;
}

const QString &Notebook::passwordPromptAnswered(const QString &typed)
{
    pass_result = passwordMatches(typed) ? passYes : passNo;
    return pass_result;
}

QString Notebook::unstorablePassword(const QString &password)
{
    return unstorableReason(QStringLiteral("パスワード"), password, false);
}

QString Notebook::setLockPassword(const QString &password)
{
    QString reason = unstorablePassword(password);
    if (reason.isEmpty())
        settings.lock_password = password;
    return reason;
}

// ---- Finding and ordering: the keyword search, its history, 上へ / 下へ ----

void Notebook::rememberKeyword(const QString &keyword, int picked)
{
    // A typed keyword takes the place of the oldest slot, a picked one the
    // place of its own line; either way the slots in front of that place
    // move down one and the keyword goes in front.
    const int freed = picked >= 0 && picked < kKeywordSlots ? picked : kKeywordSlots - 1;
    const auto first = keyword_list.begin();
    std::rotate(first, first + freed, first + freed + 1);
    keyword_list[0] = keyword;
}

Notebook::Move Notebook::moveShownRow(int row, int step, const QString &category, const QString &keyword)
{
    Move result;
    const int neighbour = row + step;
    if (row < 1 || row > shown_count || neighbour < 1 || neighbour > shown_count)
        return result;
    const int j = m_shownIndex[std::size_t(row)];       // the haiku that moves
    const int k = m_shownIndex[std::size_t(neighbour)]; // the one it passes
    // The rows are built in notebook order; rows out of step with the
    // notebook move nothing rather than the wrong records.
    const int count = haiku_count();
    if (j < 1 || j > count || k < 1 || k > count || (step < 0 ? k >= j : k <= j))
        return result;

    // One rotation of the block between the two: the moving record takes the
    // neighbour's place and the records between shift by one together.
    if (step < 0)
        rotateRecords(std::size_t(k), std::size_t(j), std::size_t(j) + 1);
    else
        rotateRecords(std::size_t(j), std::size_t(j) + 1, std::size_t(k) + 1);
    result.moved = true;

    rebuildShown(category, keyword);
    // The moved haiku is record k now; rows are in notebook order.
    const auto rowsBegin = m_shownIndex.begin() + 1;
    const auto rowsEnd = rowsBegin + shown_count;
    const auto found = std::lower_bound(rowsBegin, rowsEnd, k);
    result.stillShown = found != rowsEnd && *found == k;
    result.row =
        result.stillShown ? int(found - m_shownIndex.begin()) : qBound(1, neighbour, qMax(1, shown_count));
    found_index = m_shownIndex[std::size_t(result.row)];
    return result;
}

void Notebook::rotateRecords(std::size_t first, std::size_t middle, std::size_t last)
{
    std::rotate(haiku_list.begin() + first, haiku_list.begin() + middle, haiku_list.begin() + last);
    // The poem index follows, so the next search need not build it again. An
    // index already out of step stays out of step and is built anew then.
    PoemIndex &index = m_poemIndex;
    if (index.poems.size() != haiku_list.size())
        return;
    std::vector<qsizetype> &start = index.start;
    QChar *text = index.text.data();
    std::rotate(text + start[first], text + start[middle], text + start[last]);
    std::rotate(index.poems.begin() + first, index.poems.begin() + middle, index.poems.begin() + last);
    for (std::size_t i = first + 1; i < last; ++i)
        start[i] = start[i - 1] + index.poems[i - 1].size() + 1;
}

Notebook::Move Notebook::moveUp(int row, const QString &category, const QString &keyword)
{
    return moveShownRow(row, -1, category, keyword);
}

Notebook::Move Notebook::moveDown(int row, const QString &category, const QString &keyword)
{
    return moveShownRow(row, +1, category, keyword);
}

bool Notebook::poemIndexCurrent() const
{
    const std::vector<QString> &poems = m_poemIndex.poems;
    if (poems.size() != haiku_list.size())
        return false;
    for (std::size_t i = 1; i < poems.size(); ++i) {
        const QString &now = haiku_list[i].poem;
        if (now.constData() != poems[i].constData() || now.size() != poems[i].size())
            return false;
    }
    return true;
}

void Notebook::buildPoemIndex()
{
    PoemIndex &index = m_poemIndex;
    const std::size_t n = haiku_list.size();
    index.poems.resize(n);
    index.start.resize(n + 1);
    qsizetype length = 0;
    for (std::size_t i = 1; i < n; ++i) {
        index.poems[i] = haiku_list[i].poem;
        length += index.poems[i].size() + 1;
    }
    index.text.clear();
    index.text.reserve(length);
    index.start[0] = 0;
    for (std::size_t i = 1; i < n; ++i) {
        index.start[i] = index.text.size();
        index.text += index.poems[i];
        index.text += u'\n';
    }
    index.start[n] = index.text.size();
}

void Notebook::findKeyword(const QString &category, const QString &keyword)
{
    if (!poemIndexCurrent())
        buildPoemIndex();
    const bool all = category == allCategories;
    const QStringView text(m_poemIndex.text);
    const std::vector<qsizetype> &start = m_poemIndex.start;
    const qsizetype k = keyword.size();
    std::size_t i = 1; // the poem being looked at
    qsizetype from = 0;
    for (qsizetype at; (at = text.indexOf(keyword, from, Qt::CaseSensitive)) >= 0;) {
        while (start[i + 1] <= at)
            ++i;
        const qsizetype poemEnd = start[i + 1] - 1; // its line end
        if (at + k > poemEnd) {
            // runs on into the next poem: only a keyword holding a line end can
            from = at + 1;
            continue;
        }
        if (all || haiku_list[i].category == category)
            m_shownIndex.push_back(int(i));
        from = start[i + 1];
        if (from >= text.size())
            break;
    }
}
