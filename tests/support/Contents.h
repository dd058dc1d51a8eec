#pragma once

#include "store/Notebook.h"

#include <functional>
#include <utility>
#include <vector>

// A test's notebook set up wholesale: what it holds, changed by change and
// put back in its place. The copy shares every string it leaves alone, so
// the notebook still knows the records its haiku file holds.
inline void editContents(Notebook &nb, const std::function<void(NotebookContents &)> &change)
{
    NotebookContents contents = nb.contents();
    change(contents);
    nb.replaceContents(std::move(contents));
}

// The notebook's records replaced by list, whose index 0 is never used.
inline void setRecords(Notebook &nb, std::vector<Haiku_record> list)
{
    editContents(nb, [&list](NotebookContents &c) { c.haiku_list = std::move(list); });
}
