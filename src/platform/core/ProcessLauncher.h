#pragma once

#include "platform/core/Status.h"

#include <QString>
#include <QStringList>

namespace tk {

// Starts programs without waiting for them, a seam so that tests can record starts.
class ProcessLauncher {
public:
    ProcessLauncher() = default;
    virtual ~ProcessLauncher() = default;
    ProcessLauncher(const ProcessLauncher&) = delete;
    ProcessLauncher& operator=(const ProcessLauncher&) = delete;

    // Starts program with arguments, detached and never through a shell.
    // Fails, saying why, when it cannot be started.
    virtual Status startDetached(const QString& program, const QStringList& arguments) = 0;
};

// Starts real processes with QProcess.
class DetachedProcessLauncher final : public ProcessLauncher {
public:
    Status startDetached(const QString& program, const QStringList& arguments) override;
};

} // namespace tk
