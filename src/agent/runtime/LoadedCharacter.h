#pragma once

#include "agent/api/AgentTypes.h"
#include "agent/characterfile/CharacterData.h"
#include "agent/runtime/AnimationPlayer.h"
#include "agent/runtime/FigureMenu.h"
#include "agent/runtime/FrameCache.h"
#include "agent/runtime/FrameRenderer.h"
#include "agent/runtime/RequestQueue.h"

#include <QObject>
#include <QTimer>
#include <QVariantAnimation>
#include <functional>
#include <memory>

namespace tk::agent {

class CharacterRuntime;
class FigureWindow;
class SpeechOutput;
namespace speech {
class WordBalloon;
}

// One character of the runtime while it is loaded: its figure window, its
// request queue and what it is doing. Between requests it rests, idles now and
// then, or shows that it listens; while resting no timer runs but the one that
// wakes it for its next idle animation.
class LoadedCharacter : public QObject {
    Q_OBJECT
public:
    // character must have been prepared into renderer-ready form (see create()).
    LoadedCharacter(CharacterRuntime& runtime, QString id,
                    std::shared_ptr<const CharacterData> character,
                    std::unique_ptr<FrameRenderer> renderer);
    ~LoadedCharacter() override;
    LoadedCharacter(const LoadedCharacter&) = delete;
    LoadedCharacter& operator=(const LoadedCharacter&) = delete;

    const QString& id() const { return m_id; }
    const std::shared_ptr<const CharacterData>& character() const { return m_character; }
    FigureWindow* window() const { return m_window.get(); }
    RequestQueue& queue() { return m_queue; }
    const RequestQueue& queue() const { return m_queue; }
    SpeechOutput* speechOutput() const { return m_speech.get(); }
    // The word balloon, made with the first speech; null before.
    speech::WordBalloon* balloon() const { return m_balloon.get(); }
    QString spokenText() const { return m_speaking ? m_spokenText : QString(); }
    bool isSpeaking() const { return m_speaking; }
    int languageId() const { return m_languageId; }
    void setLanguageId(int languageId) { m_languageId = languageId; }
    const QList<CommandRegistration>& commands() const { return m_commands; }
    void addCommand(const CommandRegistration& command);

    // Listening as the speech input reports it.
    void setListening(bool listening);
    void setHearing(bool hearing);
    // Whether the character wants its listening session (re)opened when it can.
    void setWantsListening(bool on) { m_wantsListening = on; }
    // Opens the listening session once the current speech has ended.
    void listenAfterSpeech() { m_resumeListening = true; }

private:
    enum class Activity { Hidden, Resting, Idling, Background, Request };

    void startRequest(const Request& request);
    void finishRequest();
    void showFigure();
    void hideFigure();
    void playAnimation(const QString& name);
    void startSpeech(const QString& text);
    void endSpeech();
    // The speech output and its balloon, made when the character first speaks.
    bool prepareSpeech();
    void startMove(QPoint target, std::optional<int> speed);
    void endMove();

    // Plays an animation of state; then runs after (if given) when it ends.
    int playState(CharacterState state, AnimationPlayer::Mode mode,
                  std::function<void()> after = {});
    int playIndex(int animation, AnimationPlayer::Mode mode, std::function<void()> after = {});
    void onAnimationFinished(int ticket);
    // No request runs: rest, or show listening or hearing.
    void settle();
    void scheduleIdle();
    void idle();
    void refreshFrame();
    QPixmap pictureFor(qreal devicePixelRatio);
    MouthShape currentMouth() const { return m_speaking ? m_mouth : MouthShape::Closed; }
    void openMenu(QPoint globalPos, bool byKeyboard);

    CharacterRuntime& m_runtime;
    QString m_id;
    std::shared_ptr<const CharacterData> m_character;
    std::unique_ptr<FrameRenderer> m_renderer;
    FrameCache m_cache;
    std::unique_ptr<FigureWindow> m_window;
    AnimationPlayer m_player;
    RequestQueue m_queue;
    FigureMenu m_menu;
    QTimer m_idleTimer;
    QTimer m_speechWatchdog;
    QVariantAnimation m_glide;
    QList<CommandRegistration> m_commands;
    std::unique_ptr<SpeechOutput> m_speech;
    std::unique_ptr<speech::WordBalloon> m_balloon;

    Activity m_activity = Activity::Hidden;
    std::optional<Request> m_request;
    int m_waitTicket = -1;
    std::function<void()> m_afterAnimation;
    int m_languageId = 1033;
    bool m_speaking = false;
    QString m_spokenText;
    MouthShape m_mouth = MouthShape::Closed;
    bool m_listening = false;
    bool m_hearing = false;
    bool m_wantsListening = false;
    bool m_resumeListening = false;
};

} // namespace tk::agent
