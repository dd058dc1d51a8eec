#pragma once

#include "store/Notebook.h"

#include <QStringList>

#include <vector>

// What the booklet and the export read of the notebook, all of it through
// here and never changing a thing: the categories, the records of one, a
// memo, the password.
namespace NotebookReading {

// The records, notebook order, index 0 unused.
const std::vector<Haiku_record> &records(const Notebook &nb);

// The categories offered for a booklet or an export: 全部 first, then the
// notebook's own in their order.
QStringList categories(const Notebook &nb);

// The indices of the records of category in notebook order; 全部 gives every one.
std::vector<int> recordsOf(const Notebook &nb, const QString &category);

// A memo as stored, read without marking it as seen.
MemoFile memo(const Notebook &nb, const Haiku_record &r);

bool isLocked(const Haiku_record &r);
bool passwordMatches(const Notebook &nb, const QString &typed);

// The notebook folder, ending in "/": booklets and exports are written there.
QString folder(const Notebook &nb);

} // namespace NotebookReading
