#pragma once

#include <QList>
#include <QPolygonF>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <array>

namespace tk::agent::speech {

// Where a word balloon goes, relative to the character it belongs to.
struct BalloonGeometry {
    enum class Side { Above, Right, Left, Below };
    QRect window;   // the balloon's window, in screen coordinates
    QRectF body;    // the rounded body, in window coordinates
    QPolygonF tail; // base corner, tip, base corner, in window coordinates
    Side side = Side::Above;

    QPointF tip() const { return tail.size() == 3 ? tail[1] : QPointF(); }
};

// Places a balloon body of a given size beside a character's window so that
// the whole balloon stays on the screen, the tail points at the character's
// head, and the side only changes when the balloon would not fit. The side is
// chosen for the size the balloon will finally reach (finalBody), so a balloon
// that grows word by word does not jump from one side to another.
class BalloonLayout {
public:
    static constexpr int kTailLength = 16;
    static constexpr int kTailHalfBase = 8;
    static constexpr int kCornerRadius = 10;
    static constexpr int kScreenMargin = 4;
    static constexpr int kMinBodyWidth = 2 * (kCornerRadius + kTailHalfBase) + 8;
    static constexpr int kMinBodyHeight = 2 * (kCornerRadius + kTailHalfBase);

    // anchor: the character's window; screen: the available screen area; avoid:
    // windows the balloon should not cover (the first side with room that covers
    // none of them wins, else the one covering least).
    static BalloonGeometry place(const QRect& anchor, const QRect& screen, QSize body,
                                 QSize finalBody, const QList<QRect>& avoid = {});

private:
    // The balloon of body size on side, its tail aiming at that side's point of
    // tips (above, below, right, left); it extends where finalSize fits.
    static BalloonGeometry layOut(BalloonGeometry::Side side, QSizeF size, QSizeF finalSize,
                                  const QRectF& area, const QRect& screen,
                                  const std::array<QPointF, 4>& tips);
};

} // namespace tk::agent::speech
