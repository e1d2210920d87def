#include "PlatformFailureGuard.h"

#include <QByteArray>
#include <cstdio>
#include <unistd.h>

namespace tk {

namespace {

QtMessageHandler g_previous = nullptr;
QByteArray g_message; // made before it is needed: the handler allocates nothing

void guardHandler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) {
        if (g_previous)
            g_previous(type, context, text);
        else
            std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        return;
    }
    std::fputs(g_message.constData(), stderr);
    std::fflush(stderr);
    ::_exit(2);
}

} // namespace

PlatformFailureGuard::PlatformFailureGuard(const QString& display) {
    g_message = (message(display) + QLatin1Char('\n')).toLocal8Bit();
    m_previous = qInstallMessageHandler(guardHandler);
    g_previous = m_previous;
}

PlatformFailureGuard::~PlatformFailureGuard() {
    qInstallMessageHandler(m_previous);
    g_previous = nullptr;
}

QString PlatformFailureGuard::message(const QString& display) {
    return QStringLiteral("tovrinkin: the window system could not be started on the X display "
                          "\"%1\": the display refused the connection or went away, or the "
                          "X11 support of this installation is incomplete (package "
                          "qt6-qpa-plugins).")
        .arg(display);
}

} // namespace tk
