// Bringing back a kept state of the haiku file: the one operation of the
// notebook that works on 履歴 and ゴミ箱 together. The rest of Notebook is in
// Notebook.cpp.
#include "store/Notebook.h"

#include "store/RestorePlan.h"

#include <QFileInfo>

Notebook::RestoreResult Notebook::restore(const History::Entry &entry)
{
    RestoreResult result;
    auto refused = [&result](const StoreProblem &p) {
        result.problems = {p};
        return result;
    };
    // What memory holds reaches the disk first, so that the state kept
    // before the restore is the one the poet sees.
    const QList<StoreProblem> unsaved = m_files.writeUnsavedMemos();
    if (!unsaved.isEmpty())
        return refused(unsaved.first());
    QByteArray bytes;
    std::optional<StoreProblem> p = writeHaiku();
    if (p || (p = m_files.history().read(entry, bytes)))
        return refused(*p);
    DecodedFile kept = TextLines::decodeFile(bytes);
    m_files.learnSpellings(kept.spellings);

    qint64 next = lastMemoNo();
    const RestorePlan::Folder folder{[this](const QString &name) { return QFileInfo::exists(path(name)); },
                                     m_files.trash().newest(),
                                     [this, &next]() -> qint64 {
                                         while (next < DataFiles::kMemoNoLimit) {
                                             if (!m_files.memoExists(++next))
                                                 return next;
                                         }
                                         return 0;
                                     },
                                     [this](const QString &category) { return knowsCategory(category); }};
    RestorePlan plan = RestorePlan::make(DataFiles::parseHaiku(kept.text), m_data.haiku_list, folder);
    const int noTrash = m_files.trashUnusable();
    for (auto n = plan.toTrash.begin(); !plan.problem && n != plan.toTrash.end(); ++n)
        plan.problem = m_files.memoUnmovable(*n, noTrash);
    if (plan.problem || (plan.problem = m_files.trash().giveBack(plan.returns)))
        return refused(*plan.problem);
    std::vector<Haiku_record> before = std::exchange(m_data.haiku_list, std::move(plan.records));
    // The haiku were written just above: the file holds before until this write.
    if ((p = m_files.writeHaiku(m_data.haiku_list, true, History::When::Always))) {
        m_data.haiku_list = std::move(before);
        m_files.trash().takeBack(plan.returns);
        return refused(*p);
    }
    result.restored = true;
    result.renumbered = plan.renumbered;
    if (plan.largestNewNumber > lastMemoNo()) {
        m_data.settings.last_memo_no.set(double(plan.largestNewNumber));
        if ((p = writeSettings()))
            result.problems.append(*p);
    }
    for (qint64 n : plan.toTrash) {
        if ((p = m_files.trashMemo(n)))
            result.problems.append(*p); // left in memo1 without its haiku
    }
    for (const QString &c : std::as_const(plan.newCategories)) {
        if (atCategoryLimit())
            break; // a full list: the haiku keep their category all the same
        m_data.category_list.push_back(c);
        result.categoriesAdded = true;
    }
    if (result.categoriesAdded && (p = writeCategories()))
        result.problems.append(*p);
    return result;
}
