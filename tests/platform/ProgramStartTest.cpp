// What a start decides before any window opens: the command line, the
// window-system platform, the program directory, and one run per directory.
#include "TestContext.h"
#include "platform/CommandLine.h"
#include "platform/DisplayCheck.h"
#include "platform/ProgramDirectory.h"
#include "platform/SingleInstance.h"

#include <QLockFile>
#include <QSignalSpy>
#include <QtTest>
#include <future>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tk;
using test::TestContext;

namespace {
void writeShipped(const QString& dir) {
    for (const QString& name : ProgramDirectory::shippedFiles())
        TestContext::writeFile(dir + "/" + name, "shipped " + name.toUtf8());
}
int modeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 0777) : -1;
}
} // namespace

class ProgramStartTest : public QObject {
    Q_OBJECT
private slots:
    void commandLine_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("programDir");
        QTest::addColumn<QString>("error");
        using A = CommandLine::Action;
        const auto row = [](const char* name, const QStringList& args, A action,
                            const QString& dir = {}, const QString& error = {}) {
            QTest::newRow(name) << args << int(action) << dir << error;
        };
        const QString needsDir = "option '--program-dir' needs a directory";
        row("nothing", {}, A::Run);
        row("help", {"--help"}, A::ShowHelp);
        row("help after version", {"--version", "-h"}, A::ShowHelp);
        row("version", {"--version"}, A::ShowVersion);
        row("dir", {"--program-dir", "/a b"}, A::Run, "/a b");
        row("dir with =", {"--program-dir=rel/d"}, A::Run, "rel/d");
        row("dir that looks like an option", {"--program-dir", "--help"}, A::Run, "--help");
        row("dir missing", {"--program-dir"}, A::Fail, {}, needsDir);
        row("dir empty", {"--program-dir="}, A::Fail, {}, needsDir);
        row("dir twice", {"--program-dir=a", "--program-dir", "b"}, A::Fail, {},
            "option '--program-dir' is given twice");
        row("unknown before help", {"--bogus", "-h"}, A::Fail, {}, "unknown option '--bogus'");
        row("toolkit option", {"-platform", "wayland"}, A::Fail, {}, "unknown option '-platform'");
        row("stray word", {"hello"}, A::Fail, {}, "unexpected argument 'hello'");
    }
    void commandLine() {
        QFETCH(QStringList, arguments);
        const CommandLine::Parsed parsed = CommandLine::parse(arguments);
        QTEST(int(parsed.action), "action");
        QTEST(parsed.programDir, "programDir");
        QTEST(parsed.error, "error");
    }

    void display_data() {
        QTest::addColumn<QByteArray>("platform");
        QTest::addColumn<QByteArray>("display");
        QTest::addColumn<QByteArray>("wayland");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<QByteArray>("chosen");
        QTest::addColumn<QString>("problem"); // a part of the message, "" for none
        const auto row = [](const char* name, const char* platform, const char* display,
                            const char* wayland, bool opens, const char* chosen,
                            const QString& problem = {}) {
            QTest::newRow(name) << QByteArray(platform) << QByteArray(display)
                                << QByteArray(wayland) << opens << QByteArray(chosen) << problem;
        };
        row("x session", "", ":0", "", true, "xcb");
        row("wayland asked, xwayland offered", "wayland", ":1", "wayland-0", true, "xcb");
        row("fallback list", "wayland-egl;xcb", ":1", "wayland-0", true, "xcb");
        row("offscreen kept", "offscreen", "", "", false, "offscreen");
        row("minimal with options kept", "minimal:enable_fonts", "", "", false,
            "minimal:enable_fonts");
        row("no display names the program", "", "", "", false, "",
            "use a virtual display: xvfb-run -a '/opt/it'\\''s/tk'");
        row("wayland without xwayland", "wayland", "", "wayland-0", false, "",
            "this Wayland session offers none (QT_QPA_PLATFORM=wayland cannot replace it)");
        row("display refuses", "xcb", ":9", "", false, "", "the X display \":9\" cannot be opened");
    }
    void display() {
        QFETCH(QByteArray, platform);
        QFETCH(QByteArray, display);
        QFETCH(QByteArray, wayland);
        QFETCH(bool, opens);
        QFETCH(QString, problem);
        const DisplayDecision decision = decideDisplay(
            {platform, display, wayland}, [&](const QByteArray&) { return opens; }, "/opt/it's/tk");
        if (problem.isEmpty()) {
            QCOMPARE(decision.problem, QString());
            QTEST(decision.platform, "chosen");
        } else {
            QVERIFY2(decision.problem.contains(problem), qPrintable(decision.problem));
            QVERIFY(decision.problem.startsWith("tovrinkin: "));
            QVERIFY(!decision.problem.contains("make run"));
            QVERIFY(!decision.problem.contains('\n'));
        }
    }

    void programDirectory_choiceByLayout() {
        QTemporaryDir root;
        const QString exe = root.filePath("bin"), user = root.filePath("home/data/tovrinkin"),
                      installed = root.filePath("share/tovrinkin");
        QDir().mkpath(exe);
        QCOMPARE(ProgramDirectory::userDirectory("/xdg/data", "/home/u"),
                 QString("/xdg/data/tovrinkin"));
        QCOMPARE(ProgramDirectory::userDirectory("", "/home/u"),
                 QString("/home/u/.local/share/tovrinkin"));
        QCOMPARE(ProgramDirectory::userDirectory("relative/data", "/home/u"),
                 QString("/home/u/.local/share/tovrinkin"));

        // Installed: nothing ships beside the executable.
        auto choice = ProgramDirectory::choose("", exe, user, installed);
        QCOMPARE(choice.dir, user);
        QCOMPARE(choice.layout, ProgramDirectory::Layout::Installed);
        QCOMPARE(choice.shippedSource, installed);

        // Portable: the shipped files are there and the directory may be written.
        writeShipped(exe);
        choice = ProgramDirectory::choose("", exe, user, installed);
        QCOMPARE(choice.dir, exe);
        QCOMPARE(choice.layout, ProgramDirectory::Layout::Portable);

        // A directory named on the command line wins, made absolute.
        QDir::setCurrent(root.path());
        choice = ProgramDirectory::choose("named//dir/", exe, user, installed);
        QCOMPARE(choice.dir, root.filePath("named/dir"));
        QCOMPARE(choice.layout, ProgramDirectory::Layout::Named);
        QCOMPARE(choice.shippedSource, exe);

        // An installed tree finds its data beside its own prefix first.
        const QString prefixData = root.filePath("share/tovrinkin");
        QCOMPARE(ProgramDirectory::installedDataDir(exe, "../share/tovrinkin", "/fixed"),
                 QString("/fixed"));
        writeShipped(prefixData);
        QCOMPARE(ProgramDirectory::installedDataDir(exe, "../share/tovrinkin", "/fixed"),
                 prefixData);

        // A shipped file missing: no longer portable.
        QFile::remove(exe + "/fonts.cmd");
        QCOMPARE(ProgramDirectory::choose("", exe, user, installed).layout,
                 ProgramDirectory::Layout::Installed);
        if (::geteuid() != 0) { // root may write anywhere
            writeShipped(exe);
            QVERIFY(QFile::setPermissions(exe, QFile::ReadOwner | QFile::ExeOwner));
            QCOMPARE(ProgramDirectory::choose("", exe, user, installed).layout,
                     ProgramDirectory::Layout::Installed);
            QFile::setPermissions(exe, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
    }

    void programDirectory_prepareCopiesMissingOnly() {
        QTemporaryDir root;
        const QString installed = root.filePath("share/tovrinkin");
        writeShipped(installed);
        const QString user = root.filePath("home/.local/share/tovrinkin");
        const ProgramDirectory::Choice choice{user, ProgramDirectory::Layout::Installed, installed};
        bool unusable = true;
        QCOMPARE(ProgramDirectory::prepare(choice, &unusable), QStringList());
        QVERIFY(!unusable);
        QCOMPARE(modeOf(user), 0700);
        QCOMPARE(modeOf(root.filePath("home/.local")), 0700);
        for (const QString& name : ProgramDirectory::shippedFiles())
            QCOMPARE(TestContext::readFile(user + "/" + name), "shipped " + name.toUtf8());

        // What the user changed or removed stays so; what is missing comes back.
        TestContext::writeFile(user + "/readme.txt", "my notes");
        TestContext::writeFile(user + "/main.ini", "[USER]\r\nNAME=Sam\r\n");
        QVERIFY(QFile::remove(user + "/snds/welcome.mp3"));
        QVERIFY(QFile::link("/nonexistent", user + "/fonts.cmd.tmp"));
        QVERIFY(QFile::remove(user + "/fonts.cmd"));
        QVERIFY(QFile::link(user + "/nowhere", user + "/fonts.cmd")); // the user's dangling link
        QCOMPARE(ProgramDirectory::prepare(choice, &unusable), QStringList());
        QCOMPARE(TestContext::readFile(user + "/readme.txt"), QByteArray("my notes"));
        QVERIFY(QFileInfo(user + "/fonts.cmd").isSymLink());
        QCOMPARE(TestContext::readFile(user + "/snds/welcome.mp3"),
                 QByteArray("shipped snds/welcome.mp3"));
        QCOMPARE(TestContext::readFile(user + "/main.ini"), QByteArray("[USER]\r\nNAME=Sam\r\n"));

        // A missing source is named; the run can still go on.
        const QString other = root.filePath("other");
        const QStringList problems = ProgramDirectory::prepare(
            {other, ProgramDirectory::Layout::Named, root.filePath("absent")}, &unusable);
        QVERIFY(!unusable);
        QCOMPARE(problems.size(), 3);
        QVERIFY2(problems.first().contains("\"readme.txt\" could not be copied"),
                 qPrintable(problems.first()));

        // A file where the directory should be makes the directory unusable.
        TestContext::writeFile(root.filePath("blocked"), "x");
        const QStringList blocked = ProgramDirectory::prepare(
            {root.filePath("blocked/tovrinkin"), ProgramDirectory::Layout::Installed, installed},
            &unusable);
        QVERIFY(unusable);
        QVERIFY2(blocked.first().contains("is not a directory"), qPrintable(blocked.first()));
    }

    void singleInstance_laterStartHandsOver() {
        QTemporaryDir runtime, program;
        SingleInstance first(program.path(), runtime.path());
        QSignalSpy activated(&first, &SingleInstance::activationRequested);
        QCOMPARE(first.start(), SingleInstance::Role::First);

        // The later start blocks while it waits for the answer: it runs beside
        // the event loop that serves the first.
        auto later = std::async(std::launch::async, [&] {
            SingleInstance second(program.path() + "/./", runtime.path());
            return second.start(3000);
        });
        QTRY_COMPARE(activated.count(), 1);
        QCOMPARE(later.get(), SingleInstance::Role::HandedOver);

        // Another program directory runs on its own.
        QTemporaryDir otherProgram;
        SingleInstance other(otherProgram.path(), runtime.path());
        QCOMPARE(other.start(), SingleInstance::Role::First);
        QCOMPARE(activated.count(), 1);
    }

    void singleInstance_staleLockDoesNotBlock() {
        QTemporaryDir runtime, program;
        QString base;
        {
            SingleInstance probe(program.path(), runtime.path());
            base = probe.basePath();
        }
        // A lock and a socket left by a run that was killed: its process is gone.
        const pid_t killed = ::fork();
        if (killed == 0) {
            QLockFile lock(base + ".lock");
            ::_exit(lock.tryLock(0) ? 0 : 1);
        }
        int status = -1;
        QCOMPARE(::waitpid(killed, &status, 0), killed);
        QCOMPARE(status, 0);
        QVERIFY(QFileInfo::exists(base + ".lock"));
        TestContext::writeFile(base + ".socket", "");
        SingleInstance next(program.path(), runtime.path());
        QCOMPARE(next.start(1000), SingleInstance::Role::First);
        QCOMPARE(next.problem(), QString());
    }
};

QTEST_MAIN(ProgramStartTest)
#include "ProgramStartTest.moc"
