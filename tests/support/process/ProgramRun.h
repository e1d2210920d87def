#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

namespace tk::test {

class PrivateDisplay;
class SoundServer;

// One run of the built tovrinkin executable, started the way a user starts it,
// with a program directory of its own (a fresh temporary directory, given with
// --program-dir, so that the files it reads and writes are the test's), on a
// PrivateDisplay, optionally hearing a SoundServer's microphone. HOME and the
// runtime directory are the run's own too.
//
//   PrivateDisplay display;                       // skip when display.error() is set
//   ProgramRun run(display);
//   run.putCharacter();                           // the built tovrin.acs
//   run.writeFile("main.ini", "[MAIN]\r\nFIRST=1\r\n");
//   QVERIFY(run.start());
//   auto box = display.waitForWindow("TOVRIN SAYS");
//   display.key(box->id, "Return");
//   QVERIFY(run.waitForExit(5000)); QCOMPARE(run.exitCode(), 0);
//   QCOMPARE(run.readFile("main.ini"), QByteArray(...));
class ProgramRun {
public:
    explicit ProgramRun(const PrivateDisplay& display, const SoundServer* sound = nullptr);
    ~ProgramRun();
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    // Why a run cannot be prepared here (no executable, no directory), or empty.
    QString error() const { return m_error; }
    // The program directory and a file in it.
    QString dir() const { return m_dir.path(); }
    QString path(const QString& name) const;

    // Copies the built character file into the program directory.
    bool putCharacter();
    // The character in place and a user Tovrin already knows: the run greets Sam.
    bool putKnownUser();
    bool writeFile(const QString& name, const QByteArray& bytes);
    // A file's bytes, or a null array when it cannot be read.
    QByteArray readFile(const QString& name) const;

    // Why the runtime's shared character directory cannot be replaced here
    // (it needs a private mount namespace), or empty.
    static QString sharedCharacterDirProblem();
    // For this run, the runtime's shared character directory (fixed at build
    // time) shows the files of sourceDir instead, without touching the real one.
    void useSharedCharacterDir(const QString& sourceDir) { m_sharedSource = sourceDir; }
    // Sets an environment variable for the run (before start()).
    void setEnvironment(const QString& name, const QString& value) { m_extra.insert(name, value); }
    // A directory for the test's own files, outside the program directory.
    QString scratch() const { return m_scratch.path(); }

    // Starts the program; false (with the reason in error()) when it could not start.
    bool start();
    qint64 processId() const { return m_process.processId(); }
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    // Waits up to timeoutMs for the process to end.
    bool waitForExit(int timeoutMs);
    // How it ended: the exit code, or (crashed) the signal that killed it.
    int exitCode() const { return m_process.exitCode(); }
    bool crashed() const { return m_process.exitStatus() == QProcess::CrashExit; }
    // What it wrote to its standard error so far.
    QString errorOutput();

private:
    const PrivateDisplay& m_display;
    const SoundServer* m_sound;
    QTemporaryDir m_dir;
    QTemporaryDir m_scratch;
    QString m_sharedSource;
    QProcess m_process;
    QByteArray m_errorOutput;
    QString m_error;
    QProcessEnvironment m_extra;
};

} // namespace tk::test
