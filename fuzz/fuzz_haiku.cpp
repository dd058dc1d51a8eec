// Reading "haiku.dat" the way start-up reads a large one, in two halves split
// where a record begins, must give exactly what reading it whole gives. The
// halves are taken at any size here, not only from 64 KiB as at start-up.
#include "FuzzSupport.h"

#include "store/DataFiles.h"

using FuzzSupport::view;

namespace {

struct Read
{
    std::vector<Haiku_record> records;
    bool valid = true;
    Spellings spellings;
};

Read readWhole(QByteArrayView bytes)
{
    DecodedFile d = TextLines::decodeFile(bytes);
    return {DataFiles::parseHaiku(d.text), d.valid, std::move(d.spellings)};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes = view(data, size);
    const Read whole = readWhole(bytes);
    const qsizetype lines = FuzzSupport::byteLines(bytes).size();
    FUZZ_CHECK(qsizetype(whole.records.size()) - 1 == (lines + kRecordLines - 1) / kRecordLines);
    for (std::size_t i = 1; i < whole.records.size(); ++i) {
        const qint64 memo_no = DataFiles::memoNumber(whole.records[i].memo_no);
        FUZZ_CHECK(memo_no >= 0 && memo_no <= DataFiles::kMemoNoLimit);
    }

    if (bytes.size() < 64 * 1024)
        FUZZ_CHECK(TextLines::middleGroupStart(bytes, kRecordLines) == 0);
    const qsizetype middle = TextLines::middleGroupStart(bytes, kRecordLines, 0);
    if (middle > 0) {
        FUZZ_CHECK(middle < bytes.size());
        FUZZ_CHECK(bytes[middle - 1] == '\r' || bytes[middle - 1] == '\n');
        FUZZ_CHECK(!(bytes[middle - 1] == '\r' && bytes[middle] == '\n'));
        FUZZ_CHECK(FuzzSupport::byteLines(bytes.first(middle)).size() % kRecordLines == 0);

        Read first = readWhole(bytes.first(middle));
        const Read second = readWhole(bytes.sliced(middle));
        FUZZ_CHECK(whole.valid == (first.valid && second.valid));
        first.spellings.insert(second.spellings);
        FUZZ_CHECK(first.spellings == whole.spellings);
        first.records.insert(first.records.end(), second.records.begin() + 1, second.records.end());
        FUZZ_CHECK(first.records == whole.records);
    }

    // Written back and read again: the same records, each now complete.
    const EncodedLines written =
        TextLines::encodeLines(DataFiles::haikuLines(whole.records), whole.spellings);
    FUZZ_CHECK(written.ok());
    FUZZ_CHECK(readWhole(written.bytes).records == whole.records);
    return 0;
}
