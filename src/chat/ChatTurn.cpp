#include "ChatTurn.h"

#include "ChatPhrases.h"
#include "ChatTranscript.h"
#include "agent/api/AgentCharacters.h"
#include "platform/core/Clock.h"
#include "platform/core/Dialogs.h"
#include "platform/core/FileChannels.h"
#include "platform/core/ProgramIdentity.h"
#include "platform/core/ProgramPaths.h"
#include "platform/core/RecordAppender.h"
#include "platform/core/VersionText.h"

namespace tk {

namespace {

// A pasted line break would split the record's spoken line and break the
// six-line records: each break (CR LF, lone CR or lone LF) becomes one blank,
// in what is spoken and in what is written alike.
QString onOneLine(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

} // namespace

ChatTurn::Kind ChatTurn::kindOf(const QString& phrase) {
    if (phrase == ChatPhrases::kGeneralHeader)
        return Kind::GeneralHeader;
    if (phrase == ChatPhrases::kNamesHeader)
        return Kind::NamesHeader;
    if (ChatPhrases::findNamePhrase(phrase))
        return Kind::NamePhrase;
    return Kind::FreePhrase;
}

std::optional<QString> ChatTurn::run(const ProgramContext& context, agent::AgentControl* control,
                                     const QString& phrase) {
    // The turn's values, all taken at its start. The channel number stays held
    // until the record is written, so the number in the record is the one the
    // transcript is written under.
    agent::AgentCharacter character = agent::AgentCharacters(control).Item(identity::characterId());
    const QString version = programVersionText();
    const ChannelLease channel = context.channels.acquireLowest();
    const QString transcriptPath = programFile(context.programDir, ChatTranscript::kFileName);

    QString line;
    switch (kindOf(phrase)) {
    case Kind::GeneralHeader:
        context.dialogs.message(ChatPhrases::kGeneralHint, ChatPhrases::kGeneralHintTitle);
        return std::nullopt;
    case Kind::NamesHeader:
        context.dialogs.message(ChatPhrases::kNamesHint, ChatPhrases::kNamesHintTitle);
        return std::nullopt;
    case Kind::NamePhrase: {
        const ChatPhrases::NamePhrase* name = ChatPhrases::findNamePhrase(phrase);
        // The name as typed, blanks kept; Cancel gives the prefix alone.
        line =
            name->replyPrefix + context.dialogs.input(ChatPhrases::kNamePrompt, name->inputTitle);
        break;
    }
    case Kind::FreePhrase:
        line = phrase;
        break;
    }

    line = onOneLine(line);

    // The character may have been unloaded since the window opened, or while the
    // name box was up (the program's Exit with this window open): then nothing
    // is spoken, but the user's line is still kept in the transcript.
    if (character.isLoaded())
        character.Speak(line);

    const QStringList record = ChatTranscript::record(context.clock.shortDateText(), transcriptPath,
                                                      channel.number(), line, version);
    if (const Status written = appendRecord(transcriptPath, record); !written.isOk()) {
        context.dialogs.message(QStringLiteral("The chat line could not be written to \"%1\": %2")
                                    .arg(transcriptPath, written.message()),
                                QStringLiteral("ERROR"));
    }
    return line;
}

} // namespace tk
