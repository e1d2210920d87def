#pragma once

#include <QKeySequence>
#include <QObject>
#include <QString>

namespace tk {

// A key that reaches this program whatever window has the focus. One object
// holds one key; a program may hold several. pressed() and released() come in
// pairs for each real press: a key held down gives no repeats.
class GlobalKey : public QObject {
    Q_OBJECT
public:
    enum class Status {
        Off,         // no key is set
        Active,      // the key reaches this program
        Taken,       // another program holds the key
        Unsupported, // the window system offers no global keys to this program
        Invalid,     // the key cannot be made global (no such key on this keyboard)
        Pending,     // the desktop is being asked for the key; statusChanged() tells the answer
        Refused,     // the desktop (or the user, asked by it) did not give the key
    };

    using QObject::QObject;
    ~GlobalKey() override = default;
    GlobalKey(const GlobalKey&) = delete;
    GlobalKey& operator=(const GlobalKey&) = delete;

    // Makes key (its first combination) the global key in place of the previous
    // one; an empty sequence gives it up. Returns the new status.
    virtual Status setKey(const QKeySequence& key) = 0;
    virtual QKeySequence key() const = 0;
    virtual Status status() const = 0;

    // What the key does, for desktops that show it when they give the key; set
    // before setKey().
    virtual void setPurpose(const QString& purpose) { Q_UNUSED(purpose); }
    // How the desktop says the key is triggered, where it may differ from the key
    // asked for (the user picked another); "" when it is the key itself.
    virtual QString triggerDescription() const { return {}; }
    // Whether the key reaches this program only while an X11 window has the
    // focus (an X11 key in a Wayland session).
    virtual bool onlyWhileX11HasFocus() const { return false; }

    // A key as users read it in menus and messages ("Pause", "Ctrl+Alt+K"); "" for none.
    static QString displayText(const QKeySequence& key);

signals:
    void pressed();
    void released();
    // status() changed by itself (an answer from the desktop), not by setKey().
    void statusChanged();
};

} // namespace tk
