#include "platform/sound/SoundFile.h"

#include <QFile>
#include <memory>
#include <mpg123.h>

namespace tk {

namespace {

struct HandleDeleter {
    void operator()(mpg123_handle* handle) const { mpg123_delete(handle); }
};

} // namespace

SoundFile SoundFile::read(const QString& path, QString* error) {
    const auto fail = [&](const QString& reason) {
        if (error)
            *error = reason;
        return SoundFile{};
    };
    int status = MPG123_OK;
    std::unique_ptr<mpg123_handle, HandleDeleter> handle(mpg123_new(nullptr, &status));
    if (!handle)
        return fail(QString::fromUtf8(mpg123_plain_strerror(status)));
    mpg123_param(handle.get(), MPG123_FLAGS, MPG123_MONO_MIX | MPG123_QUIET, 0);
    // Mono 16-bit at whatever rate the file has.
    mpg123_format_none(handle.get());
    const long* rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i)
        mpg123_format(handle.get(), rates[i], MPG123_MONO, MPG123_ENC_SIGNED_16);
    if (mpg123_open(handle.get(), QFile::encodeName(path).constData()) != MPG123_OK)
        return fail(QString::fromUtf8(mpg123_strerror(handle.get())));

    SoundFile sound;
    qint64 maxBytes = -1; // known with the format
    unsigned char buffer[16384];
    for (;;) {
        size_t done = 0;
        status = mpg123_read(handle.get(), buffer, sizeof buffer, &done);
        if (status == MPG123_NEW_FORMAT || maxBytes < 0) {
            long rate = 0;
            int channels = 0;
            int encoding = 0;
            if (mpg123_getformat(handle.get(), &rate, &channels, &encoding) == MPG123_OK &&
                rate > 0 && (sound.sampleRate == 0 || sound.sampleRate == rate)) {
                sound.sampleRate = int(rate);
                maxBytes = qint64(rate) * 2 * kMaxSeconds;
            } else if (status == MPG123_NEW_FORMAT) {
                break; // a second format midway: keep what came before it
            }
        }
        if (done > 0)
            sound.pcm.append(reinterpret_cast<const char*>(buffer), qsizetype(done));
        if (maxBytes >= 0 && sound.pcm.size() >= maxBytes) {
            sound.pcm.truncate(qsizetype(maxBytes));
            break;
        }
        if (status == MPG123_NEW_FORMAT || (status == MPG123_OK && done > 0))
            continue;
        // The end, or a damaged stretch: the sound ends there.
        if (status != MPG123_DONE && status != MPG123_OK && sound.pcm.isEmpty())
            return fail(QString::fromUtf8(mpg123_strerror(handle.get())));
        break;
    }
    sound.pcm.truncate(sound.pcm.size() & ~qsizetype(1));
    if (sound.pcm.isEmpty() || sound.sampleRate <= 0)
        return fail(QStringLiteral("no sound in the file"));
    return sound;
}

} // namespace tk
