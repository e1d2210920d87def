#include "DesktopProgram.h"

#include "Program.h"
#include "Resources.h"
#include "agent/listening/ListeningSettings.h"
#include "agent/listening/SphinxSpeechInput.h"
#include "agent/speech/EspeakSpeechOutput.h"
#include "platform/core/AutostartEntry.h"
#include "platform/core/Clock.h"
#include "platform/core/FileChannels.h"
#include "platform/core/ProcessLauncher.h"
#include "platform/core/ProgramDirectory.h"
#include "platform/core/ProgramIdentity.h"
#include "platform/core/ProgramPaths.h"
#include "platform/desktop/DesktopPreferences.h"
#include "platform/desktop/DisplayCheck.h"
#include "platform/desktop/PlatformFailureGuard.h"
#include "platform/desktop/PortalGlobalKey.h"
#include "platform/desktop/QtDialogs.h"
#include "platform/desktop/SingleInstance.h"
#include "platform/desktop/SoundPlayer.h"
#include "platform/desktop/X11GlobalKey.h"
#include "platform/sound/SoundServer.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>
#include <cstdio>
#include <optional>

namespace tk {

namespace {

// Names the application, loads its resources and sets its icon.
void setUpApplication() {
    QApplication::setApplicationName(QString::fromLatin1(identity::kExecutableName));
    QApplication::setApplicationVersion(QString::fromLatin1(identity::kVersionString));
    QApplication::setDesktopFileName(QString::fromLatin1(identity::kExecutableName));
    initResources();
    QApplication::setWindowIcon(programIcon());
    // The run ends when the last of the program's own windows has closed.
    QApplication::setQuitOnLastWindowClosed(false);
}

void printProblem(const QString& problem) {
    std::fprintf(stderr, "%s: %s\n", identity::kExecutableName, qPrintable(problem));
}

// Global keys: through the desktop portal in a Wayland session whose desktop
// offers global shortcuts (XWayland passes keys on only while an X11 window has
// the focus), else X11 key grabs.
std::function<std::unique_ptr<GlobalKey>()> globalKeyFactory() {
    const bool wayland = qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland") ||
                         !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (wayland && PortalGlobalKey::offered(QDBusConnection::sessionBus()))
        return [] { return std::make_unique<PortalGlobalKey>(QDBusConnection::sessionBus()); };
    return [] { return std::make_unique<X11GlobalKey>(); };
}

} // namespace

int runDesktopProgram(int& argc, char** argv, const QString& requestedDir) {
    const QString invokedAs =
        QString::fromLocal8Bit(argc > 0 ? argv[0] : identity::kExecutableName);
    const QString displayProblem = prepareDisplay(invokedAs);
    if (!displayProblem.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(displayProblem));
        return 2;
    }
    std::optional<QApplication> application;
    {
        // The display was checked, but it may still refuse the window system.
        const PlatformFailureGuard guard(qEnvironmentVariable("DISPLAY"));
        application.emplace(argc, argv);
    }
    setUpApplication();

    SystemClock clock;
    QtDialogs dialogs;
    DetachedProcessLauncher launcher;

    // Where the program keeps its files: beside a portable executable, in the
    // user's own directory for an installed one, or where the command line says.
    const ProgramDirectory::Choice programDir = ProgramDirectory::choose(
        requestedDir, runningProgramDir(),
        ProgramDirectory::userDirectory(qEnvironmentVariable("XDG_DATA_HOME"), QDir::homePath()),
        ProgramDirectory::installedDataDir(runningProgramDir(),
                                           QString::fromUtf8(identity::kInstalledDataDirFromBin),
                                           QString::fromUtf8(identity::kInstalledDataDir)));
    bool unusable = false;
    const QStringList dirProblems = ProgramDirectory::prepare(programDir, &unusable);
    for (const QString& problem : dirProblems)
        printProblem(problem);
    if (unusable) {
        dialogs.message(dirProblems.first(), QStringLiteral("ERROR"));
        return 1;
    }

    // One Tovrin per program directory: a later start hands over and ends.
    SingleInstance instance(programDir.dir, qEnvironmentVariable("XDG_RUNTIME_DIR"));
    switch (instance.start()) {
    case SingleInstance::Role::HandedOver:
        return 0;
    case SingleInstance::Role::Busy:
        printProblem(instance.problem());
        dialogs.message(instance.problem(), QStringLiteral("ERROR"));
        return 1;
    case SingleInstance::Role::Unguarded:
        // Without the lock the program still runs; only the guard is missing.
        printProblem(instance.problem());
        break;
    case SingleInstance::Role::First:
        break;
    }

    // The ears outlive the runtime that listens with them.
    agent::listening::SphinxSpeechInput speechInput;
    const ProgramContext context{
        programDir.dir,
        QString::fromUtf8(identity::kPlatformCharacterDir),
        QString::fromUtf8(identity::kSystemSettingsFile),
        clock,
        dialogs,
        launcher,
        FileChannels::instance(),
        AutostartEntry::entryPath(qEnvironmentVariable("XDG_CONFIG_HOME"), QDir::homePath()),
        AutostartEntry::launchCommand(
            QCoreApplication::applicationFilePath(),
            QStandardPaths::findExecutable(QString::fromLatin1(identity::kExecutableName)),
            requestedDir.isEmpty() ? QString() : programDir.dir)};
    Program program({context,
                     [] { return std::make_unique<ServerSoundPlayer>(SoundServer::system()); },
                     [] { return std::make_unique<agent::speech::EspeakSpeechOutput>(); },
                     &speechInput, agent::listening::ListeningSettings::defaultFile(),
                     globalKeyFactory(), DesktopPreferences::read()});
    QObject::connect(&instance, &SingleInstance::activationRequested, &program,
                     &Program::comeForward);
    QObject::connect(&program, &Program::finished, qApp,
                     [&program] { QCoreApplication::exit(program.exitCode()); });
    if (!program.start())
        return 1;
    // A run that ended inside a message box before the loop started has no one
    // left to end the loop.
    if (program.hasEnded())
        return program.exitCode();
    return QApplication::exec();
}

} // namespace tk
