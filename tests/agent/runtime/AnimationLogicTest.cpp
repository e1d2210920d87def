#include "TestCharacter.h"
#include "agent/characterfile/CharacterFile.h"
#include "agent/runtime/AnimationPlayer.h"
#include "agent/runtime/FigurePlacement.h"
#include "agent/runtime/RequestQueue.h"

#include <QSignalSpy>
#include <QtTest>

using namespace tk::agent;

// The frames a player shows, by name, and the tickets it finishes.
struct PlayerLog {
    QStringList frames;
    QList<int> finished;
};

class AnimationLogicTest : public QObject {
    Q_OBJECT

    std::shared_ptr<const CharacterData> m_character;

    int index(const char* name) const { return m_character->animationIndex(name); }

    void record(AnimationPlayer& player, PlayerLog& log) {
        connect(&player, &AnimationPlayer::frameChanged, this,
                [&log, this](int frame) { log.frames.append(m_character->frames[frame].name); });
        connect(&player, &AnimationPlayer::finished, this,
                [&log](int ticket) { log.finished.append(ticket); });
    }

private slots:
    void initTestCase() {
        const CharacterFileResult result = parseCharacterFile(testcharacter::bytes(), "t.acs");
        QVERIFY2(result.ok(), qPrintable(result.error));
        m_character = result.character;
    }

    void player_followsSteps_loops_andLeavesThroughTheExit() {
        AnimationPlayer player(m_character);
        PlayerLog log;
        record(player, log);

        // Once: the steps, then finished, and no timer left running.
        const int wave = player.play(index("Wave"), AnimationPlayer::Mode::Once);
        QTRY_COMPARE(log.finished, QList<int>{wave});
        QCOMPARE(log.frames, QStringList({"b", "c", "b"}));
        QVERIFY(!player.isPlaying());

        // A loop repeats until stopped, then plays its exit steps.
        log = {};
        const int speak = player.play(index("Speak"), AnimationPlayer::Mode::Loop);
        QTRY_VERIFY(log.frames.size() >= 5);
        QVERIFY(log.finished.isEmpty());
        player.stop();
        QVERIFY(log.finished.isEmpty()); // never from inside stop()
        QTRY_COMPARE(log.finished, QList<int>{speak});
        QCOMPARE(log.frames.last(), QString("a"));

        // A looping animation played once runs through once, then exits.
        log = {};
        player.play(index("Move"), AnimationPlayer::Mode::Once);
        QTRY_COMPARE(log.finished.size(), 1);
        QCOMPARE(log.frames, QStringList({"b", "c", "a"}));

        // "next" continues with the following animation under the same ticket.
        log = {};
        const int chain = player.play(index("Chain1"), AnimationPlayer::Mode::Once);
        QTRY_COMPARE(log.finished, QList<int>{chain});
        QCOMPARE(log.frames, QStringList({"b", "c"}));
    }

    void player_interruptedAnimation_returnsThroughItsExitBeforeTheNext() {
        AnimationPlayer player(m_character);
        PlayerLog log;
        record(player, log);
        const int wave = player.play(index("Wave"), AnimationPlayer::Mode::Once);
        const int idle = player.play(index("Idle"), AnimationPlayer::Mode::Once);
        QTRY_COMPARE(log.finished, QList<int>{idle}); // the replaced one reports nothing
        QVERIFY(wave != idle);
        QCOMPARE(log.frames, QStringList({"b", "a", "b", "c", "a"}));

        // Abort ends at once, silently.
        log = {};
        player.play(index("Speak"), AnimationPlayer::Mode::Loop);
        player.abort();
        QTest::qWait(80);
        QVERIFY(log.finished.isEmpty());
        QVERIFY(!player.isPlaying());
    }

    void queue_startsFromTheEventLoop_inOrder_oneAtATime() {
        RequestQueue queue;
        QStringList started;
        connect(&queue, &RequestQueue::started, this,
                [&started](const Request& request) { started.append(request.text); });
        QSignalSpy drained(&queue, &RequestQueue::drained);
        queue.enqueue({Request::Kind::Speak, "one", {}, {}, 0});
        queue.enqueue({Request::Kind::Play, "two", {}, {}, 0});
        QVERIFY(started.isEmpty()); // adding never runs anything inside the call
        QTRY_COMPARE(started, QStringList{"one"});
        QTest::qWait(30);
        QCOMPARE(started, QStringList{"one"}); // waits for completion
        const quint64 first = queue.current()->serial;
        queue.complete(first + 1); // not the running one: ignored
        queue.complete(first);
        queue.complete(first); // twice: ignored
        QTRY_COMPARE(started, QStringList({"one", "two"}));
        queue.enqueue({Request::Kind::Speak, "three", {}, {}, 0});
        queue.clear();
        QVERIFY(!queue.isBusy());
        QTest::qWait(30);
        QCOMPARE(started.size(), 2);
        QCOMPARE(drained.count(), 0);
        queue.enqueue({Request::Kind::Show, {}, {}, {}, 0});
        QTRY_COMPARE(started.size(), 3);
        queue.complete(queue.current()->serial);
        QTRY_COMPARE(drained.count(), 1);
    }

    void placement_keepsTheFigureReachable_andMovesChooseTheirStateAndSpeed() {
        const QRect screen(0, 0, 800, 800);
        QCOMPARE(FigurePlacement::clampToScreen({0, 150}, {160, 156}, screen), QPoint(0, 150));
        QCOMPARE(FigurePlacement::clampToScreen({5000, 5000}, {160, 156}, screen),
                 QPoint(640, 644));
        QCOMPARE(FigurePlacement::clampToScreen({-300, 20}, {160, 156}, screen), QPoint(0, 20));
        const QList<QRect> screens{QRect(0, 0, 800, 600), QRect(800, 0, 800, 600)};
        QCOMPARE(FigurePlacement::keepReachable({-500, 10}, {100, 100}, screens), QPoint(-68, 10));
        QCOMPARE(FigurePlacement::keepReachable({900, 2000}, {100, 100}, screens),
                 QPoint(900, 568));
        QCOMPARE(FigurePlacement::keepReachable({790, 10}, {100, 100}, screens),
                 QPoint(790, 10)); // across two screens is fine
        QCOMPARE(FigurePlacement::moveDirection({500, 500}, {0, 450}), CharacterState::MovingLeft);
        QCOMPARE(FigurePlacement::moveDirection({0, 0}, {10, 0}), CharacterState::MovingRight);
        QCOMPARE(FigurePlacement::moveDirection({0, 300}, {10, 0}), CharacterState::MovingUp);
        QCOMPARE(FigurePlacement::moveDirection({0, 0}, {10, 300}), CharacterState::MovingDown);
        QCOMPARE(FigurePlacement::glideDurationMs({0, 0}, {600, 0}, std::nullopt), 1000);
        QCOMPARE(FigurePlacement::glideDurationMs({0, 0}, {600, 0}, 1200), 500);
        QCOMPARE(FigurePlacement::glideDurationMs({0, 0}, {600, 0}, 1),
                 FigurePlacement::kLongestGlideMs);
        QCOMPARE(FigurePlacement::glideDurationMs({0, 0}, {1, 0}, 0),
                 FigurePlacement::kShortestGlideMs);
    }
};

QTEST_GUILESS_MAIN(AnimationLogicTest)
#include "AnimationLogicTest.moc"
