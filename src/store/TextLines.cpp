#include "store/TextLines.h"

#include "store/Cp932.h"

#include <cmath>

namespace TextLines {

QStringList splitLines(QStringView text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.mid(start, i - start).toString());
        if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(text.mid(start).toString());
    return lines;
}

namespace {

QList<QByteArrayView> splitByteLines(const QByteArray &bytes)
{
    // CR and LF never occur as the second byte of a double-byte character,
    // so the byte lines match the text lines one for one.
    QList<QByteArrayView> lines;
    qsizetype start = 0;
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.append(QByteArrayView(bytes).sliced(start, i - start));
        if (c == '\r' && i + 1 < n && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(QByteArrayView(bytes).sliced(start));
    return lines;
}

} // namespace

DecodedLines decodeLines(const QByteArray &bytes)
{
    DecodedLines result;
    const Cp932::Decoded decoded = Cp932::decode(bytes);
    result.valid = decoded.valid;
    result.lines = splitLines(decoded.text);

    // Almost every file reads back to its own bytes; only when it does not do
    // we look for the lines that use a second spelling.
    const Cp932::Encoded again = Cp932::encodeUnverified(decoded.text);
    if (again.ok() && again.bytes == bytes)
        return result;
    const QList<QByteArrayView> raw = splitByteLines(bytes);
    for (qsizetype i = 0; i < raw.size() && i < result.lines.size(); ++i) {
        const Cp932::Encoded line = Cp932::encodeUnverified(result.lines[i]);
        if (!line.ok() || line.bytes != raw[i])
            result.spellings.insert(result.lines[i], raw[i].toByteArray());
    }
    return result;
}

EncodedLines encodeLines(const QStringList &lines, const Spellings &spellings)
{
    EncodedLines result;
    if (spellings.isEmpty()) {
        // One conversion for the whole file; look for the culprit only on failure.
        qsizetype total = 0;
        for (const QString &l : lines)
            total += l.size() + 2;
        QString text;
        text.reserve(total);
        for (const QString &l : lines) {
            text += l;
            text += QLatin1String("\r\n");
        }
        Cp932::Encoded e = Cp932::encode(text);
        if (e.ok()) {
            result.bytes = std::move(e.bytes);
            return result;
        }
    }
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const auto spelled = spellings.constFind(lines[i]);
        if (spelled != spellings.constEnd()) {
            result.bytes += *spelled;
        } else {
            const Cp932::Encoded e = Cp932::encode(lines[i]);
            if (!e.ok()) {
                result.bytes.clear();
                result.badLine = i;
                result.badPos = e.errorPos;
                return result;
            }
            result.bytes += e.bytes;
        }
        result.bytes += "\r\n";
    }
    return result;
}

double numericValue(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto skipBlanks = [&] {
        while (i < n && (text[i] == u' ' || text[i] == u'\t'))
            ++i;
    };
    skipBlanks();
    bool negative = false;
    if (i < n && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
        skipBlanks();
    }
    double value = 0;
    bool any = false;
    while (i < n && text[i] >= u'0' && text[i] <= u'9') {
        value = value * 10 + (text[i].unicode() - u'0');
        ++i;
        any = true;
    }
    if (i < n && text[i] == u'.') {
        ++i;
        double scale = 0.1;
        while (i < n && text[i] >= u'0' && text[i] <= u'9') {
            value += (text[i].unicode() - u'0') * scale;
            scale /= 10;
            ++i;
            any = true;
        }
    }
    if (!any || !std::isfinite(value))
        return 0;
    return negative ? -value : value;
}

QString formatNumber(double value)
{
    QString digits;
    const double magnitude = std::fabs(value);
    if (magnitude == std::floor(magnitude) && magnitude < 1e15)
        digits = QString::number(qint64(magnitude));
    else
        digits = QString::number(magnitude, 'g', 15);
    return (value < 0 ? QLatin1String("-") : QLatin1String(" ")) + digits + QLatin1Char(' ');
}

} // namespace TextLines
