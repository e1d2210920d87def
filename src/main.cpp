// Tovrin Kin: wires the real seams, the character runtime and the start-up chain.
#include "Resources.h"
#include "agent/CharacterRuntime.h"
#include "agent/listening/SphinxSpeechInput.h"
#include "agent/speech/EspeakSpeechOutput.h"
#include "character/MainWindow.h"
#include "chat/ChatWindow.h"
#include "options/OptionsWindow.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/DisplayCheck.h"
#include "platform/FileChannels.h"
#include "platform/ProcessLauncher.h"
#include "platform/ProgramContext.h"
#include "platform/ProgramIdentity.h"
#include "platform/ProgramPaths.h"
#include "platform/RunKeeper.h"
#include "platform/SoundPlayer.h"
#include "startup/CheckFilesWindow.h"
#include "startup/SplashWindow.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char* argv[]) {
    const QString displayProblem = tk::prepareDisplay();
    if (!displayProblem.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(displayProblem));
        return 2;
    }
    // Qt Multimedia's GStreamer backend is the one this program is made for.
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "gstreamer");

    QApplication app(argc, argv);
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
    const tk::ProgramContext context{tk::runningProgramDir(),
                                     QString::fromUtf8(tk::identity::kPlatformCharacterDir),
                                     QString::fromUtf8(tk::identity::kSystemSettingsFile),
                                     clock,
                                     dialogs,
                                     launcher,
                                     tk::FileChannels::instance()};

    // The character runtime: the one agent control of the program, with its
    // voice and its ears (which outlive it).
    tk::agent::listening::SphinxSpeechInput speechInput;
    tk::agent::CharacterRuntime runtime;
    runtime.setSpeechOutputFactory(
        [] { return std::make_unique<tk::agent::speech::EspeakSpeechOutput>(); });
    runtime.setSpeechInput(&speechInput);
    tk::agent::AgentControl* control = &runtime;
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
