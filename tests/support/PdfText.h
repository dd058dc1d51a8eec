#pragma once

// PDFs read back with poppler's tools: the text, its places, the fonts, the
// pages.

#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QXmlStreamReader>

#include <algorithm>

namespace {

inline QString runTool(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QStringLiteral("<%1 failed: %2>").arg(program, QString::fromUtf8(p.readAllStandardError()));
    return QString::fromUtf8(p.readAllStandardOutput());
}

inline int pageCount(const QString &pdf)
{
    const QRegularExpression pagesLine(QStringLiteral("^Pages:\\s+(\\d+)"),
                                       QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = pagesLine.match(runTool(QStringLiteral("pdfinfo"), {pdf}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

inline QString fontsOf(const QString &pdf)
{
    return runTool(QStringLiteral("pdffonts"), {pdf});
}

struct PdfChar
{
    double x = 0; // the middle of its box, points from the left
    double top = 0;
    double width = 0;
    QString text;
};

// Every character of every page, as pdftotext finds them; vertical text
// comes out as one word a character.
inline QList<QList<PdfChar>> readChars(const QString &pdf)
{
    QList<QList<PdfChar>> pages;
    QXmlStreamReader xml(runTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, "-"}));
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("page")) {
            pages.append(QList<PdfChar>());
        } else if (xml.isStartElement() && xml.name() == QLatin1String("word") && !pages.isEmpty()) {
            const auto a = xml.attributes();
            PdfChar c;
            c.x = (a.value(QLatin1String("xMin")).toDouble() + a.value(QLatin1String("xMax")).toDouble()) / 2;
            c.top = a.value(QLatin1String("yMin")).toDouble();
            c.width = a.value(QLatin1String("xMax")).toDouble() - a.value(QLatin1String("xMin")).toDouble();
            c.text = xml.readElementText();
            // A vertical form reads back as itself: "︑" for "、".
            if (c.text.size() == 1 && c.text[0].unicode() >= 0xFE10 && c.text[0].unicode() <= 0xFE4F)
                c.text = c.text.normalized(QString::NormalizationForm_KC);
            pages.last().append(c);
        }
    }
    return pages;
}

struct PdfColumn
{
    double x = 0;
    QString text;
};

// The columns of a page as a reader takes them: right to left, each from
// the top down. A character belongs to the column whose middle is within
// half a cell of its own (small kana stand a little to the right).
inline QList<PdfColumn> columnsOf(QList<PdfChar> chars, double cell = 14)
{
    std::sort(chars.begin(), chars.end(), [](const PdfChar &a, const PdfChar &b) { return a.x > b.x; });
    QList<QList<PdfChar>> groups;
    for (const PdfChar &c : chars) {
        if (groups.isEmpty() || groups.last().first().x - c.x > cell / 2)
            groups.append(QList<PdfChar>());
        groups.last().append(c);
    }
    QList<PdfColumn> columns;
    for (QList<PdfChar> &g : groups) {
        std::sort(g.begin(), g.end(), [](const PdfChar &a, const PdfChar &b) { return a.top < b.top; });
        PdfColumn column{g.first().x, QString()};
        for (const PdfChar &c : g)
            column.text += c.text;
        columns.append(column);
    }
    return columns;
}

inline QStringList textsOf(const QList<PdfColumn> &columns)
{
    QStringList texts;
    for (const PdfColumn &c : columns)
        texts.append(c.text);
    return texts;
}

} // namespace
