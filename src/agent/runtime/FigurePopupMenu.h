#pragma once

#include <QMenu>

namespace tk::agent {

// The menu a figure pops up: a plain menu that screen readers see as the
// figure's own (see FigureMenuAccessible), with its entries named and lines
// of dashes heard as separators.
class FigurePopupMenu final : public QMenu {
    Q_OBJECT
public:
    // figure: the window whose menu it is; its title names the menu.
    explicit FigurePopupMenu(QWidget* figure);
};

} // namespace tk::agent
