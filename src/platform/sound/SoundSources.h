#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>

namespace tk {

class SoundServer;

// One input of the sound server.
struct SoundSource {
    QByteArray name;     // the server's name for it; what recording asks for
    QString description; // the name people see
    bool isDefault = false;

    bool operator==(const SoundSource&) const = default;
};

// The sound server's inputs, kept current through one connection of its own: the
// server says when an input comes or goes or another becomes the default, and
// only then is the list asked again, so nothing runs while nothing changes.
// Monitors of outputs are left out: they hear the loudspeakers, not a room.
// Nothing is asked before the sound server answers; when the connection breaks,
// the list is empty until the server is back, and then it is listed again.
class SoundSources final : public QObject {
    Q_OBJECT
public:
    // server: the gate asked before connecting and told when the server is lost.
    // retryMs: how long to wait before connecting again after a connection that
    // never came up (the server answers the probe, but not this client).
    explicit SoundSources(SoundServer& server, QObject* parent = nullptr, int retryMs = 3000);
    ~SoundSources() override;
    SoundSources(const SoundSources&) = delete;
    SoundSources& operator=(const SoundSources&) = delete;

    // The inputs as last listed; empty before the first list and while the
    // server is away.
    QList<SoundSource> sources() const { return m_sources; }
    // Whether the list comes from a connection that is up now.
    bool isListed() const { return m_listed; }

signals:
    // The list changed, or became listed or stopped being listed.
    void changed();

private:
    struct Connection;
    void connectToServer();
    void waitForServer();
    void take(quint64 connection, const QList<SoundSource>& sources);
    void lose(quint64 connection, bool hadListed);

    SoundServer& m_server;
    std::unique_ptr<Connection> m_connection;
    quint64 m_connections = 0;
    QList<SoundSource> m_sources;
    bool m_listed = false;
    bool m_waiting = false; // for the server to be ready, or for m_retry
    QTimer m_retry;
};

} // namespace tk
