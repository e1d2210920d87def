#include "SoundServer.h"

#include <QStandardPaths>
#include <QtTest>
#include <csignal>

namespace tk::test {

QString SoundServer::missingTools() {
    for (const char* tool : {"pulseaudio", "pactl", "paplay", "parec"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return QStringLiteral("%1 is not installed").arg(QString::fromLatin1(tool));
    }
    return QString();
}

SoundServer::SoundServer(Start when) {
    m_error = missingTools();
    if (m_error.isEmpty() && !m_runtime.isValid())
        m_error = QStringLiteral("no temporary directory for the sound server");
    if (m_error.isEmpty() && when == Start::Now)
        (void)start();
}

bool SoundServer::start() {
    if (!m_error.isEmpty() || m_daemon.state() != QProcess::NotRunning)
        return m_error.isEmpty();
    QProcessEnvironment environment = environmentFor(QProcessEnvironment::systemEnvironment());
    environment.insert(QStringLiteral("HOME"), m_runtime.path());
    m_daemon.setProcessEnvironment(environment);
    m_daemon.setStandardOutputFile(QProcess::nullDevice());
    m_daemon.setStandardErrorFile(QProcess::nullDevice());
    m_daemon.start(QStringLiteral("pulseaudio"),
                   {QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                    QStringLiteral("-n"),
                    QStringLiteral("--load=module-native-protocol-unix auth-anonymous=1"),
                    QStringLiteral("--load=module-null-sink sink_name=spk"),
                    QStringLiteral("--load=module-null-sink sink_name=mic")});
    QString output;
    if (!m_daemon.waitForStarted(5000) ||
        !QTest::qWaitFor(
            [&] { return m_daemon.state() != QProcess::Running || pactl({"info"}, &output); },
            5000) ||
        m_daemon.state() != QProcess::Running) {
        m_error = QStringLiteral("pulseaudio does not answer: ") + output.trimmed();
        return false;
    }
    if (!pactl({"load-module", "module-remap-source", "master=mic.monitor", "source_name=micin",
                "source_properties=device.description=VirtualMicrophone"},
               &output) ||
        !pactl({"set-default-sink", "spk"}, &output) ||
        !pactl({"set-default-source", "micin"}, &output))
        m_error = QStringLiteral("the virtual microphone could not be set up: ") + output.trimmed();
    return m_error.isEmpty();
}

SoundServer::~SoundServer() {
    m_speakerRecorder.kill();
    m_speakerRecorder.waitForFinished(2000);
    if (m_daemon.state() == QProcess::NotRunning)
        return;
    ::kill(pid_t(m_daemon.processId()), SIGTERM);
    if (!m_daemon.waitForFinished(5000)) {
        m_daemon.kill();
        m_daemon.waitForFinished(2000);
    }
}

QProcessEnvironment SoundServer::environmentFor(QProcessEnvironment base) const {
    base.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    base.insert(QStringLiteral("PULSE_SERVER"),
                QStringLiteral("unix:") + m_runtime.path() + QStringLiteral("/pulse/native"));
    return base;
}

bool SoundServer::pactl(const QStringList& arguments, QString* output) const {
    QProcess process;
    process.setProcessEnvironment(environmentFor(QProcessEnvironment::systemEnvironment()));
    process.start(QStringLiteral("pactl"), arguments);
    const bool ok = process.waitForFinished(5000) && process.exitStatus() == QProcess::NormalExit &&
                    process.exitCode() == 0;
    if (output)
        *output =
            QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
    return ok;
}

bool SoundServer::playIntoMicrophone(const QString& wavFile) const {
    QProcess player;
    player.setProcessEnvironment(environmentFor(QProcessEnvironment::systemEnvironment()));
    player.start(QStringLiteral("paplay"), {QStringLiteral("--device=mic"), wavFile});
    return player.waitForFinished(15000) && player.exitStatus() == QProcess::NormalExit &&
           player.exitCode() == 0;
}

void SoundServer::crash() {
    m_daemon.kill();
    m_daemon.waitForFinished(5000);
}

bool SoundServer::playingToSpeaker() const {
    QString sinks;
    QString inputs;
    if (!pactl({"list", "short", "sinks"}, &sinks) ||
        !pactl({"list", "short", "sink-inputs"}, &inputs))
        return false;
    // Lines of tab-separated fields: a sink's index and name; an input's index
    // and the index of the sink it plays to.
    QString speaker;
    for (const QString& line : sinks.split(QLatin1Char('\n'))) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() > 1 && fields.at(1) == QStringLiteral("spk"))
            speaker = fields.at(0);
    }
    for (const QString& line : inputs.split(QLatin1Char('\n'))) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (!speaker.isEmpty() && fields.size() > 1 && fields.at(1) == speaker)
            return true;
    }
    return false;
}

bool SoundServer::listenToSpeaker() {
    m_speakerRecorder.kill();
    m_speakerRecorder.waitForFinished(2000);
    m_speakerPeak = 0;
    m_speakerSound.clear();
    m_speakerRecorder.setProcessEnvironment(
        environmentFor(QProcessEnvironment::systemEnvironment()));
    m_speakerRecorder.start(QStringLiteral("parec"),
                            {QStringLiteral("--device=spk.monitor"),
                             QStringLiteral("--format=s16le"), QStringLiteral("--rate=16000"),
                             QStringLiteral("--channels=1")});
    return m_speakerRecorder.waitForStarted(5000);
}

double SoundServer::speakerPeak() {
    m_speakerRecorder.waitForReadyRead(10);
    const QByteArray bytes =
        m_speakerRecorder.read(m_speakerRecorder.bytesAvailable() & ~qint64(1));
    m_speakerSound += bytes;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const auto sample = qint16(quint16(quint8(bytes[i])) | quint16(quint8(bytes[i + 1])) << 8);
        m_speakerPeak = std::max(m_speakerPeak, std::abs(int(sample)));
    }
    return m_speakerPeak / 32768.0;
}

void SoundServer::useInThisProcess() const {
    const QProcessEnvironment pointed = environmentFor(QProcessEnvironment());
    for (const QString& name : pointed.keys())
        qputenv(qPrintable(name), pointed.value(name).toUtf8());
}

QByteArray SoundServer::speakerSound() {
    speakerPeak();
    return m_speakerSound;
}

} // namespace tk::test
