#include "agent/listening/ListeningSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace tk::agent::listening {

namespace {
const QString kKey = QStringLiteral("Listening/Key");
const QString kAlways = QStringLiteral("Listening/AlwaysListening");
const QString kMicrophone = QStringLiteral("Listening/Microphone");
const QString kMicrophoneName = QStringLiteral("Listening/MicrophoneName");
const QString kNoKey = QStringLiteral("none");
} // namespace

QString ListeningSettings::defaultFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/tovrin/runtime.ini");
}

ListeningSettings ListeningSettings::load(const QString& file) {
    ListeningSettings settings;
    if (file.isEmpty() || !QFileInfo(file).isFile())
        return settings;
    const QSettings stored(file, QSettings::IniFormat);
    if (stored.status() != QSettings::NoError)
        return settings;
    if (stored.contains(kKey)) {
        const QString text = stored.value(kKey).toString().trimmed();
        if (text.compare(kNoKey, Qt::CaseInsensitive) == 0) {
            settings.key = QKeySequence();
        } else {
            // A key Qt cannot read keeps the default rather than leaving no key.
            const QKeySequence key = QKeySequence::fromString(text, QKeySequence::PortableText);
            if (!key.isEmpty() && key[0].key() != Qt::Key_unknown)
                settings.key = QKeySequence(key[0]);
        }
    }
    const QString always = stored.value(kAlways).toString().trimmed().toLower();
    settings.alwaysListening = always == QLatin1String("true") || always == QLatin1String("1");
    settings.microphone = stored.value(kMicrophone).toString().trimmed().toUtf8();
    settings.microphoneName = stored.value(kMicrophoneName).toString();
    return settings;
}

Status ListeningSettings::save(const QString& file) const {
    if (file.isEmpty())
        return Status::failure(QStringLiteral("no settings file"));
    const QFileInfo info(file);
    if (!QDir().mkpath(info.absolutePath()))
        return Status::failure(
            QStringLiteral("the folder %1 cannot be made").arg(info.absolutePath()));
    QSettings stored(file, QSettings::IniFormat);
    stored.setValue(kKey, key.isEmpty() ? kNoKey : key.toString(QKeySequence::PortableText));
    stored.setValue(kAlways, alwaysListening ? QStringLiteral("true") : QStringLiteral("false"));
    stored.setValue(kMicrophone, QString::fromUtf8(microphone));
    stored.setValue(kMicrophoneName, microphone.isEmpty() ? QString() : microphoneName);
    stored.sync();
    if (stored.status() != QSettings::NoError)
        return Status::failure(
            stored.status() == QSettings::AccessError
                ? QStringLiteral("%1 cannot be written").arg(file)
                : QStringLiteral("%1 is not a readable settings file").arg(file));
    return Status::ok();
}

} // namespace tk::agent::listening
