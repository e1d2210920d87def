#include "agent/speech/SpeechRecording.h"

#include "agent/speech/SpeechEngine.h"
#include "agent/speech/VoiceChoice.h"

#include <QSaveFile>
#include <QtEndian>

namespace tk::agent::speech {

SpeechRecording recordSpeech(const QString& text, const VoiceSettings& voice, int languageId) {
    SpeechRecording recording;
    if (text.isEmpty())
        return recording;
    auto stream =
        SpeechEngine::instance().synthesize(text, chooseVoice(voice, languageId), voice, 0);
    stream->waitFinished();
    SynthesisStream::Portion all = stream->take();
    recording.pcm = std::move(all.pcm);
    recording.sampleRate = all.sampleRate;
    recording.cues = std::move(all.cues);
    recording.error = all.error;
    return recording;
}

namespace {

void appendLe32(QByteArray& out, quint32 value) {
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void appendLe16(QByteArray& out, quint16 value) {
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

} // namespace

QString writeWav(const QString& path, const SpeechRecording& recording) {
    if (recording.sampleRate <= 0)
        return recording.error.isEmpty() ? QStringLiteral("There is no audio to write.")
                                         : recording.error;
    const auto dataBytes = static_cast<quint32>(recording.pcm.size());
    QByteArray header;
    header.append("RIFF");
    appendLe32(header, 36 + dataBytes);
    header.append("WAVEfmt ");
    appendLe32(header, 16); // format chunk size
    appendLe16(header, 1);  // PCM
    appendLe16(header, 1);  // mono
    appendLe32(header, static_cast<quint32>(recording.sampleRate));
    appendLe32(header, static_cast<quint32>(recording.sampleRate) * 2); // bytes per second
    appendLe16(header, 2);                                              // bytes per frame
    appendLe16(header, 16);                                             // bits per sample
    header.append("data");
    appendLe32(header, dataBytes);

    QByteArray samples = recording.pcm;
    if constexpr (Q_BYTE_ORDER == Q_BIG_ENDIAN) {
        for (qsizetype i = 0; i + 1 < samples.size(); i += 2)
            std::swap(samples[i], samples[i + 1]);
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
    if (file.write(header) != header.size() || file.write(samples) != samples.size() ||
        !file.commit())
        return QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
    return {};
}

} // namespace tk::agent::speech
