#include "ui/WindowGeometry.h"

#include "ui/Twips.h"
#include "ui/WindowFrame.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace WindowGeometry {

namespace {

void keepOrSet(NumberText &stored, int px, bool vertical, const QWidget *w)
{
    const int storedPx = vertical ? Twips::toPxY(stored.value(), w) : Twips::toPxX(stored.value(), w);
    if (storedPx != px)
        stored.set(vertical ? Twips::fromPxY(px, w) : Twips::fromPxX(px, w));
}

} // namespace

Settings defaults(const QWidget *w, double listHeightTwips)
{
    const QRect outer = WindowFrame::outerRect(w);
    Settings s;
    s.window_state = NumberText(0);
    s.window_top = NumberText(Twips::fromPxY(outer.top(), w));
    s.window_left = NumberText(Twips::fromPxX(outer.left(), w));
    s.window_height = NumberText(Twips::fromPxY(outer.height(), w));
    s.window_width = NumberText(Twips::fromPxX(outer.width(), w));
    s.list_height = NumberText(listHeightTwips);
    return s;
}

void restore(QWidget *w, const Settings &s)
{
    // A place saved on a screen that is no longer there keeps the centred one,
    // so the window never opens out of reach. The settings keep their values.
    const QPoint place(Twips::toPxX(s.window_left.value(), w), Twips::toPxY(s.window_top.value(), w));
    if (QGuiApplication::screenAt(place + QPoint(Twips::toPxX(600, w), Twips::toPxY(150, w))))
        w->move(place);
    WindowFrame::setOuterSize(w, s.window_width.value(), s.window_height.value());
}

Notebook::WindowPlace record(const QWidget *w, const Settings &s, int listHeightPx, double listHeightTwips)
{
    Notebook::WindowPlace p{s.window_state,  s.window_top,   s.window_left,
                            s.window_height, s.window_width, s.list_height};
    p.window_state.set(w->isMinimized() ? 1 : w->isMaximized() ? 2 : 0);
    const QRect outer = WindowFrame::outerRect(w);
    // A window manager may have put either the frame or the client area at
    // the place restored; both count as not moved.
    const QPoint client = w->geometry().topLeft();
    if (Twips::toPxY(s.window_top.value(), w) != client.y() ||
        Twips::toPxX(s.window_left.value(), w) != client.x()) {
        keepOrSet(p.window_top, outer.top(), true, w);
        keepOrSet(p.window_left, outer.left(), false, w);
    }
    keepOrSet(p.window_height, outer.height(), true, w);
    keepOrSet(p.window_width, outer.width(), false, w);
    // The list height is known to the twip (the splitter and the layout
    // reckon in twips): no rounding through pixels on its way to the file.
    if (Twips::toPxY(s.list_height.value(), w) != listHeightPx)
        p.list_height.set(listHeightTwips);
    return p;
}

void centreOnScreen(QWidget *w)
{
    const QScreen *s = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    if (!s)
        return;
    const QRect outer = WindowFrame::outerRect(w);
    const QRect screenRect = s->geometry();
    w->move(screenRect.left() + (screenRect.width() - outer.width()) / 2,
            screenRect.top() + (screenRect.height() - outer.height()) / 2);
}

} // namespace WindowGeometry
