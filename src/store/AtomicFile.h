#pragma once

#include <QByteArrayView>
#include <QString>

// Replacing a file whole, so that a crash, a kill or a full disk at any moment
// leaves either the old file or the new one, never a part of either: the
// bytes go to a new file beside the old one, are flushed to the disk, and the
// new file is then renamed over the old. Every step is checked; the first one
// that fails stops the write and the old file stays as it was.
namespace AtomicFile {

struct Result
{
    int error = 0;        // the system's error number; 0 when the file was replaced
    bool existed = false; // an earlier file was there (and still is, on failure)
    bool ok() const { return error == 0; }
};

// A file of the poet's choosing (a printed PDF): a link is written where it
// points, and a new file gets the usual mode (the umask decides).
Result write(const QString &path, QByteArrayView bytes);

// A file of the notebook. A new one is made readable by the user alone
// (0600), whatever the umask; a file replaced keeps its own mode. A path that
// is a symbolic link is written where the link leads only when that is a
// place inside the folder linksInside (a data file kept in a synced
// subfolder); with linksInside empty, or leading elsewhere, the write is
// refused and nothing changes. Whatever stands at path must be a regular
// file: a FIFO, a socket or a device is never replaced.
Result writePrivate(const QString &path, QByteArrayView bytes, const QString &linksInside);

// The steps of a write, for tests that make one of them fail as a disk would.
enum class Step { None, Create, Write, Sync, Close, Rename };
// The next writes fail at step with error until reset with Step::None.
void failForTesting(Step step, int error);

// Why a write failed, as one Japanese sentence: no permission, a read-only
// file or file system, a full disk, a folder or a link where the file
// should be...
QString cause(int error);

} // namespace AtomicFile
