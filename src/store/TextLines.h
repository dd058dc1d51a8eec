#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

// A few code page 932 byte sequences are second spellings of a character that
// has a canonical one (NEC row 13 "≒" 87 90 against 81 E0, the NEC-selected IBM
// extensions in ED/EE against FA-FC). A notebook written by hand may use them;
// we remember the original bytes of each such line so that an unchanged line is
// written back exactly as it was read.
using Spellings = QHash<QString, QByteArray>;

struct DecodedLines
{
    QStringList lines;
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

namespace TextLines {

// Splits a file into lines. CR LF ends a line; so do a lone LF or a lone CR,
// for files edited by hand. A final line end does not start another line.
QStringList splitLines(QStringView text);
DecodedLines decodeLines(const QByteArray &bytes);

// Every line followed by CR LF.
EncodedLines encodeLines(const QStringList &lines, const Spellings &spellings = {});

// The numeric value of a line the way the data files have always been read:
// blanks around the number are ignored, reading stops at the first character
// that cannot continue a number, and a line without a number reads as 0.
double numericValue(QStringView text);

// A number as the data files write it: a blank in place of the plus sign and
// one blank after, " 5 " and "-60 ".
QString formatNumber(double value);

} // namespace TextLines
