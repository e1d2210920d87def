#include "agent/listening/ListeningTip.h"

#include "platform/AccessibleWindows.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace tk::agent::listening {

namespace {
constexpr int kPadding = 6;
constexpr int kGap = 4;
} // namespace

ListeningTip::ListeningTip(QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    // Screen readers speak each message as a notification.
    accessibility::setWindowRole(staticMetaObject, QAccessible::Notification);
    m_hide.setSingleShot(true);
    connect(&m_hide, &QTimer::timeout, this, &QWidget::hide);
}

QString ListeningTip::listeningText() {
    return tr("Listening...");
}

QString ListeningTip::heardText(const QString& phrase) {
    return phrase.isEmpty() ? tr("Heard: (not understood)") : tr("Heard: \"%1\"").arg(phrase);
}

void ListeningTip::showText(const QString& text, const QRect& figure, int hideAfterMs) {
    m_text = text;
    placeBeside(figure);
    update();
    show();
    // Qt reports no tooltip-type window as shown: the announcement is made here.
    accessibility::announce(this, text);
    if (hideAfterMs > 0)
        m_hide.start(hideAfterMs);
    else
        m_hide.stop();
}

void ListeningTip::follow(const QRect& figure) {
    if (isVisible())
        placeBeside(figure);
}

void ListeningTip::placeBeside(const QRect& figure) {
    const QFontMetrics metrics(font());
    const QSize size(metrics.horizontalAdvance(m_text) + 2 * kPadding,
                     metrics.height() + 2 * kPadding);
    QScreen* screen = QGuiApplication::screenAt(figure.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), size * 4);
    QPoint at(figure.right() + 1 + kGap, figure.top());
    if (at.x() + size.width() > area.right() + 1)
        at.setX(figure.left() - kGap - size.width());
    at.setX(
        std::clamp(at.x(), area.left(), std::max(area.left(), area.right() + 1 - size.width())));
    at.setY(
        std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() + 1 - size.height())));
    setGeometry(QRect(at, size));
}

void ListeningTip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(255, 252, 214));
    painter.setPen(QColor(120, 110, 60));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setPen(Qt::black);
    painter.drawText(rect().adjusted(kPadding, 0, -kPadding, 0), Qt::AlignVCenter | Qt::AlignLeft,
                     m_text);
}

} // namespace tk::agent::listening
