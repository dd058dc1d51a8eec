#pragma once

#include <QObject>
#include <QtGlobal>

// A control of a window, found by its name as a test robot would find it.
template <typename T> T *ctl(QObject &window, const char *name)
{
    T *w = window.findChild<T *>(QLatin1String(name));
    if (!w)
        qFatal("no control %s", name);
    return w;
}

#include "ui/ListGrid.h"

// A list grid's cell as shown, rows counted with the heading row 0.
inline QString gridCell(const ListGrid *grid, int row, int column)
{
    if (row == 0)
        return grid->model()->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    return grid->model()->index(row - 1, column).data().toString();
}

// The first and last highlighted rows, counted with the heading; 0 when none is.
inline int firstSelectedRow(const ListGrid *grid)
{
    int first = 0;
    for (const QModelIndex &i : grid->selectionModel()->selectedRows())
        first = first == 0 ? i.row() + 1 : qMin(first, i.row() + 1);
    return first;
}
inline int lastSelectedRow(const ListGrid *grid)
{
    int last = 0;
    for (const QModelIndex &i : grid->selectionModel()->selectedRows())
        last = qMax(last, i.row() + 1);
    return last;
}
