#pragma once

#include <QAction>
#include <QObject>
#include <QPointer>
#include <QString>

namespace tk::agent {

class CharacterRuntime;
class SpeechInput;
class FigureWindow;
namespace listening {
class ListeningTip;
}

// What the user sees of listening: the runtime's menu entries "Listen" (also on
// the Space and L keys while a figure has the focus) and "Voice Commands...",
// the small tip beside the listening character ("Listening...", what it heard,
// or once per run why it cannot listen), and the Voice Commands window.
class ListeningControls final : public QObject {
    Q_OBJECT
public:
    ListeningControls(CharacterRuntime& runtime, SpeechInput& input);
    ~ListeningControls() override;
    ListeningControls(const ListeningControls&) = delete;
    ListeningControls& operator=(const ListeningControls&) = delete;

    QAction* listenAction() { return &m_listen; }
    QAction* voiceCommandsAction() { return &m_voiceCommands; }
    listening::ListeningTip* tip() const { return m_tip.get(); }

private:
    // The character that listening is for: the listener, else the first loaded one.
    QString targetId() const;
    void listenNow();
    void showVoiceCommands();
    void refreshAvailability();
    void showTip(const QString& text, int hideAfterMs);
    void tellUnavailable(const QString& reason);
    void followFigure();

    CharacterRuntime& m_runtime;
    QPointer<SpeechInput> m_input;
    QAction m_listen;
    QAction m_voiceCommands;
    std::unique_ptr<listening::ListeningTip> m_tip;
    QPointer<FigureWindow> m_followed;
    QMetaObject::Connection m_followConnection;
    QString m_pendingNotice; // why it cannot listen, shown once the figure is up
    bool m_toldUnavailable = false;
};

} // namespace tk::agent
