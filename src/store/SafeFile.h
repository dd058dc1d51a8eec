#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// Looking at files that others can put into the notebook folder: a sync
// program bringing them from another computer, another user, a shell. A
// FIFO, a socket or a device there must never freeze the program, and a
// symbolic link must never lead it to show or replace a file outside the
// notebook.
namespace SafeFile {

// What stands at a path.
enum class Kind {
    Missing,     // nothing (or a folder on the way is missing)
    Regular,     // a regular file, or a link allowed to be followed to one
    Link,        // a symbolic link, not followed
    LinkOutside, // a symbolic link to a place outside the folder it must stay in
    LinkBroken,  // a symbolic link to nothing
    Folder,
    Fifo,
    Socket,
    Device,
    Unknown, // could not be looked at: error says why
};

struct Read
{
    Kind kind = Kind::Missing;
    int error = 0; // the system's error number when the file could not be read
    QByteArray bytes;
    bool ok() const { return kind == Kind::Regular && error == 0; }
};

// What stands at path. A symbolic link as its last part is followed only
// when linksInside names a folder and the link, resolved whole, leads to a
// place inside that folder; then the kind is that of the place it leads to.
Kind kindAt(const QString &path, const QString &linksInside = {});

// Reads path when it is a regular file (see kindAt for links). Nothing else
// is ever opened, and the open itself cannot wait: a FIFO put there between
// the look and the open is opened without blocking and left unread.
Read read(const QString &path, const QString &linksInside = {});

// Reads path as read() does, handing its bytes to each in pieces of
// pieceSize bytes (the last may be shorter) through one reused buffer, so
// that a large file is never held whole. The Read returned carries no bytes.
// fileSize, when given, gets the file's size as it was opened, before the
// first piece.
Read readInPieces(const QString &path, const QString &linksInside, qsizetype pieceSize,
                  const std::function<void(QByteArrayView)> &each, qint64 *fileSize = nullptr);

// Where a symbolic link at path leads, resolved whole, when that is inside
// folder (itself resolved whole); empty otherwise.
QString linkTargetInside(const QString &path, const QString &folder);

// Why a read found no file to read, as one Japanese sentence: a link, a
// FIFO, a folder, no permission... Empty for a file that was read.
QString cause(const Read &r);

// Creates folder, and any folder above it that is missing, each open to
// the user alone (0700) whatever the umask. A folder already there keeps
// its mode. True when folder is a folder at the end.
bool makePrivateFolder(const QString &folder);

// Removes the entry at path itself: a link, never what it points to. An
// entry that is not there counts as removed. 0, or the system's error number.
int remove(const QString &path);

} // namespace SafeFile
