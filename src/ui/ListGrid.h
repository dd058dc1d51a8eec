#pragma once

#include "ui/HaikuListModel.h"

#include <QTableView>

#include <vector>

class Notebook;

// A haiku list control: a heading row 0 that never scrolls away, then a row
// for each haiku shown and one empty row, with a current row and column.
// Rows are numbered as the program speaks of them: row 0 is the heading, so
// row r shows the model's row r - 1.
class ListGrid : public QTableView
{
    Q_OBJECT
public:
    ListGrid(const Notebook &nb, std::vector<HaikuListModel::Field> columns, QWidget *parent = nullptr);

    HaikuListModel *list() const { return m_model; }
    // Rows counted with the heading row and the empty last row.
    int rows() const;
    // The haiku rows.
    int shownCount() const { return m_model->shownCount(); }
    // The record on row r; 0 for the heading, the empty last row or no row.
    int recordAt(int r) const { return r >= 1 ? m_model->recordAt(r - 1) : 0; }
    // Shows these records, in this order; the current row stays within the list.
    void setRecords(std::vector<int> &&records);

    void setColWidth(int column, double twips);
    // 2 centres the column, heading and cells; 0 left, 1 right.
    void setColAlignment(int column, int value);
    void setHeading(int column, const QString &text) { m_model->setHeading(column, text); }

    int row() const { return m_row; }
    void setRow(int row);
    int col() const { return m_col; }
    void setCol(int column);
    // The current cell's text as shown; row 0 is the heading.
    QString text() const;

    // Highlights rows first..last (rows counted with the heading).
    void setSelectedRows(int first, int last);
    // Scrolls the list so that row (counted with the heading) is in view.
    void scrollToRow(int row);

signals:
    void gridClicked();
    void gridDoubleClicked();
    // The current row was moved with the keyboard (arrows, page keys, typing).
    void gridKeyMoved();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    void syncViewCurrent();

    HaikuListModel *m_model;
    int m_row = 0;
    int m_col = 0;
    bool m_pressedOnRow = false;
};
