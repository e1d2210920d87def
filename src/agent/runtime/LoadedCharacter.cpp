#include "agent/runtime/LoadedCharacter.h"

#include "agent/api/SpeechInput.h"
#include "agent/api/SpeechOutput.h"
#include "agent/runtime/BalloonComfort.h"
#include "agent/runtime/CharacterRuntime.h"
#include "agent/runtime/FigurePlacement.h"
#include "agent/runtime/FigureWindow.h"
#include "agent/runtime/RuntimeLog.h"
#include "agent/runtime/WordBalloon.h"
#include "platform/desktop/Compositor.h"

#include <QApplication>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QScreen>

namespace tk::agent {

namespace {

QList<QRect> screenGeometries() {
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.append(screen->geometry());
    return screens;
}

// Speech that has not ended long after it should have (a speech output that
// lost its end) is cut short so that the queue goes on.
int speechDeadlineMs(const QString& text) {
    return int(std::min<qint64>(15000 + qint64(text.size()) * 150, 30 * 60 * 1000));
}

} // namespace

LoadedCharacter::LoadedCharacter(CharacterRuntime& runtime, QString id,
                                 std::shared_ptr<const CharacterData> character,
                                 std::unique_ptr<FrameRenderer> renderer)
    : QObject(&runtime), m_runtime(runtime), m_id(std::move(id)), m_character(std::move(character)),
      m_renderer(std::move(renderer)), m_cache(*m_renderer),
      m_window(std::make_unique<FigureWindow>(m_character->size, compositorRunning(),
                                              m_character->matte)),
      m_player(m_character, this), m_queue(this), m_menu(this), m_idleTimer(this),
      m_speechWatchdog(this), m_glide(this) {
    m_window->setCharacterName(m_character->name.isEmpty() ? m_id : m_character->name);
    m_window->setPictureSource([this](qreal ratio) { return pictureFor(ratio); });
    m_window->setDragLimiter([this](QPoint wanted) {
        return FigurePlacement::keepReachable(wanted, m_window->size(), screenGeometries());
    });
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        m_window->move(
            FigurePlacement::initialPosition(m_character->size, screen->availableGeometry()));
    connect(m_window.get(), &FigureWindow::menuRequested, this, &LoadedCharacter::openMenu);
    connect(m_window.get(), &FigureWindow::focusReturnRequested, &m_runtime,
            &CharacterRuntime::returnFocus);
    // The runtime's own entries answer their shortcuts while the figure has the focus.
    m_window->addActions(m_runtime.menuActions());
    // The balloon follows the figure, and goes with it.
    connect(m_window.get(), &FigureWindow::geometryChanged, this, [this](const QRect&) {
        if (m_balloon)
            m_balloon->setAnchor(m_window->frameGeometry());
    });
    connect(m_window.get(), &FigureWindow::visibilityChanged, this, [this](bool visible) {
        if (!visible && m_balloon)
            m_balloon->clear();
    });
    connect(m_window.get(), &FigureWindow::dragStarted, this, [this] {
        if (m_glide.state() == QAbstractAnimation::Running)
            endMove();
    });

    connect(&m_player, &AnimationPlayer::frameChanged, this, &LoadedCharacter::refreshFrame);
    connect(&m_player, &AnimationPlayer::finished, this, &LoadedCharacter::onAnimationFinished);
    connect(&m_player, &AnimationPlayer::animationStarted, this, [this](int animation) {
        emit m_runtime.animationStarted(m_id, m_character->animations[animation].name);
    });
    connect(&m_queue, &RequestQueue::started, this, &LoadedCharacter::startRequest);
    connect(&m_queue, &RequestQueue::drained, this, &LoadedCharacter::settle);
    connect(&m_menu, &FigureMenu::commandChosen, this, [this](const QString& name) {
        UserInput input;
        input.Name = name;
        m_runtime.raiseCommand(m_id, input);
    });

    m_idleTimer.setSingleShot(true);
    connect(&m_idleTimer, &QTimer::timeout, this, &LoadedCharacter::idle);
    m_speechWatchdog.setSingleShot(true);
    connect(&m_speechWatchdog, &QTimer::timeout, this, [this] {
        qCWarning(lcCharacterRuntime) << m_id << "speech did not end in time; going on";
        if (m_speech)
            m_speech->stop();
        if (m_balloon)
            m_balloon->clear();
        endSpeech();
    });
    connect(&m_glide, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { m_window->move(value.toPoint()); });
    connect(&m_glide, &QVariantAnimation::finished, this, &LoadedCharacter::endMove);
}

LoadedCharacter::~LoadedCharacter() {
    m_queue.clear();
    m_player.abort();
    m_glide.stop();
    m_idleTimer.stop();
    m_speechWatchdog.stop();
    if (m_speech) {
        m_speech->disconnect(this);
        if (m_speaking)
            m_speech->stop();
    }
    if (m_balloon)
        m_balloon->clear();
    m_menu.close();
    m_window->hide();
}

void LoadedCharacter::addCommand(const CommandRegistration& command) {
    for (CommandRegistration& existing : m_commands) {
        if (existing.name == command.name) {
            existing = command;
            return;
        }
    }
    m_commands.append(command);
}

void LoadedCharacter::startRequest(const Request& request) {
    m_request = request;
    m_idleTimer.stop();
    m_activity = Activity::Request;
    emit m_runtime.requestStarted(m_id, request);
    switch (request.kind) {
    case Request::Kind::Show:
        showFigure();
        break;
    case Request::Kind::Hide:
        hideFigure();
        break;
    case Request::Kind::Play:
        playAnimation(request.text);
        break;
    case Request::Kind::Speak:
        startSpeech(request.text);
        break;
    case Request::Kind::MoveTo:
        startMove(request.target, request.speed);
        break;
    }
}

void LoadedCharacter::finishRequest() {
    if (!m_request)
        return;
    const Request request = *m_request;
    m_request.reset();
    emit m_runtime.requestDone(m_id, request);
    m_queue.complete(request.serial);
}

void LoadedCharacter::showFigure() {
    if (m_window->isVisible()) {
        finishRequest();
        return;
    }
    // The first frame is in place (and the window shaped) before the window appears.
    playState(CharacterState::Showing, AnimationPlayer::Mode::Once, [this] { finishRequest(); });
    m_window->show();
}

void LoadedCharacter::hideFigure() {
    if (!m_window->isVisible()) {
        finishRequest();
        return;
    }
    playState(CharacterState::Hiding, AnimationPlayer::Mode::Once, [this] {
        m_player.abort();
        m_window->hide();
        finishRequest();
    });
}

void LoadedCharacter::playAnimation(const QString& name) {
    const int animation = m_character->animationIndex(name);
    if (animation < 0) {
        qCDebug(lcCharacterRuntime) << m_id << "has no animation" << name << "- skipped";
        finishRequest();
        return;
    }
    if (!m_window->isVisible()) {
        qCDebug(lcCharacterRuntime) << m_id << "is hidden; animation" << name << "skipped";
        finishRequest();
        return;
    }
    playIndex(animation, AnimationPlayer::Mode::Once, [this] { finishRequest(); });
}

void LoadedCharacter::startSpeech(const QString& text) {
    if (text.trimmed().isEmpty()) {
        finishRequest();
        return;
    }
    if (!prepareSpeech()) {
        qCDebug(lcCharacterRuntime) << m_id << "has no speech output; not spoken:" << text;
        finishRequest();
        return;
    }
    // The character never listens to itself.
    SpeechInput* input = m_runtime.speechInput();
    if (input && m_runtime.listener() == this && input->isListening()) {
        m_resumeListening = true;
        input->stopListening();
    }
    if (input)
        input->setCharacterSpeaking(true);
    m_speaking = true;
    m_spokenText = text;
    m_mouth = MouthShape::Closed;
    if (m_window->isVisible())
        playState(CharacterState::Speaking, AnimationPlayer::Mode::Loop);
    m_speechWatchdog.start(speechDeadlineMs(text));
    emit m_runtime.speechStarted(m_id, text);
    if (m_window->isVisible()) {
        const speech::BalloonSettings look =
            speech::comfortableBalloon(m_character->balloon, m_runtime.desktopPreferences(),
                                       QApplication::font().pointSizeF());
        if (look != m_balloon->settings())
            m_balloon->setSettings(look);
        m_balloon->setAnchor(m_window->frameGeometry());
        m_balloon->beginSpeech(text);
    } else {
        m_balloon->clear();
    }
    m_speech->speak(text, m_character->voice, m_languageId);
}

bool LoadedCharacter::prepareSpeech() {
    if (m_speech)
        return true;
    m_speech = m_runtime.makeSpeechOutput();
    if (!m_speech)
        return false;
    m_balloon = std::make_unique<speech::WordBalloon>(m_character->balloon);
    // The balloon hears the end first, so it shows the whole text before the
    // queue moves on.
    connect(m_speech.get(), &SpeechOutput::finished, m_balloon.get(),
            &speech::WordBalloon::finishSpeech);
    connect(m_speech.get(), &SpeechOutput::wordStarted, m_balloon.get(),
            &speech::WordBalloon::revealWord);
    connect(m_speech.get(), &SpeechOutput::finished, this, &LoadedCharacter::endSpeech);
    connect(m_speech.get(), &SpeechOutput::mouthChanged, this, [this](MouthShape shape) {
        if (m_speaking && shape != m_mouth) {
            m_mouth = shape;
            refreshFrame();
        }
    });
    return true;
}

void LoadedCharacter::endSpeech() {
    if (!m_speaking)
        return;
    m_speaking = false;
    m_speechWatchdog.stop();
    m_spokenText.clear();
    m_mouth = MouthShape::Closed;
    refreshFrame();
    emit m_runtime.speechEnded(m_id);
    if (SpeechInput* input = m_runtime.speechInput())
        input->setCharacterSpeaking(false);
    if (m_resumeListening) {
        m_resumeListening = false;
        SpeechInput* input = m_runtime.speechInput();
        if (m_wantsListening && input && m_runtime.listener() == this && input->isAvailable())
            input->startListening();
    }
    finishRequest();
}

void LoadedCharacter::startMove(QPoint target, std::optional<int> speed) {
    const QScreen* screen = QGuiApplication::screenAt(target);
    if (!screen)
        screen = m_window->screen() ? m_window->screen() : QGuiApplication::primaryScreen();
    const QPoint end =
        screen ? FigurePlacement::clampToScreen(target, m_window->size(), screen->geometry())
               : target;
    const QPoint from = m_window->pos();
    // Under reduced motion the figure is put in its place instead of walking there.
    if (!m_window->isVisible() || from == end || m_runtime.desktopPreferences().reducedMotion) {
        m_window->move(end);
        finishRequest();
        return;
    }
    playState(FigurePlacement::moveDirection(from, end), AnimationPlayer::Mode::Loop);
    m_glide.setStartValue(from);
    m_glide.setEndValue(end);
    m_glide.setDuration(FigurePlacement::glideDurationMs(from, end, speed));
    m_glide.setEasingCurve(QEasingCurve::InOutSine);
    m_glide.start();
}

void LoadedCharacter::endMove() {
    if (!m_request || m_request->kind != Request::Kind::MoveTo)
        return;
    if (m_glide.state() == QAbstractAnimation::Running)
        m_glide.stop(); // dragged away: the move ends where the user took the figure
    else
        m_window->move(m_glide.endValue().toPoint());
    m_player.stop();
    finishRequest();
}

int LoadedCharacter::playState(CharacterState state, AnimationPlayer::Mode mode,
                               std::function<void()> after) {
    const QList<int>& animations = m_character->stateAnimations(state);
    const int pick =
        animations.size() == 1 ? 0 : int(QRandomGenerator::global()->bounded(animations.size()));
    return playIndex(animations[pick], mode, std::move(after));
}

int LoadedCharacter::playIndex(int animation, AnimationPlayer::Mode mode,
                               std::function<void()> after) {
    m_afterAnimation = {};
    m_waitTicket = -1;
    // A loop already on show goes on (speech after speech, listening again).
    if (!after && mode == AnimationPlayer::Mode::Loop && m_player.isLooping(animation))
        return -1;
    const int ticket = m_player.play(animation, mode);
    if (after) {
        m_afterAnimation = std::move(after);
        m_waitTicket = ticket;
    }
    return ticket;
}

void LoadedCharacter::onAnimationFinished(int ticket) {
    if (ticket != m_waitTicket || !m_afterAnimation)
        return;
    std::function<void()> after = std::move(m_afterAnimation);
    m_afterAnimation = {};
    m_waitTicket = -1;
    after();
}

void LoadedCharacter::settle() {
    if (m_request || m_queue.isBusy())
        return;
    m_idleTimer.stop();
    if (!m_window->isVisible()) {
        m_player.abort();
        m_activity = Activity::Resting;
        return;
    }
    if (m_listening || m_hearing) {
        m_activity = Activity::Background;
        const CharacterState state =
            m_hearing ? CharacterState::Hearing : CharacterState::Listening;
        if (m_character->stateAnimations(state).contains(m_player.animation()) &&
            m_player.isLooping(m_player.animation()))
            return; // already showing it
        playState(state, AnimationPlayer::Mode::Loop);
        return;
    }
    m_activity = Activity::Resting;
    playState(CharacterState::Rest, AnimationPlayer::Mode::Once, [this] { scheduleIdle(); });
}

void LoadedCharacter::scheduleIdle() {
    if (m_activity == Activity::Resting && m_window->isVisible())
        m_idleTimer.start(m_runtime.nextIdleDelay());
}

void LoadedCharacter::idle() {
    if (m_activity != Activity::Resting || m_request || m_queue.isBusy() || !m_window->isVisible())
        return;
    m_activity = Activity::Idling;
    playState(CharacterState::Idling, AnimationPlayer::Mode::Once, [this] { settle(); });
}

void LoadedCharacter::setListening(bool listening) {
    m_listening = listening;
    if (!listening)
        m_hearing = false;
    if (m_activity != Activity::Request)
        settle();
}

void LoadedCharacter::setHearing(bool hearing) {
    m_hearing = hearing;
    if (m_activity != Activity::Request)
        settle();
}

void LoadedCharacter::refreshFrame() {
    const int frame = m_player.frame();
    if (frame < 0)
        return;
    const MaskKind kind = m_window->isBlended() ? MaskKind::Blended : MaskKind::Shaped;
    m_window->showFrame(m_cache.mask(frame, currentMouth(), kind));
}

QPixmap LoadedCharacter::pictureFor(qreal devicePixelRatio) {
    const int frame = m_player.frame();
    if (frame < 0)
        return {};
    return m_cache.pixmap(frame, currentMouth(), devicePixelRatio);
}

void LoadedCharacter::openMenu(QPoint globalPos, bool byKeyboard) {
    m_menu.popup(m_commands, m_runtime.menuActions(), globalPos, m_window.get(), byKeyboard);
}

} // namespace tk::agent
