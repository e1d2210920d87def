#include "agent/runtime/FigureAccessible.h"

#include "agent/runtime/FigureWindow.h"

#include <QMenu>

namespace tk::agent {

namespace {

QAccessibleInterface* figureFactory(const QString& className, QObject* object) {
    if (className == QLatin1String(FigureWindow::staticMetaObject.className()) && object)
        return new FigureAccessible(static_cast<FigureWindow*>(object));
    return nullptr;
}

} // namespace

FigureAccessible::FigureAccessible(FigureWindow* window)
    : QAccessibleWidget(window, QAccessible::Window) {}

void FigureAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(figureFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

FigureWindow* FigureAccessible::figure() const {
    return static_cast<FigureWindow*>(widget());
}

QString FigureAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
        return widget()->windowTitle();
    return QAccessibleWidget::text(t);
}

QWidget* FigureAccessible::openMenu() const {
    for (QMenu* menu : widget()->findChildren<QMenu*>(Qt::FindDirectChildrenOnly)) {
        if (menu->isVisible())
            return menu;
    }
    return nullptr;
}

int FigureAccessible::childCount() const {
    return QAccessibleWidget::childCount() + (openMenu() ? 1 : 0);
}

QAccessibleInterface* FigureAccessible::child(int index) const {
    const int own = QAccessibleWidget::childCount();
    if (index < own)
        return QAccessibleWidget::child(index);
    QWidget* menu = openMenu();
    return index == own && menu ? QAccessible::queryAccessibleInterface(menu) : nullptr;
}

int FigureAccessible::indexOfChild(const QAccessibleInterface* child) const {
    QWidget* menu = openMenu();
    if (child && menu && child->object() == menu)
        return QAccessibleWidget::childCount();
    return QAccessibleWidget::indexOfChild(child);
}

QStringList FigureAccessible::actionNames() const {
    QStringList names = QAccessibleWidget::actionNames();
    if (figure()->isVisible())
        names.append(showMenuAction());
    return names;
}

void FigureAccessible::doAction(const QString& actionName) {
    if (actionName == showMenuAction()) {
        if (figure()->isVisible())
            emit figure()->menuRequested(figure()->keyboardMenuPosition(), true);
        return;
    }
    if (actionName == setFocusAction()) {
        figure()->focusFromKeyboard(); // the window too, so that keys reach the figure
        return;
    }
    QAccessibleWidget::doAction(actionName);
}

QStringList FigureAccessible::keyBindingsForAction(const QString& actionName) const {
    if (actionName == showMenuAction())
        return {QStringLiteral("Shift+F10")};
    return QAccessibleWidget::keyBindingsForAction(actionName);
}

} // namespace tk::agent
