// Reading "kensaku.dat": twenty slots filled from the first twenty lines,
// lines past them carried through, and the file written back from them.
#include "FuzzSupport.h"

#include "store/DataFiles.h"

using FuzzSupport::view;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes = view(data, size);
    const DecodedFile file = TextLines::decodeFile(bytes);
    const QStringList lines = TextLines::splitLines(file.text);
    QStringList extra{QStringLiteral("stale")};
    const auto keywords = DataFiles::parseKeywords(lines, &extra);

    QStringList written(keywords.begin(), keywords.end());
    written += extra;
    FUZZ_CHECK(written.size() == qMax<qsizetype>(lines.size(), kKeywordSlots));
    for (qsizetype i = 0; i < written.size(); ++i)
        FUZZ_CHECK(written[i] == (i < lines.size() ? lines[i] : QString()));
    FuzzSupport::checkLinesComeBack(bytes, lines, file.spellings);
    return 0;
}
