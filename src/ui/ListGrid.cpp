#include "ui/ListGrid.h"

#include "ui/Twips.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>

ListGrid::ListGrid(const Notebook &nb, std::vector<HaikuListModel::Field> columns, QWidget *parent)
    : QTableView(parent), m_model(new HaikuListModel(nb, std::move(columns), this))
{
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setMouseTracking(true);
    verticalHeader()->hide();
    // Fixed row heights keep 30 000 rows cheap to show and to reset.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(false);
}

int ListGrid::rows() const
{
    return m_model->rowCount() + 1;
}

void ListGrid::setColWidth(int column, double twips)
{
    setColumnWidth(column, Twips::toPxX(twips, this));
}

void ListGrid::setColAlignment(int column, int value)
{
    const Qt::Alignment a = value == 2 ? Qt::AlignHCenter : value == 1 ? Qt::AlignRight : Qt::AlignLeft;
    m_model->setAlignment(column, a);
}

void ListGrid::setRow(int row)
{
    m_row = qBound(0, row, rows() - 1);
    syncViewCurrent();
}

void ListGrid::setCol(int column)
{
    m_col = qBound(0, column, qMax(0, m_model->columnCount() - 1));
    syncViewCurrent();
}

void ListGrid::syncViewCurrent()
{
    if (m_row < 1)
        return;
    // Moving the view's cursor must not move the highlight.
    selectionModel()->setCurrentIndex(m_model->index(m_row - 1, m_col), QItemSelectionModel::NoUpdate);
}

QString ListGrid::text() const
{
    if (m_row == 0)
        return m_model->headerData(m_col, Qt::Horizontal, Qt::DisplayRole).toString();
    return m_model->index(m_row - 1, m_col).data().toString();
}

void ListGrid::setRecords(std::vector<int> &&records)
{
    m_model->setRecords(std::move(records));
    m_row = qBound(0, m_row, rows() - 1);
    syncViewCurrent();
}

void ListGrid::setSelectedRows(int first, int last)
{
    if (first > last)
        std::swap(first, last);
    first = qMax(first, 1);
    last = qMin(last, rows() - 1);
    if (first > last) {
        selectionModel()->clearSelection();
        return;
    }
    const QItemSelection sel(m_model->index(first - 1, 0),
                             m_model->index(last - 1, m_model->columnCount() - 1));
    selectionModel()->select(sel, QItemSelectionModel::ClearAndSelect);
}

void ListGrid::scrollToRow(int row)
{
    if (row >= 1 && row < rows())
        scrollTo(m_model->index(row - 1, 0));
}

void ListGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    if (current.isValid()) {
        m_row = current.row() + 1;
        m_col = current.column();
    }
}

void ListGrid::mousePressEvent(QMouseEvent *event)
{
    QTableView::mousePressEvent(event);
    m_pressedOnRow = indexAt(event->position().toPoint()).isValid();
}

void ListGrid::mouseReleaseEvent(QMouseEvent *event)
{
    QTableView::mouseReleaseEvent(event);
    // A click is a press and release on the rows; after it the clicked row is current.
    if (m_pressedOnRow && event->button() == Qt::LeftButton) {
        m_pressedOnRow = false;
        emit gridClicked();
    }
}

void ListGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTableView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid())
        emit gridDoubleClicked();
}

void ListGrid::keyPressEvent(QKeyEvent *event)
{
    const int before = m_row;
    QTableView::keyPressEvent(event);
    if (m_row != before)
        emit gridKeyMoved();
}
