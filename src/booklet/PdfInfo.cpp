#include "booklet/PdfInfo.h"

#include <QRegularExpression>

#include <optional>

namespace {

// A text string as UTF-16 with its byte order mark, in hexadecimal: any
// character, and nothing that needs escaping.
QByteArray textString(const QString &s)
{
    QByteArray out = "<FEFF";
    for (QChar c : s)
        out += QByteArray::number(c.unicode(), 16).rightJustified(4, '0').toUpper();
    return out + '>';
}

QByteArray pdfDate(const QDateTime &t)
{
    return "(D:" + t.toUTC().toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1() + "Z)";
}

} // namespace

std::optional<QByteArray> PdfInfo::withInfo(const QByteArray &pdf, const Info &info)
{
    // The last trailer and the offset of the last cross-reference section.
    const qsizetype trailerAt = pdf.lastIndexOf("trailer");
    if (trailerAt < 0)
        return std::nullopt;
    const QString tail = QString::fromLatin1(pdf.mid(trailerAt));
    static const QRegularExpression sizeRe(QStringLiteral("/Size\\s+(\\d+)"));
    static const QRegularExpression rootRe(QStringLiteral("/Root\\s+(\\d+\\s+\\d+)\\s+R"));
    static const QRegularExpression startRe(QStringLiteral("startxref\\s+(\\d+)\\s+%%EOF"));
    const QRegularExpressionMatch size = sizeRe.match(tail);
    const QRegularExpressionMatch root = rootRe.match(tail);
    const QRegularExpressionMatch start = startRe.match(tail);
    if (!size.hasMatch() || !root.hasMatch() || !start.hasMatch())
        return std::nullopt;

    // A new object, numbered after every object the file has.
    const QByteArray number = size.captured(1).toLatin1();
    QByteArray out = pdf;
    if (!out.endsWith('\n'))
        out += '\n';
    const qsizetype objectAt = out.size();
    out += number + " 0 obj\n<<\n/Title " + textString(info.title) + "\n/Author " + textString(info.author) +
           "\n/Creator " + textString(info.creator) + "\n/Producer " + textString(info.creator) +
           "\n/CreationDate " + pdfDate(info.created) + "\n>>\nendobj\n";
    const qsizetype xrefAt = out.size();
    // Each entry is exactly twenty bytes, its line end included.
    out += "xref\n" + number + " 1\n" + QByteArray::number(objectAt).rightJustified(10, '0') + " 00000 n \n";
    out += "trailer\n<<\n/Size " + QByteArray::number(number.toLongLong() + 1) + "\n/Root " +
           root.captured(1).toLatin1() + " R\n/Info " + number + " 0 R\n/Prev " +
           start.captured(1).toLatin1() + "\n>>\nstartxref\n" + QByteArray::number(xrefAt) + "\n%%EOF\n";
    return out;
}
