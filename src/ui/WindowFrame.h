#pragma once

#include <QRect>
#include <QSize>

class QWidget;

// The outer size of a window (title bar and borders included), as sizes and
// places are kept and given in twips, and the centring of a dialog over the
// window it belongs to.
namespace WindowFrame {

// The title bar and borders around the client area: as the window manager
// reports them once it has framed the window, our estimate before that, so
// that an outer size read back is the outer size set.
QSize extra(const QWidget *w);

// The window's place and outer size; a window's position is that of its frame.
QRect outerRect(const QWidget *w);

// Gives the window this outer size, in twips.
void setOuterSize(QWidget *w, double widthTwips, double heightTwips);

// Puts the window's frame in the middle of owner's: left = owner left +
// (owner width - own width) / 2, top likewise.
void centreOver(QWidget *w, const QWidget *owner);

} // namespace WindowFrame
