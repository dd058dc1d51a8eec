#pragma once

#include <QString>

#include <vector>

namespace Onsu {

// One word of a text, as a reader splits it.
struct Token
{
    QString surface; // the word as written
    QString reading; // its reading in kana; empty when the reader has none
    // A particle, an auxiliary verb, a suffix or punctuation: it belongs to
    // the word before it, so a part of the poem does not begin with it.
    bool leans = false;
};

// What reads a text into words with their readings: MeCab with its
// dictionary, or in tests anything else.
class Reader
{
public:
    virtual ~Reader() = default;
    // The words of text (text holds no spaces), in order.
    virtual std::vector<Token> words(const QString &text) = 0;
};

} // namespace Onsu
