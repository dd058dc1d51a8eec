#include "ui/DialogPlacement.h"

#include "ui/JapaneseFonts.h"
#include "ui/Twips.h"

#include <QWidget>

void DialogPlacement::fixSize(QWidget *dialog, double widthTwips, double heightTwips)
{
    dialog->setFixedSize(Twips::toPxX(widthTwips, dialog), Twips::toPxY(heightTwips, dialog));
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
}

void DialogPlacement::dress(QWidget *dialog, double pointSize, const QColor &background)
{
    QFont gothic(QString::fromUtf8(JapaneseFonts::gothic));
    gothic.setPointSizeF(pointSize);
    dialog->setFont(gothic);
    QPalette p = dialog->palette();
    p.setColor(QPalette::Window, background);
    dialog->setPalette(p);
    dialog->setAutoFillBackground(true);
}

void DialogPlacement::place(QWidget *control, const char *name, double left, double top, double width,
                            double height)
{
    control->setObjectName(QLatin1String(name));
    control->setGeometry(Twips::rect(left, top, width, height, control->window()));
}

void DialogPlacement::centreOver(QWidget *dialog, const QWidget *owner)
{
    if (!dialog || !owner)
        return;
    const QRect main = owner->frameGeometry();
    // Before the window manager has framed the dialog its frame is its size.
    // (Qt gives a window not yet created a frame one pixel smaller than
    // itself each way, which would put the dialog half a pixel off.)
    const QSize own =
        dialog->testAttribute(Qt::WA_WState_Created) ? dialog->frameGeometry().size() : dialog->size();
    dialog->move(main.left() + (main.width() - own.width()) / 2,
                 main.top() + (main.height() - own.height()) / 2);
}
