#include "store/Notebook.h"

#include "store/Cp932.h"

#include <algorithm>
#include <numeric>

namespace {

Notebook::StoreResult refused(StoreProblem problem)
{
    Notebook::StoreResult r;
    r.problem = std::move(problem);
    return r;
}

} // namespace

Notebook::Notebook(const QString &folder) : m_files(folder) {}

void Notebook::replaceContents(NotebookContents contents)
{
    m_data = std::move(contents);
    m_haikuChanged = true;
    if (m_data.haiku_list.empty())
        m_data.haiku_list.resize(1);
    if (m_data.category_list.empty())
        m_data.category_list.resize(1);
}

// ---- The rules --------------------------------------------------------------

bool Notebook::knowsCategory(const QString &name) const
{
    const auto &list = m_data.category_list;
    return std::find(list.begin() + std::min<std::size_t>(2, list.size()), list.end(), name) != list.end();
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
               "%1に、シフトJISで保存できない文字%2が含まれています。その文字を別の文字に置き換えて下さい。%3")
        .arg(what, Cp932::describeCharacter(checked, e.errorPos), Cp932::twinAdvice(checked, e.errorPos));
}

qint64 Notebook::lastMemoNo() const
{
    return DataFiles::memoNumber(m_data.settings.last_memo_no.text());
}

std::optional<qint64> Notebook::nextMemoNo() const
{
    const qint64 last = lastMemoNo();
    if (last >= DataFiles::kMemoNoLimit)
        return std::nullopt;
    return last + 1;
}

std::optional<qint64> Notebook::nextFreeMemoNo() const
{
    std::optional<qint64> memoNo = nextMemoNo();
    while (memoNo && m_files.memoExists(*memoNo))
        memoNo = *memoNo < DataFiles::kMemoNoLimit ? std::optional<qint64>(*memoNo + 1) : std::nullopt;
    return memoNo;
}

void Notebook::raiseLastMemoNo(std::size_t largest)
{
    // A lost or stale settings file must never lead to a memo number being
    // handed out twice. The number is taken as the haiku file writes it.
    const auto &list = m_data.haiku_list;
    if (largest > 0 && largest < list.size() && DataFiles::memoNumber(list[largest].memo_no) > lastMemoNo())
        m_data.settings.last_memo_no = NumberText::fromText(list[largest].memo_no);
}

// ---- Opening and saving -----------------------------------------------------

StartupReport Notebook::startUp(const Settings &defaults, const QDateTime &now)
{
    StartupReport report;
    auto note = [&report](std::optional<StoreProblem> p) {
        if (p)
            report.problems.append(*p);
    };

    // Read everything there is before writing anything, so that a file we
    // cannot read is never replaced.
    NotebookFiles::LoadedFiles files = m_files.takeLoaded();
    const QString stopping = QStringLiteral("\n句帳を守るため、何も書き込まずに【ユリモカ】を終了します。");
    for (const NotebookFiles::Loaded *l : {&files.ini, &files.dat, &files.cat, &files.key}) {
        if (!l->error.isEmpty()) {
            report.fatal = l->error + stopping;
            return report;
        }
    }
    // The memo folder, like a data file, may be a link into the notebook folder only.
    if (!m_files.memoFolderInside()) {
        report.fatal = QStringLiteral("フォルダ「%1」が、句帳のフォルダの外か、どこも指していない"
                                      "シンボリックリンクになっています。")
                           .arg(DataFiles::memoFolder) +
                       stopping;
        return report;
    }
    m_files.adopt(files, report);
    NotebookFiles::noteSyncConflicts(files, report);
    note(m_files.makeMemoFolder());

    const NotebookFiles::Loaded &ini = files.ini, &dat = files.dat, &cat = files.cat, &key = files.key;
    if (ini.exists) {
        m_data.settings = DataFiles::parseSettings(TextLines::splitLines(ini.text), defaults);
    } else {
        m_data.settings = defaults;
        note(writeSettings());
    }

    if (dat.exists) {
        m_data.haiku_list = std::move(files.haiku);
        m_haikuTexts = std::move(files.haikuTexts);
        // The last haiku keeps what was read of it; the file is written
        // again only once the notebook changes.
        if (const int lines = files.cutRecordLines) {
            report.notices.append(
                QStringLiteral("「%1」は句の途中で終わっています（最後の句は%2行のうち%3行だけでした）。\n"
                               "読めた部分は、そのまま最後の句として残しました。"
                               "句帳に手を加えるまで、ファイルは元のまま残ります。")
                    .arg(DataFiles::haikuFile, QString::number(kRecordLines), QString::number(lines)));
        }
        raiseLastMemoNo(files.largestMemoNo);
    } else {
        // The welcome haiku, entered as any new haiku is: under the next memo
        // number whose file is not there yet (a folder may still hold the
        // memos of a notebook whose haiku file was removed). Its stamps, both
        // of the one moment of the start, are written uncoded.
        m_data.haiku_list.assign(1, Haiku_record());
        const HaikuInput welcome{DataFiles::shortDate(now.date()), QStringLiteral("作者より"),
                                 QStringLiteral("【ユリモカ】ご利用のお礼"), false};
        if (const std::optional<qint64> memoNo = nextFreeMemoNo()) {
            putAtHead(
                welcome, *memoNo, [&now] { return now; }, false);
            note(writeHaiku());
            note(writeMemo(*memoNo, DataFiles::welcomeMemoLines().join(u'\n')));
            if (ini.exists || *memoNo != 1)
                note(writeSettings());
        }
    }

    m_data.category_list.assign(1, QString());
    const QStringList categories =
        cat.exists ? TextLines::splitLines(cat.text) : DataFiles::defaultCategories();
    m_data.category_list.insert(m_data.category_list.end(), categories.begin(), categories.end());
    if (!cat.exists)
        note(writeCategories());

    m_data.keyword_list = {};
    if (key.exists) {
        const auto keywords = DataFiles::parseKeywords(TextLines::splitLines(key.text), &m_keywordExtra);
        std::copy(keywords.begin(), keywords.end(), m_data.keyword_list.begin());
    } else {
        note(writeKeywords());
    }
    return report;
}

std::optional<StoreProblem> Notebook::writeSettings()
{
    return m_files.writeLines(DataFiles::settingsFile, DataFiles::settingsLines(m_data.settings));
}

std::optional<StoreProblem> Notebook::writeHaiku()
{
    auto problem = m_files.writeHaiku(m_data.haiku_list, m_haikuChanged);
    if (!problem)
        m_haikuChanged = false;
    return problem;
}

std::optional<StoreProblem> Notebook::writeCategories()
{
    QStringList lines;
    lines.reserve(category_count());
    for (std::size_t i = 1; i < m_data.category_list.size(); ++i)
        lines.append(m_data.category_list[i]);
    return m_files.writeLines(DataFiles::categoryFile, lines);
}

std::optional<StoreProblem> Notebook::writeKeywords()
{
    // A keyword the file cannot hold (a character outside the code page, a
    // line break) has done its searching; its slot is written empty, so the
    // history never stops a save nor reaches the file altered.
    auto storable = [this](const QString &k) {
        return !k.contains(u'\r') && !k.contains(u'\n') && m_files.canEncode(k);
    };
    QStringList lines;
    for (int i = 0; i < kKeywordSlots; ++i) {
        const QString &k = m_data.keyword_list[std::size_t(i)];
        lines.append(storable(k) ? k : QString());
    }
    lines += m_keywordExtra;
    return m_files.writeLines(DataFiles::keywordFile, lines);
}

QList<StoreProblem> Notebook::saveAll()
{
    QList<StoreProblem> problems;
    for (auto write : {&Notebook::writeSettings, &Notebook::writeHaiku, &Notebook::writeCategories,
                       &Notebook::writeKeywords}) {
        if (auto p = (this->*write)())
            problems.append(*p);
    }
    problems += m_files.writeUnsavedMemos();
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

MemoFile Notebook::readMemo(int index)
{
    if (!hasRecord(index))
        return {};
    return m_files.readMemo(DataFiles::memoNumber(record(index).memo_no));
}

// ---- Entering, correcting and deleting haiku --------------------------------

void Notebook::putAtHead(const HaikuInput &in, qint64 memoNo, const Clock &clock, bool codedStamps)
{
    m_data.settings.last_memo_no.set(double(memoNo));
    const QString created = DataFiles::timeStamp(clock(), codedStamps);
    const QString updated = DataFiles::timeStamp(clock(), codedStamps);
    Haiku_record r{in.date_text,
                   in.category,
                   in.poem,
                   TextLines::formatNumber(double(memoNo)),
                   created,
                   updated,
                   Haiku_record::lockFlag(in.locked)};
    // One block move: every record moves down a place.
    m_data.haiku_list.insert(m_data.haiku_list.begin() + 1, std::move(r));
    m_haikuChanged = true;
}

void Notebook::keepCategoryOf(const HaikuInput &in, StoreResult &result)
{
    if (knowsCategory(in.category))
        return;
    // A full list keeps the haiku all the same, under its new name.
    if (auto problem = addCategory(in.category)) {
        result.warnings.append(*problem);
        result.categoryAdded = problem->kind == StoreProblem::Kind::Write;
    } else {
        result.categoryAdded = true;
    }
}

Notebook::StoreResult Notebook::enterHaiku(const HaikuInput &in, const QString &memo, const Clock &clock)
{
    if (atHaikuLimit()) {
        return refused(StoreProblem{StoreProblem::Kind::HaikuLimit, DataFiles::haikuFile, haikuLimitMessage});
    }
    const std::optional<qint64> memoNo = nextFreeMemoNo();
    if (!memoNo) {
        return refused(
            StoreProblem{StoreProblem::Kind::MemoNumbers, DataFiles::memoFolder,
                         QStringLiteral("メモの番号をすべて使い切ったため、これ以上句を登録できません。")});
    }
    if (auto problem = writeMemo(*memoNo, memo)) {
        m_files.forgetUnsavedMemo(*memoNo); // its haiku is not stored: nothing to write later
        return refused(*problem);
    }
    StoreResult result;
    keepCategoryOf(in, result);
    putAtHead(in, *memoNo, clock, true);
    result.index = 1;
    // The haiku file, then the settings with the number just handed out, so
    // that the number is on disk before this memo can ever be deleted.
    for (auto write : {&Notebook::writeHaiku, &Notebook::writeSettings}) {
        if (auto p = (this->*write)())
            result.warnings.append(*p);
    }
    return result;
}

Notebook::StoreResult Notebook::correctHaiku(int index, const HaikuInput &in, const QString &memo,
                                             const Clock &clock)
{
    if (atHaikuLimit()) // at the limit even a correction is refused
        return refused(StoreProblem{StoreProblem::Kind::HaikuLimit, DataFiles::haikuFile, haikuLimitMessage});
    if (!hasRecord(index)) {
        return refused(StoreProblem{StoreProblem::Kind::NotFound, DataFiles::haikuFile,
                                    QStringLiteral("訂正する句が句帳に見つかりません。")});
    }
    qint64 memoNo = DataFiles::memoNumber(record(index).memo_no);
    const bool newNumber = memoNo == 0;
    if (newNumber) {
        const std::optional<qint64> next = nextFreeMemoNo();
        if (!next) {
            return refused(
                StoreProblem{StoreProblem::Kind::MemoNumbers, DataFiles::memoFolder,
                             QStringLiteral("メモの番号をすべて使い切ったため、メモを保存できません。")});
        }
        memoNo = *next;
    }
    if (auto problem = writeMemo(memoNo, memo)) {
        m_files.forgetUnsavedMemo(memoNo); // the record stays as it was, so its memo does too
        return refused(*problem);
    }
    StoreResult result;
    keepCategoryOf(in, result);
    Haiku_record &r = m_data.haiku_list[std::size_t(index)];
    if (newNumber) {
        m_data.settings.last_memo_no.set(double(memoNo));
        r.memo_no = TextLines::formatNumber(double(memoNo));
    }
    // Only what really changed gets a new string, so that an unchanged
    // record is still seen as unchanged when the file is saved.
    auto keep = [](QString &field, const QString &value) {
        if (field != value)
            field = value;
    };
    keep(r.date_text, in.date_text);
    keep(r.category, in.category);
    keep(r.poem, in.poem);
    keep(r.locked, Haiku_record::lockFlag(in.locked));
    r.updated_stamp = DataFiles::timeStamp(clock(), true);
    m_haikuChanged = true;
    result.index = index;
    auto writes = {&Notebook::writeHaiku, &Notebook::writeSettings};
    for (auto write : writes) {
        if (write == &Notebook::writeSettings && !newNumber)
            continue;
        if (auto p = (this->*write)())
            result.warnings.append(*p);
    }
    return result;
}

Notebook::RemoveResult Notebook::removeRecords(const std::function<bool(const Haiku_record &)> &drop,
                                               const RemoveProgress &progress)
{
    RemoveResult result;
    // The order in memory reaches the disk first, so that the state kept
    // before the deletion is the one the poet sees.
    if (auto p = writeHaiku()) {
        result.problems = {*p};
        return result;
    }
    std::vector<Haiku_record> &list = m_data.haiku_list;
    const std::size_t count = list.size();
    // The records taken out, with their places, to be put back should the
    // haiku file not be written.
    std::vector<std::pair<std::size_t, Haiku_record>> taken;
    std::vector<qint64> memos;
    std::optional<StoreProblem> undeletable;
    const int noTrash = m_files.trashUnusable();
    // One pass: the haiku that stay close up in their order.
    std::size_t kept = 1;
    for (std::size_t k = 1; k < list.size(); ++k) {
        bool gone = drop(list[k]);
        if (gone) {
            const qint64 memoNo = DataFiles::memoNumber(list[k].memo_no);
            // A memo file that cannot be deleted keeps its haiku: never a
            // haiku without its memo, nor a memo that cannot be taken away.
            std::optional<StoreProblem> stuck;
            if (memoNo != 0 && (stuck = m_files.memoUnmovable(memoNo, noTrash))) {
                gone = false;
                result.keptPoems.append(list[k].poem);
                if (!undeletable)
                    undeletable = stuck;
            } else if (memoNo != 0) {
                memos.push_back(memoNo);
            }
        }
        if (gone) {
            taken.emplace_back(k, std::move(list[k]));
        } else {
            if (kept != k)
                list[kept] = std::move(list[k]);
            ++kept;
        }
    }
    list.resize(kept);
    result.removed = int(count - kept);
    if (undeletable)
        result.problems.append(*undeletable);
    if (result.removed == 0)
        return result;
    // The haiku file without them first: until it is on disk every memo
    // stays. The file it replaces is kept, or nothing is deleted.
    if (auto p = m_files.writeHaiku(list, true, History::When::Always)) {
        // Back in their places: every record moves, none is copied.
        std::vector<Haiku_record> whole(count);
        auto next = taken.begin();
        for (std::size_t k = 1, from = 1; k < count; ++k)
            whole[k] = next != taken.end() && next->first == k ? std::move((next++)->second)
                                                               : std::move(list[from++]);
        list = std::move(whole);
        result.removed = 0;
        result.keptPoems.clear();
        result.problems = {*p};
        return result;
    }
    result.written = true;
    // A haiku without a memo file is dealt with once the haiku file is
    // written, the others as their memo moves. Told every few hundred moves,
    // so that telling costs nothing beside the moves themselves.
    constexpr int kProgressStep = 256;
    const int total = result.removed;
    int done = total - int(memos.size());
    for (qint64 memoNo : memos) {
        // A memo left behind by a failure here has lost only its haiku.
        if (auto p = m_files.trashMemo(memoNo))
            result.problems.append(*p);
        if (++done % kProgressStep == 0 && done < total && progress)
            progress(done, total);
    }
    if (progress)
        progress(done, total);
    return result;
}

Notebook::RemoveResult Notebook::removeHaiku(int index)
{
    if (!hasRecord(index))
        return {};
    const Haiku_record *target = &record(index);
    return removeRecords([target](const Haiku_record &r) { return &r == target; });
}

Notebook::RemoveResult Notebook::removeCategoryWithHaiku(int entry, const RemoveProgress &progress)
{
    if (entry < 2 || entry > category_count())
        return {};
    const QString category = m_data.category_list[std::size_t(entry)];
    auto ofCategory = [&category](const Haiku_record &r) { return r.category == category; };
    const auto &list = m_data.haiku_list;
    const auto matching = std::count_if(list.begin() + 1, list.end(), ofCategory);
    RemoveResult result = removeRecords(ofCategory, progress);
    // Haiku to remove, and yet none removed nor kept for their memo: the
    // haiku file could not be written and nothing changed; the category stays too.
    if (matching > 0 && result.removed == 0 && result.keptPoems.isEmpty())
        return result;
    removeCategory(entry);
    if (auto p = writeCategories())
        result.problems.append(*p);
    return result;
}

// ---- Categories -------------------------------------------------------------

std::optional<StoreProblem> Notebook::addCategory(const QString &name)
{
    // bunrui.dat holds code page 932, one name a line.
    const QString unstorable = unstorableReason(QStringLiteral("分類名"), name, false);
    if (!unstorable.isEmpty())
        return StoreProblem{StoreProblem::Kind::Unstorable, DataFiles::categoryFile, unstorable};
    if (knowsCategory(name)) {
        return StoreProblem{StoreProblem::Kind::CategoryExists, DataFiles::categoryFile,
                            QStringLiteral("分類『%1』はすでに存在します。").arg(name)};
    }
    if (atCategoryLimit()) {
        return StoreProblem{StoreProblem::Kind::CategoryLimit, DataFiles::categoryFile, categoryLimitMessage};
    }
    // Kept in memory when the file cannot be written; it goes with the next save.
    m_data.category_list.push_back(name);
    return writeCategories();
}

void Notebook::swapCategories(int a, int b)
{
    if (a < 2 || b < 2 || a > category_count() || b > category_count())
        return;
    std::swap(m_data.category_list[std::size_t(a)], m_data.category_list[std::size_t(b)]);
}

void Notebook::removeCategory(int entry)
{
    if (entry < 2 || entry > category_count())
        return;
    m_data.category_list.erase(m_data.category_list.begin() + entry);
}

// ---- Settings ---------------------------------------------------------------

QString Notebook::setStorable(QString &setting, const QString &what, const QString &value)
{
    QString reason = unstorableReason(what, value, false);
    if (reason.isEmpty())
        setting = value;
    return reason;
}

QString Notebook::setFont(QString &setting, const QString &name, const QString &use)
{
    // The font is kept in the settings file, which holds code page 932 only.
    if (setStorable(setting, QStringLiteral("フォント名"), name).isEmpty())
        return {};
    return QStringLiteral(
               "フォント名「%1」にはシフトJISで保存できない文字が含まれているため、%2に選べません。")
        .arg(name, use);
}

QString Notebook::setTateFont(const QString &name)
{
    return setFont(m_data.settings.tate_font, name, QStringLiteral("縦書き用フォント"));
}

QString Notebook::setPrintFont(const QString &name)
{
    return setFont(m_data.settings.print_font, name, QStringLiteral("印刷用フォント"));
}

QString Notebook::setLockPassword(const QString &password)
{
    return setStorable(m_data.settings.lock_password, QStringLiteral("パスワード"), password);
}

void Notebook::setWindowPlace(const WindowPlace &place)
{
    Settings &s = m_data.settings;
    s.window_state = place.window_state;
    s.window_top = place.window_top;
    s.window_left = place.window_left;
    s.window_height = place.window_height;
    s.window_width = place.window_width;
    s.list_height = place.list_height;
}

// ---- Finding and ordering ---------------------------------------------------

std::vector<int> Notebook::find(const QString &category, const QString &keyword) const
{
    const bool all = category == allCategories;
    const auto &list = m_data.haiku_list;
    std::vector<int> rows;
    if (all && keyword.isEmpty()) {
        rows.resize(list.size() - 1);
        std::iota(rows.begin(), rows.end(), 1);
    } else if (!keyword.isEmpty()) {
        m_poemIndex.find(list, category, all, keyword, rows);
    } else {
        // Categories are shared strings, so most records carry one of a few
        // buffers: remember the verdict for the last buffer seen.
        const QChar *seen = nullptr;
        bool seenMatches = false;
        for (std::size_t i = 1; i < list.size(); ++i) {
            const QString &c = list[i].category;
            if (c.constData() != seen || c.isEmpty()) {
                seen = c.constData();
                seenMatches = c == category;
            }
            if (seenMatches)
                rows.push_back(int(i));
        }
    }
    return rows;
}

void Notebook::rememberKeyword(const QString &keyword, int picked)
{
    // A typed keyword takes the place of the oldest slot, a picked one the
    // place of its own line; either way the slots in front of that place
    // move down one and the keyword goes in front.
    const int freed = picked >= 0 && picked < kKeywordSlots ? picked : kKeywordSlots - 1;
    const auto first = m_data.keyword_list.begin();
    std::rotate(first, first + freed, first + freed + 1);
    m_data.keyword_list[0] = keyword;
}

int Notebook::moveRecord(int from, int to)
{
    if (!hasRecord(from) || !hasRecord(to) || from == to)
        return 0;
    // One rotation of the block between the two: the moving record takes the
    // other's place and the records between shift by one together.
    const auto f = std::size_t(from), t = std::size_t(to);
    const auto [first, middle, last] = from > to ? std::array{t, f, f + 1} : std::array{f, f + 1, t + 1};
    auto &list = m_data.haiku_list;
    std::rotate(list.begin() + first, list.begin() + middle, list.begin() + last);
    m_haikuChanged = true;
    m_poemIndex.rotate(first, middle, last, list.size());
    return to;
}
