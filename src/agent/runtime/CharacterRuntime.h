#pragma once

#include "agent/api/AgentControl.h"
#include "agent/api/SpeechInput.h"
#include "agent/characterfile/CharacterData.h"
#include "agent/runtime/RequestQueue.h"
#include "platform/desktop/DesktopPreferences.h"
#include "platform/desktop/FocusHandBack.h"

#include <QList>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>

class QAction;

namespace tk {
class GlobalKey;
}

namespace tk::agent {

class FigureWindow;
class ListeningControls;
class LoadedCharacter;
class SpeechOutput;
namespace speech {
class WordBalloon;
}

// Makes the speech output of one character (one per loaded character).
using SpeechOutputFactory = std::function<std::unique_ptr<SpeechOutput>()>;

// The character runtime: loads characters from their files and shows each in a
// figure window of its own, with its animations, pop-up menu, moves, speech
// output and speech input. Requests run per character in call order from the
// event loop, so they go on while a modal dialog is open.
class CharacterRuntime : public AgentControl {
    Q_OBJECT
public:
    explicit CharacterRuntime(QObject* parent = nullptr);
    ~CharacterRuntime() override;

    // Speech output for characters loaded from now on; without a factory a
    // Speak request completes at once and nothing is heard.
    void setSpeechOutputFactory(SpeechOutputFactory factory);
    // Where the runtime keeps its own settings (the listening key, listening all
    // the time, the microphone) and the source of the listening key; takes effect
    // with the next setSpeechInput(). Without them there is no listening key and
    // settings changed in the window last for the run only.
    void setListeningSetup(const QString& settingsFile, std::unique_ptr<GlobalKey> listeningKey);
    // Speech input, shared by all characters (not owned; may be null). It
    // serves the character that last asked to listen. With it come the menu
    // entries "Listen" and "Voice Commands..." and the listening tip.
    void setSpeechInput(SpeechInput* input);
    SpeechInput* speechInput() const { return m_speechInput; }
    ListeningControls* listeningControls() const { return m_listeningControls.get(); }

    // Entries of the runtime's own, shown in every figure's pop-up menu below
    // the program's commands and a separator (not owned; removed from the
    // menus when destroyed).
    void addMenuAction(QAction* action);
    void removeMenuAction(QAction* action);
    QList<QAction*> menuActions() const;

    // How long the character rests before it idles, drawn at random in [min, max] ms.
    void setIdleDelay(int minMs, int maxMs);
    // What the desktop asks for: with reduced motion the characters idle less
    // often and jump to where they are sent instead of walking there, and
    // balloons vanish without fading; balloons follow high contrast.
    void setDesktopPreferences(const DesktopPreferences& preferences);
    const DesktopPreferences& desktopPreferences() const { return m_desktop; }
    // How many times longer characters rest between idle animations under reduced motion.
    static constexpr int kCalmIdleFactor = 4;

    // Queues hiding the character (its hiding animation, then the window goes).
    void hide(const QString& id);

    // Gives the figure of id the keyboard focus (for a global key), noting
    // where the focus was; Escape on the figure gives it back there. The first
    // loaded character when id is empty. False if no figure is on the screen.
    bool focusFigure(const QString& id = {});
    // Gives the focus back to where focusFigure() found it; false if there was nowhere.
    bool returnFocus();

    // What the word balloon and other parts of the runtime need of a loaded
    // character; null or empty for an identifier that is not loaded.
    FigureWindow* figureWindow(const QString& id) const;
    std::shared_ptr<const CharacterData> character(const QString& id) const;
    int languageId(const QString& id) const;
    SpeechOutput* speechOutput(const QString& id) const;
    // The word balloon, made with the character's first speech.
    speech::WordBalloon* balloon(const QString& id) const;
    // The text being spoken, "" when the character is silent.
    QString spokenText(const QString& id) const;
    // Whether requests are running or waiting.
    bool isBusy(const QString& id) const;
    // The commands registered on a character, in registration order.
    QList<CommandRegistration> commands(const QString& id) const;
    // The identifiers of the loaded characters, in name order.
    QStringList characterIds() const;
    // The character the speech input serves: the last one asked to listen.
    QString listenerId() const { return m_listenerId; }

    // AgentControl
    Status loadCharacter(const QString& id, const QString& path) override;
    void unloadCharacter(const QString& id) override;
    bool isLoaded(const QString& id) const override;
    void setLanguageId(const QString& id, int languageId) override;
    void listen(const QString& id, bool on) override;
    void show(const QString& id) override;
    void speak(const QString& id, const QString& text) override;
    void play(const QString& id, const QString& animation) override;
    void moveTo(const QString& id, int x, int y, std::optional<int> speed) override;
    void addCommand(const QString& id, const CommandRegistration& command) override;

signals:
    void characterLoaded(const QString& id);
    void characterUnloaded(const QString& id);
    // A request starts or is done (for the word balloon, tools and tests).
    void requestStarted(const QString& id, const tk::agent::Request& request);
    void requestDone(const QString& id, const tk::agent::Request& request);
    // The character begins an animation (for a request, a state or idling).
    void animationStarted(const QString& id, const QString& animation);
    // Speech of text begins, and ends (heard to its end or cut short).
    void speechStarted(const QString& id, const QString& text);
    void speechEnded(const QString& id);
    // A command was registered on the character.
    void commandsChanged(const QString& id);
    // The character was asked to listen, but the speech input cannot (reason says why).
    void listeningUnavailable(const QString& id, const QString& reason);

private:
    friend class LoadedCharacter;

    LoadedCharacter* find(const QString& id) const;
    void enqueue(const QString& id, Request request);
    // Called by a character when the user chooses a command (menu or voice).
    void raiseCommand(const QString& id, const UserInput& input);
    // The speech input serves the listening character: its commands, its states.
    void updateVoiceCommands();
    LoadedCharacter* listener() const;
    void connectSpeechInput();
    std::unique_ptr<SpeechOutput> makeSpeechOutput() const;
    int nextIdleDelay() const;

    std::map<QString, std::unique_ptr<LoadedCharacter>> m_characters;
    SpeechOutputFactory m_speechFactory;
    QPointer<SpeechInput> m_speechInput;
    QString m_listenerId;
    QList<QPointer<QAction>> m_menuActions;
    int m_idleMinMs = 9000;
    int m_idleMaxMs = 22000;
    QString m_settingsFile;
    std::unique_ptr<GlobalKey> m_listeningKey;
    std::unique_ptr<ListeningControls> m_listeningControls;
    FocusHandBack m_focusHandBack;
    DesktopPreferences m_desktop;
};

} // namespace tk::agent
