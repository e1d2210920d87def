#pragma once

#include <QString>
#include <QtGlobal>

namespace tk {

// While it lives, a fatal error of the window-system platform (Qt aborts when
// its platform cannot start, for instance when the display refuses the
// connection after the program's own check passed) prints the program's own
// message and ends the process with exit code 2 instead of an abort. Other
// messages go on to the handler that was installed before.
class PlatformFailureGuard {
public:
    explicit PlatformFailureGuard(const QString& display);
    ~PlatformFailureGuard();
    PlatformFailureGuard(const PlatformFailureGuard&) = delete;
    PlatformFailureGuard& operator=(const PlatformFailureGuard&) = delete;

    // The line printed for a platform that failed on display.
    static QString message(const QString& display);

private:
    QtMessageHandler m_previous;
};

} // namespace tk
