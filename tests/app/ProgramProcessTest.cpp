// The built executable itself, started as a user starts it: the command line
// without a display, a display that fails after the program's own check, a
// second start on the same program directory, and the user's own directory of
// an installed program.
#include "TestContext.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <sys/stat.h>

using tk::test::TestContext;

namespace {

const QString kExecutable = QStringLiteral(TK_EXECUTABLE);
// How much longer the built program takes here (a sanitizer build is slower).
const int kSlowdown = std::max(1, qEnvironmentVariableIntValue("TK_TEST_SLOWDOWN"));

// A started copy of the program with its own environment.
struct Run {
    QProcess process;
    Run(const QProcessEnvironment& environment, const QStringList& arguments,
        const QString& executable = kExecutable) {
        process.setProcessEnvironment(environment);
        process.start(executable, arguments);
    }
    ~Run() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    // Waits for the end; false when it did not end in time.
    bool finish(int ms = 10000) { return process.waitForFinished(ms * kSlowdown); }
    QString errors() { return QString::fromLocal8Bit(process.readAllStandardError()); }
};

// An environment with a private home and runtime directory under root.
QProcessEnvironment privateEnvironment(const QTemporaryDir& root) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name :
         {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(name);
    QDir().mkpath(root.filePath("home"));
    QDir().mkpath(root.filePath("runtime"));
    QFile::setPermissions(root.filePath("runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    environment.insert("HOME", root.filePath("home"));
    environment.insert("XDG_RUNTIME_DIR", root.filePath("runtime"));
    return environment;
}

// A program directory ready for a run that needs no answers.
void fillProgramDir(const QString& dir) {
    QDir().mkpath(dir + "/snds");
    QVERIFY(QFile::copy(QStringLiteral(TK_BUILD_PROGRAM_DIR "/tovrin.acs"), dir + "/tovrin.acs"));
    for (const char* name : {"readme.txt", "fonts.cmd", "snds/welcome.mp3"})
        QVERIFY(QFile::copy(QStringLiteral(TK_BUILD_PROGRAM_DIR "/") + name, dir + "/" + name));
    TestContext::writeFile(dir + "/main.ini",
                           "[MAIN]\r\nFIRST=1\r\nLSOUND=0\r\n[USER]\r\nNAME=Sam\r\n");
}

// How many top-level windows of the X display carry title.
int windowsTitled(const QString& title) {
    QProcess tree;
    tree.start("xwininfo", {"-root", "-children"});
    if (!tree.waitForFinished(5000))
        return -1;
    return QString::fromLocal8Bit(tree.readAllStandardOutput())
        .count(QStringLiteral("\"%1\": (").arg(title));
}

int modeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 0777) : -1;
}

} // namespace

class ProgramProcessTest : public QObject {
    Q_OBJECT
private slots:
    void commandLine_worksWithoutDisplay() {
        QTemporaryDir root;
        QProcessEnvironment environment = privateEnvironment(root);
        environment.remove("DISPLAY");

        Run help(environment, {"--help"});
        QVERIFY(help.finish());
        QCOMPARE(help.process.exitCode(), 0);
        QVERIFY(help.process.readAllStandardOutput().startsWith("Usage: tovrinkin [OPTION]...\n"));

        Run version(environment, {"--version"});
        QVERIFY(version.finish());
        QCOMPARE(version.process.exitCode(), 0);
        QCOMPARE(version.process.readAllStandardOutput(),
                 QByteArray("tovrinkin (Tovrin Kin) 1.0.0\n"));

        Run unknown(environment, {"--colour"});
        QVERIFY(unknown.finish());
        QCOMPARE(unknown.process.exitCode(), 2);
        const QString refused = unknown.errors();
        QVERIFY2(refused.startsWith("tovrinkin: unknown option '--colour'\nUsage: "),
                 qPrintable(refused));

        // Without a display the program names itself, not a build command.
        Run plain(environment, {});
        QVERIFY(plain.finish());
        QCOMPARE(plain.process.exitCode(), 2);
        const QString message = plain.errors();
        QVERIFY2(message.contains("xvfb-run -a " + kExecutable), qPrintable(message));
        QVERIFY(!message.contains("make run"));
    }

    void displayFailingAfterCheck_endsWithOwnMessage() {
        // A display that accepts the program's own check and refuses the window
        // system's connection that follows: the first connection is passed on
        // to the real server, every later one is closed at once.
        const QString display = qEnvironmentVariable("DISPLAY");
        if (display.isEmpty())
            QSKIP("needs an X server (run under xvfb-run)");
        const QString realSocket = "/tmp/.X11-unix/X" + display.mid(1).section('.', 0, 0);
        int number = 140;
        while (QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)))
            ++number;
        QLocalServer proxy;
        QLocalServer::removeServer(QStringLiteral("/tmp/.X11-unix/X%1").arg(number));
        QVERIFY(proxy.listen(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)));
        int connections = 0;
        connect(&proxy, &QLocalServer::newConnection, this, [&] {
            while (QLocalSocket* client = proxy.nextPendingConnection()) {
                if (++connections > 1) {
                    client->abort();
                    client->deleteLater();
                    continue;
                }
                auto* server = new QLocalSocket(client);
                server->connectToServer(realSocket);
                connect(client, &QLocalSocket::readyRead, server,
                        [client, server] { server->write(client->readAll()); });
                connect(server, &QLocalSocket::readyRead, client,
                        [client, server] { client->write(server->readAll()); });
                connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            }
        });

        QTemporaryDir root;
        QProcessEnvironment environment = privateEnvironment(root);
        environment.insert("DISPLAY", QStringLiteral(":%1").arg(number));
        if (!qEnvironmentVariableIsEmpty("XAUTHORITY")) {
            // The server's cookie, given for the proxy's display number too.
            QProcess list;
            list.start("xauth", {"list", display});
            QVERIFY(list.waitForFinished(5000));
            const QStringList entry = QString::fromLocal8Bit(list.readAllStandardOutput())
                                          .split('\n')
                                          .first()
                                          .split(' ', Qt::SkipEmptyParts);
            QCOMPARE(entry.size(), 3);
            const QString authority = root.filePath("xauthority");
            QCOMPARE(QProcess::execute("xauth",
                                       {"-f", authority, "add", QStringLiteral(":%1").arg(number),
                                        entry.at(1), entry.at(2)}),
                     0);
            environment.insert("XAUTHORITY", authority);
        }
        Run run(environment, {"--program-dir", root.filePath("program")});
        QTRY_VERIFY_WITH_TIMEOUT(run.process.state() == QProcess::NotRunning, 10000 * kSlowdown);
        QCOMPARE(run.process.exitStatus(), QProcess::NormalExit); // no abort
        QCOMPARE(run.process.exitCode(), 2);
        const QString message = run.errors();
        QVERIFY2(message.contains(QStringLiteral("tovrinkin: the window system could not be "
                                                 "started on the X display \":%1\"")
                                      .arg(number)),
                 qPrintable(message));
        QVERIFY(!message.contains("Reinstalling"));
        QVERIFY(connections >= 2);
        QLocalServer::removeServer(proxy.fullServerName());
    }

    void secondStart_handsOverAndStaleLockDoesNotBlock() {
        QTemporaryDir root;
        const QProcessEnvironment environment = privateEnvironment(root);
        const QString programDir = root.filePath("my program");
        fillProgramDir(programDir);
        const QStringList arguments{"--program-dir", programDir};

        auto first = std::make_unique<Run>(environment, arguments);
        // The named directory is the one used: the system report says so.
        QTRY_VERIFY_WITH_TIMEOUT(TestContext::readFile(programDir + "/winlog.tz")
                                     .contains("PATH: " + programDir.toUtf8() + "\r\n"),
                                 15000 * kSlowdown);
        QTRY_COMPARE_WITH_TIMEOUT(windowsTitled("Tovrin"), 1, 10000 * kSlowdown);

        Run second(environment, {"--program-dir", programDir + "/"});
        QVERIFY(second.finish());
        QCOMPARE(second.process.exitCode(), 0);
        QCOMPARE(first->process.state(), QProcess::Running);
        QCOMPARE(windowsTitled("Tovrin"), 1);

        // A run killed outright leaves its lock behind; the next start still runs.
        first->process.kill();
        QVERIFY(first->finish());
        QVERIFY(!QDir(root.filePath("runtime")).entryList({"tovrinkin-*.lock"}).isEmpty());
        Run third(environment, arguments);
        QTRY_COMPARE_WITH_TIMEOUT(windowsTitled("Tovrin"), 1, 15000 * kSlowdown);
        QCOMPARE(third.process.state(), QProcess::Running);
    }

    void installedProgram_makesTheUsersOwnDirectory() {
        // An installed tree: the executable alone in bin/, its files in share/.
        QTemporaryDir root;
        QProcessEnvironment environment = privateEnvironment(root);
        QDir().mkpath(root.filePath("usr/bin"));
        const QString installed = root.filePath("usr/bin/tovrinkin");
        QVERIFY(QFile::copy(kExecutable, installed));
        const QStringList shipped{"readme.txt", "fonts.cmd", "snds/welcome.mp3"};
        for (const QString& name : shipped)
            TestContext::writeFile(root.filePath("usr/share/tovrinkin/" + name),
                                   TestContext::readFile(TK_BUILD_PROGRAM_DIR "/" + name));
        environment.insert("XDG_DATA_HOME", root.filePath("data"));
        const QString userDir = root.filePath("data/tovrinkin");
        TestContext::writeFile(userDir + "/fonts.cmd", "My Font\r\n"); // the user's own

        Run run(environment, {}, installed);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(userDir + "/snds/welcome.mp3"),
                                 10000 * kSlowdown);
        QCOMPARE(TestContext::readFile(userDir + "/readme.txt"),
                 TestContext::readFile(TK_BUILD_PROGRAM_DIR "/readme.txt"));
        QCOMPARE(TestContext::readFile(userDir + "/fonts.cmd"), QByteArray("My Font\r\n"));
        QVERIFY(QDir(root.filePath("usr/bin")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries) ==
                QStringList{"tovrinkin"});

        // A fresh user: the directory is made, and private.
        run.process.kill();
        QVERIFY(run.finish());
        QVERIFY(QDir(root.filePath("data")).removeRecursively());
        Run fresh(environment, {}, installed);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(userDir + "/readme.txt"), 10000 * kSlowdown);
        QCOMPARE(modeOf(userDir), 0700);
    }
};

QTEST_MAIN(ProgramProcessTest)
#include "ProgramProcessTest.moc"
