#include "agent/runtime/ListeningControls.h"

#include "agent/api/SpeechInput.h"
#include "agent/runtime/CharacterRuntime.h"
#include "agent/runtime/FigureWindow.h"
#include "agent/runtime/ListeningTip.h"
#include "agent/runtime/VoiceCommandsWindow.h"

namespace tk::agent {

namespace {
constexpr int kHeardShownMs = 2500;
constexpr int kNoticeShownMs = 7000;
} // namespace

ListeningControls::ListeningControls(CharacterRuntime& runtime, SpeechInput& input)
    : m_runtime(runtime), m_input(&input), m_listen(QStringLiteral("Listen")),
      m_voiceCommands(QStringLiteral("Voice Commands...")),
      m_tip(std::make_unique<listening::ListeningTip>()) {
    m_listen.setShortcuts({QKeySequence(Qt::Key_Space), QKeySequence(Qt::Key_L)});
    m_listen.setShortcutContext(Qt::WindowShortcut);
    connect(&m_listen, &QAction::triggered, this, &ListeningControls::listenNow);
    connect(&m_voiceCommands, &QAction::triggered, this, &ListeningControls::showVoiceCommands);
    runtime.addMenuAction(&m_listen);
    runtime.addMenuAction(&m_voiceCommands);

    connect(&input, &SpeechInput::availabilityChanged, this,
            &ListeningControls::refreshAvailability);
    connect(&input, &SpeechInput::listeningStarted, this,
            [this] { showTip(listening::ListeningTip::listeningText(), 0); });
    connect(&input, &SpeechInput::heard, this, [this](const QString&, const QString& text) {
        showTip(listening::ListeningTip::heardText(text), kHeardShownMs);
    });
    connect(&input, &SpeechInput::listeningStopped, this, [this] {
        // What was heard stays for its moment; "Listening..." goes at once.
        if (!m_tip->isPassing())
            m_tip->hide();
    });
    connect(&runtime, &CharacterRuntime::listeningUnavailable, this,
            [this](const QString&, const QString& reason) { tellUnavailable(reason); });
    connect(&runtime, &CharacterRuntime::commandsChanged, this, [this](const QString& id) {
        if (listening::VoiceCommandsWindow* window = listening::VoiceCommandsWindow::current();
            window && id == targetId())
            window->setCommands(m_runtime.commands(id));
    });
    connect(&runtime, &CharacterRuntime::characterUnloaded, this, [this] {
        if (m_runtime.characterIds().isEmpty()) {
            m_tip->hide();
            if (listening::VoiceCommandsWindow* window = listening::VoiceCommandsWindow::current())
                window->close();
        }
    });
    refreshAvailability();
}

ListeningControls::~ListeningControls() {
    m_runtime.removeMenuAction(&m_listen);
    m_runtime.removeMenuAction(&m_voiceCommands);
}

QString ListeningControls::targetId() const {
    const QString listener = m_runtime.listenerId();
    if (!listener.isEmpty() && m_runtime.isLoaded(listener))
        return listener;
    const QStringList ids = m_runtime.characterIds();
    return ids.isEmpty() ? QString() : ids.first();
}

void ListeningControls::listenNow() {
    const QString id = targetId();
    if (!id.isEmpty())
        m_runtime.listen(id, true);
}

void ListeningControls::showVoiceCommands() {
    const QString reason =
        m_input && !m_input->isAvailable() ? m_input->unavailableReason() : QString();
    listening::VoiceCommandsWindow::showFor(m_runtime.commands(targetId()), reason);
}

void ListeningControls::refreshAvailability() {
    const bool available = m_input && m_input->isAvailable();
    m_listen.setEnabled(available);
    if (listening::VoiceCommandsWindow* window = listening::VoiceCommandsWindow::current())
        window->setUnavailableReason(available ? QString() : m_input->unavailableReason());
    // A microphone that arrives later serves a character that wants to listen.
    if (available) {
        const QString id = m_runtime.listenerId();
        if (!id.isEmpty() && m_runtime.isLoaded(id) && !m_input->isListening())
            m_runtime.listen(id, true);
    }
}

void ListeningControls::tellUnavailable(const QString& reason) {
    if (m_toldUnavailable)
        return;
    m_toldUnavailable = true;
    FigureWindow* figure = m_runtime.figureWindow(targetId());
    if (figure && figure->isVisible()) {
        showTip(reason, kNoticeShownMs);
        return;
    }
    // Said once the character is on the screen, beside it.
    m_pendingNotice = reason;
    if (figure) {
        connect(
            figure, &FigureWindow::visibilityChanged, this,
            [this](bool visible) {
                if (visible && !m_pendingNotice.isEmpty()) {
                    showTip(m_pendingNotice, kNoticeShownMs);
                    m_pendingNotice.clear();
                }
            },
            Qt::SingleShotConnection);
    }
}

void ListeningControls::showTip(const QString& text, int hideAfterMs) {
    FigureWindow* figure = m_runtime.figureWindow(targetId());
    if (!figure || !figure->isVisible())
        return;
    if (m_followed != figure) {
        disconnect(m_followConnection);
        m_followed = figure;
        m_followConnection =
            connect(figure, &FigureWindow::geometryChanged, this, &ListeningControls::followFigure);
    }
    m_tip->showText(text, figure->frameGeometry(), hideAfterMs);
}

void ListeningControls::followFigure() {
    if (m_followed)
        m_tip->follow(m_followed->frameGeometry());
}

} // namespace tk::agent
