#include "store/SafeFile.h"

#include "store/LargeBuffer.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

SafeFile::Kind kindOf(mode_t mode)
{
    if (S_ISREG(mode))
        return SafeFile::Kind::Regular;
    if (S_ISDIR(mode))
        return SafeFile::Kind::Folder;
    if (S_ISLNK(mode))
        return SafeFile::Kind::Link;
    if (S_ISFIFO(mode))
        return SafeFile::Kind::Fifo;
    if (S_ISSOCK(mode))
        return SafeFile::Kind::Socket;
    return SafeFile::Kind::Device;
}

QByteArray resolved(const QByteArray &path)
{
    char *real = ::realpath(path.constData(), nullptr);
    if (!real)
        return {};
    QByteArray result(real);
    std::free(real);
    return result;
}

// The kind of what stands at path, and the path to open for it: the target
// of a link that may be followed, else path itself.
struct Found
{
    SafeFile::Kind kind = SafeFile::Kind::Missing;
    int error = 0;
    QByteArray file;
    struct stat info
    {
    };
};

Found look(const QString &path, const QString &linksInside)
{
    Found f;
    f.file = QFile::encodeName(path);
    if (::lstat(f.file.constData(), &f.info) != 0) {
        f.error = errno;
        f.kind = f.error == ENOENT || f.error == ENOTDIR ? SafeFile::Kind::Missing : SafeFile::Kind::Unknown;
        if (f.kind == SafeFile::Kind::Missing)
            f.error = 0;
        return f;
    }
    f.kind = kindOf(f.info.st_mode);
    if (f.kind != SafeFile::Kind::Link || linksInside.isEmpty())
        return f;

    const QString target = SafeFile::linkTargetInside(path, linksInside);
    if (target.isEmpty()) {
        struct stat followed
        {
        };
        f.kind = ::stat(f.file.constData(), &followed) == 0 ? SafeFile::Kind::LinkOutside
                                                            : SafeFile::Kind::LinkBroken;
        return f;
    }
    f.file = QFile::encodeName(target);
    if (::lstat(f.file.constData(), &f.info) != 0) {
        f.kind = SafeFile::Kind::LinkBroken; // gone since it was resolved
        return f;
    }
    f.kind = kindOf(f.info.st_mode);
    return f;
}

} // namespace

QString SafeFile::linkTargetInside(const QString &path, const QString &folder)
{
    const QByteArray target = resolved(QFile::encodeName(path));
    const QByteArray base = resolved(QFile::encodeName(folder));
    if (target.isEmpty() || base.isEmpty())
        return {};
    // The folder itself is no file of its own; a file is inside when its
    // path goes on from the folder's with a "/".
    const QByteArray prefix = base.endsWith('/') ? base : base + '/';
    if (!target.startsWith(prefix) || target.size() == prefix.size())
        return {};
    return QFile::decodeName(target);
}

SafeFile::Kind SafeFile::kindAt(const QString &path, const QString &linksInside)
{
    return look(path, linksInside).kind;
}

namespace {

// Opens what path holds when it is a regular file: the descriptor, or -1 with
// r saying what stood there instead. opened gets the file's status.
int openRegular(const QString &path, const QString &linksInside, SafeFile::Read &r, struct stat &opened)
{
    using SafeFile::Kind;
    const Found f = look(path, linksInside);
    r.kind = f.kind;
    r.error = f.error;
    if (f.kind != Kind::Regular)
        return -1;

    // O_NONBLOCK: should a FIFO or a device take the file's place after the
    // look above, the open still returns at once and fstat below refuses it.
    const int fd = ::open(f.file.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        r.error = errno;
        if (r.error == ELOOP)
            r = SafeFile::Read{Kind::Link, 0, {}};
        return -1;
    }
    if (::fstat(fd, &opened) != 0) {
        r.error = errno;
        ::close(fd);
        return -1;
    }
    if (!S_ISREG(opened.st_mode)) {
        ::close(fd);
        r.kind = kindOf(opened.st_mode);
        return -1;
    }
    return fd;
}

// Reads into to[0..room) until it is full or the file ends, however the
// reads come: the bytes read, or -1 with errno set.
qsizetype readUpTo(int fd, char *to, qsizetype room)
{
    qsizetype used = 0;
    while (used < room) {
        const ssize_t n = ::read(fd, to + used, size_t(room - used));
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        used += n;
    }
    return used;
}

} // namespace

SafeFile::Read SafeFile::readInPieces(const QString &path, const QString &linksInside, qsizetype pieceSize,
                                      const std::function<void(QByteArrayView)> &each, qint64 *fileSize)
{
    Read r;
    struct stat opened
    {
    };
    const int fd = openRegular(path, linksInside, r, opened);
    if (fd < 0)
        return r;
    if (fileSize)
        *fileSize = qint64(opened.st_size);
    QByteArray piece(qMax<qsizetype>(pieceSize, 1), Qt::Uninitialized);
    for (;;) {
        // A piece is filled to the end before it is handed on, however the
        // reads come.
        const qsizetype used = readUpTo(fd, piece.data(), piece.size());
        if (used < 0) {
            r.error = errno;
            ::close(fd);
            return r;
        }
        if (used > 0)
            each(QByteArrayView(piece.constData(), used));
        if (used < piece.size())
            break; // the end of the file
    }
    ::close(fd);
    return r;
}

SafeFile::Read SafeFile::read(const QString &path, const QString &linksInside)
{
    Read r;
    struct stat opened
    {
    };
    const int fd = openRegular(path, linksInside, r, opened);
    if (fd < 0)
        return r;

    // Straight into the result: one copy of a large haiku file, not two. A
    // file that grows meanwhile is read to its new end.
    QByteArray bytes(qMax<qsizetype>(qsizetype(opened.st_size) + 1, 4096), Qt::Uninitialized);
    LargeBuffer::preferHugePages(bytes.constData(), std::size_t(bytes.size()));
    qsizetype used = 0;
    for (;;) {
        if (used == bytes.size())
            bytes.resize(bytes.size() * 2);
        const qsizetype n = readUpTo(fd, bytes.data() + used, bytes.size() - used);
        if (n < 0) {
            r.error = errno;
            ::close(fd);
            return r;
        }
        used += n;
        if (used < bytes.size())
            break; // the end of the file
    }
    bytes.truncate(used);
    ::close(fd);
    r.bytes = std::move(bytes);
    return r;
}

QString SafeFile::cause(const Read &r)
{
    switch (r.kind) {
    case Kind::Missing: return QStringLiteral("ファイルが見つかりません。");
    case Kind::Link:
        return QStringLiteral("ファイルがシンボリックリンク（別の場所を指すもの）になっています。");
    case Kind::LinkOutside:
        return QStringLiteral("ファイルが、句帳のフォルダの外を指すシンボリックリンクになっています。");
    case Kind::LinkBroken:
        return QStringLiteral("ファイルがシンボリックリンクになっていて、その指す先が見つかりません。");
    case Kind::Folder: return QStringLiteral("ファイルと同じ名前のフォルダがあります。");
    case Kind::Fifo: return QStringLiteral("ファイルの代わりに名前付きパイプ（FIFO）があります。");
    case Kind::Socket: return QStringLiteral("ファイルの代わりにソケットがあります。");
    case Kind::Device: return QStringLiteral("ファイルの代わりにデバイスファイルがあります。");
    case Kind::Regular:
    case Kind::Unknown: break;
    }
    switch (r.error) {
    case 0: return {};
    case EACCES:
    case EPERM: return QStringLiteral("ファイルを読む権限がありません。");
    case EIO: return QStringLiteral("ディスクの読み書きに失敗しました。");
    default: return QStringLiteral("読み込みに失敗しました（エラー番号 %1）。").arg(r.error);
    }
}

bool SafeFile::makePrivateFolder(const QString &folder)
{
    const QString clean = QDir::cleanPath(QDir(folder).absolutePath());
    const QByteArray name = QFile::encodeName(clean);
    struct stat info
    {
    };
    if (::stat(name.constData(), &info) == 0)
        return S_ISDIR(info.st_mode);
    if (errno != ENOENT)
        return false;
    const QString parent = QDir::cleanPath(clean + QStringLiteral("/.."));
    if (parent != clean && !makePrivateFolder(parent))
        return false;
    if (::mkdir(name.constData(), 0700) != 0) {
        // made by someone else in the meantime: theirs keeps its mode
        return errno == EEXIST && ::stat(name.constData(), &info) == 0 && S_ISDIR(info.st_mode);
    }
    // A umask such as 0277 would leave the user unable to write in it.
    return ::chmod(name.constData(), 0700) == 0;
}

int SafeFile::remove(const QString &path)
{
    if (::unlink(QFile::encodeName(path).constData()) == 0 || errno == ENOENT || errno == ENOTDIR)
        return 0;
    return errno;
}
