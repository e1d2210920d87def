#include "agent/listening/PhraseText.h"

namespace tk::agent::listening {

namespace {

bool isApostrophe(QChar c) {
    return c == QLatin1Char('\'') || c == QChar(0x2019) || c == QChar(0x2018) || c == QChar(0x02BC);
}

bool isWordCharacter(QChar c) {
    return c.isLetterOrNumber() || c.isMark();
}

} // namespace

QStringList phraseWords(const QString& phrase) {
    // Case folding first: "İ" and friends may change length when lower-cased.
    const QString text = phrase.normalized(QString::NormalizationForm_C).toLower();
    QStringList words;
    QString word;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (isWordCharacter(c)) {
            word.append(c);
        } else if (isApostrophe(c) && !word.isEmpty() && i + 1 < text.size() &&
                   isWordCharacter(text.at(i + 1))) {
            word.append(QLatin1Char('\''));
        } else if (!word.isEmpty()) {
            words.append(word);
            word.clear();
        }
    }
    if (!word.isEmpty())
        words.append(word);
    return words;
}

QString spokenForm(const QString& phrase) {
    return phraseWords(phrase).join(QLatin1Char(' '));
}

} // namespace tk::agent::listening
