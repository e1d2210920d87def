#include "ProgramRun.h"

#include "PrivateDisplay.h"
#include "SoundServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtTest>
#include <unistd.h>

namespace tk::test {

namespace {

const QString kExecutable = QStringLiteral(TK_PROGRAM_EXECUTABLE);
const QString kBuiltCharacter = QStringLiteral(TK_BUILT_CHARACTER_FILE);
const QString kSharedCharacterDir = QStringLiteral(TK_SHARED_CHARACTER_DIR);

// Runs "$@" in a private mount namespace in which the shared character directory
// $1 shows the files of $2. A missing directory is made on an overlay of its
// nearest existing parent, so nothing outside the namespace changes.
const char* const kSharedDirScript = R"sh(set -e
target=$1; source=$2; scratch=$3; shift 3
if [ ! -d "$target" ]; then
    parent=$target
    while [ ! -d "$parent" ]; do parent=$(dirname "$parent"); done
    mount -t tmpfs tmpfs "$scratch"
    mkdir "$scratch/upper" "$scratch/work"
    mount -t overlay overlay -o "lowerdir=$parent,upperdir=$scratch/upper,workdir=$scratch/work" "$parent"
    mkdir -p "$target"
fi
mount --bind "$source" "$target"
exec "$@"
)sh";

QStringList namespaceCommand() {
    QStringList command{QStringLiteral("unshare"), QStringLiteral("--mount"),
                        QStringLiteral("--propagation"), QStringLiteral("private")};
    if (::geteuid() != 0)
        command.insert(1, QStringLiteral("--map-root-user"));
    return command;
}

} // namespace

ProgramRun::ProgramRun(const PrivateDisplay& display, const SoundServer* sound)
    : m_display(display), m_sound(sound), m_dir(QStringLiteral(TK_PROCESS_RUNS_DIR "/run-XXXXXX")),
      m_scratch(QStringLiteral(TK_PROCESS_RUNS_DIR "/scratch-XXXXXX")) {
    if (!m_dir.isValid() || !m_scratch.isValid())
        m_error = QStringLiteral("no temporary program directory under " TK_PROCESS_RUNS_DIR);
    else if (!QFileInfo(kExecutable).isExecutable())
        m_error = QStringLiteral("the program %1 has not been built").arg(kExecutable);
}

ProgramRun::~ProgramRun() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(3000);
}

QString ProgramRun::path(const QString& name) const {
    return m_dir.filePath(name);
}

bool ProgramRun::putCharacter() {
    QFile::remove(path(QStringLiteral("tovrin.acs")));
    return QFile::copy(kBuiltCharacter, path(QStringLiteral("tovrin.acs")));
}

bool ProgramRun::putKnownUser() {
    return putCharacter() &&
           writeFile(QStringLiteral("main.ini"), "[MAIN]\r\nFIRST=1\r\n[USER]\r\nNAME=Sam\r\n");
}

bool ProgramRun::writeFile(const QString& name, const QByteArray& bytes) {
    QFile file(path(name));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QByteArray ProgramRun::readFile(const QString& name) const {
    QFile file(path(name));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    QByteArray bytes = file.readAll();
    if (bytes.isNull())
        bytes = QByteArray(""); // an empty file is not a missing one
    return bytes;
}

QString ProgramRun::sharedCharacterDirProblem() {
    if (QStandardPaths::findExecutable(QStringLiteral("unshare")).isEmpty())
        return QStringLiteral("unshare is not installed");
    QProcess probe;
    QStringList command = namespaceCommand();
    command << QStringLiteral("sh") << QStringLiteral("-c")
            << QStringLiteral("mount -t tmpfs tmpfs /mnt");
    probe.start(command.takeFirst(), command);
    if (!probe.waitForFinished(5000) || probe.exitStatus() != QProcess::NormalExit ||
        probe.exitCode() != 0)
        return QStringLiteral("no private mount namespace may be made here: ") +
               QString::fromLocal8Bit(probe.readAllStandardError()).trimmed();
    return QString();
}

bool ProgramRun::start() {
    if (!m_error.isEmpty())
        return false;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (m_sound) {
        environment = m_sound->environmentFor(environment);
        // What the listening did goes to the error output, for a test that failed.
        environment.insert(QStringLiteral("QT_LOGGING_RULES"),
                           QStringLiteral("tk.listening.debug=true"));
        environment.insert(QStringLiteral("QT_MESSAGE_PATTERN"),
                           QStringLiteral("%{time process} %{category}: %{message}"));
    } else {
        // No sound server: the program finds none and stays silent.
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_scratch.path());
        environment.insert(QStringLiteral("PULSE_SERVER"),
                           QStringLiteral("unix:") + m_scratch.filePath(QStringLiteral("none")));
    }
    environment = m_display.environmentFor(environment);
    // The user's own settings stay out of the run.
    const QString home = m_scratch.filePath(QStringLiteral("home"));
    QDir().mkpath(home);
    environment.insert(QStringLiteral("HOME"), home);
    environment.remove(QStringLiteral("XDG_CONFIG_HOME"));
    environment.remove(QStringLiteral("XDG_DATA_HOME"));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    environment.insert(m_extra);
    m_process.setProcessEnvironment(environment);
    m_process.setWorkingDirectory(m_scratch.path());
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.setStandardOutputFile(QProcess::nullDevice());

    QStringList command{kExecutable, QStringLiteral("--program-dir"), dir()};
    if (!m_sharedSource.isEmpty()) {
        const QString mountPoint = m_scratch.filePath(QStringLiteral("mount"));
        QDir().mkpath(mountPoint);
        command = namespaceCommand() +
                  QStringList{QStringLiteral("sh"),
                              QStringLiteral("-c"),
                              QString::fromLatin1(kSharedDirScript),
                              QStringLiteral("sh"),
                              kSharedCharacterDir,
                              m_sharedSource,
                              mountPoint} +
                  command;
    }
    m_process.start(command.takeFirst(), command);
    if (!m_process.waitForStarted(5000)) {
        m_error = QStringLiteral("tovrinkin could not be started: ") + m_process.errorString();
        return false;
    }
    return true;
}

bool ProgramRun::waitForExit(int timeoutMs) {
    return QTest::qWaitFor(
        [this] {
            m_process.waitForFinished(20);
            return m_process.state() == QProcess::NotRunning;
        },
        timeoutMs);
}

QString ProgramRun::errorOutput() {
    m_errorOutput += m_process.readAllStandardError();
    return QString::fromUtf8(m_errorOutput);
}

} // namespace tk::test
