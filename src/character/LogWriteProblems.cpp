#include "LogWriteProblems.h"

#include "platform/core/Dialogs.h"

#include <utility>

namespace tk {

LogWriteProblems::LogWriteProblems(Dialogs& dialogs) : m_dialogs(dialogs) {}

void LogWriteProblems::report(const QString& path, const QString& error) {
    if (m_reported.contains(path))
        return;
    m_reported.insert(path);
    if (m_held) {
        m_waiting.append({path, error});
        return;
    }
    m_dialogs.message(messageFor(path, error), QStringLiteral("ERROR"));
}

void LogWriteProblems::hold() {
    m_held = true;
}

void LogWriteProblems::release() {
    m_held = false;
    const QList<Problem> waiting = std::exchange(m_waiting, {});
    for (const Problem& problem : waiting)
        m_dialogs.message(messageFor(problem.path, problem.error), QStringLiteral("ERROR"));
}

QString LogWriteProblems::messageFor(const QString& path, const QString& error) {
    return QStringLiteral("Can't write to %1: %2\nTovrin carries on; further failures to "
                          "write this file are not reported again until the next start.")
        .arg(path, error);
}

} // namespace tk
