// Listens to the default microphone for Tovrin's commands and prints what it
// hears, one line per event, until interrupted or the session closes:
//
//   tk-listen-check [--quiet-ms N]
//
// With a virtual microphone (a PulseAudio null sink whose monitor is the default
// source) speech played into the sink shows up here exactly as the program
// would take it.

#include "SpeechSamples.h"
#include "agent/listening/SphinxSpeechInput.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

using namespace tk;
using namespace tk::agent;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption(
        {"quiet-ms", "Close the session after this long without speech.", "ms", "8000"});
    parser.process(app);

    listening::SphinxSpeechInput input;
    QElapsedTimer clock;
    clock.start();
    auto say = [&](const QString& line) {
        std::printf("%7.3f s  %s\n", double(clock.elapsed()) / 1000.0, qPrintable(line));
        std::fflush(stdout);
    };
    if (!input.isAvailable()) {
        say("unavailable: " + input.unavailableReason());
        return 2;
    }
    input.setCommands(test::voiceCommandsOf(test::tovrinCatalogue()));
    input.setQuietTimeout(parser.value("quiet-ms").toInt());
    QObject::connect(&input, &SpeechInput::listeningStarted, [&] { say("listening"); });
    QObject::connect(&input, &SpeechInput::hearingStarted, [&] { say("hearing"); });
    QObject::connect(&input, &SpeechInput::heard, [&](const QString& name, const QString& text) {
        say(QStringLiteral("heard name=\"%1\" text=\"%2\"").arg(name, text));
    });
    QObject::connect(&input, &SpeechInput::listeningStopped, [&] {
        say("stopped");
        app.quit();
    });
    QObject::connect(&input, &listening::SphinxSpeechInput::availabilityChanged,
                     [&] { say("availability: " + input.unavailableReason()); });
    input.startListening();
    return app.exec();
}
