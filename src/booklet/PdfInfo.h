#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

// The document information of a finished PDF: title, author, creator. Qt's
// PDF writer has no author of its own, so the information is written again
// as an update appended to the file, the way PDF lets a file be amended:
// a new information dictionary, a cross-reference section for it, and a
// trailer that points back to the first one. The pages stay byte for byte.
namespace PdfInfo {

struct Info
{
    QString title;
    QString author;
    QString creator;
    QDateTime created;
};

// pdf with its information replaced by info; nothing when pdf does not end
// with a trailer we can read (the pages are then not touched).
std::optional<QByteArray> withInfo(const QByteArray &pdf, const Info &info);

} // namespace PdfInfo
