#pragma once

#include <QString>

// Where the notebook lives. The folder of the executable whenever it holds a
// notebook, even one that cannot be written (the poet must see their haiku,
// not a new empty notebook elsewhere); a new notebook goes there too when the
// folder is writable and is not a folder of installed programs (…/bin,
// /usr/…). Otherwise the notebook goes to the user's data folder
// (~/.local/share/yurimoka), created when missing and then open to the user
// alone.
namespace AppFolder {

struct Choice
{
    QString folder;        // always ends in "/"; empty when no place could be had
    bool writable = false; // false: the notebook opens, but nothing can be saved
};

Choice resolve(const QString &executableFolder, const QString &userDataFolder);

// Whether files can be created in folder.
bool writable(const QString &folder);

} // namespace AppFolder
