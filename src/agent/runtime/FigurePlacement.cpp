#include "agent/runtime/FigurePlacement.h"

#include <QLineF>
#include <algorithm>
#include <cmath>
#include <limits>

namespace tk::agent::FigurePlacement {

QPoint initialPosition(QSize size, const QRect& available) {
    const int margin = 24;
    const QPoint corner(available.right() + 1 - size.width() - margin * 2,
                        available.bottom() + 1 - size.height() - margin);
    return clampToScreen(corner, size, available);
}

QPoint clampToScreen(QPoint target, QSize size, const QRect& screen) {
    const int maxX = screen.right() + 1 - size.width();
    const int maxY = screen.bottom() + 1 - size.height();
    const int x = std::max(screen.left(), std::min(target.x(), maxX));
    const int y = std::max(screen.top(), std::min(target.y(), maxY));
    return {x, y};
}

QPoint keepReachable(QPoint wanted, QSize size, const QList<QRect>& screens) {
    if (screens.isEmpty())
        return wanted;
    QPoint best = wanted;
    qint64 bestDistance = std::numeric_limits<qint64>::max();
    for (const QRect& screen : screens) {
        const int keepX = std::min(kDragKeepVisible, size.width());
        const int keepY = std::min(kDragKeepVisible, size.height());
        // The window's left edge may go from (screen.left - width + keep) to (screen.right + 1 -
        // keep).
        const int x = std::max(screen.left() - size.width() + keepX,
                               std::min(wanted.x(), screen.right() + 1 - keepX));
        const int y = std::max(screen.top() - size.height() + keepY,
                               std::min(wanted.y(), screen.bottom() + 1 - keepY));
        const qint64 dx = x - wanted.x();
        const qint64 dy = y - wanted.y();
        const qint64 distance = dx * dx + dy * dy;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = QPoint(x, y);
        }
    }
    return best;
}

CharacterState moveDirection(QPoint from, QPoint to) {
    const int dx = to.x() - from.x();
    const int dy = to.y() - from.y();
    if (std::abs(dx) >= std::abs(dy))
        return dx < 0 ? CharacterState::MovingLeft : CharacterState::MovingRight;
    return dy < 0 ? CharacterState::MovingUp : CharacterState::MovingDown;
}

int glideDurationMs(QPoint from, QPoint to, std::optional<int> speed) {
    const int pixelsPerSecond = speed && *speed > 0 ? *speed : kDefaultSpeed;
    const double distance = QLineF(from, to).length();
    const double ms = distance * 1000.0 / pixelsPerSecond;
    return static_cast<int>(std::clamp(ms, double(kShortestGlideMs), double(kLongestGlideMs)));
}

} // namespace tk::agent::FigurePlacement
