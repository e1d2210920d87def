#pragma once

#include "agent/api/SpeechOutput.h"
#include "agent/speech/SynthesisStream.h"

#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace tk::agent::speech {

// The process's one speech synthesizer. Its state is process-wide and not
// re-entrant, so a single engine thread owns it and runs the requests one after
// another; every other thread only queues requests and reads their streams.
class SpeechEngine {
public:
    // The engine, started on first use and ended when the program exits.
    static SpeechEngine& instance();
    ~SpeechEngine();
    SpeechEngine(const SpeechEngine&) = delete;
    SpeechEngine& operator=(const SpeechEngine&) = delete;

    // Queues text for synthesis with the named voice and returns its stream at
    // once. The text is read as plain text: markup and phoneme codes are spoken
    // as they are written. maxSamplesAhead limits how far synthesis runs ahead
    // of the played position the consumer reports (0: no limit).
    std::shared_ptr<SynthesisStream> synthesize(const QString& text, const QString& voiceName,
                                                const VoiceSettings& settings,
                                                qint64 maxSamplesAhead);
    // Loads the synthesizer and the named voice ahead of the first request.
    void preload(const QString& voiceName);
    // The synthesizer's sample rate, 0 until it has started.
    int sampleRate() const { return m_sampleRate.load(); }

private:
    struct Job;
    SpeechEngine();
    void enqueue(std::unique_ptr<Job> job);
    void run();
    bool startSynthesizer();
    bool selectVoice(const QString& voiceName);
    void synthesizeJob(Job& job);

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::unique_ptr<Job>> m_jobs;
    std::shared_ptr<SynthesisStream> m_current; // the stream being synthesized
    bool m_quit = false;
    std::atomic<int> m_sampleRate{0};
    // Engine thread only:
    enum class Start { NotTried, Running, Failed } m_start = Start::NotTried;
    QString m_voice;
    std::thread m_thread;
};

} // namespace tk::agent::speech
