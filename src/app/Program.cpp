#include "Program.h"

#include "character/MainWindow.h"
#include "chat/ChatWindow.h"
#include "options/OptionsWindow.h"
#include "platform/core/ProgramIdentity.h"
#include "platform/desktop/SoundPlayer.h"
#include "startup/CheckFilesWindow.h"
#include "startup/SplashWindow.h"

#include <QApplication>

namespace tk {

Program::Program(ProgramSeams seams, QObject* parent) : QObject(parent), m_seams(std::move(seams)) {
    m_previousKeeper = RunKeeper::current();
    RunKeeper::setCurrent(&m_keeper);
    connect(&m_keeper, &RunKeeper::lastWindowClosed, this, &Program::finished);
    m_runtime.setDesktopPreferences(m_seams.desktopPreferences);
    m_runtime.setSpeechOutputFactory(m_seams.speechOutput);
    m_runtime.setListeningSetup(m_seams.listeningSettingsFile,
                                m_seams.globalKey ? m_seams.globalKey() : nullptr);
    m_runtime.setSpeechInput(m_seams.speechInput);
    // A key that reaches Tovrin from anywhere: the figure takes the keyboard focus
    // (Escape on it gives the focus back). Without it a click still does.
    if (m_seams.globalKey)
        m_focusKey = m_seams.globalKey();
    if (m_focusKey) {
        m_focusKey->setPurpose(tr("Give Tovrin the keyboard focus"));
        m_focusKey->setKey(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_K));
        connect(m_focusKey.get(), &GlobalKey::pressed, this, [this] { m_runtime.focusFigure(); });
    }
}

Program::~Program() {
    if (RunKeeper::current() == &m_keeper)
        RunKeeper::setCurrent(m_previousKeeper);
}

bool Program::start() {
    return SplashWindow::open(m_seams.context, m_seams.soundPlayer(),
                              [this] { openCheckFiles(); }) != nullptr;
}

void Program::comeForward() {
    const QString id = identity::characterId();
    if (m_runtime.isLoaded(id)) {
        m_runtime.show(id);
        m_runtime.play(id, QStringLiteral("Greet"));
    }
    if (QWidget* waiting = QApplication::activeModalWidget()) {
        waiting->raise();
        waiting->activateWindow();
    }
}

void Program::openCheckFiles() {
    CheckFilesWindow::open(m_seams.context,
                           [this](QWidget* checkFiles) { openMainWindow(checkFiles); });
}

void Program::openMainWindow(QWidget* checkFilesWindow) {
    agent::AgentControl* control = &m_runtime;
    const MainWindowHooks hooks{
        [this, control] { ChatWindow::open(m_seams.context, control); },
        [this] { OptionsWindow::open(m_seams.context); },
    };
    MainWindow::open(m_seams.context, control, hooks, checkFilesWindow);
}

} // namespace tk
