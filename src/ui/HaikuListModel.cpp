#include "ui/HaikuListModel.h"

#include "store/Notebook.h"

HaikuListModel::HaikuListModel(const Notebook &nb, std::vector<Field> columns, QObject *parent)
    : QAbstractTableModel(parent), m_nb(nb), m_columns(std::move(columns)),
      m_alignment(m_columns.size(), Qt::AlignLeft)
{
    for (std::size_t c = 0; c < m_columns.size(); ++c)
        m_headings.append(QString());
}

int HaikuListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_records.size()) + 1;
}

int HaikuListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

int HaikuListModel::recordAt(int r) const
{
    return r >= 0 && std::size_t(r) < m_records.size() ? m_records[std::size_t(r)] : 0;
}

QString HaikuListModel::cellText(const QString &field)
{
    if (field.size() <= kCellLimit)
        return field;
    // Never cut a surrogate pair in two.
    qsizetype n = kCellLimit;
    if (field.at(n - 1).isHighSurrogate())
        --n;
    return field.first(n) + u'…';
}

QVariant HaikuListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || std::size_t(index.column()) >= m_columns.size())
        return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(m_alignment[std::size_t(index.column())] | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
        return {};
    const int i = recordAt(index.row());
    if (!m_nb.hasRecord(i))
        return QString();
    const Haiku_record &h = m_nb.record(i);
    switch (m_columns[std::size_t(index.column())]) {
    case Field::Category: return cellText(h.category);
    case Field::Date: return cellText(h.date_text);
    case Field::Poem: return cellText(h.poem);
    }
    return {};
}

QVariant HaikuListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || std::size_t(section) >= m_columns.size())
        return {};
    if (role == Qt::DisplayRole)
        return m_headings[section];
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(m_alignment[std::size_t(section)] | Qt::AlignVCenter);
    return {};
}

void HaikuListModel::setHeading(int column, const QString &text)
{
    if (column < 0 || column >= m_headings.size())
        return;
    m_headings[column] = text;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

void HaikuListModel::setAlignment(int column, Qt::Alignment alignment)
{
    if (column < 0 || std::size_t(column) >= m_alignment.size())
        return;
    m_alignment[std::size_t(column)] = alignment;
    emit headerDataChanged(Qt::Horizontal, column, column);
    emit dataChanged(index(0, column), index(rowCount() - 1, column), {Qt::TextAlignmentRole});
}

void HaikuListModel::setRecords(std::vector<int> &&records)
{
    beginResetModel();
    m_records = std::move(records);
    endResetModel();
}
