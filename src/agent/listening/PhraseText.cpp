#include "agent/listening/PhraseText.h"

#include <QHash>

namespace tk::agent::listening {

namespace {

bool isApostrophe(QChar c) {
    return c == QLatin1Char('\'') || c == QChar(0x2019) || c == QChar(0x2018) || c == QChar(0x02BC);
}

bool isWordCharacter(QChar c) {
    return c.isLetterOrNumber() || c.isMark();
}

// Contractions and the words they stand for when spoken in full. Only forms that
// are never possessives: "what's" is "what is", but "mother's" is left alone.
const QHash<QString, QStringList>& expansions() {
    static const QHash<QString, QStringList> table{
        {"what's", {"what is"}},
        {"who's", {"who is"}},
        {"how's", {"how is"}},
        {"where's", {"where is"}},
        {"when's", {"when is"}},
        {"why's", {"why is"}},
        {"that's", {"that is"}},
        {"there's", {"there is"}},
        {"here's", {"here is"}},
        {"it's", {"it is"}},
        {"he's", {"he is"}},
        {"she's", {"she is"}},
        {"let's", {"let us"}},
        {"i'm", {"i am"}},
        {"you're", {"you are"}},
        {"we're", {"we are"}},
        {"they're", {"they are"}},
        {"i've", {"i have"}},
        {"you've", {"you have"}},
        {"we've", {"we have"}},
        {"they've", {"they have"}},
        {"i'll", {"i will"}},
        {"you'll", {"you will"}},
        {"we'll", {"we will"}},
        {"they'll", {"they will"}},
        {"i'd", {"i would"}},
        {"you'd", {"you would"}},
        {"isn't", {"is not"}},
        {"aren't", {"are not"}},
        {"wasn't", {"was not"}},
        {"weren't", {"were not"}},
        {"don't", {"do not"}},
        {"doesn't", {"does not"}},
        {"didn't", {"did not"}},
        {"can't", {"cannot", "can not"}},
        {"won't", {"will not"}},
        {"wouldn't", {"would not"}},
        {"shouldn't", {"should not"}},
        {"couldn't", {"could not"}},
        {"haven't", {"have not"}},
        {"hasn't", {"has not"}},
    };
    return table;
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

QStringList spokenVariants(const QString& phrase) {
    // Each word either as written or as one of its expansions; the written form
    // of every word comes first, so the first variant is the spoken form.
    QStringList variants{QString()};
    for (const QString& word : phraseWords(phrase)) {
        QStringList forms{word};
        forms += expansions().value(word);
        QStringList longer;
        for (const QString& variant : variants) {
            for (const QString& form : forms)
                longer.append(variant.isEmpty() ? form : variant + QLatin1Char(' ') + form);
        }
        variants = longer;
    }
    if (variants == QStringList{QString()})
        return {};
    return variants;
}

} // namespace tk::agent::listening
