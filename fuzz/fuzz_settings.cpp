// Reading "haiku.ini": any bytes give settings, the numbers in them stay in
// range, and the lines written back are the lines read (missing ones taken
// from the defaults).
#include "FuzzSupport.h"

#include "store/DataFiles.h"
#include "store/Notebook.h"

#include <cmath>

using FuzzSupport::view;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes = view(data, size);
    const DecodedFile file = TextLines::decodeFile(bytes);
    const QStringList lines = TextLines::splitLines(file.text);

    Settings defaults;
    defaults.window_top = NumberText(1995);
    defaults.list_height = NumberText(2295);
    const Settings s = DataFiles::parseSettings(lines, defaults);

    const QStringList written = DataFiles::settingsLines(s);
    const QStringList expected = DataFiles::settingsLines(defaults);
    FUZZ_CHECK(written.size() == qMax<qsizetype>(lines.size(), kSettingsLines));
    for (qsizetype i = 0; i < written.size(); ++i)
        FUZZ_CHECK(written[i] == (i < lines.size() ? lines[i] : expected[i]));
    FuzzSupport::checkLinesComeBack(bytes, lines, file.spellings);

    for (const NumberText *n : {&s.last_memo_no, &s.window_state, &s.window_top, &s.window_left,
                                &s.window_height, &s.window_width, &s.list_height, &s.spare_setting_c}) {
        FUZZ_CHECK(std::isfinite(n->value()));
        (void)n->toInt();
    }

    // The memo numbers a damaged settings file can lead to.
    NotebookContents contents;
    contents.settings = s;
    Notebook nb(QStringLiteral("/nonexistent"));
    nb.replaceContents(std::move(contents));
    const qint64 last = nb.lastMemoNo();
    FUZZ_CHECK(last >= 0 && last <= DataFiles::kMemoNoLimit);
    if (const auto next = nb.nextMemoNo())
        FUZZ_CHECK(*next == last + 1 && *next <= DataFiles::kMemoNoLimit);
    else
        FUZZ_CHECK(last == DataFiles::kMemoNoLimit);
    FUZZ_CHECK(!DataFiles::memoFileName(last).contains(u'-'));
    return 0;
}
