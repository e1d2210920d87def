#include "agent/listening/ListeningSettings.h"

#include "FakeGlobalKey.h"
#include "agent/listening/AudioInputs.h"
#include "agent/listening/InputLevelMeter.h"
#include "agent/listening/MicrophoneCapture.h"
#include "agent/runtime/HoldToListen.h"
#include "agent/runtime/ListeningTip.h"
#include "platform/desktop/ClearSpot.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace tk;
using namespace tk::agent::listening;

namespace {

// Sound inputs the test plugs in and pulls out.
class FakeAudioInputs final : public AudioInputs {
public:
    QList<InputDevice> list;
    QList<InputDevice> inputs() const override { return list; }
    void set(const QList<InputDevice>& devices) {
        list = devices;
        emit changed();
    }
};

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class ListeningSettingsTest : public QObject {
    Q_OBJECT
private slots:
    void settings_roundTripDefaultsAndDamagedValues() {
        QTemporaryDir dir;
        const QString file = dir.filePath("config/tovrin/runtime.ini");
        // Nothing stored yet: Pause, not always listening, the default microphone.
        const ListeningSettings defaults = ListeningSettings::load(file);
        QCOMPARE(defaults.key, QKeySequence(Qt::Key_Pause));
        QVERIFY(!defaults.alwaysListening);
        QVERIFY(defaults.microphone.isEmpty());

        ListeningSettings changed;
        changed.key = QKeySequence("Ctrl+Alt+K");
        changed.alwaysListening = true;
        changed.microphone = "alsa_input.usb-Blue_Yeti";
        changed.microphoneName = "Yeti Stereo Microphone";
        QString error;
        QCOMPARE(changed.save(file).message(), QString()); // the folders are made
        QCOMPARE(ListeningSettings::load(file), changed);

        // No key at all is kept as such, not turned back into the default.
        ListeningSettings noKey = changed;
        noKey.key = QKeySequence();
        QVERIFY(noKey.save(file).isOk());
        QVERIFY(readAll(file).contains("Key=none"));
        QCOMPARE(ListeningSettings::load(file).key, QKeySequence());

        // Entries of other parts of the runtime stay; damaged values give defaults.
        QFile raw(file);
        QVERIFY(raw.open(QIODevice::WriteOnly | QIODevice::Truncate));
        raw.write("[Figure]\nZoom=2\n[Listening]\nKey=Ctrl+Nonsense\nAlwaysListening=maybe\n");
        raw.close();
        const ListeningSettings damaged = ListeningSettings::load(file);
        QCOMPARE(damaged.key, QKeySequence(Qt::Key_Pause));
        QVERIFY(!damaged.alwaysListening);
        QVERIFY(changed.save(file).isOk());
        QVERIFY(readAll(file).contains("Zoom=2"));

        // A settings file in a place that cannot be made is reported, not pretended.
        QVERIFY(QFile(dir.filePath("blocker")).open(QIODevice::WriteOnly));
        error = changed.save(dir.filePath("blocker/tovrin/runtime.ini")).message();
        QVERIFY(!error.isEmpty());
    }

    void holdToListen_tapKeepsTheSession_holdEndsItOnRelease() {
        test::FakeGlobalKey key;
        qint64 now = 1000;
        HoldToListen hold(key, [&] { return now; });
        QSignalSpy listen(&hold, &HoldToListen::listenRequested);
        QSignalSpy stop(&hold, &HoldToListen::stopRequested);

        key.press(); // a tap
        now += HoldToListen::kTapMs - 1;
        key.release();
        QCOMPARE(listen.count(), 1);
        QCOMPARE(stop.count(), 0);

        key.press(); // a hold; a second press while held changes nothing
        key.press();
        QVERIFY(hold.isHeld());
        now += HoldToListen::kTapMs;
        key.release();
        key.release();
        QCOMPARE(listen.count(), 2);
        QCOMPARE(stop.count(), 1);
        QVERIFY(!hold.isHeld());
    }

    void microphone_followsInputsAsTheyComeAndGo() {
        auto* inputs = new FakeAudioInputs;
        MicrophoneCapture capture(inputs);
        QSignalSpy changed(&capture, &AudioCapture::availabilityChanged);
        QVERIFY(!capture.isAvailable());
        QCOMPARE(capture.unavailableReason(),
                 QString("No microphone was found, so Tovrin cannot listen."));

        // Plugged in later: available at once, and said so.
        inputs->set({{"usb-mic", "USB Microphone", true}});
        QCOMPARE(changed.count(), 1);
        QVERIFY(capture.isAvailable());
        QCOMPARE(capture.unavailableReason(), QString());

        // A named microphone that is away makes listening unavailable, by its name.
        capture.setDevice("headset", "Headset Microphone");
        QCOMPARE(changed.count(), 2);
        QVERIFY(!capture.isAvailable());
        QCOMPARE(capture.unavailableReason(),
                 QString("The microphone \"Headset Microphone\" is not connected, so Tovrin "
                         "cannot listen."));
        inputs->set(
            {{"usb-mic", "USB Microphone", true}, {"headset", "Headset Microphone", false}});
        QVERIFY(capture.isAvailable());
        inputs->set({});
        QVERIFY(!capture.isAvailable());
        capture.setDevice({}, {});
        QCOMPARE(capture.unavailableReason(),
                 QString("No microphone was found, so Tovrin cannot listen."));
        QVERIFY(!capture.isActive());
    }

    void inputLevel_followsLoudnessOnALogScale() {
        QCOMPARE(InputLevelMeter::levelOf({}), 0.0);
        QCOMPARE(InputLevelMeter::levelOf(std::vector<std::int16_t>(160, 0)), 0.0);
        const double full = InputLevelMeter::levelOf(std::vector<std::int16_t>(160, 32767));
        QVERIFY(full > 0.99 && full <= 1.0);
        // -20 dBFS sits two thirds up a 60 dB scale; -80 dBFS shows nothing.
        const double quiet = InputLevelMeter::levelOf(std::vector<std::int16_t>(160, 3277));
        QVERIFY(qAbs(quiet - 2.0 / 3.0) < 0.01);
        QCOMPARE(InputLevelMeter::levelOf(std::vector<std::int16_t>(160, 3)), 0.0);
    }

    void tipPlacement_keepsClearOfTheProgramsWindows_data() {
        QTest::addColumn<QRect>("figure");
        QTest::addColumn<QList<QRect>>("avoid");
        QTest::addColumn<QString>("expected");
        const QRect middle(400, 300, 128, 128);
        const QRect atLeft(0, 300, 128, 128);
        // The chat window opens to the right of a figure at the left edge.
        const QRect chat(130, 250, 420, 320);
        QTest::newRow("nothing around: right") << middle << QList<QRect>() << "right";
        QTest::newRow("right edge: left") << QRect(1152, 300, 128, 128) << QList<QRect>() << "left";
        QTest::newRow("chat beside a figure at the left edge: below")
            << atLeft << QList<QRect>{chat} << "below";
        QTest::newRow("menu to the right: left")
            << middle << QList<QRect>{QRect(530, 300, 200, 300)} << "left";
        QTest::newRow("boxed in: least covered")
            << middle
            << QList<QRect>{QRect(520, 280, 300, 200), QRect(100, 280, 298, 200),
                            QRect(380, 420, 300, 300), QRect(380, 0, 300, 298)}
            << "least";
    }
    void tipPlacement_keepsClearOfTheProgramsWindows() {
        QFETCH(QRect, figure);
        QFETCH(QList<QRect>, avoid);
        QFETCH(QString, expected);
        const QRect area(0, 0, 1280, 800);
        const QSize size(110, 24);
        const QRect tip = ListeningTip::placement(size, figure, area, avoid);
        QCOMPARE(tip.size(), size);
        QVERIFY(area.contains(tip));
        QVERIFY(!tip.intersects(figure));
        if (expected == "least") {
            QVERIFY(tip.adjusted(-8, -8, 8, 8).intersects(figure)); // still beside it
            return;
        }
        for (const QRect& window : avoid)
            QVERIFY(!tip.intersects(window));
        if (expected == "right")
            QCOMPARE(tip.left(), figure.right() + 5);
        else if (expected == "left")
            QCOMPARE(tip.right(), figure.left() - 5);
        else if (expected == "below")
            QCOMPARE(tip.top(), figure.bottom() + 5);
    }

    void clearSpot_firstFreeElseLeastCovered() {
        const QList<QRect> spots{QRect(0, 0, 10, 10), QRect(20, 0, 10, 10), QRect(40, 0, 10, 10)};
        QCOMPARE(chooseClearSpot(spots, {}), 0);
        QCOMPARE(chooseClearSpot(spots, {QRect(0, 0, 25, 5)}), 2);
        QCOMPARE(chooseClearSpot(spots, {QRect(0, 0, 50, 5), QRect(40, 0, 10, 10)}), 0);
        QCOMPARE(chooseClearSpot({}, {QRect(0, 0, 5, 5)}), -1);
    }
};

QTEST_MAIN(ListeningSettingsTest)
#include "ListeningSettingsTest.moc"
