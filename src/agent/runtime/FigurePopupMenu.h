#pragma once

#include <QMenu>

namespace tk::agent {

// The menu a figure pops up: a plain menu that screen readers see as the
// figure's own (see FigureMenuAccessible), with its entries named and lines
// of dashes heard as separators.
//
// A mouse choice counts only when both halves of the click reach the open menu:
// the press that opened it (handed on by a grab or replayed by the toolkit) and
// any earlier press are not presses on an entry, and a release without a press
// inside the menu chooses nothing.
class FigurePopupMenu final : public QMenu {
    Q_OBJECT
public:
    // figure: the window whose menu it is; its title names the menu, and a
    // FigureWindow tells when the press that asks for the menu came.
    explicit FigurePopupMenu(QWidget* figure);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    quint64 m_openedAfter = 0;    // presses up to this time were before the menu showed
    bool m_pressedInside = false; // a press since showing landed inside the menu
};

} // namespace tk::agent
