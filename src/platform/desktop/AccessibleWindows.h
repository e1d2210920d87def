#pragma once

#include <QAccessible>
#include <QAccessibleWidget>
#include <QString>

class QWidget;
struct QMetaObject;

namespace tk::AccessibleWindows {

// Gives the top-level windows of one class an accessible role of their own
// (Window, Notification, ...) instead of the filler that plain widgets get.
// Call before the first window of the class exists.
void setWindowRole(const QMetaObject& windowClass, QAccessible::Role role);

// Marks a window kept open out of sight: assistive technology sees it as
// neither visible nor showing, and none of its children.
void setCollapsed(QWidget* window, bool collapsed);
bool isCollapsed(const QWidget* window);

// Tells assistive technology that notice (a small window showing a passing
// message) has text as its message: the text becomes its accessible name, and
// one announcement goes out if the notice is on the screen (a notice shown
// later is announced as it appears).
void announce(QWidget* notice, const QString& text);

// The accessible form of a window whose class has a role of its own.
class WindowAccessible : public QAccessibleWidget {
public:
    WindowAccessible(QWidget* window, QAccessible::Role role);

    QAccessible::State state() const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
};

} // namespace tk::AccessibleWindows
