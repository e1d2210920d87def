// Listening benchmark: accuracy of the command recognizer over every phrase of
// Tovrin's catalogue, spoken by several synthesized voices at several noise
// levels; false accepts on unrelated sentences; end-of-speech to command latency
// through the threaded speech input; the decoders' real-time factor and memory.
//
//   bench_listening [--voices v1,v2] [--snr 30,20] [--calibrate] [--no-latency]
//
// --calibrate prints every utterance's confidence and searches the limits of the
// confidence rule that keep the most phrases while rejecting unrelated speech.

#include "PcmFeedCapture.h"
#include "SpeechSamples.h"
#include "agent/listening/CommandRecognizer.h"
#include "agent/listening/ListeningEngine.h"
#include "agent/listening/PronunciationResolver.h"
#include "agent/listening/SphinxSpeechInput.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>

using namespace tk;
using namespace tk::agent::listening;

namespace {

struct Trial {
    QString voice;
    double snr = 0;
    QString text;
    QString expected; // command name; "" for an unrelated sentence
    std::vector<Recognition> heard;
};

double residentMegabytes(const char* field = "VmRSS:") {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(qstrlen(field))).trimmed().split(' ').first().toDouble() /
                   1024.0;
    }
    return 0;
}

// CPU time of the whole process: the recognizer decodes on a second thread too.
double processCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

QHash<QString, QString> commandOfSpoken(const CommandGrammar& grammar) {
    QHash<QString, QString> map;
    for (const GrammarPhrase& phrase : grammar.phrases())
        map.insert(phrase.spoken, phrase.command);
    return map;
}

bool accepts(const ConfidenceRule& rule, const Recognition& r) {
    return !r.decoded.isEmpty() && rule.accepts(r.confidence);
}

// The command a trial raised under rule: "" when rejected, "<several>" when the
// utterance was cut in two or more, "<none>" when nothing was heard.
QString outcome(const Trial& trial, const ConfidenceRule& rule,
                const QHash<QString, QString>& commandOf) {
    if (trial.heard.empty())
        return QStringLiteral("<none>");
    if (trial.heard.size() > 1)
        return QStringLiteral("<several>");
    const Recognition& r = trial.heard.front();
    return accepts(rule, r) ? commandOf.value(r.decoded) : QString();
}

struct Score {
    int phrases = 0, right = 0, rejected = 0, wrong = 0, split = 0;
    int unrelated = 0, falseAccepts = 0;
};

Score score(const std::vector<Trial>& trials, const ConfidenceRule& rule,
            const QHash<QString, QString>& commandOf, const QString& voice = {}, double snr = -1) {
    Score s;
    for (const Trial& t : trials) {
        if ((!voice.isEmpty() && t.voice != voice) || (snr >= 0 && t.snr != snr))
            continue;
        const QString got = outcome(t, rule, commandOf);
        if (t.expected.isEmpty()) {
            ++s.unrelated;
            if (std::any_of(t.heard.begin(), t.heard.end(),
                            [&](const Recognition& r) { return accepts(rule, r); }))
                ++s.falseAccepts;
            continue;
        }
        ++s.phrases;
        if (got == t.expected)
            ++s.right;
        else if (got.isEmpty() || got == QLatin1String("<none>"))
            ++s.rejected;
        else if (got == QLatin1String("<several>"))
            ++s.split;
        else
            ++s.wrong;
    }
    return s;
}

void printScoreRow(const char* label, const Score& s) {
    std::printf("| %-22s | %5d | %6.1f %% | %6.1f %% | %6.1f %% | %5d | %6.1f %% |\n", label,
                s.phrases, 100.0 * s.right / std::max(s.phrases, 1),
                100.0 * s.rejected / std::max(s.phrases, 1),
                100.0 * (s.wrong + s.split) / std::max(s.phrases, 1), s.unrelated,
                100.0 * s.falseAccepts / std::max(s.unrelated, 1));
}

// The limits that keep the most phrases right with at most budget of the unrelated
// sentences accepted; on a tie the stricter limits (searched later) win.
std::pair<ConfidenceRule, Score> bestLimits(const std::vector<Trial>& trials,
                                            const QHash<QString, QString>& commandOf,
                                            double budget) {
    ConfidenceRule best;
    Score bestScore;
    bool found = false;
    for (double minScore = -40; minScore <= 0; minScore += 0.5) {
        for (double minCoverage = 0; minCoverage <= 1.0; minCoverage += 0.05) {
            const ConfidenceRule rule{minScore, minCoverage};
            const Score s = score(trials, rule, commandOf);
            if (s.falseAccepts > budget * s.unrelated)
                continue;
            if (!found || s.right > bestScore.right ||
                (s.right == bestScore.right && s.falseAccepts <= bestScore.falseAccepts)) {
                best = rule;
                bestScore = s;
                found = true;
            }
        }
    }
    return {best, bestScore};
}

void calibrate(const std::vector<Trial>& trials, const QHash<QString, QString>& commandOf) {
    std::printf("\nCalibration data (kind, voice, snr, score/frame, coverage, decoded, "
                "text):\n");
    for (const Trial& t : trials) {
        for (const Recognition& r : t.heard) {
            const bool right = !t.expected.isEmpty() && commandOf.value(r.decoded) == t.expected;
            std::printf("%s\t%s\t%.0f\t%.2f\t%.2f\t%s\t%s\n",
                        t.expected.isEmpty() ? "unrelated" : (right ? "phrase" : "misheard"),
                        qPrintable(t.voice), t.snr, r.confidence.scorePerFrame,
                        r.confidence.coverage, qPrintable(r.decoded), qPrintable(t.text));
        }
    }
    // The limits that keep the most phrases right within a budget of false accepts.
    int decodedRight = 0;
    for (const Trial& t : trials) {
        if (!t.expected.isEmpty() && t.heard.size() == 1 &&
            commandOf.value(t.heard.front().decoded) == t.expected)
            ++decodedRight;
    }
    const Score all = score(trials, {-1e9, 0}, commandOf);
    std::printf("\nDecoded as the right command before any rejection: %.1f %% of %d phrases\n",
                100.0 * decodedRight / std::max(all.phrases, 1), all.phrases);
    for (const double budget : {0.005, 0.01, 0.02, 0.03}) {
        const auto [best, bestScore] = bestLimits(trials, commandOf, budget);
        std::printf("Best limits for %.1f %% false accepts: score/frame >= %.1f, coverage >= %.2f: "
                    "%.1f %% of phrases right, %.2f %% false accepts\n",
                    100 * budget, best.minScorePerFrame, best.minCoverage,
                    100.0 * bestScore.right / std::max(bestScore.phrases, 1),
                    100.0 * bestScore.falseAccepts / std::max(bestScore.unrelated, 1));
    }
}

struct Latency {
    std::vector<double> milliseconds;
    int missed = 0;
};

// Plays phrases in real time through the threaded speech input (the microphone's
// path, with a fed source) and times each command event from the end of speech.
Latency measureLatency(const QList<agent::VoiceCommand>& commands, const QStringList& phrases) {
    auto* capture = new PcmFeedCapture(PcmFeedCapture::Pace::RealTime);
    SphinxSpeechInput input(capture, SpeechModelFiles::installed());
    input.setCommands(commands);
    input.setQuietTimeout(60000);
    Latency latency;
    QElapsedTimer clock;
    clock.start();
    qint64 speechEndSample = -1;
    qint64 speechEndAt = -1;
    bool gotHeard = false;
    QObject::connect(capture, &AudioCapture::audio, [&](const std::vector<std::int16_t>&) {
        if (speechEndAt < 0 && speechEndSample >= 0 &&
            capture->deliveredSamples() >= speechEndSample)
            speechEndAt = clock.nsecsElapsed();
    });
    QObject::connect(&input, &agent::SpeechInput::heard, [&](const QString&, const QString&) {
        if (speechEndAt >= 0 && !gotHeard)
            latency.milliseconds.push_back(double(clock.nsecsElapsed() - speechEndAt) / 1e6);
        gotHeard = true;
    });
    input.startListening();
    // Let the recognizer load and the noise floor settle.
    capture->feed(test::SpeechSamples::backgroundNoise(1500, 25));
    QEventLoop loop;
    QObject::connect(capture, &PcmFeedCapture::drained, &loop, &QEventLoop::quit);
    loop.exec();
    for (const QString& phrase : phrases) {
        const auto speech = test::SpeechSamples::speak(phrase, QStringLiteral("en-us"));
        const auto clip = test::SpeechSamples::inNoise(speech, 25, 300, 1500, 3);
        speechEndSample =
            capture->deliveredSamples() + 300 * 16 + qint64(test::SpeechSamples::speechEnd(speech));
        speechEndAt = -1;
        gotHeard = false;
        capture->feed(clip);
        loop.exec(); // until the clip has been played
        if (!gotHeard) {
            QElapsedTimer wait;
            wait.start();
            while (!gotHeard && wait.elapsed() < 2000)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }
        if (!gotHeard)
            ++latency.missed;
    }
    return latency;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption(
        {"voices", "Synthesizer voices, comma-separated.", "voices", "en-us,en-us+f3,en,en-us+m3"});
    parser.addOption(
        {"snr", "Noise levels (speech to noise, dB), comma-separated.", "snr", "30,20,12"});
    parser.addOption({"calibrate", "Print confidence data and search the rule's limits."});
    parser.addOption({"no-latency", "Skip the real-time latency run."});
    parser.addOption({"only", "Use only these phrases and sentences (comma-separated).", "texts"});
    parser.addOption({"verbose", "Print every utterance as it is decoded."});
    parser.addOption({"seed",
                      "First seed of the added noise (the calibration run uses another "
                      "than the evaluation).",
                      "seed", "11"});
    parser.process(app);

    const QList<agent::VoiceCommand> commands = test::voiceCommandsOf(test::tovrinCatalogue());
    const double rssBefore = residentMegabytes();
    QElapsedTimer loadClock;
    loadClock.start();
    QString error;
    auto recognizer = CommandRecognizer::create(SpeechModelFiles::installed(), &error);
    if (!recognizer) {
        std::fprintf(stderr, "recognizer: %s\n", qPrintable(error));
        return 1;
    }
    ListeningEngine engine(std::move(recognizer),
                           PronunciationResolver(SpeechModelFiles::installed().dictionary,
                                                 PronunciationResolver::reviewedLexicon(),
                                                 &PronunciationResolver::espeakProgramPhonemes));
    engine.setCommands(commands);
    const double loadMs = double(loadClock.nsecsElapsed()) / 1e6;
    const double rssLoaded = residentMegabytes();
    const ConfidenceRule rule = engine.recognizer().rule();
    const auto commandOf = commandOfSpoken(engine.recognizer().grammar());
    // Decide every utterance offline: the engine accepts everything it decodes.
    engine.recognizer().setRule({-1e9, 0});

    QStringList phrases;
    QHash<QString, QString> expectedOf;
    for (const agent::VoiceCommand& command : commands) {
        for (const QString& phrase : command.phrases) {
            phrases.append(phrase);
            expectedOf.insert(phrase, command.name);
        }
    }
    const QStringList voices = parser.value("voices").split(',');
    QList<double> snrs;
    for (const QString& snr : parser.value("snr").split(','))
        snrs.append(snr.toDouble());

    std::vector<Trial> trials;
    double audioSeconds = 0;
    double cpuSeconds = 0;
    unsigned seed = parser.value("seed").toUInt();
    engine.push(test::SpeechSamples::backgroundNoise(1500, 30));
    for (const QString& voice : voices) {
        for (const double snr : snrs) {
            QStringList texts = phrases + test::unrelatedSentences();
            if (parser.isSet("only"))
                texts = parser.value("only").split(',');
            for (const QString& text : texts) {
                const auto speech = test::SpeechSamples::speak(text, voice);
                const auto clip = test::SpeechSamples::inNoise(speech, snr, 500, 1000, ++seed);
                Trial trial{voice, snr, text, expectedOf.value(text), {}};
                const double cpu = processCpuSeconds();
                for (const ListeningEvent& event : engine.push(clip)) {
                    if (event.kind == ListeningEvent::Kind::Heard)
                        trial.heard.push_back(event.recognition);
                }
                cpuSeconds += processCpuSeconds() - cpu;
                if (parser.isSet("verbose")) {
                    for (const Recognition& r : trial.heard)
                        std::printf("%-10s %2.0f dB %-28s -> %-28s %7.2f %5.2f | %s\n",
                                    qPrintable(voice), snr, qPrintable(text), qPrintable(r.decoded),
                                    r.confidence.scorePerFrame, r.confidence.coverage,
                                    qPrintable(r.phones));
                }
                audioSeconds += double(clip.size()) / 16000.0;
                trials.push_back(std::move(trial));
            }
            std::fprintf(stderr, "%s at %.0f dB done\n", qPrintable(voice), snr);
        }
    }
    const double rssAfter = residentMegabytes();
    const double peak = residentMegabytes("VmHWM:");

    std::printf("\nAccuracy with the calibrated limits (score/frame >= %.1f, coverage >= %.2f)\n\n",
                rule.minScorePerFrame, rule.minCoverage);
    std::printf("| %-22s | %5s | %8s | %8s | %8s | %5s | %8s |\n", "voice, speech/noise", "said",
                "right", "rejected", "wrong", "other", "accepted");
    std::printf(
        "|------------------------|-------|----------|----------|----------|-------|----------|\n");
    for (const QString& voice : voices) {
        for (const double snr : snrs) {
            const QByteArray label = QStringLiteral("%1, %2 dB").arg(voice).arg(snr).toUtf8();
            printScoreRow(label.constData(), score(trials, rule, commandOf, voice, snr));
        }
    }
    printScoreRow("all", score(trials, rule, commandOf));
    std::printf("\n(right: the expected command; rejected: the empty name or nothing heard; "
                "wrong: another command or the utterance cut in two; other: unrelated "
                "sentences; accepted: of those, the share that raised a command)\n");

    std::printf("\nMisheard or rejected phrases:\n");
    for (const Trial& t : trials) {
        const QString got = outcome(t, rule, commandOf);
        if (!t.expected.isEmpty() && got != t.expected)
            std::printf("  %-12s %4.0f dB  \"%s\" -> %s (%s)\n", qPrintable(t.voice), t.snr,
                        qPrintable(t.text), got.isEmpty() ? "\"\"" : qPrintable(got),
                        t.heard.empty() ? "" : qPrintable(t.heard.front().decoded));
        if (t.expected.isEmpty() && score({t}, rule, commandOf).falseAccepts > 0)
            std::printf("  %-12s %4.0f dB  unrelated \"%s\" -> %s\n", qPrintable(t.voice), t.snr,
                        qPrintable(t.text), qPrintable(got));
    }

    std::printf("\nDecoding: %.0f s of audio, real-time factor %.3f (both decoders and the "
                "detector, CPU time over audio time)\n",
                audioSeconds, cpuSeconds / std::max(audioSeconds, 1e-9));
    std::printf("Recognizer load with the catalogue grammar: %.0f ms\n", loadMs);
    std::printf("Resident memory: %.1f MB before loading the recognizer, %.1f MB with it loaded "
                "(%.1f MB for both decoders and the grammar), %.1f MB after the sweep (peak %.1f "
                "MB, the synthesizer used for the test speech included)\n",
                rssBefore, rssLoaded, rssLoaded - rssBefore, rssAfter, peak);

    if (parser.isSet("calibrate"))
        calibrate(trials, commandOf);

    if (!parser.isSet("no-latency")) {
        const QStringList sample = {"real chat",
                                    "how old are you",
                                    "help",
                                    "hey tovrin",
                                    "what's your name?",
                                    "exit",
                                    "who's your mother?",
                                    "options",
                                    "how are you?",
                                    "what is your age, tovrin?",
                                    "talk",
                                    "I need some rest"};
        Latency latency = measureLatency(commands, sample);
        std::sort(latency.milliseconds.begin(), latency.milliseconds.end());
        if (!latency.milliseconds.empty()) {
            double sum = 0;
            for (const double ms : latency.milliseconds)
                sum += ms;
            std::printf("\nEnd of speech to command event (real-time feed, %zu phrases, %d "
                        "missed): median %.0f ms, mean %.0f ms, max %.0f ms\n",
                        latency.milliseconds.size(), latency.missed,
                        latency.milliseconds[latency.milliseconds.size() / 2],
                        sum / double(latency.milliseconds.size()), latency.milliseconds.back());
        }
    }
    return 0;
}
