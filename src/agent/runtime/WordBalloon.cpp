#include "agent/runtime/WordBalloon.h"

#include "platform/desktop/AccessibleWindows.h"
#include "platform/desktop/ClearSpot.h"
#include "platform/desktop/Compositor.h"
#include "platform/desktop/WindowManagerSupport.h"

#include <QApplication>
#include <QBitmap>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QShowEvent>
#include <algorithm>
#include <cmath>

namespace tk::agent::speech {

namespace {

constexpr int kPadX = 10;
constexpr int kPadY = 7;
constexpr qreal kBorderWidth = 1.5;

QRect screenAreaFor(const QRect& anchor) {
    QScreen* screen = QGuiApplication::screenAt(anchor.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 800, 600);
}

QPainterPath balloonPath(const BalloonGeometry& geometry) {
    QPainterPath body;
    body.addRoundedRect(geometry.body.adjusted(0.75, 0.75, -0.75, -0.75),
                        BalloonLayout::kCornerRadius, BalloonLayout::kCornerRadius);
    QPainterPath tail;
    tail.addPolygon(geometry.tail);
    tail.closeSubpath();
    return body.united(tail).simplified();
}

} // namespace

WordBalloon::WordBalloon(const BalloonSettings& settings, QWidget* parent)
    : QWidget(parent,
              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                  Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint |
                  Qt::WindowTransparentForInput |
                  (floatingWindowsBypassManager() ? Qt::X11BypassWindowManagerHint : Qt::Widget)),
      m_settings(settings), m_fade(this, "windowOpacity") {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    // Screen readers hear each speech once, as a notification, when the balloon appears.
    AccessibleWindows::setWindowRole(staticMetaObject, QAccessible::Notification);
    m_translucent = compositorRunning();
    setAttribute(Qt::WA_TranslucentBackground, m_translucent);
    m_linger.setSingleShot(true);
    connect(&m_linger, &QTimer::timeout, this, &WordBalloon::startFade);
    connect(&m_fade, &QPropertyAnimation::finished, this, [this] {
        hide();
        setWindowOpacity(1.0);
    });
}

void WordBalloon::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous())
        skipTaskbarAndPager(this);
}

void WordBalloon::setSettings(const BalloonSettings& settings) {
    m_settings = settings;
    m_wrapWidth = 0; // wrap again with the new font and width
    if (!m_text.isEmpty())
        relayout();
}

void WordBalloon::setAnchor(const QRect& figureGeometry) {
    if (figureGeometry == m_anchor)
        return;
    m_anchor = figureGeometry;
    if (isVisible())
        relayout();
}

void WordBalloon::beginSpeech(const QString& text) {
    clear();
    m_text = text;
    AccessibleWindows::announce(this, text.simplified());
    // A compositor may have started or stopped since the last speech: the
    // window is made anew for the other way of drawing.
    const bool translucent = compositorRunning();
    if (translucent != m_translucent) {
        m_translucent = translucent;
        destroy();
        setAttribute(Qt::WA_TranslucentBackground, translucent);
        if (translucent)
            clearMask();
    }
}

void WordBalloon::revealWord(int position, int length) {
    if (m_text.isEmpty())
        return;
    if (m_wrapWidth <= 0)
        relayout(); // lays the text out, shows nothing yet
    const int end = m_layoutText.revealEnd(position, length);
    if (end <= m_revealed)
        return;
    m_revealed = end;
    relayout();
}

void WordBalloon::finishSpeech() {
    if (m_text.isEmpty())
        return;
    m_revealed = static_cast<int>(m_text.size());
    relayout();
    if (isVisible())
        m_linger.start(std::max(m_settings.lingerMs, 0));
}

void WordBalloon::clear() {
    m_linger.stop();
    m_fade.stop();
    hide();
    setWindowOpacity(1.0);
    m_text.clear();
    m_layoutText = BalloonText();
    m_wrapWidth = 0;
    m_revealed = 0;
    m_revealedWidth = 0;
    m_view = {};
}

void WordBalloon::startFade() {
    m_fade.stop();
    if (m_settings.fadeMs <= 0) {
        hide(); // no fading at all (the desktop asks for reduced motion)
        return;
    }
    m_fade.setDuration(std::max(m_settings.fadeMs, 1));
    m_fade.setStartValue(1.0);
    m_fade.setEndValue(0.0);
    m_fade.start();
}

void WordBalloon::relayout() {
    const QRect screen = screenAreaFor(m_anchor);
    const QFont font = m_settings.font();
    const int chrome = 2 * (BalloonLayout::kScreenMargin + kPadX);
    const qreal wrap =
        std::max<qreal>(std::min(m_settings.maxTextWidth, screen.width() - chrome), 40);
    if (wrap != m_wrapWidth) {
        m_wrapWidth = wrap;
        m_layoutText = BalloonText(m_text, font, wrap);
        m_revealedWidth = 0;
    }
    if (m_revealed <= 0 || !m_layoutText.hasVisibleText()) {
        hide();
        return;
    }
    const int roomLines = static_cast<int>((screen.height() - 2 * BalloonLayout::kScreenMargin -
                                            BalloonLayout::kTailLength - 2 * kPadY) /
                                           std::max<qreal>(m_layoutText.lineHeight(), 1));
    const int maxLines = std::clamp(m_settings.maxLines, 1, std::max(roomLines, 1));
    m_view = m_layoutText.view(m_revealed, maxLines);
    // The balloon never narrows while a speech goes on, even as lines scroll away.
    m_revealedWidth = std::max(m_revealedWidth, m_view.size.width());
    const QSize body(static_cast<int>(std::ceil(m_revealedWidth)) + 2 * kPadX,
                     static_cast<int>(std::ceil(m_view.size.height())) + 2 * kPadY);
    const QSizeF full = m_layoutText.fullSize(maxLines);
    const QSize finalBody(static_cast<int>(std::ceil(full.width())) + 2 * kPadX,
                          static_cast<int>(std::ceil(full.height())) + 2 * kPadY);
    // The program's own windows and an open menu stay uncovered where there is room.
    const QList<QRect> avoid = ownWindowAreas({this}, false);
    m_geometry = BalloonLayout::place(m_anchor, screen, body, finalBody, avoid);
    // The window takes the size of the finished balloon at once, so growing
    // word by word only redraws, and nothing jumps or flickers.
    const QRect window = BalloonLayout::place(m_anchor, screen, finalBody, finalBody, avoid)
                             .window.united(m_geometry.window);
    setGeometry(window);
    render();
    if (!isVisible()) {
        m_fade.stop();
        setWindowOpacity(1.0);
        show();
    }
    // An open pop-up menu is never drawn over.
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->raise();
    repaint(); // the new word shows now, not on a later pass of the event loop
}

void WordBalloon::render() {
    const QSize size = geometry().size();
    const QPointF offset = m_geometry.window.topLeft() - geometry().topLeft();
    const qreal ratio = devicePixelRatioF();
    m_picture = QImage(size * ratio, QImage::Format_ARGB32_Premultiplied);
    m_picture.setDevicePixelRatio(ratio);
    // Without a compositor the masked edge shows the border colour, not black.
    m_picture.fill(m_translucent ? QColor(Qt::transparent) : m_settings.borderColor);

    const QPainterPath path = balloonPath(m_geometry).translated(offset);
    QPainter painter(&m_picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(m_settings.borderColor, kBorderWidth));
    painter.setBrush(m_settings.backgroundColor);
    painter.drawPath(path);

    painter.setPen(m_settings.textColor);
    painter.setFont(m_settings.font());
    const QFontMetricsF metrics(m_settings.font());
    const qreal lineHeight = m_layoutText.lineHeight();
    const QRectF body = m_geometry.body.translated(offset);
    // Lines sit in the middle of a body that is taller than they need.
    const qreal textHeight = lineHeight * m_view.lines.size();
    QPointF origin =
        body.topLeft() +
        QPointF(kPadX, std::max<qreal>((body.height() - textHeight) / 2, kPadY) + metrics.ascent());
    painter.setClipRect(body.adjusted(2, 2, -2, -2));
    for (const QString& line : m_view.lines) {
        painter.drawText(origin, line); // a plain string: never markup
        origin.ry() += lineHeight;
    }
    painter.end();

    if (!m_translucent) {
        QBitmap mask(size);
        mask.fill(Qt::color0);
        QPainter maskPainter(&mask);
        maskPainter.setPen(QPen(Qt::color1, kBorderWidth));
        maskPainter.setBrush(Qt::color1);
        maskPainter.drawPath(path);
        maskPainter.end();
        setMask(mask);
    }
}

void WordBalloon::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_translucent)
        painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QPoint(0, 0), m_picture);
}

} // namespace tk::agent::speech
