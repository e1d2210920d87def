#include "agent/listening/PronunciationLexicon.h"

#include "agent/listening/EspeakPhonemes.h"

#include <QFile>

namespace tk::agent::listening {

namespace {

// "what's(2)" -> "what's"
QByteArray baseWord(const QByteArray& key) {
    if (key.endsWith(')')) {
        const qsizetype open = key.lastIndexOf('(');
        if (open > 0)
            return key.left(open);
    }
    return key;
}

} // namespace

PronunciationLexicon PronunciationLexicon::read(QIODevice& device, const QSet<QString>* wanted) {
    PronunciationLexicon lexicon;
    while (!device.atEnd()) {
        const QByteArray line = device.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#'))
            continue;
        const qsizetype split = line.indexOf(' ');
        const qsizetype tab = line.indexOf('\t');
        const qsizetype end = split < 0 ? tab : (tab < 0 ? split : std::min(split, tab));
        if (end <= 0)
            continue;
        const QString word = QString::fromUtf8(baseWord(line.left(end)));
        if (wanted && !wanted->contains(word))
            continue;
        lexicon.add(word, QString::fromUtf8(line.mid(end)));
    }
    return lexicon;
}

PronunciationLexicon PronunciationLexicon::readFile(const QString& path,
                                                    const QSet<QString>* wanted) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return read(file, wanted);
}

QStringList PronunciationLexicon::words() const {
    QStringList words = m_entries.keys();
    words.sort();
    return words;
}

void PronunciationLexicon::add(const QString& word, const QString& pronunciation) {
    const QStringList phones =
        pronunciation.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (word.isEmpty() || phones.isEmpty() ||
        !std::all_of(phones.begin(), phones.end(), isRecognizerPhone))
        return;
    QStringList& known = m_entries[word];
    const QString joined = phones.join(QLatin1Char(' '));
    if (!known.contains(joined))
        known.append(joined);
}

} // namespace tk::agent::listening
