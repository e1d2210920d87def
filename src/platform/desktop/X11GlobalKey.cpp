#include "platform/desktop/X11GlobalKey.h"

#include "X11Connection.h"

#include <QGuiApplication>
#include <QLoggingCategory>
#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>
#include <xcb/xcb.h>

namespace tk {

namespace {

Q_LOGGING_CATEGORY(lcGlobalKey, "tk.platform.globalkey")

// Long enough for the press the server sends with an auto-repeat release (it
// carries the same time and follows at once), short enough not to be felt.
constexpr int kRepeatWaitMs = 40;
constexpr std::uint8_t kBadAccess = 10;
constexpr std::uint16_t kLockMask = XCB_MOD_MASK_LOCK;
constexpr std::uint16_t kNumLockMask = XCB_MOD_MASK_2;
constexpr std::uint16_t kRelevantMask =
    XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;

// Every key code that gives keySym in any shift level.
QList<std::uint8_t> keyCodesOf(xcb_connection_t* connection, std::uint32_t keySym) {
    QList<std::uint8_t> codes;
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const int first = setup->min_keycode;
    const int count = setup->max_keycode - setup->min_keycode + 1;
    xcb_get_keyboard_mapping_reply_t* mapping = xcb_get_keyboard_mapping_reply(
        connection,
        xcb_get_keyboard_mapping(connection, setup->min_keycode, static_cast<std::uint8_t>(count)),
        nullptr);
    if (!mapping)
        return codes;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(mapping);
    const int perCode = mapping->keysyms_per_keycode;
    const int total = xcb_get_keyboard_mapping_keysyms_length(mapping);
    for (int code = 0; code < count; ++code) {
        for (int level = 0; level < perCode && code * perCode + level < total; ++level) {
            if (syms[code * perCode + level] == keySym) {
                codes.append(static_cast<std::uint8_t>(first + code));
                break;
            }
        }
    }
    std::free(mapping);
    return codes;
}

// The lock states a grab must also cover, so the key works with Caps Lock or Num Lock on.
constexpr std::uint16_t kLockVariants[] = {0, kLockMask, kNumLockMask, kLockMask | kNumLockMask};

} // namespace

X11GlobalKey::X11GlobalKey(QObject* parent) : GlobalKey(parent) {
    m_pendingRelease.setSingleShot(true);
    m_pendingRelease.setInterval(kRepeatWaitMs);
    connect(&m_pendingRelease, &QTimer::timeout, this, [this] {
        m_down = false;
        emit released();
    });
    if (qGuiApp)
        qGuiApp->installNativeEventFilter(this);
}

X11GlobalKey::~X11GlobalKey() {
    if (qGuiApp)
        qGuiApp->removeNativeEventFilter(this);
    ungrab();
}

std::uint32_t X11GlobalKey::keySym(Qt::Key key) {
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        return 0xffbe + (key - Qt::Key_F1);
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return 'a' + (key - Qt::Key_A);
    // Printable Latin-1 keys share their codes with their keysyms.
    if (key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde)
        return static_cast<std::uint32_t>(key);
    switch (key) {
    case Qt::Key_Pause:
        return 0xff13;
    case Qt::Key_ScrollLock:
        return 0xff14;
    case Qt::Key_Print:
        return 0xff61;
    case Qt::Key_Insert:
        return 0xff63;
    case Qt::Key_Menu:
        return 0xff67;
    case Qt::Key_Home:
        return 0xff50;
    case Qt::Key_Left:
        return 0xff51;
    case Qt::Key_Up:
        return 0xff52;
    case Qt::Key_Right:
        return 0xff53;
    case Qt::Key_Down:
        return 0xff54;
    case Qt::Key_PageUp:
        return 0xff55;
    case Qt::Key_PageDown:
        return 0xff56;
    case Qt::Key_End:
        return 0xff57;
    case Qt::Key_Backspace:
        return 0xff08;
    case Qt::Key_Tab:
        return 0xff09;
    case Qt::Key_Return:
        return 0xff0d;
    case Qt::Key_Enter:
        return 0xff8d;
    case Qt::Key_Escape:
        return 0xff1b;
    case Qt::Key_Delete:
        return 0xffff;
    default:
        return 0;
    }
}

std::uint16_t X11GlobalKey::modifierMask(Qt::KeyboardModifiers modifiers) {
    std::uint16_t mask = 0;
    if (modifiers & Qt::ShiftModifier)
        mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & Qt::AltModifier)
        mask |= XCB_MOD_MASK_1;
    if (modifiers & Qt::MetaModifier)
        mask |= XCB_MOD_MASK_4;
    return mask;
}

GlobalKey::Status X11GlobalKey::setKey(const QKeySequence& key) {
    ungrab();
    m_key = key.isEmpty() ? QKeySequence() : QKeySequence(key[0]);
    if (m_key.isEmpty()) {
        m_status = Status::Off;
        return m_status;
    }
    xcb_connection_t* connection = x11Connection();
    if (!connection) {
        m_status = Status::Unsupported;
        return m_status;
    }
    const QKeyCombination combination = m_key[0];
    const std::uint32_t sym = keySym(combination.key());
    const QList<std::uint8_t> codes = sym ? keyCodesOf(connection, sym) : QList<std::uint8_t>();
    if (codes.isEmpty()) {
        m_status = Status::Invalid;
        return m_status;
    }
    m_root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    m_modifiers = modifierMask(combination.keyboardModifiers());
    // Events always come to the root window (owner_events off), even while one
    // of this program's windows has the focus, so they are told apart easily.
    QList<xcb_void_cookie_t> cookies;
    for (std::uint8_t code : codes) {
        for (std::uint16_t locks : kLockVariants)
            cookies.append(xcb_grab_key_checked(connection, 0, m_root, m_modifiers | locks, code,
                                                XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    }
    bool taken = false;
    for (const xcb_void_cookie_t& cookie : cookies) {
        if (xcb_generic_error_t* error = xcb_request_check(connection, cookie)) {
            taken = taken || error->error_code == kBadAccess;
            std::free(error);
        }
    }
    m_keycodes = codes;
    if (taken) {
        // A partial grab would steal the key from its owner in some lock states.
        ungrab();
        m_status = Status::Taken;
        qCInfo(lcGlobalKey).noquote() << "another program holds" << displayText(m_key);
        return m_status;
    }
    m_status = Status::Active;
    return m_status;
}

void X11GlobalKey::ungrab() {
    if (m_pendingRelease.isActive()) {
        m_pendingRelease.stop();
        m_down = false;
        emit released();
    }
    if (m_keycodes.isEmpty())
        return;
    if (xcb_connection_t* connection = x11Connection()) {
        for (std::uint8_t code : m_keycodes) {
            for (std::uint16_t locks : kLockVariants)
                xcb_ungrab_key(connection, code, m_root, m_modifiers | locks);
        }
        xcb_flush(connection);
    }
    m_keycodes.clear();
    if (m_down) {
        m_down = false;
        emit released();
    }
}

bool X11GlobalKey::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (m_status != Status::Active || eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const std::uint8_t type = event->response_type & 0x7f;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
    if (key->event != m_root || !m_keycodes.contains(key->detail))
        return false;
    if (type == XCB_KEY_RELEASE) {
        // The modifiers may have been let go first: the key's release counts alone.
        if (!m_down)
            return false;
        onRelease(key->time);
        return true;
    }
    if ((key->state & kRelevantMask) != m_modifiers)
        return false;
    onPress(key->time);
    return true;
}

void X11GlobalKey::onPress(std::uint32_t time) {
    if (m_pendingRelease.isActive()) {
        // The press of an auto-repeat pair: the key is still held.
        m_pendingRelease.stop();
        if (time == m_releaseTime)
            return;
        // A new press right after a real release.
        emit released();
        emit pressed();
        return;
    }
    if (m_down)
        return; // a repeat without a release (detectable auto-repeat)
    m_down = true;
    emit pressed();
}

void X11GlobalKey::onRelease(std::uint32_t time) {
    m_releaseTime = time;
    m_pendingRelease.start();
}

bool X11GlobalKey::onlyWhileX11HasFocus() const {
    return qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace tk
