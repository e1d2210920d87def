#include "agent/runtime/ListeningTip.h"

#include "platform/desktop/AccessibleWindows.h"
#include "platform/desktop/ClearSpot.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace tk::agent::listening {

namespace {
constexpr int kPadding = 6;
constexpr int kGap = 4;
constexpr int kMaxTextWidth = 320;
} // namespace

ListeningTip::ListeningTip(QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus) {
    // Names the window for window lists and tests; it shows no title bar.
    setWindowTitle(QStringLiteral("Tovrin listening tip"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    // Screen readers speak each message as a notification.
    AccessibleWindows::setWindowRole(staticMetaObject, QAccessible::Notification);
    m_hide.setSingleShot(true);
    connect(&m_hide, &QTimer::timeout, this, &QWidget::hide);
    m_replace.setSingleShot(true);
    m_replace.setInterval(0);
    connect(&m_replace, &QTimer::timeout, this, [this] { follow(m_figure); });
}

QString ListeningTip::listeningText() {
    return tr("Listening...");
}

QString ListeningTip::alwaysListeningText() {
    return tr("Listening all the time: say \u201CTovrin, ...\u201D");
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
    AccessibleWindows::announce(this, text);
    keepMenuOnTop();
    if (hideAfterMs > 0)
        m_hide.start(hideAfterMs);
    else
        m_hide.stop();
}

void ListeningTip::follow(const QRect& figure) {
    if (isVisible()) {
        placeBeside(figure);
        keepMenuOnTop();
    }
}

QRect ListeningTip::placement(QSize size, const QRect& figure, const QRect& area,
                              const QList<QRect>& avoid) {
    const auto inside = [&](QPoint at) {
        at.setX(std::clamp(at.x(), area.left(),
                           std::max(area.left(), area.right() + 1 - size.width())));
        at.setY(std::clamp(at.y(), area.top(),
                           std::max(area.top(), area.bottom() + 1 - size.height())));
        return QRect(at, size);
    };
    const QList<QRect> candidates{
        inside(QPoint(figure.right() + 1 + kGap, figure.top())),
        inside(QPoint(figure.left() - kGap - size.width(), figure.top())),
        inside(QPoint(figure.left(), figure.bottom() + 1 + kGap)),
        inside(QPoint(figure.left(), figure.top() - kGap - size.height())),
        inside(QPoint(figure.right() + 1 + kGap, figure.bottom() + 1 - size.height())),
        inside(QPoint(figure.left() - kGap - size.width(), figure.bottom() + 1 - size.height())),
    };
    const int chosen = chooseClearSpot(candidates, QList<QRect>(avoid) << figure);
    return candidates.value(chosen, candidates.first());
}

void ListeningTip::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    qApp->installEventFilter(this);
}

void ListeningTip::hideEvent(QHideEvent* event) {
    qApp->removeEventFilter(this);
    m_replace.stop();
    QWidget::hideEvent(event);
}

bool ListeningTip::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize) {
        const auto* window = qobject_cast<const QWidget*>(watched);
        if (window && window != this && window->isWindow() &&
            geometry().intersects(window->frameGeometry()))
            m_replace.start();
    }
    return false;
}

void ListeningTip::placeBeside(const QRect& figure) {
    m_figure = figure;
    const QFontMetrics metrics(font());
    const QRect text = metrics.boundingRect(QRect(0, 0, kMaxTextWidth, 10000),
                                            Qt::TextWordWrap | Qt::AlignLeft, m_text);
    const QSize size(text.width() + 2 * kPadding, text.height() + 2 * kPadding);
    QScreen* screen = QGuiApplication::screenAt(figure.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), size * 4);
    setGeometry(placement(size, figure, area, ownWindowAreas({this}, true)));
}

void ListeningTip::keepMenuOnTop() {
    // An open pop-up menu stays above the tip.
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->raise();
}

void ListeningTip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(255, 252, 214));
    painter.setPen(QColor(120, 110, 60));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setPen(Qt::black);
    painter.drawText(rect().adjusted(kPadding, kPadding, -kPadding, -kPadding),
                     Qt::AlignVCenter | Qt::AlignLeft | Qt::TextWordWrap, m_text);
}

} // namespace tk::agent::listening
