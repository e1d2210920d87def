#pragma once

#include "platform/core/ProgramContext.h"

#include <QWidget>
#include <functional>
#include <memory>

class QTimer;

namespace tk {

class SoundPlayer;

// The splash window splash_scr: the first window of the program. It plays the
// intro sound when the settings say so, sees that the character file is in the
// program directory, and after two seconds or at a click closes and hands over
// to the character file check window.
class SplashWindow final : public QWidget {
    Q_OBJECT
public:
    using HandOver = std::function<void()>;

    // Runs the opening work and shows the window. Returns nullptr (showing no
    // window) when the character file is nowhere and the program must end.
    static SplashWindow* open(const ProgramContext& context, std::unique_ptr<SoundPlayer> sound,
                              HandOver openCheckFiles);

    ~SplashWindow() override;

    // Closes this window and opens the check window; only the first call acts.
    void handOver();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    SplashWindow(std::unique_ptr<SoundPlayer> sound, HandOver openCheckFiles);

    std::unique_ptr<SoundPlayer> m_sound; // wm
    HandOver m_openCheckFiles;
    QTimer* m_timer;            // Timer1
    QPixmap m_picture;          // Image1
    bool m_opening = true;      // the opening work runs; hand-over waits for it
    bool m_handOverDue = false; // the timer ticked while opening
    bool m_handedOver = false;
};

} // namespace tk
