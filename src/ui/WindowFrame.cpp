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
    const QSize extra = w->frameGeometry().size() - w->geometry().size();
    if (!extra.isNull())
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
