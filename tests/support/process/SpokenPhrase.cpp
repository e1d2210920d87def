#include "SpokenPhrase.h"

#include "SoundServer.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace tk::test {

// The synthesizer's voice with a little noise, as the recognizer hears a real
// voice best; the noise begins 0.6 s before the voice, as a room's does (the
// detector learns the noise first).
QString spokenWav(const QString& dir, const QString& text) {
    const QString voice = dir + QStringLiteral("/voice.wav");
    const QString clean = dir + QStringLiteral("/clean.wav");
    const QString noise = dir + QStringLiteral("/noise.wav");
    QString name = text;
    name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]+")), QStringLiteral("-"));
    const QString said = dir + QStringLiteral("/said-") + name + QStringLiteral(".wav");
    const auto run = [](const QString& program, const QStringList& arguments) {
        QProcess process;
        process.start(program, arguments);
        return process.waitForFinished(10000) && process.exitCode() == 0;
    };
    if (!run(QStringLiteral("espeak-ng"),
             {QStringLiteral("-v"), QStringLiteral("en-us"), QStringLiteral("-w"), voice, text}) ||
        !run(QStringLiteral("sox"),
             {voice, clean, QStringLiteral("pad"), QStringLiteral("0.6"), QStringLiteral("0")}) ||
        !run(QStringLiteral("sox"),
             {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("22050"),
              QStringLiteral("-c"), QStringLiteral("1"), noise, QStringLiteral("synth"),
              QStringLiteral("2.6"), QStringLiteral("whitenoise"), QStringLiteral("vol"),
              QStringLiteral("0.01")}) ||
        !run(QStringLiteral("sox"), {QStringLiteral("-m"), clean, noise, said}))
        return QString();
    return said;
}

QString missingSpeechTools() {
    QString missing = SoundServer::missingTools();
    for (const char* tool : {"espeak-ng", "sox"}) {
        if (missing.isEmpty() &&
            QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            missing = QString::fromLatin1(tool) + QStringLiteral(" is not installed");
    }
    return missing;
}

} // namespace tk::test
