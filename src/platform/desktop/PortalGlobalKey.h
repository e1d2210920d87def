#pragma once

#include "platform/desktop/GlobalKey.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QVariantMap>

namespace tk {

// A global key through the desktop portal's global shortcuts (Wayland sessions
// whose desktop offers them): the key is asked of the desktop as a shortcut of
// this program, which may confirm it with the user or let them pick another
// trigger. Its press and release arrive as the portal's Activated and
// Deactivated signals. Asking takes a while: setKey() answers Pending and
// statusChanged() tells how it ended.
class PortalGlobalKey final : public GlobalKey {
    Q_OBJECT
public:
    // Whether the portal on bus offers global shortcuts (asks the bus; up to
    // timeoutMs).
    static bool offered(const QDBusConnection& bus, int timeoutMs = 1000);
    // The key as a trigger in the desktop's shortcut notation ("CTRL+ALT+k",
    // "Pause"); "" when the key has no name there.
    static QString trigger(const QKeySequence& key);

    explicit PortalGlobalKey(const QDBusConnection& bus, QObject* parent = nullptr);
    ~PortalGlobalKey() override;

    Status setKey(const QKeySequence& key) override;
    QKeySequence key() const override { return m_key; }
    Status status() const override { return m_status; }
    QString triggerDescription() const override { return m_triggerDescription; }
    void setPurpose(const QString& purpose) override { m_purpose = purpose; }

private slots:
    void onResponse(uint response, const QVariantMap& results);
    void onActivated(const QDBusObjectPath& session, const QString& id, quint64 timestamp,
                     const QVariantMap& options);
    void onDeactivated(const QDBusObjectPath& session, const QString& id, quint64 timestamp,
                       const QVariantMap& options);

private:
    enum class Step { None, CreatingSession, Binding };
    // Sends a request whose answer comes as a Response signal on its own path.
    bool request(Step step, const QString& method, const QVariantList& arguments);
    void bind();
    void closeSession();
    void finish(Status status);

    QDBusConnection m_bus;
    QKeySequence m_key;
    Status m_status = Status::Off;
    QString m_triggerDescription;
    QString m_purpose;
    QString m_session; // the session's object path; "" for none
    QString m_requestPath;
    Step m_step = Step::None;
    bool m_down = false;
};

} // namespace tk
