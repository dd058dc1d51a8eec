#include "ui/VerticalLabel.h"

#include <QFontMetrics>
#include <QHash>
#include <QPainter>
#include <QStringView>

namespace {

const QHash<char16_t, char16_t> &presentationForms()
{
    static const QHash<char16_t, char16_t> forms{
        {u'、', 0xFE11}, {u'。', 0xFE12}, {u'，', 0xFE10}, {u'：', 0xFE13}, {u'；', 0xFE14},
        {u'！', 0xFE15}, {u'？', 0xFE16}, {u'〖', 0xFE17}, {u'〗', 0xFE18}, {u'…', 0xFE19},
        {u'‥', 0xFE30},  {u'—', 0xFE31},  {u'–', 0xFE32},  {u'＿', 0xFE33}, {u'（', 0xFE35},
        {u'）', 0xFE36}, {u'｛', 0xFE37}, {u'｝', 0xFE38}, {u'〔', 0xFE39}, {u'〕', 0xFE3A},
        {u'【', 0xFE3B}, {u'】', 0xFE3C}, {u'《', 0xFE3D}, {u'》', 0xFE3E}, {u'〈', 0xFE3F},
        {u'〉', 0xFE40}, {u'「', 0xFE41}, {u'」', 0xFE42}, {u'『', 0xFE43}, {u'』', 0xFE44},
        {u'［', 0xFE47}, {u'］', 0xFE48},
    };
    return forms;
}

bool turnsOnItsSide(char16_t c)
{
    if (c >= 0x21 && c <= 0x7E)
        return true; // Latin letters, digits and signs lie down in vertical writing
    switch (c) {
    case u'ー': case u'～': case u'〜': case u'－': case u'―': case u'‐': case u'—': case u'–':
    case u'＝': case u'→': case u'←': case u'（': case u'）': case u'「': case u'」': case u'『':
    case u'』': case u'【': case u'】': case u'〔': case u'〕': case u'［': case u'］': case u'｛':
    case u'｝': case u'〈': case u'〉': case u'《': case u'》': case u'…': case u'‥': case u'＿':
    case u'：': case u'；':
        return true;
    default:
        return false;
    }
}

bool isSmallKana(char16_t c)
{
    static const QStringView small = u"ぁぃぅぇぉっゃゅょゎゕゖァィゥェォッャュョヮヵヶㇰㇱㇲㇳㇴㇵㇶㇷㇸㇹㇺㇻㇼㇽㇾㇿ";
    return small.contains(QChar(c));
}

} // namespace

VerticalLabel::VerticalLabel(QWidget *parent) : QWidget(parent) {}

void VerticalLabel::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    update();
}

VerticalLabel::Glyph VerticalLabel::verticalGlyph(const QString &character, const QFont &font)
{
    Glyph g{character, false, false};
    if (character.size() != 1)
        return g;
    const char16_t c = character[0].unicode();
    const auto form = presentationForms().constFind(c);
    if (form != presentationForms().constEnd() && QFontMetrics(font).inFontUcs4(*form)) {
        g.text = QString(QChar(*form));
        return g;
    }
    if (c == u'、' || c == u'。' || c == u'，' || isSmallKana(c)) {
        g.nudged = true;
        return g;
    }
    g.rotated = turnsOnItsSide(c);
    return g;
}

void VerticalLabel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    p.setPen(palette().windowText().color());
    p.setFont(font());
    const QFontMetrics fm(font());
    const int cell = fm.height();
    const int width = this->width();
    int y = 0;
    for (qsizetype i = 0; i < m_text.size() && y < height();) {
        const qsizetype len =
            (m_text[i].isHighSurrogate() && i + 1 < m_text.size() && m_text[i + 1].isLowSurrogate()) ? 2 : 1;
        const Glyph g = verticalGlyph(m_text.mid(i, len), font());
        i += len;
        const QRect box(0, y, width, cell);
        if (g.rotated) {
            p.save();
            p.translate(box.center());
            p.rotate(90);
            p.drawText(QRect(-cell / 2, -width / 2, cell, width), Qt::AlignCenter, g.text);
            p.restore();
        } else if (g.nudged) {
            const int dx = fm.averageCharWidth() / 4 + 1;
            p.drawText(box.translated(dx, -cell / 5), Qt::AlignCenter, g.text);
        } else {
            p.drawText(box, Qt::AlignCenter, g.text);
        }
        y += cell;
    }
}
