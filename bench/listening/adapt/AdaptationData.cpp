// Adaptation data for the recognizer's acoustic model: synthesized speech of
// Tovrin's command phrases (every spoken form the grammar accepts) and of general
// sentences, in voices the listening benchmark never reports, clean and mixed
// with white, pink, brown noise and background talk at several levels, with noise
// seeds the benchmark never uses.
//
//   listening_adaptation_data OUTDIR [--count N] [--voices v1,v2]
//
// Writes OUTDIR/wav/NNNN.wav (16 kHz mono), OUTDIR/adapt.fileids,
// OUTDIR/adapt.transcription and OUTDIR/adapt.dict (a pronunciation for every
// word of the transcripts, found as the recognizer finds them). The same
// arguments give the same files.

#include "SpeechSamples.h"
#include "agent/listening/CommandGrammar.h"
#include "agent/listening/PronunciationResolver.h"
#include "agent/listening/SpeechModelFiles.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

using namespace tk;
using namespace tk::agent::listening;
using test::Noise;

namespace {

// Voices for adaptation only: none of them is among the voices the benchmark
// reports (en-us, en-us+f3 and the flite voices, which stand in for people).
// festival:ked is a diphone voice recorded from a person.
const QStringList kAllVoices = {"en-us+m7",   "en-us+f2", "en-us+m1",     "en-us+f5",
                                "en-gb-x-rp", "en-029",   "en-us+klatt2", "festival:ked"};
// The background talk is read by other voices again, from the general sentences.
const QStringList kBabbleVoices = {"en-gb-scotland", "en-us+m6", "en-us+f1", "en-gb-x-gbclan",
                                   "en-us+m2"};

// Everyday sentences, none of them a command phrase nor one of the benchmark's
// unrelated sentences or its always-listening talk.
QStringList generalSentences() {
    return QStringLiteral(
               "The boat drifted slowly toward the harbor.|Please pass the butter and the "
               "bread.|We walked along the beach until the sun went down.|She forgot her "
               "umbrella at the office.|The children laughed at the funny clown.|My brother "
               "works at the hospital downtown.|It took three hours to fix the old car.|Turn "
               "left at the second traffic light.|The museum opens at ten in the morning.|He "
               "bought a new pair of running shoes.|The soup needs a little more salt.|They "
               "moved to a small town near the mountains.|I can't find the keys to the "
               "garage.|The dog barked at the mailman every day.|Our flight was delayed by two "
               "hours.|The garden is full of red and yellow flowers.|She plays the piano every "
               "evening.|We need to buy paper towels and soap.|The library closes early on "
               "Sundays.|He painted the fence a bright shade of blue.|The coffee is too hot to "
               "drink.|Let me know when you are ready to leave.|The river froze during the "
               "long winter.|My grandmother tells wonderful stories.|The printer on the second "
               "floor is broken.|I usually take the bus to work.|The kitten was sleeping in a "
               "basket.|There is a small cafe around the corner.|He wrote a letter to his old "
               "teacher.|The storm knocked down several trees.|We watched a movie about "
               "space travel.|Could you open the box for me?|The price of apples went up "
               "again.|She speaks three languages fluently.|The team practiced in the rain.|I "
               "left my jacket on the chair.|The baby smiled at her father.|The test was "
               "easier than I expected.|They built a bridge across the valley.|Where did you "
               "park the car?|The candle burned all through the night.|My neighbor grows "
               "tomatoes in his yard.|The kitchen smells of fresh bread.|Nobody answered the "
               "phone this morning.|The package arrived a day early.|We should paint the "
               "bedroom green.|He fell asleep during the lecture.|The lake was calm and "
               "clear.|Bring a warm sweater for the evening.|The old clock stopped at "
               "midnight.|She ran five miles before breakfast.|The store sells fresh fish on "
               "Fridays.|I would like a cup of tea with lemon.|The pilot announced a short "
               "delay.|Farmers planted corn in the northern fields.|The movie starts at half "
               "past seven.|He keeps his tools in a wooden box.|The wind blew the papers off "
               "the desk.|We had pancakes for breakfast.|This road leads to the old mill.|The "
               "nurse checked his temperature.|My sister is learning to drive.|The cookies "
               "are cooling on the rack.|A bird built a nest under the roof.|The students "
               "finished their project on time.|The water in the pool is cold.|He lost his "
               "wallet on the train.|The concert was louder than I thought.|We planted two "
               "apple trees last spring.|The window in the hall is cracked.|Can you tell me "
               "the way to the station?|The doctor will see you in a minute.|The shop on the "
               "corner sells newspapers.|Her dress was the color of the sky.|The bakery ran "
               "out of rolls.|They spent the weekend at the lake.|The engine made a strange "
               "noise.|I found an old photo in the drawer.|The puppy chewed my slippers.|The "
               "mayor gave a short speech.|The snow melted by noon.|A cold wind came from the "
               "north.|He poured milk into the glass.|The company hired ten new workers.|We "
               "counted the stars from the hill.|The book fell behind the sofa.|My uncle "
               "repairs watches.|Dinner will be ready in twenty minutes.|The horse jumped "
               "over the fence.|The bus was crowded this morning.|She found a coin on the "
               "sidewalk.|The lamp on my desk is very bright.|Thank you for the lovely "
               "gift.|The hikers reached the top before noon.|Put the plates back on the "
               "shelf.|The guests arrived late for dinner.|The radio played an old song.|He "
               "fixed the leak under the sink.|We need more chairs for the party.|The "
               "weather changed quickly in the afternoon.|Sunlight poured through the open "
               "door.|I am thinking about a trip to the coast.|Is this seat taken?|What are "
               "you doing this weekend?|Who left the lights on in the basement?|How long "
               "does it take to get there?|Why is the sky so dark today?|When does the next "
               "boat leave?|Which of these shirts do you like best?|Are we there yet?|Have "
               "you seen my glasses anywhere?|Do you want to come with us?|I think it is "
               "going to snow.|That was the best meal I have had all year.|Keep the receipt "
               "in case it breaks.|Send me a message when you land.|The tickets are on the "
               "kitchen table.|Stop by my office after lunch.|Wait for me at the gate.|It is "
               "much too early to get up.|The battery in my watch is dead.|Let's meet in "
               "front of the theater.|Hang your coat on the hook by the door.")
        .split(QLatin1Char('|'));
}

// The words of text as they stand in a transcript: lower case, no punctuation but
// the apostrophe.
QStringList transcriptWords(const QString& text) {
    QString clean = text.toLower();
    clean.replace(QRegularExpression(QStringLiteral("[^a-z' ]")), QStringLiteral(" "));
    return clean.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

std::vector<std::int16_t> festivalSpeech(const QString& text, const QString& voice) {
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("speech.wav"));
    QProcess festival;
    festival.start(
        QStringLiteral("text2wave"),
        {"-eval", QStringLiteral("(voice_%1_diphone)").arg(voice), "-F", "16000", "-o", wav});
    festival.write(text.toUtf8());
    festival.closeWriteChannel();
    if (!festival.waitForFinished(30000) || festival.exitCode() != 0)
        return {};
    QFile file(wav);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    const qsizetype at = data.indexOf("data");
    if (at < 0 || at + 8 > data.size())
        return {};
    std::vector<std::int16_t> samples(std::size_t(data.size() - at - 8) / 2);
    std::memcpy(samples.data(), data.constData() + at + 8, samples.size() * 2);
    return samples;
}

std::vector<std::int16_t> speak(const QString& text, const QString& voice) {
    if (voice.startsWith(QLatin1String("festival:")))
        return festivalSpeech(text, voice.mid(9));
    return test::SpeechSamples::speak(text, voice);
}

double level(const std::vector<std::int16_t>& samples) {
    double sum = 0;
    for (const std::int16_t s : samples)
        sum += double(s) * s;
    return samples.empty() ? 0 : std::sqrt(sum / double(samples.size()));
}

// About 40 s of background talk: the babble voices reading general sentences at
// once, out of step, summed and scaled to unit RMS.
std::vector<double> babbleTrack(const QStringList& sentences) {
    constexpr std::size_t kLength = 40 * 16000;
    std::vector<double> sum(kLength, 0.0);
    for (qsizetype v = 0; v < kBabbleVoices.size(); ++v) {
        std::size_t at = std::size_t(v) * 4700;
        for (qsizetype i = v * 11; at < kLength; ++i) {
            const auto speech = test::SpeechSamples::speak(
                sentences.at(sentences.size() - 1 - i % sentences.size()), kBabbleVoices.at(v),
                170);
            if (speech.empty())
                break;
            for (std::size_t k = 0; k < speech.size() && at + k < kLength; ++k)
                sum[at + k] += speech[k];
            at += speech.size() + 1200 * std::size_t(1 + i % 4);
        }
    }
    double energy = 0;
    for (const double v : sum)
        energy += v * v;
    const double rms = std::sqrt(energy / double(kLength));
    for (double& v : sum)
        v /= std::max(rms, 1e-9);
    return sum;
}

// Speech level as the benchmark measures it: RMS over the 20 ms stretches above
// a tenth of the loudest.
double speechLevel(const std::vector<std::int16_t>& speech) {
    std::vector<double> levels;
    for (std::size_t at = 0; at + 320 <= speech.size(); at += 320)
        levels.push_back(level({speech.begin() + long(at), speech.begin() + long(at + 320)}));
    if (levels.empty())
        return 0;
    const double loudest = *std::max_element(levels.begin(), levels.end());
    double sum = 0;
    int count = 0;
    for (const double l : levels) {
        if (l >= loudest / 10) {
            sum += l * l;
            ++count;
        }
    }
    return std::sqrt(sum / std::max(count, 1));
}

struct Condition {
    Noise noise;
    double snr; // speech over noise, dB; 60 dB of room tone stands for clean audio
};

std::vector<std::int16_t> mix(const std::vector<std::int16_t>& speech, const Condition& condition,
                              unsigned seed, const std::vector<double>& babble) {
    const std::size_t lead = 300 * 16, tail = 300 * 16;
    const std::size_t total = lead + speech.size() + tail;
    std::vector<double> noise;
    if (condition.noise == Noise::Babble) {
        noise.resize(total);
        std::size_t at = (std::size_t(seed) * 104729u) % babble.size();
        for (double& v : noise) {
            v = babble[at];
            at = (at + 1) % babble.size();
        }
    } else {
        noise = test::SpeechSamples::noise(condition.noise, total, seed);
    }
    const double noiseLevel = speechLevel(speech) * std::pow(10.0, -condition.snr / 20.0);
    std::vector<std::int16_t> out(total);
    for (std::size_t i = 0; i < total; ++i) {
        double v = noise[i] * noiseLevel;
        if (i >= lead && i - lead < speech.size())
            v += speech[i - lead];
        out[i] = std::int16_t(std::clamp(std::lround(v), -32768L, 32767L));
    }
    return out;
}

bool writeWav(const QString& path, const std::vector<std::int16_t>& samples) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const auto u32 = [&](quint32 v) { file.write(reinterpret_cast<const char*>(&v), 4); };
    const auto u16 = [&](quint16 v) { file.write(reinterpret_cast<const char*>(&v), 2); };
    const quint32 bytes = quint32(samples.size() * 2);
    file.write("RIFF");
    u32(36 + bytes);
    file.write("WAVEfmt ");
    u32(16);
    u16(1);
    u16(1);
    u32(16000);
    u32(32000);
    u16(2);
    u16(16);
    file.write("data");
    u32(bytes);
    file.write(reinterpret_cast<const char*>(samples.data()), bytes);
    return file.error() == QFile::NoError;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addPositionalArgument("outdir", "Where the adaptation data goes.");
    parser.addOption({"count", "Utterances to write.", "n", "1200"});
    parser.addOption({"voices", "The voices to say them (espeak-ng voices, festival:NAME).",
                      "voices", kAllVoices.join(',')});
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);
    const QDir out(parser.positionalArguments().first());
    if (!out.mkpath(QStringLiteral("wav"))) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(out.path()));
        return 1;
    }

    // Every spoken form of every phrase (contractions in full, the leading name,
    // the trailing "please"), and as many general sentences.
    const CommandGrammar grammar(test::voiceCommandsOf(test::tovrinCatalogue()),
                                 QStringLiteral("Tovrin"));
    QStringList phrases;
    for (const GrammarPhrase& phrase : grammar.phrases()) {
        phrases.append(phrase.spoken);
        phrases.append(QStringLiteral("tovrin, ") + phrase.spoken);
        phrases.append(phrase.spoken + QStringLiteral(" please"));
    }
    const QStringList sentences = generalSentences();
    const std::vector<Condition> conditions = {
        {Noise::Room, 60},   {Noise::White, 30}, {Noise::Pink, 30}, {Noise::Brown, 30},
        {Noise::Babble, 30}, {Noise::White, 20}, {Noise::Pink, 20}, {Noise::Brown, 20},
        {Noise::Babble, 20}, {Noise::White, 15}, {Noise::Pink, 15}, {Noise::Brown, 15},
        {Noise::Babble, 15}, {Noise::White, 10}, {Noise::Pink, 10}, {Noise::Brown, 10},
        {Noise::Babble, 10}};
    const std::vector<double> babble = babbleTrack(sentences);

    const int count = parser.value("count").toInt();
    const QStringList voices = parser.value("voices").split(',');
    QFile fileids(out.filePath(QStringLiteral("adapt.fileids")));
    QFile transcription(out.filePath(QStringLiteral("adapt.transcription")));
    if (!fileids.open(QIODevice::WriteOnly | QIODevice::Text) ||
        !transcription.open(QIODevice::WriteOnly | QIODevice::Text)) {
        std::fprintf(stderr, "cannot write the file lists in %s\n", qPrintable(out.path()));
        return 1;
    }
    QSet<QString> words;
    std::mt19937 pick(20261207);
    int written = 0;
    for (int i = 0; written < count && i < count * 2; ++i) {
        const QString voice = voices.at(i % voices.size());
        // Half command phrases, half general sentences.
        const QString text = (i / voices.size()) % 2
                                 ? sentences.at(int(pick() % unsigned(sentences.size())))
                                 : phrases.at(int(pick() % unsigned(phrases.size())));
        const auto speech = speak(text, voice);
        if (speech.empty()) {
            std::fprintf(stderr, "no speech from %s\n", qPrintable(voice));
            continue;
        }
        const Condition condition = conditions.at(std::size_t(i) % conditions.size());
        // The benchmark's noise seeds start at 11 and 5000 and stay far below this.
        const auto clip = mix(speech, condition, 900000u + unsigned(i), babble);
        const QString id = QStringLiteral("%1").arg(written, 5, 10, QLatin1Char('0'));
        if (!writeWav(out.filePath(QStringLiteral("wav/%1.wav").arg(id)), clip)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(id));
            return 1;
        }
        const QStringList said = transcriptWords(text);
        for (const QString& word : said)
            words.insert(word);
        fileids.write(QStringLiteral("wav/%1\n").arg(id).toUtf8());
        transcription.write(
            QStringLiteral("<s> %1 </s> (%2)\n").arg(said.join(QLatin1Char(' ')), id).toUtf8());
        ++written;
        if (written % 100 == 0)
            std::fprintf(stderr, "%d utterances\n", written);
    }

    QStringList sorted(words.begin(), words.end());
    sorted.sort();
    const ResolvedPronunciations resolved =
        PronunciationResolver(SpeechModelFiles::installed().dictionary,
                              PronunciationResolver::reviewedLexicon(),
                              &PronunciationResolver::espeakProgramPhonemes)
            .resolve(sorted);
    if (!resolved.unknownWords.isEmpty()) {
        std::fprintf(stderr, "no pronunciation for: %s\n",
                     qPrintable(resolved.unknownWords.join(QLatin1Char(' '))));
        return 1;
    }
    QFile dict(out.filePath(QStringLiteral("adapt.dict")));
    if (!dict.open(QIODevice::WriteOnly | QIODevice::Text)) {
        std::fprintf(stderr, "cannot write the dictionary\n");
        return 1;
    }
    for (const QString& word : sorted)
        dict.write((word + QLatin1Char(' ') + resolved.pronunciations.value(word).first() +
                    QLatin1Char('\n'))
                       .toUtf8());
    std::fprintf(stderr, "%d utterances, %lld words in %s\n", written, qlonglong(sorted.size()),
                 qPrintable(out.path()));
    return 0;
}
