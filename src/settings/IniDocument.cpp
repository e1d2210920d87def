#include "IniDocument.h"

namespace tk {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

QByteArray trimBlanks(const QByteArray& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

bool sameName(const QByteArray& a, const QByteArray& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QByteArray unquoted(const QByteArray& raw) {
    if (raw.size() >= 2) {
        const char first = raw.front();
        if ((first == '"' || first == '\'') && raw.back() == first)
            return raw.mid(1, raw.size() - 2);
    }
    return raw;
}

// The text to store so that a later read gives value back unchanged: line
// breaks (which would split the line) become blanks, and a value that a read
// would trim or unquote is put in quotes.
QByteArray storedValue(const QString& value) {
    QByteArray bytes = value.toUtf8();
    bytes.replace('\r', ' ').replace('\n', ' ');
    if (bytes.isEmpty())
        return bytes;
    const bool trimmedByRead = isBlank(bytes.front()) || isBlank(bytes.back());
    const bool unquotedByRead = unquoted(bytes).size() != bytes.size();
    if (trimmedByRead || unquotedByRead)
        return '"' + bytes + '"';
    return bytes;
}

bool validName(const QByteArray& name) {
    return !name.contains('\r') && !name.contains('\n') && !name.contains(']') &&
           !name.contains('=') && !trimBlanks(name).isEmpty() && !name.startsWith(';') &&
           !name.startsWith('[');
}

} // namespace

IniDocument::IniDocument(QByteArray content) {
    if (content.startsWith("\xEF\xBB\xBF")) {
        m_bom = content.left(3);
        content.remove(0, 3);
    }
    qsizetype start = 0;
    const qsizetype size = content.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char c = content.at(i);
        if (c != '\r' && c != '\n')
            continue;
        qsizetype endLength = 1;
        if (c == '\r' && i + 1 < size && content.at(i + 1) == '\n')
            endLength = 2;
        m_lines.append(parseLine(content.mid(start, i - start), content.mid(i, endLength)));
        i += endLength - 1;
        start = i + 1;
    }
    if (start < size)
        m_lines.append(parseLine(content.mid(start), QByteArray()));
}

IniDocument::Line IniDocument::parseLine(const QByteArray& text, const QByteArray& ending) {
    Line line{text, ending, Kind::Other, {}, {}};
    const QByteArray trimmed = trimBlanks(text);
    if (trimmed.isEmpty() || trimmed.startsWith(';'))
        return line;
    if (trimmed.startsWith('[')) {
        const qsizetype close = trimmed.indexOf(']');
        line.kind = Kind::Section;
        line.name = trimBlanks(trimmed.mid(1, close < 0 ? -1 : close - 1));
        return line;
    }
    line.kind = Kind::Key;
    const qsizetype equals = trimmed.indexOf('=');
    if (equals < 0) {
        line.name = trimmed;
    } else {
        line.name = trimBlanks(trimmed.left(equals));
        line.rawValue = trimBlanks(trimmed.mid(equals + 1));
    }
    return line;
}

qsizetype IniDocument::findSection(const QByteArray& section) const {
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind == Kind::Section && sameName(m_lines[i].name, section))
            return i;
    }
    return -1;
}

qsizetype IniDocument::findKey(qsizetype sectionLine, const QByteArray& key) const {
    for (qsizetype i = sectionLine + 1; i < m_lines.size(); ++i) {
        if (m_lines[i].kind == Kind::Section)
            break;
        if (m_lines[i].kind == Kind::Key && sameName(m_lines[i].name, key))
            return i;
    }
    return -1;
}

std::optional<QString> IniDocument::value(const QString& section, const QString& key) const {
    const qsizetype sectionLine = findSection(trimBlanks(section.toUtf8()));
    if (sectionLine < 0)
        return std::nullopt;
    const qsizetype keyLine = findKey(sectionLine, trimBlanks(key.toUtf8()));
    if (keyLine < 0)
        return std::nullopt;
    return QString::fromUtf8(unquoted(m_lines[keyLine].rawValue));
}

bool IniDocument::setValue(const QString& section, const QString& key, const QString& value) {
    const QByteArray sectionName = trimBlanks(section.toUtf8());
    const QByteArray keyName = trimBlanks(key.toUtf8());
    if (!validName(sectionName) || !validName(keyName))
        return false;
    const QByteArray stored = storedValue(value);

    const qsizetype sectionLine = findSection(sectionName);
    if (sectionLine >= 0) {
        const qsizetype keyLine = findKey(sectionLine, keyName);
        if (keyLine >= 0) {
            Line& line = m_lines[keyLine];
            line = parseLine(line.name + '=' + stored, "\r\n");
            return true;
        }
        // After the last key of the section, or right after its header.
        qsizetype insertAfter = sectionLine;
        for (qsizetype i = sectionLine + 1; i < m_lines.size(); ++i) {
            if (m_lines[i].kind == Kind::Section)
                break;
            if (m_lines[i].kind == Kind::Key)
                insertAfter = i;
        }
        if (m_lines[insertAfter].ending.isEmpty())
            m_lines[insertAfter].ending = "\r\n";
        m_lines.insert(insertAfter + 1, parseLine(keyName + '=' + stored, "\r\n"));
        return true;
    }
    if (!m_lines.isEmpty() && m_lines.back().ending.isEmpty())
        m_lines.back().ending = "\r\n";
    m_lines.append(parseLine('[' + sectionName + ']', "\r\n"));
    m_lines.append(parseLine(keyName + '=' + stored, "\r\n"));
    return true;
}

QByteArray IniDocument::content() const {
    QByteArray out = m_bom;
    for (const Line& line : m_lines)
        out += line.text + line.ending;
    return out;
}

} // namespace tk
