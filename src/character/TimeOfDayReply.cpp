#include "TimeOfDayReply.h"

#include "agent/api/AgentCharacter.h"
#include "platform/core/Clock.h"

namespace tk {

QString TimeOfDayReply::replyAt(const QString& timeOfDay) {
    const QString five = QStringLiteral("05:00");
    const QString ten = QStringLiteral("10:00");
    const QString eleven = QStringLiteral("23:00");
    // Zero-padded HH:mm text sorts in clock order, so text comparison is enough.
    if (timeOfDay > five && timeOfDay < ten)
        return QStringLiteral("I don't know. I must ask my Creator. But he's having a rest now.");
    if (timeOfDay > ten && timeOfDay < eleven)
        return QStringLiteral("Wow... I don't know. Why don't you mail my creator?");
    if (timeOfDay > eleven || timeOfDay < five)
        return QStringLiteral("Oh, boy. I better go learn something!");
    return QString();
}

void TimeOfDayReply::checktime_ask(agent::AgentCharacter character, const Clock& clock) {
    const QString reply = replyAt(clock.timeOfDayText());
    if (!reply.isEmpty())
        character.Speak(reply);
}

} // namespace tk
