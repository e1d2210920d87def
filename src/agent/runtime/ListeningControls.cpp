#include "agent/runtime/ListeningControls.h"

#include "agent/api/SpeechInput.h"
#include "agent/runtime/CharacterRuntime.h"
#include "agent/runtime/FigureWindow.h"
#include "agent/runtime/HoldToListen.h"
#include "agent/runtime/ListeningSettingsWindow.h"
#include "agent/runtime/ListeningTip.h"
#include "agent/runtime/VoiceCommandsWindow.h"
#include "platform/desktop/GlobalKey.h"

#include <QLoggingCategory>

namespace tk::agent {

namespace {
Q_LOGGING_CATEGORY(lcListeningControls, "tk.agent.listening")
constexpr int kHeardShownMs = 2500;
constexpr int kNoticeShownMs = 7000;
} // namespace

ListeningControls::ListeningControls(CharacterRuntime& runtime, SpeechInput& input, GlobalKey* key,
                                     const QString& settingsFile)
    : m_runtime(runtime), m_input(&input), m_key(key), m_settingsFile(settingsFile),
      m_settings(listening::ListeningSettings::load(settingsFile)),
      m_listen(QStringLiteral("Listen")), m_voiceCommands(QStringLiteral("Voice Commands...")),
      m_settingsAction(QStringLiteral("Listening Settings...")),
      m_tip(std::make_unique<listening::ListeningTip>()) {
    m_listen.setShortcutContext(Qt::WindowShortcut);
    connect(&m_listen, &QAction::triggered, this, &ListeningControls::listenNow);
    connect(&m_voiceCommands, &QAction::triggered, this, &ListeningControls::showVoiceCommands);
    connect(&m_settingsAction, &QAction::triggered, this, &ListeningControls::showSettings);
    runtime.addMenuAction(&m_listen);
    runtime.addMenuAction(&m_voiceCommands);
    runtime.addMenuAction(&m_settingsAction);

    if (key) {
        key->setPurpose(tr("Tovrin listens while you hold this key"));
        // An answer from the desktop about the key: told in a notice unless the
        // settings window, which shows it, is open.
        connect(key, &GlobalKey::statusChanged, this,
                [this] { showKeyStatus(!listening::ListeningSettingsWindow::current()); });
        m_hold = std::make_unique<listening::HoldToListen>(*key);
        connect(m_hold.get(), &listening::HoldToListen::listenRequested, this,
                &ListeningControls::listenNow);
        connect(m_hold.get(), &listening::HoldToListen::stopRequested, this,
                &ListeningControls::stopAfterPhrase);
    }
    m_finishPhrase.setSingleShot(true);
    m_finishPhrase.setInterval(kFinishPhraseMs);
    connect(&m_finishPhrase, &QTimer::timeout, this, [this] {
        m_stopAfterHeard = false;
        if (m_input && m_input->isListening())
            m_input->stopListening();
    });

    connect(&input, &SpeechInput::availabilityChanged, this,
            &ListeningControls::refreshAvailability);
    connect(&input, &SpeechInput::listeningStarted, this,
            [this] { showTip(listening::ListeningTip::listeningText(), 0); });
    connect(&input, &SpeechInput::hearingStarted, this, [this] { m_hearing = true; });
    connect(&input, &SpeechInput::heard, this, [this](const QString&, const QString& text) {
        m_hearing = false;
        showTip(listening::ListeningTip::heardText(text), kHeardShownMs);
        if (m_stopAfterHeard) {
            m_stopAfterHeard = false;
            m_finishPhrase.stop();
            if (m_input && m_input->isListening())
                m_input->stopListening();
        }
    });
    connect(&input, &SpeechInput::listeningStopped, this, [this] {
        m_hearing = false;
        m_stopAfterHeard = false;
        m_finishPhrase.stop();
        // What was heard stays for its moment; "Listening..." goes at once.
        if (!m_tip->isPassing())
            m_tip->hide();
    });
    connect(&input, &SpeechInput::alwaysListeningChanged, this, [this](bool on) {
        const QString text = listening::ListeningTip::alwaysListeningText();
        if (on)
            notify(text);
        else if (m_tip->text() == text)
            m_tip->hide();
        else if (m_pendingNotice == text)
            m_pendingNotice.clear();
    });
    connect(&runtime, &CharacterRuntime::listeningUnavailable, this,
            [this](const QString&, const QString& reason) { tellUnavailable(reason); });
    connect(&runtime, &CharacterRuntime::commandsChanged, this, [this](const QString& id) {
        if (listening::VoiceCommandsWindow* window = listening::VoiceCommandsWindow::current();
            window && id == targetId())
            window->setCommands(m_runtime.commands(id));
    });
    connect(&runtime, &CharacterRuntime::characterLoaded, this, &ListeningControls::waitForFigure);
    connect(&runtime, &CharacterRuntime::characterUnloaded, this, [this] {
        if (m_runtime.characterIds().isEmpty()) {
            m_tip->hide();
            if (listening::VoiceCommandsWindow* window = listening::VoiceCommandsWindow::current())
                window->close();
        }
    });
    m_wasAvailable = input.isAvailable();
    applySettings(true);
    refreshAvailability();
}

ListeningControls::~ListeningControls() {
    m_runtime.removeMenuAction(&m_listen);
    m_runtime.removeMenuAction(&m_voiceCommands);
    m_runtime.removeMenuAction(&m_settingsAction);
    if (listening::ListeningSettingsWindow* window = listening::ListeningSettingsWindow::current())
        window->disconnect(this);
}

QString ListeningControls::targetId() const {
    const QString listener = m_runtime.listenerId();
    if (!listener.isEmpty() && m_runtime.isLoaded(listener))
        return listener;
    const QStringList ids = m_runtime.characterIds();
    return ids.isEmpty() ? QString() : ids.first();
}

void ListeningControls::listenNow() {
    m_stopAfterHeard = false;
    m_finishPhrase.stop();
    const QString id = targetId();
    if (!id.isEmpty())
        m_runtime.listen(id, true);
}

void ListeningControls::stopAfterPhrase() {
    if (!m_input || !m_input->isListening())
        return;
    if (m_hearing) {
        m_stopAfterHeard = true;
        m_finishPhrase.start();
        return;
    }
    m_input->stopListening();
}

void ListeningControls::showVoiceCommands() {
    const QString reason =
        m_input && !m_input->isAvailable() ? m_input->unavailableReason() : QString();
    listening::VoiceCommandsWindow::showFor(m_runtime.commands(targetId()), reason);
}

void ListeningControls::showSettings() {
    const bool fresh = !listening::ListeningSettingsWindow::current();
    listening::ListeningSettingsWindow* window =
        listening::ListeningSettingsWindow::showFor(m_settings);
    if (fresh)
        connect(window, &listening::ListeningSettingsWindow::settingsChanged, this,
                &ListeningControls::changeSettings);
    window->setKeyStatus(keyStatusText(), m_key && m_key->status() != GlobalKey::Status::Active);
}

void ListeningControls::changeSettings(const listening::ListeningSettings& settings) {
    if (settings == m_settings)
        return;
    m_settings = settings;
    if (!m_settingsFile.isEmpty()) {
        if (const Status saved = m_settings.save(m_settingsFile); !saved.isOk())
            qCWarning(lcListeningControls).noquote()
                << "listening settings not kept:" << saved.message();
    }
    applySettings(false);
}

void ListeningControls::applySettings(bool initial) {
    if (m_input) {
        m_input->setMicrophone(m_settings.microphone, m_settings.microphoneName);
        m_input->setAlwaysListening(m_settings.alwaysListening);
    }
    applyKey(initial);
}

void ListeningControls::applyKey(bool initial) {
    if (m_key && (m_key->key() != m_settings.key || m_key->status() != GlobalKey::Status::Active))
        m_key->setKey(m_settings.key);
    showKeyStatus(initial);
}

void ListeningControls::showKeyStatus(bool tell) {
    // Space and L serve while a figure has the focus; the listening key, when it
    // works, comes first so that the menu shows it.
    QList<QKeySequence> shortcuts{QKeySequence(Qt::Key_Space), QKeySequence(Qt::Key_L)};
    if (m_key) {
        const GlobalKey::Status status = m_key->status();
        if (status == GlobalKey::Status::Active)
            shortcuts.prepend(m_settings.key);
        // The key cannot be had: said once for that key, not at every start of a session.
        if ((status == GlobalKey::Status::Taken || status == GlobalKey::Status::Refused) &&
            m_toldTakenKey != m_settings.key) {
            m_toldTakenKey = m_settings.key;
            if (tell)
                notify(keyStatusText());
        }
    }
    m_listen.setShortcuts(shortcuts);
    if (listening::ListeningSettingsWindow* window = listening::ListeningSettingsWindow::current())
        window->setKeyStatus(keyStatusText(),
                             m_key && m_key->status() != GlobalKey::Status::Active);
}

QString ListeningControls::keyStatusText() const {
    if (!m_key)
        return tr("Listening keys are not available here; use \"Listen\" in Tovrin's menu.");
    const QString key = m_key->triggerDescription().isEmpty() ? GlobalKey::displayText(m_key->key())
                                                              : m_key->triggerDescription();
    switch (m_key->status()) {
    case GlobalKey::Status::Off:
        return QString();
    case GlobalKey::Status::Active:
        return m_key->onlyWhileX11HasFocus()
                   ? tr("In this Wayland session %1 reaches Tovrin while one of its "
                        "windows or another X11 program has the focus.")
                         .arg(key)
                   : tr("%1 works whichever window has the focus.").arg(key);
    case GlobalKey::Status::Taken:
        return tr("Another program already uses %1, so it cannot reach Tovrin. Choose another "
                  "key in \"Listening Settings...\", or use \"Listen\" in Tovrin's menu.")
            .arg(key);
    case GlobalKey::Status::Unsupported:
        return tr("This display offers no keys that work in every program; use \"Listen\" in "
                  "Tovrin's menu.");
    case GlobalKey::Status::Pending:
        return tr("Tovrin is asking the desktop for %1.").arg(key);
    case GlobalKey::Status::Refused:
        return tr("The desktop did not give %1 to Tovrin. Allow it in the desktop's shortcut "
                  "settings, choose another key, or use \"Listen\" in Tovrin's menu.")
            .arg(key);
    case GlobalKey::Status::Invalid:
        return tr("%1 cannot be used as the listening key here; choose another.").arg(key);
    }
    return QString();
}

void ListeningControls::refreshAvailability() {
    const bool available = m_input && m_input->isAvailable();
    const bool wasAvailable = std::exchange(m_wasAvailable, available);
    m_listen.setEnabled(available);
    if (listening::VoiceCommandsWindow* window = listening::VoiceCommandsWindow::current())
        window->setUnavailableReason(available ? QString() : m_input->unavailableReason());
    if (!available && wasAvailable && m_input) {
        // The microphone went away: said once, as it happens.
        m_toldUnavailable = true;
        notify(m_input->unavailableReason());
        return;
    }
    // A microphone that arrives later serves a character that wants to listen.
    if (available && !wasAvailable) {
        const QString id = m_runtime.listenerId();
        if (!id.isEmpty() && m_runtime.isLoaded(id) && !m_input->isListening())
            m_runtime.listen(id, true);
    }
}

void ListeningControls::tellUnavailable(const QString& reason) {
    if (m_toldUnavailable)
        return;
    m_toldUnavailable = true;
    notify(reason);
}

void ListeningControls::notify(const QString& text) {
    if (text.isEmpty())
        return;
    FigureWindow* figure = m_runtime.figureWindow(targetId());
    if (figure && figure->isVisible()) {
        showTip(text, kNoticeShownMs);
        return;
    }
    // Said once the character is on the screen, beside it.
    m_pendingNotice = m_pendingNotice.isEmpty() ? text : m_pendingNotice + QLatin1Char('\n') + text;
    waitForFigure();
}

void ListeningControls::waitForFigure() {
    FigureWindow* figure = m_runtime.figureWindow(targetId());
    if (m_pendingNotice.isEmpty() || !figure || figure == m_noticeFigure)
        return;
    disconnect(m_noticeConnection);
    m_noticeFigure = figure;
    m_noticeConnection =
        connect(figure, &FigureWindow::visibilityChanged, this, [this](bool shown) {
            if (!shown || m_pendingNotice.isEmpty())
                return;
            disconnect(m_noticeConnection);
            showTip(std::exchange(m_pendingNotice, QString()), kNoticeShownMs);
        });
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
