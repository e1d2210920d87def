#pragma once

#include <QAccessibleWidget>

namespace tk::agent {

class FigurePopupMenu;

// What screen readers see of a figure's pop-up menu: a menu named after the
// character, a child of the figure's window (so the tree leads from the
// application through the figure to the open menu), holding its entries.
class FigureMenuAccessible final : public QAccessibleWidget {
public:
    explicit FigureMenuAccessible(FigurePopupMenu* menu);

    // Lets every figure menu and its entries be seen this way (once per program).
    static void install();

    QString text(QAccessible::Text t) const override;
    QAccessibleInterface* parent() const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

private:
    FigurePopupMenu* menu() const;
};

} // namespace tk::agent
