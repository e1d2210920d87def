#include "platform/desktop/X11GlobalKey.h"

#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>
#include <QtTest>
#include <cstdlib>
#include <xcb/xcb.h>

using namespace tk;
using Status = GlobalKey::Status;

namespace {

// Sends key events through the X test extension, as a keyboard would.
bool xdotool(const QStringList& arguments) {
    return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
}

} // namespace

class GlobalKeyTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (QGuiApplication::platformName() != "xcb")
            QSKIP("needs a real X display (run under Xvfb)");
        if (QStandardPaths::findExecutable("xdotool").isEmpty())
            QSKIP("xdotool is not installed");
    }

    void keysAndModifiers_mapToX() {
        QCOMPARE(X11GlobalKey::keySym(Qt::Key_Pause), 0xff13u);
        QCOMPARE(X11GlobalKey::keySym(Qt::Key_F1), 0xffbeu);
        QCOMPARE(X11GlobalKey::keySym(Qt::Key_F12), 0xffc9u);
        QCOMPARE(X11GlobalKey::keySym(Qt::Key_K), std::uint32_t('k'));
        QCOMPARE(X11GlobalKey::keySym(Qt::Key_Space), 0x20u);
        QCOMPARE(X11GlobalKey::keySym(Qt::Key_Launch0), 0u);
        QCOMPARE(X11GlobalKey::modifierMask(Qt::ControlModifier | Qt::AltModifier),
                 std::uint16_t(XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1));
        QCOMPARE(X11GlobalKey::modifierMask(Qt::MetaModifier | Qt::ShiftModifier),
                 std::uint16_t(XCB_MOD_MASK_4 | XCB_MOD_MASK_SHIFT));
        QCOMPARE(GlobalKey::displayText(QKeySequence("Ctrl+Alt+K")), QString("Ctrl+Alt+K"));
        QCOMPARE(GlobalKey::displayText(QKeySequence()), QString());
    }

    void heldKey_givesOnePressAndOneReleaseWhateverHasTheFocus() {
        QWidget focused;
        focused.show();
        focused.activateWindow();
        QVERIFY(QTest::qWaitForWindowExposed(&focused));

        X11GlobalKey key;
        QSignalSpy pressed(&key, &GlobalKey::pressed);
        QSignalSpy released(&key, &GlobalKey::released);
        QCOMPARE(key.setKey(QKeySequence(Qt::Key_Pause)), Status::Active);
        QCOMPARE(key.status(), Status::Active);

        QVERIFY(xdotool({"keydown", "Pause"}));
        QTRY_COMPARE(pressed.count(), 1);
        // Held past the server's auto-repeat delay: still one press, no release.
        QTest::qWait(900);
        QCOMPARE(pressed.count(), 1);
        QCOMPARE(released.count(), 0);
        QVERIFY(xdotool({"keyup", "Pause"}));
        QTRY_COMPARE(released.count(), 1);
        QCOMPARE(pressed.count(), 1);

        // With Num Lock on, a modified key still arrives; the plain key does not.
        QCOMPARE(key.setKey(QKeySequence("Ctrl+Alt+K")), Status::Active);
        QVERIFY(xdotool({"key", "ctrl+alt+k"}));
        QTRY_COMPARE(released.count(), 2);
        QVERIFY(xdotool({"key", "Num_Lock"}));
        QVERIFY(xdotool({"key", "ctrl+alt+k"}));
        QVERIFY(xdotool({"key", "k"}));
        QVERIFY(xdotool({"key", "Num_Lock"}));
        QTRY_COMPARE(released.count(), 3);
        QCOMPARE(pressed.count(), 3);

        // Given up, the key no longer arrives.
        QCOMPARE(key.setKey(QKeySequence()), Status::Off);
        QVERIFY(xdotool({"key", "ctrl+alt+k"}));
        QTest::qWait(200);
        QCOMPARE(pressed.count(), 3);
    }

    void keyHeldByAnotherProgram_isTakenUntilItLetsGo() {
        // Another client grabs Ctrl+Shift+F9 on the root window first.
        xcb_connection_t* other = xcb_connect(nullptr, nullptr);
        QVERIFY(!xcb_connection_has_error(other));
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other)).data->root;
        X11GlobalKey probe;
        QCOMPARE(probe.setKey(QKeySequence("Ctrl+Shift+F9")), Status::Active);
        probe.setKey({});
        const xcb_keycode_t f9 = [&] {
            auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
            xcb_connection_t* own = x11->connection();
            const xcb_setup_t* setup = xcb_get_setup(own);
            const int count = setup->max_keycode - setup->min_keycode + 1;
            auto* mapping = xcb_get_keyboard_mapping_reply(
                own, xcb_get_keyboard_mapping(own, setup->min_keycode, count), nullptr);
            const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(mapping);
            xcb_keycode_t code = 0;
            for (int i = 0; i < count && !code; ++i)
                if (syms[i * mapping->keysyms_per_keycode] == 0xffc6)
                    code = xcb_keycode_t(setup->min_keycode + i);
            std::free(mapping);
            return code;
        }();
        QVERIFY(f9 != 0);
        xcb_generic_error_t* error = xcb_request_check(
            other, xcb_grab_key_checked(other, 0, root, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT,
                                        f9, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        QVERIFY(!error);

        X11GlobalKey key;
        QSignalSpy pressed(&key, &GlobalKey::pressed);
        QCOMPARE(key.setKey(QKeySequence("Ctrl+Shift+F9")), Status::Taken);
        QVERIFY(xdotool({"key", "ctrl+shift+F9"}));
        QTest::qWait(200);
        QCOMPARE(pressed.count(), 0);

        xcb_disconnect(other);
        QCOMPARE(key.setKey(QKeySequence("Ctrl+Shift+F9")), Status::Active);
        QCOMPARE(key.setKey(QKeySequence(Qt::Key_Launch0)), Status::Invalid);
    }
};

QTEST_MAIN(GlobalKeyTest)
#include "GlobalKeyTest.moc"
