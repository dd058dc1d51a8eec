#include "ui/VerticalText.h"

#include <QFontMetricsF>
#include <QHash>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QStringView>

#include <string_view>

namespace {

const QHash<char32_t, char32_t> &presentationForms()
{
    static const QHash<char32_t, char32_t> forms{
        {U'、', 0xFE11}, {U'。', 0xFE12}, {U'，', 0xFE10}, {U'：', 0xFE13}, {U'；', 0xFE14}, {U'！', 0xFE15},
        {U'？', 0xFE16}, {U'〖', 0xFE17}, {U'〗', 0xFE18}, {U'…', 0xFE19},  {U'‥', 0xFE30},  {U'—', 0xFE31},
        {U'–', 0xFE32},  {U'＿', 0xFE33}, {U'（', 0xFE35}, {U'）', 0xFE36}, {U'｛', 0xFE37}, {U'｝', 0xFE38},
        {U'〔', 0xFE39}, {U'〕', 0xFE3A}, {U'【', 0xFE3B}, {U'】', 0xFE3C}, {U'《', 0xFE3D}, {U'》', 0xFE3E},
        {U'〈', 0xFE3F}, {U'〉', 0xFE40}, {U'「', 0xFE41}, {U'」', 0xFE42}, {U'『', 0xFE43}, {U'』', 0xFE44},
        {U'［', 0xFE47}, {U'］', 0xFE48},
    };
    return forms;
}

bool turnsOnItsSide(char32_t c)
{
    if (c >= 0x21 && c <= 0x7E)
        return true; // Latin letters, digits and signs lie down in vertical writing
    // Long marks, dashes, arrows, and brackets for a font without their forms.
    static const std::u32string_view lying =
        U"ーｰ～〜－―‐—–＝→←（）「」『』【】〔〕［］｛｝〈〉《》〖〗…‥＿：；";
    return lying.find(c) != std::u32string_view::npos;
}

// Commas and full stops, and their vertical forms.
bool sitsInTheCorner(char32_t c)
{
    static const std::u32string_view corner = U"、。，．\uFE10\uFE11\uFE12";
    return corner.find(c) != std::u32string_view::npos;
}

bool isSmallKana(char32_t c)
{
    static const std::u32string_view small =
        U"ぁぃぅぇぉっゃゅょゎゕゖァィゥェォッャュョヮヵヶㇰㇱㇲㇳㇴㇵㇶㇷㇸㇹㇺㇻㇼㇽㇾㇿ";
    return small.find(c) != std::u32string_view::npos;
}

char32_t codePoint(const QString &character)
{
    if (character.size() == 2 && character[0].isHighSurrogate() && character[1].isLowSurrogate())
        return QChar::surrogateToUcs4(character[0], character[1]);
    return character.size() == 1 ? character[0].unicode() : 0;
}

QRectF inkOf(const QString &text, const QFont &font, const QPointF &origin)
{
    QPainterPath path;
    path.addText(origin, font, text);
    return path.boundingRect();
}

} // namespace

namespace VerticalText {

Glyph glyphFor(const QString &character, const FontHas &fontHas)
{
    Glyph g{character};
    const char32_t c = codePoint(character);
    if (c == 0)
        return g;
    const auto form = presentationForms().constFind(c);
    const bool useForm = form != presentationForms().constEnd() && fontHas && fontHas(*form);
    if (useForm) {
        // The font draws the form where vertical writing wants it.
        g.text = QString::fromUcs4(&*form, 1);
        return g;
    }
    if (sitsInTheCorner(c))
        g.cornered = true;
    else if (isSmallKana(c))
        g.nudged = true;
    else
        g.rotated = turnsOnItsSide(c);
    return g;
}

Glyph glyphFor(const QString &character, const QFont &font)
{
    const QFontMetricsF fm(font);
    return glyphFor(character, [&fm](char32_t c) { return fm.inFontUcs4(c); });
}

qreal cellHeight(const QFont &font, const QPaintDevice *device)
{
    const QFontMetricsF fm = device ? QFontMetricsF(font, device) : QFontMetricsF(font);
    const qreal advance = fm.horizontalAdvance(QChar(u'一'));
    return advance > 0 ? advance : fm.height();
}

namespace {

// The layout; the ink of a character is found only where it is asked for or
// needed to move it, since tracing the outlines is what costs most in a long
// document.
std::vector<Placed> place(const QString &text, const QFont &font, const QRectF &column,
                          const QPaintDevice *device, const FontHas &fontHas, bool everyInk)
{
    std::vector<Placed> placed;
    if (text.isEmpty())
        return placed;
    // Everything is measured at the resolution of the device drawn on.
    QFont deviceFont = font;
    if (device)
        deviceFont = QFont(font, device);
    const QFontMetricsF fm = device ? QFontMetricsF(font, device) : QFontMetricsF(font);
    const FontHas has = fontHas ? fontHas : FontHas([&fm](char32_t c) { return fm.inFontUcs4(c); });
    const qreal em = cellHeight(font, device);
    // Every character stands on the same baseline within its cell: the one
    // that puts an ideograph's strokes in the middle of the square.
    // Found once for each font and resolution: a page of columns, or a
    // booklet of thousands, asks for it again and again.
    thread_local QHash<QString, qreal> middles;
    const QString key = font.key() + u'@' + QString::number(device ? device->logicalDpiY() : 0);
    auto middle = middles.constFind(key);
    if (middle == middles.constEnd()) {
        const QRectF ideograph = inkOf(QStringLiteral("国"), deviceFont, QPointF());
        middle = middles.insert(key, ideograph.isEmpty() ? (fm.ascent() - fm.descent()) / 2
                                                         : -ideograph.center().y());
    }
    const qreal middleAboveBaseline = *middle;

    const qreal left = column.center().x() - em / 2;
    qreal top = column.top();
    for (qsizetype i = 0;
         i < text.size() && top < column.bottom() && qsizetype(placed.size()) < kMaxCharacters;) {
        const qsizetype len =
            (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ? 2 : 1;
        Placed p;
        p.glyph = glyphFor(text.mid(i, len), has);
        i += len;
        p.cell = QRectF(left, top, em, em);
        // One character of the basic plane is measured without shaping a text.
        const qreal advance = p.glyph.text.size() == 1 ? fm.horizontalAdvance(p.glyph.text[0])
                                                       : fm.horizontalAdvance(p.glyph.text);
        if (p.glyph.rotated) {
            p.transform.translate(p.cell.center().x(), p.cell.center().y());
            p.transform.rotate(90);
            p.origin = QPointF(-advance / 2, middleAboveBaseline);
        } else {
            p.origin = QPointF(left + (em - advance) / 2, p.cell.center().y() + middleAboveBaseline);
            if (p.glyph.nudged)
                p.origin += QPointF(em / 8, -em / 8);
        }
        if (everyInk || p.glyph.cornered)
            p.ink = p.transform.mapRect(inkOf(p.glyph.text, deviceFont, p.origin));
        if (p.glyph.cornered) {
            // No vertical form in this font: the comma or stop itself is moved
            // to the middle of the cell's upper right quarter.
            const QPointF target(left + em * 3 / 4, top + em / 4);
            const QPointF shift = target - p.ink.center();
            p.origin += shift;
            p.ink.translate(shift);
        }
        placed.push_back(p);
        top += em;
    }
    return placed;
}

} // namespace

std::vector<Placed> layout(const QString &text, const QFont &font, const QRectF &column,
                           const QPaintDevice *device, const FontHas &fontHas)
{
    return place(text, font, column, device, fontHas, true);
}

void paint(QPainter &painter, const QRectF &column, const QString &text, const QFont &font)
{
    painter.save();
    painter.setClipRect(column, Qt::IntersectClip);
    painter.setFont(font);
    for (const Placed &p : place(text, font, column, painter.device(), {}, false)) {
        if (p.transform.isIdentity()) {
            painter.drawText(p.origin, p.glyph.text);
            continue;
        }
        painter.save();
        painter.setTransform(p.transform, true);
        painter.drawText(p.origin, p.glyph.text);
        painter.restore();
    }
    painter.restore();
}

QString shortened(const QString &text)
{
    if (text.size() <= kMaxCharacters)
        return text;
    qsizetype end = kMaxCharacters;
    // Never half of a surrogate pair.
    if (text[end - 1].isHighSurrogate() && text[end].isLowSurrogate())
        ++end;
    if (end >= text.size())
        return text;
    return text.left(end) + QStringLiteral("…");
}

QString withBars(const QString &poem)
{
    QString text = poem;
    text.replace(QStringLiteral("ー"), QStringLiteral("｜"));
    return text;
}

} // namespace VerticalText
