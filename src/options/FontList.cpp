#include "FontList.h"

#include "platform/core/FileChannels.h"
#include "platform/core/TextLines.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace tk::FontList {

const QString kFileName = QStringLiteral("fonts.cmd");

namespace {

// Where text ends after its first maxLines lines (CR LF, lone CR and lone LF
// each end one line), or its size when it has no more lines than that.
qsizetype endOfFirstLines(const QByteArray& text, int maxLines) {
    int lines = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char c = text.at(i);
        if (c != '\r' && c != '\n')
            continue;
        if (c == '\r' && i + 1 < size && text.at(i + 1) == '\n')
            ++i;
        if (++lines == maxLines)
            return i + 1;
    }
    return size;
}

// Cuts a line that is too long to show, never between the halves of a character.
QString boundedEntry(QString entry) {
    if (entry.size() <= kMaxEntryLength)
        return entry;
    qsizetype length = kMaxEntryLength;
    if (entry.at(length - 1).isHighSurrogate())
        --length;
    entry.truncate(length);
    return entry;
}

} // namespace

QStringList read(const QString& path, FileChannels& channels) {
    // Pipes and devices are no font lists: reading them could block or never end.
    if (!QFileInfo(path).isFile())
        return {};
    const ChannelLease channel = channels.acquireFixed(kChannel);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // Asks for no more than the file holds: a buffer of the bound would cost
    // megabytes on every opening.
    QByteArray text = file.read(std::min(file.size(), kMaxBytes) + 1);
    file.close();
    if (text.size() > kMaxBytes) {
        // The file goes on: leave off the line that the bound cut in two.
        text.truncate(kMaxBytes);
        const qsizetype lastEnd = std::max(text.lastIndexOf('\n'), text.lastIndexOf('\r'));
        if (lastEnd >= 0)
            text.truncate(lastEnd + 1);
    }
    text.truncate(endOfFirstLines(text, kMaxEntries));

    QStringList entries = splitTextLines(text);
    for (QString& entry : entries) {
        if (entry.size() > kMaxEntryLength)
            entry = boundedEntry(std::move(entry));
    }
    return entries;
}

} // namespace tk::FontList
