#pragma once

#include "agent/runtime/CharacterRuntime.h"
#include "platform/core/ProgramContext.h"
#include "platform/desktop/DesktopPreferences.h"
#include "platform/desktop/GlobalKey.h"
#include "platform/desktop/RunKeeper.h"

#include <QObject>
#include <functional>
#include <memory>

namespace tk {

class SoundPlayer;

namespace agent {
class SpeechInput;
}

// What a run of the program is built from. The real program passes the system's
// seams; tests pass temporary directories and fakes.
struct ProgramSeams {
    ProgramContext context;
    // Makes the player of the splash window's sound.
    std::function<std::unique_ptr<SoundPlayer>()> soundPlayer;
    // Makes the voice of each loaded character.
    agent::SpeechOutputFactory speechOutput;
    // The ears of the character runtime; may be null. Must outlive the program.
    agent::SpeechInput* speechInput = nullptr;
    // The runtime's own settings file (listening key, listening all the time,
    // microphone); empty keeps them for the run only.
    QString listeningSettingsFile;
    // Makes a key that reaches the program whatever has the focus: one for
    // listening, one that gives the figure the focus. May be empty or return null.
    std::function<std::unique_ptr<GlobalKey>()> globalKey;
    // Motion and contrast as the desktop asks for them.
    DesktopPreferences desktopPreferences;
};

// The whole program: the character runtime with its voice and ears, and the
// start-up chain splash window -> check window -> main window, whose hooks open
// the chat and options windows. One instance per run.
class Program final : public QObject {
    Q_OBJECT
public:
    explicit Program(ProgramSeams seams, QObject* parent = nullptr);
    ~Program() override;

    // Opens the splash window, which leads on through the start-up chain.
    // Returns false when the run cannot start (the user has been told why).
    bool start();

    // Brings the running program forward for a later start: the figure shows
    // itself (if it was hidden) and greets, and a window waiting for an answer
    // comes up.
    void comeForward();

    // The character runtime: the program's one agent control.
    agent::CharacterRuntime& runtime() { return m_runtime; }

    // The run is over (finished went out), perhaps inside a message box before
    // the event loop started.
    bool hasEnded() const { return m_keeper.hasEnded(); }
    // The code the process ends with.
    int exitCode() const { return m_keeper.exitCode(); }

signals:
    // The last of the program's windows has closed: the run is over.
    void finished();

private:
    void openCheckFiles();
    void openMainWindow(QWidget* checkFilesWindow);

    ProgramSeams m_seams;
    RunKeeper m_keeper;
    RunKeeper* m_previousKeeper = nullptr;
    agent::CharacterRuntime m_runtime;
    std::unique_ptr<GlobalKey> m_focusKey;
};

} // namespace tk
