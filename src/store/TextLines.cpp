#include "store/TextLines.h"

#include "store/Cp932.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace TextLines {

QStringList splitLines(QStringView text)
{
    QStringList lines;
    forEachLine(text, [&lines](QStringView line) { lines.append(line.toString()); });
    return lines;
}

qsizetype lineCount(QByteArrayView bytes)
{
    LineCounter counter;
    counter.feed(bytes);
    return counter.lines();
}

void LineCounter::feed(QByteArrayView piece)
{
    // CR and LF are never the second byte of a character. Every LF ends a
    // line, and so does a CR that no LF follows.
    if (piece.isEmpty())
        return;
    const char *b = piece.data();
    const char *end = b + piece.size();
    if (m_last == '\r' && *b != '\n')
        ++m_lines;
    m_lines += std::count(b, end, '\n');
    for (const char *cr = b; (cr = static_cast<const char *>(std::memchr(cr, '\r', size_t(end - cr))));
         ++cr) {
        if (cr + 1 != end && cr[1] != '\n')
            ++m_lines;
    }
    m_last = end[-1];
    m_any = true;
}

qsizetype LineCounter::lines() const
{
    if (m_last == '\r')
        return m_lines + 1; // the CR that ends the file ends a line
    if (m_any && m_last != '\n')
        return m_lines + 1; // the last line has no line end
    return m_lines;
}

qsizetype middleGroupStart(QByteArrayView bytes, int linesPerGroup, qsizetype smallestShared)
{
    const qsizetype n = bytes.size();
    if (n < smallestShared)
        return 0;
    // CR and LF are never the second byte of a character, so lines can be
    // counted on the bytes.
    qsizetype lines = 0;
    qsizetype i = 0;
    auto nextLineEnd = [&] {
        while (i < n && bytes[i] != '\r' && bytes[i] != '\n')
            ++i;
        if (i >= n)
            return false;
        if (bytes[i] == '\r' && i + 1 < n && bytes[i + 1] == '\n')
            ++i;
        ++i;
        ++lines;
        return true;
    };
    while (i < n / 2 && nextLineEnd()) {
    }
    while (lines % linesPerGroup != 0 && nextLineEnd()) {
    }
    return i < n && lines % linesPerGroup == 0 ? i : 0;
}

namespace {

QList<QByteArrayView> splitByteLines(QByteArrayView bytes)
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
        lines.append(bytes.sliced(start, i - start));
        if (c == '\r' && i + 1 < n && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(bytes.sliced(start));
    return lines;
}

} // namespace

DecodedFile decodeFile(QByteArrayView bytes)
{
    DecodedFile result;
    Cp932::Decoded decoded = Cp932::decode(bytes);
    result.valid = decoded.valid;
    result.text = std::move(decoded.text);
    if (!decoded.secondSpellings)
        return result;
    // Remember how each line that uses a second spelling was written.
    const QList<QByteArrayView> raw = splitByteLines(bytes);
    qsizetype i = 0;
    forEachLine(result.text, [&](QStringView line) {
        if (i < raw.size()) {
            const Cp932::Encoded e = Cp932::encode(line);
            if (!e.ok() || e.bytes != raw[i])
                result.spellings.insert(line.toString(), raw[i].toByteArray());
        }
        ++i;
    });
    return result;
}

EncodedLines encodeLines(const QStringList &lines, const Spellings &spellings)
{
    qsizetype total = 0;
    for (const QString &l : lines)
        total += l.size() * 2 + 2;
    LineEncoder encoder(spellings, total);
    for (const QString &l : lines)
        encoder.append(l);
    return encoder.finish();
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

LineEncoder::LineEncoder(const Spellings &spellings, qsizetype expectedBytes) : m_spellings(spellings)
{
    m_result.bytes.resize(qMax<qsizetype>(expectedBytes, 256));
}

void LineEncoder::append(QStringView line)
{
    if (!m_result.ok())
        return;
    const auto spelled =
        m_spellings.isEmpty() ? m_spellings.constEnd() : m_spellings.constFind(line.toString());
    const qsizetype room = spelled != m_spellings.constEnd() ? spelled->size() + 2 : line.size() * 2 + 2;
    if (m_used + room > m_result.bytes.size())
        m_result.bytes.resize(qMax(m_result.bytes.size() * 2, m_used + room));
    char *dst = m_result.bytes.data() + m_used;
    if (spelled != m_spellings.constEnd()) {
        dst = std::copy(spelled->cbegin(), spelled->cend(), dst);
    } else {
        qsizetype bad = -1;
        dst = Cp932::encodeTo(line, dst, &bad);
        if (!dst) {
            m_result.badLine = m_line;
            m_result.badPos = bad;
            return;
        }
    }
    *dst++ = '\r';
    *dst++ = '\n';
    m_used = dst - m_result.bytes.constData();
    ++m_line;
}

EncodedLines LineEncoder::finish()
{
    m_result.bytes.resize(m_result.ok() ? m_used : 0);
    return std::move(m_result);
}
