#include "SystemReport.h"

#include "platform/core/Clock.h"
#include "platform/core/FileChannels.h"
#include "platform/core/FileLookup.h"
#include "platform/core/ProgramContext.h"
#include "platform/core/ProgramPaths.h"
#include "platform/core/RecordAppender.h"
#include "platform/core/VersionText.h"

#include <QFile>

namespace tk {

namespace {
// The report file always goes out under this channel number.
constexpr int kReportChannel = 2;
} // namespace

QString SystemReport::systemSettingsName() {
    return QStringLiteral("os-release");
}

QStringList SystemReport::recordLines(const QString& dateText, const QString& programDir,
                                      qint64 systemSettingsSize, const QString& versionText) {
    return {
        QString(18, QLatin1Char('=')) + dateText + QString(20, QLatin1Char('=')),
        QString(), // kept empty: the record has five lines, as readers of the file expect
        QStringLiteral("PATH: ") + programDir,
        QString::number(systemSettingsSize) + QStringLiteral(" Bytes"),
        QString(14, QLatin1Char('=')) + versionText + QString(14, QLatin1Char('=')),
    };
}

SystemReport::Result SystemReport::cek(const ProgramContext& context) {
    Result result;
    result.reportPath = programFile(context.programDir, QStringLiteral("winlog.tz"));
    const QString version = programVersionText();

    if (storedFileName(context.systemSettingsFile) != systemSettingsName()) {
        result.outcome = Outcome::NoSystemSettingsFile;
        return result;
    }

    // The size is taken from the opened file; its full 64-bit value is written.
    qint64 size = 0;
    {
        const ChannelLease channel = context.channels.acquireLowest();
        QFile settings(context.systemSettingsFile);
        if (!settings.open(QIODevice::ReadOnly)) {
            // Present but unreadable (permissions): like a missing one, no report.
            result.outcome = Outcome::NoSystemSettingsFile;
            return result;
        }
        size = settings.size();
    }

    const QStringList lines =
        recordLines(context.clock.shortDateText(), context.programDir, size, version);

    const ChannelLease channel = context.channels.acquireFixed(kReportChannel);
    if (const Status written = appendRecord(result.reportPath, lines); !written.isOk()) {
        result.error = written.message();
        result.outcome = Outcome::WriteFailed;
        return result;
    }
    result.outcome = Outcome::Written;
    return result;
}

} // namespace tk
