#include "SpeechSamples.h"
#include "agent/listening/MeanTransform.h"
#include "agent/listening/SpeechModelFiles.h"
#include "agent/listening/SphinxDecoder.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace tk;
using namespace tk::agent::listening;

namespace {

const QByteArray kGrammar = "#JSGF V1.0;\ngrammar test;\npublic <phrase> = how old are you | "
                            "how are you | help | options;\n";

// The grammar's words in decoder, and the grammar set.
bool setUp(SphinxDecoder& decoder) {
    const QList<std::pair<QString, QString>> words = {
        {"how", "HH AW"}, {"old", "OW L D"},     {"are", "AA R"},
        {"you", "Y UW"},  {"help", "HH EH L P"}, {"options", "AA P SH AH N Z"}};
    for (const auto& [word, phones] : words) {
        if (!decoder.addWord(word, phones))
            return false;
    }
    return decoder.setGrammar(kGrammar);
}

void writeFile(const QString& path, const QByteArray& text) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

// A well-formed transform for streams of the given lengths: identity matrices,
// zero offsets, unit variance scales, with delta added to every diagonal entry.
QByteArray transformText(const QList<int>& lengths, double diagonal = 1.0) {
    QByteArray text = "1\n" + QByteArray::number(lengths.size()) + "\n";
    for (const int n : lengths) {
        text += QByteArray::number(n) + "\n";
        for (int row = 0; row < n; ++row) {
            for (int column = 0; column < n; ++column)
                text += row == column ? QByteArray::number(diagonal) + " " : "0 ";
            text += "\n";
        }
        text += QByteArray("0 ").repeated(n) + "\n" + QByteArray("1 ").repeated(n) + "\n";
    }
    return text;
}

} // namespace

// The transform that adapts the acoustic model to the voices and rooms it meets:
// read and checked, applied to the decoders, and left out (with a warning) when it
// cannot be used.
class ModelAdaptationTest : public QObject {
    Q_OBJECT
    bool m_haveModel = false;
    std::vector<std::int16_t> m_phrase;

private slots:
    void initTestCase() {
        m_haveModel = SpeechModelFiles::installed().missingFiles().isEmpty();
        if (m_haveModel) {
            const auto speech = test::SpeechSamples::speak("how old are you", "en-us");
            m_phrase = test::SpeechSamples::inNoise(speech, 15, 300, 300, 3, test::Noise::Pink);
        }
    }

    void streamLengths_comeFromTheModelsFeatureSettings() {
        QTemporaryDir dir;
        writeFile(dir.filePath("feat.params"), "-lowerf 130\n-feat 1s_c_d_dd\n-svspec "
                                               "0-12/13-25/26-38\n-cmn batch\n");
        QCOMPARE(MeanTransform::streamLengthsOf(dir.path()), QList<int>({13, 13, 13}));
        writeFile(dir.filePath("feat.params"), "-feat 1s_c_d_dd\n");
        QCOMPARE(MeanTransform::streamLengthsOf(dir.path()), QList<int>{39});
        writeFile(dir.filePath("feat.params"), "-feat 1s_c_d_dd\n-svspec 0-12/x\n");
        QCOMPARE(MeanTransform::streamLengthsOf(dir.path()), QList<int>{});
        QCOMPARE(MeanTransform::streamLengthsOf(dir.filePath("missing")), QList<int>{});
    }

    void read_acceptsOnlyACompleteTransformOfTheModelsLayout() {
        QTemporaryDir dir;
        const QString path = dir.filePath("t.mllr");
        const QList<int> layout{13, 13, 13};
        QString error;
        writeFile(path, transformText(layout));
        QVERIFY(MeanTransform::read(path, layout, &error));
        QVERIFY(!MeanTransform::read(path, {39}, &error));
        QVERIFY(error.contains("feature streams"));

        const QByteArray whole = transformText(layout);
        writeFile(path, whole.left(whole.size() - 40));
        QVERIFY(!MeanTransform::read(path, layout, &error));
        QVERIFY(error.contains("incomplete"));
        writeFile(path, whole + "1.0\n");
        QVERIFY(!MeanTransform::read(path, layout, &error));
        writeFile(path, QByteArray(whole).replace("0 0 ", "0 nan "));
        QVERIFY(!MeanTransform::read(path, layout, &error));
        writeFile(path, QByteArray(whole).replace("1\n3\n", "2\n3\n"));
        QVERIFY(!MeanTransform::read(path, layout, &error));
        QVERIFY(!MeanTransform::read(dir.filePath("missing.mllr"), layout, &error));
        QVERIFY(error.contains("cannot be read"));
    }

    void decoders_useTheTransformTheyAreGiven() {
        if (!m_haveModel)
            QSKIP("the en-us speech model is not installed");
        SpeechModelFiles plainModel = SpeechModelFiles::installed();
        plainModel.adaptation.clear();
        QTemporaryDir dir;
        SpeechModelFiles identity = plainModel, scaled = plainModel;
        identity.adaptation = dir.filePath("identity.mllr");
        scaled.adaptation = dir.filePath("scaled.mllr");
        writeFile(identity.adaptation, transformText({13, 13, 13}));
        writeFile(scaled.adaptation, transformText({13, 13, 13}, 1.2));

        QString error;
        std::unique_ptr<SphinxDecoder> decoders[3];
        const SpeechModelFiles* models[3] = {&plainModel, &identity, &scaled};
        DecodeResult results[3];
        for (int i = 0; i < 3; ++i) {
            decoders[i] = SphinxDecoder::create(*models[i], SphinxDecoder::Search::Grammar, &error);
            QVERIFY2(decoders[i] && setUp(*decoders[i]), qPrintable(error));
            QCOMPARE(decoders[i]->adapted(), i > 0);
            results[i] = decoders[i]->decode(m_phrase);
            QCOMPARE(results[i].hypothesis, QString("how old are you"));
        }
        // The identity leaves the means, and so the scores, as they were; scaling
        // every mean moves the model away from the speech.
        QCOMPARE(results[1].acousticScore, results[0].acousticScore);
        QVERIFY2(results[2].acousticScore < results[0].acousticScore,
                 qPrintable(QStringLiteral("%1 against %2")
                                .arg(results[2].acousticScore)
                                .arg(results[0].acousticScore)));
        // The phone loop takes the transform too.
        auto phones = SphinxDecoder::create(scaled, SphinxDecoder::Search::PhoneLoop, &error);
        QVERIFY2(phones && phones->adapted(), qPrintable(error));
    }

    void missingOrDamagedTransform_fallsBackToThePlainModel() {
        if (!m_haveModel)
            QSKIP("the en-us speech model is not installed");
        SpeechModelFiles plainModel = SpeechModelFiles::installed();
        plainModel.adaptation.clear();
        QString error;
        auto plain = SphinxDecoder::create(plainModel, SphinxDecoder::Search::Grammar, &error);
        QVERIFY(plain && setUp(*plain));
        const DecodeResult expected = plain->decode(m_phrase);

        QTemporaryDir dir;
        writeFile(dir.filePath("damaged.mllr"), "1\n3\n13\n0.5 0.5\n");
        for (const QString& path : {dir.filePath("missing.mllr"), dir.filePath("damaged.mllr")}) {
            SpeechModelFiles model = plainModel;
            model.adaptation = path;
            QTest::ignoreMessage(QtWarningMsg,
                                 QRegularExpression("without its adaptation: .*" +
                                                    QRegularExpression::escape(path)));
            auto decoder = SphinxDecoder::create(model, SphinxDecoder::Search::Grammar, &error);
            QVERIFY2(decoder, qPrintable(error));
            QVERIFY(!decoder->adapted());
            QVERIFY(setUp(*decoder));
            const DecodeResult got = decoder->decode(m_phrase);
            QCOMPARE(got.hypothesis, expected.hypothesis);
            QCOMPARE(got.acousticScore, expected.acousticScore);
        }
    }
};

QTEST_GUILESS_MAIN(ModelAdaptationTest)
#include "ModelAdaptationTest.moc"
