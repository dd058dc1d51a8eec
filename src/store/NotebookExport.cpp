#include "store/NotebookExport.h"

#include "store/NotebookReading.h"

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kYes = QStringLiteral("YES");
const QString kNo = QStringLiteral("NO");

} // namespace

std::vector<NotebookExport::Row> NotebookExport::rowsOf(const Notebook &nb, const std::vector<int> &indices,
                                                        bool unlocked, int *unreadable)
{
    const std::vector<Haiku_record> &records = NotebookReading::records(nb);
    std::vector<Row> rows;
    rows.reserve(indices.size());
    int failed = 0;
    for (int i : indices) {
        if (i < 1 || std::size_t(i) >= records.size())
            continue;
        const Haiku_record &r = records[std::size_t(i)];
        Row row{r.date_text, r.category, r.poem, QString(), NotebookReading::isLocked(r)};
        if (row.locked && !unlocked) {
            row.memo = lockedMemo;
        } else {
            const MemoFile memo = NotebookReading::memo(nb, r);
            if (memo.state == MemoFile::State::Unreadable) {
                row.memo = unreadableMemo;
                ++failed;
            } else {
                row.memo = memo.text;
            }
        }
        rows.push_back(std::move(row));
    }
    if (unreadable)
        *unreadable = failed;
    return rows;
}

QString NotebookExport::csvField(const QString &value)
{
    const bool quoted =
        value.contains(u',') || value.contains(u'"') || value.contains(u'\r') || value.contains(u'\n');
    if (!quoted)
        return value;
    QString field = value;
    field.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + field + u'"';
}

QByteArray NotebookExport::csv(const std::vector<Row> &rows)
{
    QString out = QStringLiteral("年/月/日,分類,句,メモ,鍵") + kCrLf;
    for (const Row &r : rows) {
        out += csvField(r.date_text) + u',' + csvField(r.category) + u',' + csvField(r.poem) + u',' +
               csvField(r.memo) + u',' + (r.locked ? kYes : kNo) + kCrLf;
    }
    return QByteArray("\xEF\xBB\xBF") + out.toUtf8();
}

QByteArray NotebookExport::text(const std::vector<Row> &rows)
{
    QString out;
    for (const Row &r : rows) {
        out += r.poem + kCrLf;
        out += r.date_text + QStringLiteral("　") + r.category + kCrLf;
        if (!r.memo.isEmpty()) {
            QString memo = r.memo;
            memo.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            memo.replace(u'\n', kCrLf);
            out += memo + kCrLf;
        }
        out += kCrLf;
    }
    return out.toUtf8();
}
