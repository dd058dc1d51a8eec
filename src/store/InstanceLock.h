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

    enum class Outcome {
        Acquired,
        Running,    // another copy has this notebook open
        NotPossible // the folder cannot be written: no copy can save into it, nor lock it
    };
    Outcome acquire();
    void release() { m_lock.unlock(); }

private:
    QLockFile m_lock;
};
