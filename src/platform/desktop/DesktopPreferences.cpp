#include "DesktopPreferences.h"

#include "X11Connection.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QtEndian>
#include <cstring>
#include <memory>
#include <optional>
#include <xcb/xcb.h>

namespace tk {

namespace {

template <typename T> using XcbReply = std::unique_ptr<T, decltype(&std::free)>;

// The X settings property of the running settings manager, or empty.
QByteArray xSettingsProperty() {
    xcb_connection_t* connection = x11Connection();
    if (!connection)
        return {};
    const auto atom = [connection](const char* name) { return x11Atom(connection, name, false); };
    const xcb_atom_t selection = atom("_XSETTINGS_S0");
    const xcb_atom_t settings = atom("_XSETTINGS_SETTINGS");
    if (selection == XCB_ATOM_NONE || settings == XCB_ATOM_NONE)
        return {};
    XcbReply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection),
                                      nullptr),
        &std::free);
    if (!owner || owner->owner == XCB_WINDOW_NONE)
        return {};
    XcbReply<xcb_get_property_reply_t> property(
        xcb_get_property_reply(
            connection,
            xcb_get_property(connection, 0, owner->owner, settings, settings, 0, 64 * 1024),
            nullptr),
        &std::free);
    if (!property)
        return {};
    return QByteArray(static_cast<const char*>(xcb_get_property_value(property.get())),
                      xcb_get_property_value_length(property.get()));
}

std::optional<bool> flag(const QByteArray& value) {
    const QByteArray text = value.trimmed().toLower();
    if (text == "1" || text == "true" || text == "yes" || text == "on")
        return true;
    if (text == "0" || text == "false" || text == "no" || text == "off")
        return false;
    return std::nullopt;
}

} // namespace

DesktopPreferences DesktopPreferences::read() {
    DesktopPreferences preferences;
    const QByteArray xSettings = xSettingsProperty();
    if (xSettings.isEmpty() || !preferences.takeXSettings(xSettings)) {
        const QByteArray configHome = qgetenv("XDG_CONFIG_HOME");
        QFile kde((configHome.isEmpty() ? QDir::homePath() + QStringLiteral("/.config")
                                        : QString::fromLocal8Bit(configHome)) +
                  QStringLiteral("/kdeglobals"));
        if (kde.open(QIODevice::ReadOnly))
            preferences.takeKdeGlobals(kde.read(256 * 1024));
    }
    preferences.takeOverrides(qgetenv("TK_REDUCED_MOTION"), qgetenv("TK_HIGH_CONTRAST"));
    return preferences;
}

bool DesktopPreferences::takeXSettings(const QByteArray& property) {
    // Byte order, 3 unused bytes, serial, number of settings; then each
    // setting: type, unused byte, name length, name (padded to 4), serial,
    // and its value (an integer; a string with its length, padded; a colour).
    const auto padded = [](qsizetype n) { return (n + 3) & ~qsizetype(3); };
    if (property.size() < 12)
        return false;
    const bool bigEndian = property.at(0) != 0;
    const auto card16 = [&](qsizetype at) {
        const auto* p = reinterpret_cast<const uchar*>(property.constData() + at);
        return bigEndian ? qFromBigEndian<quint16>(p) : qFromLittleEndian<quint16>(p);
    };
    const auto card32 = [&](qsizetype at) {
        const auto* p = reinterpret_cast<const uchar*>(property.constData() + at);
        return bigEndian ? qFromBigEndian<quint32>(p) : qFromLittleEndian<quint32>(p);
    };
    const quint32 count = card32(8);
    qsizetype at = 12;
    std::optional<bool> animations;
    std::optional<QByteArray> theme;
    for (quint32 i = 0; i < count; ++i) {
        if (at + 4 > property.size())
            return false;
        const int type = uchar(property.at(at));
        const qsizetype nameLength = card16(at + 2);
        at += 4;
        if (at + padded(nameLength) + 4 > property.size())
            return false;
        const QByteArray name = property.mid(at, nameLength);
        at += padded(nameLength) + 4; // the name, then its serial
        switch (type) {
        case 0: // integer
            if (at + 4 > property.size())
                return false;
            if (name == "Gtk/EnableAnimations")
                animations = card32(at) != 0;
            at += 4;
            break;
        case 1: { // string
            if (at + 4 > property.size())
                return false;
            const qsizetype length = card32(at);
            at += 4;
            if (length < 0 || at + padded(length) > property.size())
                return false;
            if (name == "Net/ThemeName")
                theme = property.mid(at, length);
            at += padded(length);
            break;
        }
        case 2: // colour: four 16-bit values
            at += 8;
            if (at > property.size())
                return false;
            break;
        default:
            return false;
        }
    }
    if (animations)
        reducedMotion = !*animations;
    if (theme)
        highContrast = theme->toLower().contains("contrast");
    return true;
}

void DesktopPreferences::takeKdeGlobals(const QByteArray& text) {
    QByteArray section;
    for (const QByteArray& rawLine : text.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.startsWith('[')) {
            section = line;
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (equals < 0)
            continue;
        const QByteArray key = line.left(equals).trimmed();
        const QByteArray value = line.mid(equals + 1).trimmed();
        if (section == "[KDE]" && key == "AnimationDurationFactor") {
            bool ok = false;
            const double factor = value.toDouble(&ok);
            if (ok)
                reducedMotion = factor <= 0.0;
        } else if (section == "[General]" && key == "ColorScheme") {
            highContrast = value.toLower().contains("contrast");
        }
    }
}

void DesktopPreferences::takeOverrides(const QByteArray& reducedMotionValue,
                                       const QByteArray& highContrastValue) {
    if (const std::optional<bool> motion = flag(reducedMotionValue))
        reducedMotion = *motion;
    if (const std::optional<bool> contrast = flag(highContrastValue))
        highContrast = *contrast;
}

} // namespace tk
