#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

// A few code page 932 byte sequences are second spellings of a character that
// has a canonical one (NEC row 13 "≒" 87 90 against 81 E0, the NEC-selected IBM
// extensions in ED/EE against FA-FC). A notebook written by hand may use them;
// we remember the bytes each such line was read as so that an unchanged line is
// written back exactly as it was read.
using Spellings = QHash<QString, QByteArray>;

struct DecodedFile
{
    QString text;
    bool valid = true; // false when the file held bytes that are not code page 932
    Spellings spellings;
};

struct EncodedLines
{
    QByteArray bytes;
    qsizetype badLine = -1; // the line holding a character the code page cannot store
    qsizetype badPos = -1;  // its position in that line
    bool ok() const { return badLine < 0; }
};

// Builds a file a line at a time: each line in code page 932 (or in the
// spelling the file had), then CR LF. Stops at the first line that cannot be
// stored and says which.
class LineEncoder
{
public:
    explicit LineEncoder(const Spellings &spellings, qsizetype expectedBytes = 0);
    void append(QStringView line);
    EncodedLines finish();

private:
    const Spellings &m_spellings;
    EncodedLines m_result;
    qsizetype m_used = 0; // bytes of m_result.bytes written so far
    qsizetype m_line = 0;
};

namespace TextLines {

// Calls f(QStringView line) for every line of text. CR LF ends a line; so do a
// lone LF or a lone CR, for files edited by hand. A final line end does not
// start another line.
template <typename F> void forEachLine(QStringView text, F &&f)
{
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c != u'\r' && c != u'\n')
            continue;
        f(text.sliced(start, i - start));
        if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        f(text.sliced(start));
}

QStringList splitLines(QStringView text);

// The number of lines in a file's bytes, counted as forEachLine counts them.
qsizetype lineCount(QByteArrayView bytes);

// The same count over bytes that arrive in pieces, however they are cut.
class LineCounter
{
public:
    void feed(QByteArrayView piece);
    qsizetype lines() const;

private:
    qsizetype m_lines = 0; // line ends seen, but for a CR that ended the last piece
    char m_last = 0;       // the last byte seen
    bool m_any = false;
};

// A byte offset near the middle of a file at which a group of linesPerGroup
// lines begins (line ends read as forEachLine reads them), so that the two
// halves can be read side by side. 0 when the file is smaller than
// smallestShared and not worth sharing (tests pass a smaller size).
qsizetype middleGroupStart(QByteArrayView bytes, int linesPerGroup, qsizetype smallestShared = 64 * 1024);
DecodedFile decodeFile(QByteArrayView bytes);

// Every line followed by CR LF.
EncodedLines encodeLines(const QStringList &lines, const Spellings &spellings = {});

// The numeric value of a line as the data files are read:
// blanks around the number are ignored, reading stops at the first character
// that cannot continue a number, and a line without a number reads as 0.
double numericValue(QStringView text);

// A number as the data files write it: a blank in place of the plus sign and
// one blank after, " 5 " and "-60 ".
QString formatNumber(double value);

} // namespace TextLines
