#include "PrivateProfile.h"

#include "IniDocument.h"

#include <QFile>
#include <QSaveFile>

namespace tk::PrivateProfile {

namespace {

// Settings files are small; a larger file is not a settings file and is not read.
constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;

bool readFile(const QString& path, QByteArray* content) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    if (file.size() > kMaxFileSize)
        return false;
    *content = file.readAll();
    return true;
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

} // namespace

QString readString(const QString& section, const QString& key, const QString& path) {
    QByteArray content;
    if (!readFile(path, &content))
        return QString();
    const std::optional<QString> value = IniDocument(content).value(section, key);
    if (!value)
        return QString();
    return QString::fromUtf8(cutUtf8(value->toUtf8(), kReadBufferSize - 1));
}

bool writeString(const QString& section, const QString& key, const QString& value,
                 const QString& path) {
    QByteArray content;
    if (QFile::exists(path) && !readFile(path, &content))
        return false;
    IniDocument document(content);
    if (!document.setValue(section, key, value))
        return false;
    const QByteArray updated = document.content();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(updated) != updated.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace tk::PrivateProfile
