#pragma once

#include <QObject>

class QWidget;

namespace tk {

// Counts the program's open windows and says when the last one has closed.
// A window closed and another opened in the same event handler (as the start-up
// chain hands over) never ends the run in between: the check runs afterwards.
class RunKeeper final : public QObject {
    Q_OBJECT
public:
    explicit RunKeeper(QObject* parent = nullptr);

    // Counts window until it is destroyed.
    void track(QWidget* window);
    // How many tracked windows exist now.
    int openWindows() const { return m_open; }
    // The code the run ends with when its last window has closed (0 unless set).
    void setExitCode(int code) { m_exitCode = code; }
    int exitCode() const { return m_exitCode; }
    // The last window has closed (lastWindowClosed went out), perhaps in a
    // message box's event loop before the program's own loop ran.
    bool hasEnded() const { return m_announced; }

    // The keeper of the running program (none in tests that do not set one).
    static RunKeeper* current();
    static void setCurrent(RunKeeper* keeper);

signals:
    // No tracked window is left.
    void lastWindowClosed();

private:
    void checkLast();
    int m_open = 0;
    bool m_announced = false; // lastWindowClosed sent since the last track()
    int m_exitCode = 0;
};

} // namespace tk
