#pragma once

#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QTransform>

#include <functional>
#include <vector>

class QPainter;
class QPaintDevice;

// Vertical writing, one character a cell from top to bottom, on any painter:
// the poem label, the entry window's preview and a printed page all draw
// through here. Qt lays out no vertical text, so the rules are ours:
// punctuation takes its vertical presentation form when the font has one,
// 、。 sit in the upper right of their cell, small kana move up and right,
// long marks, dashes, brackets without a form and Latin letters lie on
// their side.
namespace VerticalText {

// How one character is drawn.
struct Glyph
{
    QString text;          // the character, or its vertical presentation form
    bool rotated = false;  // turned a quarter to the right
    bool nudged = false;   // small kana: moved up and right
    bool cornered = false; // 、。，． without a form: moved into the cell's upper right quarter
};

// Whether the font can draw a code point.
using FontHas = std::function<bool(char32_t)>;

// The rules for one character (one code point, surrogate pairs whole).
Glyph glyphFor(const QString &character, const FontHas &fontHas);
Glyph glyphFor(const QString &character, const QFont &font);

// One character as placed in a column.
struct Placed
{
    Glyph glyph;
    QRectF cell;          // its square in the column
    QTransform transform; // from the glyph's own coordinates to the column's
    QPointF origin;       // where the text's baseline starts, in the glyph's coordinates
    QRectF ink;           // where its strokes lie, in the column's coordinates
};

// The height of a cell: the font's own advance of a full-width character,
// the em square that vertical writing steps by.
qreal cellHeight(const QFont &font, const QPaintDevice *device = nullptr);

// At most this many characters of a text are laid out or read aloud: more
// than any column holds, and a damaged notebook can hold a "poem" of
// megabytes, which must not hold the window up.
inline constexpr qsizetype kMaxCharacters = 300;

// text itself when it is at most kMaxCharacters UTF-16 units long; otherwise
// its first kMaxCharacters units (a surrogate pair kept whole) and "…".
QString shortened(const QString &text);

// The characters of text that start inside column, from its top, centred
// across it, at most kMaxCharacters of them. A text longer than the column
// stops there: it never wraps into a second column. fontHas defaults to the
// font's own answer.
std::vector<Placed> layout(const QString &text, const QFont &font, const QRectF &column,
                           const QPaintDevice *device = nullptr, const FontHas &fontHas = {});

// Draws text down column with the painter's pen, clipped to the column.
void paint(QPainter &painter, const QRectF &column, const QString &text, const QFont &font);

// A poem as it is set upright: every long-vowel mark "ー" written as the
// full-width bar "｜", which stands in the column.
QString withBars(const QString &poem);

} // namespace VerticalText
