#include "platform/sound/SoundServer.h"

#include "platform/sound/SoundServerProbe.h"

namespace tk {

namespace {

// A local server answers in milliseconds; one that takes longer is treated as
// absent for now and asked again later.
constexpr int kProbeTimeoutMs = 1000;

} // namespace

SoundServer& SoundServer::system() {
    static SoundServer server([] { return SoundServerProbe::answers(kProbeTimeoutMs); });
    return server;
}

SoundServer::SoundServer(Probe probe, int retryMs, QObject* parent)
    : QObject(parent), m_probe(std::move(probe)) {
    m_retry.setInterval(retryMs);
    m_retry.setTimerType(Qt::VeryCoarseTimer);
    connect(&m_retry, &QTimer::timeout, this, &SoundServer::askAgain);
}

SoundServer::~SoundServer() = default;

bool SoundServer::ready() {
    if (m_state == State::NotAsked) {
        if (m_probe()) {
            m_state = State::Ready;
        } else {
            m_state = State::Waiting;
            m_retry.start();
        }
    }
    return m_state == State::Ready;
}

void SoundServer::whenReady(QObject* context, std::function<void()> use) {
    if (ready())
        use();
    else
        connect(this, &SoundServer::becameReady, context, std::move(use), Qt::SingleShotConnection);
}

void SoundServer::lost() {
    if (m_state == State::Waiting)
        return; // already asking until it answers
    if (m_probe()) {
        m_state = State::Ready;
        return;
    }
    m_state = State::Waiting;
    m_retry.start();
}

void SoundServer::askAgain() {
    if (m_state != State::Waiting || !m_probe())
        return;
    m_state = State::Ready;
    m_retry.stop();
    emit becameReady();
}

} // namespace tk
