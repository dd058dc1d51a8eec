#pragma once

#include "onsu/Reader.h"

#include <QString>
#include <QStringView>

#include <vector>

// Counting a haiku's sounds (on, morae), the 5・7・5 a poet counts on their
// fingers. Every kana, ん, っ and ー is one sound; a kana with a small
// ゃゅょぁぃぅぇぉゎ after it is one sound together; spaces and punctuation
// are none. Kanji are counted by their reading: the reader's (MeCab's), or
// the poet's own in brackets after them, 蛙（かわず）. The poem is cut into its
// three parts where the poet typed a space, else at the word boundaries
// nearest to 5・7・5. Pure functions over strings, so that every rule can be
// tried without a dictionary.
namespace Onsu {

// The sounds of a piece of text read as kana. Characters that are letters or
// digits but not kana have no sound of their own: they are counted in han
// (kanji) and other (Latin letters, digits, …) instead.
struct Sounds
{
    int count = 0;
    int han = 0;
    int other = 0;
    bool known() const { return han == 0 && other == 0; }
};
Sounds kana(QStringView text);

// A poem counted.
struct Count
{
    std::vector<int> parts; // the three parts' sounds, or none when the poem has too few words to cut
    int total = 0;
    // Some word has no reading: total holds a guess for it.
    bool approximate = false;
    // No dictionary, and characters that only a dictionary reads: total is
    // the kana's sounds alone.
    bool unreadable = false;
    // Too long to be counted at all.
    bool tooLong = false;
};

// Poems longer than this many characters are not counted: no haiku is, and
// the count follows every key pressed.
inline constexpr int kLongest = 200;

// Counts poem with reader's words; reader null counts the kana alone.
Count count(const QString &poem, Reader *reader);

// The line the poet sees: "5・7・5（17音）", "6・7・5（18音・字余り）",
// "約17音", …; empty for a poem without sounds.
QString describe(const Count &count);

} // namespace Onsu
