#include "agent/api/VoiceText.h"

namespace tk::agent {

QStringList voicePhrases(const QString& voiceText) {
    QStringList phrases;
    qsizetype open = voiceText.indexOf(QLatin1Char('['));
    while (open >= 0) {
        const qsizetype close = voiceText.indexOf(QLatin1Char(']'), open + 1);
        if (close < 0)
            break;
        const QString phrase = voiceText.mid(open + 1, close - open - 1).trimmed();
        if (!phrase.isEmpty())
            phrases.append(phrase);
        open = voiceText.indexOf(QLatin1Char('['), close + 1);
    }
    return phrases;
}

} // namespace tk::agent
