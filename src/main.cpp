// Tovrin Kin: reads the command line and runs the program.
#include "app/DesktopProgram.h"
#include "platform/core/CommandLine.h"

#include <QFileInfo>
#include <QStringList>
#include <cstdio>

int main(int argc, char* argv[]) {
    const QString invokedAs = QString::fromLocal8Bit(argc > 0 ? argv[0] : "tovrinkin");
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const tk::CommandLine::Parsed commandLine = tk::CommandLine::parse(arguments);
    const QString usage = tk::CommandLine::usage(QFileInfo(invokedAs).fileName());
    switch (commandLine.action) {
    case tk::CommandLine::Action::ShowHelp:
        std::fputs(qPrintable(usage), stdout);
        return 0;
    case tk::CommandLine::Action::ShowVersion:
        std::fputs(qPrintable(tk::CommandLine::versionLine()), stdout);
        return 0;
    case tk::CommandLine::Action::Fail:
        std::fprintf(stderr, "tovrinkin: %s\n%s", qPrintable(commandLine.error), qPrintable(usage));
        return 2;
    case tk::CommandLine::Action::Run:
        break;
    }
    return tk::runDesktopProgram(argc, argv, commandLine.programDir);
}
