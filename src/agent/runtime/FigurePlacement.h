#pragma once

#include "agent/characterfile/CharacterData.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>

namespace tk::agent::FigurePlacement {

// Glide speed when a move names none, in pixels per second.
inline constexpr int kDefaultSpeed = 600;
// Shortest and longest glide, whatever the speed.
inline constexpr int kShortestGlideMs = 120;
inline constexpr int kLongestGlideMs = 8000;
// How much of the figure a drag must leave on some screen.
inline constexpr int kDragKeepVisible = 32;

// Where a figure of size first appears on a screen whose free area is available:
// near the bottom-right corner.
QPoint initialPosition(QSize size, const QRect& available);

// The top-left corner a move to target ends at: target moved just enough that
// the whole window lies on screen (top-left aligned when it is larger).
QPoint clampToScreen(QPoint target, QSize size, const QRect& screen);

// The position a drag to wanted ends at: wanted, moved just enough that at
// least kDragKeepVisible pixels of the window stay on one of the screens.
QPoint keepReachable(QPoint wanted, QSize size, const QList<QRect>& screens);

// The moving state for a glide from one corner to another: the axis that
// changes most decides (left/right when equal).
CharacterState moveDirection(QPoint from, QPoint to);

// How long a glide lasts: the distance at speed pixels per second (the default
// when none or not positive), bounded to [kShortestGlideMs, kLongestGlideMs].
int glideDurationMs(QPoint from, QPoint to, std::optional<int> speed);

} // namespace tk::agent::FigurePlacement
