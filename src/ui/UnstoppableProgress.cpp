#include "ui/UnstoppableProgress.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>

UnstoppableProgress::UnstoppableProgress(QWidget *owner, const QString &title)
    : QProgressDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("Progress1"));
    setWindowTitle(title);
    setCancelButton(nullptr);
    setWindowModality(Qt::WindowModal);
    setMinimumDuration(500);
    // The half second counts from here.
    setValue(0);
}

void UnstoppableProgress::tell(const QString &label, int done, int total)
{
    setMaximum(total);
    setLabelText(label);
    // Hidden, nothing else lets the window system's events in: windows are
    // drawn, and the timer that shows this dialog after half a second runs.
    // Only that timer shows it; a guess from the first counts would show it
    // for a blink when a slow start is followed by quick moves.
    if (!isVisible()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (!isVisible())
            return;
    }
    // Shown: the count is drawn, and every event is taken.
    setValue(done);
}

void UnstoppableProgress::letUncoveredWindowsDraw()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void UnstoppableProgress::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QProgressDialog::keyPressEvent(event);
}

void UnstoppableProgress::closeEvent(QCloseEvent *event)
{
    event->ignore();
}
