#pragma once

#include <QLockFile>
#include <QString>

// One running copy per notebook folder. The lock file sits in the folder, so
// two notebooks in two folders may be open at once; a lock left behind by a
// killed process on this computer is taken over at once. A folder kept in
// step between computers by a sync program carries the lock along: a lock
// that names another computer is never taken over silently.
class InstanceLock
{
public:
    explicit InstanceLock(const QString &folder);

    enum class Outcome {
        Acquired,
        Running,       // another copy on this computer has this notebook open
        OtherComputer, // the lock names another computer: see otherHost()
        NotPossible    // the folder cannot be written: no copy can save into it, nor lock it
    };
    Outcome acquire();
    // The computer named by a lock from elsewhere.
    QString otherHost() const { return m_otherHost; }
    // Takes the lock from another computer, once the poet has agreed.
    bool takeOver();
    void release() { m_lock.unlock(); }

private:
    QString m_path;
    QLockFile m_lock;
    QString m_otherHost;
};
