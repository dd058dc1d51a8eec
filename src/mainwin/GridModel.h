#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include <vector>

// The cells of a list grid below its heading row, held flat in one vector.
// A rebuild hands over all rows at once and resets the model once, so
// refilling 30 000 rows costs one pass, not one view update a row.
class GridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit GridModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void setColumns(int count);
    void setHeading(int column, const QString &text);
    QString heading(int column) const;
    void setAlignment(int column, Qt::Alignment alignment);

    QString cell(int row, int column) const;
    void setCell(int row, int column, const QString &text);

    // Inserts one row at index, its cells given as one text separated by TABs.
    void insertTabbedRow(int index, const QString &tabbed);
    void removeRowAt(int index);
    // Replaces every row; cells holds columnCount() texts a row, row after row.
    void replaceRows(std::vector<QString> &&cells);

private:
    int m_columns = 0;
    std::vector<QString> m_cells;
    QStringList m_headings;
    std::vector<Qt::Alignment> m_alignment;
};
