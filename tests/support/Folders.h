#pragma once

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>

#include <memory>

// Whole notebook folders for the store tests.
namespace Folders {

// Every file under a folder, by path relative to it.
using Tree = QMap<QString, QByteArray>;

inline Tree snapshot(const QString &folder)
{
    Tree t;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        if (f.open(QIODevice::ReadOnly))
            t.insert(QDir(folder).relativeFilePath(f.fileName()), f.readAll());
    }
    return t;
}

// Replaces the folder to with the files of tree.
inline bool write(const Tree &tree, const QString &to)
{
    QDir(to).removeRecursively();
    if (!QDir().mkpath(to))
        return false;
    for (auto it = tree.begin(); it != tree.end(); ++it) {
        QDir().mkpath(QFileInfo(to + u'/' + it.key()).path());
        QFile f(to + u'/' + it.key());
        if (!f.open(QIODevice::WriteOnly) || f.write(it.value()) != it.value().size())
            return false;
    }
    return true;
}

// A temporary folder in memory (tmpfs) where there is one. Every save syncs
// its file, which costs nothing there, so tests that save hundreds of
// notebooks stay quick; what they check does not depend on the file system.
inline std::unique_ptr<QTemporaryDir> quickTemporaryDir()
{
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    const QString base = shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
    return std::make_unique<QTemporaryDir>(base + QStringLiteral("/yurimoka-test-XXXXXX"));
}

} // namespace Folders
