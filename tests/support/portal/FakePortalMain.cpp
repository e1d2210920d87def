// The fake desktop portal as a program of its own on the session bus it is
// given (DBUS_SESSION_BUS_ADDRESS). It gives every shortcut asked for and
// prints "bound <trigger> <description>" for each. Lines on its standard input
// act on the bound shortcuts of open sessions whose description contains the
// line's second word (all without one): "press" (Activated), "release"
// (Deactivated), "tap" (both, 150 ms apart).
#include "FakeShortcutsPortal.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>
#include <unistd.h>

using tk::test::FakeShortcutsPortal;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    FakeShortcutsPortal portal(QDBusConnection::sessionBus());
    if (!portal.serve()) {
        std::fprintf(stderr, "the portal's name is taken or there is no session bus\n");
        return 1;
    }
    qsizetype printed = 0;
    QObject::connect(&portal, &FakeShortcutsPortal::shortcutsBound, &portal, [&] {
        QMutexLocker lock(&portal.mutex);
        for (; printed < portal.bound.size(); ++printed) {
            const QVariantMap& properties = portal.bound.at(printed).properties;
            std::printf(
                "bound %s %s\n",
                qPrintable(properties.value(QStringLiteral("preferred_trigger")).toString()),
                qPrintable(properties.value(QStringLiteral("description")).toString()));
        }
        std::fflush(stdout);
    });
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &portal, [&] {
        char line[64];
        const ssize_t got = ::read(STDIN_FILENO, line, sizeof line - 1);
        if (got <= 0) {
            QCoreApplication::quit(); // the test is gone
            return;
        }
        line[got] = '\0';
        const QStringList words = QString::fromLocal8Bit(line).trimmed().split(QLatin1Char(' '));
        const bool press = words.first() == QLatin1String("press");
        const bool release = words.first() == QLatin1String("release");
        const QString described = words.value(1);
        QMutexLocker lock(&portal.mutex);
        for (qsizetype i = 0; i < portal.bound.size(); ++i) {
            const QString session = portal.boundSessions.at(i);
            const QString description =
                portal.bound.at(i).properties.value(QStringLiteral("description")).toString();
            if (portal.closed.contains(session) || !description.contains(described))
                continue;
            const QString id = portal.bound.at(i).id;
            if (!release)
                portal.signal(QStringLiteral("Activated"), session, id);
            if (release)
                portal.signal(QStringLiteral("Deactivated"), session, id);
            else if (!press) // a tap
                QTimer::singleShot(150, &portal, [&portal, session, id] {
                    portal.signal(QStringLiteral("Deactivated"), session, id);
                });
        }
    });
    std::printf("ready\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}
