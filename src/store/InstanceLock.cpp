#include "store/InstanceLock.h"

InstanceLock::InstanceLock(const QString &folder)
    : m_lock(folder + (folder.endsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/")) +
             QStringLiteral(".yurimoka.lock"))
{
}

bool InstanceLock::acquire()
{
    return m_lock.tryLock(0);
}
