#include "SpeechSamples.h"

#include "agent/listening/CommandRecognizer.h"
#include "agent/listening/PronunciationResolver.h"
#include "agent/listening/Resampler.h"
#include "agent/listening/SpeechModelFiles.h"
#include "character/CommandCatalogue.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <espeak-ng/speak_lib.h>
#include <random>

namespace tk::test {

namespace {

std::vector<short>* g_collected = nullptr;

int collect(short* samples, int count, espeak_EVENT*) {
    if (samples && count > 0 && g_collected)
        g_collected->insert(g_collected->end(), samples, samples + count);
    return 0;
}

int synthesizerRate() {
    static const int rate = [] {
        const int r = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, 0);
        if (r > 0)
            espeak_SetSynthCallback(collect);
        return r;
    }();
    return rate;
}

double rms(const std::vector<std::int16_t>& samples, std::size_t from, std::size_t to) {
    double sum = 0;
    for (std::size_t i = from; i < to; ++i)
        sum += double(samples[i]) * samples[i];
    return to > from ? std::sqrt(sum / double(to - from)) : 0.0;
}

// Level of the loud part of speech: RMS over the 20 ms stretches above a tenth of
// the loudest one.
double speechLevel(const std::vector<std::int16_t>& speech) {
    std::vector<double> levels;
    for (std::size_t at = 0; at + 320 <= speech.size(); at += 320)
        levels.push_back(rms(speech, at, at + 320));
    if (levels.empty())
        return 0;
    const double loudest = *std::max_element(levels.begin(), levels.end());
    double sum = 0;
    int count = 0;
    for (const double level : levels) {
        if (level >= loudest / 10) {
            sum += level * level;
            ++count;
        }
    }
    return std::sqrt(sum / std::max(count, 1));
}

// Pink-ish noise (white noise through a first-order low-pass), the colour of room
// and fan noise rather than hiss.
std::vector<double> roomNoise(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> gauss(0.0, 1.0);
    std::vector<double> noise(count);
    double state = 0;
    for (double& value : noise) {
        state = 0.7 * state + 0.3 * gauss(random);
        value = state + 0.35 * gauss(random);
    }
    double sum = 0;
    for (const double value : noise)
        sum += value * value;
    const double level = count ? std::sqrt(sum / double(count)) : 1.0;
    for (double& value : noise)
        value /= level;
    return noise;
}

void normalize(std::vector<double>& noise) {
    double sum = 0;
    for (const double value : noise)
        sum += value * value;
    const double level = noise.empty() ? 1.0 : std::sqrt(sum / double(noise.size()));
    for (double& value : noise)
        value /= std::max(level, 1e-9);
}

// Removes the constant and slowest drift so that integrated noise stays centred.
void removeDrift(std::vector<double>& noise) {
    double mean = 0;
    for (double& value : noise) {
        mean += 0.0005 * (value - mean);
        value -= mean;
    }
}

std::vector<double> colouredNoise(Noise kind, std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> gauss(0.0, 1.0);
    std::vector<double> noise(count);
    if (kind == Noise::White) {
        for (double& value : noise)
            value = gauss(random);
    } else if (kind == Noise::Pink) {
        // A sum of first-order sections at octave-spaced poles approximates 1/f.
        double b0 = 0, b1 = 0, b2 = 0, b3 = 0, b4 = 0, b5 = 0, b6 = 0;
        for (double& value : noise) {
            const double white = gauss(random);
            b0 = 0.99886 * b0 + white * 0.0555179;
            b1 = 0.99332 * b1 + white * 0.0750759;
            b2 = 0.96900 * b2 + white * 0.1538520;
            b3 = 0.86650 * b3 + white * 0.3104856;
            b4 = 0.55000 * b4 + white * 0.5329522;
            b5 = -0.7616 * b5 - white * 0.0168980;
            value = b0 + b1 + b2 + b3 + b4 + b5 + b6 + white * 0.5362;
            b6 = white * 0.115926;
        }
    } else {
        // Brown: integrated white noise, leaking slowly so it cannot wander off.
        double state = 0;
        for (double& value : noise) {
            state = 0.998 * state + gauss(random);
            value = state;
        }
        removeDrift(noise);
    }
    normalize(noise);
    return noise;
}

// Background talk: six voices, each reading unrelated sentences one after another,
// summed. Built once (about 30 s) and read from a place the seed picks.
const std::vector<double>& babbleTrack() {
    static const std::vector<double> track = [] {
        const QStringList voices = {"en-us", "en-us+f3", "en", "en-us+m3", "en+f2", "en-us+f4"};
        const QStringList sentences = unrelatedSentences();
        constexpr std::size_t kLength = 30 * 16000;
        std::vector<double> sum(kLength, 0.0);
        for (qsizetype v = 0; v < voices.size(); ++v) {
            std::size_t at = std::size_t(v) * 3100; // the voices start out of step
            for (qsizetype i = v * 7; at < kLength; ++i) {
                const auto speech =
                    SpeechSamples::speak(sentences.at(i % sentences.size()), voices.at(v), 175);
                if (speech.empty())
                    break;
                for (std::size_t k = 0; k < speech.size() && at + k < kLength; ++k)
                    sum[at + k] += speech[k];
                at += speech.size() + 1600 * std::size_t(1 + i % 3);
            }
        }
        normalize(sum);
        return sum;
    }();
    return track;
}

std::vector<std::int16_t> readWav16(const QString& path, int* rate) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    if (data.size() < 44 || !data.startsWith("RIFF"))
        return {};
    // Walk the chunks: "fmt " gives the rate, "data" the samples (mono, 16-bit).
    qsizetype at = 12;
    std::vector<std::int16_t> samples;
    while (at + 8 <= data.size()) {
        const QByteArray id = data.mid(at, 4);
        quint32 size = 0;
        std::memcpy(&size, data.constData() + at + 4, 4);
        const qsizetype body = at + 8;
        if (id == "fmt " && body + 8 <= data.size())
            std::memcpy(rate, data.constData() + body + 4, 4);
        if (id == "data") {
            const qsizetype bytes = std::min<qsizetype>(size, data.size() - body);
            samples.resize(std::size_t(bytes / 2));
            std::memcpy(samples.data(), data.constData() + body, samples.size() * 2);
            break;
        }
        at = body + size + (size & 1);
    }
    return samples;
}

// Speech from the flite program: its own voices, built from recordings of people.
std::vector<short> fliteSpeech(const QString& text, const QString& voice, int* rate) {
    QTemporaryDir dir;
    if (!dir.isValid())
        return {};
    const QString wav = dir.filePath(QStringLiteral("speech.wav"));
    QProcess flite;
    flite.start(QStringLiteral("flite"), {"-voice", voice, "-t", text, "-o", wav});
    if (!flite.waitForFinished(30000) || flite.exitCode() != 0)
        return {};
    const std::vector<std::int16_t> samples = readWav16(wav, rate);
    return {samples.begin(), samples.end()};
}

constexpr double kTypicalSpeechLevel = 3000.0;

} // namespace

std::vector<double> SpeechSamples::noise(Noise kind, std::size_t count, unsigned seed) {
    if (kind == Noise::Room)
        return roomNoise(count, seed);
    if (kind != Noise::Babble)
        return colouredNoise(kind, count, seed);
    const std::vector<double>& track = babbleTrack();
    std::vector<double> out(count);
    std::size_t at = (std::size_t(seed) * 7919u * 16u) % track.size();
    for (double& value : out) {
        value = track[at];
        at = (at + 1) % track.size();
    }
    return out;
}

std::vector<std::int16_t> SpeechSamples::speak(const QString& text, const QString& voice,
                                               int wordsPerMinute) {
    int rate = 0;
    std::vector<short> raw;
    if (voice.startsWith(QLatin1String("flite:"))) {
        raw = fliteSpeech(text, voice.mid(6), &rate);
    } else {
        rate = synthesizerRate();
        if (rate <= 0)
            return {};
        g_collected = &raw;
        espeak_SetVoiceByName(voice.toUtf8().constData());
        espeak_SetParameter(espeakRATE, wordsPerMinute, 0);
        const QByteArray utf8 = text.toUtf8();
        espeak_Synth(utf8.constData(), std::size_t(utf8.size() + 1), 0, POS_CHARACTER, 0,
                     espeakCHARS_UTF8, nullptr, nullptr);
        espeak_Synchronize();
        g_collected = nullptr;
    }
    if (raw.empty() || rate <= 0)
        return {};

    std::vector<float> input(raw.size());
    std::transform(raw.begin(), raw.end(), input.begin(), [](short s) { return s / 32768.0f; });
    // Flush the resampler's filter delay with a little silence.
    input.resize(input.size() + std::size_t(rate / 20), 0.0f);
    std::vector<float> resampled;
    agent::listening::Resampler(rate, 16000).process(input, resampled);
    std::vector<std::int16_t> out(resampled.size());
    std::transform(resampled.begin(), resampled.end(), out.begin(), [](float v) {
        return std::int16_t(std::lround(std::clamp(v, -1.0f, 1.0f) * 32767.0f));
    });
    return out;
}

std::size_t SpeechSamples::speechEnd(const std::vector<std::int16_t>& samples) {
    const double level = speechLevel(samples);
    for (std::size_t at = samples.size(); at > 0; --at) {
        if (std::abs(samples[at - 1]) > level / 8)
            return at;
    }
    return 0;
}

std::size_t SpeechSamples::speechStart(const std::vector<std::int16_t>& samples) {
    // 36 dB under the speech's level: the softest breath that begins a word counts.
    const double level = speechLevel(samples);
    for (std::size_t at = 0; at < samples.size(); ++at) {
        if (std::abs(samples[at]) > level / 64)
            return at;
    }
    return samples.size();
}

std::vector<std::int16_t>
SpeechSamples::withoutLeadingSilence(const std::vector<std::int16_t>& speech) {
    return {speech.begin() + std::ptrdiff_t(speechStart(speech)), speech.end()};
}

std::vector<std::int16_t> SpeechSamples::inNoise(const std::vector<std::int16_t>& speech,
                                                 double snrDb, int leadMs, int tailMs,
                                                 unsigned seed, Noise kind) {
    const std::size_t lead = std::size_t(leadMs) * 16;
    const std::size_t total = lead + speech.size() + std::size_t(tailMs) * 16;
    const std::vector<double> noise = SpeechSamples::noise(kind, total, seed);
    const double noiseLevel = speechLevel(speech) * std::pow(10.0, -snrDb / 20.0);
    std::vector<std::int16_t> out(total);
    for (std::size_t i = 0; i < total; ++i) {
        double value = noise[i] * noiseLevel;
        if (i >= lead && i - lead < speech.size())
            value += speech[i - lead];
        out[i] = std::int16_t(std::clamp(std::lround(value), -32768L, 32767L));
    }
    return out;
}

std::vector<std::int16_t> SpeechSamples::backgroundNoise(int milliseconds, double snrDb,
                                                         unsigned seed, Noise kind) {
    const std::vector<double> noise =
        SpeechSamples::noise(kind, std::size_t(milliseconds) * 16, seed);
    const double level = kTypicalSpeechLevel * std::pow(10.0, -snrDb / 20.0);
    std::vector<std::int16_t> out(noise.size());
    std::transform(noise.begin(), noise.end(), out.begin(),
                   [&](double v) { return std::int16_t(std::lround(v * level)); });
    return out;
}

QList<agent::CommandRegistration> tovrinCatalogue() {
    using Form = CommandCatalogue::Form;
    QList<agent::CommandRegistration> registrations;
    for (const CommandCatalogue::Entry& entry : CommandCatalogue::entries()) {
        registrations.append(
            {entry.name, entry.caption,
             entry.form == Form::NameCaption ? std::nullopt : std::optional(entry.voice),
             std::nullopt,
             entry.form == Form::NameCaptionVoiceInvisible ? std::optional(false) : std::nullopt});
    }
    return registrations;
}

QStringList unrelatedSentences() {
    return QStringLiteral(
               "open the window|what time is it|tell me a joke|play some music|"
               "the weather is nice today|turn off the lights|I am going to the store|"
               "can you help me with my homework|where is my phone|this is a test of the system|"
               "good morning everyone|let's go for a walk|the cat sat on the mat|I like pizza|"
               "call my sister tonight|what is the capital of france|close the door please|"
               "it is raining outside|how much does it cost|set an alarm for seven|read me a story|"
               "who won the game|my computer is slow|send an email to john|I don't know|"
               "where are we going|show me the pictures|the quick brown fox jumps|please be quiet|"
               "what did you say|bring me a glass of water|the train leaves at noon|"
               "do you like football|remind me to buy milk|my friend lives in boston|"
               "today is a beautiful day|can you hear me|switch to the next song|"
               "he left his keys in the car|how is the traffic")
        .split(QLatin1Char('|'));
}

std::unique_ptr<agent::listening::ListeningEngine> tovrinEngine(QString* skipReason,
                                                                QString* error) {
    using namespace agent::listening;
    const SpeechModelFiles model = SpeechModelFiles::installed();
    if (!model.missingFiles().isEmpty()) {
        *skipReason = QStringLiteral("the en-us speech model is not installed");
        return nullptr;
    }
    if (SpeechSamples::speak("test", "en-us").empty()) {
        *skipReason = QStringLiteral("the speech synthesizer cannot start");
        return nullptr;
    }
    auto recognizer = CommandRecognizer::create(model, error);
    if (!recognizer)
        return nullptr;
    auto engine = std::make_unique<ListeningEngine>(
        std::move(recognizer),
        PronunciationResolver(model.dictionary, PronunciationResolver::reviewedLexicon(), nullptr));
    engine->setCommands(voiceCommandsOf(tovrinCatalogue()), "Tovrin");
    return engine;
}

} // namespace tk::test
