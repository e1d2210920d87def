#include "IntroSoundSetting.h"

#include "settings/MainSettings.h"
#include "settings/modo.h"

namespace tk::IntroSoundSetting {

namespace {
const QString kSection = QString::fromLatin1(MainSettings::kMainSection);
const QString kKey = QString::fromLatin1(MainSettings::kIntroSoundKey);
} // namespace

QString settingsPath(const QString& programDir) {
    return MainSettings::path(programDir);
}

bool isOn(const QString& programDir) {
    // The empty default is never written back.
    return modo::readini(kSection, kKey, QString(), settingsPath(programDir)) == QLatin1String("1");
}

bool store(const QString& programDir, bool on) {
    return modo::writeini(kSection, kKey, on ? QStringLiteral("1") : QStringLiteral("0"),
                          settingsPath(programDir))
        .isOk();
}

} // namespace tk::IntroSoundSetting
