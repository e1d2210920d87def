#include "CommandLine.h"

#include "platform/ProgramIdentity.h"

namespace tk {

CommandLine::Parsed CommandLine::parse(const QStringList& arguments) {
    Parsed parsed;
    const QString dirOption = QStringLiteral("--program-dir");
    const auto fail = [&parsed](const QString& error) {
        parsed.action = Action::Fail;
        parsed.programDir.clear();
        parsed.error = error;
        return parsed;
    };
    bool dirGiven = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            parsed.action = Action::ShowHelp;
            return parsed; // help wins over anything else on the line
        }
        if (argument == QLatin1String("--version")) {
            parsed.action = Action::ShowVersion;
            continue;
        }
        QString dir;
        if (argument == dirOption) {
            if (i + 1 >= arguments.size())
                return fail(QStringLiteral("option '--program-dir' needs a directory"));
            dir = arguments.at(++i);
        } else if (argument.startsWith(dirOption + QLatin1Char('='))) {
            dir = argument.mid(dirOption.size() + 1);
        } else if (argument.startsWith(QLatin1Char('-'))) {
            return fail(QStringLiteral("unknown option '%1'").arg(argument));
        } else {
            return fail(QStringLiteral("unexpected argument '%1'").arg(argument));
        }
        if (dir.isEmpty())
            return fail(QStringLiteral("option '--program-dir' needs a directory"));
        if (dirGiven)
            return fail(QStringLiteral("option '--program-dir' is given twice"));
        dirGiven = true;
        parsed.programDir = dir;
    }
    return parsed;
}

QString CommandLine::usage(const QString& programName) {
    return QStringLiteral(
               "Usage: %1 [OPTION]...\n"
               "%2, a desktop companion: Tovrin stands on the desktop, talks, listens\n"
               "for spoken commands and offers a pop-up menu.\n"
               "\n"
               "Options:\n"
               "  --program-dir DIR  keep the program's files (settings, logs, character)\n"
               "                     in DIR instead of the usual place\n"
               "  -h, --help         print this help and exit\n"
               "      --version      print the version and exit\n"
               "\n"
               "Without --program-dir the files are kept beside the executable when it\n"
               "ships with them there and that directory may be written, otherwise in\n"
               "$XDG_DATA_HOME/tovrinkin (~/.local/share/tovrinkin).\n")
        .arg(programName, QString::fromUtf8(identity::kProductName));
}

QString CommandLine::versionLine() {
    return QStringLiteral("%1 (%2) %3\n")
        .arg(QString::fromUtf8(identity::kExecutableName),
             QString::fromUtf8(identity::kProductName),
             QString::fromUtf8(identity::kVersionString));
}

} // namespace tk
