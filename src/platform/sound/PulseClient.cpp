#include "platform/sound/PulseClient.h"

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/thread-mainloop.h>

namespace tk {

std::unique_ptr<PulseClient> PulseClient::connect(const char* name, StateCallback state,
                                                  void* userdata, QString* error) {
    std::unique_ptr<PulseClient> client(new PulseClient);
    const auto fail = [&](const QString& reason) {
        if (error)
            *error = reason;
        return nullptr;
    };
    client->m_loop = pa_threaded_mainloop_new();
    if (!client->m_loop)
        return fail(QStringLiteral("the sound server client could not start"));
    client->m_context = pa_context_new(pa_threaded_mainloop_get_api(client->m_loop), name);
    if (!client->m_context)
        return fail(QStringLiteral("the sound server client could not start"));
    pa_context_set_state_callback(client->m_context, state, userdata);
    // No flags, as the rest of the program's sound connects: a server that starts
    // on demand is started.
    if (pa_context_connect(client->m_context, nullptr, PA_CONTEXT_NOFLAGS, nullptr) < 0)
        return fail(QStringLiteral("the sound server did not answer: %1")
                        .arg(QString::fromUtf8(pa_strerror(pa_context_errno(client->m_context)))));
    if (pa_threaded_mainloop_start(client->m_loop) < 0)
        return fail(QStringLiteral("the sound server client could not start"));
    client->m_running = true;
    return client;
}

PulseClient::~PulseClient() {
    if (m_context) {
        if (m_running)
            pa_threaded_mainloop_lock(m_loop);
        pa_context_set_state_callback(m_context, nullptr, nullptr);
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        if (m_running)
            pa_threaded_mainloop_unlock(m_loop);
    }
    if (m_loop) {
        if (m_running)
            pa_threaded_mainloop_stop(m_loop);
        pa_threaded_mainloop_free(m_loop);
    }
}

PulseClient::Lock::Lock(const PulseClient& client) : m_loop(client.m_loop) {
    pa_threaded_mainloop_lock(m_loop);
}

PulseClient::Lock::~Lock() {
    pa_threaded_mainloop_unlock(m_loop);
}

} // namespace tk
