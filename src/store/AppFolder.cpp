#include "store/AppFolder.h"

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

namespace {

bool writableFolder(const QString &folder)
{
    const QFileInfo info(folder);
    return info.isDir() && ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

QString withSlash(QString folder)
{
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

} // namespace

QString AppFolder::resolve(const QString &executableFolder, const QString &userDataFolder)
{
    if (!executableFolder.isEmpty() && writableFolder(executableFolder))
        return withSlash(QDir::cleanPath(executableFolder));
    if (userDataFolder.isEmpty() || !QDir().mkpath(userDataFolder) || !writableFolder(userDataFolder))
        return {};
    return withSlash(QDir::cleanPath(userDataFolder));
}
