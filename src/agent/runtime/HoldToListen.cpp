#include "agent/runtime/HoldToListen.h"

#include "platform/desktop/GlobalKey.h"

namespace tk::agent::listening {

HoldToListen::HoldToListen(GlobalKey& key, std::function<qint64()> clockMs, QObject* parent)
    : QObject(parent), m_key(&key), m_clock(std::move(clockMs)) {
    if (!m_clock) {
        m_steady.start();
        m_clock = [this] { return m_steady.elapsed(); };
    }
    connect(&key, &GlobalKey::pressed, this, [this] {
        if (m_held)
            return;
        m_held = true;
        m_pressedAt = m_clock();
        emit listenRequested();
    });
    connect(&key, &GlobalKey::released, this, [this] {
        if (!m_held)
            return;
        m_held = false;
        if (m_clock() - m_pressedAt >= kTapMs)
            emit stopRequested();
    });
}

} // namespace tk::agent::listening
