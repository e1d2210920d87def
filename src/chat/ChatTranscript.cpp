#include "ChatTranscript.h"

namespace tk::ChatTranscript {

const QString kFileName = QStringLiteral("log.tz");

QStringList record(const QString& date, const QString& transcriptPath, int channel,
                   const QString& spokenLine, const QString& version) {
    const QString equals18(18, QLatin1Char('='));
    return {equals18 + date + QString(23, QLatin1Char('=')),
            QStringLiteral("Report type: CHAT"),
            transcriptPath,
            QString::number(channel),
            spokenLine,
            equals18 + version + QString(26, QLatin1Char('='))};
}

} // namespace tk::ChatTranscript
