#pragma once

#include <QProgressDialog>

// The progress of work that must not stop once begun: no 中止 button, and
// neither Esc nor the close box closes it. It appears only when the work
// goes on past half a second, and closes itself when done reaches total.
class UnstoppableProgress : public QProgressDialog
{
public:
    // Made as the work begins: the half second counts from here.
    UnstoppableProgress(QWidget *owner, const QString &title);

    // done of total, in the words of label. Until the dialog shows, the
    // windows still draw themselves while the poet's clicks and keys wait;
    // once it shows, it is modal and takes them.
    void tell(const QString &label, int done, int total);

    // A question answered just before the work begins leaves the screen at
    // once: the windows it covered draw themselves before the work holds the
    // event loop. Clicks and keys meanwhile wait.
    static void letUncoveredWindowsDraw();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
};
