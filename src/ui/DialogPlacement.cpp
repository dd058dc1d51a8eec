#include "ui/DialogPlacement.h"

#include "ui/JapaneseFonts.h"
#include "ui/Twips.h"
#include "ui/WindowFrame.h"

#include <QWidget>

void DialogPlacement::fixSize(QWidget *dialog, double widthTwips, double heightTwips)
{
    dialog->setFixedSize(Twips::toPxX(widthTwips, dialog), Twips::toPxY(heightTwips, dialog));
    fixFrame(dialog, true);
}

void DialogPlacement::fixFrame(QWidget *dialog, bool closeBox)
{
    Qt::WindowFlags flags =
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint;
    if (closeBox)
        flags |= Qt::WindowCloseButtonHint;
    dialog->setWindowFlags(flags);
    dialog->setAttribute(Qt::WA_X11NetWmWindowTypeUtility);
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

void DialogPlacement::centreOver(QWidget *dialog, const QWidget *owner)
{
    if (dialog && owner)
        WindowFrame::centreOver(dialog, owner);
}
