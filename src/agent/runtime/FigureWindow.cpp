#include "agent/runtime/FigureWindow.h"

#include "agent/runtime/FigureAccessible.h"
#include "platform/desktop/WindowManagerSupport.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QShowEvent>

namespace tk::agent {

FigureWindow::FigureWindow(QSize size, bool blended, QColor matte)
    : QWidget(nullptr,
              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                  Qt::NoDropShadowWindowHint |
                  (floatingWindowsBypassManager() ? Qt::X11BypassWindowManagerHint : Qt::Widget)),
      m_blended(blended), m_matte(matte) {
    setObjectName(QStringLiteral("figureWindow"));
    // Appearing never takes the focus; a click on the figure does, so that the
    // runtime's keyboard shortcuts reach it.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::ClickFocus);
    FigureAccessible::install();
    if (m_blended)
        setAttribute(Qt::WA_TranslucentBackground);
    else
        setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedSize(size);
}

void FigureWindow::setPictureSource(std::function<QPixmap(qreal)> source) {
    m_source = std::move(source);
    update();
}

void FigureWindow::setDragLimiter(std::function<QPoint(QPoint)> limiter) {
    m_dragLimiter = std::move(limiter);
}

void FigureWindow::setCharacterName(const QString& name) {
    setWindowTitle(name);
    setAccessibleName(name);
    setAccessibleDescription(accessibleDescriptionFor(name));
}

QString FigureWindow::accessibleDescriptionFor(const QString& name) {
    return tr("%1, your desktop companion. Press Shift+F10 for its menu.").arg(name);
}

void FigureWindow::focusFromKeyboard() {
    if (!isVisible())
        return;
    raise();
    activateWindow();
    setFocus(Qt::ShortcutFocusReason);
}

QPoint FigureWindow::keyboardMenuPosition() const {
    return mapToGlobal(QPoint(width() / 2, height() / 2));
}

void FigureWindow::moveByKeys(QPoint step) {
    emit dragStarted(); // a move under way ends where the user takes the figure
    const QPoint wanted = pos() + step;
    move(m_dragLimiter ? m_dragLimiter(wanted) : wanted);
}

void FigureWindow::showFrame(const QRegion& shape) {
    // An empty shape would mean "no shape at all" and show the whole window.
    const QRegion mask = shape.isEmpty() ? QRegion(0, 0, 1, 1) : shape;
    if (mask != this->mask())
        setMask(mask);
    update();
}

void FigureWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_blended) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(rect(), Qt::transparent);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    } else {
        painter.fillRect(rect(), m_matte);
    }
    if (m_source)
        painter.drawPixmap(0, 0, m_source(devicePixelRatioF()));
}

void FigureWindow::mousePressEvent(QMouseEvent* event) {
    m_lastPressTime = event->timestamp();
    if (event->button() == Qt::LeftButton) {
        m_dragging = true;
        m_dragOffset = event->globalPosition().toPoint() - pos();
        emit dragStarted();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void FigureWindow::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging && (event->buttons() & Qt::LeftButton)) {
        const QPoint wanted = event->globalPosition().toPoint() - m_dragOffset;
        move(m_dragLimiter ? m_dragLimiter(wanted) : wanted);
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void FigureWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
    QWidget::mouseReleaseEvent(event);
}

void FigureWindow::contextMenuEvent(QContextMenuEvent* event) {
    m_dragging = false;
    if (event->reason() == QContextMenuEvent::Keyboard)
        emit menuRequested(keyboardMenuPosition(), true);
    else
        emit menuRequested(event->globalPos(), false);
    event->accept();
}

void FigureWindow::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() &
        (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const int step = modifiers == Qt::ControlModifier ? 1 : kKeyStep;
    const bool plainOrFine = modifiers == Qt::NoModifier || modifiers == Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_F10:
        if (modifiers == Qt::ShiftModifier) {
            m_dragging = false;
            emit menuRequested(keyboardMenuPosition(), true);
            event->accept();
            return;
        }
        break;
    case Qt::Key_Menu:
        if (modifiers == Qt::NoModifier) {
            m_dragging = false;
            emit menuRequested(keyboardMenuPosition(), true);
            event->accept();
            return;
        }
        break;
    case Qt::Key_Escape:
        if (modifiers == Qt::NoModifier) {
            emit focusReturnRequested();
            event->accept();
            return;
        }
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (plainOrFine && !m_dragging) {
            const int key = event->key();
            moveByKeys(QPoint(key == Qt::Key_Left    ? -step
                              : key == Qt::Key_Right ? step
                                                     : 0,
                              key == Qt::Key_Up     ? -step
                              : key == Qt::Key_Down ? step
                                                    : 0));
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    QWidget::keyPressEvent(event);
}

void FigureWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    emit geometryChanged(frameGeometry());
}

void FigureWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    emit geometryChanged(frameGeometry());
}

void FigureWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous())
        skipTaskbarAndPager(this);
    emit visibilityChanged(true);
}

void FigureWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    m_dragging = false;
    emit visibilityChanged(false);
}

bool FigureWindow::event(QEvent* event) {
    // On another screen the device pixel ratio may differ: draw again at the new one.
    if (event->type() == QEvent::ScreenChangeInternal)
        update();
    return QWidget::event(event);
}

} // namespace tk::agent
