#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

class QIODevice;

namespace tk::agent::listening {

// Words and their pronunciations in the recognizer's phones, read from text in
// the model dictionary's format: one "word PH PH ..." per line, further
// pronunciations as "word(2) PH ...". Lines starting with ";" or "#" are comments.
class PronunciationLexicon {
public:
    // Reads device; keeps only the words in wanted, or every word when wanted is
    // null. Lines with phones the recognizer does not know are skipped.
    static PronunciationLexicon read(QIODevice& device, const QSet<QString>* wanted = nullptr);
    // Reads the file at path the same way; an unreadable file gives an empty lexicon.
    static PronunciationLexicon readFile(const QString& path,
                                         const QSet<QString>* wanted = nullptr);

    bool contains(const QString& word) const { return m_entries.contains(word); }
    // The word's pronunciations in file order ("HH AH L OW"); empty when unknown.
    QStringList pronunciations(const QString& word) const { return m_entries.value(word); }
    QStringList words() const;
    void add(const QString& word, const QString& pronunciation);

private:
    QHash<QString, QStringList> m_entries;
};

} // namespace tk::agent::listening
