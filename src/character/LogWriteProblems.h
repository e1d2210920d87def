#pragma once

#include <QList>
#include <QSet>
#include <QString>

namespace tk {

class Dialogs;

// Tells the user once per run and file that a log or report could not be
// written, so that a read-only program directory or a full disk neither goes
// unnoticed nor brings up a box at every command.
class LogWriteProblems {
public:
    explicit LogWriteProblems(Dialogs& dialogs);
    LogWriteProblems(const LogWriteProblems&) = delete;
    LogWriteProblems& operator=(const LogWriteProblems&) = delete;

    // Reports that path could not be written, unless it was reported before.
    void report(const QString& path, const QString& error);

    // While held, reports wait (so that the start of the character is not held
    // up by a box); release() shows the waiting ones.
    void hold();
    void release();

    // The message shown for path.
    static QString messageFor(const QString& path, const QString& error);

private:
    struct Problem {
        QString path;
        QString error;
    };
    Dialogs& m_dialogs;
    QSet<QString> m_reported;
    QList<Problem> m_waiting;
    bool m_held = false;
};

} // namespace tk
