#pragma once

#include <QString>

// The notebook's own folders beside memo1 (履歴, ゴミ箱): made for the poet
// alone, and synced so that a rename into or out of one lasts.
namespace SubFolder {

// Makes the folder at path (0700) unless a folder is there; 0 when there is
// one now, else the system's error number.
int make(const QString &path);

// Puts the folder's entries on the disk: a rename is only lasting once the
// folder itself is written.
void sync(const QString &path);

// Renames from to to, never replacing anything at to; 0 when done, else the
// system's error number (EEXIST when something is at to).
int moveNoReplace(const QString &from, const QString &to);

} // namespace SubFolder
