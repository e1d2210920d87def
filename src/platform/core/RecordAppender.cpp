#include "RecordAppender.h"

#include <QFile>

namespace tk {

bool appendRecord(const QString& path, const QStringList& lines, QString* error) {
    QByteArray record;
    for (const QString& line : lines) {
        record += line.toUtf8();
        record += "\r\n";
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const qint64 written = file.write(record);
    if (written != record.size()) {
        if (error)
            *error = written < 0 ? file.errorString()
                                 : QStringLiteral("only part of the record could be written");
        return false;
    }
    return true;
}

} // namespace tk
