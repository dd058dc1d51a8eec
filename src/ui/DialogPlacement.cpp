#include "ui/DialogPlacement.h"

#include <QWidget>

void DialogPlacement::centreOver(QWidget *dialog, const QWidget *owner)
{
    if (!dialog || !owner)
        return;
    const QRect main = owner->frameGeometry();
    // Before the window manager has framed the dialog its frame is its size.
    const QSize own = dialog->frameGeometry().size();
    dialog->move(main.left() + (main.width() - own.width()) / 2,
                 main.top() + (main.height() - own.height()) / 2);
}
