#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include <vector>

class Notebook;

// A list of haiku as a view of the notebook: its rows are record indices,
// and its cells are read from the notebook when they are drawn, so only
// the rows on screen are ever looked at. One empty row follows the haiku.
// Refilling is one model reset.
class HaikuListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum class Field { Category, Date, Poem };
    HaikuListModel(const Notebook &nb, std::vector<Field> columns, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void setHeading(int column, const QString &text);
    void setAlignment(int column, Qt::Alignment alignment);

    // Shows these records, in this order.
    void setRecords(std::vector<int> &&records);
    const std::vector<int> &records() const { return m_records; }
    int shownCount() const { return int(m_records.size()); }
    // The record on model row r (0 based); 0 for the empty last row.
    int recordAt(int r) const;

    // A cell shows at most this many characters of its field, then "…": a
    // damaged file's field of millions of characters would take seconds to
    // lay out on every repaint. The record itself keeps every character.
    static constexpr int kCellLimit = 300;
    static QString cellText(const QString &field);

private:
    const Notebook &m_nb;
    std::vector<Field> m_columns;
    QStringList m_headings;
    std::vector<Qt::Alignment> m_alignment;
    std::vector<int> m_records;
};
