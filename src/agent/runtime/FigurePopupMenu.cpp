#include "agent/runtime/FigurePopupMenu.h"

#include "agent/runtime/FigureMenuAccessible.h"

namespace tk::agent {

FigurePopupMenu::FigurePopupMenu(QWidget* figure) : QMenu(figure) {
    FigureMenuAccessible::install();
    setObjectName(QStringLiteral("figureMenu"));
}

} // namespace tk::agent
