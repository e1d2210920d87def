// Settings document: any bytes parse and give themselves back unchanged; a
// value that is set reads back as set; every other key keeps its value.
#include "settings/IniDocument.h"

#include <QList>
#include <cstdint>
#include <cstdlib>

using tk::IniDocument;

namespace {

// The input is "<document>\0<section>\0<key>\0<value>": the names and value
// come from the fuzzer as well, so awkward ones are tried too.
QList<QByteArray> fields(const uint8_t* data, size_t size) {
    QList<QByteArray> parts =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size))
            .split('\0');
    while (parts.size() < 4)
        parts.append(QByteArray());
    return parts;
}

// The value a read gives for a value that was set: line breaks became blanks.
QString expectedRead(QString value) {
    return value.replace(u'\r', u' ').replace(u'\n', u' ');
}

// Section and key names that appear in the document, to check they stay.
QList<std::pair<QString, QString>> namesIn(const QByteArray& document) {
    QList<std::pair<QString, QString>> names;
    QString section;
    for (QByteArray line : document.split('\n')) {
        line = line.trimmed();
        if (line.startsWith('[')) {
            section = QString::fromUtf8(line.mid(1, line.indexOf(']') - 1)).trimmed();
        } else if (line.contains('=')) {
            names.append({section, QString::fromUtf8(line.left(line.indexOf('='))).trimmed()});
        }
        if (names.size() >= 64)
            break;
    }
    return names;
}

void check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QList<QByteArray> parts = fields(data, size);
    const QByteArray document = parts[0];
    const QString section = QString::fromUtf8(parts[1]);
    const QString key = QString::fromUtf8(parts[2]);
    const QString value = QString::fromUtf8(parts[3]);

    IniDocument parsed(document);
    check(parsed.content() == document);

    const QList<std::pair<QString, QString>> others = namesIn(document);
    QList<std::optional<QString>> before;
    for (const auto& [otherSection, otherKey] : others)
        before.append(parsed.value(otherSection, otherKey));

    if (!parsed.setValue(section, key, value))
        return 0;
    check(parsed.value(section, key) == expectedRead(value));
    // What was written reads the same after a round trip through bytes.
    const IniDocument reread(parsed.content());
    check(reread.value(section, key) == expectedRead(value));
    check(reread.content() == parsed.content());
    for (qsizetype i = 0; i < others.size(); ++i) {
        const auto& [otherSection, otherKey] = others[i];
        const bool same =
            otherSection.trimmed().compare(section.trimmed(), Qt::CaseInsensitive) == 0 &&
            otherKey.trimmed().compare(key.trimmed(), Qt::CaseInsensitive) == 0;
        if (!same)
            check(reread.value(otherSection, otherKey) == before[i]);
    }
    return 0;
}
