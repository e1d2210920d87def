#include "agent/listening/VoiceCommandList.h"

#include "agent/api/VoiceText.h"

#include <algorithm>

namespace tk::agent::listening {

namespace {

bool readable(const QString& caption) {
    return std::any_of(caption.begin(), caption.end(),
                       [](QChar c) { return c.isLetterOrNumber(); });
}

QString capitalized(const QString& phrase) {
    if (phrase.isEmpty())
        return phrase;
    return phrase.left(1).toUpper() + phrase.mid(1);
}

QStringList phrasesOf(const CommandRegistration& registration) {
    if (!registration.isEnabled() || !registration.voice)
        return {};
    return voicePhrases(*registration.voice);
}

} // namespace

QList<VoiceCommand> voiceCommandsOf(const QList<CommandRegistration>& registrations) {
    QList<VoiceCommand> commands;
    for (const CommandRegistration& registration : registrations) {
        const QStringList phrases = phrasesOf(registration);
        if (!phrases.isEmpty())
            commands.append({registration.name, phrases});
    }
    return commands;
}

QList<VoiceCommandGroup> voiceCommandGroups(const QList<CommandRegistration>& registrations) {
    QList<VoiceCommandGroup> groups;
    for (const CommandRegistration& registration : registrations) {
        const QStringList phrases = phrasesOf(registration);
        if (phrases.isEmpty())
            continue;
        const bool inMenu = registration.isVisible();
        QString title = registration.caption;
        if (!inMenu || !readable(title))
            title = capitalized(phrases.first());
        groups.append({registration.name, title, phrases, inMenu});
    }
    return groups;
}

} // namespace tk::agent::listening
