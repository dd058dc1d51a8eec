#pragma once

#include <QObject>
#include <QtGlobal>

// A control of a window, found by its name as a test robot would find it.
template <typename T> T *ctl(QObject &window, const char *name)
{
    T *w = window.findChild<T *>(QLatin1String(name));
    if (!w)
        qFatal("no control %s", name);
    return w;
}
