#pragma once

#include <QString>

// Where the notebook lives: the folder of the executable when it is writable
// (a portable folder holding the program and the poems together), otherwise
// the user's data folder (~/.local/share/yurimoka), created when missing.
// Always ends in "/". Empty when no writable place could be had.
namespace AppFolder {
QString resolve(const QString &executableFolder, const QString &userDataFolder);
}
