#include "agent/FigurePopupMenu.h"

#include "agent/FigureMenuAccessible.h"

namespace tk::agent {

FigurePopupMenu::FigurePopupMenu(QWidget* figure) : QMenu(figure) {
    FigureMenuAccessible::install();
    setObjectName(QStringLiteral("figureMenu"));
}

} // namespace tk::agent
