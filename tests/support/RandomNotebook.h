#pragma once

#include "store/Notebook.h"

#include <QMap>

#include <random>

// Random notebooks within code page 932, reproducible from a seed: Japanese
// text of every kind the code page holds (NEC row 13 and the IBM extensions
// too), blanks at either end, empty values, random lock flags and numbers.
class RandomNotebook
{
public:
    explicit RandomNotebook(quint64 seed) : m_rng(seed) {}

    struct Size
    {
        int haiku = 0;
        int categories = 0;
        int memos = 0;
    };

    int between(int low, int high); // both ends included
    bool chance(int percent);

    QChar character();
    // A one-line value of up to maxLength characters (possibly empty).
    QString line(int maxLength);
    // Lines joined by "\n": some empty, some with trailing blanks, perhaps
    // ending in an empty line.
    QString memo(int maxLines);
    QDateTime dateTime();

    // Replaces the notebook's haiku, categories, keywords and settings, and
    // gives back a memo for size.memos of the haiku, by memo number.
    QMap<qint64, QString> fill(Notebook &nb, const Size &size);

private:
    std::mt19937_64 m_rng;
};
