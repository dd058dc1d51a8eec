#include "store/Trash.h"

#include "store/AtomicFile.h"
#include "store/SubFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// "m1000012.txt" with n = 2 -> "m1000012-2.txt".
QString numbered(const QString &fileName, int n)
{
    if (n <= 1)
        return fileName;
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const qsizetype at = dot > 0 ? dot : fileName.size();
    return fileName.left(at) + QStringLiteral("-%1").arg(n) + fileName.mid(at);
}

dev_t deviceOf(const QString &path, bool *ok)
{
    struct stat st
    {
    };
    *ok = ::stat(QFile::encodeName(path).constData(), &st) == 0;
    return st.st_dev;
}

} // namespace

Trash::Trash(const QString &notebookFolder) : m_folder(notebookFolder) {}

StoreProblem Trash::notMoved(const QString &name, int error)
{
    return StoreProblem{
        StoreProblem::Kind::MemoDelete, name,
        QStringLiteral("「%1」を削除できませんでした。\n「%2」フォルダに移せませんでした。\n%3")
            .arg(name, folderName, AtomicFile::cause(error))};
}

int Trash::unusableFrom(const QString &from) const
{
    if (const int error = SubFolder::make(folder()))
        return error;
    if (::access(QFile::encodeName(folder()).constData(), W_OK | X_OK) != 0)
        return errno;
    // A rename cannot leave its disk: the trash must be on the memos'.
    bool fromOk = false, toOk = false;
    const dev_t source = deviceOf(m_folder + from, &fromOk);
    if (!fromOk)
        return ENOENT;
    return deviceOf(folder(), &toOk) == source && toOk ? 0 : EXDEV;
}

std::optional<StoreProblem> Trash::take(const QString &name)
{
    // One rename a file, as many deletions move many: the folder is made
    // only when the rename finds it missing.
    const QString from = m_folder + name;
    const QString fileName = name.section(QLatin1Char('/'), -1);
    for (int n = 1;; ++n) {
        int error = SubFolder::moveNoReplace(from, inTrash(numbered(fileName, n)));
        if (error == ENOENT) {
            if (!QFileInfo::exists(from) && !QFileInfo(from).isSymLink())
                return std::nullopt; // nothing to move
            if ((error = SubFolder::make(folder())) == 0)
                error = SubFolder::moveNoReplace(from, inTrash(numbered(fileName, n)));
        }
        if (error == EEXIST)
            continue;
        // Not synced: a move lost in a crash leaves the memo in memo1, where
        // it was, after the haiku file without its haiku is on the disk.
        if (error != 0)
            return notMoved(name, error);
        return std::nullopt;
    }
}

QHash<QString, QString> Trash::newest() const
{
    static const QRegularExpression kept(QStringLiteral("^(.*?)(?:-(\\d+))?(\\.txt)$"));
    QHash<QString, QString> found;
    QHash<QString, int> highest;
    for (const QString &name : QDir(folder()).entryList(QDir::Files | QDir::System)) {
        const QRegularExpressionMatch m = kept.match(name);
        if (!m.hasMatch())
            continue;
        const QString cameAs = m.captured(1) + m.captured(3);
        const int n = m.captured(2).isEmpty() ? 1 : m.captured(2).toInt();
        if (n > highest.value(cameAs, 0)) {
            highest.insert(cameAs, n);
            found.insert(cameAs, name);
        }
    }
    return found;
}

void Trash::syncAll(const std::vector<Return> &returns) const
{
    std::set<QString> folders{folder()};
    for (const Return &r : returns)
        folders.insert(QFileInfo(m_folder + r.to).absolutePath());
    for (const QString &f : folders)
        SubFolder::sync(f);
}

std::optional<StoreProblem> Trash::giveBack(const std::vector<Return> &returns)
{
    std::vector<Return> done;
    for (const Return &r : returns) {
        const QString to = m_folder + r.to;
        int error = SubFolder::make(QFileInfo(to).absolutePath());
        if (error == 0)
            error = SubFolder::moveNoReplace(inTrash(r.trashName), to);
        if (error != 0) {
            takeBack(done);
            const QString name = folderName + QLatin1Char('/') + r.trashName;
            return StoreProblem{StoreProblem::Kind::History, name,
                                QStringLiteral("「%1」を「%2」に戻せませんでした。\n%3")
                                    .arg(name, r.to,
                                         error == EEXIST
                                             ? QStringLiteral("同じ名前のファイルがすでにあります。")
                                             : AtomicFile::cause(error))};
        }
        done.push_back(r);
    }
    // On the disk before a haiku file that needs them can be.
    syncAll(done);
    return std::nullopt;
}

void Trash::takeBack(const std::vector<Return> &returns)
{
    for (const Return &r : returns)
        SubFolder::moveNoReplace(m_folder + r.to, inTrash(r.trashName));
    syncAll(returns);
}
