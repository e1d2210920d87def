#pragma once

#include <QPolygonF>
#include <QRect>
#include <QRectF>
#include <QSize>

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

    // anchor: the character's window; screen: the available screen area.
    static BalloonGeometry place(const QRect& anchor, const QRect& screen, QSize body,
                                 QSize finalBody);
};

} // namespace tk::agent::speech
