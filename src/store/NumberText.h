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
    // The value as a whole number; 0 when it does not fit one (a damaged line).
    qint64 toInt() const
    {
        const double v = value();
        return v > -9.2e18 && v < 9.2e18 ? qint64(v) : 0;
    }
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
