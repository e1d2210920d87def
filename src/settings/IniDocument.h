#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace tk {

// A settings file in the sectioned key=value format, read and changed with the
// observable results of the classic private-profile functions:
// - section and key names compare case-insensitively (ASCII); blanks and tabs
//   around names and values are ignored; a section line ends at the first ']';
// - a line whose first non-blank character is ';' is a comment ('#' is not);
// - on read, one matching pair of outer quotes is removed from the value;
// - the first matching section and key win; later duplicates are left alone;
// - a change rewrites only the line of the key, adds a new key after the last key
//   of its section and a new section at the end; every other byte is kept.
class IniDocument {
public:
    // Parses file content; a UTF-8 byte-order mark at the start is tolerated.
    explicit IniDocument(QByteArray content = {});

    // The value of key in section, or nothing when the key is absent.
    std::optional<QString> value(const QString& section, const QString& key) const;

    // Sets key in section to value. Returns false (and changes nothing) for a
    // section or key name that the format cannot hold.
    bool setValue(const QString& section, const QString& key, const QString& value);

    // The file content, with new and changed lines ended by CR LF.
    QByteArray content() const;

private:
    enum class Kind { Other, Section, Key };
    struct Line {
        QByteArray text;   // without line end
        QByteArray ending; // "\r\n", "\n", "\r" or "" for a last line without end
        Kind kind = Kind::Other;
        QByteArray name;     // section or key name, trimmed
        QByteArray rawValue; // key value, trimmed, quotes kept
    };

    static Line parseLine(const QByteArray& text, const QByteArray& ending);
    // Index of the first section line named section, or -1.
    qsizetype findSection(const QByteArray& section) const;
    // Index of the first key line named key inside the section starting at sectionLine, or -1.
    qsizetype findKey(qsizetype sectionLine, const QByteArray& key) const;

    QByteArray m_bom;
    QList<Line> m_lines;
};

} // namespace tk
