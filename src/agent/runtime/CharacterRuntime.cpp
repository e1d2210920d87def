#include "agent/runtime/CharacterRuntime.h"

#include "agent/api/SpeechInput.h"
#include "agent/api/SpeechOutput.h"
#include "agent/api/VoiceText.h"
#include "agent/characterfile/CharacterFile.h"
#include "agent/runtime/FigureWindow.h"
#include "agent/runtime/FrameRenderer.h"
#include "agent/runtime/ListeningControls.h"
#include "agent/runtime/LoadedCharacter.h"
#include "agent/runtime/RuntimeLog.h"
#include "platform/desktop/GlobalKey.h"

#include <QAction>
#include <QRandomGenerator>
#include <QTimer>
#include <limits>

Q_LOGGING_CATEGORY(lcCharacterRuntime, "tk.agent.runtime")

namespace tk::agent {

CharacterRuntime::CharacterRuntime(QObject* parent) : AgentControl(parent) {
    qRegisterMetaType<Request>();
}

CharacterRuntime::~CharacterRuntime() {
    // Characters go first: their destructors still reach the speech input.
    m_characters.clear();
    m_listeningControls.reset();
    m_listeningKey.reset();
}

void CharacterRuntime::setSpeechOutputFactory(SpeechOutputFactory factory) {
    m_speechFactory = std::move(factory);
}

std::unique_ptr<SpeechOutput> CharacterRuntime::makeSpeechOutput() const {
    return m_speechFactory ? m_speechFactory() : nullptr;
}

void CharacterRuntime::setListeningSetup(const QString& settingsFile,
                                         std::unique_ptr<GlobalKey> listeningKey) {
    m_settingsFile = settingsFile;
    m_listeningKey = std::move(listeningKey);
}

void CharacterRuntime::setSpeechInput(SpeechInput* input) {
    if (m_speechInput)
        m_speechInput->disconnect(this);
    m_listeningControls.reset();
    m_speechInput = input;
    connectSpeechInput();
    updateVoiceCommands();
    if (input)
        m_listeningControls = std::make_unique<ListeningControls>(
            *this, *input, m_listeningKey.get(), m_settingsFile);
}

void CharacterRuntime::connectSpeechInput() {
    if (!m_speechInput)
        return;
    connect(m_speechInput, &SpeechInput::listeningStarted, this, [this] {
        if (LoadedCharacter* character = listener())
            character->setListening(true);
    });
    connect(m_speechInput, &SpeechInput::listeningStopped, this, [this] {
        if (LoadedCharacter* character = listener())
            character->setListening(false);
    });
    connect(m_speechInput, &SpeechInput::hearingStarted, this, [this] {
        if (LoadedCharacter* character = listener())
            character->setHearing(true);
    });
    connect(m_speechInput, &SpeechInput::heard, this,
            [this](const QString& name, const QString& text) {
                LoadedCharacter* character = listener();
                if (!character)
                    return;
                character->setHearing(false);
                UserInput input;
                input.Name = name;
                input.heardText = text;
                input.spoken = true;
                raiseCommand(character->id(), input);
            });
}

LoadedCharacter* CharacterRuntime::listener() const {
    return m_listenerId.isNull() ? nullptr : find(m_listenerId);
}

void CharacterRuntime::updateVoiceCommands() {
    if (!m_speechInput)
        return;
    QList<VoiceCommand> commands;
    if (const LoadedCharacter* character = listener()) {
        m_speechInput->setCharacterName(character->character()->name);
        for (const CommandRegistration& command : character->commands()) {
            if (!command.isEnabled() || !command.voice)
                continue;
            const QStringList phrases = voicePhrases(*command.voice);
            if (!phrases.isEmpty())
                commands.append(VoiceCommand{command.name, phrases});
        }
    }
    m_speechInput->setCommands(commands);
}

void CharacterRuntime::addMenuAction(QAction* action) {
    if (!action || menuActions().contains(action))
        return;
    m_menuActions.append(action);
    // Their shortcuts work while a figure has the focus.
    for (const auto& [id, character] : m_characters)
        character->window()->addAction(action);
}

void CharacterRuntime::removeMenuAction(QAction* action) {
    m_menuActions.removeIf([action](const QPointer<QAction>& entry) {
        return entry.isNull() || entry.data() == action;
    });
    for (const auto& [id, character] : m_characters)
        character->window()->removeAction(action);
}

QList<QAction*> CharacterRuntime::menuActions() const {
    QList<QAction*> actions;
    for (const QPointer<QAction>& action : m_menuActions) {
        if (action)
            actions.append(action.data());
    }
    return actions;
}

void CharacterRuntime::setIdleDelay(int minMs, int maxMs) {
    m_idleMinMs = qMax(1, minMs);
    m_idleMaxMs = qMax(m_idleMinMs, maxMs);
}

void CharacterRuntime::setDesktopPreferences(const DesktopPreferences& preferences) {
    m_desktop = preferences;
}

int CharacterRuntime::nextIdleDelay() const {
    const int delay = int(QRandomGenerator::global()->bounded(m_idleMinMs, m_idleMaxMs + 1));
    return m_desktop.reducedMotion ? int(std::min<qint64>(qint64(delay) * kCalmIdleFactor,
                                                          std::numeric_limits<int>::max()))
                                   : delay;
}

LoadedCharacter* CharacterRuntime::find(const QString& id) const {
    const auto it = m_characters.find(id);
    return it == m_characters.end() ? nullptr : it->second.get();
}

Status CharacterRuntime::loadCharacter(const QString& id, const QString& path) {
    const CharacterFileResult file = readCharacterFile(path);
    if (!file.ok()) {
        qCWarning(lcCharacterRuntime).noquote() << "cannot load" << id << "-" << file.error;
        return Status::failure(file.error);
    }
    auto renderer = std::make_unique<FrameRenderer>(file.character);
    const QString problem = renderer->prepare();
    if (!problem.isEmpty()) {
        const QString error = QStringLiteral("%1: %2").arg(path, problem);
        qCWarning(lcCharacterRuntime).noquote() << "cannot load" << id << "-" << error;
        return Status::failure(error);
    }
    // A character loaded again under the same identifier replaces the old one.
    if (find(id))
        unloadCharacter(id);
    m_characters[id] =
        std::make_unique<LoadedCharacter>(*this, id, file.character, std::move(renderer));
    emit characterLoaded(id);
    return Status::ok();
}

void CharacterRuntime::unloadCharacter(const QString& id) {
    const auto it = m_characters.find(id);
    if (it == m_characters.end())
        return;
    const bool wasListener = (id == m_listenerId);
    std::unique_ptr<LoadedCharacter> character = std::move(it->second);
    m_characters.erase(it);
    if (wasListener) {
        m_listenerId.clear();
        if (m_speechInput && m_speechInput->isListening())
            m_speechInput->stopListening();
        updateVoiceCommands();
    }
    character.reset(); // stops its queue and speech, removes its window
    emit characterUnloaded(id);
}

bool CharacterRuntime::isLoaded(const QString& id) const {
    return find(id) != nullptr;
}

QList<CommandRegistration> CharacterRuntime::commands(const QString& id) const {
    const LoadedCharacter* character = find(id);
    return character ? character->commands() : QList<CommandRegistration>();
}

QStringList CharacterRuntime::characterIds() const {
    QStringList ids;
    for (const auto& [id, character] : m_characters)
        ids.append(id);
    return ids;
}

void CharacterRuntime::setLanguageId(const QString& id, int languageId) {
    if (LoadedCharacter* character = find(id))
        character->setLanguageId(languageId);
}

void CharacterRuntime::listen(const QString& id, bool on) {
    LoadedCharacter* character = find(id);
    if (!character)
        return;
    character->setWantsListening(on);
    if (!on) {
        if (id == m_listenerId && m_speechInput && m_speechInput->isListening())
            m_speechInput->stopListening();
        return;
    }
    if (m_listenerId != id) {
        if (LoadedCharacter* previous = listener())
            previous->setListening(false);
        m_listenerId = id;
    }
    updateVoiceCommands();
    if (!m_speechInput) {
        qCDebug(lcCharacterRuntime) << id << "cannot listen: there is no speech input";
        return;
    }
    if (!m_speechInput->isAvailable()) {
        qCInfo(lcCharacterRuntime).noquote()
            << id << "cannot listen:" << m_speechInput->unavailableReason();
        emit listeningUnavailable(id, m_speechInput->unavailableReason());
        return;
    }
    if (character->isSpeaking()) {
        // Opened when the speech has ended: the character never hears itself.
        character->listenAfterSpeech();
        return;
    }
    if (!m_speechInput->isListening())
        m_speechInput->startListening();
}

void CharacterRuntime::enqueue(const QString& id, Request request) {
    if (LoadedCharacter* character = find(id))
        character->queue().enqueue(std::move(request));
}

void CharacterRuntime::show(const QString& id) {
    enqueue(id, Request{Request::Kind::Show, {}, {}, {}, 0});
}

void CharacterRuntime::hide(const QString& id) {
    enqueue(id, Request{Request::Kind::Hide, {}, {}, {}, 0});
}

bool CharacterRuntime::focusFigure(const QString& id) {
    const QStringList ids = characterIds();
    FigureWindow* window = figureWindow(id.isEmpty() && !ids.isEmpty() ? ids.first() : id);
    if (!window || !window->isVisible())
        return false;
    if (!window->isActiveWindow())
        m_focusHandBack.remember();
    window->focusFromKeyboard();
    return true;
}

bool CharacterRuntime::returnFocus() {
    return m_focusHandBack.giveBack();
}

void CharacterRuntime::speak(const QString& id, const QString& text) {
    enqueue(id, Request{Request::Kind::Speak, text, {}, {}, 0});
}

void CharacterRuntime::play(const QString& id, const QString& animation) {
    enqueue(id, Request{Request::Kind::Play, animation, {}, {}, 0});
}

void CharacterRuntime::moveTo(const QString& id, int x, int y, std::optional<int> speed) {
    enqueue(id, Request{Request::Kind::MoveTo, {}, QPoint(x, y), speed, 0});
}

void CharacterRuntime::addCommand(const QString& id, const CommandRegistration& command) {
    LoadedCharacter* character = find(id);
    if (!character)
        return;
    character->addCommand(command);
    if (id == m_listenerId)
        updateVoiceCommands();
    emit commandsChanged(id);
}

void CharacterRuntime::raiseCommand(const QString& id, const UserInput& input) {
    // Always from the event loop, and only while the character is still loaded.
    QTimer::singleShot(0, this, [this, id, input] {
        if (isLoaded(id))
            emit Command(input);
    });
}

FigureWindow* CharacterRuntime::figureWindow(const QString& id) const {
    const LoadedCharacter* character = find(id);
    return character ? character->window() : nullptr;
}

std::shared_ptr<const CharacterData> CharacterRuntime::character(const QString& id) const {
    const LoadedCharacter* character = find(id);
    return character ? character->character() : nullptr;
}

int CharacterRuntime::languageId(const QString& id) const {
    const LoadedCharacter* character = find(id);
    return character ? character->languageId() : 0;
}

SpeechOutput* CharacterRuntime::speechOutput(const QString& id) const {
    const LoadedCharacter* character = find(id);
    return character ? character->speechOutput() : nullptr;
}

speech::WordBalloon* CharacterRuntime::balloon(const QString& id) const {
    const LoadedCharacter* character = find(id);
    return character ? character->balloon() : nullptr;
}

QString CharacterRuntime::spokenText(const QString& id) const {
    const LoadedCharacter* character = find(id);
    return character ? character->spokenText() : QString();
}

bool CharacterRuntime::isBusy(const QString& id) const {
    const LoadedCharacter* character = find(id);
    return character && character->queue().isBusy();
}

} // namespace tk::agent
