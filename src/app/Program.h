#pragma once

#include "agent/runtime/CharacterRuntime.h"
#include "platform/core/ProgramContext.h"
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
};

} // namespace tk
