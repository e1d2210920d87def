#pragma once

#include <QColor>
#include <QPixmap>
#include <QPoint>
#include <QRegion>
#include <QWidget>
#include <functional>

namespace tk::agent {

// The window the character stands in: frameless, always on top, without a
// task-bar entry, taking the focus only when clicked or called (focusFromKeyboard()).
// Where a compositor blends windows it is drawn with per-pixel alpha; elsewhere
// it is cut to the figure's shape. Under a window manager that cannot keep it
// above the others it bypasses the manager, so that it stands exactly where it
// is put, without a frame or shadow. The left button drags it; the right button,
// the Menu key and Shift+F10 ask for the pop-up menu; the arrow keys move it by
// small steps; Escape asks to give the focus back.
class FigureWindow : public QWidget {
    Q_OBJECT
public:
    // blended: per-pixel alpha is shown (a compositor runs); matte: the colour
    // behind half-transparent edge pixels otherwise.
    FigureWindow(QSize size, bool blended, QColor matte);

    // Where pictures come from: the current frame at a device pixel ratio.
    void setPictureSource(std::function<QPixmap(qreal devicePixelRatio)> source);
    // The frame has changed: take its shape and repaint.
    void showFrame(const QRegion& shape);
    bool isBlended() const { return m_blended; }
    // Where a drag may take the window (the runtime keeps part of it on screen).
    void setDragLimiter(std::function<QPoint(QPoint wanted)> limiter);
    // Names the window after the character, for the user and for screen readers.
    void setCharacterName(const QString& name);
    // The description screen readers give of a figure called name.
    static QString accessibleDescriptionFor(const QString& name);
    // Brings the window forward with the keyboard focus.
    void focusFromKeyboard();
    // The input time of the latest mouse press on the figure (0 before any).
    quint64 lastPressTime() const { return m_lastPressTime; }
    // Pixels an arrow key moves the window (Ctrl with it: one pixel).
    static constexpr int kKeyStep = 10;

signals:
    // The user asked for the pop-up menu at globalPos, with the keyboard or
    // a screen reader's action (byKeyboard) or with the mouse.
    void menuRequested(QPoint globalPos, bool byKeyboard);
    // The user began moving the window by hand: dragging it, or an arrow key.
    void dragStarted();
    // The user pressed Escape on the figure: the focus should go back where it was.
    void focusReturnRequested();
    // The window moved or changed size (its frame geometry in screen pixels).
    void geometryChanged(const QRect& geometry);
    // The window was shown or hidden.
    void visibilityChanged(bool visible);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool event(QEvent* event) override;

private:
    friend class FigureAccessible;
    // Where a menu asked for from the keyboard opens: beside the figure's middle.
    QPoint keyboardMenuPosition() const;
    void moveByKeys(QPoint step);

    std::function<QPixmap(qreal)> m_source;
    std::function<QPoint(QPoint)> m_dragLimiter;
    bool m_blended;
    QColor m_matte;
    bool m_dragging = false;
    quint64 m_lastPressTime = 0;
    QPoint m_dragOffset;
};

} // namespace tk::agent
