// Reading a memo file: any bytes give a memo of lines joined by "\n", and
// the memo written back and read again is the same memo.
#include "FuzzSupport.h"

#include "store/Cp932.h"
#include "store/DataFiles.h"

using FuzzSupport::view;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes = view(data, size);
    const Cp932::Decoded decoded = Cp932::decode(bytes);
    const QString memo = DataFiles::memoFromFile(decoded.text);
    FUZZ_CHECK(!memo.contains(u'\r'));
    FUZZ_CHECK(memo.size() <= bytes.size());

    // Refused only where a damaged byte sits beside a character read in its
    // second spelling, which the memo cannot be written back with.
    const Cp932::Encoded written = Cp932::encode(DataFiles::memoToFile(memo));
    if (!written.ok()) {
        FUZZ_CHECK(decoded.secondSpellings);
        return 0;
    }
    FUZZ_CHECK(written.bytes.endsWith("\r\n"));
    const QString again = DataFiles::memoFromFile(Cp932::decode(written.bytes).text);
    FUZZ_CHECK(again == memo);
    return 0;
}
