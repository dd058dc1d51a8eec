#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGHUP and SIGINT into a Qt signal on the main thread, so a
// logout or a kill saves the notebook the same way as the 終了 button.
class QuitSignals : public QObject
{
    Q_OBJECT
public:
    explicit QuitSignals(QObject *parent = nullptr);
    ~QuitSignals() override;

signals:
    void quitRequested();

private:
    void readSignal();
    QSocketNotifier *m_notifier = nullptr;
};
