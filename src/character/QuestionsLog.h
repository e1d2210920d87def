#pragma once

#include "platform/core/Status.h"

#include <QString>
#include <QStringList>

namespace tk {

struct ProgramContext;

// The questions log questions.mlp: one four-line entry for every command event,
// answered or not. Only ever appended to.
namespace QuestionsLog {

// The lines of one entry for the command name on the given date.
QStringList entryLines(const QString& commandName, const QString& dateText);

// Path of the log in the program directory.
QString path(const ProgramContext& context);

// Appends the entry for commandName, dated by the context's clock, as one
// write.
Status append(const ProgramContext& context, const QString& commandName);

} // namespace QuestionsLog

} // namespace tk
