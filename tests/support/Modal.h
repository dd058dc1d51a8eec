#pragma once

#include <QAction>
#include <QApplication>
#include <QTimer>

#include <functional>

// Triggers entry, which opens a modal window of type T, and runs act on that
// window while it is open; a window that act leaves open is cancelled. False
// when no such window opened.
template <typename T> bool whileOpen(QAction *entry, const std::function<void(T &)> &act)
{
    bool opened = false;
    QTimer::singleShot(0, [&] {
        auto *window = qobject_cast<T *>(QApplication::activeModalWidget());
        if (!window)
            return;
        opened = true;
        act(*window);
        if (window->isVisible())
            window->reject();
    });
    entry->trigger();
    return opened;
}
