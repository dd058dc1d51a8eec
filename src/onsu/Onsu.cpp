#include "onsu/Onsu.h"

#include <QChar>
#include <QList>

#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>

namespace Onsu {

namespace {

enum class Kind {
    Sound,     // a kana, ん, っ, ー, ゝ: one sound
    TwoSounds, // the ligatures ゟ (より) and ヿ (コト)
    Small,     // ゃゅょぁぃぅぇぉゎ and their katakana: one sound with the kana before
    Mark,      // a voicing mark: part of the kana before
    Letter,    // a letter or digit that is not kana: read only through a dictionary
    Nothing,   // spaces, punctuation, symbols
};

bool isIn(std::u32string_view set, char32_t c)
{
    return set.find(c) != std::u32string_view::npos;
}

Kind kindOf(char32_t c)
{
    if (isIn(U"ぁぃぅぇぉゃゅょゎァィゥェォャュョヮｧｨｩｪｫｬｭｮ", c))
        return Kind::Small;
    // The hiragana and katakana letters (っ, ッ, ヵ, ヶ among them) and the
    // half-width katakana with ｯ and ｰ; ・ and the voicing marks lie outside.
    if ((c >= U'ぁ' && c <= U'ゖ') || (c >= U'ァ' && c <= U'ヺ') || (c >= U'ｦ' && c <= U'ﾝ') ||
        isIn(U"ーゝゞヽヾ", c))
        return Kind::Sound;
    if (isIn(U"ゟヿ", c))
        return Kind::TwoSounds;
    if (isIn(U"\u3099\u309A゛゜ﾞﾟ", c)) // the combining voicing marks too
        return Kind::Mark;
    return QChar::isLetterOrNumber(c) ? Kind::Letter : Kind::Nothing;
}

bool isHan(char32_t c)
{
    return QChar::script(c) == QChar::Script_Han || c == U'〆';
}

// A word of the poem as counted.
struct Unit
{
    int sounds = 0;  // its kana's sounds, or its reading's
    int guessed = 0; // for a word without reading: the sounds guessed for its other characters
    bool known = true;
    bool leans = false;      // see Token::leans
    bool afterSpace = false; // the poet typed a space before it
};

Unit unitFor(const Token &t)
{
    Unit u;
    u.leans = t.leans;
    const Sounds written = kana(t.surface);
    if (written.known()) {
        u.sounds = written.count;
        return u;
    }
    // A reading is trusted for kanji; a number or a Latin word read by the
    // dictionary letter by letter is not what the poet says.
    if (written.other == 0 && !t.reading.isEmpty()) {
        const Sounds read = kana(t.reading);
        if (read.known()) {
            u.sounds = read.count;
            return u;
        }
    }
    // Two sounds a kanji and one for any other letter or digit: about what
    // they take, said as a guess.
    u.known = false;
    u.sounds = written.count;
    u.guessed = 2 * written.han + written.other;
    return u;
}

QString fromUcs4(const std::u32string &text, std::size_t from, std::size_t to)
{
    return QString::fromUcs4(text.data() + from, qsizetype(to - from));
}

// Reads the words of a piece of the poem without spaces into units. Kana in
// brackets are the reading of the kanji right before them, 蛙（かわず）, and
// count for them; brackets holding anything else are punctuation.
void readPiece(const std::u32string &text, Reader *reader, bool afterSpace, std::vector<Unit> &units)
{
    const std::size_t first = units.size();
    auto readPlain = [&](std::size_t from, std::size_t to) {
        if (from >= to)
            return;
        const QString surface = fromUcs4(text, from, to);
        // Without a dictionary the words are not known: the piece is one.
        const std::vector<Token> words =
            reader ? reader->words(surface) : std::vector<Token>{{surface, {}, false}};
        for (const Token &t : words)
            units.push_back(unitFor(t));
    };

    std::size_t from = 0;
    for (std::size_t open = 0; open < text.size(); ++open) {
        const char32_t opener = text[open];
        if (opener != U'（' && opener != U'(')
            continue;
        const std::size_t close = text.find(opener == U'（' ? U'）' : U')', open + 1);
        if (close == std::u32string::npos)
            break;
        const Sounds reading = kana(fromUcs4(text, open + 1, close));
        std::size_t base = open;
        while (base > from && kindOf(text[base - 1]) == Kind::Letter)
            --base;
        if (!reading.known() || reading.count == 0)
            continue;
        readPlain(from, base);
        Unit ruby;
        ruby.sounds = reading.count;
        units.push_back(ruby);
        from = close + 1;
        open = close;
    }
    readPlain(from, text.size());
    if (afterSpace && units.size() > first)
        units[first].afterSpace = true;
}

// Where to cut units into three parts of at least one sound each: at two of
// the spaces the poet typed when there are two or more; at the one space
// typed and a word boundary; else at two word boundaries. Of those, the cut
// nearest to 5・7・5: the least sum of squared differences, with 5 more for
// each cut before a word that leans on the one before (a particle begins a
// part only when the free word boundaries all lie well off); on a
// tie the one with the fewest sounds off, then the last part nearer to
// five (a short or long last part is the rarest), then the middle part
// nearer to seven, then the earlier one.
std::vector<int> split(const std::vector<Unit> &units)
{
    const std::size_t n = units.size();
    std::vector<int> before(n + 1, 0); // sounds before unit i
    std::vector<std::size_t> typed;
    for (std::size_t i = 0; i < n; ++i) {
        before[i + 1] = before[i] + units[i].sounds;
        if (i > 0 && units[i].afterSpace)
            typed.push_back(i);
    }
    auto isTyped = [&](std::size_t i) { return i > 0 && units[i].afterSpace; };
    auto leans = [&](std::size_t i) { return units[i].leans && !units[i].afterSpace; };

    std::optional<std::tuple<int, int, int, int>> best;
    std::vector<int> parts;
    for (std::size_t a = 1; a + 1 < n; ++a) {
        for (std::size_t b = a + 1; b < n; ++b) {
            if (typed.size() >= 2 && !(isTyped(a) && isTyped(b)))
                continue;
            if (typed.size() == 1 && a != typed.front() && b != typed.front())
                continue;
            const int p1 = before[a];
            const int p2 = before[b] - before[a];
            const int p3 = before[n] - before[b];
            if (p1 == 0 || p2 == 0 || p3 == 0)
                continue;
            const int d1 = p1 - 5, d2 = p2 - 7, d3 = p3 - 5;
            const auto key =
                std::make_tuple(d1 * d1 + d2 * d2 + d3 * d3 + 5 * (int(leans(a)) + int(leans(b))),
                                std::abs(d1) + std::abs(d2) + std::abs(d3), std::abs(d3), std::abs(d2));
            if (!best || key < *best) {
                best = key;
                parts = {p1, p2, p3};
            }
        }
    }
    return parts;
}

} // namespace

Sounds kana(QStringView text)
{
    Sounds s;
    bool afterKana = false;
    for (const char32_t c : text.toUcs4()) {
        switch (kindOf(c)) {
        case Kind::Sound:
            ++s.count;
            afterKana = true;
            break;
        case Kind::TwoSounds:
            s.count += 2;
            afterKana = true;
            break;
        case Kind::Small:
            if (!afterKana)
                ++s.count; // nothing before to join: a sound of its own
            afterKana = true;
            break;
        case Kind::Mark: break;
        case Kind::Letter:
            ++(isHan(c) ? s.han : s.other);
            afterKana = false;
            break;
        case Kind::Nothing: afterKana = false; break;
        }
    }
    return s;
}

Count count(const QString &poem, Reader *reader)
{
    Count c;
    if (poem.size() > kLongest) {
        c.tooLong = true;
        return c;
    }
    // The poem's pieces between spaces; control and format characters are
    // dropped, they neither sound nor separate.
    std::vector<Unit> units;
    std::u32string piece;
    bool afterSpace = false;
    auto endPiece = [&] {
        if (!piece.empty())
            readPiece(piece, reader, afterSpace, units);
        piece.clear();
        afterSpace = !units.empty();
    };
    for (const char32_t ch : poem.toUcs4()) {
        if (QChar::isSpace(ch)) {
            endPiece();
            continue;
        }
        const QChar::Category cat = QChar::category(ch);
        if (cat != QChar::Other_Control && cat != QChar::Other_Format)
            piece += ch;
    }
    endPiece();

    int guessed = 0;
    bool allKnown = true;
    for (const Unit &u : units) {
        c.total += u.sounds;
        guessed += u.guessed;
        allKnown = allKnown && u.known;
    }
    if (allKnown)
        c.parts = split(units);
    else if (reader) {
        c.approximate = true;
        c.total += guessed;
    } else {
        c.unreadable = true;
    }
    return c;
}

QString describe(const Count &c)
{
    if (c.tooLong)
        return QStringLiteral("句が長いため、音数は数えていません");
    if (c.unreadable) {
        return c.total > 0 ? QStringLiteral("仮名だけで%1音・読みが分からない字があります").arg(c.total)
                           : QStringLiteral("読みが分からない字があります");
    }
    if (c.total == 0)
        return {};
    if (c.approximate)
        return QStringLiteral("約%1音").arg(c.total);
    if (c.parts.size() != 3)
        return QStringLiteral("%1音").arg(c.total);
    static constexpr int kMeasure[] = {5, 7, 5};
    bool over = false;
    bool under = false;
    for (std::size_t i = 0; i < 3; ++i) {
        over = over || c.parts[i] > kMeasure[i];
        under = under || c.parts[i] < kMeasure[i];
    }
    QString line =
        QStringLiteral("%1・%2・%3（%4音").arg(c.parts[0]).arg(c.parts[1]).arg(c.parts[2]).arg(c.total);
    if (over)
        line += QStringLiteral("・字余り");
    if (under)
        line += QStringLiteral("・字足らず");
    return line + u'）';
}

} // namespace Onsu
