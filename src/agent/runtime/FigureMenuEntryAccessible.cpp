#include "agent/runtime/FigureMenuEntryAccessible.h"

#include "agent/runtime/FigurePopupMenu.h"

#include <QAction>
#include <QWindow>

namespace tk::agent {

namespace {

// A menu text as read: "&&" is a shown "&", a single "&" marks a mnemonic.
QString withoutMnemonics(const QString& text) {
    QString plain;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('&') && i + 1 < text.size())
            ++i;
        plain.append(text.at(i));
    }
    return plain;
}

} // namespace

FigureMenuEntryAccessible::FigureMenuEntryAccessible(QAction* action) : m_action(action) {}

bool FigureMenuEntryAccessible::isLineCaption(const QString& caption) {
    const QString text = caption.trimmed();
    if (text.size() < 3 || !QStringLiteral("-_=~*").contains(text.front()))
        return false;
    return std::all_of(text.begin(), text.end(), [&](QChar c) { return c == text.front(); });
}

QMenu* FigureMenuEntryAccessible::menu() const {
    if (!m_action)
        return nullptr;
    QMenu* any = nullptr;
    for (QObject* user : m_action->associatedObjects()) {
        if (auto* menu = qobject_cast<FigurePopupMenu*>(user)) {
            if (menu->isVisible())
                return menu;
            any = any ? any : menu;
        }
    }
    return any;
}

bool FigureMenuEntryAccessible::isValid() const {
    return menu() != nullptr;
}

QObject* FigureMenuEntryAccessible::object() const {
    return m_action;
}

QWindow* FigureMenuEntryAccessible::window() const {
    QMenu* owner = menu();
    return owner ? owner->windowHandle() : nullptr;
}

QAccessibleInterface* FigureMenuEntryAccessible::childAt(int, int) const {
    return nullptr;
}

QAccessibleInterface* FigureMenuEntryAccessible::parent() const {
    QMenu* owner = menu();
    return owner ? QAccessible::queryAccessibleInterface(owner) : nullptr;
}

QAccessibleInterface* FigureMenuEntryAccessible::child(int) const {
    return nullptr;
}

int FigureMenuEntryAccessible::childCount() const {
    return 0;
}

int FigureMenuEntryAccessible::indexOfChild(const QAccessibleInterface*) const {
    return -1;
}

QString FigureMenuEntryAccessible::text(QAccessible::Text t) const {
    if (!m_action || role() == QAccessible::Separator)
        return QString(); // a line has no words
    switch (t) {
    case QAccessible::Name:
        return withoutMnemonics(m_action->text());
    case QAccessible::Accelerator:
        return m_action->shortcut().toString(QKeySequence::NativeText);
    default:
        return QString();
    }
}

void FigureMenuEntryAccessible::setText(QAccessible::Text, const QString&) {}

QRect FigureMenuEntryAccessible::rect() const {
    QMenu* owner = menu();
    if (!owner)
        return {};
    const QRect local = owner->actionGeometry(m_action);
    return QRect(owner->mapToGlobal(local.topLeft()), local.size());
}

QAccessible::Role FigureMenuEntryAccessible::role() const {
    if (m_action && (m_action->isSeparator() || isLineCaption(m_action->text())))
        return QAccessible::Separator;
    return QAccessible::MenuItem;
}

QAccessible::State FigureMenuEntryAccessible::state() const {
    QAccessible::State state;
    QMenu* owner = menu();
    if (!owner) {
        state.invalid = true;
        return state;
    }
    if (!m_action->isSeparator()) {
        state.focusable = true;
        state.selectable = true;
    }
    if (owner->activeAction() == m_action) {
        state.focused = true;
        state.selected = true;
        state.hotTracked = true;
    }
    if (!m_action->isEnabled())
        state.disabled = true;
    if (m_action->isCheckable()) {
        state.checkable = true;
        state.checked = m_action->isChecked();
    }
    if (!m_action->isVisible() || !owner->isVisible())
        state.invisible = true;
    return state;
}

void* FigureMenuEntryAccessible::interface_cast(QAccessible::InterfaceType type) {
    return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                : nullptr;
}

QStringList FigureMenuEntryAccessible::actionNames() const {
    if (!m_action || m_action->isSeparator() || !m_action->isEnabled())
        return {};
    return {pressAction()};
}

void FigureMenuEntryAccessible::doAction(const QString& actionName) {
    if (actionName != pressAction() || !actionNames().contains(actionName))
        return;
    // As a click does: the menu closes, then the entry is chosen.
    const QPointer<QAction> action = m_action;
    if (QMenu* owner = menu())
        owner->hide();
    if (action)
        action->trigger();
}

QStringList FigureMenuEntryAccessible::keyBindingsForAction(const QString& actionName) const {
    if (actionName != pressAction() || !m_action || m_action->shortcut().isEmpty())
        return {};
    return {m_action->shortcut().toString(QKeySequence::NativeText)};
}

} // namespace tk::agent
