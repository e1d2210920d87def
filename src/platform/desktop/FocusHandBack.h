#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>

namespace tk {

// Remembers which window has the keyboard focus before the program takes it
// (by a global key), and gives the focus back there later. A window of this
// program is activated again by Qt; another program's window through the X
// server: the window manager's active window where one runs, else the
// server's input focus.
class FocusHandBack {
public:
    FocusHandBack() = default;

    // Notes the window that has the focus now (forgetting an earlier one).
    void remember();
    // Gives the focus back to the noted window, if it is still there; true if
    // there was one to give it to. Forgets it either way.
    bool giveBack();
    // Whether a window is noted.
    bool hasWindow() const { return m_own || m_foreign != 0; }

private:
    std::uint32_t foreignActiveWindow(bool* managed) const;
    bool activateForeign(std::uint32_t window, bool managed) const;

    QPointer<QWidget> m_own;
    std::uint32_t m_foreign = 0;
    bool m_managed = false; // m_foreign came from the window manager
};

} // namespace tk
