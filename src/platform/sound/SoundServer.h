#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

namespace tk {

// Whether the system's sound server answers, kept in one place so that what
// plays or records does not each keep asking. Nothing tries the server before
// ready() says it answered; until then it is asked again every few seconds,
// and becameReady() says when it did. What was playing or recording when the
// server went away has failed: whoever saw that calls lost(), and becameReady()
// says when the server is back.
class SoundServer final : public QObject {
    Q_OBJECT
public:
    using Probe = std::function<bool()>;
    static constexpr int kRetryMs = 3000;

    // The one of this process, asking the real sound server.
    static SoundServer& system();

    // probe: whether a server answers now; it runs on this object's thread and
    // must be quick. retryMs: how long to wait before asking again.
    explicit SoundServer(Probe probe, int retryMs = kRetryMs, QObject* parent = nullptr);
    ~SoundServer() override;
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;

    // Whether a server has answered. The first call asks it; until it answers,
    // it is asked again every retryMs and becameReady() says when it did.
    bool ready();
    // Runs use now if the server has answered, else once when it does (unless
    // context is gone by then).
    void whenReady(QObject* context, std::function<void()> use);

    // A connection to the server broke. If the server does not answer now, it is
    // asked again every retryMs until it does, and becameReady() says when; if it
    // still answers, the fault was not the server's and nothing is said.
    void lost();

signals:
    // A server answered after ready() had said no, or after lost() found it
    // gone: what failed may be tried again.
    void becameReady();

private:
    void askAgain();

    enum class State { NotAsked, Waiting, Ready };
    Probe m_probe;
    State m_state = State::NotAsked;
    QTimer m_retry;
};

} // namespace tk
