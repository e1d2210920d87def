#include "agent/listening/PronunciationResolver.h"

#include "agent/listening/EspeakPhonemes.h"

#include <QFile>
#include <QProcess>
#include <QSet>

namespace tk::agent::listening {

PronunciationResolver::PronunciationResolver(QString modelDictionaryPath,
                                             PronunciationLexicon reviewed,
                                             WordPhonemizer phonemizer)
    : m_modelDictionaryPath(std::move(modelDictionaryPath)), m_reviewed(std::move(reviewed)),
      m_phonemizer(std::move(phonemizer)) {}

ResolvedPronunciations PronunciationResolver::resolve(const QStringList& words) const {
    ResolvedPronunciations result;
    QSet<QString> wanted;
    for (const QString& word : words) {
        if (m_reviewed.contains(word)) {
            result.pronunciations.insert(word, m_reviewed.pronunciations(word));
            result.origins.insert(word, PronunciationOrigin::Reviewed);
        } else {
            wanted.insert(word);
        }
    }
    if (!wanted.isEmpty() && !m_modelDictionaryPath.isEmpty()) {
        const PronunciationLexicon model =
            PronunciationLexicon::readFile(m_modelDictionaryPath, &wanted);
        for (const QString& word : model.words()) {
            result.pronunciations.insert(word, model.pronunciations(word));
            result.origins.insert(word, PronunciationOrigin::ModelDictionary);
            wanted.remove(word);
        }
    }
    for (const QString& word : words) {
        if (!wanted.contains(word))
            continue;
        const QStringList phones =
            m_phonemizer ? phonesFromEspeak(m_phonemizer(word)) : QStringList{};
        if (phones.isEmpty()) {
            result.unknownWords.append(word);
            continue;
        }
        result.pronunciations.insert(word, {phones.join(QLatin1Char(' '))});
        result.origins.insert(word, PronunciationOrigin::Synthesizer);
    }
    return result;
}

PronunciationLexicon PronunciationResolver::reviewedLexicon() {
    QFile file(QStringLiteral(":/tk/listening/voice-words.dict"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return PronunciationLexicon::read(file);
}

QString PronunciationResolver::espeakProgramPhonemes(const QString& word) {
    QProcess espeak;
    espeak.start(QStringLiteral("espeak-ng"),
                 {QStringLiteral("-q"), QStringLiteral("-x"), QStringLiteral("-v"),
                  QStringLiteral("en-us"), QStringLiteral("--stdin")});
    if (!espeak.waitForStarted(3000))
        return {};
    espeak.write(word.toUtf8() + '\n');
    espeak.closeWriteChannel();
    if (!espeak.waitForFinished(3000)) {
        espeak.kill();
        espeak.waitForFinished(1000);
        return {};
    }
    if (espeak.exitStatus() != QProcess::NormalExit || espeak.exitCode() != 0)
        return {};
    return QString::fromUtf8(espeak.readAllStandardOutput()).simplified();
}

} // namespace tk::agent::listening
