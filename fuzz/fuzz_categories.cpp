// Reading "bunrui.dat": one category a line, every line kept, and the file
// written back holds the same categories.
#include "FuzzSupport.h"

#include "store/Notebook.h"

using FuzzSupport::view;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes = view(data, size);
    const DecodedFile file = TextLines::decodeFile(bytes);
    const QStringList categories = TextLines::splitLines(file.text);
    FuzzSupport::checkLinesComeBack(bytes, categories, file.spellings);

    // Filtering the list by a category read from the file.
    Notebook nb(QStringLiteral("/nonexistent"));
    nb.category_list.insert(nb.category_list.end(), categories.begin(), categories.end());
    for (const QString &c : categories) {
        Haiku_record r;
        r.category = c;
        r.memo_no = QStringLiteral(" 1 ");
        nb.haiku_list.push_back(r);
    }
    const QString chosen = categories.isEmpty() ? Notebook::allCategories : categories.back();
    nb.rebuildShown(chosen);
    FUZZ_CHECK(nb.shown_count >= (categories.isEmpty() ? 0 : 1));
    FUZZ_CHECK(nb.shown_count <= nb.haiku_count());
    FUZZ_CHECK(nb.row_poem.size() == std::size_t(nb.shown_count) + 2);
    for (int r = 1; r <= nb.shown_count; ++r)
        FUZZ_CHECK(chosen == Notebook::allCategories ||
                   nb.haiku_list[std::size_t(nb.shownIndex()[std::size_t(r)])].category == chosen);
    return 0;
}
