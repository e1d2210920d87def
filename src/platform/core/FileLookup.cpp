#include "FileLookup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace tk {

QString storedFileName(const QString& path) {
    const QFileInfo info(path);
    if (info.isFile())
        return info.fileName();
    const QString wanted = info.fileName();
    if (wanted.isEmpty())
        return QString();
    // Another spelling of the name: the first one in name order, as stored.
    const QStringList entries = info.dir().entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& entry : entries) {
        if (entry.compare(wanted, Qt::CaseInsensitive) == 0)
            return entry;
    }
    return QString();
}

Status copyReplacing(const QString& source, const QString& target) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        return Status::failure(in.errorString());
    }
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)) {
        return Status::failure(out.errorString());
    }
    char buffer[64 * 1024];
    for (;;) {
        const qint64 got = in.read(buffer, sizeof buffer);
        if (got < 0) {
            out.cancelWriting();
            return Status::failure(in.errorString());
        }
        if (got == 0)
            break;
        if (out.write(buffer, got) != got) {
            out.cancelWriting();
            return Status::failure(out.errorString());
        }
    }
    if (!out.commit()) {
        return Status::failure(out.errorString());
    }
    return Status::ok();
}

} // namespace tk
