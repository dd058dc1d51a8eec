#pragma once

#include "store/Notebook.h"

#include <functional>

// Sets up what a notebook holds in memory for a test: its contents copied,
// changed by edit and put back. Writes no file.
inline void editContents(Notebook &nb, const std::function<void(NotebookContents &)> &edit)
{
    NotebookContents c = nb.contents();
    edit(c);
    nb.replaceContents(std::move(c));
}
