#include "store/NotebookReading.h"

const std::vector<Haiku_record> &NotebookReading::records(const Notebook &nb)
{
    return nb.records();
}

QStringList NotebookReading::categories(const Notebook &nb)
{
    // Entry 1 is 全部 itself; the literal stands first whatever it is called there.
    QStringList names{Notebook::allCategories};
    const std::vector<QString> &list = nb.categories();
    for (std::size_t i = 2; i < list.size(); ++i)
        names.append(list[i]);
    return names;
}

std::vector<int> NotebookReading::recordsOf(const Notebook &nb, const QString &category)
{
    return nb.find(category);
}

MemoFile NotebookReading::memo(const Notebook &nb, const Haiku_record &r)
{
    return nb.readMemoFile(DataFiles::memoNumber(r.memo_no));
}

bool NotebookReading::isLocked(const Haiku_record &r)
{
    return r.isLocked();
}

bool NotebookReading::passwordMatches(const Notebook &nb, const QString &typed)
{
    return nb.passwordMatches(typed);
}

QString NotebookReading::folder(const Notebook &nb)
{
    return nb.folder();
}
