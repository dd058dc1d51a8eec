#pragma once

#include "store/Notebook.h"

#include <QByteArray>
#include <QString>

#include <vector>

// The notebook written out as UTF-8 for other programs: CSV for a
// spreadsheet, plain text for any editor. The formats are pure functions of
// the rows; rowsOf() gathers the rows from the notebook.
namespace NotebookExport {

// One haiku as written out; memo is what its memo cell says.
struct Row
{
    QString date_text;
    QString category;
    QString poem;
    QString memo;
    bool locked = false;
};

// A locked memo written without the password.
inline const QString lockedMemo = QStringLiteral("（鍵付きのため省略）");
// A memo whose file is there but could not be read.
inline const QString unreadableMemo = QStringLiteral("（メモのファイルを読み込めませんでした）");

// The rows of the records at indices, in that order. Locked memos are read
// only when unlocked is true. unreadable counts the memos that could not be read.
std::vector<Row> rowsOf(const Notebook &nb, const std::vector<int> &indices, bool unlocked,
                        int *unreadable = nullptr);

// RFC 4180: a UTF-8 byte order mark (a spreadsheet then reads UTF-8), the
// header 年/月/日,分類,句,メモ,鍵, a row per haiku, every row ending in
// CR LF. A field holding a comma, a quote or a line break is quoted, its
// quotes doubled; line breaks inside a memo stay as they are.
QByteArray csv(const std::vector<Row> &rows);
QString csvField(const QString &value);

// A block per haiku: the poem, the date and category, the memo's lines, an
// empty line. UTF-8, CR LF.
QByteArray text(const std::vector<Row> &rows);

} // namespace NotebookExport
