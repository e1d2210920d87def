#pragma once

#include <QMetaType>
#include <QString>
#include <optional>

namespace tk::agent {

// What the user chose, as carried by the Command event.
struct UserInput {
    QString Name;      // the chosen command's name; empty when speech matched none
    QString heardText; // what the recognizer heard, empty for a menu choice
    bool spoken = false;
};

// One command as registered, with the arguments the caller actually gave:
// an absent optional means the argument was left out.
struct CommandRegistration {
    QString name;
    QString caption;
    std::optional<QString> voice;
    std::optional<bool> enabled;
    std::optional<bool> visible;

    bool isEnabled() const { return enabled.value_or(true); }
    bool isVisible() const { return visible.value_or(true); }
};

} // namespace tk::agent

Q_DECLARE_METATYPE(tk::agent::UserInput)
