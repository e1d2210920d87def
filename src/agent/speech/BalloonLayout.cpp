#include "agent/speech/BalloonLayout.h"

#include "platform/desktop/ClearSpot.h"

#include <algorithm>
#include <cmath>

namespace tk::agent::speech {

namespace {

using Side = BalloonGeometry::Side;

constexpr int T = BalloonLayout::kTailLength;
constexpr int B = BalloonLayout::kTailHalfBase;
constexpr int R = BalloonLayout::kCornerRadius;
constexpr int M = BalloonLayout::kScreenMargin;
// Distance from the tail's base to the body's near end.
constexpr int kTailOffset = R + B + 6;

qreal clampTo(qreal value, qreal low, qreal high) {
    return high < low ? (low + high) / 2 : std::clamp(value, low, high);
}

} // namespace

BalloonGeometry BalloonLayout::place(const QRect& anchor, const QRect& screen, QSize body,
                                     QSize finalBody, const QList<QRect>& avoid) {
    const QRectF area = QRectF(screen).adjusted(M, M, -M, -M);
    const auto fit = [&](QSize size) {
        return QSizeF(std::clamp<qreal>(size.width(), kMinBodyWidth, area.width()),
                      std::clamp<qreal>(size.height(), kMinBodyHeight, area.height() - T));
    };
    const QSizeF size = fit(body);
    const QSizeF finalSize = fit(finalBody.expandedTo(body));

    // Points on the character the tail aims at: the top of its head from above
    // or below, the side of its head from the side.
    const qreal insetY = std::min(anchor.height() / 16.0, 6.0);
    const qreal headY = anchor.top() + anchor.height() / 4.0;
    const qreal insetX = std::min(anchor.width() / 16.0, 6.0);
    const qreal centerX = anchor.left() + anchor.width() / 2.0;
    const QPointF aboveTip(centerX, anchor.top() + insetY);
    const QPointF belowTip(centerX, anchor.bottom() + 1 - insetY);
    const QPointF rightTip(anchor.right() + 1 - insetX, headY);
    const QPointF leftTip(anchor.left() + insetX, headY);

    const qreal roomAbove = aboveTip.y() - T - area.top();
    const qreal roomBelow = area.bottom() - (belowTip.y() + T);
    const qreal roomRight = area.right() - (rightTip.x() + T);
    const qreal roomLeft = leftTip.x() - T - area.left();
    const bool headOnScreenY = headY >= area.top() + R + B && headY <= area.bottom() - R - B;

    QList<Side> fitting; // the sides with room, in order of preference
    if (roomAbove >= finalSize.height())
        fitting.append(Side::Above);
    if (headOnScreenY && roomRight >= finalSize.width())
        fitting.append(Side::Right);
    if (headOnScreenY && roomLeft >= finalSize.width())
        fitting.append(Side::Left);
    if (roomBelow >= finalSize.height())
        fitting.append(Side::Below);

    const auto build = [&](Side onSide, QSizeF bodySize) {
        return layOut(onSide, bodySize, finalSize, area, screen,
                      {aboveTip, belowTip, rightTip, leftTip});
    };
    Side side;
    if (fitting.isEmpty()) {
        side = roomAbove >= roomBelow ? Side::Above : Side::Below;
    } else if (avoid.isEmpty()) {
        side = fitting.first();
    } else {
        // The finished balloon keeps clear of the program's windows where a side lets it.
        QList<QRect> windows;
        for (Side candidate : fitting)
            windows.append(build(candidate, finalSize).window);
        side = fitting[chooseClearSpot(windows, avoid)];
    }
    return build(side, size);
}

BalloonGeometry BalloonLayout::layOut(BalloonGeometry::Side side, QSizeF size, QSizeF finalSize,
                                      const QRectF& area, const QRect& screen,
                                      const std::array<QPointF, 4>& tips) {
    const auto& [aboveTip, belowTip, rightTip, leftTip] = tips;
    QRectF bodyRect(QPointF(), size);
    QPointF tip;
    if (side == Side::Above || side == Side::Below) {
        tip = side == Side::Above ? aboveTip : belowTip;
        tip.setX(clampTo(tip.x(), area.left() + R + B, area.right() - R - B));
        // Extend to the right of the tail, or to the left where the final
        // balloon would not fit on the right.
        if (tip.x() - kTailOffset + finalSize.width() <= area.right())
            bodyRect.moveLeft(tip.x() - kTailOffset);
        else
            bodyRect.moveRight(tip.x() + kTailOffset);
        if (side == Side::Above)
            bodyRect.moveBottom(tip.y() - T);
        else
            bodyRect.moveTop(tip.y() + T);
    } else {
        tip = side == Side::Right ? rightTip : leftTip;
        tip.setY(clampTo(tip.y(), area.top() + R + B, area.bottom() - R - B));
        if (side == Side::Right)
            bodyRect.moveLeft(tip.x() + T);
        else
            bodyRect.moveRight(tip.x() - T);
        bodyRect.moveTop(tip.y() - kTailOffset);
    }
    // Keep the body on the screen, then the tip within reach of the body.
    bodyRect.moveLeft(clampTo(bodyRect.left(), area.left(), area.right() - bodyRect.width()));
    bodyRect.moveTop(clampTo(bodyRect.top(), area.top(), area.bottom() - bodyRect.height()));
    tip.setX(clampTo(tip.x(), area.left(), area.right()));
    tip.setY(clampTo(tip.y(), area.top(), area.bottom()));

    QPolygonF tail;
    if (side == Side::Above || side == Side::Below) {
        const qreal baseX = clampTo(tip.x(), bodyRect.left() + R + B, bodyRect.right() - R - B);
        const qreal baseY = side == Side::Above ? bodyRect.bottom() - 1 : bodyRect.top() + 1;
        if (side == Side::Above)
            tip.setY(std::max(tip.y(), bodyRect.bottom() + 4));
        else
            tip.setY(std::min(tip.y(), bodyRect.top() - 4));
        tail << QPointF(baseX - B, baseY) << tip << QPointF(baseX + B, baseY);
    } else {
        const qreal baseY = clampTo(tip.y(), bodyRect.top() + R + B, bodyRect.bottom() - R - B);
        const qreal baseX = side == Side::Right ? bodyRect.left() + 1 : bodyRect.right() - 1;
        if (side == Side::Right)
            tip.setX(std::min(tip.x(), bodyRect.left() - 4));
        else
            tip.setX(std::max(tip.x(), bodyRect.right() + 4));
        tail << QPointF(baseX, baseY - B) << tip << QPointF(baseX, baseY + B);
    }

    // The window holds body and tail, with a pixel for the border's stroke.
    const QRectF bounds = bodyRect.united(tail.boundingRect()).adjusted(-1, -1, 1, 1);
    QRect window(QPoint(static_cast<int>(std::floor(bounds.left())),
                        static_cast<int>(std::floor(bounds.top()))),
                 QPoint(static_cast<int>(std::ceil(bounds.right())) - 1,
                        static_cast<int>(std::ceil(bounds.bottom())) - 1));
    window = window.intersected(screen);

    BalloonGeometry geometry;
    geometry.side = side;
    geometry.window = window;
    geometry.body = bodyRect.translated(-window.topLeft());
    geometry.tail = tail.translated(-QPointF(window.topLeft()));
    return geometry;
}

} // namespace tk::agent::speech
