#pragma once

#include <QList>
#include <QRect>

class QWidget;

namespace tk {

// Of candidate rectangles in order of preference, the index of the first that
// covers none of avoid; when each covers something, the one covering the least
// area (the earlier one on a tie). -1 for no candidates.
int chooseClearSpot(const QList<QRect>& candidates, const QList<QRect>& avoid);

// Where the program's own windows are on the screen (frame geometry): every
// visible top-level window, open menus included, except those in except, the
// minimised ones, windows collapsed to a line, and, unless withOverlays, the
// passive overlays that let the mouse through (tips, word balloons).
QList<QRect> ownWindowAreas(const QList<const QWidget*>& except, bool withOverlays);

} // namespace tk
