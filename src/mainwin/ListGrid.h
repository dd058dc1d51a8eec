#pragma once

#include <QTableView>

#include <vector>

class GridModel;

// The haiku list control: a heading row 0 that never scrolls away, then data
// rows 1.. below it, with a current row and column, cell texts, row insertion
// from TAB-separated text and row removal. Rows are numbered as the program
// speaks of them: row 0 is the heading.
class ListGrid : public QTableView
{
    Q_OBJECT
public:
    explicit ListGrid(QWidget *parent = nullptr);

    void setCols(int count);
    int cols() const;
    // Rows counted with the heading row.
    int rows() const;

    void setColWidth(int column, double twips);
    // 2 centres the column, heading and cells; 0 left, 1 right.
    void setColAlignment(int column, int value);

    int row() const { return m_row; }
    void setRow(int row);
    int col() const { return m_col; }
    void setCol(int column);

    // The current cell's text; row 0 is the heading.
    QString text() const { return cellText(m_row, m_col); }
    void setText(const QString &text);
    QString cellText(int row, int column) const;

    void addItem(const QString &tabbed, int index);
    void removeItem(int index);
    // Replaces rows 1.. with cells, columns texts a row (the caller includes
    // any empty last row it wants).
    void replaceRows(std::vector<QString> &&cells);

    // Highlights rows first..last (rows counted with the heading).
    void setSelectedRows(int first, int last);
    int selStartRow() const;
    int selEndRow() const;

signals:
    void gridClicked();
    void gridDoubleClicked();
    void gridMouseMoved();
    // The current row was moved with the keyboard (arrows, page keys, typing).
    void gridKeyMoved();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    void syncViewCurrent();

    GridModel *m_model;
    int m_row = 0;
    int m_col = 0;
    bool m_pressedOnRow = false;
};
