#include "store/AppFolder.h"

#include "store/DataFiles.h"

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
        if (canWrite || holdsNotebook(executableFolder))
            return {withSlash(executableFolder), canWrite};
    }
    if (userDataFolder.isEmpty() || !QDir().mkpath(userDataFolder) || !writable(userDataFolder))
        return {};
    return {withSlash(userDataFolder), true};
}
