#pragma once

#include <QByteArray>
#include <QSize>
#include <QTemporaryFile>

namespace tk::test {

// Gives the offscreen platform one screen of size (logical pixels, 96 dpi)
// instead of its 800 x 800 default, for windows stored at places beyond that.
// Call before the application object exists; does nothing on other platforms.
inline void useOffscreenScreen(QSize size) {
    if (qgetenv("QT_QPA_PLATFORM") != "offscreen")
        return;
    // Kept until the program ends: the platform reads it when the application starts.
    static QTemporaryFile config;
    if (!config.open())
        qFatal("cannot write the offscreen screen configuration");
    config.write(QStringLiteral(R"({"screens":[{"name":"test","x":0,"y":0,"width":%1,)"
                                R"("height":%2,"logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]})")
                     .arg(size.width())
                     .arg(size.height())
                     .toUtf8());
    config.flush();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toLocal8Bit());
}

} // namespace tk::test
