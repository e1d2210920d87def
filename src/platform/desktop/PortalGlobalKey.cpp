#include "platform/desktop/PortalGlobalKey.h"

#include "platform/desktop/X11GlobalKey.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <atomic>
#include <xkbcommon/xkbcommon.h>

namespace tk {

// One shortcut as the portal passes it: its id and its properties.
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};

} // namespace tk

Q_DECLARE_METATYPE(tk::PortalShortcut)

namespace tk {

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut) {
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut) {
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString kShortcutId = QStringLiteral("key");

void registerTypes() {
    static const bool registered = [] {
        // The first use of the D-Bus type system sets up its own types, which
        // the signals' slots need (connecting to them before that fails).
        QDBusMetaType::typeToSignature(QMetaType::fromType<QDBusObjectPath>());
        qDBusRegisterMetaType<PortalShortcut>();
        qDBusRegisterMetaType<QList<PortalShortcut>>();
        return true;
    }();
    Q_UNUSED(registered);
}

// An object path from a value the portal sent as a path or as a string.
QString pathOf(const QVariant& value) {
    if (value.canConvert<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}

} // namespace

bool PortalGlobalKey::offered(const QDBusConnection& bus, int timeoutMs) {
    if (!bus.isConnected())
        return false;
    QDBusMessage get = QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << kInterface << QStringLiteral("version");
    const QDBusMessage reply = QDBusConnection(bus).call(get, QDBus::Block, timeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().first().value<QDBusVariant>().variant().toUInt() > 0;
}

QString PortalGlobalKey::trigger(const QKeySequence& key) {
    if (key.isEmpty())
        return {};
    const QKeyCombination combination = key[0];
    const std::uint32_t sym = X11GlobalKey::keySym(combination.key());
    char name[64] = {};
    if (sym == 0 || xkb_keysym_get_name(sym, name, sizeof name) <= 0)
        return {};
    QStringList parts;
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
    if (modifiers & Qt::ControlModifier)
        parts << QStringLiteral("CTRL");
    if (modifiers & Qt::AltModifier)
        parts << QStringLiteral("ALT");
    if (modifiers & Qt::ShiftModifier)
        parts << QStringLiteral("SHIFT");
    if (modifiers & Qt::MetaModifier)
        parts << QStringLiteral("LOGO");
    parts << QString::fromLatin1(name);
    return parts.join(QLatin1Char('+'));
}

PortalGlobalKey::PortalGlobalKey(const QDBusConnection& bus, QObject* parent)
    : GlobalKey(parent), m_bus(bus) {
    registerTypes();
    const bool listening =
        m_bus.connect(kService, kPath, kInterface, QStringLiteral("Activated"), this,
                      SLOT(onActivated(QDBusObjectPath, QString, quint64, QVariantMap))) &&
        m_bus.connect(kService, kPath, kInterface, QStringLiteral("Deactivated"), this,
                      SLOT(onDeactivated(QDBusObjectPath, QString, quint64, QVariantMap)));
    if (!listening)
        qWarning("the desktop portal's shortcut signals cannot be received");
}

PortalGlobalKey::~PortalGlobalKey() {
    closeSession();
}

GlobalKey::Status PortalGlobalKey::setKey(const QKeySequence& key) {
    const QKeySequence wanted = key.isEmpty() ? QKeySequence() : QKeySequence(key[0]);
    if (wanted == m_key && (m_status == Status::Active || m_status == Status::Pending))
        return m_status;
    closeSession();
    m_key = wanted;
    m_triggerDescription.clear();
    if (wanted.isEmpty())
        m_status = Status::Off;
    else if (trigger(wanted).isEmpty())
        m_status = Status::Invalid;
    else if (!request(Step::CreatingSession, QStringLiteral("CreateSession"), {}))
        m_status = Status::Unsupported;
    else
        m_status = Status::Pending;
    return m_status;
}

bool PortalGlobalKey::request(Step step, const QString& method, const QVariantList& arguments) {
    // The answer comes on a path made of this connection's name and a token of
    // our choosing; it is listened to before the call, so it cannot be missed.
    // Tokens name requests and sessions on this program's connection, so every
    // key of the program takes its own.
    static std::atomic<int> tokens{0};
    const QString token = QStringLiteral("tovrinkin%1").arg(++tokens);
    QString sender = m_bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString path = kPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
    if (!m_requestPath.isEmpty())
        m_bus.disconnect(kService, m_requestPath, kRequestInterface, QStringLiteral("Response"),
                         this, SLOT(onResponse(uint, QVariantMap)));
    m_requestPath = path;
    m_bus.connect(kService, path, kRequestInterface, QStringLiteral("Response"), this,
                  SLOT(onResponse(uint, QVariantMap)));
    QVariantMap options{{QStringLiteral("handle_token"), token}};
    if (step == Step::CreatingSession)
        options.insert(QStringLiteral("session_handle_token"), token);
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    call.setArguments(QVariantList(arguments) << QVariant(options));
    m_step = step;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, step, path] {
        watcher->deleteLater();
        if (m_step != step || m_requestPath != path)
            return; // given up meanwhile
        const QDBusMessage reply = watcher->reply();
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            finish(step == Step::CreatingSession ? Status::Unsupported : Status::Refused);
            return;
        }
        // Older portals answer on a path of their own making.
        const QString handle = pathOf(reply.arguments().first());
        if (!handle.isEmpty() && handle != path) {
            m_bus.disconnect(kService, path, kRequestInterface, QStringLiteral("Response"), this,
                             SLOT(onResponse(uint, QVariantMap)));
            m_requestPath = handle;
            m_bus.connect(kService, handle, kRequestInterface, QStringLiteral("Response"), this,
                          SLOT(onResponse(uint, QVariantMap)));
        }
    });
    return m_bus.isConnected();
}

void PortalGlobalKey::onResponse(uint response, const QVariantMap& results) {
    const Step step = std::exchange(m_step, Step::None);
    if (step == Step::CreatingSession) {
        m_session =
            response == 0 ? pathOf(results.value(QStringLiteral("session_handle"))) : QString();
        if (m_session.isEmpty())
            finish(Status::Refused);
        else
            bind();
    } else if (step == Step::Binding) {
        if (response != 0) {
            finish(Status::Refused);
            return;
        }
        if (!results.contains(QStringLiteral("shortcuts"))) {
            finish(Status::Active);
            return;
        }
        QList<PortalShortcut> shortcuts;
        results.value(QStringLiteral("shortcuts")).value<QDBusArgument>() >> shortcuts;
        for (const PortalShortcut& shortcut : shortcuts) {
            if (shortcut.id == kShortcutId) {
                m_triggerDescription =
                    shortcut.properties.value(QStringLiteral("trigger_description")).toString();
                finish(Status::Active);
                return;
            }
        }
        finish(Status::Refused); // the user left the shortcut out
    }
}

void PortalGlobalKey::bind() {
    const PortalShortcut shortcut{kShortcutId,
                                  {{QStringLiteral("description"),
                                    m_purpose.isEmpty() ? QStringLiteral("Tovrin Kin") : m_purpose},
                                   {QStringLiteral("preferred_trigger"), trigger(m_key)}}};
    if (!request(Step::Binding, QStringLiteral("BindShortcuts"),
                 {QVariant::fromValue(QDBusObjectPath(m_session)),
                  QVariant::fromValue(QList<PortalShortcut>{shortcut}), QString()}))
        finish(Status::Refused);
}

void PortalGlobalKey::closeSession() {
    if (!m_requestPath.isEmpty()) {
        m_bus.disconnect(kService, m_requestPath, kRequestInterface, QStringLiteral("Response"),
                         this, SLOT(onResponse(uint, QVariantMap)));
        m_requestPath.clear();
    }
    m_step = Step::None;
    if (!m_session.isEmpty()) {
        m_bus.asyncCall(QDBusMessage::createMethodCall(
            kService, m_session, QStringLiteral("org.freedesktop.portal.Session"),
            QStringLiteral("Close")));
        m_session.clear();
    }
    if (std::exchange(m_down, false))
        emit released();
}

void PortalGlobalKey::finish(Status status) {
    m_step = Step::None;
    m_status = status;
    emit statusChanged();
}

void PortalGlobalKey::onActivated(const QDBusObjectPath& session, const QString& id, quint64,
                                  const QVariantMap&) {
    if (session.path() != m_session || id != kShortcutId || m_down)
        return;
    m_down = true;
    emit pressed();
}

void PortalGlobalKey::onDeactivated(const QDBusObjectPath& session, const QString& id, quint64,
                                    const QVariantMap&) {
    if (session.path() != m_session || id != kShortcutId || !m_down)
        return;
    m_down = false;
    emit released();
}

} // namespace tk
