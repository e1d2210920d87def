// Kills writers of the program's files at random moments and counts what the
// kills leave behind: torn or lost log records, corrupt or lost settings, and
// temporary files. Scenarios:
//   log       two writer processes appending records of --record-bytes to one log
//   settings  two writer processes changing different keys of main.ini
//   program   the real program (--program), started and killed during its start
// Usage: bench_kill [--runs N] [--record-bytes B] [--seconds S] [--seed X]
//                   [--program PATH] [--only log|settings|program]
// Run it with `nice -n 10`; each scenario stops after --seconds.

#include "platform/core/RecordAppender.h"
#include "settings/IniDocument.h"
#include "settings/PrivateProfile.h"
#include "settings/modo.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTextStream>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

using namespace tk;

namespace {

struct Options {
    int runs = 1000;
    int recordBytes = 5 * 1024;
    int seconds = 120;
    unsigned seed = 1;
    QString program;
    QString only;
};

struct Counts {
    int runs = 0;
    int kills = 0;
    int tornAtKill = 0;    // records cut by a kill, before the next append repairs them
    int tornAfterNext = 0; // records still torn after the next append: must stay 0
    int lost = 0;          // acknowledged writes that are not in the file
    int corrupt = 0;       // settings files that are not well-formed
    int tempsAfterKill = 0;
    int tempsAfterNext = 0; // must stay 0
    qint64 slowestNextMs = 0;
};

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int temporaries(const QString& settings) {
    const QFileInfo info(settings);
    return info.dir()
        .entryList({info.fileName() + ".tmp.*", info.fileName() + ".??????"}, QDir::Files)
        .size();
}

// A writer process: runs body(seq) for seq = first, first + 1, ... and reports
// each one that succeeded through the pipe, until it is killed.
template <typename Body> pid_t startWriter(qint64 first, int* readEnd, Body body) {
    int fds[2];
    if (::pipe(fds) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        for (qint64 seq = first;; ++seq) {
            if (body(seq))
                (void)!::write(fds[1], &seq, sizeof seq);
        }
    }
    ::close(fds[1]);
    ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
    *readEnd = fds[0];
    return pid;
}

// The last sequence number the writer reported, or -1.
qint64 lastReported(int readEnd) {
    qint64 last = -1;
    qint64 seq = 0;
    while (::read(readEnd, &seq, sizeof seq) == sizeof seq)
        last = seq;
    ::close(readEnd);
    return last;
}

void killAtRandom(const std::vector<pid_t>& pids, std::mt19937& random, int maxDelayUs) {
    std::uniform_int_distribution<int> delay(0, maxDelayUs);
    for (const pid_t pid : pids) {
        ::usleep(static_cast<useconds_t>(delay(random)));
        ::kill(pid, SIGKILL);
    }
    for (const pid_t pid : pids)
        ::waitpid(pid, nullptr, 0);
}

// --- log records -----------------------------------------------------------

QStringList logRecord(int writer, qint64 seq, int bytes) {
    QStringList lines{QStringLiteral("===== w%1 #%2").arg(writer).arg(seq)};
    int left = bytes;
    for (int line = 0; left > 0; ++line) {
        const int length = std::min(left, 76);
        lines.append(QString(length, QChar(static_cast<char16_t>(u'a' + (seq + line) % 26))));
        left -= length + 2;
    }
    lines.append(QStringLiteral("===== end w%1 #%2").arg(writer).arg(seq));
    return lines;
}

// Checks that the log holds whole records only; counts torn ones and collects
// the sequence numbers of the whole ones per writer.
int tornRecords(const QByteArray& log, int recordBytes, QHash<int, QSet<qint64>>* whole) {
    if (log.isEmpty())
        return 0;
    QList<QByteArray> lines = log.split('\n');
    int torn = lines.last().isEmpty() ? 0 : 1; // a tail without a line end
    lines.removeLast();
    static const QRegularExpression header(QStringLiteral("^===== w(\\d+) #(\\d+)$"));
    for (qsizetype i = 0; i < lines.size();) {
        const QByteArray line = lines[i];
        const QRegularExpressionMatch match = header.match(QString::fromLatin1(line.chopped(1)));
        if (!line.endsWith('\r') || !match.hasMatch()) {
            if (!line.startsWith("===== driver"))
                ++torn;
            // Skip to the next header.
            for (++i; i < lines.size() && !lines[i].startsWith("===== w"); ++i) {
            }
            continue;
        }
        const int writer = match.captured(1).toInt();
        const qint64 seq = match.captured(2).toLongLong();
        QStringList expected = logRecord(writer, seq, recordBytes);
        qsizetype j = 0;
        for (; j < expected.size() && i + j < lines.size(); ++j) {
            if (lines[i + j] != expected[j].toLatin1() + '\r')
                break;
        }
        if (j == expected.size()) {
            (*whole)[writer].insert(seq);
            i += j;
        } else {
            ++torn;
            for (i += std::max<qsizetype>(j, 1);
                 i < lines.size() && !lines[i].startsWith("===== w"); ++i) {
            }
        }
    }
    return torn;
}

Counts logScenario(const Options& options, const QString& dir, std::mt19937& random) {
    Counts counts;
    const QStringList names{"log.tz", "questions.mlp", "winlog.tz"};
    QElapsedTimer clock;
    clock.start();
    for (int run = 0; run < options.runs && clock.elapsed() < options.seconds * 1000; ++run) {
        const QString log = dir + "/" + names[run % names.size()];
        QFile::remove(log);
        std::vector<pid_t> pids;
        int pipes[2];
        for (int writer = 1; writer <= 2; ++writer) {
            pids.push_back(startWriter(1, &pipes[writer - 1], [&, writer](qint64 seq) {
                return appendRecord(log, logRecord(writer, seq, options.recordBytes)).isOk();
            }));
        }
        ::usleep(std::uniform_int_distribution<int>(1000, 20000)(random));
        killAtRandom(pids, random, 3000);
        counts.kills += 2;
        const qint64 acked[2] = {lastReported(pipes[0]), lastReported(pipes[1])};

        QHash<int, QSet<qint64>> whole;
        counts.tornAtKill += tornRecords(readAll(log), options.recordBytes, &whole) > 0 ? 1 : 0;
        QElapsedTimer next;
        next.start();
        (void)appendRecord(log, {"===== driver"});
        counts.slowestNextMs = std::max(counts.slowestNextMs, next.elapsed());
        whole.clear();
        counts.tornAfterNext += tornRecords(readAll(log), options.recordBytes, &whole);
        for (int writer = 1; writer <= 2; ++writer) {
            for (qint64 seq = 1; seq <= acked[writer - 1]; ++seq)
                counts.lost += whole[writer].contains(seq) ? 0 : 1;
        }
        counts.tempsAfterNext += QFileInfo::exists(appendJournalPath(log)) ? 1 : 0;
        ++counts.runs;
    }
    return counts;
}

// --- settings --------------------------------------------------------------

// A settings file as the writers leave it: sections and key lines only, each
// ended by CR LF, no section twice.
bool wellFormed(const QByteArray& content) {
    if (content.isEmpty())
        return true;
    if (!content.endsWith("\r\n"))
        return false;
    static const QRegularExpression line(QStringLiteral("^(\\[[A-Z0-9]+\\]|[A-Z]+=[0-9]+)\r$"));
    QSet<QByteArray> sections;
    QList<QByteArray> lines = content.split('\n');
    lines.removeLast(); // after the last line end
    for (const QByteArray& text : lines) {
        if (!line.match(QString::fromLatin1(text)).hasMatch())
            return false;
        if (text.startsWith('[')) {
            if (sections.contains(text))
                return false;
            sections.insert(text);
        }
    }
    return true;
}

Counts settingsScenario(const Options& options, const QString& dir, std::mt19937& random) {
    Counts counts;
    const QString ini = dir + "/main.ini";
    QElapsedTimer clock;
    clock.start();
    for (int run = 0; run < options.runs && clock.elapsed() < options.seconds * 1000; ++run) {
        std::vector<pid_t> pids;
        int pipes[2];
        for (int writer = 1; writer <= 2; ++writer) {
            const QString section = QStringLiteral("W%1").arg(writer);
            const qint64 first = modo::readini(section, "N", "0", ini).toLongLong() + 1;
            pids.push_back(startWriter(first, &pipes[writer - 1], [ini, section](qint64 seq) {
                return modo::writeini(section, "N", QString::number(seq), ini).isOk();
            }));
        }
        ::usleep(std::uniform_int_distribution<int>(2000, 30000)(random));
        killAtRandom(pids, random, 5000);
        counts.kills += 2;
        for (int writer = 1; writer <= 2; ++writer) {
            const qint64 acked = lastReported(pipes[writer - 1]);
            const qint64 stored =
                modo::readini(QStringLiteral("W%1").arg(writer), "N", "", ini).toLongLong();
            counts.lost += acked > stored ? 1 : 0;
        }
        counts.corrupt += wellFormed(readAll(ini)) ? 0 : 1;
        counts.tempsAfterKill += temporaries(ini);
        QElapsedTimer next;
        next.start();
        (void)modo::writeini("BENCH", "RUN", QString::number(run), ini);
        counts.slowestNextMs = std::max(counts.slowestNextMs, next.elapsed());
        counts.tempsAfterNext += temporaries(ini);
        ++counts.runs;
    }
    return counts;
}

// --- the real program --------------------------------------------------------

// The program's own files come with its first start; the character file is
// copied here, as from the platform's character directory.
bool prepareProgramDir(const QString& program, const QString& dir) {
    const QString character = QFileInfo(program).dir().filePath(QStringLiteral("tovrin.acs"));
    return QFile::copy(character, dir + "/tovrin.acs");
}

int tornReports(const QByteArray& log) {
    if (log.isEmpty())
        return 0;
    QList<QByteArray> lines = log.split('\n');
    int torn = lines.last().isEmpty() ? 0 : 1;
    lines.removeLast();
    static const QRegularExpression first(QStringLiteral("^={18}.*={20}\r$"));
    for (qsizetype i = 0; i < lines.size();) {
        const bool whole = i + 4 < lines.size() &&
                           first.match(QString::fromUtf8(lines[i])).hasMatch() &&
                           lines[i + 1] == "\r" && lines[i + 2].startsWith("PATH: ") &&
                           lines[i + 3].endsWith(" Bytes\r") && lines[i + 4].startsWith("=====");
        if (whole) {
            i += 5;
        } else {
            ++torn;
            for (++i; i < lines.size() && !first.match(QString::fromUtf8(lines[i])).hasMatch();
                 ++i) {
            }
        }
    }
    return torn;
}

Counts programScenario(const Options& options, const QString& dir, std::mt19937& random) {
    Counts counts;
    if (!prepareProgramDir(options.program, dir)) {
        std::fprintf(stderr, "bench_kill: no tovrin.acs beside %s\n", qPrintable(options.program));
        return counts;
    }
    const QByteArray executable = QFile::encodeName(options.program);
    const QByteArray programDir = QFile::encodeName(dir);
    const QByteArray runtimeDir = QFile::encodeName(dir + "-runtime");
    QDir().mkpath(dir + "-runtime");
    const QString ini = dir + "/main.ini";
    const QByteArray kept = "[USER]\r\nNAME=Kim\r\n[MAIN]\r\nLSOUND=0\r\n";
    QElapsedTimer clock;
    clock.start();
    const int runs = std::min(options.runs, 200);
    for (int run = 0; run < runs && clock.elapsed() < options.seconds * 1000; ++run) {
        // Every other start is a first run: it writes the marker twice.
        if (run % 2 == 0) {
            QFile file(ini);
            if (file.open(QIODevice::WriteOnly))
                file.write(kept);
        }
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            ::setenv("XDG_RUNTIME_DIR", runtimeDir.constData(), 1);
            const int devnull = ::open("/dev/null", O_WRONLY);
            ::dup2(devnull, 1);
            ::dup2(devnull, 2);
            ::execl(executable.constData(), "tovrinkin", "--program-dir", programDir.constData(),
                    nullptr);
            ::_exit(127);
        }
        ::usleep(std::uniform_int_distribution<int>(0, 1500000)(random));
        killAtRandom({pid}, random, 0);
        ++counts.kills;
        const QByteArray content = readAll(ini);
        const IniDocument document(content);
        const bool keptWhole = document.value("USER", "NAME") == QStringLiteral("Kim") &&
                               document.value("MAIN", "LSOUND") == QStringLiteral("0") &&
                               content.endsWith("\r\n");
        counts.corrupt += keptWhole ? 0 : 1;
        counts.tempsAfterKill += temporaries(ini);
        counts.tornAtKill += tornReports(readAll(dir + "/winlog.tz")) > 0 ? 1 : 0;
        QElapsedTimer next;
        next.start();
        (void)modo::writeini("BENCH", "RUN", QString::number(run), ini);
        (void)appendRecord(dir + "/winlog.tz", {QString(18, '=') + "next" + QString(20, '='), "",
                                                "PATH: bench", "0 Bytes", "=====1====="});
        counts.slowestNextMs = std::max(counts.slowestNextMs, next.elapsed());
        counts.tempsAfterNext += temporaries(ini);
        // The report file is kept across runs: this counts what it holds now.
        counts.tornAfterNext = tornReports(readAll(dir + "/winlog.tz"));
        ++counts.runs;
    }
    return counts;
}

void print(const char* name, const Counts& c) {
    std::printf("%-34s %6d %6d %10d %12d %6d %8d %11d %11d %10lld\n", name, c.runs, c.kills,
                c.tornAtKill, c.tornAfterNext, c.lost, c.corrupt, c.tempsAfterKill,
                c.tempsAfterNext, static_cast<long long>(c.slowestNextMs));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Options options;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        const QString& key = args[i];
        const QString& value = args[i + 1];
        if (key == "--runs")
            options.runs = value.toInt();
        else if (key == "--record-bytes")
            options.recordBytes = value.toInt();
        else if (key == "--seconds")
            options.seconds = value.toInt();
        else if (key == "--seed")
            options.seed = value.toUInt();
        else if (key == "--program")
            options.program = value;
        else if (key == "--only")
            options.only = value;
    }
    std::mt19937 random(options.seed);
    std::printf("%-34s %6s %6s %10s %12s %6s %8s %11s %11s %10s\n", "scenario", "runs", "kills",
                "torn@kill", "torn@next", "lost", "corrupt", "temps@kill", "temps@next", "next-ms");
    // On the disk the program uses, not in memory: writes there can be cut.
    QTemporaryDir dir(QDir::currentPath() + "/kill-bench-XXXXXX");
    const auto want = [&](const QString& name) {
        return options.only.isEmpty() || options.only == name;
    };
    if (want("log")) {
        const QByteArray name =
            QStringLiteral("logs, two writers, %1 B records").arg(options.recordBytes).toLatin1();
        print(name.constData(), logScenario(options, dir.path(), random));
    }
    if (want("settings"))
        print("main.ini, two writers", settingsScenario(options, dir.path(), random));
    if (want("program")) {
        if (options.program.isEmpty()) {
            std::printf("program: skipped (no --program given)\n");
        } else {
            QDir(dir.path()).mkdir("program");
            print("the program, killed while starting",
                  programScenario(options, dir.path() + "/program", random));
        }
    }
    return 0;
}
