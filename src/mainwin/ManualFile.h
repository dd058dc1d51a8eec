#pragma once

#include <QString>

// The manual that 使い方 opens.
namespace ManualFile {

// "manual.wri" in the notebook folder when there is one; otherwise the
// manual shipped with the program, "manual.html" beside the executable (as
// tools/run.sh puts it) or in the documentation folder of an installed
// program (share/doc/yurimoka beside bin/). Empty when there is none. Only
// regular files count.
QString find(const QString &notebookFolder, const QString &executableFolder);

} // namespace ManualFile
