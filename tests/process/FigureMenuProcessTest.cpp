// The real executable on a private X server, driven with real X events: the
// figure's menu and the windows its entries bring back.
#include "PrivateDisplay.h"
#include "ProgramRun.h"

#include <QtTest>
#include <algorithm>

using namespace tk::test;

namespace {

const QByteArray kKnownUser = "[MAIN]\r\nFIRST=1\r\n[USER]\r\nNAME=Sam\r\n";

// The figure's window once it is on the screen.
std::optional<XWindow> waitForFigure(const PrivateDisplay& display) {
    return display.waitForWindow(QStringLiteral("Tovrin"), 15000);
}

// The figure once it stands still: it may still be stepping aside from a window
// that just opened, or back from one that was minimised.
std::optional<XWindow> waitForStillFigure(const PrivateDisplay& display) {
    std::optional<XWindow> last = waitForFigure(display);
    QElapsedTimer still;
    still.start();
    const QDeadlineTimer deadline(10000);
    while (last && still.elapsed() < 500 && !deadline.hasExpired()) {
        QTest::qWait(50);
        const std::optional<XWindow> now = display.waitForWindow(QStringLiteral("Tovrin"), 1000);
        if (now && now->geometry != last->geometry)
            still.restart();
        last = now;
    }
    return last;
}

QPoint middleOf(const XWindow& window) {
    return window.geometry.center();
}

// Opens the figure's menu with a right-click and chooses its entry at position
// (1 for the first) with the keyboard, as the menu holds the keyboard.
bool chooseFromMenu(const PrivateDisplay& display, const XWindow& figure, int position) {
    if (!display.click(middleOf(figure), 3) ||
        !QTest::qWaitFor([&] { return !display.viewableMenus().isEmpty(); }, 5000))
        return false;
    QStringList keys{QStringLiteral("key")};
    for (int step = 0; step < position; ++step)
        keys.append(QStringLiteral("Down"));
    keys.append(QStringLiteral("Return"));
    return display.xdotool(keys);
}

// Moves the pointer from start in small steps to a point just inside menu
// (an entry's edge), as a hand does that moves a little during a click.
bool handSlidesOnto(const PrivateDisplay& display, QPoint start, const QRect& menu) {
    const QPoint inside(std::clamp(start.x(), menu.left() + 12, menu.right() - 12),
                        std::clamp(start.y(), menu.top() + 12, menu.bottom() - 12));
    QStringList steps;
    constexpr int kSteps = 8;
    for (int step = 1; step <= kSteps; ++step) {
        const QPoint at = start + (inside - start) * step / kSteps;
        steps << QStringLiteral("mousemove") << QString::number(at.x()) << QString::number(at.y())
              << QStringLiteral("sleep") << QStringLiteral("0.02");
    }
    return display.xdotool(steps);
}

} // namespace

class FigureMenuProcessTest : public QObject {
    Q_OBJECT

    static PrivateDisplay::Manager manager(const QString& name) {
        return name == QLatin1String("openbox") ? PrivateDisplay::Manager::Openbox
                                                : PrivateDisplay::Manager::None;
    }

private slots:
    void rightClick_afterTheNameBox_opensTheMenu_data() {
        QTest::addColumn<QString>("manager");
        QTest::newRow("no window manager") << QString();
        QTest::newRow("openbox") << QStringLiteral("openbox");
    }

    void rightClick_afterTheNameBox_opensTheMenu() {
        QFETCH(QString, manager);
        const QString missing = PrivateDisplay::missingTools(this->manager(manager));
        if (!missing.isEmpty())
            QSKIP(qPrintable(missing));
        PrivateDisplay display(this->manager(manager));
        QVERIFY2(display.error().isEmpty(), qPrintable(display.error()));
        ProgramRun run(display);
        QVERIFY(run.putCharacter());
        QVERIFY2(run.start(), qPrintable(run.error()));

        const auto box = display.waitForWindow(QStringLiteral("TOVRIN SAYS"), 15000);
        QVERIFY2(box, qPrintable(run.errorOutput()));
        const auto figure = waitForFigure(display);
        QVERIFY(figure);
        // The pointer rests on the figure while the box is answered, so the
        // figure sees no motion before the press.
        QVERIFY(display.xdotool({"mousemove", QString::number(middleOf(*figure).x()),
                                 QString::number(middleOf(*figure).y()), "sleep", "0.2"}));
        QVERIFY(display.key(box->id, QStringLiteral("Return")));
        QTRY_VERIFY(display.viewableWindows(QStringLiteral("TOVRIN SAYS")).isEmpty());

        // A right-click as a hand makes it: the pointer moves a few pixels while
        // the button is down, onto the menu that the press opened under it.
        // That opens the menu and chooses nothing: a chosen entry would close it.
        for (int attempt = 0; attempt < 2; ++attempt) {
            const QPoint press = middleOf(*figure) + QPoint(attempt * 7, attempt * 5);
            QVERIFY(
                display.xdotool({"mousemove", QString::number(press.x()),
                                 QString::number(press.y()), "sleep", "0.1", "mousedown", "3"}));
            QTRY_VERIFY_WITH_TIMEOUT(!display.viewableMenus().isEmpty(), 5000);
            const QRect menu = display.viewableMenus().first().geometry;
            QVERIFY(handSlidesOnto(display, press, menu));
            QVERIFY(display.xdotool({"mouseup", "3"}));
            QTest::qWait(400);
            QVERIFY2(!display.viewableMenus().isEmpty(), "the right-click chose an entry");
            QVERIFY2(display.viewableWindows(QStringLiteral("Real Chat 1")).isEmpty(),
                     "the right-click ran Real Chat");
            QVERIFY(display.xdotool({"key", "Escape"}));
            QTRY_VERIFY(display.viewableMenus().isEmpty());
        }

        // A click on an entry of the open menu still chooses it.
        QVERIFY(display.click(middleOf(*figure), 3));
        QTRY_VERIFY_WITH_TIMEOUT(!display.viewableMenus().isEmpty(), 5000);
        const QRect menu = display.viewableMenus().first().geometry;
        QVERIFY(display.click(menu.topLeft() + QPoint(menu.width() / 3, 10), 1));
        QVERIFY(display.waitForWindow(QStringLiteral("Real Chat 1"), 5000));
        QTRY_VERIFY(display.viewableMenus().isEmpty());
    }

    void choosingAMinimisedWindowsEntry_bringsItBack_data() {
        QTest::addColumn<int>("entry");
        QTest::addColumn<QString>("title");
        // Visible entries: Real Chat, the dashes, Help, Options, Exit.
        QTest::newRow("chat") << 1 << QStringLiteral("Real Chat 1");
        QTest::newRow("options") << 4 << QStringLiteral("Options");
    }

    void choosingAMinimisedWindowsEntry_bringsItBack() {
        QFETCH(int, entry);
        QFETCH(QString, title);
        // Only a window manager minimises windows.
        const QString missing = PrivateDisplay::missingTools(PrivateDisplay::Manager::Openbox);
        if (!missing.isEmpty())
            QSKIP(qPrintable(missing));
        PrivateDisplay display(PrivateDisplay::Manager::Openbox);
        QVERIFY2(display.error().isEmpty(), qPrintable(display.error()));
        ProgramRun run(display);
        QVERIFY(run.putCharacter());
        QVERIFY(run.writeFile(QStringLiteral("main.ini"), kKnownUser));
        QVERIFY2(run.start(), qPrintable(run.error()));
        const auto figure = waitForFigure(display);
        QVERIFY2(figure, qPrintable(run.errorOutput()));

        QVERIFY(chooseFromMenu(display, *figure, entry));
        const auto window = display.waitForWindow(title);
        QVERIFY(window);
        QVERIFY(display.xdotool({"windowminimize", "--sync", QString::number(window->id)}));
        const auto state = [&] {
            for (const XWindow& w : display.windows()) {
                if (w.id == window->id)
                    return w;
            }
            return XWindow{};
        };
        QTRY_VERIFY(state().iconic);

        const auto movedFigure = waitForStillFigure(display);
        QVERIFY(movedFigure);
        QVERIFY2(chooseFromMenu(display, *movedFigure, entry), qPrintable(run.errorOutput()));
        QTRY_VERIFY_WITH_TIMEOUT(!state().iconic && state().viewable, 5000);
        QTRY_COMPARE(display.focusWindow(), window->id);
    }
};

QTEST_GUILESS_MAIN(FigureMenuProcessTest)
#include "FigureMenuProcessTest.moc"
