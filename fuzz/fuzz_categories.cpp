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
    NotebookContents contents;
    contents.category_list.insert(contents.category_list.end(), categories.begin(), categories.end());
    for (const QString &c : categories) {
        Haiku_record r;
        r.category = c;
        r.memo_no = QStringLiteral(" 1 ");
        contents.haiku_list.push_back(r);
    }
    Notebook nb(QStringLiteral("/nonexistent"));
    nb.replaceContents(std::move(contents));
    const QString chosen = categories.isEmpty() ? Notebook::allCategories : categories.back();
    const std::vector<int> found = nb.find(chosen);
    FUZZ_CHECK(found.size() >= (categories.isEmpty() ? 0u : 1u));
    FUZZ_CHECK(int(found.size()) <= nb.haiku_count());
    for (std::size_t k = 0; k < found.size(); ++k) {
        FUZZ_CHECK(nb.hasRecord(found[k]) &&
                   (k == 0 || found[k - 1] < found[k])); // notebook order, once each
        FUZZ_CHECK(chosen == Notebook::allCategories || nb.record(found[k]).category == chosen);
    }
    return 0;
}
