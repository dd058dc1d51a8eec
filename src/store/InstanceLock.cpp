#include "store/InstanceLock.h"

InstanceLock::InstanceLock(const QString &folder)
    : m_lock(folder + (folder.endsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/")) +
             QStringLiteral(".yurimoka.lock"))
{
}

InstanceLock::Outcome InstanceLock::acquire()
{
    if (m_lock.tryLock(0))
        return Outcome::Acquired;
    return m_lock.error() == QLockFile::LockFailedError ? Outcome::Running : Outcome::NotPossible;
}
