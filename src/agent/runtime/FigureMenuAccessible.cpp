#include "agent/runtime/FigureMenuAccessible.h"

#include "agent/runtime/FigureMenuEntryAccessible.h"
#include "agent/runtime/FigurePopupMenu.h"

#include <QAction>

namespace tk::agent {

namespace {

QAccessibleInterface* menuFactory(const QString& className, QObject* object) {
    if (!object)
        return nullptr;
    if (className == QLatin1String(FigurePopupMenu::staticMetaObject.className()))
        return new FigureMenuAccessible(static_cast<FigurePopupMenu*>(object));
    if (className == QLatin1String("QAction")) {
        auto* action = static_cast<QAction*>(object);
        for (QObject* user : action->associatedObjects()) {
            if (qobject_cast<FigurePopupMenu*>(user))
                return new FigureMenuEntryAccessible(action);
        }
    }
    return nullptr;
}

} // namespace

FigureMenuAccessible::FigureMenuAccessible(FigurePopupMenu* menu)
    : QAccessibleWidget(menu, QAccessible::PopupMenu) {}

void FigureMenuAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(menuFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

FigurePopupMenu* FigureMenuAccessible::menu() const {
    return static_cast<FigurePopupMenu*>(widget());
}

QString FigureMenuAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
        return menu()->title();
    return QAccessibleWidget::text(t);
}

QAccessibleInterface* FigureMenuAccessible::parent() const {
    QWidget* figure = menu()->parentWidget();
    return figure ? QAccessible::queryAccessibleInterface(figure) : QAccessibleWidget::parent();
}

int FigureMenuAccessible::childCount() const {
    return int(menu()->actions().size());
}

QAccessibleInterface* FigureMenuAccessible::child(int index) const {
    const QList<QAction*> actions = menu()->actions();
    return index >= 0 && index < actions.size()
               ? QAccessible::queryAccessibleInterface(actions.at(index))
               : nullptr;
}

int FigureMenuAccessible::indexOfChild(const QAccessibleInterface* child) const {
    if (!child)
        return -1;
    return int(menu()->actions().indexOf(qobject_cast<QAction*>(child->object())));
}

QAccessibleInterface* FigureMenuAccessible::childAt(int x, int y) const {
    QAction* action = menu()->actionAt(menu()->mapFromGlobal(QPoint(x, y)));
    return action ? QAccessible::queryAccessibleInterface(action) : nullptr;
}

QAccessibleInterface* FigureMenuAccessible::focusChild() const {
    QAction* action = menu()->activeAction();
    return action ? QAccessible::queryAccessibleInterface(action) : nullptr;
}

} // namespace tk::agent
