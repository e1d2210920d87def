#include "AccessibleWindows.h"

#include <QHash>
#include <QWidget>

namespace tk::AccessibleWindows {

namespace {

constexpr char kCollapsedProperty[] = "tkCollapsedOutOfSight";

QHash<QString, QAccessible::Role>& rolesByClass() {
    static QHash<QString, QAccessible::Role> roles;
    return roles;
}

QAccessibleInterface* windowFactory(const QString& className, QObject* object) {
    const auto it = rolesByClass().constFind(className);
    if (it == rolesByClass().constEnd() || !object || !object->isWidgetType())
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    return widget->isWindow() ? new WindowAccessible(widget, *it) : nullptr;
}

} // namespace

void setWindowRole(const QMetaObject& windowClass, QAccessible::Role role) {
    static bool installed = false;
    if (!installed) {
        installed = true;
        QAccessible::installFactory(windowFactory);
    }
    rolesByClass().insert(QString::fromLatin1(windowClass.className()), role);
}

void setCollapsed(QWidget* window, bool collapsed) {
    if (isCollapsed(window) == collapsed)
        return;
    window->setProperty(kCollapsedProperty, collapsed);
    QAccessible::State changed;
    changed.invisible = true;
    changed.offscreen = true;
    QAccessibleStateChangeEvent event(window, changed);
    QAccessible::updateAccessibility(&event);
}

bool isCollapsed(const QWidget* window) {
    return window && window->property(kCollapsedProperty).toBool();
}

void announce(QWidget* notice, const QString& text) {
    const bool changed = notice->accessibleName() != text;
    if (changed)
        notice->setAccessibleName(text); // raises a name change of its own
    if (!notice->isVisible())
        return; // showing it announces it
    // A notice already on the screen appears anew for screen readers, which
    // speak a notification as it shows.
    QAccessibleEvent event(notice, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&event);
}

WindowAccessible::WindowAccessible(QWidget* window, QAccessible::Role role)
    : QAccessibleWidget(window, role) {}

QAccessible::State WindowAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    if (isCollapsed(widget())) {
        state.invisible = true;
        state.offscreen = true;
        state.focusable = false;
        state.focused = false;
        state.active = false;
    }
    return state;
}

int WindowAccessible::childCount() const {
    return isCollapsed(widget()) ? 0 : QAccessibleWidget::childCount();
}

QAccessibleInterface* WindowAccessible::child(int index) const {
    return isCollapsed(widget()) ? nullptr : QAccessibleWidget::child(index);
}

int WindowAccessible::indexOfChild(const QAccessibleInterface* child) const {
    return isCollapsed(widget()) ? -1 : QAccessibleWidget::indexOfChild(child);
}

} // namespace tk::AccessibleWindows
