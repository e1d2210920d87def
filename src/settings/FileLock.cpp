#include "FileLock.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tk {

FileLock::FileLock(const QString& lockPath, int waitMs) : m_path(QFile::encodeName(lockPath)) {
    const QDeadlineTimer deadline(waitMs);
    for (;;) {
        const int fd = ::open(m_path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) {
            m_error = QString::fromLocal8Bit(std::strerror(errno));
            return;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            // The file may have been removed by the holder before us, and a new
            // one made by a third: the lock counts only on the file at the path.
            struct stat held {};
            struct stat current {};
            if (::fstat(fd, &held) == 0 && ::stat(m_path.constData(), &current) == 0 &&
                held.st_dev == current.st_dev && held.st_ino == current.st_ino) {
                m_fd = fd;
                return;
            }
            ::close(fd);
            continue;
        }
        const int failure = errno;
        ::close(fd);
        if (failure != EWOULDBLOCK && failure != EINTR) {
            m_error = QString::fromLocal8Bit(std::strerror(failure));
            return;
        }
        if (deadline.hasExpired()) {
            m_busy = true;
            m_error = QStringLiteral("locked by another running copy");
            return;
        }
        QThread::msleep(5);
    }
}

FileLock::~FileLock() {
    if (m_fd < 0)
        return;
    // Removed while still held, so that no one takes over a file about to go.
    ::unlink(m_path.constData());
    ::close(m_fd);
}

} // namespace tk
