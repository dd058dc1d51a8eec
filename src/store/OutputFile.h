#pragma once

#include <QByteArrayView>
#include <QDateTime>
#include <QString>

// Files the program makes for the poet beside the notebook: printed pages
// without a printer, booklets, exports.
namespace OutputFile {

// folder/stem_2026-12-07_1530.suffix, with "_2", "_3"… when that name is
// taken, so that nothing made earlier is written over.
QString freshPath(const QString &folder, const QString &stem, const QString &suffix, const QDateTime &now);

// Writes bytes to path whole or not at all (AtomicFile). Empty when written,
// otherwise why not, as Japanese sentences that end by saying no file was made.
QString write(const QString &path, QByteArrayView bytes);

} // namespace OutputFile
