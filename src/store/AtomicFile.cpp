#include "store/AtomicFile.h"

#include "store/SafeFile.h"

#include <QAtomicInt>
#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A file is marked read-only by taking away every write permission. Root
// could write it all the same; we honour the mark for root too.
constexpr int kReadOnlyFile = -1;
// A notebook file that is a link leading out of the notebook folder, or to nothing.
constexpr int kLinkNotInside = -2;
// A FIFO, a socket or a device where a notebook file should be.
constexpr int kNotRegularFile = -3;

QAtomicInt g_counter;
std::atomic<AtomicFile::Step> g_failStep{AtomicFile::Step::None};
std::atomic<int> g_failError{0};

// True (with errno set) when a test wants this step to fail.
bool injected(AtomicFile::Step step)
{
    if (g_failStep.load() != step)
        return false;
    errno = g_failError.load();
    return true;
}

bool writeAll(int fd, const char *data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

void syncFolder(const QByteArray &folder)
{
    // The rename is only lasting once the folder itself is on the disk.
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// How a write treats what it finds at its path.
struct Rules
{
    bool privateFile = false; // new files 0600; nothing but a regular file replaced
    bool followAnyLink = true;
    QString linksInside; // without followAnyLink: links followed only to a place in here
};

AtomicFile::Result writeWith(const QString &path, QByteArrayView bytes, const Rules &rules)
{
    AtomicFile::Result result;
    QString target = path;
    struct stat here
    {
    };
    if (::lstat(QFile::encodeName(path).constData(), &here) == 0 && S_ISLNK(here.st_mode)) {
        if (rules.followAnyLink) {
            // A file that is a link to one elsewhere is written where the
            // link points, and the link stays a link.
            const QFileInfo info(path);
            if (QFileInfo::exists(info.symLinkTarget()))
                target = info.symLinkTarget();
        } else if (rules.linksInside.isEmpty()) {
            result.existed = true;
            result.error = ELOOP;
            return result;
        } else {
            target = SafeFile::linkTargetInside(path, rules.linksInside);
            if (target.isEmpty()) {
                result.existed = true;
                result.error = kLinkNotInside;
                return result;
            }
        }
    }
    const QByteArray file = QFile::encodeName(target);
    const QByteArray folder = QFile::encodeName(QFileInfo(target).absolutePath());
    const QByteArray base = QFile::encodeName(QFileInfo(target).fileName());

    struct stat old
    {
    };
    if (::stat(file.constData(), &old) == 0) {
        result.existed = true;
        if (S_ISDIR(old.st_mode)) {
            result.error = EISDIR;
            return result;
        }
        if (rules.privateFile && !S_ISREG(old.st_mode)) {
            result.error = kNotRegularFile;
            return result;
        }
        if ((old.st_mode & 0222) == 0) {
            result.error = kReadOnlyFile;
            return result;
        }
        if (::access(file.constData(), W_OK) != 0 && (errno == EACCES || errno == EPERM || errno == EROFS)) {
            result.error = errno;
            return result;
        }
    } else if (errno != ENOENT) {
        result.error = errno;
        return result;
    }

    QByteArray temp;
    int fd = -1;
    const mode_t newMode = rules.privateFile ? 0600 : 0666;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temp = folder + "/." + base + ".yurimoka-" + QByteArray::number(qint64(::getpid())) + '-' +
               QByteArray::number(g_counter.fetchAndAddRelaxed(1));
        fd = injected(AtomicFile::Step::Create)
                 ? -1
                 : ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, newMode);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        result.error = errno;
        return result;
    }
    auto fail = [&](int error) {
        if (fd >= 0)
            ::close(fd);
        ::unlink(temp.constData());
        result.error = error;
        return result;
    };
    // The new file keeps the old one's permissions; a new notebook file is
    // the user's alone, even under a umask that would open it to others.
    if (result.existed ? ::fchmod(fd, old.st_mode & 07777) != 0
                       : rules.privateFile && ::fchmod(fd, newMode) != 0)
        return fail(errno);
    if (injected(AtomicFile::Step::Write) || !writeAll(fd, bytes.data(), bytes.size()))
        return fail(errno);
    // A full disk may only show when the data reaches it: at the sync, or at
    // the close on some file systems. Neither result is ignored.
    if (::fsync(fd) != 0 || injected(AtomicFile::Step::Sync))
        return fail(errno);
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0 || injected(AtomicFile::Step::Close))
        return fail(errno);
    // rename() would replace a link put there meanwhile, not write through
    // it; a notebook file refuses even that, so the link stays as found.
    if (!rules.followAnyLink && ::lstat(file.constData(), &here) == 0 && S_ISLNK(here.st_mode))
        return fail(ELOOP);
    if (injected(AtomicFile::Step::Rename) || ::rename(temp.constData(), file.constData()) != 0)
        return fail(errno);
    syncFolder(folder);
    return result;
}

} // namespace

AtomicFile::Result AtomicFile::write(const QString &path, QByteArrayView bytes)
{
    return writeWith(path, bytes, Rules{});
}

AtomicFile::Result AtomicFile::writePrivate(const QString &path, QByteArrayView bytes,
                                            const QString &linksInside)
{
    return writeWith(path, bytes, Rules{true, false, linksInside});
}

void AtomicFile::failForTesting(Step step, int error)
{
    g_failError = error;
    g_failStep = step;
}

QString AtomicFile::cause(int error)
{
    switch (error) {
    case 0: return {};
    case kReadOnlyFile: return QStringLiteral("ファイルが読み取り専用になっています。");
    case kLinkNotInside:
        return QStringLiteral(
            "ファイルが、句帳のフォルダの外か、どこも指していないシンボリックリンクになっています。");
    case kNotRegularFile:
        return QStringLiteral(
            "ファイルの場所に、普通のファイルではないもの（名前付きパイプなど）があります。");
    case ELOOP: return QStringLiteral("ファイルがシンボリックリンク（別の場所を指すもの）になっています。");
    case EACCES:
    case EPERM: return QStringLiteral("ファイルまたはフォルダに書き込む権限がありません。");
    case EROFS: return QStringLiteral("保存先が読み取り専用のディスク（ファイルシステム）です。");
    case ENOSPC:
    case EDQUOT: return QStringLiteral("ディスクの空き容量が足りません。");
    case EISDIR: return QStringLiteral("ファイルと同じ名前のフォルダがあります。");
    case ENOENT:
    case ENOTDIR: return QStringLiteral("保存先のフォルダが見つかりません。");
    case EIO: return QStringLiteral("ディスクの読み書きに失敗しました。");
    default: return QStringLiteral("書き込みに失敗しました（エラー番号 %1）。").arg(error);
    }
}
