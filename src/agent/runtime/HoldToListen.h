#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <functional>

namespace tk {
class GlobalKey;
}

namespace tk::agent::listening {

// Turns a listening key into requests: a press asks to listen at once; let go
// after a hold, listening is asked to stop; let go after a short tap, the
// session stays open and ends by itself, as one opened from the menu does.
class HoldToListen final : public QObject {
    Q_OBJECT
public:
    // Shorter presses are taps.
    static constexpr int kTapMs = 400;

    // clockMs gives a monotonic time in ms (a steady clock unless a test gives one).
    explicit HoldToListen(GlobalKey& key, std::function<qint64()> clockMs = {},
                          QObject* parent = nullptr);

    bool isHeld() const { return m_held; }

signals:
    void listenRequested();
    void stopRequested();

private:
    QPointer<GlobalKey> m_key;
    std::function<qint64()> m_clock;
    QElapsedTimer m_steady;
    qint64 m_pressedAt = 0;
    bool m_held = false;
};

} // namespace tk::agent::listening
