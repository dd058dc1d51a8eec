#include "ui/ResponseTimes.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

void ResponseTimes::installIfAsked()
{
    const QString path = qEnvironmentVariable("YURIMOKA_RESPONSE_LOG");
    if (path.isEmpty() || !qApp)
        return;
    auto *times = new ResponseTimes(path);
    if (!times->m_log.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        delete times;
        return;
    }
    times->setParent(qApp);
    qApp->installEventFilter(times);
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, times,
            &ResponseTimes::idle);
}

ResponseTimes::ResponseTimes(const QString &logPath) : m_log(logPath) {}

bool ResponseTimes::eventFilter(QObject *watched, QEvent *event)
{
    // The press is taken as it reaches its widget, once (an event passes up
    // through its parents too); the first of several before an idle moment counts.
    const QEvent::Type type = event->type();
    if ((type == QEvent::MouseButtonRelease || type == QEvent::KeyPress) && m_what.isEmpty() &&
        watched->isWidgetType()) {
        const auto *w = static_cast<QWidget *>(watched);
        QString name = w->objectName();
        if (type == QEvent::KeyPress) {
            const auto *key = static_cast<QKeyEvent *>(event);
            name = w->window()->objectName() + QLatin1Char(':') + QString::number(key->key(), 16);
        }
        m_what = name.isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : name;
        m_since.start();
    }
    return false;
}

void ResponseTimes::idle()
{
    if (m_what.isEmpty())
        return;
    const QByteArray line =
        m_what.toUtf8() + '\t' + QByteArray::number(double(m_since.nsecsElapsed()) / 1e6, 'f', 1) + '\n';
    m_log.write(line);
    m_what.clear();
}
