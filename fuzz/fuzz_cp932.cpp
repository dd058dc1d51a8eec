// The code page 932 converter on arbitrary input, both ways.
//
// As bytes: decoding never fails, escapes exactly the bytes it cannot read,
// and encoding the text gives the same bytes back (or, where a character was
// written in its second spelling, bytes that read as the same text, or a
// refusal). Whole files go through decodeFile and encodeLines with their
// spellings and always come back.
//
// As UTF-16 text: whatever the encoder accepts reads back as the same text,
// and what it refuses, it refuses at the right character.
#include "FuzzSupport.h"

#include "store/Cp932.h"
#include "store/Notebook.h"

using FuzzSupport::view;

namespace {

void bytesToTextAndBack(QByteArrayView bytes)
{
    const Cp932::Decoded d = Cp932::decode(bytes);
    FUZZ_CHECK(d.text.size() <= bytes.size());
    bool escaped = false;
    for (QChar c : d.text)
        escaped = escaped || Cp932::isEscapedByte(c);
    FUZZ_CHECK(d.valid == !escaped);

    // A byte that was kept as an escape can only stay one beside the bytes it
    // was read with; next to a character spelled otherwise it is refused.
    const Cp932::Encoded e = Cp932::encode(d.text);
    if (!d.secondSpellings)
        FUZZ_CHECK(e.ok() && e.bytes == bytes);
    if (e.ok()) {
        const Cp932::Decoded again = Cp932::decode(e.bytes);
        FUZZ_CHECK(again.text == d.text);
        FUZZ_CHECK(!again.secondSpellings);
    } else {
        FUZZ_CHECK(Cp932::isEscapedByte(d.text[e.errorPos]));
    }

    const DecodedFile file = TextLines::decodeFile(bytes);
    FUZZ_CHECK(file.text == d.text && file.valid == d.valid);
    FUZZ_CHECK(file.spellings.isEmpty() || d.secondSpellings);
    FuzzSupport::checkLinesComeBack(bytes, TextLines::splitLines(file.text), file.spellings);
}

void textToBytesAndBack(QByteArrayView bytes)
{
    QString text(bytes.size() / 2, Qt::Uninitialized);
    memcpy(text.data(), bytes.data(), size_t(text.size()) * 2);

    const Cp932::Encoded e = Cp932::encode(text);
    if (e.ok()) {
        FUZZ_CHECK(Cp932::decode(e.bytes).text == text);
        FUZZ_CHECK(Notebook::unstorableReason(QStringLiteral("句"), text, false).isEmpty() ||
                   text.contains(u'\r') || text.contains(u'\n'));
        return;
    }
    FUZZ_CHECK(e.errorPos >= 0 && e.errorPos < text.size());
    FUZZ_CHECK(e.bytes.isEmpty());
    // Everything before the refused character could be stored.
    FUZZ_CHECK(Cp932::encode(QStringView(text).first(e.errorPos)).ok());
    FUZZ_CHECK(!Cp932::describeCharacter(text, e.errorPos).isEmpty());
    FUZZ_CHECK(!Notebook::unstorableReason(QStringLiteral("メモ"), text, true).isEmpty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    bytesToTextAndBack(view(data, size));
    textToBytesAndBack(view(data, size));
    return 0;
}
