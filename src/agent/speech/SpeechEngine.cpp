#include "agent/speech/SpeechEngine.h"

#include "agent/speech/MouthShapes.h"
#include "agent/speech/SynthesisText.h"

#include <QtGlobal>
#include <algorithm>
#include <cstring>
#include <espeak-ng/speak_lib.h>

namespace tk::agent::speech {

struct SpeechEngine::Job {
    std::shared_ptr<SynthesisStream> stream; // none for a preload
    QString text;
    QString voiceName;
    VoiceSettings settings;
};

namespace {

// Length of the audio blocks the synthesizer hands over, in milliseconds.
constexpr int kBlockMs = 40;

// What the synthesis callback needs about the request under way. Only the
// engine thread touches it.
struct CallbackContext {
    SynthesisStream* stream = nullptr;
    const SynthesisText* text = nullptr;
    const QString* original = nullptr;
    int sampleRate = 22050;
    int lastWordStart = -1;
    bool cancelled = false;
};
CallbackContext g_context;

int synthesisCallback(short* samples, int count, espeak_EVENT* events) {
    CallbackContext& context = g_context;
    if (!context.stream)
        return 1;
    std::vector<SpeechCue> cues;
    for (espeak_EVENT* event = events; event && event->type != espeakEVENT_LIST_TERMINATED;
         ++event) {
        const qint64 sample = qint64(event->audio_position) * context.sampleRate / 1000;
        if (event->type == espeakEVENT_WORD) {
            if (event->length <= 0)
                continue;
            auto [start, length] = context.text->textSpan(event->text_position, event->length);
            length = wordLengthWithContraction(*context.original, start, length);
            // Words are reported once each and in text order: a letter-by-letter
            // reading repeats the same word, which is shown only once.
            if (length <= 0 || start <= context.lastWordStart)
                continue;
            context.lastWordStart = start;
            SpeechCue cue;
            cue.sample = sample;
            cue.kind = SpeechCue::Kind::Word;
            cue.position = start;
            cue.length = length;
            cues.push_back(cue);
        } else if (event->type == espeakEVENT_PHONEME) {
            const char* name = event->id.string;
            const auto nameLength = static_cast<qsizetype>(strnlen(name, sizeof(event->id.string)));
            SpeechCue cue;
            cue.sample = sample;
            cue.kind = SpeechCue::Kind::Mouth;
            cue.shape = mouthShapeForPhoneme(QString::fromUtf8(name, nameLength));
            cues.push_back(cue);
        }
    }
    if (!context.stream->append(samples, samples ? count : 0, std::move(cues))) {
        context.cancelled = true;
        return 1;
    }
    return 0;
}

} // namespace

SpeechEngine& SpeechEngine::instance() {
    static SpeechEngine engine;
    return engine;
}

SpeechEngine::SpeechEngine() : m_thread([this] { run(); }) {}

SpeechEngine::~SpeechEngine() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
        for (auto& job : m_jobs) {
            if (job->stream)
                job->stream->cancel();
        }
        if (m_current)
            m_current->cancel();
        m_wake.notify_all();
    }
    m_thread.join();
}

std::shared_ptr<SynthesisStream> SpeechEngine::synthesize(const QString& text,
                                                          const QString& voiceName,
                                                          const VoiceSettings& settings,
                                                          qint64 maxSamplesAhead) {
    auto job = std::make_unique<Job>();
    job->stream = std::make_shared<SynthesisStream>(maxSamplesAhead);
    job->text = text;
    job->voiceName = voiceName;
    job->settings = settings;
    auto stream = job->stream;
    enqueue(std::move(job));
    return stream;
}

void SpeechEngine::preload(const QString& voiceName) {
    auto job = std::make_unique<Job>();
    job->voiceName = voiceName;
    enqueue(std::move(job));
}

void SpeechEngine::enqueue(std::unique_ptr<Job> job) {
    std::lock_guard lock(m_mutex);
    m_jobs.push_back(std::move(job));
    m_wake.notify_one();
}

void SpeechEngine::run() {
    for (;;) {
        std::unique_ptr<Job> job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_quit || !m_jobs.empty(); });
            if (m_quit)
                break;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
            m_current = job->stream;
        }
        if (!job->stream) {
            if (startSynthesizer())
                selectVoice(job->voiceName);
        } else if (job->stream->isCancelled()) {
            job->stream->finish();
        } else if (!startSynthesizer()) {
            job->stream->finish(QStringLiteral("The speech synthesizer could not start: its voice "
                                               "data (espeak-ng-data) is missing or damaged."));
        } else {
            synthesizeJob(*job);
        }
        std::lock_guard lock(m_mutex);
        m_current.reset();
    }
    if (m_start == Start::Running)
        espeak_Terminate();
}

bool SpeechEngine::startSynthesizer() {
    if (m_start == Start::NotTried) {
        const int rate =
            espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, kBlockMs, nullptr,
                              espeakINITIALIZE_PHONEME_EVENTS | espeakINITIALIZE_PHONEME_IPA |
                                  espeakINITIALIZE_DONT_EXIT);
        if (rate <= 0) {
            m_start = Start::Failed;
            qWarning("Speech output: the speech synthesizer could not start (no voice data).");
        } else {
            m_start = Start::Running;
            m_sampleRate = rate;
            espeak_SetSynthCallback(synthesisCallback);
        }
    }
    return m_start == Start::Running;
}

bool SpeechEngine::selectVoice(const QString& voiceName) {
    const QString wanted = voiceName.isEmpty() ? QStringLiteral("en-us") : voiceName;
    if (wanted == m_voice)
        return true;
    if (espeak_SetVoiceByName(wanted.toUtf8().constData()) == EE_OK) {
        m_voice = wanted;
        return true;
    }
    // Not a voice file name: look the language up ("en-gb" is the file "en"),
    // keeping a variant such as "+m3".
    const qsizetype plus = wanted.indexOf(QLatin1Char('+'));
    const QByteArray language = (plus < 0 ? wanted : wanted.left(plus)).toLower().toUtf8();
    const QByteArray variant = plus < 0 ? QByteArray() : wanted.mid(plus).toUtf8();
    espeak_VOICE query;
    std::memset(&query, 0, sizeof query);
    query.languages = language.constData();
    const espeak_VOICE** voices = espeak_ListVoices(&query);
    if (voices && voices[0] && voices[0]->identifier) {
        const QByteArray identifier = QByteArray(voices[0]->identifier) + variant;
        if (espeak_SetVoiceByName(identifier.constData()) == EE_OK ||
            espeak_SetVoiceByName(voices[0]->identifier) == EE_OK) {
            m_voice = wanted;
            return true;
        }
    }
    if (m_voice.isEmpty() && espeak_SetVoiceByName("en-us") == EE_OK)
        m_voice = QStringLiteral("en-us");
    qWarning("Speech output: no voice \"%s\"; speaking with \"%s\".", qPrintable(wanted),
             qPrintable(m_voice));
    return false;
}

void SpeechEngine::synthesizeJob(Job& job) {
    selectVoice(job.voiceName);
    const VoiceSettings& s = job.settings;
    espeak_SetParameter(espeakRATE, std::clamp(s.rate, espeakRATE_MINIMUM, espeakRATE_MAXIMUM), 0);
    espeak_SetParameter(espeakPITCH, std::clamp(s.pitch, 0, 100), 0);
    espeak_SetParameter(espeakRANGE, std::clamp(s.range, 0, 100), 0);
    espeak_SetParameter(espeakVOLUME, std::clamp(s.volume, 0, 200), 0);
    espeak_SetParameter(espeakPUNCTUATION, espeakPUNCT_NONE, 0);
    espeak_SetParameter(espeakCAPITALS, 0, 0);

    const SynthesisText text(job.text);
    job.stream->setSampleRate(m_sampleRate);
    g_context = CallbackContext{job.stream.get(), &text, &job.text, m_sampleRate, -1, false};
    // Plain UTF-8 only: no markup and no phoneme-code flags, so text that looks
    // like markup is spoken as written.
    const espeak_ERROR result =
        espeak_Synth(text.utf8().constData(), static_cast<size_t>(text.utf8().size()) + 1, 0,
                     POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, nullptr);
    const bool cancelled = g_context.cancelled;
    g_context = CallbackContext{};
    if (cancelled)
        espeak_Cancel();
    if (result != EE_OK && !cancelled)
        job.stream->finish(QStringLiteral("The speech synthesizer failed on this text."));
    else
        job.stream->finish();
}

} // namespace tk::agent::speech
