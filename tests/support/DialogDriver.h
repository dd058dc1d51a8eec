#pragma once

#include <QApplication>
#include <QDialog>
#include <QList>
#include <QStringList>
#include <QTimer>

#include <functional>

// Plays the user for the modal dialogs a test opens: each dialog that opens
// is handed to the next queued action, inside the dialog's own event loop. A
// dialog nobody expected is noted and cancelled, and so is one an action
// leaves open, so a test never hangs on it.
class DialogDriver
{
public:
    using Action = std::function<void(QDialog *)>;

    DialogDriver()
    {
        m_timer.setInterval(0);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start();
    }
    DialogDriver(const DialogDriver &) = delete;
    DialogDriver &operator=(const DialogDriver &) = delete;

    QList<Action> actions;
    // The objectName of every dialog that opened, in order.
    QStringList opened;
    // Those that opened with no action queued for them.
    QStringList unexpected;

private:
    void poll()
    {
        auto *d = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!d || !d->isVisible() || d->property("dialogDriverSeen").toBool())
            return;
        d->setProperty("dialogDriverSeen", true);
        opened.append(d->objectName());
        if (actions.isEmpty()) {
            unexpected.append(d->objectName());
            d->reject();
            return;
        }
        actions.takeFirst()(d);
        // An action that stopped half way (a failed check) still closes it.
        if (d->isVisible())
            d->reject();
    }

    QTimer m_timer;
};
