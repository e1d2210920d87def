#include "DisplayCheck.h"

#include <QList>
#include <xcb/xcb.h>

namespace tk {

namespace {

bool connects(const QByteArray& display) {
    int screen = 0;
    xcb_connection_t* connection = xcb_connect(display.constData(), &screen);
    const bool failed = xcb_connection_has_error(connection) != 0;
    xcb_disconnect(connection);
    return !failed;
}

// The name to show in a command line: quoted when the shell would split it.
QString shellWord(const QString& word) {
    static const QString plain =
        QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-./+:,@%=");
    for (const QChar c : word) {
        if (!plain.contains(c)) {
            QString quoted = word;
            quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
            return QLatin1Char('\'') + quoted + QLatin1Char('\'');
        }
    }
    return word;
}

} // namespace

DisplayDecision decideDisplay(const DisplayEnvironment& environment,
                              const std::function<bool(const QByteArray&)>& xDisplayOpens,
                              const QString& programName) {
    // "name:options;fallback" names the platform first.
    const QByteArray requested =
        environment.requestedPlatform.split(';').first().split(':').first().trimmed();
    if (requested == "offscreen" || requested == "minimal")
        return {environment.requestedPlatform, QString()};

    const QString product = QStringLiteral("tovrinkin: ");
    const QString virtualHint =
        QStringLiteral(" To run without a desktop, use a virtual display: xvfb-run -a %1")
            .arg(shellWord(programName));
    if (environment.display.isEmpty()) {
        if (!environment.waylandDisplay.isEmpty()) {
            const QString ignored = requested.isEmpty() || requested == "xcb"
                                        ? QString()
                                        : QStringLiteral(" (QT_QPA_PLATFORM=%1 cannot replace it)")
                                              .arg(QString::fromLocal8Bit(requested));
            return {QByteArray(),
                    product + QStringLiteral("Tovrin needs an X display, and this Wayland session "
                                             "offers none%1; turn on XWayland or use an X "
                                             "session.")
                                  .arg(ignored)};
        }
        return {QByteArray(), product +
                                  QStringLiteral("a graphical session is needed, but no X "
                                                 "display is set (DISPLAY is empty).") +
                                  virtualHint};
    }
    if (!xDisplayOpens(environment.display))
        return {QByteArray(), product +
                                  QStringLiteral("the X display \"%1\" cannot be opened (is the "
                                                 "X server running, and may you use it?).")
                                      .arg(QString::fromLocal8Bit(environment.display)) +
                                  virtualHint};
    return {QByteArrayLiteral("xcb"), QString()};
}

QString prepareDisplay(const QString& programName) {
    const DisplayDecision decision =
        decideDisplay({qgetenv("QT_QPA_PLATFORM"), qgetenv("DISPLAY"), qgetenv("WAYLAND_DISPLAY")},
                      connects, programName);
    if (decision.problem.isEmpty())
        qputenv("QT_QPA_PLATFORM", decision.platform);
    return decision.problem;
}

} // namespace tk
