#pragma once

#include <QLockFile>
#include <QString>

// One running copy per notebook folder. The lock file sits in the folder, so
// two notebooks in two folders may be open at once; a lock left behind by a
// killed process is taken over at once.
class InstanceLock
{
public:
    explicit InstanceLock(const QString &folder);
    bool acquire();
    void release() { m_lock.unlock(); }

private:
    QLockFile m_lock;
};
