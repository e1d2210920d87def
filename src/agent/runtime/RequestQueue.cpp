#include "agent/runtime/RequestQueue.h"

namespace tk::agent {

RequestQueue::RequestQueue(QObject* parent) : QObject(parent), m_kick(this) {
    m_kick.setSingleShot(true);
    m_kick.setInterval(0);
    connect(&m_kick, &QTimer::timeout, this, &RequestQueue::startNext);
}

void RequestQueue::enqueue(Request request) {
    request.serial = ++m_lastSerial;
    m_waiting.push_back(std::move(request));
    if (!m_current)
        m_kick.start();
}

void RequestQueue::complete(quint64 serial) {
    if (!m_current || m_current->serial != serial)
        return;
    m_current.reset();
    m_kick.start();
}

void RequestQueue::clear() {
    m_kick.stop();
    m_waiting.clear();
    m_current.reset();
}

void RequestQueue::startNext() {
    if (m_current)
        return;
    if (m_waiting.empty()) {
        emit drained();
        return;
    }
    m_current = std::move(m_waiting.front());
    m_waiting.pop_front();
    const Request request = *m_current;
    emit started(request);
}

} // namespace tk::agent
