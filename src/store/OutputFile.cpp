#include "store/OutputFile.h"

#include "store/AtomicFile.h"

#include <QDir>
#include <QFileInfo>

QString OutputFile::freshPath(const QString &folder, const QString &stem, const QString &suffix,
                              const QDateTime &now)
{
    const QString base = stem + u'_' + now.toString(QStringLiteral("yyyy-MM-dd_HHmm"));
    const QDir dir(folder);
    QString path = dir.filePath(base + u'.' + suffix);
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = dir.filePath(QStringLiteral("%1_%2.%3").arg(base).arg(n).arg(suffix));
    return path;
}

QString OutputFile::write(const QString &path, QByteArrayView bytes)
{
    const AtomicFile::Result r = AtomicFile::write(path, bytes);
    if (r.ok())
        return {};
    // A new name never replaces anything; a failed write leaves no part of it.
    return AtomicFile::cause(r.error) + u'\n' + QStringLiteral("ファイルは作られていません。");
}
