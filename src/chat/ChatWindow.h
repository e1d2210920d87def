#pragma once

#include "platform/core/ProgramContext.h"

#include <QPointer>
#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tk::agent {
class AgentControl;
}

namespace tk {

// The chat window rchatmain: the user picks or types a phrase and the character
// says it on the user's behalf. It opens collapsed with only the START button
// and a picture; START enlarges it and shows the phrase box and "Say it!".
// Closing it sends the character to the top-left corner of the screen.
class ChatWindow final : public QWidget {
    Q_OBJECT
public:
    // Shows the chat window with the focus. A window that is not open is created
    // collapsed, with a freshly filled phrase list; an open one is only brought
    // forward, as it is. control's character "Tovrin" speaks the user's lines;
    // a null control, or a character not loaded, is never asked to speak or move.
    static ChatWindow* open(const ProgramContext& context, agent::AgentControl* control);

    // The open chat window, or null.
    static ChatWindow* current();

    ~ChatWindow() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    ChatWindow(const ProgramContext& context, agent::AgentControl* control);

    void enableButtonClicked(); // START: expand and reveal the phrase box
    void submitSayClicked();    // "Say it!": one chat turn

    const ProgramContext m_context;
    QPointer<agent::AgentControl> m_control;
    QPushButton* m_enableButton; // enable_button
    QComboBox* m_phraseBox;      // tovrin_say
    QPushButton* m_submitSay;    // submit_say
    QLineEdit* m_theName;        // thename
    QLabel* m_picture;           // Image1
    bool m_closed = false;
};

} // namespace tk
