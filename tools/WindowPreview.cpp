// Developer preview of the chat and options windows, without the character:
// `tk_window_preview chat|expanded|phrases|options [program directory]`
// (phrases: expanded with the phrase list dropped down). The chat
// window runs without a character, so turns are only written to log.tz.
#include "chat/ChatWindow.h"
#include "options/OptionsWindow.h"
#include "platform/core/Clock.h"
#include "platform/core/FileChannels.h"
#include "platform/core/ProcessLauncher.h"
#include "platform/core/ProgramContext.h"
#include "platform/core/ProgramPaths.h"
#include "platform/desktop/QtDialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    const QString which = arguments.value(1);
    tk::SystemClock clock;
    tk::QtDialogs dialogs;
    tk::DetachedProcessLauncher launcher;
    const tk::ProgramContext context{arguments.value(2, tk::runningProgramDir()),
                                     QString(),
                                     QString(),
                                     clock,
                                     dialogs,
                                     launcher,
                                     tk::FileChannels::instance()};
    QWidget* window = nullptr;
    const bool expand = which == QLatin1String("expanded") || which == QLatin1String("phrases");
    if (which == QLatin1String("chat") || expand) {
        window = tk::ChatWindow::open(context, nullptr);
        // START as a user would press it: after the window manager has framed the window.
        if (expand)
            QTimer::singleShot(700,
                               window->findChild<QPushButton*>(QStringLiteral("enable_button")),
                               &QPushButton::click);
        if (which == QLatin1String("phrases"))
            QTimer::singleShot(900, window->findChild<QComboBox*>(QStringLiteral("tovrin_say")),
                               &QComboBox::showPopup);
    } else if (which == QLatin1String("options")) {
        window = tk::OptionsWindow::open(context);
    } else {
        std::fprintf(stderr,
                     "usage: tk_window_preview chat|expanded|phrases|options [program dir]\n");
        return 2;
    }
    QObject::connect(window, &QObject::destroyed, &app, &QApplication::quit);
    return QApplication::exec();
}
