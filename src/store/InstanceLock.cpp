#include "store/InstanceLock.h"

#include <QFile>
#include <QSysInfo>

InstanceLock::InstanceLock(const QString &folder)
    : m_path(folder + (folder.endsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/")) +
             QStringLiteral(".yurimoka.lock")),
      m_lock(m_path)
{
    // The lock is held for as long as the window is open: it must never go
    // stale with age, only when its process is gone.
    m_lock.setStaleLockTime(0);
}

InstanceLock::Outcome InstanceLock::acquire()
{
    if (m_lock.tryLock(0))
        return Outcome::Acquired;
    if (m_lock.error() != QLockFile::LockFailedError)
        return Outcome::NotPossible;
    qint64 pid = 0;
    QString host, app;
    if (m_lock.getLockInfo(&pid, &host, &app) && !host.isEmpty() && host != QSysInfo::machineHostName()) {
        m_otherHost = host;
        return Outcome::OtherComputer;
    }
    return Outcome::Running;
}

bool InstanceLock::takeOver()
{
    QFile::remove(m_path);
    return m_lock.tryLock(0);
}
