#pragma once

#include <QString>

namespace tk {

// An exclusive advisory lock held through a lock file that exists only while
// it is held. A holder that dies releases the lock with it (the kernel drops
// its flock), so a lock file left behind never blocks: the next holder takes
// it over and removes it when done.
class FileLock {
public:
    // Tries for up to waitMs to take the lock at lockPath.
    FileLock(const QString& lockPath, int waitMs);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // True when the lock is held.
    bool isLocked() const { return m_fd >= 0; }
    // Why the lock is not held: "busy" when another holder kept it all along,
    // otherwise the system's reason (a folder that cannot be written).
    bool busy() const { return m_busy; }
    QString error() const { return m_error; }

private:
    QByteArray m_path;
    int m_fd = -1;
    bool m_busy = false;
    QString m_error;
};

} // namespace tk
