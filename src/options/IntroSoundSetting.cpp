#include "IntroSoundSetting.h"

#include "platform/core/ProgramPaths.h"
#include "settings/modo.h"

namespace tk::IntroSoundSetting {

namespace {
const QString kSection = QStringLiteral("MAIN");
const QString kKey = QStringLiteral("LSOUND");
} // namespace

QString settingsPath(const QString& programDir) {
    return programFile(programDir, QStringLiteral("main.ini"));
}

bool isOn(const QString& programDir) {
    // The empty default is never written back.
    return modo::readini(kSection, kKey, QString(), settingsPath(programDir)) == QLatin1String("1");
}

bool store(const QString& programDir, bool on) {
    return modo::writeini(kSection, kKey, on ? QStringLiteral("1") : QStringLiteral("0"),
                          settingsPath(programDir));
}

} // namespace tk::IntroSoundSetting
