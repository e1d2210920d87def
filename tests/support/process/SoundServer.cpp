#include "SoundServer.h"

#include <QStandardPaths>
#include <QtTest>
#include <csignal>

namespace tk::test {

QString SoundServer::missingTools() {
    for (const char* tool : {"pulseaudio", "pactl", "paplay"}) {
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

} // namespace tk::test
