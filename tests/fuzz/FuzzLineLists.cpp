// Line lists: any bytes split into lines without line-end characters, one per
// line end (and one for a last line without), whatever the mix of CR LF, CR
// and LF; the font list reader gives the same lines, within its bounds.
#include "options/FontList.h"
#include "platform/core/FileChannels.h"
#include "platform/core/TextLines.h"

#include <QFile>
#include <QTemporaryFile>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

qsizetype lineEnds(const QByteArray& text) {
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')))
            ++count;
    }
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QStringList lines = tk::splitTextLines(text);
    const bool openLast = !text.isEmpty() && !text.endsWith('\n') && !text.endsWith('\r');
    check(lines.size() == lineEnds(text) + (openLast ? 1 : 0));
    for (const QString& line : lines)
        check(!line.contains(u'\r') && !line.contains(u'\n'));
    // Joined with CR LF and split again, the lines come back the same.
    check(tk::splitTextLines(lines.join(QStringLiteral("\r\n")).toUtf8() +
                             (lines.isEmpty() ? "" : "\r\n")) == lines);

    static QTemporaryFile file;
    if (!file.isOpen())
        check(file.open());
    file.resize(0);
    file.seek(0);
    file.write(text);
    file.flush();
    tk::FileChannels channels;
    const QStringList entries = tk::FontList::read(file.fileName(), channels);
    check(entries.size() <= tk::FontList::kMaxEntries);
    check(entries.size() == lines.size());
    for (qsizetype i = 0; i < entries.size(); ++i)
        // Long lines are cut at the bound, one less before half a character.
        check(entries[i] == lines[i].left(entries[i].size()) &&
              entries[i].size() >=
                  std::min<qsizetype>(lines[i].size(), tk::FontList::kMaxEntryLength - 1));
    check(!channels.isHeld(tk::FontList::kChannel));
    return 0;
}
