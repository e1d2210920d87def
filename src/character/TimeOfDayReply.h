#pragma once

#include <QString>

namespace tk {

class Clock;
namespace agent {
class AgentCharacter;
}

// The reply to a command that the dispatcher does not handle (the main
// window's checktime_ask): the character admits that it does not know, in
// words that depend on the time of day.
namespace TimeOfDayReply {

// The reply for a five-character 24-hour time ("07:30"), compared as text
// with strict bounds; "" at exactly 05:00, 10:00 and 23:00.
QString replyAt(const QString& timeOfDay);

// Speaks the reply for the clock's current time, if there is one.
void checktime_ask(agent::AgentCharacter character, const Clock& clock);

} // namespace TimeOfDayReply

} // namespace tk
