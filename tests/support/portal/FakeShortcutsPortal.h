#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QMutex>
#include <QObject>
#include <QVariantMap>
#include <atomic>

namespace tk::test {

// One shortcut as the portal passes it: its id and its properties.
struct FakeShortcut {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const FakeShortcut& shortcut);
const QDBusArgument& operator>>(const QDBusArgument& argument, FakeShortcut& shortcut);

// A session of the fake portal: records that it was closed.
class FakeSession : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Session")
public:
    FakeSession(QMutex& mutex, QStringList& closed, QString path, QObject* parent);
public slots:
    void Close();

private:
    QMutex& m_mutex;
    QStringList& m_closed;
    QString m_path;
};

// The desktop portal's global shortcuts as the documented protocol has them:
// requests answered by a Response signal on the request's path, sessions that
// can be closed, Activated and Deactivated sent on demand. serve() registers it
// on a bus as the portal.
class FakeShortcutsPortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")
    Q_PROPERTY(uint version READ version)
public:
    explicit FakeShortcutsPortal(const QDBusConnection& bus);
    uint version() const { return 1; }
    // Takes the portal's name and path on the bus; false when they are taken.
    bool serve();
    // The path of the session a client (its unique name) made with token.
    static QString sessionPath(const QString& client, const QString& token);
    // Sends Activated or Deactivated for the shortcut id of session.
    void signal(const QString& name, const QString& session, const QString& id);

    // What the next BindShortcuts answers: the response code and the trigger the
    // user picked ("" to leave trigger_description out).
    std::atomic<uint> bindResponse{0};
    QMutex mutex; // guards what follows
    QString chosenTrigger;
    QList<QVariantMap> created;
    QList<FakeShortcut> bound;
    QStringList boundSessions; // the session of each bound shortcut
    QStringList closed;

public slots:
    QDBusObjectPath CreateSession(const QVariantMap& options, const QDBusMessage& message);
    QDBusObjectPath BindShortcuts(const QDBusObjectPath& session,
                                  const QList<tk::test::FakeShortcut>& shortcuts,
                                  const QString& parentWindow, const QVariantMap& options,
                                  const QDBusMessage& message);

signals:
    void shortcutsBound();

private:
    QDBusObjectPath respond(const QDBusMessage& message, const QVariantMap& options, uint response,
                            const QVariantMap& results);
    QDBusConnection m_bus;
};

} // namespace tk::test

Q_DECLARE_METATYPE(tk::test::FakeShortcut)
