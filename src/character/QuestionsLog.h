#pragma once

#include <QString>
#include <QStringList>

namespace tk {

struct ProgramContext;

// The questions log questions.mlp: one four-line entry for every command event,
// answered or not. Only ever appended to.
class QuestionsLog {
public:
    // The lines of one entry for the command name on the given date.
    static QStringList entryLines(const QString& commandName, const QString& dateText);

    // Path of the log in the program directory.
    static QString path(const ProgramContext& context);

    // Appends the entry for commandName, dated by the context's clock, as one
    // write. Returns false and sets *error when it could not be written.
    static bool append(const ProgramContext& context, const QString& commandName, QString* error);
};

} // namespace tk
