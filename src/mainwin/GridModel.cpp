#include "mainwin/GridModel.h"

GridModel::GridModel(QObject *parent) : QAbstractTableModel(parent) {}

int GridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || m_columns == 0 ? 0 : int(m_cells.size()) / m_columns;
}

int GridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return cell(index.row(), index.column());
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(m_alignment[std::size_t(index.column())] | Qt::AlignVCenter);
    return {};
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns)
        return {};
    if (role == Qt::DisplayRole)
        return m_headings[section];
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(m_alignment[std::size_t(section)] | Qt::AlignVCenter);
    return {};
}

void GridModel::setColumns(int count)
{
    beginResetModel();
    const int rows = rowCount();
    std::vector<QString> cells(std::size_t(rows) * std::size_t(count));
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < qMin(count, m_columns); ++c)
            cells[std::size_t(r * count + c)] = m_cells[std::size_t(r * m_columns + c)];
    }
    m_cells = std::move(cells);
    m_columns = count;
    while (m_headings.size() < count)
        m_headings.append(QString());
    m_headings.resize(count);
    m_alignment.resize(std::size_t(count), Qt::AlignLeft);
    endResetModel();
}

void GridModel::setHeading(int column, const QString &text)
{
    if (column < 0 || column >= m_columns)
        return;
    m_headings[column] = text;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

QString GridModel::heading(int column) const
{
    return column >= 0 && column < m_columns ? m_headings[column] : QString();
}

void GridModel::setAlignment(int column, Qt::Alignment alignment)
{
    if (column < 0 || column >= m_columns)
        return;
    m_alignment[std::size_t(column)] = alignment;
    emit headerDataChanged(Qt::Horizontal, column, column);
    if (rowCount() > 0)
        emit dataChanged(index(0, column), index(rowCount() - 1, column), {Qt::TextAlignmentRole});
}

QString GridModel::cell(int row, int column) const
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= m_columns)
        return {};
    return m_cells[std::size_t(row * m_columns + column)];
}

void GridModel::setCell(int row, int column, const QString &text)
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= m_columns)
        return;
    m_cells[std::size_t(row * m_columns + column)] = text;
    const QModelIndex i = index(row, column);
    emit dataChanged(i, i, {Qt::DisplayRole});
}

void GridModel::insertTabbedRow(int at, const QString &tabbed)
{
    if (m_columns == 0)
        return;
    at = qBound(0, at, rowCount());
    const QStringList parts = tabbed.split(QLatin1Char('\t'));
    std::vector<QString> row(static_cast<std::size_t>(m_columns));
    for (int c = 0; c < m_columns && c < parts.size(); ++c)
        row[std::size_t(c)] = parts[c];
    beginInsertRows({}, at, at);
    m_cells.insert(m_cells.begin() + std::ptrdiff_t(at) * m_columns, row.begin(), row.end());
    endInsertRows();
}

void GridModel::removeRowAt(int at)
{
    if (at < 0 || at >= rowCount())
        return;
    beginRemoveRows({}, at, at);
    const auto first = m_cells.begin() + std::ptrdiff_t(at) * m_columns;
    m_cells.erase(first, first + m_columns);
    endRemoveRows();
}

void GridModel::replaceRows(std::vector<QString> &&cells)
{
    beginResetModel();
    m_cells = std::move(cells);
    if (m_columns > 0)
        m_cells.resize(m_cells.size() / std::size_t(m_columns) * std::size_t(m_columns));
    endResetModel();
}
