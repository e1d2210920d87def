#pragma once

#include <QByteArray>
#include <QStringList>

namespace tk {

// Splits file text into lines. A line ends at CR LF, a lone CR or a lone LF; the
// line end is not part of the line; a line end at the very end adds no empty line.
QStringList splitTextLines(const QByteArray& text);

} // namespace tk
