#pragma once

#include "platform/ProgramContext.h"

#include <QWidget>

class QCheckBox;
class QGroupBox;
class QListWidget;
class QPushButton;

namespace tk {

// The options window opti: switches the intro sound of the next start on or
// off, starts the program at login or not, and shows the font list from
// fonts.cmd. "Proceed ----->" applies both choices; with the sound on it also
// closes the window.
class OptionsWindow final : public QWidget {
    Q_OBJECT
public:
    // Shows the options window. A window that is not open is created with the
    // stored intro-sound setting and the font list read afresh; an open one is
    // only brought forward with its unsaved state.
    static OptionsWindow* open(const ProgramContext& context);

    // The open options window, or null.
    static OptionsWindow* current();

    ~OptionsWindow() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    explicit OptionsWindow(const ProgramContext& context);

    void load();              // reads the setting and fills the font list
    void proceedClicked();    // stores the intro-sound choice and the start at login
    bool applyStartAtLogin(); // writes or removes the login entry; false when it failed

    const ProgramContext m_context;
    QGroupBox* m_startUp;    // loadp
    QCheckBox* m_playIntro;  // play_intro
    QGroupBox* m_fonts;      // fonts_opti
    QPushButton* m_proceed;  // proc
    QGroupBox* m_characters; // Frame1
    QCheckBox* m_startAtLogin;
    QListWidget* m_fontList; // List1
};

} // namespace tk
