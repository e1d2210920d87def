#include "SpeechSamples.h"

#include "agent/listening/Resampler.h"
#include "character/CommandCatalogue.h"

#include <algorithm>
#include <cmath>
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

constexpr double kTypicalSpeechLevel = 3000.0;

} // namespace

std::vector<std::int16_t> SpeechSamples::speak(const QString& text, const QString& voice,
                                               int wordsPerMinute) {
    const int rate = synthesizerRate();
    if (rate <= 0)
        return {};
    std::vector<short> raw;
    g_collected = &raw;
    espeak_SetVoiceByName(voice.toUtf8().constData());
    espeak_SetParameter(espeakRATE, wordsPerMinute, 0);
    const QByteArray utf8 = text.toUtf8();
    espeak_Synth(utf8.constData(), std::size_t(utf8.size() + 1), 0, POS_CHARACTER, 0,
                 espeakCHARS_UTF8, nullptr, nullptr);
    espeak_Synchronize();
    g_collected = nullptr;

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

std::vector<std::int16_t> SpeechSamples::inNoise(const std::vector<std::int16_t>& speech,
                                                 double snrDb, int leadMs, int tailMs,
                                                 unsigned seed) {
    const std::size_t lead = std::size_t(leadMs) * 16;
    const std::size_t total = lead + speech.size() + std::size_t(tailMs) * 16;
    const std::vector<double> noise = roomNoise(total, seed);
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
                                                         unsigned seed) {
    const std::vector<double> noise = roomNoise(std::size_t(milliseconds) * 16, seed);
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

} // namespace tk::test
