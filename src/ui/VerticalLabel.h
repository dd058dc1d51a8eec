#pragma once

#include <QWidget>

// A label that writes its text top to bottom, one character a cell, the way a
// haiku is written on a tanzaku. Punctuation takes its vertical form when the
// font has one; long marks, dashes and Latin letters are turned on their side.
class VerticalLabel : public QWidget
{
    Q_OBJECT
public:
    explicit VerticalLabel(QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);

    // How one character is drawn: as it is, through another code point (a
    // vertical presentation form), turned a quarter to the right, or nudged
    // towards the upper right of its cell (small kana, 、。 without a form).
    struct Glyph
    {
        QString text;
        bool rotated = false;
        bool nudged = false;
    };
    static Glyph verticalGlyph(const QString &character, const QFont &font);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
};
