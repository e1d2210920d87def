// agent-demo: shows a character on the X display with the character runtime.
// It appears, greets, plays each gesture, moves across the screen and rests
// and idles; its pop-up menu holds the program's menu entries and one entry of
// the demo's own (below the separator) that ends the demo. Menu choices are
// printed.
//
//   agent-demo [file.acs] [--no-tour] [--quit-after SECONDS] [--idle-delay MS]
//              [--menu-after SECONDS]   (opens the pop-up menu, as a right click would)
#include "SilentSpeech.h"
#include "agent/api/AgentCharacters.h"
#include "agent/runtime/CharacterRuntime.h"
#include "agent/runtime/FigureWindow.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QScreen>
#include <QTimer>
#include <cstdio>

using namespace tk::agent;

namespace {

QString option(QStringList& args, const QString& name) {
    const int at = int(args.indexOf(name));
    if (at < 0 || at + 1 >= args.size())
        return {};
    const QString value = args[at + 1];
    args.remove(at, 2);
    return value;
}

void registerMenu(AgentCommands commands) {
    commands.Add(QStringLiteral("hello"), QStringLiteral("Hello"),
                 QStringLiteral("[hello][hi there]"), std::nullopt, false);
    commands.Add(QStringLiteral("rchat"), QStringLiteral("Real Chat"),
                 QStringLiteral("[real chat][chat]"));
    commands.Add(QStringLiteral("oop2s"), QString(45, QLatin1Char('-')));
    commands.Add(QStringLiteral("help"), QStringLiteral("Help"), QStringLiteral("[help]"));
    commands.Add(QStringLiteral("optionse"), QStringLiteral("Options"),
                 QStringLiteral("[options]"));
    commands.Add(QStringLiteral("exitpr"), QStringLiteral("Exit"), QStringLiteral("[exit][quit]"));
}

void tour(AgentCharacter tovrin, const QRect& screen, QSize figure) {
    tovrin.Speak(QStringLiteral("Hello! I'm Tovrin. Let me show you what I can do."));
    for (const char* gesture : {"Greet", "Wave", "Acknowledge", "GestureLeft", "GestureRight",
                                "Pleased", "Sad", "Surprised", "Think"})
        tovrin.Play(QString::fromLatin1(gesture));
    const int right = screen.right() + 1 - figure.width();
    const int bottom = screen.bottom() + 1 - figure.height();
    tovrin.MoveTo(screen.left(), screen.top() + 150);
    tovrin.MoveTo(screen.left(), screen.top());
    tovrin.MoveTo(right, screen.top());
    tovrin.MoveTo(right, bottom);
    tovrin.MoveTo(right - 200, bottom - 40);
    tovrin.Speak(QStringLiteral("That's all! Right-click me for my menu."));
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QStringList args = QApplication::arguments();
    const QString quitAfter = option(args, QStringLiteral("--quit-after"));
    const QString idleDelay = option(args, QStringLiteral("--idle-delay"));
    const QString menuAfter = option(args, QStringLiteral("--menu-after"));
    const bool withTour = !args.removeAll(QStringLiteral("--no-tour"));
    const QString path = args.size() > 1 ? args[1] : QStringLiteral(TK_DEFAULT_CHARACTER_FILE);

    CharacterRuntime runtime;
    runtime.setSpeechOutputFactory([] { return std::make_unique<SilentSpeech>(); });
    if (!idleDelay.isEmpty())
        runtime.setIdleDelay(idleDelay.toInt(), idleDelay.toInt() * 2);
    QAction quitAction(QStringLiteral("Quit the demo"));
    QObject::connect(&quitAction, &QAction::triggered, &app, &QApplication::quit);
    runtime.addMenuAction(&quitAction);

    AgentCharacters characters = runtime.Characters();
    const tk::Status loaded = characters.Load(QStringLiteral("Tovrin"), path);
    if (!loaded.isOk()) {
        std::fprintf(stderr, "agent-demo: %s\n", qPrintable(loaded.message()));
        return 1;
    }
    AgentCharacter tovrin = characters.Character(QStringLiteral("Tovrin"));
    QObject::connect(&runtime, &AgentControl::Command, &app, [&](const UserInput& input) {
        std::printf("command: \"%s\"\n", qPrintable(input.Name));
        std::fflush(stdout);
        if (input.Name == QLatin1String("exitpr")) {
            characters.Unload(QStringLiteral("Tovrin"));
            QTimer::singleShot(300, &app, &QApplication::quit);
        } else if (input.Name == QLatin1String("rchat")) {
            tovrin.Play(QStringLiteral("Acknowledge"));
            tovrin.MoveTo(0, 150);
            tovrin.Play(QStringLiteral("GestureLeft"));
            tovrin.Speak(QStringLiteral("What do you wanna chat about?"));
        } else {
            tovrin.Play(QStringLiteral("Pleased"));
        }
    });
    QObject::connect(&runtime, &CharacterRuntime::animationStarted, &app,
                     [](const QString&, const QString& name) {
                         std::printf("animation: %s\n", qPrintable(name));
                         std::fflush(stdout);
                     });

    tovrin.SetLanguageID(1033);
    tovrin.Show();
    registerMenu(tovrin.Commands());
    if (withTour) {
        const QScreen* screen = QApplication::primaryScreen();
        tour(tovrin, screen->geometry(), runtime.figureWindow(QStringLiteral("Tovrin"))->size());
    }
    if (!menuAfter.isEmpty()) {
        QTimer::singleShot(int(menuAfter.toDouble() * 1000), &app, [&runtime] {
            FigureWindow* window = runtime.figureWindow(QStringLiteral("Tovrin"));
            if (!window)
                return;
            const QPoint at(window->width() / 2, window->height() / 2);
            QContextMenuEvent event(QContextMenuEvent::Mouse, at, window->mapToGlobal(at));
            QApplication::sendEvent(window, &event);
        });
    }
    if (!quitAfter.isEmpty())
        QTimer::singleShot(int(quitAfter.toDouble() * 1000), &app, &QApplication::quit);
    return QApplication::exec();
}
