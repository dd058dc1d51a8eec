#include "store/PoemIndex.h"

#include <algorithm>

bool PoemIndex::current(const std::vector<Haiku_record> &records) const
{
    if (m_poems.size() != records.size())
        return false;
    for (std::size_t i = 1; i < m_poems.size(); ++i) {
        const QString &now = records[i].poem;
        if (now.constData() != m_poems[i].constData() || now.size() != m_poems[i].size())
            return false;
    }
    return true;
}

void PoemIndex::build(const std::vector<Haiku_record> &records)
{
    const std::size_t n = records.size();
    m_poems.resize(n);
    m_start.resize(n + 1);
    qsizetype length = 0;
    for (std::size_t i = 1; i < n; ++i) {
        m_poems[i] = records[i].poem;
        length += m_poems[i].size() + 1;
    }
    m_text.clear();
    m_text.reserve(length);
    m_start[0] = 0;
    for (std::size_t i = 1; i < n; ++i) {
        m_start[i] = m_text.size();
        m_text += m_poems[i];
        m_text += u'\n';
    }
    m_start[n] = m_text.size();
}

void PoemIndex::find(const std::vector<Haiku_record> &records, const QString &category, bool all,
                     const QString &keyword, std::vector<int> &rows)
{
    if (!current(records))
        build(records);
    const QStringView text(m_text);
    const qsizetype k = keyword.size();
    std::size_t i = 1; // the poem being looked at
    qsizetype from = 0;
    for (qsizetype at; (at = text.indexOf(keyword, from, Qt::CaseSensitive)) >= 0;) {
        while (m_start[i + 1] <= at)
            ++i;
        const qsizetype poemEnd = m_start[i + 1] - 1; // its line end
        if (at + k > poemEnd) {
            // runs on into the next poem: only a keyword holding a line end can
            from = at + 1;
            continue;
        }
        if (all || records[i].category == category)
            rows.push_back(int(i));
        from = m_start[i + 1];
        if (from >= text.size())
            break;
    }
}

void PoemIndex::rotate(std::size_t first, std::size_t middle, std::size_t last, std::size_t recordCount)
{
    // An index already out of step stays out of step and is built anew by
    // the next search.
    if (m_poems.size() != recordCount)
        return;
    QChar *text = m_text.data();
    std::rotate(text + m_start[first], text + m_start[middle], text + m_start[last]);
    std::rotate(m_poems.begin() + first, m_poems.begin() + middle, m_poems.begin() + last);
    for (std::size_t i = first + 1; i < last; ++i)
        m_start[i] = m_start[i - 1] + m_poems[i - 1].size() + 1;
}
