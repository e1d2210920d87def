#pragma once

#include "agent/listening/ListeningSettings.h"

#include <QAction>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

namespace tk {
class GlobalKey;
}

namespace tk::agent {

class CharacterRuntime;
class SpeechInput;
class FigureWindow;
namespace listening {
class HoldToListen;
class ListeningTip;
class ListeningSettingsWindow;
} // namespace listening

// What the user sees of listening: the runtime's menu entries "Listen" (also on
// the Space and L keys while a figure has the focus, and on the listening key
// whatever has the focus), "Voice Commands..." and "Listening Settings...", the
// small tip beside the listening character ("Listening...", what it heard, or
// why it cannot listen), and the Voice Commands and Listening Settings windows.
// The settings live in settingsFile (not stored when it is empty) and are
// applied at once when changed.
class ListeningControls final : public QObject {
    Q_OBJECT
public:
    // key: the source of the listening key (not owned; may be null for none).
    ListeningControls(CharacterRuntime& runtime, SpeechInput& input, GlobalKey* key,
                      const QString& settingsFile);
    ~ListeningControls() override;
    ListeningControls(const ListeningControls&) = delete;
    ListeningControls& operator=(const ListeningControls&) = delete;

    QAction* listenAction() { return &m_listen; }
    QAction* voiceCommandsAction() { return &m_voiceCommands; }
    QAction* settingsAction() { return &m_settingsAction; }
    listening::ListeningTip* tip() const { return m_tip.get(); }
    const listening::ListeningSettings& settings() const { return m_settings; }
    // Stores settings and applies them (the settings window does the same).
    void changeSettings(const listening::ListeningSettings& settings);
    // How the listening key fares, in one sentence for the user ("" for no key).
    QString keyStatusText() const;

    // A session a held key opened waits this long for the phrase under way to be decided.
    static constexpr int kFinishPhraseMs = 3000;

private:
    // The character that listening is for: the listener, else the first loaded one.
    QString targetId() const;
    void listenNow();
    // Ends a session as the held key is let go, after the phrase under way.
    void stopAfterPhrase();
    void showVoiceCommands();
    void showSettings();
    void applySettings(bool initial);
    void applyKey(bool initial);
    // Shows the key's status in the menu and the settings window; tell: say a
    // key that cannot be had in a notice (once per key).
    void showKeyStatus(bool tell);
    void refreshAvailability();
    void showTip(const QString& text, int hideAfterMs);
    // Says text beside the character now, or as soon as it is on the screen.
    void notify(const QString& text);
    // A notice waits for the target's figure to be shown.
    void waitForFigure();
    void tellUnavailable(const QString& reason);
    void followFigure();

    CharacterRuntime& m_runtime;
    QPointer<SpeechInput> m_input;
    QPointer<GlobalKey> m_key;
    QString m_settingsFile;
    listening::ListeningSettings m_settings;
    QAction m_listen;
    QAction m_voiceCommands;
    QAction m_settingsAction;
    std::unique_ptr<listening::ListeningTip> m_tip;
    std::unique_ptr<listening::HoldToListen> m_hold;
    QPointer<FigureWindow> m_followed;
    QMetaObject::Connection m_followConnection;
    QString m_pendingNotice; // said once the figure is up
    QPointer<FigureWindow> m_noticeFigure;
    QMetaObject::Connection m_noticeConnection;
    bool m_toldUnavailable = false;
    bool m_wasAvailable = false;
    bool m_hearing = false; // an utterance is under way
    bool m_stopAfterHeard = false;
    QTimer m_finishPhrase;
    QKeySequence m_toldTakenKey; // the key whose "taken" was said
};

} // namespace tk::agent
