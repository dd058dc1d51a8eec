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

Result write(const QString &path, QByteArrayView bytes);

// The steps of a write, for tests that make one of them fail as a disk would.
enum class Step { None, Create, Write, Sync, Close, Rename };
// The next writes fail at step with error until reset with Step::None.
void failForTesting(Step step, int error);

// Why a write failed, as one Japanese sentence: no permission, a read-only
// file or file system, a full disk, a folder where the file should be...
QString cause(int error);

} // namespace AtomicFile
