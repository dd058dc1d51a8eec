#pragma once

#include "store/TextLines.h"

// A numeric line of a data file. It keeps the text it was read as, so that a
// value the program did not change is written back to the byte.
class NumberText
{
public:
    NumberText() = default;
    explicit NumberText(double value) : m_text(TextLines::formatNumber(value)) {}
    static NumberText fromText(const QString &text)
    {
        NumberText n;
        n.m_text = text;
        return n;
    }

    double value() const { return TextLines::numericValue(m_text); }
    qint64 toInt() const { return qint64(value()); }
    const QString &text() const { return m_text; }

    // Rewrites the text only when the value really changes.
    void set(double value)
    {
        if (value != this->value() || m_text.isEmpty())
            m_text = TextLines::formatNumber(value);
    }

private:
    QString m_text = TextLines::formatNumber(0);
};
