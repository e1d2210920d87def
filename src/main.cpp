// Tovrin Kin: wires the real seams, the character runtime and the start-up chain.
#include "Resources.h"
#include "agent/CharacterRuntime.h"
#include "agent/listening/ListeningSettings.h"
#include "agent/listening/SphinxSpeechInput.h"
#include "agent/speech/EspeakSpeechOutput.h"
#include "character/MainWindow.h"
#include "chat/ChatWindow.h"
#include "options/OptionsWindow.h"
#include "platform/AutostartEntry.h"
#include "platform/Clock.h"
#include "platform/CommandLine.h"
#include "platform/DesktopPreferences.h"
#include "platform/Dialogs.h"
#include "platform/DisplayCheck.h"
#include "platform/FileChannels.h"
#include "platform/PlatformFailureGuard.h"
#include "platform/ProcessLauncher.h"
#include "platform/ProgramContext.h"
#include "platform/ProgramDirectory.h"
#include "platform/ProgramIdentity.h"
#include "platform/ProgramPaths.h"
#include "platform/RunKeeper.h"
#include "platform/SingleInstance.h"
#include "platform/SoundPlayer.h"
#include "platform/X11GlobalKey.h"
#include "startup/CheckFilesWindow.h"
#include "startup/SplashWindow.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstdio>
#include <optional>

namespace {

// Brings the running Tovrin forward for a later start: the figure shows itself
// (if it was hidden) and greets, and a window waiting for an answer comes up.
void comeForward(tk::agent::AgentControl& control) {
    const QString id = QString::fromLatin1(tk::identity::kCharacterId);
    if (control.isLoaded(id)) {
        control.show(id);
        control.play(id, QStringLiteral("Greet"));
    }
    if (QWidget* waiting = QApplication::activeModalWidget()) {
        waiting->raise();
        waiting->activateWindow();
    }
}

} // namespace

int main(int argc, char* argv[]) {
    const QString invokedAs = QString::fromLocal8Bit(argc > 0 ? argv[0] : "tovrinkin");
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const tk::CommandLine::Parsed commandLine = tk::CommandLine::parse(arguments);
    const QString usage = tk::CommandLine::usage(QFileInfo(invokedAs).fileName());
    switch (commandLine.action) {
    case tk::CommandLine::Action::ShowHelp:
        std::fputs(qPrintable(usage), stdout);
        return 0;
    case tk::CommandLine::Action::ShowVersion:
        std::fputs(qPrintable(tk::CommandLine::versionLine()), stdout);
        return 0;
    case tk::CommandLine::Action::Fail:
        std::fprintf(stderr, "tovrinkin: %s\n%s", qPrintable(commandLine.error), qPrintable(usage));
        return 2;
    case tk::CommandLine::Action::Run:
        break;
    }

    const QString displayProblem = tk::prepareDisplay(invokedAs);
    if (!displayProblem.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(displayProblem));
        return 2;
    }
    // Qt Multimedia's GStreamer backend is the one this program is made for.
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "gstreamer");

    std::optional<QApplication> application;
    {
        // The display was checked, but it may still refuse the window system.
        const tk::PlatformFailureGuard guard(qEnvironmentVariable("DISPLAY"));
        application.emplace(argc, argv);
    }
    QApplication& app = *application;
    QApplication::setApplicationName(QString::fromLatin1(tk::identity::kExecutableName));
    QApplication::setApplicationVersion(QString::fromLatin1(tk::identity::kVersionString));
    QApplication::setDesktopFileName(QString::fromLatin1(tk::identity::kExecutableName));
    tk::initResources();
    QApplication::setWindowIcon(tk::programIcon());

    // The run ends when the last of the program's own windows has closed.
    QApplication::setQuitOnLastWindowClosed(false);
    tk::RunKeeper keeper;
    tk::RunKeeper::setCurrent(&keeper);
    QObject::connect(&keeper, &tk::RunKeeper::lastWindowClosed, &app,
                     [&keeper] { QCoreApplication::exit(keeper.exitCode()); });

    tk::SystemClock clock;
    tk::QtDialogs dialogs;
    tk::DetachedProcessLauncher launcher;

    // Where the program keeps its files: beside a portable executable, in the
    // user's own directory for an installed one, or where the command line says.
    const tk::ProgramDirectory::Choice programDir = tk::ProgramDirectory::choose(
        commandLine.programDir, tk::runningProgramDir(),
        tk::ProgramDirectory::userDirectory(qEnvironmentVariable("XDG_DATA_HOME"),
                                            QDir::homePath()),
        tk::ProgramDirectory::installedDataDir(
            tk::runningProgramDir(), QString::fromUtf8(tk::identity::kInstalledDataDirFromBin),
            QString::fromUtf8(tk::identity::kInstalledDataDir)));
    bool unusable = false;
    const QStringList dirProblems = tk::ProgramDirectory::prepare(programDir, &unusable);
    for (const QString& problem : dirProblems)
        std::fprintf(stderr, "tovrinkin: %s\n", qPrintable(problem));
    if (unusable) {
        dialogs.message(dirProblems.first(), QStringLiteral("ERROR"));
        return 1;
    }

    // One Tovrin per program directory: a later start hands over and ends.
    tk::SingleInstance instance(programDir.dir, qEnvironmentVariable("XDG_RUNTIME_DIR"));
    switch (instance.start()) {
    case tk::SingleInstance::Role::HandedOver:
        return 0;
    case tk::SingleInstance::Role::Busy:
        std::fprintf(stderr, "tovrinkin: %s\n", qPrintable(instance.problem()));
        dialogs.message(instance.problem(), QStringLiteral("ERROR"));
        return 1;
    case tk::SingleInstance::Role::Unguarded:
        // Without the lock the program still runs; only the guard is missing.
        std::fprintf(stderr, "tovrinkin: %s\n", qPrintable(instance.problem()));
        break;
    case tk::SingleInstance::Role::First:
        break;
    }

    const tk::ProgramContext context{
        programDir.dir,
        QString::fromUtf8(tk::identity::kPlatformCharacterDir),
        QString::fromUtf8(tk::identity::kSystemSettingsFile),
        clock,
        dialogs,
        launcher,
        tk::FileChannels::instance(),
        tk::AutostartEntry::entryPath(qEnvironmentVariable("XDG_CONFIG_HOME"), QDir::homePath()),
        tk::AutostartEntry::launchCommand(
            QCoreApplication::applicationFilePath(),
            QStandardPaths::findExecutable(QString::fromLatin1(tk::identity::kExecutableName)),
            commandLine.programDir.isEmpty() ? QString() : programDir.dir)};

    // The character runtime: the one agent control of the program, with its
    // voice and its ears (which outlive it).
    tk::agent::listening::SphinxSpeechInput speechInput;
    tk::agent::CharacterRuntime runtime;
    runtime.setDesktopPreferences(tk::DesktopPreferences::read());
    runtime.setSpeechOutputFactory(
        [] { return std::make_unique<tk::agent::speech::EspeakSpeechOutput>(); });
    runtime.setListeningSetup(tk::agent::listening::ListeningSettings::defaultFile(),
                              std::make_unique<tk::X11GlobalKey>());
    runtime.setSpeechInput(&speechInput);
    tk::agent::AgentControl* control = &runtime;
    QObject::connect(&instance, &tk::SingleInstance::activationRequested, &runtime,
                     [&runtime] { comeForward(runtime); });
    // A key that reaches Tovrin from anywhere: the figure takes the keyboard
    // focus (Escape on it gives the focus back). Without it the figure still
    // takes the focus when clicked.
    tk::X11GlobalKey focusKey;
    focusKey.setKey(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_K));
    QObject::connect(&focusKey, &tk::GlobalKey::pressed, &runtime,
                     [&runtime] { runtime.focusFigure(); });
    const tk::MainWindowHooks hooks{
        [&context, &control] { tk::ChatWindow::open(context, control); },
        [&context] { tk::OptionsWindow::open(context); },
    };
    const auto openMainWindow = [&context, &control, hooks](QWidget* checkFiles) {
        tk::MainWindow::open(context, control, hooks, checkFiles);
    };
    const auto openCheckFiles = [&context, openMainWindow] {
        tk::CheckFilesWindow::open(context, openMainWindow);
    };
    if (!tk::SplashWindow::open(context, std::make_unique<tk::MultimediaSoundPlayer>(),
                                openCheckFiles))
        return 1;
    // A run that ended inside a message box before the loop started has no one
    // left to end the loop.
    if (keeper.hasEnded())
        return keeper.exitCode();
    return QApplication::exec();
}
