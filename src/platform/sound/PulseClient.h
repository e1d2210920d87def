#pragma once

#include <QString>
#include <memory>

struct pa_context;
struct pa_threaded_mainloop;

namespace tk {

// A connection to the sound server served by a thread of its own (the client
// library's threaded main loop). Callbacks run on that thread with the lock
// held; other threads take the lock (Lock) to touch the connection's objects.
class PulseClient {
public:
    using StateCallback = void (*)(pa_context*, void*);

    // Starts connecting as name; state reports the connection's progress on the
    // client's thread. Null with *error set when even that cannot begin.
    static std::unique_ptr<PulseClient> connect(const char* name, StateCallback state,
                                                void* userdata, QString* error);
    // Disconnects and stops the thread. Never waits on the server. Streams must
    // have been let go of first.
    ~PulseClient();
    PulseClient(const PulseClient&) = delete;
    PulseClient& operator=(const PulseClient&) = delete;

    pa_context* context() const { return m_context; }

    // Holds the client's lock for its lifetime.
    class Lock {
    public:
        explicit Lock(const PulseClient& client);
        ~Lock();
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        pa_threaded_mainloop* m_loop;
    };

private:
    PulseClient() = default;
    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    bool m_running = false;
};

} // namespace tk
