#pragma once

#include <QWidget>

// A label that writes its text top to bottom, one character a cell, the way a
// haiku is written on a tanzaku (drawn by VerticalText). Its text stays as
// set; only the drawing is vertical. A text longer than the label is cut off
// at the bottom. To a screen reader it is a piece of text whose name is the
// poem (a few hundred characters of it at most, VerticalText::shortened);
// its accessibleName says what it holds, followed by its
// accessibleDescription when one is set.
class VerticalLabel : public QWidget
{
    Q_OBJECT
public:
    explicit VerticalLabel(QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
};
