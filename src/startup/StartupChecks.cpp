#include "StartupChecks.h"

#include "platform/core/Dialogs.h"
#include "platform/core/FileLookup.h"
#include "platform/core/ProgramContext.h"
#include "platform/core/ProgramIdentity.h"
#include "platform/core/ProgramPaths.h"
#include "settings/IntroSoundSetting.h"

#include <QFile>

namespace tk::StartupChecks {

namespace {

const QString kCharacterFileName = QStringLiteral("tovrin.acs");
const QString kErrorTitle = QStringLiteral("ERROR");

QString localCharacterFile(const ProgramContext& context) {
    return programFile(context.programDir, kCharacterFileName);
}

QString platformCharacterFile(const ProgramContext& context) {
    return programFile(context.platformCharacterDir, kCharacterFileName);
}

bool sameContent(const QString& a, const QString& b) {
    QFile first(a);
    QFile second(b);
    if (!first.open(QIODevice::ReadOnly) || !second.open(QIODevice::ReadOnly))
        return false;
    if (first.size() != second.size())
        return false;
    return first.readAll() == second.readAll();
}

void reportCopyFailure(const ProgramContext& context, const QString& reason) {
    context.dialogs.message(
        QStringLiteral("Could not copy the character file \"%1\" to \"%2\": %3")
            .arg(platformCharacterFile(context), localCharacterFile(context), reason),
        kErrorTitle);
}

} // namespace

QString introSoundToPlay(const ProgramContext& context) {
    if (!IntroSoundSetting::isOn(context.programDir))
        return QString();
    return programFile(context.programDir, QStringLiteral("snds/welcome.mp3"));
}

SplashVerdict prepareCharacterFile(const ProgramContext& context) {
    const QString platformStored = storedFileName(platformCharacterFile(context));
    const QString platformName = platformStored.toUpper();
    if (platformName.isEmpty() && storedFileName(localCharacterFile(context)).isEmpty()) {
        context.dialogs.message(
            QStringLiteral("NO CHARACTER FILES DETECTED in THE '%1' directory or the %2 "
                           "directory.Make sure you have all the things installed correctly.")
                .arg(QString::fromLatin1(identity::kExecutableName), context.platformCharacterDir),
            kErrorTitle);
        return SplashVerdict::Stop;
    }
    if (platformName == QLatin1String("TOVRIN.ACS")) {
        // Keep the local copy equal to the shared one; an equal copy needs no write.
        const QString source = programFile(context.platformCharacterDir, platformStored);
        const QString target = localCharacterFile(context);
        const Status copied =
            sameContent(source, target) ? Status::ok() : copyReplacing(source, target);
        if (!copied.isOk()) {
            reportCopyFailure(context, copied.message());
            // With no local copy to fall back on, the check window could only
            // try the same copy again and report the same failure.
            if (storedFileName(target) != kCharacterFileName)
                return SplashVerdict::Stop;
        }
    }
    return SplashVerdict::Proceed;
}

CheckVerdict checkCharacterFile(const ProgramContext& context) {
    if (storedFileName(localCharacterFile(context)) == kCharacterFileName)
        return CheckVerdict::OpenMainWindow;
    if (storedFileName(platformCharacterFile(context)) == kCharacterFileName) {
        const Status copied =
            copyReplacing(platformCharacterFile(context), localCharacterFile(context));
        if (!copied.isOk()) {
            reportCopyFailure(context, copied.message());
            return CheckVerdict::CopyFailed;
        }
        context.dialogs.message(QStringLiteral("Please restart..."));
        return CheckVerdict::RestartRequested;
    }
    context.dialogs.message(
        QStringLiteral("ERROR: Please make sure you have the character platform and Character "
                       "Tovrin Installed. Put the 'tovrin.acs' in the directory where '%1' is. "
                       "For more help, read the README file. Or contact us: %2")
            .arg(QString::fromLatin1(identity::kExecutableName),
                 QString::fromLatin1(identity::kContactAddress)),
        kErrorTitle);
    return CheckVerdict::Missing;
}

} // namespace tk::StartupChecks
