#pragma once

#include <QString>
#include <QStringList>

namespace tk {

class FileChannels;

// The font list file fonts.cmd: one entry per line, shown and never interpreted.
namespace FontList {

// The file's name in the program directory and its fixed file channel number.
extern const QString kFileName;
constexpr int kChannel = 6;

// Bounds that keep a huge or junk file from freezing the window: no real font
// list comes near them. Reading stops after kMaxBytes or kMaxEntries lines, and
// an entry longer than kMaxEntryLength characters is cut there.
constexpr qint64 kMaxBytes = 8 * 1024 * 1024;
constexpr int kMaxEntries = 200000;
constexpr int kMaxEntryLength = 1000;

// The entries of the font list file at path, in file order: each line unchanged
// (empty lines are empty entries; a line end at the very end adds none), within
// the bounds above. A missing, unreadable or non-regular file gives no entries.
// The file is open under channel kChannel while it is read.
QStringList read(const QString& path, FileChannels& channels);

} // namespace FontList
} // namespace tk
