#pragma once

#include "platform/core/Status.h"

#include <QByteArray>
#include <QKeySequence>
#include <QString>

namespace tk::agent::listening {

// How the user wants Tovrin to listen; kept in the runtime's own settings file.
struct ListeningSettings {
    // The key that listens whatever has the focus: held, it listens until let go;
    // tapped, it opens a listening session. Empty: no such key.
    QKeySequence key = defaultKey();
    // Listen all the time and act on phrases that begin with the character's name.
    bool alwaysListening = false;
    // The microphone's device id; empty for the system's default input.
    QByteArray microphone;
    // Its name when it was chosen, to name it while it is not connected.
    QString microphoneName;

    // Pause: a single key, easy to hold, bound by none of GNOME, KDE Plasma,
    // Xfce or Cinnamon and used by few programs.
    static QKeySequence defaultKey() { return QKeySequence(Qt::Key_Pause); }

    // The runtime's settings file: $XDG_CONFIG_HOME/tovrin/runtime.ini.
    static QString defaultFile();
    // The settings in file; defaults for what is missing or unreadable.
    static ListeningSettings load(const QString& file);
    // Writes the settings into file (other entries stay).
    Status save(const QString& file) const;

    bool operator==(const ListeningSettings&) const = default;
};

} // namespace tk::agent::listening
