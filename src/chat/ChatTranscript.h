#pragma once

#include <QString>
#include <QStringList>

namespace tk::ChatTranscript {

// The transcript file's name in the program directory.
extern const QString kFileName;

// The six lines of one transcript record: the date between runs of 18 and 23
// equals signs, "Report type: CHAT", the transcript's path, the file channel
// number, the spoken line, and the version between runs of 18 and 26.
QStringList record(const QString& date, const QString& transcriptPath, int channel,
                   const QString& spokenLine, const QString& version);

} // namespace tk::ChatTranscript
