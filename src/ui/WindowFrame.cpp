#include "ui/WindowFrame.h"

#include "ui/Twips.h"

#include <QWidget>

namespace {
// Title bar and borders before the window manager has told us its own.
constexpr double kFrameWidthEstimate = 120;
constexpr double kFrameHeightEstimate = 390;
} // namespace

QSize WindowFrame::extra(const QWidget *w)
{
    // Qt gives a window not yet created a frame slightly smaller than
    // itself; only a frame the window manager has drawn is taken.
    const QSize extra = w->frameGeometry().size() - w->geometry().size();
    if (w->testAttribute(Qt::WA_WState_Created) && extra.height() > 0 && extra.width() >= 0)
        return extra;
    return QSize(Twips::toPxX(kFrameWidthEstimate, w), Twips::toPxY(kFrameHeightEstimate, w));
}

QRect WindowFrame::outerRect(const QWidget *w)
{
    return QRect(w->pos(), w->size() + extra(w));
}

void WindowFrame::setOuterSize(QWidget *w, double widthTwips, double heightTwips)
{
    const QSize e = extra(w);
    w->resize(qMax(1, Twips::toPxX(widthTwips, w) - e.width()),
              qMax(1, Twips::toPxY(heightTwips, w) - e.height()));
}

void WindowFrame::centreOver(QWidget *w, const QWidget *owner)
{
    if (!owner)
        return;
    const QRect main = outerRect(owner);
    const QSize own = outerRect(w).size();
    w->move(main.left() + (main.width() - own.width()) / 2, main.top() + (main.height() - own.height()) / 2);
}
