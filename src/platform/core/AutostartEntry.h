#pragma once

#include "platform/core/Status.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tk {

// The desktop entry that starts the program when the user logs in
// ($XDG_CONFIG_HOME/autostart/tovrinkin.desktop).
class AutostartEntry {
public:
    // entryPath: the entry's file; command: the program and its arguments.
    AutostartEntry(const QString& entryPath, const QStringList& command);

    // The entry's file: $XDG_CONFIG_HOME/autostart/tovrinkin.desktop, or
    // ~/.config/autostart/... when the variable is empty or not absolute.
    static QString entryPath(const QString& xdgConfigHome, const QString& home);

    // The command that starts this program: its bare name when that name finds
    // this very executable on PATH (an installed program), otherwise its
    // absolute path; plus --program-dir when a directory was named.
    static QStringList launchCommand(const QString& executable, const QString& foundOnPath,
                                     const QString& namedProgramDir);

    // The Exec value for command, quoted and escaped for a desktop entry file.
    static QString execValue(const QStringList& command);

    // Whether the entry exists and is not switched off (Hidden=true).
    bool isOn() const;

    // Writes the entry whole, making its directory.
    Status write() const;
    // Removes the entry; fails when it stays.
    Status remove() const;

    // The entry's bytes as write() stores them.
    QByteArray content() const;

    const QString& path() const { return m_path; }

private:
    QString m_path;
    QStringList m_command;
};

} // namespace tk
