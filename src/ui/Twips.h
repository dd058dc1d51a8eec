#pragma once

#include "ui/LayoutBox.h"

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

// Window positions and sizes are kept in twips (1440 to the inch), as the
// settings file stores them; this is the one place they become pixels, at the
// screen's logical DPI (15 twips a pixel at 96 DPI).
namespace Twips {

inline constexpr double perInch = 1440.0;

// The logical DPI used for the conversion; 96 when no screen is known.
double dpiX(const QWidget *w = nullptr);
// Tests lay windows out at another resolution than the screen's; 0 restores it.
void overrideDpiForTesting(double dpi);
double dpiY(const QWidget *w = nullptr);

int toPxX(double twips, const QWidget *w = nullptr);
int toPxY(double twips, const QWidget *w = nullptr);
double fromPxX(int px, const QWidget *w = nullptr);
double fromPxY(int px, const QWidget *w = nullptr);

// A design rectangle (left, top, width, height in twips) in pixels.
QRect rect(double left, double top, double width, double height, const QWidget *w = nullptr);

// Names a control and puts it at its design rectangle (twips, in its parent).
void place(QWidget *control, const char *name, double left, double top, double width, double height);
// Moves control to box, in its parent's twips.
void put(QWidget *control, const LayoutBox &box);

} // namespace Twips
