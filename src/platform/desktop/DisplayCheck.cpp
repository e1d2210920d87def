#include "DisplayCheck.h"

#include <xcb/xcb.h>

namespace tk {

QString prepareDisplay() {
    // A platform chosen explicitly (tests use "offscreen") is taken as it is.
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return QString();
    const QString hint = QStringLiteral(
        "tovrinkin: a graphical session is needed, but %1. To run without a desktop, "
        "use a virtual display: xvfb-run -a make run");
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return hint.arg(QStringLiteral("no X display is set (DISPLAY is empty)"));
    int screen = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screen);
    const bool failed = xcb_connection_has_error(connection) != 0;
    xcb_disconnect(connection);
    if (failed)
        return hint.arg(QStringLiteral("the X display \"%1\" cannot be opened")
                            .arg(qEnvironmentVariable("DISPLAY")));
    qputenv("QT_QPA_PLATFORM", "xcb");
    return QString();
}

} // namespace tk
