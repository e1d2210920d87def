#include "agent/runtime/CharacterRuntime.h"

#include "PopupMenus.h"
#include "TestCharacter.h"
#include "agent/api/AgentCharacters.h"
#include "agent/api/SpeechInput.h"
#include "agent/api/SpeechOutput.h"
#include "agent/runtime/FigureMenu.h"
#include "agent/runtime/FigureWindow.h"
#include "agent/runtime/ListeningTip.h"
#include "agent/runtime/VoiceCommandsWindow.h"
#include "agent/runtime/WordBalloon.h"
#include "character/CommandCatalogue.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace tk;
using namespace tk::agent;

namespace {

// Speech that takes durationMs and opens the mouth; everything goes to log.
class FakeSpeech : public SpeechOutput {
public:
    FakeSpeech(QStringList& log, int durationMs) : m_log(log) {
        m_timer.setSingleShot(true);
        m_timer.setInterval(durationMs);
        connect(&m_timer, &QTimer::timeout, this, [this] { emit finished(); });
    }
    void speak(const QString& text, const VoiceSettings&, int languageId) override {
        m_log.append(QStringLiteral("speak %1 (%2)").arg(text).arg(languageId));
        m_timer.start();
        QTimer::singleShot(0, this, [this, text] {
            emit mouthChanged(MouthShape::Open);
            const qsizetype blank = text.indexOf(' ');
            emit wordStarted(0, int(blank < 0 ? text.size() : blank));
        });
    }
    void stop() override {
        m_log.append(QStringLiteral("stop"));
        m_timer.stop();
    }
    bool isSpeaking() const override { return m_timer.isActive(); }

private:
    QStringList& m_log;
    QTimer m_timer;
};

// Speech input that reports what the runtime asks of it; tests raise its signals.
class FakeInput : public SpeechInput {
public:
    bool available = true;
    bool listening = false;
    int starts = 0;
    int stops = 0;
    QList<QList<VoiceCommand>> commandSets;

    bool isAvailable() const override { return available; }
    QString unavailableReason() const override { return available ? QString() : "no microphone"; }
    void setCommands(const QList<VoiceCommand>& commands) override { commandSets.append(commands); }
    void setMicrophone(const QByteArray&, const QString&) override {}
    void startListening() override {
        ++starts;
        listening = true;
        QTimer::singleShot(0, this, [this] { emit listeningStarted(); });
    }
    void stopListening() override {
        ++stops;
        listening = false;
        QTimer::singleShot(0, this, [this] { emit listeningStopped(); });
    }
    bool isListening() const override { return listening; }
    QString name;
    bool alwaysListening = false;
    int speaking = 0;
    void setCharacterName(const QString& n) override { name = n; }
    void setAlwaysListening(bool on) override { alwaysListening = on; }
    bool isAlwaysListening() const override { return alwaysListening; }
    void setCharacterSpeaking(bool on) override { speaking += on ? 1 : -1; }
};

} // namespace

class CharacterRuntimeTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_file;
    QStringList m_log; // requests started and done, speech, in order

    std::unique_ptr<CharacterRuntime> makeRuntime(int speechMs = 60) {
        m_log.clear();
        auto runtime = std::make_unique<CharacterRuntime>();
        runtime->setIdleDelay(60000, 60000);
        runtime->setSpeechOutputFactory(
            [this, speechMs] { return std::make_unique<FakeSpeech>(m_log, speechMs); });
        const Status loaded = runtime->Characters().Load("Tovrin", m_file);
        if (!loaded.isOk())
            qWarning() << loaded.message();
        connect(runtime.get(), &CharacterRuntime::requestStarted, this,
                [this](const QString&, const Request& r) { m_log.append("start " + describe(r)); });
        connect(runtime.get(), &CharacterRuntime::requestDone, this,
                [this](const QString&, const Request& r) { m_log.append("done " + describe(r)); });
        return runtime;
    }

    static QString describe(const Request& r) {
        if (r.kind == Request::Kind::MoveTo)
            return QStringLiteral("move %1,%2").arg(r.target.x()).arg(r.target.y());
        const QString kind = QStringList{"show", "hide", "speak", "play"}.at(int(r.kind));
        return r.text.isEmpty() ? kind : kind + ' ' + r.text;
    }

    static QMenu* openMenu(FigureWindow* window) {
        QTest::mouseClick(window->windowHandle(), Qt::RightButton, {}, QPoint(10, 10));
        return test::waitForPopupMenu();
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_file = m_dir.filePath("tovrin.acs");
        QVERIFY(testcharacter::writeTo(m_file));
    }

    void requests_runInCallOrder_eachCallReturningAtOnce() {
        auto runtime = makeRuntime();
        AgentCharacter tovrin = runtime->Characters().Character("Tovrin");
        QSignalSpy animations(runtime.get(), &CharacterRuntime::animationStarted);
        tovrin.SetLanguageID(1033);
        tovrin.Show();
        tovrin.Speak("one");
        tovrin.Play("Wave");
        tovrin.MoveTo(0, 150);
        tovrin.Play("NoSuchAnimation");
        tovrin.Speak("two");
        QVERIFY(m_log.isEmpty()); // nothing ran inside the calls
        QTRY_VERIFY(!runtime->isBusy("Tovrin"));
        QCOMPARE(m_log, QStringList({"start show", "done show", "start speak one",
                                     "speak one (1033)", "done speak one", "start play Wave",
                                     "done play Wave", "start move 0,150", "done move 0,150",
                                     "start play NoSuchAnimation", "done play NoSuchAnimation",
                                     "start speak two", "speak two (1033)", "done speak two"}));
        QStringList names;
        for (const QList<QVariant>& call : animations)
            names.append(call[1].toString());
        QVERIFY2(names.join(' ').startsWith("Show Speak Wave Move Speak"),
                 qPrintable(names.join(' ')));
        QCOMPARE(runtime->figureWindow("Tovrin")->pos(), QPoint(0, 150));
    }

    void queue_goesOnWhileAModalDialogIsOpen() {
        auto runtime = makeRuntime();
        AgentCharacter tovrin = runtime->Characters().Character("Tovrin");
        bool doneWhileModal = false;
        QTimer::singleShot(0, this, [&] {
            QMessageBox box(QMessageBox::NoIcon, "TOVRIN SAYS", "waiting");
            connect(runtime.get(), &CharacterRuntime::requestDone, &box,
                    [&](const QString&, const Request& r) {
                        doneWhileModal = r.kind == Request::Kind::Play;
                        if (doneWhileModal)
                            box.accept();
                    });
            QTimer::singleShot(10000, &box, &QMessageBox::reject);
            box.exec();
        });
        tovrin.Show();
        tovrin.Speak("Welcome!");
        tovrin.Speak("I see, this is our first time talking to each other.");
        tovrin.Play("Wave");
        QTRY_VERIFY(doneWhileModal);
        QVERIFY(m_log.contains("done speak I see, this is our first time talking to each other."));
    }

    void speech_showsTheSpeakingState_andWaitsForItsEnd() {
        auto runtime = makeRuntime(300);
        AgentCharacter tovrin = runtime->Characters().Character("Tovrin");
        QSignalSpy started(runtime.get(), &CharacterRuntime::speechStarted);
        QSignalSpy ended(runtime.get(), &CharacterRuntime::speechEnded);
        tovrin.Show();
        tovrin.Speak("Nice to see you again, ");
        tovrin.Play("Wave");
        QTRY_COMPARE(started.count(), 1);
        QCOMPARE(runtime->spokenText("Tovrin"), QString("Nice to see you again, "));
        QVERIFY(runtime->speechOutput("Tovrin") != nullptr);
        QTest::qWait(100);
        QVERIFY(!m_log.contains("start play Wave")); // waits for the speech
        QTRY_COMPARE(ended.count(), 1);
        QCOMPARE(runtime->spokenText("Tovrin"), QString());
        QTRY_VERIFY(m_log.contains("done play Wave"));

        // Without anything to speak with, a Speak request completes at once.
        runtime->setSpeechOutputFactory({});
        QVERIFY(runtime->Characters()
                    .Load("Tovrin", m_file)
                    .isOk()); // fresh character, no speech output yet
        runtime->Characters().Item("Tovrin").Speak("unheard");
        QTRY_VERIFY(m_log.contains("done speak unheard"));
        QCOMPARE(started.count(), 1);
    }

    void balloon_showsTheWordsBesideTheFigure_andGoesWithIt() {
        auto runtime = makeRuntime(400);
        AgentCharacter tovrin = runtime->Characters().Character("Tovrin");
        tovrin.Show();
        tovrin.Speak("Hello there, Sam");
        QTRY_VERIFY(runtime->speechOutput("Tovrin"));
        FigureWindow* figure = runtime->figureWindow("Tovrin");
        QPointer<speech::WordBalloon> balloon = runtime->balloon("Tovrin");
        QVERIFY(balloon);
        QTRY_VERIFY(balloon->isVisible());
        QCOMPARE(balloon->shownLines(), QStringList{"Hello"});
        QVERIFY(!balloon->geometry().intersects(figure->frameGeometry().adjusted(8, 8, -8, -8)));
        // Dragged or moved, the figure takes its balloon along.
        const QRect before = balloon->placement().window;
        figure->move(figure->pos() - QPoint(120, 60));
        QTRY_VERIFY(balloon->placement().window != before);
        QTRY_COMPARE(balloon->shownLines().join(' '), QString("Hello there, Sam"));
        tovrin.Speak("gone with the figure");
        QTRY_COMPARE(balloon->shownLines(), QStringList{"gone"});
        runtime->Characters().Unload("Tovrin");
        QVERIFY(balloon.isNull() || !balloon->isVisible());
    }

    void unload_inTheMiddleOfTheQueue_stopsEverything() {
        auto runtime = makeRuntime(5000);
        AgentCharacter tovrin = runtime->Characters().Character("Tovrin");
        QSignalSpy commands(runtime.get(), &AgentControl::Command);
        tovrin.Show();
        tovrin.Speak("a long sentence");
        tovrin.Play("Wave");
        tovrin.Commands().Add("help", "Help", "[help]");
        QTRY_VERIFY(m_log.contains("speak a long sentence (1033)"));
        QPointer<FigureWindow> window = runtime->figureWindow("Tovrin");
        QVERIFY(window && window->isVisible());
        QMenu* menu = openMenu(window);
        QVERIFY(menu);
        menu->actions().first()->trigger(); // its event is still on its way

        runtime->Characters().Unload("Tovrin");
        QCOMPARE(m_log.last(), QString("stop"));
        QVERIFY(window.isNull());
        QVERIFY(!tovrin.isLoaded());
        tovrin.Speak("after unload");
        tovrin.Play("Wave");
        tovrin.MoveTo(1, 1);
        tovrin.Show();
        tovrin.Listen(true);
        tovrin.Commands().Add("x", "X");
        runtime->Characters().Item("Nobody").Speak("nobody");
        QTest::qWait(100);
        QCOMPARE(m_log.last(), QString("stop"));
        QCOMPARE(commands.count(), 0);
    }

    void load_failure_namesTheFile_andKeepsTheLoadedCharacter() {
        auto runtime = makeRuntime();
        const QString missing = m_dir.filePath("missing.acs");
        Status result = runtime->Characters().Load("Tovrin", missing);
        QVERIFY(!result.isOk());
        QVERIFY2(result.message().startsWith(missing + ": "), qPrintable(result.message()));
        QVERIFY(runtime->isLoaded("Tovrin"));
    }

    void menu_listsTheVisibleCommands_andAChoiceArrivesAfterItCloses() {
        auto runtime = makeRuntime();
        AgentCharacter tovrin = runtime->Characters().Character("Tovrin");
        QAction listenEntry("Listen now");
        runtime->addMenuAction(&listenEntry);
        tovrin.Show();
        CommandCatalogue::registerOn(tovrin.Commands());
        QTRY_VERIFY(!runtime->isBusy("Tovrin"));

        QMenu* menu = openMenu(runtime->figureWindow("Tovrin"));
        QVERIFY(menu);
        QStringList texts;
        for (const QAction* action : menu->actions())
            texts.append(action->isSeparator() ? QString("|separator|") : action->text());
        QCOMPARE(texts, QStringList({"Real Chat", QString(45, '-'), "Help", "Options", "Exit",
                                     "|separator|", "Listen now"}));

        bool menuOpenAtCommand = true;
        QList<UserInput> chosen;
        connect(runtime.get(), &AgentControl::Command, this, [&](const UserInput& input) {
            menuOpenAtCommand = QApplication::activePopupWidget() != nullptr;
            chosen.append(input);
        });
        // The user clicks the line of hyphens: an ordinary entry.
        QTest::mouseClick(menu, Qt::LeftButton, {},
                          menu->actionGeometry(menu->actions().at(1)).center());
        QVERIFY(chosen.isEmpty()); // never inside the menu
        QTRY_COMPARE(chosen.size(), 1);
        QCOMPARE(chosen[0].Name, QString("oop2s"));
        QVERIFY(!chosen[0].spoken);
        QVERIFY(!menuOpenAtCommand);

        // Captions show as given: an ampersand is no mnemonic.
        QCOMPARE(FigureMenu::menuText("Tom & Jerry"), QString("Tom && Jerry"));
    }

    // Only a click inside the open menu chooses: not the press that opened it
    // (should the toolkit hand it on to the menu), nor that press dragged onto
    // an entry, as a hand that moves a little during a right-click does.
    void menu_choosesOnlyWithAClickInsideIt() {
        auto runtime = makeRuntime();
        AgentCharacter tovrin = runtime->Characters().Character("Tovrin");
        tovrin.Show();
        CommandCatalogue::registerOn(tovrin.Commands());
        QTRY_VERIFY(!runtime->isBusy("Tovrin"));
        QSignalSpy commands(runtime.get(), &AgentControl::Command);
        FigureWindow* figure = runtime->figureWindow("Tovrin");
        const QPoint onFigure(figure->width() / 2, figure->height() / 2);
        const auto send = [](QWidget* to, QEvent::Type type, QPoint at, Qt::MouseButton button,
                             Qt::MouseButtons held, ulong time) {
            QMouseEvent event(type, at, to->mapToGlobal(at), button, held, {});
            event.setTimestamp(time);
            QApplication::sendEvent(to, &event);
        };
        const auto rightPressOnFigure = [&](ulong time) -> QMenu* {
            send(figure, QEvent::MouseButtonPress, onFigure, Qt::RightButton, Qt::RightButton,
                 time);
            QContextMenuEvent ask(QContextMenuEvent::Mouse, onFigure,
                                  figure->mapToGlobal(onFigure));
            QApplication::sendEvent(figure, &ask);
            return qobject_cast<QMenu*>(QApplication::activePopupWidget());
        };

        QMenu* menu = rightPressOnFigure(1000);
        QVERIFY(menu);
        const QPoint realChat = menu->actionGeometry(menu->actions().first()).center();
        send(menu, QEvent::MouseButtonPress, realChat, Qt::RightButton, Qt::RightButton, 1000);
        send(menu, QEvent::MouseButtonRelease, realChat, Qt::RightButton, {}, 1010);
        QVERIFY(menu->isVisible());
        menu->close();

        menu = rightPressOnFigure(2000);
        QVERIFY(menu);
        for (int step = 1; step <= 8; ++step) {
            const QPoint at = realChat + QPoint(step, step);
            send(menu, QEvent::MouseMove, at, Qt::NoButton, Qt::RightButton, 2000 + step);
        }
        send(menu, QEvent::MouseButtonRelease, realChat + QPoint(8, 8), Qt::RightButton, {}, 2100);
        QVERIFY(menu->isVisible());
        QTest::qWait(50);
        QCOMPARE(commands.count(), 0);

        send(menu, QEvent::MouseButtonPress, realChat, Qt::LeftButton, Qt::LeftButton, 3000);
        send(menu, QEvent::MouseButtonRelease, realChat, Qt::LeftButton, {}, 3050);
        QTRY_COMPARE(commands.count(), 1);
        QCOMPARE(commands.first().first().value<UserInput>().Name, QString("rchat"));
    }

    void moves_neverLeaveTheScreen() {
        auto runtime = makeRuntime();
        AgentCharacter tovrin = runtime->Characters().Character("Tovrin");
        tovrin.Show();
        const QRect screen = runtime->figureWindow("Tovrin")->screen()->geometry();
        const QSize size = runtime->figureWindow("Tovrin")->size();
        QList<QPoint> ends; // where each move ended
        connect(runtime.get(), &CharacterRuntime::requestDone, this,
                [&](const QString& id, const Request& request) {
                    if (request.kind == Request::Kind::MoveTo)
                        ends.append(runtime->figureWindow(id)->pos());
                });
        tovrin.MoveTo(99999, 99999, 5000);
        tovrin.MoveTo(-300, 20, 5000);
        QTRY_COMPARE(ends.size(), 2);
        QCOMPARE(ends[0],
                 QPoint(screen.right() + 1 - size.width(), screen.bottom() + 1 - size.height()));
        QCOMPARE(ends[1], QPoint(0, 20));
    }

    void listening_followsTheSpeechInput_andNeverHearsItsOwnSpeech() {
        FakeInput input;
        auto runtime = makeRuntime(200);
        runtime->setSpeechInput(&input);
        AgentCharacter tovrin = runtime->Characters().Character("Tovrin");
        QSignalSpy animations(runtime.get(), &CharacterRuntime::animationStarted);
        QList<UserInput> chosen;
        connect(runtime.get(), &AgentControl::Command, this,
                [&](const UserInput& i) { chosen.append(i); });
        tovrin.Show();
        tovrin.Listen(true);
        QCOMPARE(input.starts, 1);
        tovrin.Commands().Add("hello", "Hello", "[hello][hi there]", std::nullopt, false);
        tovrin.Commands().Add("oop2s", "---");
        tovrin.Commands().Add("off", "Off", "[off]", false, true);
        QCOMPARE(input.commandSets.last().size(), 1); // enabled commands with phrases only
        QCOMPARE(input.commandSets.last()[0].name, QString("hello"));
        QCOMPARE(input.commandSets.last()[0].phrases, QStringList({"hello", "hi there"}));

        QTRY_VERIFY(animations.contains(QList<QVariant>{"Tovrin", "Listen"}));
        emit input.hearingStarted();
        QTRY_VERIFY(animations.contains(QList<QVariant>{"Tovrin", "Hear"}));
        emit input.heard("hello", "hi there");
        QTRY_COMPARE(chosen.size(), 1);
        QCOMPARE(chosen[0].Name, QString("hello"));
        QCOMPARE(chosen[0].heardText, QString("hi there"));
        QVERIFY(chosen[0].spoken);

        // Speaking closes the listening session and opens it again afterwards.
        tovrin.Speak("Hello there!");
        QTRY_COMPARE(input.stops, 1);
        QTRY_VERIFY(m_log.contains("done speak Hello there!"));
        QCOMPARE(input.starts, 2);
        tovrin.Listen(false);
        QCOMPARE(input.stops, 2);
    }

    void listeningControls_menuKeysTipAndVoiceCommands() {
        FakeInput input;
        auto runtime = makeRuntime(200);
        runtime->setSpeechInput(&input);
        AgentCharacter tovrin = runtime->Characters().Character("Tovrin");
        CommandCatalogue::registerOn(tovrin.Commands());
        tovrin.Show();
        FigureWindow* figure = runtime->figureWindow("Tovrin");
        QTRY_VERIFY(figure->isVisible());

        const QList<QAction*> entries = runtime->menuActions();
        QCOMPARE(entries.size(), 3);
        QCOMPARE(entries[0]->text(), QString("Listen"));
        QCOMPARE(entries[1]->text(), QString("Voice Commands..."));
        QCOMPARE(entries[2]->text(), QString("Listening Settings..."));

        // The Space key on the figure (or the menu entry) opens a listening session.
        QTest::keyClick(figure->windowHandle(), Qt::Key_Space);
        QTRY_COMPARE(input.starts, 1);
        const auto tip = [] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (auto* t = qobject_cast<listening::ListeningTip*>(widget))
                    return t;
            }
            return static_cast<listening::ListeningTip*>(nullptr);
        };
        QTRY_VERIFY(tip() && tip()->isVisible());
        QCOMPARE(tip()->text(), QString("Listening..."));
        QVERIFY(!tip()->geometry().intersects(figure->frameGeometry()));
        emit input.heard("rchat", "real chat");
        QTRY_COMPARE(tip()->text(), QString("Heard: \"real chat\""));

        entries[1]->trigger();
        auto* window = listening::VoiceCommandsWindow::current();
        QVERIFY(window && window->isVisible());

        // The microphone goes: the entry is disabled and the reason said once, at once.
        tip()->hide();
        input.available = false;
        emit input.availabilityChanged();
        QVERIFY(!entries[0]->isEnabled());
        QTRY_VERIFY(tip()->isVisible());
        QCOMPARE(tip()->text(), QString("no microphone"));
        tip()->hide();
        tovrin.Listen(true);
        QTest::qWait(50);
        QVERIFY(!tip()->isVisible());
        QCOMPARE(input.starts, 1);
        window->close();
    }

    void resting_runsOneTimerOnly_andIdlesNowAndThen() {
        auto runtime = makeRuntime();
        AgentCharacter tovrin = runtime->Characters().Character("Tovrin");
        tovrin.Show();
        QTRY_VERIFY(!runtime->isBusy("Tovrin"));
        const auto activeTimers = [&] {
            int active = 0;
            for (const QTimer* timer : runtime->findChildren<QTimer*>())
                active += timer->isActive() ? 1 : 0;
            return active;
        };
        QTRY_COMPARE(activeTimers(), 1); // the wake-up for the next idle animation
        QTest::qWait(100);
        QCOMPARE(activeTimers(), 1);

        runtime->setIdleDelay(20, 40);
        QSignalSpy animations(runtime.get(), &CharacterRuntime::animationStarted);
        runtime->hide("Tovrin");
        tovrin.Show();
        QTRY_VERIFY(animations.count(QList<QVariant>{"Tovrin", "Idle"}) >= 2);
        runtime->hide("Tovrin");
        QTRY_VERIFY(!runtime->figureWindow("Tovrin")->isVisible());
        QTRY_COMPARE(activeTimers(), 0); // hidden: nothing at all
    }
};

QTEST_MAIN(CharacterRuntimeTest)
#include "CharacterRuntimeTest.moc"
