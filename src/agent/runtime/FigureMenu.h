#pragma once

#include "agent/api/AgentTypes.h"

#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <memory>

class QAction;
class QMenu;
class QWidget;

namespace tk::agent {

// The figure's pop-up menu: the visible commands in registration order with
// their captions as given, then (below a separator) the runtime's own entries.
class FigureMenu : public QObject {
    Q_OBJECT
public:
    explicit FigureMenu(QObject* parent = nullptr);
    ~FigureMenu() override;
    FigureMenu(const FigureMenu&) = delete;
    FigureMenu& operator=(const FigureMenu&) = delete;

    // Opens the menu of figure (its window, whose title names the menu) at
    // globalPos without waiting for it. Opened from the keyboard, its first
    // entry that can be chosen is selected.
    void popup(const QList<CommandRegistration>& commands, const QList<QAction*>& runtimeActions,
               QPoint globalPos, QWidget* figure = nullptr, bool byKeyboard = false);
    // Closes the menu if it is open.
    void close();
    // The menu while it is open, else null.
    QMenu* openMenu() const;

    // A caption as a menu text that shows it unchanged ("&" is not a mnemonic).
    static QString menuText(const QString& caption);

signals:
    // The user chose the command called name; raised after the menu has closed,
    // from the event loop.
    void commandChosen(const QString& name);

private:
    QPointer<QMenu> m_menu; // deleted with this, or earlier with the figure's window
};

} // namespace tk::agent
