#include "SpeechSamples.h"
#include "agent/listening/CommandGrammar.h"
#include "agent/listening/EspeakPhonemes.h"
#include "agent/listening/PronunciationLexicon.h"
#include "agent/listening/PronunciationResolver.h"
#include "agent/listening/SpeechModelFiles.h"

#include <QBuffer>
#include <QStandardPaths>
#include <QtTest>

using namespace tk;
using namespace tk::agent::listening;

namespace {
QStringList catalogueWords() {
    return CommandGrammar(test::voiceCommandsOf(test::tovrinCatalogue())).words();
}
} // namespace

class PronunciationTest : public QObject {
    Q_OBJECT
private slots:
    void espeakMnemonics_mapToRecognizerPhones_data() {
        QTest::addColumn<QString>("mnemonics");
        QTest::addColumn<QString>("phones");
        const auto row = [](const char* name, const char* mnemonics, const char* phones) {
            QTest::newRow(name) << QString(mnemonics) << QString(phones);
        };
        row("tovrin", "t'0vrIn", "T AA V R IH N");
        row("creator's", "kri:;'eIt#3z", "K R IY EY T ER Z");
        row("programmer's", "pr'oUgram3z", "P R OW G R AE M ER Z");
        row("f1, two words", "'Ef w'Vn", "EH F W AH N");
        row("r-coloured and diphthongs", "f'aI@ d'o@ k'A@ n'i@3", "F AY ER D AO R K AA R N IH R");
        row("affricates, fricatives", "tS'3:tS m'EZ3 T'IN D'Is",
            "CH ER CH M EH ZH ER TH IH NG DH IH S");
        row("syllabic and flap", "l'It#@L b'V?n-", "L IH T AH L B AH T N");
        row("nothing usable", "'_:%=", "");
    }
    void espeakMnemonics_mapToRecognizerPhones() {
        QFETCH(QString, mnemonics);
        QFETCH(QString, phones);
        QCOMPARE(phonesFromEspeak(mnemonics).join(' '), phones);
    }

    void lexicon_readsAlternativesSkipsCommentsAndUnknownPhones() {
        QByteArray text = ";; comment\n# another\nhello HH AH L OW\nhello(2) HH EH L OW\n"
                          "bad QQ X\nwhew\tW UW\n\nthere DH EH R\n";
        QBuffer buffer(&text);
        buffer.open(QIODevice::ReadOnly);
        const QSet<QString> wanted{"hello", "whew", "bad"};
        const PronunciationLexicon lexicon = PronunciationLexicon::read(buffer, &wanted);
        QCOMPARE(lexicon.words(), QStringList({"hello", "whew"}));
        QCOMPARE(lexicon.pronunciations("hello"), QStringList({"HH AH L OW", "HH EH L OW"}));
        QCOMPARE(lexicon.pronunciations("whew"), QStringList{"W UW"});
        QVERIFY(!lexicon.contains("there")); // not wanted
        QVERIFY(PronunciationLexicon::readFile("/nonexistent/dict").words().isEmpty());
    }

    void catalogue_everyWordHasAPronunciationWithoutTheSynthesizer() {
        const SpeechModelFiles model = SpeechModelFiles::installed();
        if (!model.missingFiles().isEmpty())
            QSKIP("the en-us speech model is not installed");
        const PronunciationResolver resolver(model.dictionary,
                                             PronunciationResolver::reviewedLexicon(), nullptr);
        const QStringList words = catalogueWords();
        const ResolvedPronunciations resolved = resolver.resolve(words);
        QCOMPARE(resolved.unknownWords, QStringList{});
        QCOMPARE(resolved.pronunciations.size(), words.size());
        // The reviewed lexicon carries exactly the words the model dictionary lacks.
        QStringList reviewed;
        for (const QString& word : words) {
            if (resolved.origins.value(word) == PronunciationOrigin::Reviewed)
                reviewed.append(word);
        }
        const PronunciationLexicon modelWords = PronunciationLexicon::readFile(model.dictionary);
        for (const QString& word : PronunciationResolver::reviewedLexicon().words())
            QVERIFY2(reviewed.contains(word), qPrintable(word + " is not in the catalogue"));
        for (const char* word :
             {"tovrin", "rchat", "vchat", "f1", "readme", "creator's", "programmer's"}) {
            QVERIFY2(!modelWords.contains(word), word);
            QVERIFY2(reviewed.contains(word), word);
        }
    }

    void unknownWord_isPronouncedFromTheSynthesizerOrReported() {
        const SpeechModelFiles model = SpeechModelFiles::installed();
        PronunciationResolver withFake(model.dictionary, {}, [](const QString& word) {
            return word == "zorblax" ? QString("z'o@blaks") : QString();
        });
        const ResolvedPronunciations resolved = withFake.resolve({"zorblax", "qwzx", "hello"});
        QCOMPARE(resolved.pronunciations.value("zorblax"), QStringList{"Z AO R B L AE K S"});
        QCOMPARE(resolved.origins.value("zorblax"), PronunciationOrigin::Synthesizer);
        QCOMPARE(resolved.unknownWords, QStringList{"qwzx"});

        if (QStandardPaths::findExecutable("espeak-ng").isEmpty())
            QSKIP("the espeak-ng program is not installed");
        QCOMPARE(phonesFromEspeak(PronunciationResolver::espeakProgramPhonemes("tovrin")).join(' '),
                 QString("T AA V R IH N"));
    }
};

QTEST_GUILESS_MAIN(PronunciationTest)
#include "PronunciationTest.moc"
