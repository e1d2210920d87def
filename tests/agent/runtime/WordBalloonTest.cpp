#include "agent/runtime/WordBalloon.h"

#include "agent/speech/BalloonLayout.h"
#include "agent/speech/BalloonText.h"

#include <QScreen>
#include <QtTest>

using namespace tk::agent::speech;

namespace {

const QRect kScreen(0, 0, 800, 800);

// Distance from a point to a rectangle (0 inside).
qreal distance(const QPointF& point, const QRect& rect) {
    const qreal dx = std::max({rect.left() - point.x(), 0.0, point.x() - rect.right()});
    const qreal dy = std::max({rect.top() - point.y(), 0.0, point.y() - rect.bottom()});
    return std::hypot(dx, dy);
}

} // namespace

class WordBalloonTest : public QObject {
    Q_OBJECT
private slots:
    void layout_keepsBalloonOnScreen_pointingAtTheCharacter_data() {
        QTest::addColumn<QRect>("figure");
        QTest::addColumn<QSize>("body");
        QTest::addColumn<BalloonGeometry::Side>("side");
        const QSize small(120, 40), large(300, 120);
        using Side = BalloonGeometry::Side;
        QTest::newRow("top left") << QRect(0, 0, 128, 128) << large << Side::Right;
        QTest::newRow("top right") << QRect(672, 0, 128, 128) << large << Side::Left;
        QTest::newRow("bottom left") << QRect(0, 672, 128, 128) << large << Side::Above;
        QTest::newRow("bottom right") << QRect(672, 672, 128, 128) << small << Side::Above;
        QTest::newRow("middle") << QRect(336, 336, 128, 128) << large << Side::Above;
        QTest::newRow("half off the top left") << QRect(-64, -64, 128, 128) << large << Side::Below;
        QTest::newRow("half off the bottom right")
            << QRect(736, 736, 128, 128) << large << Side::Above;
        QTest::newRow("wide figure along the top") << QRect(0, 0, 800, 100) << small << Side::Below;
        QTest::newRow("balloon larger than the screen")
            << QRect(336, 336, 128, 128) << QSize(2000, 2000) << Side::Above;
    }
    void layout_keepsBalloonOnScreen_pointingAtTheCharacter() {
        QFETCH(QRect, figure);
        QFETCH(QSize, body);
        QFETCH(BalloonGeometry::Side, side);
        const BalloonGeometry g = BalloonLayout::place(figure, kScreen, body, body);
        QCOMPARE(g.window.intersected(kScreen), g.window); // on the screen
        QCOMPARE(g.side, side);
        const QRectF local(QPointF(0, 0), QSizeF(g.window.size()));
        QVERIFY(local.contains(g.body));
        QVERIFY(local.adjusted(-0.5, -0.5, 0.5, 0.5).contains(g.tail.boundingRect()));
        // The tail leaves the body and ends at (or just beside) the character.
        QVERIFY(!g.body.contains(g.tip()));
        if (body.width() < 400) { // a balloon that fits is shown whole, beside the figure
            QCOMPARE(g.body.size().toSize(), body);
            QVERIFY(distance(g.tip() + g.window.topLeft(), figure) <= BalloonLayout::kTailLength);
        }
    }

    void layout_keepsItsSide_whileTheBalloonGrows() {
        // Near the top edge only the finished balloon would not fit above.
        const QRect figure(300, 100, 128, 128);
        const QSize finalBody(280, 120);
        const BalloonGeometry first = BalloonLayout::place(figure, kScreen, {60, 30}, finalBody);
        const BalloonGeometry last = BalloonLayout::place(figure, kScreen, finalBody, finalBody);
        QCOMPARE(first.side, last.side);
        QCOMPARE(first.side, BalloonGeometry::Side::Right);
        // It grows away from its tail, which stays put.
        QCOMPARE(first.tip() + first.window.topLeft(), last.tip() + last.window.topLeft());
        QCOMPARE(first.body.top() + first.window.top(), last.body.top() + last.window.top());
        QCOMPARE(first.body.left() + first.window.left(), last.body.left() + last.window.left());
    }

    void text_wrapsOnceAndRevealsWordByWord() {
        const QFont font("DejaVu Sans", 10);
        const QString text = "Nice to see you again, Sam. This line is long enough to wrap "
                             "several times at a narrow width.\r\nSecond paragraph.";
        const BalloonText balloon(text, font, 150);
        QVERIFY(balloon.lines().size() >= 5);
        for (const BalloonText::Line& line : balloon.lines()) {
            const QString shown = text.mid(line.start, line.length).trimmed();
            QVERIFY(QFontMetricsF(font).horizontalAdvance(shown) <= 150);
            QVERIFY(!shown.contains('\r') && !shown.contains('\n'));
        }
        QCOMPARE(text.mid(balloon.lines().back().start, balloon.lines().back().length),
                 QString("Second paragraph."));
        // Punctuation that clings to a word appears with it.
        const int again = static_cast<int>(text.indexOf("again"));
        QCOMPARE(balloon.revealEnd(again, 5), again + 6);
        QCOMPARE(balloon.view(again + 6, 5).lines.join(' '), QString("Nice to see you again,"));
        // A long text scrolls: the latest lines show, no more than allowed.
        const BalloonText::View end = balloon.view(static_cast<int>(text.size()), 3);
        QCOMPARE(end.lines.size(), 3);
        QCOMPARE(end.lines.last(), QString("Second paragraph."));
        QCOMPARE(end.size.height(), std::ceil(3 * balloon.lineHeight()));
        QVERIFY(!BalloonText(" \t\r\n ", font, 120).hasVisibleText());
    }

    void balloon_showsSpokenWordsAsPlainText_andFadesAfterTheSpeech() {
        BalloonSettings settings;
        settings.lingerMs = 50;
        settings.fadeMs = 50;
        WordBalloon balloon(settings);
        QVERIFY(balloon.windowFlags() & Qt::WindowDoesNotAcceptFocus);
        QVERIFY(balloon.windowFlags() & Qt::WindowStaysOnTopHint);
        const QRect figure(600, 600, 128, 128);
        balloon.setAnchor(figure);
        const QString text = "<b>Hi</b> &amp; welcome, Sam!";
        balloon.beginSpeech(text);
        QVERIFY(!balloon.isVisible()); // nothing until the first word is heard
        balloon.revealWord(0, 9);
        QVERIFY(balloon.isVisible());
        QCOMPARE(balloon.shownLines(), QStringList{"<b>Hi</b>"});
        const QRect window = balloon.geometry();
        const QRect firstWord = balloon.placement().window;
        QVERIFY(window.contains(firstWord));
        balloon.revealWord(static_cast<int>(text.indexOf("welcome")), 7);
        QCOMPARE(balloon.shownLines(), QStringList{"<b>Hi</b> &amp; welcome,"});
        // It grows word by word inside a window that stays put.
        QVERIFY(balloon.placement().window.width() > firstWord.width());
        QCOMPARE(balloon.geometry(), window);
        QVERIFY(kScreen.contains(balloon.geometry()));
        // Without a compositor the balloon is masked to its shape, never a box.
        QVERIFY(!balloon.mask().isEmpty());
        QVERIFY(!balloon.mask().contains(QPoint(0, 0)) ||
                !balloon.mask().contains(QPoint(balloon.width() - 1, balloon.height() - 1)));

        // It follows the character.
        const QRect before = balloon.geometry();
        balloon.setAnchor(figure.translated(-300, -200));
        QVERIFY(balloon.geometry() != before);
        QVERIFY(kScreen.contains(balloon.geometry()));
        QVERIFY(distance(balloon.placement().tip() + balloon.placement().window.topLeft(),
                         figure.translated(-300, -200)) <= BalloonLayout::kTailLength);

        balloon.finishSpeech();
        QCOMPARE(balloon.shownLines(), QStringList{text});
        QTRY_VERIFY(!balloon.isVisible());

        // Text with nothing to show shows no balloon.
        balloon.beginSpeech("   ");
        balloon.revealWord(0, 3);
        balloon.finishSpeech();
        QVERIFY(!balloon.isVisible());
        // Stopping hides it at once.
        balloon.beginSpeech("Stop me");
        balloon.revealWord(0, 4);
        QVERIFY(balloon.isVisible());
        balloon.clear();
        QVERIFY(!balloon.isVisible());
        balloon.revealWord(5, 2); // a late word of the stopped speech changes nothing
        QVERIFY(!balloon.isVisible());
    }
};

QTEST_MAIN(WordBalloonTest)
#include "WordBalloonTest.moc"
