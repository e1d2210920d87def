#include "agent/runtime/ListeningControls.h"

#include "FakeGlobalKey.h"
#include "TestCharacter.h"
#include "agent/api/AgentCharacters.h"
#include "agent/api/SpeechInput.h"
#include "agent/runtime/CharacterRuntime.h"
#include "agent/runtime/FigureWindow.h"
#include "agent/runtime/HoldToListen.h"
#include "agent/runtime/ListeningSettingsWindow.h"
#include "agent/runtime/ListeningTip.h"

#include <QAction>
#include <QCheckBox>
#include <QKeySequenceEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace tk;
using namespace tk::agent;
using listening::ListeningSettings;
using listening::ListeningSettingsWindow;
using KeyStatus = GlobalKey::Status;

namespace {

// Speech input that records what it is asked; tests raise its signals.
class FakeInput final : public SpeechInput {
public:
    bool available = true;
    QString reason = "no microphone";
    bool listening = false;
    bool always = false;
    int starts = 0;
    int stops = 0;
    QList<QByteArray> microphones;

    bool isAvailable() const override { return available; }
    QString unavailableReason() const override { return available ? QString() : reason; }
    void setCommands(const QList<VoiceCommand>&) override {}
    void setMicrophone(const QByteArray& id, const QString&) override { microphones.append(id); }
    void startListening() override {
        ++starts;
        listening = true;
        emit listeningStarted();
    }
    void stopListening() override {
        ++stops;
        listening = false;
        emit listeningStopped();
    }
    bool isListening() const override { return listening; }
    void setCharacterName(const QString&) override {}
    void setAlwaysListening(bool on) override {
        if (on != always)
            emit alwaysListeningChanged(always = on);
    }
    bool isAlwaysListening() const override { return always; }
    void setCharacterSpeaking(bool) override {}
    void setAvailable(bool on, const QString& why = "no microphone") {
        available = on;
        reason = why;
        emit availabilityChanged();
    }
};

} // namespace

class ListeningControlsTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_character;
    QString m_settings;
    FakeInput m_input;
    test::FakeGlobalKey* m_key = nullptr;
    std::unique_ptr<CharacterRuntime> m_runtime;

    // A runtime with Tovrin shown, the fake input and key, and the settings file.
    void start(KeyStatus keyStatus = KeyStatus::Active) {
        m_runtime.reset();
        m_input.listening = false;
        m_input.starts = m_input.stops = 0;
        m_input.microphones.clear();
        m_input.always = false;
        m_runtime = std::make_unique<CharacterRuntime>();
        m_runtime->setIdleDelay(60000, 60000);
        auto key = std::make_unique<test::FakeGlobalKey>();
        key->nextStatus = keyStatus;
        m_key = key.get();
        m_runtime->setListeningSetup(m_settings, std::move(key));
        m_runtime->setSpeechInput(&m_input);
        QVERIFY(m_runtime->Characters().Load("Tovrin", m_character).isOk());
        m_runtime->Characters().Character("Tovrin").Show();
        QTRY_VERIFY(m_runtime->figureWindow("Tovrin")->isVisible());
        QTRY_VERIFY(!m_runtime->isBusy("Tovrin"));
    }
    ListeningControls& controls() { return *m_runtime->listeningControls(); }
    listening::ListeningTip& tip() { return *controls().tip(); }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_character = m_dir.filePath("tovrin.acs");
        m_settings = m_dir.filePath("config/tovrin/runtime.ini");
        QVERIFY(testcharacter::writeTo(m_character));
    }
    void cleanup() {
        if (ListeningSettingsWindow* window = ListeningSettingsWindow::current())
            window->close(); // deletes itself
        QTRY_VERIFY(!ListeningSettingsWindow::current());
        m_runtime.reset();
        QFile::remove(m_settings);
    }

    void listeningKey_holdListensUntilLetGo_tapLeavesTheSessionOpen() {
        start();
        QCOMPARE(m_key->requested, QList<QKeySequence>{QKeySequence(Qt::Key_Pause)});
        // The menu shows the key; Space and L still serve on the figure.
        QCOMPARE(controls().listenAction()->shortcuts(),
                 (QList<QKeySequence>{QKeySequence(Qt::Key_Pause), QKeySequence(Qt::Key_Space),
                                      QKeySequence(Qt::Key_L)}));

        m_key->press();
        QCOMPARE(m_input.starts, 1);
        QCOMPARE(tip().text(), QString("Listening..."));
        QTest::qWait(listening::HoldToListen::kTapMs + 50);
        m_key->release();
        QCOMPARE(m_input.stops, 1);

        m_key->press(); // a tap: the session ends by itself later
        m_key->release();
        QCOMPARE(m_input.starts, 2);
        QCOMPARE(m_input.stops, 1);
        QVERIFY(m_input.isListening());
    }

    void listeningKey_letGoMidPhrase_endsOnceThePhraseIsDecided() {
        start();
        m_key->press();
        QTest::qWait(listening::HoldToListen::kTapMs + 50);
        emit m_input.hearingStarted();
        m_key->release();
        QCOMPARE(m_input.stops, 0); // the phrase under way is still heard
        emit m_input.heard("rchat", "real chat");
        QCOMPARE(m_input.stops, 1);
        QCOMPARE(tip().text(), QString("Heard: \"real chat\""));
    }

    void keyHeldByAnotherProgram_isSaidOnce_andTheMenuWayStays() {
        start(KeyStatus::Taken);
        const QString taken = "Another program already uses Pause, so it cannot reach Tovrin. "
                              "Choose another key in \"Listening Settings...\", or use "
                              "\"Listen\" in Tovrin's menu.";
        QCOMPARE(controls().keyStatusText(), taken);
        QTRY_VERIFY(tip().isVisible());
        QCOMPARE(tip().text(), taken);
        QCOMPARE(controls().listenAction()->shortcuts().first(), QKeySequence(Qt::Key_Space));
        tip().hide();
        controls().listenAction()->trigger();
        QCOMPARE(m_input.starts, 1);
        QCOMPARE(tip().text(), QString("Listening..."));

        // Another key that works takes its place in the menu.
        m_key->nextStatus = KeyStatus::Active;
        ListeningSettings settings = controls().settings();
        settings.key = QKeySequence("Ctrl+Alt+K");
        controls().changeSettings(settings);
        QCOMPARE(m_key->key(), QKeySequence("Ctrl+Alt+K"));
        QCOMPARE(controls().listenAction()->shortcuts().first(), QKeySequence("Ctrl+Alt+K"));
    }

    void keyAskedOfTheDesktop_showsTheAnswerWhenItComes_andARefusalIsSaidOnce() {
        start(KeyStatus::Pending);
        QCOMPARE(controls().keyStatusText(), QString("Tovrin is asking the desktop for Pause."));
        QCOMPARE(controls().listenAction()->shortcuts().first(), QKeySequence(Qt::Key_Space));
        m_key->answer(KeyStatus::Active);
        QCOMPARE(controls().listenAction()->shortcuts().first(), QKeySequence(Qt::Key_Pause));
        QCOMPARE(m_key->requested.size(), 1); // not asked again

        const QString refused = "The desktop did not give Pause to Tovrin. Allow it in the "
                                "desktop's shortcut settings, choose another key, or use "
                                "\"Listen\" in Tovrin's menu.";
        m_key->answer(KeyStatus::Refused);
        QCOMPARE(controls().keyStatusText(), refused);
        QCOMPARE(controls().listenAction()->shortcuts().first(), QKeySequence(Qt::Key_Space));
        QTRY_VERIFY(tip().isVisible());
        QCOMPARE(tip().text(), refused);
        tip().hide();
        m_key->answer(KeyStatus::Refused);
        QTest::qWait(50);
        QVERIFY(!tip().isVisible());
    }

    void settings_storedAndAppliedAtOnce_andAtTheNextStart() {
        start();
        QCOMPARE(m_input.microphones, QList<QByteArray>{QByteArray()});
        controls().settingsAction()->trigger();
        ListeningSettingsWindow* window = ListeningSettingsWindow::current();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->windowTitle(), QString("Listening Settings"));
        QVERIFY(window->keyStatus().contains("Pause works whichever window has the focus"));

        // A key typed into the window is grabbed at once and stored.
        auto* edit = window->findChild<QKeySequenceEdit*>("listeningKey");
        edit->setKeySequence(QKeySequence("Meta+F8, Ctrl+X"));
        emit edit->editingFinished();
        QCOMPARE(edit->keySequence(), QKeySequence("Meta+F8")); // one combination only
        QCOMPARE(m_key->key(), QKeySequence("Meta+F8"));
        QCOMPARE(ListeningSettings::load(m_settings).key, QKeySequence("Meta+F8"));
        // Listening all the time: on at once, said beside Tovrin, and stored.
        window->findChild<QCheckBox*>()->setChecked(true);
        QVERIFY(m_input.always);
        QVERIFY(ListeningSettings::load(m_settings).alwaysListening);
        QCOMPARE(tip().text(),
                 QString::fromUtf8("Listening all the time: say \u201CTovrin, ...\u201D"));

        ListeningSettings settings = controls().settings();
        settings.microphone = "headset";
        settings.microphoneName = "Headset";
        controls().changeSettings(settings);
        QCOMPARE(m_input.microphones.last(), QByteArray("headset"));

        // The next run starts with what was stored.
        window->close();
        start();
        QCOMPARE(m_key->requested, QList<QKeySequence>{QKeySequence("Meta+F8")});
        QCOMPARE(m_input.microphones, QList<QByteArray>{QByteArray("headset")});
        QVERIFY(m_input.always);
    }

    void microphoneComesAndGoes_listenFollows_andTheLossIsSaidOnce() {
        m_input.available = false;
        start();
        QAction* listen = controls().listenAction();
        QVERIFY(!listen->isEnabled());
        m_runtime->Characters().Character("Tovrin").Listen(true);
        QTRY_COMPARE(tip().text(), QString("no microphone"));
        QCOMPARE(m_input.starts, 0);

        // Plugged in: Listen works again and the waiting character listens.
        m_input.setAvailable(true);
        QVERIFY(listen->isEnabled());
        QCOMPARE(m_input.starts, 1);
        QCOMPARE(tip().text(), QString("Listening..."));

        // Pulled out: said at once, once.
        m_input.listening = false;
        m_input.setAvailable(false, "The microphone \"USB\" was disconnected.");
        QVERIFY(!listen->isEnabled());
        QCOMPARE(tip().text(), QString("The microphone \"USB\" was disconnected."));
        tip().hide();
        m_input.setAvailable(false, "No microphone was found, so Tovrin cannot listen.");
        m_runtime->Characters().Character("Tovrin").Listen(true);
        QTest::qWait(30);
        QVERIFY(!tip().isVisible());
        m_input.available = true;
    }
};

QTEST_MAIN(ListeningControlsTest)
#include "ListeningControlsTest.moc"
