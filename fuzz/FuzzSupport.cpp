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

QList<QByteArray> byteLines(QByteArrayView bytes)
{
    // Not the readers' way on purpose, so that it checks them: every line end
    // made an LF, then split; a final line end starts no line.
    QByteArray text = bytes.toByteArray();
    text.replace("\r\n", "\n").replace('\r', '\n');
    QList<QByteArray> lines = text.split('\n');
    if (text.isEmpty() || text.endsWith('\n'))
        lines.removeLast();
    return lines;
}

void checkLinesComeBack(QByteArrayView original, const QStringList &lines, const Spellings &spellings)
{
    const QList<QByteArray> raw = byteLines(original);
    FUZZ_CHECK(raw.size() == lines.size());

    const EncodedLines encoded = TextLines::encodeLines(lines, spellings);
    FUZZ_CHECK(encoded.ok());
    FUZZ_CHECK(encoded.bytes.endsWith("\r\n") || lines.isEmpty());
    const QList<QByteArray> written = byteLines(encoded.bytes);
    FUZZ_CHECK(written.size() == lines.size());

    // The spellings each line text was read under.
    QHash<QString, QSet<QByteArray>> spelledAs;
    for (qsizetype i = 0; i < lines.size(); ++i)
        spelledAs[lines[i]].insert(raw[i]);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        FUZZ_CHECK(Cp932::decode(written[i]).text == lines[i]);
        FUZZ_CHECK(written[i] == raw[i] || spelledAs[lines[i]].size() > 1);
    }
}

} // namespace FuzzSupport
