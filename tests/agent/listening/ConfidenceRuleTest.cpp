#include "agent/listening/ConfidenceRule.h"

#include "agent/listening/SphinxDecoder.h"

#include <QtTest>

using namespace tk::agent::listening;

namespace {

Confidence confidence(double scorePerFrame, double coverage, int wordFrames, double overNoiseDb) {
    Confidence c;
    c.scorePerFrame = scorePerFrame;
    c.coverage = coverage;
    c.wordFrames = wordFrames;
    c.speechOverNoiseDb = overNoiseDb;
    return c;
}

} // namespace

class ConfidenceRuleTest : public QObject {
    Q_OBJECT
private slots:
    void measure_comparesTheGrammarWithThePhoneLoop() {
        DecodeResult words{"how old are you", -12000, 100, 60};
        DecodeResult phones{"HH AW OW L D", -11000, 100, 80};
        const Confidence c = Confidence::measure(words, phones);
        QCOMPARE(c.scorePerFrame, -10.0);
        QCOMPARE(c.coverage, 0.75);
        QCOMPARE(c.wordFrames, 60);
    }

    void clearSpeech_hasFixedLimits() {
        const ConfidenceRule rule;
        QVERIFY(rule.accepts(confidence(-15.0, 0.5, 30, 40)));
        QVERIFY(rule.accepts(confidence(-15.0, 0.5, 300, 40)));
        QVERIFY(!rule.accepts(confidence(-15.5, 0.9, 300, 40)));
        QVERIFY(!rule.accepts(confidence(-5.0, 0.45, 300, 40)));
    }

    void speechInNoise_needsAHigherScoreTheShorterThePhrase() {
        const ConfidenceRule rule;
        // Limits -22 + 60 / sqrt(frames): -12 for 36 frames, -18 for 225.
        QVERIFY(!rule.accepts(confidence(-13.0, 0.9, 36, 20)));
        QVERIFY(rule.accepts(confidence(-11.9, 0.9, 36, 20)));
        QVERIFY(rule.accepts(confidence(-17.9, 0.9, 225, 20)));
        QVERIFY(!rule.accepts(confidence(-18.1, 0.9, 225, 20)));
        QVERIFY(!rule.accepts(confidence(-5.0, 0.5, 225, 20)));
        // A decode with no word frames at all passes only with a very high score.
        QVERIFY(!rule.accepts(confidence(-10.0, 1.0, 0, 20)));
    }
};

QTEST_GUILESS_MAIN(ConfidenceRuleTest)
#include "ConfidenceRuleTest.moc"
