#pragma once

#include "FakeClock.h"
#include "RecordingDialogs.h"
#include "RecordingLauncher.h"
#include "platform/core/FileChannels.h"
#include "platform/core/ProgramContext.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace tk::test {

// A program context on temporary directories with recording fakes of every seam.
class TestContext {
public:
    TestContext();
    TestContext(const TestContext&) = delete;
    TestContext& operator=(const TestContext&) = delete;

    QTemporaryDir root;
    FakeClock clock;
    RecordingDialogs dialogs;
    RecordingLauncher launcher;
    FileChannels channels;
    ProgramContext context;

    // The same context with another program directory (which is not created).
    ProgramContext withProgramDir(const QString& programDir);
    // Path of name in the program directory.
    QString programFile(const QString& name) const;
    // The records the questions log holds for these command names, dated by the clock.
    QByteArray questionsLog(const QStringList& names) const;
    // Writes bytes to path, creating directories; fails the test on error.
    static void writeFile(const QString& path, const QByteArray& bytes);
    // The whole content of path, or an empty array when it cannot be read.
    static QByteArray readFile(const QString& path);
};

} // namespace tk::test
