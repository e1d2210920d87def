#include "TextLines.h"

#include <QString>

namespace tk {

QStringList splitTextLines(const QByteArray& text) {
    QStringList lines;
    qsizetype start = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char c = text.at(i);
        if (c != '\r' && c != '\n')
            continue;
        lines.append(QString::fromUtf8(text.constData() + start, i - start));
        if (c == '\r' && i + 1 < size && text.at(i + 1) == '\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        lines.append(QString::fromUtf8(text.constData() + start, size - start));
    return lines;
}

} // namespace tk
