#include "SoundServer.h"

#include "platform/sound/SoundServer.h"
#include "platform/sound/SoundServerProbe.h"

#include <QSignalSpy>
#include <QtTest>

using namespace tk;

// Nothing may try the sound server before it answers: the gate asks
// until it does, says so once, and asks again only when a client lost it.
class SoundServerTest : public QObject {
    Q_OBJECT

private slots:
    void serverAnsweringLater_isAskedUntilItAnswers_thenSaidOnce() {
        int asked = 0;
        SoundServer server([&] { return ++asked >= 3; }, 10);
        QSignalSpy ready(&server, &SoundServer::becameReady);
        QVERIFY(!server.ready());
        QCOMPARE(asked, 1);
        QTRY_COMPARE(ready.count(), 1);
        QVERIFY(server.ready());
        QCOMPARE(asked, 3);
        QTest::qWait(60);
        QCOMPARE(asked, 3);
        QCOMPARE(ready.count(), 1);
    }

    void serverAnsweringAtOnce_isAskedOnce_withNoSignal() {
        int asked = 0;
        SoundServer server(
            [&] {
                ++asked;
                return true;
            },
            10);
        QSignalSpy ready(&server, &SoundServer::becameReady);
        QVERIFY(server.ready());
        QVERIFY(server.ready());
        QTest::qWait(40);
        QCOMPARE(asked, 1);
        QCOMPARE(ready.count(), 0);
    }

    void lostServer_isAskedUntilItAnswersAgain_whileOneStillAnsweringSaysNothing() {
        bool answers = true;
        int asked = 0;
        SoundServer server(
            [&] {
                ++asked;
                return answers;
            },
            10);
        QSignalSpy ready(&server, &SoundServer::becameReady);
        QVERIFY(server.ready());
        // A client failed but the server answers: nothing to wait for.
        server.lost();
        QTest::qWait(40);
        QCOMPARE(asked, 2);
        QCOMPARE(ready.count(), 0);
        // The server went away; two clients saw it, and one return is said.
        answers = false;
        server.lost();
        server.lost();
        QVERIFY(!server.ready());
        QTest::qWait(40);
        QCOMPARE(ready.count(), 0);
        answers = true;
        QTRY_COMPARE(ready.count(), 1);
        QVERIFY(server.ready());
        const int askedWhenBack = asked;
        QTest::qWait(40);
        QCOMPARE(asked, askedWhenBack);
        QCOMPARE(ready.count(), 1);
    }

    void probe_tellsARealServerFromNone() {
        const QString missing = test::SoundServer::missingTools();
        if (!missing.isEmpty())
            QSKIP(qPrintable(missing));
        test::SoundServer sound(test::SoundServer::Start::Later);
        QVERIFY2(sound.error().isEmpty(), qPrintable(sound.error()));
        sound.useInThisProcess();

        QVERIFY(!SoundServerProbe::answers(1000));
        QVERIFY2(sound.start(), qPrintable(sound.error()));
        QVERIFY(SoundServerProbe::answers(1000));
    }
};

QTEST_GUILESS_MAIN(SoundServerTest)
#include "SoundServerTest.moc"
