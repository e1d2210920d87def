#include "agent/runtime/FigureMenu.h"

#include "agent/runtime/FigurePopupMenu.h"

#include <QAction>
#include <QMenu>
#include <QTimer>

namespace tk::agent {

FigureMenu::FigureMenu(QObject* parent) : QObject(parent) {}

FigureMenu::~FigureMenu() {
    delete m_menu.data();
}

QString FigureMenu::menuText(const QString& caption) {
    QString text = caption;
    text.replace(QLatin1Char('&'), QLatin1String("&&"));
    // A tab would start a shortcut column; show it as a blank instead.
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    return text;
}

void FigureMenu::popup(const QList<CommandRegistration>& commands,
                       const QList<QAction*>& runtimeActions, QPoint globalPos, QWidget* figure,
                       bool byKeyboard) {
    if (m_menu && m_menu->parentWidget() != figure)
        delete m_menu.data();
    if (!m_menu) {
        // A child of the figure's window, so that screen readers find the open
        // menu under the figure it belongs to.
        m_menu = new FigurePopupMenu(figure);
    }
    m_menu->close();
    m_menu->clear();
    if (figure) {
        m_menu->setTitle(figure->windowTitle());
    }
    for (const CommandRegistration& command : commands) {
        if (!command.isVisible())
            continue;
        QAction* action = m_menu->addAction(menuText(command.caption));
        action->setEnabled(command.isEnabled());
        const QString name = command.name;
        connect(action, &QAction::triggered, this, [this, name] {
            // The menu hides before triggered(); the event goes out afterwards,
            // from the event loop, so a handler never runs inside the menu.
            QTimer::singleShot(0, this, [this, name] { emit commandChosen(name); });
        });
    }
    if (!runtimeActions.isEmpty()) {
        m_menu->addSeparator();
        for (QAction* action : runtimeActions)
            m_menu->addAction(action);
    }
    if (m_menu->actions().isEmpty())
        return;
    m_menu->popup(globalPos);
    if (byKeyboard) {
        const QList<QAction*> actions = m_menu->actions();
        const auto first = std::find_if(actions.begin(), actions.end(), [](QAction* action) {
            return action->isEnabled() && action->isVisible() && !action->isSeparator();
        });
        if (first != actions.end())
            m_menu->setActiveAction(*first);
    }
}

void FigureMenu::close() {
    if (m_menu)
        m_menu->close();
}

QMenu* FigureMenu::openMenu() const {
    return m_menu && m_menu->isVisible() ? m_menu.data() : nullptr;
}

} // namespace tk::agent
