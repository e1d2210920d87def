#pragma once

#include <QByteArray>
#include <QString>

namespace tk {

// Sound read whole from a file: 16-bit mono samples at their own rate.
struct SoundFile {
    // The longest sound read; the rest of a longer file is left out.
    static constexpr int kMaxSeconds = 60;

    QByteArray pcm;
    int sampleRate = 0;

    // Reads an MPEG audio file (MP3 and its older layers), mixing stereo to
    // mono. Empty, with *error set, when it cannot be read or holds no sound.
    static SoundFile read(const QString& path, QString* error = nullptr);
};

} // namespace tk
