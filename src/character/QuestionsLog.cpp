#include "QuestionsLog.h"

#include "platform/core/Clock.h"
#include "platform/core/FileChannels.h"
#include "platform/core/ProgramContext.h"
#include "platform/core/ProgramPaths.h"
#include "platform/core/RecordAppender.h"

namespace tk {

QStringList QuestionsLog::entryLines(const QString& commandName, const QString& dateText) {
    const QString rule(17, QLatin1Char('='));
    return {rule, commandName, dateText, rule};
}

QString QuestionsLog::path(const ProgramContext& context) {
    return programFile(context.programDir, QStringLiteral("questions.mlp"));
}

Status QuestionsLog::append(const ProgramContext& context, const QString& commandName) {
    const ChannelLease channel = context.channels.acquireLowest();
    return appendRecord(path(context), entryLines(commandName, context.clock.shortDateText()));
}

} // namespace tk
