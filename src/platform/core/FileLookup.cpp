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

bool copyReplacing(const QString& source, const QString& target, QString* error) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        if (error)
            *error = in.errorString();
        return false;
    }
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)) {
        if (error)
            *error = out.errorString();
        return false;
    }
    char buffer[64 * 1024];
    for (;;) {
        const qint64 got = in.read(buffer, sizeof buffer);
        if (got < 0) {
            if (error)
                *error = in.errorString();
            out.cancelWriting();
            return false;
        }
        if (got == 0)
            break;
        if (out.write(buffer, got) != got) {
            if (error)
                *error = out.errorString();
            out.cancelWriting();
            return false;
        }
    }
    if (!out.commit()) {
        if (error)
            *error = out.errorString();
        return false;
    }
    return true;
}

} // namespace tk
