#include "FakeShortcutsPortal.h"

#include <QDBusMetaType>

namespace tk::test {

namespace {
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");

QString senderOf(const QString& uniqueName) {
    return uniqueName.mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
}
} // namespace

QDBusArgument& operator<<(QDBusArgument& argument, const FakeShortcut& shortcut) {
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, FakeShortcut& shortcut) {
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

FakeSession::FakeSession(QMutex& mutex, QStringList& closed, QString path, QObject* parent)
    : QObject(parent), m_mutex(mutex), m_closed(closed), m_path(std::move(path)) {}

void FakeSession::Close() {
    QMutexLocker lock(&m_mutex);
    m_closed.append(m_path);
}

FakeShortcutsPortal::FakeShortcutsPortal(const QDBusConnection& bus) : m_bus(bus) {
    qDBusRegisterMetaType<FakeShortcut>();
    qDBusRegisterMetaType<QList<FakeShortcut>>();
}

bool FakeShortcutsPortal::serve() {
    return m_bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop")) &&
           m_bus.registerObject(
               kPath, this, QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties);
}

QString FakeShortcutsPortal::sessionPath(const QString& client, const QString& token) {
    return kPath + QStringLiteral("/session/") + senderOf(client) + QLatin1Char('/') + token;
}

QDBusObjectPath FakeShortcutsPortal::CreateSession(const QVariantMap& options,
                                                   const QDBusMessage& message) {
    const QString session = sessionPath(
        message.service(), options.value(QStringLiteral("session_handle_token")).toString());
    {
        QMutexLocker lock(&mutex);
        created.append(options);
    }
    m_bus.registerObject(session, new FakeSession(mutex, closed, session, this),
                         QDBusConnection::ExportAllSlots);
    return respond(message, options, 0, {{QStringLiteral("session_handle"), session}});
}

QDBusObjectPath FakeShortcutsPortal::BindShortcuts(const QDBusObjectPath& session,
                                                   const QList<FakeShortcut>& shortcuts,
                                                   const QString&, const QVariantMap& options,
                                                   const QDBusMessage& message) {
    QList<FakeShortcut> given;
    {
        QMutexLocker lock(&mutex);
        for (FakeShortcut shortcut : shortcuts) {
            bound.append(shortcut);
            boundSessions.append(session.path());
            shortcut.properties.clear();
            if (!chosenTrigger.isEmpty())
                shortcut.properties.insert(QStringLiteral("trigger_description"), chosenTrigger);
            given.append(shortcut);
        }
    }
    const QDBusObjectPath request =
        respond(message, options, bindResponse,
                {{QStringLiteral("shortcuts"), QVariant::fromValue(given)}});
    emit shortcutsBound();
    return request;
}

void FakeShortcutsPortal::signal(const QString& name, const QString& session, const QString& id) {
    QDBusMessage message = QDBusMessage::createSignal(
        kPath, QStringLiteral("org.freedesktop.portal.GlobalShortcuts"), name);
    message << QVariant::fromValue(QDBusObjectPath(session)) << id << qulonglong(0)
            << QVariantMap();
    m_bus.send(message);
}

QDBusObjectPath FakeShortcutsPortal::respond(const QDBusMessage& message,
                                             const QVariantMap& options, uint response,
                                             const QVariantMap& results) {
    // The call is answered with the request's path first, then the request with
    // its Response signal.
    const QString request = kPath + QStringLiteral("/request/") + senderOf(message.service()) +
                            QLatin1Char('/') +
                            options.value(QStringLiteral("handle_token")).toString();
    QMetaObject::invokeMethod(
        this,
        [this, request, response, results] {
            QDBusMessage answer = QDBusMessage::createSignal(
                request, QStringLiteral("org.freedesktop.portal.Request"),
                QStringLiteral("Response"));
            answer << response << results;
            m_bus.send(answer);
        },
        Qt::QueuedConnection);
    return QDBusObjectPath(request);
}

} // namespace tk::test
