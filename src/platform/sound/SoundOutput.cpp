#include "platform/sound/SoundOutput.h"

#include "platform/sound/PulseClient.h"

#include <QByteArray>
#include <algorithm>
#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/stream.h>

namespace tk {

namespace {

// What waits on this side at most: enough to ride out a busy owner thread.
constexpr qint64 kBufferMs = 1000;
// The buffer asked of the server: short, so what is heard keeps close to what
// is handed over.
constexpr qint64 kServerBufferMs = 100;
// Rounding between the server's clock and samples.
constexpr qint64 kToleranceMs = 1;

constexpr qint64 kBytesPerFrame = 2;

} // namespace

// The connection and its stream. The callbacks run on the client's thread with
// its lock held; the owner takes the lock for everything else, so every member
// below the client is only touched under the lock.
struct SoundOutput::Stream {
    int rate = 0;
    std::unique_ptr<PulseClient> client;
    pa_stream* stream = nullptr;
    QByteArray pending; // taken from the owner, not yet handed to the server
    qsizetype pendingOffset = 0;
    qint64 takenBytes = 0;  // from the owner
    qint64 handedBytes = 0; // to the server
    bool failed = false;
    bool serverGone = false;
    bool finishing = false;
    bool playing = false;     // the server is playing out (not waiting to gather)
    bool ranDry = false;      // it played out everything it had
    bool triggered = false;   // asked to start without gathering more
    mutable qint64 heard = 0; // the last answer of heardFrames()

    qsizetype waiting() const { return pending.size() - pendingOffset; }

    static void contextChanged(pa_context* context, void* userdata) {
        auto* self = static_cast<Stream*>(userdata);
        switch (pa_context_get_state(context)) {
        case PA_CONTEXT_READY:
            self->openStream(context);
            break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            self->failed = true;
            self->serverGone = true;
            break;
        default:
            break;
        }
    }

    static void streamChanged(pa_stream* stream, void* userdata) {
        auto* self = static_cast<Stream*>(userdata);
        switch (pa_stream_get_state(stream)) {
        case PA_STREAM_READY:
            self->flush();
            break;
        case PA_STREAM_FAILED:
        case PA_STREAM_TERMINATED:
            self->failed = true;
            break;
        default:
            break;
        }
    }

    static void writable(pa_stream*, size_t, void* userdata) {
        static_cast<Stream*>(userdata)->flush();
    }

    static void started(pa_stream*, void* userdata) {
        auto* self = static_cast<Stream*>(userdata);
        self->playing = true;
        self->ranDry = false;
    }

    static void underflow(pa_stream*, void* userdata) {
        auto* self = static_cast<Stream*>(userdata);
        self->playing = false;
        self->ranDry = true;
        self->triggered = false;
        self->flush();
    }

    // Runs as soon as the connection is up, possibly before open() returned.
    void openStream(pa_context* context) {
        const pa_sample_spec spec{PA_SAMPLE_S16LE, std::uint32_t(rate), 1};
        stream = pa_stream_new(context, "Speech", &spec, nullptr);
        if (!stream) {
            failed = true;
            return;
        }
        pa_stream_set_state_callback(stream, &Stream::streamChanged, this);
        pa_stream_set_write_callback(stream, &Stream::writable, this);
        pa_stream_set_started_callback(stream, &Stream::started, this);
        pa_stream_set_underflow_callback(stream, &Stream::underflow, this);
        pa_buffer_attr attr;
        attr.maxlength = std::uint32_t(-1);
        attr.tlength = std::uint32_t(rate * kServerBufferMs / 1000 * kBytesPerFrame);
        attr.prebuf = std::uint32_t(-1);
        attr.minreq = std::uint32_t(-1);
        attr.fragsize = std::uint32_t(-1);
        const auto flags = pa_stream_flags_t(
            PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY);
        if (pa_stream_connect_playback(stream, nullptr, &attr, flags, nullptr, nullptr) < 0)
            failed = true;
    }

    // Hands the server what it has room for; once no more comes, makes it play
    // out what it holds rather than wait to gather more.
    void flush() {
        if (!stream || failed || pa_stream_get_state(stream) != PA_STREAM_READY)
            return;
        const size_t room = pa_stream_writable_size(stream);
        if (room == size_t(-1))
            return;
        const qsizetype bytes = std::min<qsizetype>(qsizetype(room), waiting()) & ~qsizetype(1);
        if (bytes > 0) {
            if (pa_stream_write(stream, pending.constData() + pendingOffset, size_t(bytes), nullptr,
                                0, PA_SEEK_RELATIVE) < 0) {
                failed = true;
                return;
            }
            pendingOffset += bytes;
            handedBytes += bytes;
            ranDry = false;
            if (pendingOffset == pending.size()) {
                pending.clear();
                pendingOffset = 0;
            } else if (pendingOffset > (1 << 16)) {
                pending.remove(0, pendingOffset);
                pendingOffset = 0;
            }
        }
        if (finishing && waiting() == 0 && handedBytes > 0 && !playing && !triggered) {
            triggered = true;
            if (pa_operation* operation = pa_stream_trigger(stream, nullptr, nullptr))
                pa_operation_unref(operation);
        }
    }

    void close() {
        if (!stream)
            return;
        pa_stream_set_state_callback(stream, nullptr, nullptr);
        pa_stream_set_write_callback(stream, nullptr, nullptr);
        pa_stream_set_started_callback(stream, nullptr, nullptr);
        pa_stream_set_underflow_callback(stream, nullptr, nullptr);
        pa_stream_disconnect(stream);
        pa_stream_unref(stream);
        stream = nullptr;
    }
};

std::unique_ptr<SoundOutput> SoundOutput::open(int sampleRate, QString* error) {
    if (sampleRate <= 0) {
        if (error)
            *error = QStringLiteral("no sample rate");
        return nullptr;
    }
    auto stream = std::make_unique<Stream>();
    stream->rate = sampleRate;
    stream->client =
        PulseClient::connect("Tovrin Kin", &Stream::contextChanged, stream.get(), error);
    if (!stream->client)
        return nullptr;
    return std::unique_ptr<SoundOutput>(new SoundOutput(std::move(stream)));
}

SoundOutput::SoundOutput(std::unique_ptr<Stream> stream) : m_stream(std::move(stream)) {}

SoundOutput::~SoundOutput() {
    {
        PulseClient::Lock lock(*m_stream->client);
        m_stream->close();
    }
    // Stops the client's thread, outside the lock.
    m_stream->client.reset();
}

qint64 SoundOutput::write(const char* data, qint64 bytes) {
    PulseClient::Lock lock(*m_stream->client);
    Stream& s = *m_stream;
    if (s.failed || s.finishing)
        return 0;
    const qint64 room = s.rate * kBufferMs / 1000 * kBytesPerFrame - s.waiting();
    const qint64 taken = std::min(room, bytes) & ~qint64(1);
    if (taken <= 0)
        return 0;
    s.pending.append(data, qsizetype(taken));
    s.takenBytes += taken;
    s.flush();
    return taken;
}

void SoundOutput::finish() {
    PulseClient::Lock lock(*m_stream->client);
    m_stream->finishing = true;
    m_stream->flush();
}

bool SoundOutput::failed() const {
    PulseClient::Lock lock(*m_stream->client);
    return m_stream->failed;
}

bool SoundOutput::serverGone() const {
    PulseClient::Lock lock(*m_stream->client);
    return m_stream->serverGone;
}

qint64 SoundOutput::writtenFrames() const {
    PulseClient::Lock lock(*m_stream->client);
    return m_stream->takenBytes / kBytesPerFrame;
}

qint64 SoundOutput::heardFrames() const {
    PulseClient::Lock lock(*m_stream->client);
    const Stream& s = *m_stream;
    const qint64 handed = s.handedBytes / kBytesPerFrame;
    if (!s.stream || pa_stream_get_state(s.stream) != PA_STREAM_READY)
        return s.heard;
    // Played out to the end of what there is to play.
    if (s.finishing && s.ranDry && s.waiting() == 0) {
        s.heard = handed;
        return s.heard;
    }
    pa_usec_t usec = 0;
    if (pa_stream_get_time(s.stream, &usec) < 0)
        return s.heard;
    qint64 frames = qint64(usec) * s.rate / 1000000;
    if (frames + s.rate * kToleranceMs / 1000 >= handed)
        frames = handed;
    s.heard = std::clamp(frames, s.heard, handed);
    return s.heard;
}

} // namespace tk
