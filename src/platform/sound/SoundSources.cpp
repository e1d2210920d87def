#include "platform/sound/SoundSources.h"

#include "platform/sound/PulseClient.h"
#include "platform/sound/SoundServer.h"

#include <QMetaObject>
#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/subscribe.h>
#include <utility>

namespace tk {

// One connection and what it has listed. The callbacks run on the client's
// thread with its lock held; what reaches the owner goes through its event queue.
struct SoundSources::Connection {
    SoundSources* owner = nullptr;
    quint64 id = 0;
    // The client's thread only:
    bool listing = false;   // a list is being asked for
    bool listAgain = false; // the server changed meanwhile: ask once more after it
    bool delivered = false; // a list reached the owner
    bool reported = false;  // the end was reported
    QByteArray defaultName;
    QList<SoundSource> collecting;
    QList<SoundSource> lastDelivered;
    // Last, so that it goes first: no callback runs once it is gone.
    std::unique_ptr<PulseClient> client;

    ~Connection() {
        if (!client)
            return;
        {
            PulseClient::Lock lock(*client);
            pa_context_set_subscribe_callback(client->context(), nullptr, nullptr);
        }
        client.reset();
    }

    void fail() {
        if (reported)
            return;
        reported = true;
        QMetaObject::invokeMethod(
            owner, [owner = owner, id = id, had = delivered] { owner->lose(id, had); },
            Qt::QueuedConnection);
    }

    static void contextChanged(pa_context* context, void* userdata) {
        auto* self = static_cast<Connection*>(userdata);
        switch (pa_context_get_state(context)) {
        case PA_CONTEXT_READY: {
            pa_context_set_subscribe_callback(context, &Connection::serverChanged, self);
            const auto mask =
                pa_subscription_mask_t(PA_SUBSCRIPTION_MASK_SOURCE | PA_SUBSCRIPTION_MASK_SERVER);
            if (pa_operation* operation = pa_context_subscribe(context, mask, nullptr, nullptr))
                pa_operation_unref(operation);
            self->list(context);
            break;
        }
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            self->fail();
            break;
        default:
            break;
        }
    }

    // An input came, went or changed, or the server's defaults changed.
    static void serverChanged(pa_context* context, pa_subscription_event_type_t, uint32_t,
                              void* userdata) {
        static_cast<Connection*>(userdata)->list(context);
    }

    // Asks for the default input's name, then for the inputs. Changes that come
    // while a list is on its way make one more list after it, not one each.
    void list(pa_context* context) {
        if (listing) {
            listAgain = true;
            return;
        }
        listing = true;
        pa_operation* operation =
            pa_context_get_server_info(context, &Connection::serverInfo, this);
        if (!operation) {
            fail();
            return;
        }
        pa_operation_unref(operation);
    }

    static void serverInfo(pa_context* context, const pa_server_info* info, void* userdata) {
        auto* self = static_cast<Connection*>(userdata);
        self->defaultName = info && info->default_source_name
                                ? QByteArray(info->default_source_name)
                                : QByteArray();
        self->collecting.clear();
        pa_operation* operation =
            pa_context_get_source_info_list(context, &Connection::sourceInfo, self);
        if (!operation) {
            self->fail();
            return;
        }
        pa_operation_unref(operation);
    }

    static void sourceInfo(pa_context* context, const pa_source_info* info, int last,
                           void* userdata) {
        auto* self = static_cast<Connection*>(userdata);
        if (last < 0) { // the server would not list them: start over with a new connection
            self->fail();
            return;
        }
        if (last == 0) {
            if (info && info->name && info->monitor_of_sink == PA_INVALID_INDEX) {
                const QByteArray name(info->name);
                const QString description = info->description && *info->description
                                                ? QString::fromUtf8(info->description)
                                                : QString::fromUtf8(name);
                self->collecting.append(SoundSource{name, description, name == self->defaultName});
            }
            return;
        }
        self->listing = false;
        if (!self->delivered || self->collecting != self->lastDelivered) {
            self->delivered = true;
            self->lastDelivered = self->collecting;
            QMetaObject::invokeMethod(
                self->owner,
                [owner = self->owner, id = self->id, sources = self->collecting] {
                    owner->take(id, sources);
                },
                Qt::QueuedConnection);
        }
        if (std::exchange(self->listAgain, false))
            self->list(context);
    }
};

SoundSources::SoundSources(SoundServer& server, QObject* parent, int retryMs)
    : QObject(parent), m_server(server) {
    m_retry.setSingleShot(true);
    m_retry.setInterval(retryMs);
    m_retry.setTimerType(Qt::CoarseTimer);
    connect(&m_retry, &QTimer::timeout, this, [this] {
        m_waiting = false;
        waitForServer();
    });
    waitForServer();
}

SoundSources::~SoundSources() = default;

void SoundSources::waitForServer() {
    if (m_waiting || m_connection)
        return;
    m_waiting = true;
    m_server.whenReady(this, [this] {
        m_waiting = false;
        connectToServer();
    });
}

void SoundSources::connectToServer() {
    if (m_connection)
        return;
    auto connection = std::make_unique<Connection>();
    connection->owner = this;
    connection->id = ++m_connections;
    connection->client =
        PulseClient::connect("Tovrin Kin", &Connection::contextChanged, connection.get(), nullptr);
    if (!connection->client) {
        // Not even a start: ask the server again later rather than at once.
        m_server.lost();
        m_waiting = true;
        m_retry.start();
        return;
    }
    m_connection = std::move(connection);
}

void SoundSources::take(quint64 connection, const QList<SoundSource>& sources) {
    if (!m_connection || m_connection->id != connection)
        return;
    const bool wasListed = std::exchange(m_listed, true);
    if (wasListed && sources == m_sources)
        return;
    m_sources = sources;
    emit changed();
}

void SoundSources::lose(quint64 connection, bool hadListed) {
    if (!m_connection || m_connection->id != connection)
        return;
    m_connection.reset();
    const bool wasListed = std::exchange(m_listed, false);
    m_sources.clear();
    if (wasListed)
        emit changed();
    m_server.lost();
    if (hadListed) {
        // A working connection broke: connect again as soon as the server answers.
        waitForServer();
    } else {
        // This client never got a list although the server answered: try again
        // after a while, not in a tight loop.
        m_waiting = true;
        m_retry.start();
    }
}

} // namespace tk
