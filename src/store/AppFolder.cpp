#include "store/AppFolder.h"

#include "store/DataFiles.h"
#include "store/SafeFile.h"

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

namespace {

QString withSlash(QString folder)
{
    folder = QDir::cleanPath(folder);
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

bool holdsNotebook(const QString &folder)
{
    const QDir d(folder);
    return QFileInfo::exists(d.filePath(DataFiles::haikuFile)) ||
           QFileInfo::exists(d.filePath(DataFiles::settingsFile));
}

// A folder of installed programs (/usr/bin, ~/.local/bin...): a new notebook
// never goes there, even for root, who could write it.
bool isProgramsFolder(const QString &folder)
{
    const QString clean = QDir::cleanPath(folder);
    const QString name = QFileInfo(clean).fileName();
    return name == QLatin1String("bin") || name == QLatin1String("sbin") ||
           name == QLatin1String("libexec") || clean.startsWith(QLatin1String("/usr/"));
}

} // namespace

bool AppFolder::writable(const QString &folder)
{
    // access() also answers for a read-only file system, for root too.
    return QFileInfo(folder).isDir() && ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

AppFolder::Choice AppFolder::resolve(const QString &executableFolder, const QString &userDataFolder)
{
    if (!executableFolder.isEmpty() && QFileInfo(executableFolder).isDir()) {
        const bool canWrite = writable(executableFolder);
        if ((canWrite && !isProgramsFolder(executableFolder)) || holdsNotebook(executableFolder))
            return {withSlash(executableFolder), canWrite};
    }
    if (userDataFolder.isEmpty() || !SafeFile::makePrivateFolder(userDataFolder) || !writable(userDataFolder))
        return {};
    return {withSlash(userDataFolder), true};
}
