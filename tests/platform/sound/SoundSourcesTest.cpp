#include "platform/sound/SoundSources.h"

#include "SoundServer.h"
#include "platform/sound/SoundServer.h"
#include "platform/sound/SoundServerProbe.h"

#include <QSignalSpy>
#include <QtTest>
#include <memory>

using namespace tk;

namespace {

QByteArrayList namesOf(const QList<SoundSource>& sources) {
    QByteArrayList names;
    for (const SoundSource& source : sources)
        names.append(source.name);
    return names;
}

QByteArray defaultOf(const QList<SoundSource>& sources) {
    for (const SoundSource& source : sources) {
        if (source.isDefault)
            return source.name;
    }
    return {};
}

} // namespace

// The inputs of a private sound server, followed as they come and go and as the
// server itself goes away and comes back.
class SoundSourcesTest : public QObject {
    Q_OBJECT
    std::unique_ptr<test::SoundServer> m_sound;

private slots:
    void init() {
        const QString missing = test::SoundServer::missingTools();
        if (!missing.isEmpty())
            QSKIP(qPrintable(missing));
        m_sound = std::make_unique<test::SoundServer>(test::SoundServer::Start::Later);
        QVERIFY2(m_sound->error().isEmpty(), qPrintable(m_sound->error()));
        m_sound->useInThisProcess();
    }

    void cleanup() { m_sound.reset(); }

    void inputs_areListedWhenTheServerAnswers_andFollowedAsTheyComeAndGo() {
        SoundServer server([] { return SoundServerProbe::answers(1000); }, 20);
        SoundSources sources(server);
        QSignalSpy changed(&sources, &SoundSources::changed);
        QVERIFY(!sources.isListed());
        QVERIFY(sources.sources().isEmpty());

        // The server starts later: its one microphone, the default; the monitors
        // of its two outputs are not inputs.
        QVERIFY2(m_sound->start(), qPrintable(m_sound->error()));
        const QList<SoundSource> microphone{SoundSource{"micin", "VirtualMicrophone", true}};
        QTRY_COMPARE_WITH_TIMEOUT(sources.sources(), microphone, 5000);
        QVERIFY(sources.isListed());

        // A microphone is plugged in, becomes the default, and is pulled out.
        changed.clear();
        QString module;
        QVERIFY(m_sound->pactl({"load-module", "module-remap-source", "master=mic.monitor",
                                "source_name=later", "source_properties=device.description=Later"},
                               &module));
        QTRY_COMPARE_WITH_TIMEOUT(namesOf(sources.sources()), (QByteArrayList{"micin", "later"}),
                                  5000);
        QVERIFY(!changed.isEmpty());
        QCOMPARE(sources.sources().last().description, QString("Later"));
        QVERIFY(m_sound->pactl({"set-default-source", "later"}));
        QTRY_COMPARE_WITH_TIMEOUT(defaultOf(sources.sources()), QByteArray("later"), 5000);
        QVERIFY(m_sound->pactl({"unload-module", module.trimmed()}));
        QTRY_COMPARE_WITH_TIMEOUT(namesOf(sources.sources()), QByteArrayList{"micin"}, 5000);

        // What does not change the list (a volume) is not reported.
        QTest::qWait(200);
        changed.clear();
        QVERIFY(m_sound->pactl({"set-source-volume", "micin", "50%"}));
        QVERIFY(m_sound->pactl({"set-source-mute", "micin", "1"}));
        QTest::qWait(300);
        QCOMPARE(changed.count(), 0);
    }

    void serverGoingAway_emptiesTheList_untilItIsBack() {
        QVERIFY2(m_sound->start(), qPrintable(m_sound->error()));
        SoundServer server([] { return SoundServerProbe::answers(1000); }, 20);
        SoundSources sources(server);
        QTRY_VERIFY_WITH_TIMEOUT(sources.isListed(), 5000);
        QSignalSpy changed(&sources, &SoundSources::changed);

        m_sound->crash();
        QTRY_VERIFY_WITH_TIMEOUT(!sources.isListed(), 5000);
        QVERIFY(sources.sources().isEmpty());
        QCOMPARE(changed.count(), 1);
        QTest::qWait(300); // gone for a while: nothing more is said meanwhile
        QCOMPARE(changed.count(), 1);

        QVERIFY2(m_sound->start(), qPrintable(m_sound->error()));
        // Listed again (the server may be seen before its microphone is set up).
        QTRY_COMPARE_WITH_TIMEOUT(namesOf(sources.sources()), QByteArrayList{"micin"}, 5000);
        QVERIFY(sources.isListed());
        QVERIFY(changed.count() >= 2);
    }

    void serverAnsweringTheProbeButNotThisClient_isAskedAgainAfterAWhile() {
        // The gate says yes, but nothing is there: the connection fails, and
        // the next attempt waits for the retry, not a tight loop.
        int asked = 0;
        SoundServer server(
            [&] {
                ++asked;
                return true;
            },
            20);
        SoundSources sources(server, nullptr, 100);
        QTest::qWait(450);
        QVERIFY(!sources.isListed());
        QVERIFY2(asked >= 2 && asked <= 8, qPrintable(QString::number(asked)));

        QVERIFY2(m_sound->start(), qPrintable(m_sound->error()));
        QTRY_COMPARE_WITH_TIMEOUT(namesOf(sources.sources()), QByteArrayList{"micin"}, 5000);
    }
};

QTEST_GUILESS_MAIN(SoundSourcesTest)
#include "SoundSourcesTest.moc"
