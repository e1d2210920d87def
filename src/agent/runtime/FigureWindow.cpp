#include "agent/runtime/FigureWindow.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>

namespace tk::agent {

FigureWindow::FigureWindow(QSize size, bool blended, QColor matte)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::NoDropShadowWindowHint),
      m_blended(blended), m_matte(matte) {
    setObjectName(QStringLiteral("figureWindow"));
    // Appearing never takes the focus; a click on the figure does, so that the
    // runtime's keyboard shortcuts reach it.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::ClickFocus);
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
    emit menuRequested(event->globalPos());
    event->accept();
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
