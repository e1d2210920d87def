#pragma once

#include "agent/api/AgentTypes.h"
#include "agent/api/SpeechInput.h"
#include "agent/listening/ListeningEngine.h"
#include "agent/listening/VoiceCommandList.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

namespace tk::test {

// Kinds of background noise mixed under test speech.
enum class Noise {
    Room,   // mildly low-passed white noise: room tone
    White,  // flat hiss
    Pink,   // 1/f: fans, air conditioning, distant traffic
    Brown,  // 1/f^2: a rumbling fan or engine
    Babble, // several voices talking at once in the background
};

// Synthesized speech for listening tests and the benchmark: espeak-ng in this
// process (its state is process-wide, so use it from one thread), or the flite
// program for voices recorded from people, resampled to 16 kHz mono.
class SpeechSamples {
public:
    // Speech of text in voice: an espeak-ng voice ("en-us", "en-us+f3", ...) or
    // "flite:" and a flite voice ("flite:slt"); empty when the synthesizer cannot
    // start.
    static std::vector<std::int16_t> speak(const QString& text, const QString& voice,
                                           int wordsPerMinute = 165);
    // Index one past the last sample of speech that stands out of silence.
    static std::size_t speechEnd(const std::vector<std::int16_t>& samples);
    // Index of the first sample of speech, its softest start included.
    static std::size_t speechStart(const std::vector<std::int16_t>& samples);
    // speech without the silence the synthesizer puts before it: speech from the
    // first sample on.
    static std::vector<std::int16_t> withoutLeadingSilence(const std::vector<std::int16_t>& speech);
    // speech with leadMs of quiet before and tailMs after, and noise mixed in at
    // snrDb below the speech level (over its loud part); the same seed gives the
    // same noise.
    static std::vector<std::int16_t> inNoise(const std::vector<std::int16_t>& speech, double snrDb,
                                             int leadMs, int tailMs, unsigned seed = 1,
                                             Noise kind = Noise::Room);
    // Quiet background alone: noise at the level inNoise would use for snrDb
    // against typical synthesized speech.
    static std::vector<std::int16_t> backgroundNoise(int milliseconds, double snrDb,
                                                     unsigned seed = 7, Noise kind = Noise::Room);
    // Noise of kind, count samples at unit RMS; the same seed gives the same noise.
    static std::vector<double> noise(Noise kind, std::size_t count, unsigned seed);
};

// The thirteen commands the program registers on Tovrin, in their registered form.
QList<agent::CommandRegistration> tovrinCatalogue();
// The voice commands of registrations, as the runtime gives them to speech input.
using agent::listening::voiceCommandsOf;
// Everyday sentences that are no command phrase.
QStringList unrelatedSentences();

// A listening engine on the installed en-us model with Tovrin's commands, or
// null with *skipReason set when the model or the synthesizer is missing, or
// *error when the recognizer cannot be made.
std::unique_ptr<agent::listening::ListeningEngine> tovrinEngine(QString* skipReason,
                                                                QString* error);

} // namespace tk::test
