#pragma once

#include <QAccessibleWidget>

namespace tk::agent {

class FigureWindow;

// What screen readers see of a figure window: a window named after the
// character with a description that tells how to reach its menu, the actions
// SetFocus and ShowMenu, and the pop-up menu as its child while it is open.
class FigureAccessible final : public QAccessibleWidget {
public:
    explicit FigureAccessible(FigureWindow* window);

    // Lets every figure window be seen this way (once per program).
    static void install();

    QString text(QAccessible::Text t) const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    FigureWindow* figure() const;
    // The figure's pop-up menu while it is open, else null.
    QWidget* openMenu() const;
};

} // namespace tk::agent
