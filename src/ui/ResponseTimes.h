#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QString>

// For measuring the program as a poet uses it: with YURIMOKA_RESPONSE_LOG
// naming a file, every click and every key press the program receives is
// timed until the program next waits for input, which is when all the
// work it caused is done and the windows are drawn. One line a press is
// appended: the control's object name (or its window's, for a key), a tab,
// the milliseconds. Without the variable nothing is installed.
class ResponseTimes : public QObject
{
public:
    // Installs the measuring on the running application when asked to.
    static void installIfAsked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit ResponseTimes(const QString &logPath);
    void idle();

    QFile m_log;
    QElapsedTimer m_since;
    QString m_what; // what was pressed, while its work runs
};
