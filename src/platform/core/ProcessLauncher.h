#pragma once

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
    // Returns false and sets *error when it cannot be started.
    virtual bool startDetached(const QString& program, const QStringList& arguments,
                               QString* error) = 0;
};

// Starts real processes with QProcess.
class DetachedProcessLauncher final : public ProcessLauncher {
public:
    bool startDetached(const QString& program, const QStringList& arguments,
                       QString* error) override;
};

} // namespace tk
