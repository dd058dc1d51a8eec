#include "store/Cp932.h"

#include "store/LargeBuffer.h"

#include <cstring>
#include <iconv.h>

#include <vector>

namespace {

// glibc's converter is exact for Windows-31J but slow when called a
// character at a time and not fast in bulk either. We ask it once for every
// code of the code page and keep the answers in two tables; after that a
// conversion is a table look-up a character.
class Tables
{
public:
    static const Tables &get()
    {
        static const Tables tables;
        return tables;
    }

    // Text of a single byte, or 0 when the byte starts a pair or is invalid.
    char16_t single[256] = {};
    bool lead[256] = {};
    // Text of a pair, indexed (lead << 8) | trail; 0 when the pair is invalid.
    std::vector<char16_t> pair = std::vector<char16_t>(65536, 0);
    // Bytes of a character: 0 when it has none, a single byte as 0x00NN (never
    // 0: NUL is ASCII), a pair as (lead << 8) | trail, always 0x8140 or above.
    std::vector<uint16_t> bytes = std::vector<uint16_t>(65536, 0);
    // Pairs that read as a character written with other bytes.
    std::vector<bool> secondSpelling = std::vector<bool>(65536, false);

private:
    Tables()
    {
        iconv_t dec = iconv_open("UTF-16LE", "CP932");
        iconv_t enc = iconv_open("CP932", "UTF-16LE");
        if (dec == reinterpret_cast<iconv_t>(-1) || enc == reinterpret_cast<iconv_t>(-1))
            qFatal("iconv has no CP932 converter");

        auto decodeOne = [dec](const char *in, size_t len, char16_t &out) {
            iconv(dec, nullptr, nullptr, nullptr, nullptr);
            char *src = const_cast<char *>(in);
            char buf[8];
            char *dst = buf;
            size_t inLeft = len, outLeft = sizeof buf;
            if (iconv(dec, &src, &inLeft, &dst, &outLeft) == size_t(-1) || inLeft != 0 || dst - buf != 2)
                return false;
            std::memcpy(&out, buf, 2);
            return true;
        };
        auto encodeOne = [enc](char16_t c, uint16_t &out) {
            iconv(enc, nullptr, nullptr, nullptr, nullptr);
            char *src = reinterpret_cast<char *>(&c);
            char buf[8];
            char *dst = buf;
            size_t inLeft = 2, outLeft = sizeof buf;
            if (iconv(enc, &src, &inLeft, &dst, &outLeft) == size_t(-1))
                return false;
            const auto n = dst - buf;
            const auto b0 = static_cast<unsigned char>(buf[0]);
            const auto b1 = static_cast<unsigned char>(buf[1]);
            out = n == 1 ? uint16_t(b0) : uint16_t((b0 << 8) | b1);
            return n == 1 || n == 2;
        };

        std::vector<bool> seen(65536, false);
        auto learn = [&](char16_t c, uint16_t code) {
            if (!seen[c]) {
                seen[c] = true;
                bytes[c] = code;
                return;
            }
            // Two codes for one character: the one glibc writes is the canonical one.
            uint16_t canonical;
            if (encodeOne(c, canonical))
                bytes[c] = canonical;
        };

        for (int b = 0; b < 256; ++b) {
            const char in = char(b);
            char16_t c;
            if (decodeOne(&in, 1, c)) {
                single[b] = c;
                learn(c, uint16_t(b));
            } else {
                lead[b] = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
            }
        }
        for (int l = 0x81; l <= 0xFC; ++l) {
            if (!lead[l])
                continue;
            for (int t = 0x40; t <= 0xFC; ++t) {
                const char in[2] = {char(l), char(t)};
                char16_t c;
                if (decodeOne(in, 2, c)) {
                    pair[std::size_t((l << 8) | t)] = c;
                    learn(c, uint16_t((l << 8) | t));
                }
            }
        }
        for (int code = 0x8140; code < 65536; ++code) {
            const char16_t c = pair[std::size_t(code)];
            secondSpelling[std::size_t(code)] = c && bytes[c] != code;
        }
        iconv_close(dec);
        iconv_close(enc);
    }
};

// Characters glibc maps to a byte that reads back as another character; the
// tables never hold them, but name them so the intent is plain.
bool isRefusedOutright(char16_t u)
{
    return u == 0x00A5 || u == 0x203E;
}

// The first byte a character is written with (0 for none).
unsigned firstByte(const Tables &t, char16_t u)
{
    if (u < 0x80)
        return u;
    if (Cp932::isEscapedByte(QChar(u)))
        return u - 0xDC00u;
    const uint16_t code = isRefusedOutright(u) ? 0 : t.bytes[u];
    return code >= 0x100 ? code >> 8 : code;
}

// An escaped byte reads back as the same escape only when it is no character
// of its own and makes no pair with the byte after it. A damaged byte next to
// a character written in other bytes than it was read in (a second spelling),
// or next to something typed after it, could otherwise turn both into other text.
bool escapeReadsBack(const Tables &t, unsigned char b, char16_t next)
{
    if (t.single[b])
        return false;
    return !t.lead[b] || !t.pair[std::size_t((b << 8) | firstByte(t, next))];
}

} // namespace

namespace {

// Decodes in[0..n) to out. A lead byte that ends the run is left for the
// next one unless last: *left is then 1. Returns the units written.
qsizetype decodeRun(const Tables &t, const unsigned char *in, qsizetype n, bool last, char16_t *out,
                    Cp932::Decoded &result, qsizetype *left)
{
    qsizetype o = 0;
    *left = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned char b = in[i];
        if (b < 0x80) {
            out[o++] = b;
            continue;
        }
        if (t.lead[b] && i + 1 == n && !last) {
            *left = 1;
            break;
        }
        if (t.lead[b] && i + 1 < n) {
            const std::size_t code = std::size_t((b << 8) | in[i + 1]);
            if (const char16_t c = t.pair[code]) {
                if (t.secondSpelling[code])
                    result.secondSpellings = true;
                out[o++] = c;
                ++i;
                continue;
            }
        } else if (const char16_t c = t.single[b]) {
            out[o++] = c;
            continue;
        }
        // Not valid code page 932: keep the byte itself as an escape.
        out[o++] = char16_t(0xDC00 + b);
        result.valid = false;
    }
    return o;
}

} // namespace

Cp932::Decoded Cp932::decode(QByteArrayView bytes)
{
    const Tables &t = Tables::get();
    Decoded result;
    QString &text = result.text;
    text.resize(bytes.size()); // one byte or two make one UTF-16 unit
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    LargeBuffer::preferHugePages(out, std::size_t(bytes.size()) * 2);
    qsizetype left = 0;
    text.resize(decodeRun(t, reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size(), true, out,
                          result, &left));
    return result;
}

Cp932::PieceDecoder::PieceDecoder(qsizetype expectedBytes)
{
    m_result.text.reserve(expectedBytes);
    LargeBuffer::preferHugePages(m_result.text.constData(), std::size_t(expectedBytes) * 2);
}

void Cp932::PieceDecoder::feed(QByteArrayView piece)
{
    if (piece.isEmpty())
        return;
    const Tables &t = Tables::get();
    QString &text = m_result.text;
    // Room for every byte as a unit of its own, and the carried one.
    text.resize(m_used + piece.size() + 1);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    const auto *in = reinterpret_cast<const unsigned char *>(piece.data());
    qsizetype from = 0;
    qsizetype left = 0;
    if (m_carry >= 0) {
        // The carried lead byte and the first of this piece, as they would
        // have been decoded side by side.
        const unsigned char joined[2] = {static_cast<unsigned char>(m_carry), in[0]};
        m_used += decodeRun(t, joined, 2, false, out + m_used, m_result, &left);
        from = 1 - left; // a first byte that is a lead byte itself starts the run below
        m_carry = -1;
    }
    m_used += decodeRun(t, in + from, piece.size() - from, false, out + m_used, m_result, &left);
    if (left)
        m_carry = in[piece.size() - 1];
    text.resize(m_used);
}

Cp932::Decoded Cp932::PieceDecoder::finish()
{
    if (m_carry >= 0) {
        const unsigned char last = static_cast<unsigned char>(m_carry);
        m_result.text.resize(m_used + 1);
        qsizetype left = 0;
        m_used += decodeRun(Tables::get(), &last, 1, true,
                            reinterpret_cast<char16_t *>(m_result.text.data()) + m_used, m_result, &left);
        m_result.text.resize(m_used);
        m_carry = -1;
    }
    return std::move(m_result);
}

char *Cp932::encodeTo(QStringView text, char *dst, qsizetype *errorPos)
{
    const Tables &t = Tables::get();
    const uint16_t *table = t.bytes.data();
    const char16_t *in = reinterpret_cast<const char16_t *>(text.data());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = in[i];
        if (u < 0x80) {
            *dst++ = char(u);
            continue;
        }
        const uint16_t code = isRefusedOutright(u) ? 0 : table[u];
        if (code && code < 0x100) {
            *dst++ = char(code);
        } else if (code) {
            *dst++ = char(code >> 8);
            *dst++ = char(code & 0xFF);
        } else if (isEscapedByte(QChar(u)) && escapeReadsBack(t, u - 0xDC00, i + 1 < n ? in[i + 1] : 0)) {
            *dst++ = char(u - 0xDC00);
        } else {
            *errorPos = i; // a surrogate pair is reported at its first half
            return nullptr;
        }
    }
    return dst;
}

Cp932::Encoded Cp932::encode(QStringView text)
{
    Encoded result;
    result.bytes.resize(text.size() * 2);
    if (char *end = encodeTo(text, result.bytes.data(), &result.errorPos))
        result.bytes.resize(end - result.bytes.constData());
    else
        result.bytes.clear();
    return result;
}

// The character at pos; a surrogate pair counts as one.
static QString characterAt(QStringView text, qsizetype pos)
{
    if (pos < 0 || pos >= text.size())
        return {};
    if (text[pos].isHighSurrogate() && pos + 1 < text.size() && text[pos + 1].isLowSurrogate())
        return text.mid(pos, 2).toString();
    return QString(text[pos]);
}

QString Cp932::describeCharacter(QStringView text, qsizetype pos)
{
    const QString ch = characterAt(text, pos);
    if (ch.isEmpty())
        return {};
    // A byte of a damaged file, carried through: named by its value, since
    // it is no character that could be shown.
    if (ch.size() == 1 && isEscapedByte(ch[0]))
        return QStringLiteral("「読めないバイト 0x%1」")
            .arg(QString::number(ch[0].unicode() - 0xDC00, 16).toUpper());
    const char32_t code = ch.size() == 2 ? QChar::surrogateToUcs4(ch[0], ch[1]) : ch[0].unicode();
    const QString hex = QStringLiteral("%1").arg(uint(code), 4, 16, QLatin1Char('0')).toUpper();
    return QStringLiteral("「%1」(U+%2)").arg(ch, hex);
}

char16_t Cp932::twinOf(char32_t c)
{
    // Characters with no bytes of their own in the code page, each with a
    // look-alike that has them. Written, they would come back as another
    // character, so they are refused, and the look-alike is offered.
    struct Twin
    {
        char16_t refused, twin;
    };
    static constexpr Twin twins[] = {
        {u'\u301C', u'\uFF5E'}, // 〜 wave dash: ～
        {u'\u2212', u'\uFF0D'}, // − minus sign: －
        {u'\u2016', u'\u2225'}, // ‖ double vertical line: ∥
        {u'\u00A2', u'\uFFE0'}, // ¢: ￠
        {u'\u00A3', u'\uFFE1'}, // £: ￡
        {u'\u00AC', u'\uFFE2'}, // ¬: ￢
        {u'\u2014', u'\u2015'}, // — em dash: ― horizontal bar
        {u'\u00A5', u'\uFFE5'}, // ¥: ￥
        {u'\u203E', u'\uFFE3'}, // ‾ overline: ￣
    };
    for (const Twin &t : twins) {
        if (t.refused == c)
            return t.twin;
    }
    return 0;
}

QString Cp932::twinAdvice(QStringView text, qsizetype pos)
{
    const QString ch = characterAt(text, pos);
    const char16_t twin = ch.size() == 1 ? twinOf(ch[0].unicode()) : 0;
    if (!twin)
        return {};
    return QStringLiteral("「%1」の代わりに「%2」を使えば保存できます。").arg(ch, QString(QChar(twin)));
}
