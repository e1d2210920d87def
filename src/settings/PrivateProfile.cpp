#include "PrivateProfile.h"

#include "FileLock.h"
#include "IniDocument.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tk::PrivateProfile {

namespace {

// How long a write waits for another running copy to finish its own.
constexpr int kLockWaitMs = 5000;

enum class ReadOutcome { Read, Missing, Unreadable };

ReadOutcome readFile(const QString& path, QByteArray* content, QString* reason) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (file.error() == QFileDevice::OpenError && !QFileInfo::exists(path))
            return ReadOutcome::Missing;
        *reason = QStringLiteral("it cannot be read (%1)").arg(file.errorString());
        return ReadOutcome::Unreadable;
    }
    if (file.size() > kMaxFileSize) {
        *reason = QStringLiteral("it is larger than %1 MiB, too large for a settings file")
                      .arg(kMaxFileSize / (1024 * 1024));
        return ReadOutcome::Unreadable;
    }
    *content = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *reason = QStringLiteral("it cannot be read (%1)").arg(file.errorString());
        return ReadOutcome::Unreadable;
    }
    return ReadOutcome::Read;
}

// The first max bytes of utf8, without a trailing incomplete sequence.
QByteArray cutUtf8(const QByteArray& utf8, qsizetype max) {
    if (utf8.size() <= max)
        return utf8;
    qsizetype end = max;
    // Step back over continuation bytes to the start of the cut character.
    while (end > 0 && (static_cast<unsigned char>(utf8.at(end)) & 0xC0) == 0x80)
        --end;
    return utf8.left(end);
}

QString systemError(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

// Removes the temporaries that writers killed between writing and renaming
// left behind. Called with the lock held, so no live writer has one open.
void removeStaleTemporaries(const QString& path) {
    const QFileInfo target(path);
    const QString prefix = QFileInfo(temporaryPrefix(path)).fileName();
    static const QRegularExpression suffix(QStringLiteral("^[A-Za-z0-9]{6}$"));
    const QDir dir = target.dir();
    const QStringList names =
        dir.entryList({prefix + QStringLiteral("??????")}, QDir::Files | QDir::Hidden);
    for (const QString& name : names) {
        if (suffix.match(name.mid(prefix.size())).hasMatch())
            QFile::remove(dir.filePath(name));
    }
}

bool writeAll(int fd, const QByteArray& data) {
    const char* at = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, at, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = ENOSPC;
            return false;
        }
        at += written;
        left -= written;
    }
    return true;
}

// Writes content to a new temporary beside path and renames it over path.
bool replaceFile(const QString& path, const QByteArray& content, QString* reason) {
    QByteArray temporary = QFile::encodeName(temporaryPrefix(path)) + "XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        *reason =
            QStringLiteral("no new file can be made in its folder (%1)").arg(systemError(errno));
        return false;
    }
    // The new file gets the old one's permissions, or the usual ones of a new file.
    const QByteArray target = QFile::encodeName(path);
    struct stat old {};
    if (::stat(target.constData(), &old) == 0) {
        (void)::fchmod(fd, old.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        (void)::fchmod(fd, 0666 & ~mask);
    }
    const bool written = writeAll(fd, content) && ::fsync(fd) == 0;
    const int writeError = errno;
    ::close(fd);
    if (!written || ::rename(temporary.constData(), target.constData()) != 0) {
        const int failure = written ? errno : writeError;
        ::unlink(temporary.constData());
        *reason = QStringLiteral("it cannot be written (%1)").arg(systemError(failure));
        return false;
    }
    return true;
}

} // namespace

QString lockPath(const QString& path) {
    return path + QStringLiteral(".lock");
}

QString temporaryPrefix(const QString& path) {
    return path + QStringLiteral(".tmp.");
}

QString readString(const QString& section, const QString& key, const QString& path) {
    QByteArray content;
    QString reason;
    if (readFile(path, &content, &reason) != ReadOutcome::Read)
        return QString();
    const std::optional<QString> value = IniDocument(content).value(section, key);
    if (!value)
        return QString();
    return QString::fromUtf8(cutUtf8(value->toUtf8(), kReadBufferSize - 1));
}

Status writeString(const QString& section, const QString& key, const QString& value,
                   const QString& path) {
    const FileLock lock(lockPath(path), kLockWaitMs);
    if (lock.busy())
        return Status::failure(
            QStringLiteral("another running copy of the program keeps it locked"));
    // Without a lock file (a folder that cannot be written) the write below fails
    // on its own and says why.
    if (lock.isLocked())
        removeStaleTemporaries(path);

    QByteArray content;
    QString reason;
    // A file that is there but cannot be read would lose every other setting.
    if (readFile(path, &content, &reason) == ReadOutcome::Unreadable)
        return Status::failure(reason);
    IniDocument document(content);
    if (!document.setValue(section, key, value))
        return Status::failure(
            QStringLiteral("the name \"%1\" or \"%2\" cannot be stored in it").arg(section, key));
    if (!replaceFile(path, document.content(), &reason))
        return Status::failure(reason);
    return Status::ok();
}

} // namespace tk::PrivateProfile
