#pragma once

#include "platform/desktop/GlobalKey.h"

#include <QAbstractNativeEventFilter>
#include <QList>
#include <QTimer>
#include <cstdint>

namespace tk {

// A global key on X11 (XWayland included): a passive grab of the key on the
// root window, in every state of Caps Lock and Num Lock. Auto-repeat is taken
// out: a release that the server pairs with a new press is not passed on.
class X11GlobalKey final : public GlobalKey, private QAbstractNativeEventFilter {
    Q_OBJECT
public:
    explicit X11GlobalKey(QObject* parent = nullptr);
    ~X11GlobalKey() override;

    Status setKey(const QKeySequence& key) override;
    QKeySequence key() const override { return m_key; }
    Status status() const override { return m_status; }
    // True in a Wayland session: XWayland passes keys on only while an X11
    // window has the focus.
    bool onlyWhileX11HasFocus() const override;

    // The X keysym of a Qt key, 0 when there is none.
    static std::uint32_t keySym(Qt::Key key);
    // The X modifier mask of Qt's modifiers (Shift, Control, Mod1 for Alt, Mod4 for Meta).
    static std::uint16_t modifierMask(Qt::KeyboardModifiers modifiers);

private:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    void ungrab();
    void onPress(std::uint32_t time);
    void onRelease(std::uint32_t time);

    QKeySequence m_key;
    Status m_status = Status::Off;
    QList<std::uint8_t> m_keycodes; // the grabbed key codes
    std::uint16_t m_modifiers = 0;
    std::uint32_t m_root = 0;
    bool m_down = false;
    std::uint32_t m_releaseTime = 0;
    QTimer m_pendingRelease; // a release waits this long for its auto-repeat press
};

} // namespace tk
