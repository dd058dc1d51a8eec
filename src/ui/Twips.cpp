#include "ui/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace Twips {

namespace {
const QScreen *screenOf(const QWidget *w)
{
    if (w && w->screen())
        return w->screen();
    return QGuiApplication::primaryScreen();
}
} // namespace

namespace {
double g_dpiOverride = 0;
}

void overrideDpiForTesting(double dpi)
{
    g_dpiOverride = dpi;
}

double dpiX(const QWidget *w)
{
    if (g_dpiOverride > 0)
        return g_dpiOverride;
    const QScreen *s = screenOf(w);
    return s ? s->logicalDotsPerInchX() : 96.0;
}

double dpiY(const QWidget *w)
{
    if (g_dpiOverride > 0)
        return g_dpiOverride;
    const QScreen *s = screenOf(w);
    return s ? s->logicalDotsPerInchY() : 96.0;
}

int toPxX(double twips, const QWidget *w)
{
    return int(std::lround(twips * dpiX(w) / perInch));
}

int toPxY(double twips, const QWidget *w)
{
    return int(std::lround(twips * dpiY(w) / perInch));
}

double fromPxX(int px, const QWidget *w)
{
    return std::round(px * perInch / dpiX(w));
}

double fromPxY(int px, const QWidget *w)
{
    return std::round(px * perInch / dpiY(w));
}

QRect rect(double left, double top, double width, double height, const QWidget *w)
{
    return QRect(toPxX(left, w), toPxY(top, w), toPxX(width, w), toPxY(height, w));
}

void place(QWidget *control, const char *name, double left, double top, double width, double height)
{
    control->setObjectName(QLatin1String(name));
    control->setGeometry(rect(left, top, width, height, control));
}

} // namespace Twips

void Twips::put(QWidget *control, const LayoutBox &box)
{
    control->setGeometry(rect(box.left, box.top, box.width, box.height, control));
}
