#pragma once

#include "platform/core/ProgramContext.h"

#include <QString>
#include <optional>

namespace tk::agent {
class AgentControl;
}

namespace tk {

// One press of "Say it!": decides what the phrase box's text is and carries out
// the turn. A category header only shows its hint. A name phrase asks the
// user's name and speaks its reply prefix followed by the name as typed; any
// other text is spoken unchanged (only a pasted line break becomes a blank).
// Every spoken turn appends one six-line record to the transcript in the
// program directory.
namespace ChatTurn {

enum class Kind {
    GeneralHeader, // hint about the general phrases
    NamesHeader,   // hint about the name phrases
    NamePhrase,    // asks the name, speaks prefix + name
    FreePhrase,    // spoken as it stands
};

// What kind of turn phrase gives (whole text, case and blanks count).
Kind kindOf(const QString& phrase);

// Runs one turn for phrase through the context's dialogs, clock and file
// channels, with the character of control (none: the character is not loaded,
// nothing is spoken but the record is kept). Returns the line that was
// spoken and recorded, or nothing for a header. A record that cannot be
// written is reported in an "ERROR" box.
std::optional<QString> run(const ProgramContext& context, agent::AgentControl* control,
                           const QString& phrase);

} // namespace ChatTurn

} // namespace tk
