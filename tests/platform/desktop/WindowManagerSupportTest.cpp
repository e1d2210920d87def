// Which window managers the floating windows bypass: the test plays the window
// manager itself, announcing itself on the root window as EWMH managers do.
#include "platform/desktop/WindowManagerSupport.h"

#include <QGuiApplication>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>
#include <QtTest>
#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <vector>
#include <xcb/xcb.h>

using namespace tk;

namespace {

xcb_atom_t atom(xcb_connection_t* connection, std::string_view name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(name.size()), name.data()),
        nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

} // namespace

class WindowManagerSupportTest : public QObject {
    Q_OBJECT

    xcb_connection_t* m_x = nullptr;
    xcb_window_t m_root = XCB_WINDOW_NONE;

    // Announces a manager with its own check window that supports the given states.
    xcb_window_t announceManager(const std::vector<std::string_view>& supported) {
        const xcb_window_t check = xcb_generate_id(m_x);
        xcb_create_window(m_x, XCB_COPY_FROM_PARENT, check, m_root, -10, -10, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        const xcb_atom_t checkAtom = atom(m_x, "_NET_SUPPORTING_WM_CHECK");
        xcb_change_property(m_x, XCB_PROP_MODE_REPLACE, check, checkAtom, XCB_ATOM_WINDOW, 32, 1,
                            &check);
        xcb_change_property(m_x, XCB_PROP_MODE_REPLACE, m_root, checkAtom, XCB_ATOM_WINDOW, 32, 1,
                            &check);
        std::vector<xcb_atom_t> atoms;
        for (std::string_view name : supported)
            atoms.push_back(atom(m_x, name));
        xcb_change_property(m_x, XCB_PROP_MODE_REPLACE, m_root, atom(m_x, "_NET_SUPPORTED"),
                            XCB_ATOM_ATOM, 32, static_cast<uint32_t>(atoms.size()), atoms.data());
        xcb_flush(m_x);
        return check;
    }

private slots:
    void initTestCase() {
        if (QGuiApplication::platformName() != "xcb")
            QSKIP("needs a real X display (run under Xvfb)");
        m_x = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_x)).data->root;
    }

    void cleanup() {
        xcb_delete_property(m_x, m_root, atom(m_x, "_NET_SUPPORTING_WM_CHECK"));
        xcb_delete_property(m_x, m_root, atom(m_x, "_NET_SUPPORTED"));
        xcb_flush(m_x);
    }

    void withoutAManagerWindowsStayManaged() {
        // Nothing moves windows or draws around them: nothing to bypass.
        QVERIFY(!floatingWindowsBypassManager());
    }

    void aManagerThatKeepsWindowsAboveIsUsed() {
        announceManager({"_NET_WM_STATE", "_NET_WM_STATE_ABOVE", "_NET_WM_STATE_SKIP_TASKBAR"});
        QVERIFY(!floatingWindowsBypassManager());
    }

    void aManagerThatCannotKeepWindowsAboveIsBypassed() {
        // What weston's manager for XWayland windows offers.
        announceManager({"_NET_WM_MOVERESIZE", "_NET_WM_STATE", "_NET_WM_STATE_FULLSCREEN",
                         "_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ",
                         "_NET_ACTIVE_WINDOW"});
        QVERIFY(floatingWindowsBypassManager());
    }

    void skippingTaskbarAndPagerKeepsQtsOwnStates() {
        QWidget window(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        window.resize(20, 20);
        skipTaskbarAndPager(&window); // as from showEvent: before the window is mapped
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const xcb_atom_t state = atom(m_x, "_NET_WM_STATE");
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            m_x,
            xcb_get_property(m_x, 0, static_cast<xcb_window_t>(window.winId()), state,
                             XCB_ATOM_ATOM, 0, 64),
            nullptr);
        QVERIFY(reply);
        const auto* values = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
        const std::vector<xcb_atom_t> states(values,
                                             values + xcb_get_property_value_length(reply) / 4);
        std::free(reply);
        for (std::string_view name :
             {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER", "_NET_WM_STATE_ABOVE"})
            QVERIFY2(std::find(states.begin(), states.end(), atom(m_x, name)) != states.end(),
                     name.data());
        for (xcb_atom_t each : states)
            QCOMPARE(std::count(states.begin(), states.end(), each), 1);
    }

    void aManagerThatHasGoneIsNotCounted() {
        // A killed manager leaves its root properties behind, pointing at a window
        // that no longer exists.
        const xcb_window_t check = announceManager({"_NET_WM_STATE"});
        xcb_destroy_window(m_x, check);
        xcb_flush(m_x);
        QVERIFY(!floatingWindowsBypassManager());
    }
};

QTEST_MAIN(WindowManagerSupportTest)
#include "WindowManagerSupportTest.moc"
