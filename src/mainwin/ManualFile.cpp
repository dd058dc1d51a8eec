#include "mainwin/ManualFile.h"

#include <QDir>
#include <QFileInfo>

QString ManualFile::find(const QString &notebookFolder, const QString &executableFolder)
{
    const QString name = QStringLiteral("manual.html");
    const QString candidates[] = {
        QDir(notebookFolder).filePath(QStringLiteral("manual.wri")),
        QDir(executableFolder).filePath(name),
        // The installed documentation folder, reckoned from bin/ so that the
        // program finds it under any prefix.
        QDir::cleanPath(QDir(executableFolder).filePath(QStringLiteral(YURIMOKA_DOC_FROM_BIN "/") + name)),
    };
    for (const QString &path : candidates) {
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}
