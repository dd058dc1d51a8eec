#pragma once

#include <QByteArray>
#include <QString>

// Windows code page 932 (Windows-31J), the code page every notebook file is
// written in. All conversion between file bytes and text goes through here.
//
// Bytes that are not valid code page 932 are decoded to the lone surrogates
// U+DC80..U+DCFF (one per byte) and encoded back to the same byte, so a
// damaged file is carried through a load and a save unchanged instead of
// being rewritten with replacement characters.
class Cp932
{
public:
    struct Decoded
    {
        QString text;
        bool valid = true;            // false when some bytes had to be escaped
        bool secondSpellings = false; // some pair is not the one the character is written as
    };

    struct Encoded
    {
        QByteArray bytes;
        qsizetype errorPos = -1; // index in the text of the first character that cannot be stored
        bool ok() const { return errorPos < 0; }
    };

    static Decoded decode(QByteArrayView bytes);

    // Decodes bytes that arrive in pieces into the very text decode() makes
    // of them whole, however they are cut: a lead byte at the end of a piece
    // waits for the next.
    class PieceDecoder
    {
    public:
        // Makes room for a text of about expectedBytes bytes.
        explicit PieceDecoder(qsizetype expectedBytes);
        void feed(QByteArrayView piece);
        // The text and its flags; the decoder is spent.
        Decoded finish();

    private:
        Decoded m_result;
        qsizetype m_used = 0; // units of m_result.text written
        int m_carry = -1;     // a lead byte that ended the last piece
    };

    // Refuses any character whose bytes would read back as something else:
    // characters outside the code page ("𠮷", emoji), the one-way mappings of
    // the converter ("〜" U+301C, "−" U+2212, "¥", "‾") and stray surrogates.
    static Encoded encode(QStringView text);
    // The bytes of text at dst, which has room for two bytes a character.
    // Returns the end of what was written, or nullptr with *errorPos set.
    static char *encodeTo(QStringView text, char *dst, qsizetype *errorPos);

    // "「X」(U+XXXX)" for messages.
    static QString describeCharacter(QStringView text, qsizetype pos);
    // A refused character's close twin that the code page holds: "～" for
    // "〜" (U+301C), "－" for "−" (U+2212)...; 0 when it has none.
    static char16_t twinOf(char32_t c);
    // The sentence that offers the twin of the character at pos, to follow
    // a refusal that names it: "「〜」の代わりに「～」を使えば保存できます。";
    // empty when it has no twin.
    static QString twinAdvice(QStringView text, qsizetype pos);

    static bool isEscapedByte(QChar c) { return c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF; }
};
