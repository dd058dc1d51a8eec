#pragma once

// Notebook folders for the store tests: files as bytes, whole folders compared,
// a small file system that can be filled, and running as an unprivileged user.

#include "store/DataFiles.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace folders {

inline const QString kData = QStringLiteral(YURIMOKA_TEST_DATA);
inline const QDateTime kNow(QDate(2026, 12, 7), QTime(9, 30, 15));
inline bool isRoot()
{
    return geteuid() == 0;
}
inline QString firstStart(const QString &file)
{
    return kData + u"/first_start/"_qs + file;
}

// What the main window hands to start-up: its centred geometry.
inline Settings windowDefaults()
{
    Settings s;
    s.window_top = NumberText(1995);
    s.window_left = NumberText(2700);
    s.window_height = NumberText(6690);
    s.window_width = NumberText(9450);
    s.list_height = NumberText(2295);
    return s;
}

inline QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool put(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush();
}

// Every file under a folder, by relative path.
using Tree = QMap<QString, QByteArray>;
inline Tree snapshot(const QString &folder)
{
    Tree t;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString p = it.next();
        t.insert(QDir(folder).relativeFilePath(p), bytesOf(p));
    }
    return t;
}

inline void sameFiles(const Tree &actual, const Tree &expected)
{
    QCOMPARE(actual.keys(), expected.keys());
    for (auto it = expected.begin(); it != expected.end(); ++it)
        QVERIFY2(actual[it.key()] == it.value(), qPrintable(it.key() + u" differs"_qs));
}

// A copy of one of the notebooks under tests/data.
inline void copyTree(const QString &name, const QString &to)
{
    const QString from = kData + u'/' + name;
    for (const QString &file : snapshot(from).keys()) {
        QDir().mkpath(QFileInfo(to + u'/' + file).path());
        QVERIFY(QFile::copy(from + u'/' + file, to + u'/' + file));
        QVERIFY(QFile::setPermissions(to + u'/' + file, QFile::ReadOwner | QFile::WriteOwner |
                                                            QFile::ReadGroup | QFile::ReadOther));
    }
}

inline QByteArray record(const QByteArray &poem, const QByteArray &memoNo)
{
    return "2026/12/07\r\nc\r\n" + poem + "\r\n" + memoNo + "\r\ns\r\ns\r\nNO\r\n";
}

// The exit code of fn run in a child process, -1 when it did not end normally.
inline int inChild(const std::function<int()> &fn)
{
    const pid_t pid = fork();
    if (pid == 0)
        _exit(fn());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The exit code of fn run in a child process that is ended, and counted as
// failed (-1), should it hang: for code that must return at once whatever
// it meets, such as a FIFO that an open for reading would wait on forever.
inline int inChildThatMustReturn(const std::function<int()> &fn)
{
    return inChild([&fn] {
        ::alarm(30);
        return fn();
    });
}

// fn as a user without privileges: root reads and writes past any permission,
// so a test of permissions run by root becomes user "nobody" in a child.
inline int asUnprivileged(const std::function<int()> &fn)
{
    if (!isRoot())
        return fn();
    return inChild([&fn] {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            return 125;
        return fn();
    });
}

// A small tmpfs mounted for one test, so that a full disk and a read-only file
// system are real ones. Needs root and a kernel that lets us mount; reason()
// says why not otherwise.
class SmallDisk
{
public:
    explicit SmallDisk(const char *options = "size=512k")
    {
        if (!isRoot()) {
            m_reason = u"mounting a small file system needs root"_qs;
            return;
        }
        const QByteArray where = QFile::encodeName(m_dir.path());
        if (::mount("tmpfs", where.constData(), "tmpfs", 0, options) != 0) {
            m_reason = u"cannot mount a tmpfs here: "_qs + QString::fromLocal8Bit(std::strerror(errno));
            return;
        }
        m_mounted = true;
        QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                QFile::ReadOther | QFile::ExeOther);
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    bool ok() const { return m_mounted; }
    QString reason() const { return m_reason; }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

    // Fills every last block; true when the disk said it was full.
    bool fill()
    {
        const QByteArray file = QFile::encodeName(filler());
        const int fd = ::open(file.constData(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        if (fd < 0)
            return false;
        const QByteArray block(4096, 'x');
        int error = 0;
        for (qsizetype size = block.size(); size > 0; size /= 2) {
            while (::write(fd, block.constData(), size_t(size)) == size) {
            }
            error = errno;
        }
        ::close(fd);
        return error == ENOSPC;
    }
    // Uses up every file entry the disk has; true when it said it was full.
    bool useAllEntries()
    {
        QDir().mkpath(filePath(u"entries"_qs));
        for (int i = 0; i < 100000; ++i) {
            const QByteArray name = QFile::encodeName(filePath(u"entries/%1"_qs.arg(i)));
            const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
            if (fd < 0)
                return errno == ENOSPC;
            ::close(fd);
        }
        return false;
    }
    void makeRoom()
    {
        QFile::remove(filler());
        QDir(filePath(u"entries"_qs)).removeRecursively();
    }
    bool makeReadOnly()
    {
        return ::mount(nullptr, QFile::encodeName(m_dir.path()).constData(), nullptr, MS_REMOUNT | MS_RDONLY,
                       nullptr) == 0;
    }
    // The folder's files without what fill() and useAllEntries() put there.
    Tree notebookFiles() const
    {
        Tree t = snapshot(path());
        t.remove(u"filler"_qs);
        for (auto it = t.begin(); it != t.end();)
            it = it.key().startsWith(u"entries/"_qs) ? t.erase(it) : std::next(it);
        return t;
    }

private:
    QString filler() const { return m_dir.filePath(u"filler"_qs); }
    QTemporaryDir m_dir;
    QString m_reason;
    bool m_mounted = false;
};

// Replaces the folder to with the files of a tree.
inline bool writeTree(const Tree &tree, const QString &to)
{
    QDir(to).removeRecursively();
    if (!QDir().mkpath(to))
        return false;
    for (auto it = tree.begin(); it != tree.end(); ++it) {
        QDir().mkpath(QFileInfo(to + u'/' + it.key()).path());
        if (!put(to + u'/' + it.key(), it.value()))
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

} // namespace folders
