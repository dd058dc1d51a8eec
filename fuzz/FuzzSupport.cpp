#include "FuzzSupport.h"

#include "store/Cp932.h"

#include <QHash>
#include <QSet>

#include <cstdio>
#include <cstdlib>

namespace FuzzSupport {

namespace {
QByteArray inputName;
}

void setInputName(const QString &name)
{
    inputName = name.toUtf8();
}

void fail(const char *what, const char *file, int line)
{
    std::fprintf(stderr, "fuzz check failed: %s (%s:%d)%s%s\n", what, file, line,
                 inputName.isEmpty() ? "" : " on the input ", inputName.constData());
    std::fflush(stderr);
    std::abort();
}

QList<QByteArrayView> byteLines(QByteArrayView bytes)
{
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

void checkLinesComeBack(QByteArrayView original, const QStringList &lines, const Spellings &spellings)
{
    const QList<QByteArrayView> raw = byteLines(original);
    FUZZ_CHECK(raw.size() == lines.size());

    const EncodedLines encoded = TextLines::encodeLines(lines, spellings);
    FUZZ_CHECK(encoded.ok());
    FUZZ_CHECK(encoded.bytes.endsWith("\r\n") || lines.isEmpty());
    const QList<QByteArrayView> written = byteLines(encoded.bytes);
    FUZZ_CHECK(written.size() == lines.size());

    // The spellings each line text was read under.
    QHash<QString, QSet<QByteArray>> spelledAs;
    for (qsizetype i = 0; i < lines.size(); ++i)
        spelledAs[lines[i]].insert(raw[i].toByteArray());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        FUZZ_CHECK(Cp932::decode(written[i]).text == lines[i]);
        FUZZ_CHECK(written[i] == raw[i] || spelledAs[lines[i]].size() > 1);
    }
}

} // namespace FuzzSupport
