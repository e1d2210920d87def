#include "agent/runtime/AnimationPlayer.h"

namespace tk::agent {

AnimationPlayer::AnimationPlayer(std::shared_ptr<const CharacterData> character, QObject* parent)
    : QObject(parent), m_character(std::move(character)), m_timer(this) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &AnimationPlayer::advance);
}

int AnimationPlayer::play(int animation, Mode mode) {
    const int ticket = ++m_nextTicket;
    if (animation < 0 || animation >= m_character->animations.size()) {
        abort();
        return ticket;
    }
    switch (m_phase) {
    case Phase::Idle:
        begin(animation, mode, ticket);
        break;
    case Phase::Steps:
        m_pending = Pending{animation, mode, ticket};
        startExit();
        break;
    case Phase::Exit:
        m_pending = Pending{animation, mode, ticket};
        break;
    }
    return ticket;
}

void AnimationPlayer::stop() {
    if (m_pending) {
        m_ticket = m_pending->ticket;
        m_pending.reset();
    }
    if (m_phase == Phase::Steps)
        startExit();
}

void AnimationPlayer::abort() {
    m_timer.stop();
    m_pending.reset();
    m_phase = Phase::Idle;
}

void AnimationPlayer::begin(int animation, Mode mode, int ticket) {
    m_animation = animation;
    m_mode = mode;
    m_ticket = ticket;
    m_phase = Phase::Steps;
    m_step = 0;
    emit animationStarted(animation);
    showStep(m_character->animations[animation].steps.first());
}

void AnimationPlayer::showStep(const AnimationStep& step) {
    m_timer.start(step.durationMs);
    if (step.frame != m_frame) {
        m_frame = step.frame;
        emit frameChanged(m_frame);
    }
}

void AnimationPlayer::advance() {
    const Animation& current = m_character->animations[m_animation];
    ++m_step;
    if (m_phase == Phase::Steps) {
        if (m_step < current.steps.size())
            showStep(current.steps[m_step]);
        else
            endSteps();
    } else if (m_phase == Phase::Exit) {
        if (m_step < current.exit.size())
            showStep(current.exit[m_step]);
        else if (m_pending) {
            const Pending pending = *m_pending;
            m_pending.reset();
            begin(pending.animation, pending.mode, pending.ticket);
        } else {
            finish();
        }
    }
}

void AnimationPlayer::endSteps() {
    const Animation& current = m_character->animations[m_animation];
    if (current.loopFrom && m_mode == Mode::Loop) {
        m_step = *current.loopFrom;
        showStep(current.steps[m_step]);
    } else if (current.loopFrom) {
        startExit();
    } else if (current.next >= 0) {
        begin(current.next, m_mode, m_ticket);
    } else {
        finish();
    }
}

void AnimationPlayer::startExit() {
    const Animation& current = m_character->animations[m_animation];
    m_phase = Phase::Exit;
    m_step = 0;
    if (!current.exit.isEmpty()) {
        showStep(current.exit.first());
        return;
    }
    if (m_pending) {
        const Pending pending = *m_pending;
        m_pending.reset();
        begin(pending.animation, pending.mode, pending.ticket);
    } else {
        // finished() comes from the event loop, never from inside stop() or play().
        m_timer.start(0);
    }
}

void AnimationPlayer::finish() {
    m_timer.stop();
    m_phase = Phase::Idle;
    emit finished(m_ticket);
}

} // namespace tk::agent
