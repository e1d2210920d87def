#pragma once

#include "agent/characterfile/CharacterData.h"

#include <QObject>
#include <QTimer>
#include <memory>

namespace tk::agent {

// Plays a character's animations frame by frame on one single-shot timer that
// is armed only while a frame is waiting for its successor: once an animation
// has ended, nothing runs until the next play().
class AnimationPlayer : public QObject {
    Q_OBJECT
public:
    enum class Mode {
        Once, // steps once (a looping animation once through), then its exit; follows "next"
        Loop, // a looping animation repeats until stop(); others behave as Once
    };

    explicit AnimationPlayer(std::shared_ptr<const CharacterData> character,
                             QObject* parent = nullptr);
    AnimationPlayer(const AnimationPlayer&) = delete;
    AnimationPlayer& operator=(const AnimationPlayer&) = delete;

    // Starts animation; one still playing is stopped first (its exit steps play
    // before the new animation starts). Returns a ticket that finished() names.
    int play(int animation, Mode mode);
    // Ends the current animation through its exit steps; finished() follows.
    void stop();
    // Ends at once, without exit steps and without finished().
    void abort();

    bool isPlaying() const { return m_phase != Phase::Idle; }
    // Whether animation is repeating its steps in Loop mode (not on its way out).
    bool isLooping(int animation) const {
        return m_phase == Phase::Steps && m_mode == Mode::Loop && m_animation == animation &&
               !m_pending;
    }
    // The animation playing (or the last one played), -1 before any.
    int animation() const { return m_animation; }
    // The frame on show, -1 before any.
    int frame() const { return m_frame; }

signals:
    // An animation begins (also one reached through "next").
    void animationStarted(int animation);
    void frameChanged(int frame);
    // The animation started by play() with ticket has ended (by itself or by stop()).
    void finished(int ticket);

private:
    enum class Phase { Idle, Steps, Exit };
    struct Pending {
        int animation = -1;
        Mode mode = Mode::Once;
        int ticket = 0;
    };

    void begin(int animation, Mode mode, int ticket);
    void showStep(const AnimationStep& step);
    void advance();
    void endSteps();
    void startExit();
    void finish();

    std::shared_ptr<const CharacterData> m_character;
    QTimer m_timer;
    Phase m_phase = Phase::Idle;
    int m_animation = -1;
    Mode m_mode = Mode::Once;
    int m_step = 0;
    int m_frame = -1;
    int m_ticket = 0;
    int m_nextTicket = 0;
    bool m_stopRequested = false;
    std::optional<Pending> m_pending;
};

} // namespace tk::agent
