#include "platform/desktop/ClearSpot.h"

#include <QApplication>
#include <QWidget>

namespace tk {

namespace {

qint64 coveredArea(const QRect& spot, const QList<QRect>& avoid) {
    qint64 area = 0;
    for (const QRect& other : avoid) {
        const QRect common = spot.intersected(other);
        area += qint64(common.width()) * common.height();
    }
    return area;
}

bool isOverlay(const QWidget* window) {
    return window->windowType() == Qt::ToolTip ||
           window->windowFlags().testFlag(Qt::WindowTransparentForInput) ||
           window->testAttribute(Qt::WA_TransparentForMouseEvents);
}

} // namespace

int chooseClearSpot(const QList<QRect>& candidates, const QList<QRect>& avoid) {
    int best = -1;
    qint64 bestCovered = 0;
    for (int i = 0; i < candidates.size(); ++i) {
        const qint64 covered = coveredArea(candidates[i], avoid);
        if (covered == 0)
            return i;
        if (best < 0 || covered < bestCovered) {
            best = i;
            bestCovered = covered;
        }
    }
    return best;
}

QList<QRect> ownWindowAreas(const QList<const QWidget*>& except, bool withOverlays) {
    QList<QRect> areas;
    for (const QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible() || window->isMinimized() || except.contains(window))
            continue;
        if (window->testAttribute(Qt::WA_DontShowOnScreen))
            continue;
        if (!withOverlays && isOverlay(window))
            continue;
        const QRect frame = window->frameGeometry();
        if (frame.width() <= 2 || frame.height() <= 2)
            continue;
        areas.append(frame);
    }
    return areas;
}

} // namespace tk
