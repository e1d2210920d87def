#include "agent/runtime/FigurePopupMenu.h"

#include "agent/runtime/FigureMenuAccessible.h"
#include "agent/runtime/FigureWindow.h"

#include <QMouseEvent>
#include <utility>

namespace tk::agent {

FigurePopupMenu::FigurePopupMenu(QWidget* figure) : QMenu(figure) {
    FigureMenuAccessible::install();
    setObjectName(QStringLiteral("figureMenu"));
}

void FigurePopupMenu::showEvent(QShowEvent* event) {
    // The press that asked for the menu reached the figure first.
    const auto* figure = qobject_cast<const FigureWindow*>(parentWidget());
    m_openedAfter = figure ? figure->lastPressTime() : 0;
    m_pressedInside = false;
    QMenu::showEvent(event);
}

void FigurePopupMenu::hideEvent(QHideEvent* event) {
    m_pressedInside = false;
    QMenu::hideEvent(event);
}

void FigurePopupMenu::mousePressEvent(QMouseEvent* event) {
    // The press that opened the menu arrives here too when the toolkit hands it
    // on; it was meant for the figure, not for the entry now under the pointer.
    if (m_openedAfter != 0 && event->timestamp() <= m_openedAfter) {
        event->accept();
        return;
    }
    m_pressedInside = rect().contains(event->position().toPoint());
    QMenu::mousePressEvent(event);
}

void FigurePopupMenu::mouseReleaseEvent(QMouseEvent* event) {
    const bool pressedInside = std::exchange(m_pressedInside, false);
    if (!pressedInside) {
        event->accept();
        return;
    }
    QMenu::mouseReleaseEvent(event);
}

} // namespace tk::agent
