#include "RecordAppender.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tk {

namespace {

QString systemError(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

// Closes a descriptor when it goes out of scope (and with it the advisory lock).
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

private:
    int m_fd;
};

int retryingLock(int fd) {
    int result;
    do
        result = ::flock(fd, LOCK_EX);
    while (result < 0 && errno == EINTR);
    return result;
}

// Writes all of data at the file's end; false with errno set when it cannot.
bool writeAll(int fd, const char* data, qint64 size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(size));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (written == 0) {
            errno = ENOSPC;
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

qint64 fileSize(int fd) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 ? static_cast<qint64>(info.st_size) : -1;
}

// The journal holds "<old length> <record length>" of the append under way.
bool readJournal(const QByteArray& journalPath, qint64* oldLength, qint64* recordLength) {
    QFile journal(QFile::decodeName(journalPath));
    if (!journal.open(QIODevice::ReadOnly))
        return false;
    const QList<QByteArray> fields = journal.read(64).trimmed().split(' ');
    if (fields.size() != 2)
        return false;
    bool okOld = false;
    bool okRecord = false;
    *oldLength = fields[0].toLongLong(&okOld);
    *recordLength = fields[1].toLongLong(&okRecord);
    return okOld && okRecord && *oldLength >= 0 && *recordLength > 0;
}

// Cuts away a record whose writer died before it was whole, as the journal
// left behind by that writer tells.
void repairInterruptedAppend(int fd, const QByteArray& journalPath) {
    if (::access(journalPath.constData(), F_OK) != 0)
        return;
    qint64 oldLength = 0;
    qint64 recordLength = 0;
    if (readJournal(journalPath, &oldLength, &recordLength)) {
        const qint64 size = fileSize(fd);
        // Longer than the old length but short of the whole record: torn.
        if (size > oldLength && size < oldLength + recordLength)
            (void)::ftruncate(fd, static_cast<off_t>(oldLength));
    }
    ::unlink(journalPath.constData());
}

bool writeJournal(const QByteArray& journalPath, qint64 oldLength, qint64 recordLength) {
    const int fd = ::open(journalPath.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const QByteArray text =
        QByteArray::number(oldLength) + ' ' + QByteArray::number(recordLength) + '\n';
    const bool ok = writeAll(fd, text.constData(), text.size());
    ::close(fd);
    if (!ok)
        ::unlink(journalPath.constData());
    return ok;
}

// What must come before a record so that it starts on a line of its own.
QByteArray lineEndNeeded(int fd, qint64 size) {
    if (size <= 0)
        return {};
    char last = '\n';
    if (::pread(fd, &last, 1, static_cast<off_t>(size - 1)) != 1)
        return {}; // not readable: nothing known about the tail
    if (last == '\n')
        return {};
    return last == '\r' ? QByteArray("\n") : QByteArray("\r\n");
}

} // namespace

QString appendJournalPath(const QString& path) {
    const QFileInfo info(path);
    return info.dir().filePath(QLatin1Char('.') + info.fileName() + QStringLiteral(".append"));
}

Status appendRecord(const QString& path, const QStringList& lines) {
    QByteArray record;
    for (const QString& line : lines) {
        record += line.toUtf8();
        record += "\r\n";
    }
    const QByteArray nativePath = QFile::encodeName(path);
    int fd = ::open(nativePath.constData(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0 && errno == EACCES) // a log the user may append to but not read
        fd = ::open(nativePath.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        return Status::failure(systemError(errno));
    }
    const Descriptor file(fd);
    if (retryingLock(fd) < 0) {
        return Status::failure(systemError(errno));
    }
    const QByteArray journalPath = QFile::encodeName(appendJournalPath(path));
    repairInterruptedAppend(fd, journalPath);

    const qint64 oldLength = fileSize(fd);
    if (oldLength < 0) {
        return Status::failure(systemError(errno));
    }
    record.prepend(lineEndNeeded(fd, oldLength));
    // Without a journal (a folder the user may not write) the append still goes
    // ahead; only the repair after a kill is lost.
    const bool journaled = writeJournal(journalPath, oldLength, record.size());
    const bool written = writeAll(fd, record.constData(), record.size());
    const int writeError = errno;
    if (!written)
        (void)::ftruncate(fd, static_cast<off_t>(oldLength));
    if (journaled)
        ::unlink(journalPath.constData());
    if (!written) {
        return Status::failure(systemError(writeError));
    }
    return Status::ok();
}

} // namespace tk
