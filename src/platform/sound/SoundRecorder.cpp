#include "platform/sound/SoundRecorder.h"

#include "platform/sound/PulseClient.h"

#include <QMetaObject>
#include <algorithm>
#include <atomic>
#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/stream.h>

namespace tk {

namespace {

constexpr pa_sample_spec kSpec{PA_SAMPLE_S16LE, SoundRecorder::kSampleRate, 1};

int samplesFor(int milliseconds) {
    return SoundRecorder::kSampleRate / 1000 * milliseconds;
}

// Asks the server to send audio in fragments of about samples: it wakes this
// process once per fragment.
pa_buffer_attr bufferFor(int samples) {
    pa_buffer_attr attr;
    attr.maxlength = std::uint32_t(-1);
    attr.tlength = std::uint32_t(-1);
    attr.prebuf = std::uint32_t(-1);
    attr.minreq = std::uint32_t(-1);
    attr.fragsize = std::uint32_t(samples * int(sizeof(std::int16_t)));
    return attr;
}

} // namespace

// One recording: the connection and its stream. The callbacks run on the
// client's thread with its lock held; the owner takes the lock to change the
// stream.
struct SoundRecorder::Session {
    SoundRecorder* owner = nullptr;
    quint64 id = 0;
    bool onRecordingThread = false;
    QByteArray device;
    std::atomic<int> pieceSamples{0};
    std::unique_ptr<PulseClient> client;
    pa_stream* stream = nullptr;
    std::vector<std::int16_t> pending; // the client's thread only
    bool reported = false;             // the client's thread only

    void fail(const QString& reason, bool serverGone = false) {
        if (reported)
            return;
        reported = true;
        QMetaObject::invokeMethod(
            owner,
            [owner = owner, id = id, reason, serverGone] { owner->report(id, reason, serverGone); },
            Qt::QueuedConnection);
    }

    static void contextChanged(pa_context* context, void* userdata) {
        auto* session = static_cast<Session*>(userdata);
        switch (pa_context_get_state(context)) {
        case PA_CONTEXT_READY:
            session->openStream(context);
            break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            session->fail(QStringLiteral("the sound server connection ended: %1")
                              .arg(QString::fromUtf8(pa_strerror(pa_context_errno(context)))),
                          true);
            break;
        default:
            break;
        }
    }

    static void streamChanged(pa_stream* stream, void* userdata) {
        auto* session = static_cast<Session*>(userdata);
        const pa_stream_state_t state = pa_stream_get_state(stream);
        if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED)
            session->fail(QStringLiteral("the recording stream ended: %1")
                              .arg(QString::fromUtf8(
                                  pa_strerror(pa_context_errno(pa_stream_get_context(stream))))));
    }

    static void readable(pa_stream* stream, size_t, void* userdata) {
        auto* session = static_cast<Session*>(userdata);
        while (pa_stream_readable_size(stream) > 0) {
            const void* data = nullptr;
            size_t bytes = 0;
            if (pa_stream_peek(stream, &data, &bytes) < 0 || bytes == 0)
                break;
            const auto* samples = static_cast<const std::int16_t*>(data);
            const size_t count = bytes / sizeof(std::int16_t);
            if (samples)
                session->pending.insert(session->pending.end(), samples, samples + count);
            else // a gap in the audio: keep the time it stood for
                session->pending.resize(session->pending.size() + count, 0);
            pa_stream_drop(stream);
        }
        // The server's fragments come close to the piece length; a piece that is
        // nearly whole goes rather than waiting for another fragment.
        if (session->pending.size() * 4 >= size_t(session->pieceSamples.load()) * 3)
            session->deliverPending();
    }

    void deliverPending() {
        // stop() takes the client's lock, which is held here, and takes the
        // callbacks away: once it returns, nothing more is emitted.
        if (onRecordingThread) {
            emit owner->audio(pending);
            pending.clear();
            return;
        }
        QMetaObject::invokeMethod(
            owner,
            [owner = owner, id = id, samples = std::move(pending)]() mutable {
                owner->deliver(id, std::move(samples));
            },
            Qt::QueuedConnection);
        pending = {};
    }

    // Runs as soon as the connection is up, possibly before connect() returned.
    void openStream(pa_context* context) {
        stream = pa_stream_new(context, "Listening", &kSpec, nullptr);
        if (!stream) {
            fail(QStringLiteral("no recording stream: %1")
                     .arg(QString::fromUtf8(pa_strerror(pa_context_errno(context)))));
            return;
        }
        pa_stream_set_state_callback(stream, &Session::streamChanged, this);
        pa_stream_set_read_callback(stream, &Session::readable, this);
        const pa_buffer_attr attr = bufferFor(pieceSamples.load());
        if (pa_stream_connect_record(stream, device.isEmpty() ? nullptr : device.constData(), &attr,
                                     PA_STREAM_ADJUST_LATENCY) < 0)
            fail(QStringLiteral("the input %1 could not be opened: %2")
                     .arg(QString::fromUtf8(device),
                          QString::fromUtf8(pa_strerror(pa_context_errno(context)))));
    }
};

SoundRecorder::SoundRecorder(QObject* parent, Delivery delivery)
    : QObject(parent), m_delivery(delivery) {}

SoundRecorder::~SoundRecorder() {
    stop();
}

bool SoundRecorder::start(const QByteArray& device, QString* error) {
    stop();
    auto session = std::make_unique<Session>();
    session->owner = this;
    session->id = ++m_sessions;
    session->onRecordingThread = m_delivery == Delivery::RecordingThread;
    session->device = device;
    session->pieceSamples = samplesFor(m_pieceMs);
    session->client =
        PulseClient::connect("Tovrin Kin", &Session::contextChanged, session.get(), error);
    if (!session->client)
        return false;
    m_session = std::move(session);
    return true;
}

void SoundRecorder::stop() {
    if (!m_session)
        return;
    const std::unique_ptr<Session> session = std::move(m_session);
    {
        PulseClient::Lock lock(*session->client);
        if (session->stream) {
            pa_stream_set_state_callback(session->stream, nullptr, nullptr);
            pa_stream_set_read_callback(session->stream, nullptr, nullptr);
            pa_stream_disconnect(session->stream);
            pa_stream_unref(session->stream);
            session->stream = nullptr;
        }
    }
    session->client.reset();
}

void SoundRecorder::setPieceDuration(int milliseconds) {
    milliseconds = std::max(10, milliseconds);
    if (milliseconds == m_pieceMs)
        return;
    m_pieceMs = milliseconds;
    if (!m_session)
        return;
    m_session->pieceSamples = samplesFor(milliseconds);
    PulseClient::Lock lock(*m_session->client);
    if (m_session->stream && pa_stream_get_state(m_session->stream) == PA_STREAM_READY) {
        const pa_buffer_attr attr = bufferFor(samplesFor(milliseconds));
        if (pa_operation* operation =
                pa_stream_set_buffer_attr(m_session->stream, &attr, nullptr, nullptr))
            pa_operation_unref(operation);
    }
}

void SoundRecorder::deliver(quint64 session, std::vector<std::int16_t> samples) {
    if (m_session && m_session->id == session && !samples.empty())
        emit audio(samples);
}

void SoundRecorder::report(quint64 session, const QString& reason, bool serverGone) {
    if (!m_session || m_session->id != session)
        return;
    stop();
    emit failed(reason, serverGone);
}

} // namespace tk
