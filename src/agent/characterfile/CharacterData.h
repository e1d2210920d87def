#pragma once

#include "agent/api/SpeechOutput.h"
#include "agent/characterfile/BalloonSettings.h"

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QPointF>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <array>
#include <optional>

namespace tk::agent {

// The contents of a character file, validated: every index below points into
// the lists of the same CharacterData. See docs/character-format.md.

// One vector picture, drawn into a rectangle of `size` figure pixels.
struct CharacterImage {
    QString name;
    QByteArray svg;
    QSizeF size;
};

// Placement of one picture, or of a whole frame: scaled and rotated about the
// pivot, then moved by the offset.
struct Placement {
    QPointF offset;     // figure pixels
    QPointF pivot;      // in the placed item's own pixels
    qreal rotation = 0; // degrees, clockwise
    QPointF scale{1.0, 1.0};
    qreal opacity = 1.0;
};

// One picture of a frame, drawn in list order (later layers on top).
struct FrameLayer {
    int image = -1;
    Placement placement; // offset is the picture's top-left corner
};

// One picture of the figure: layers plus, for faces that speech may animate,
// where the mouth overlay goes.
struct Frame {
    QString name;
    QList<FrameLayer> layers;
    std::optional<QPointF> mouth; // centre of the mouth overlay, figure pixels
    Placement transform;          // applied to all layers (offset added last)
};

struct AnimationStep {
    int frame = -1;
    int durationMs = 100;
};

// A frame list. A looping animation repeats its steps from loopFrom until it is
// stopped; any animation that is stopped early plays its exit steps, which
// bring the figure back to its rest pose. `next` continues with another
// animation when this one ends by itself.
struct Animation {
    QString name;
    QList<AnimationStep> steps;
    std::optional<int> loopFrom;
    QList<AnimationStep> exit;
    int next = -1;
};

// The states the runtime shows the character in, each played by an animation.
enum class CharacterState {
    Showing,
    Hiding,
    Rest,
    Idling,
    Speaking,
    MovingLeft,
    MovingRight,
    MovingUp,
    MovingDown,
    Listening,
    Hearing,
};
inline constexpr int kCharacterStateCount = 11;

// The key of a state in the character file ("movingLeft").
QString characterStateKey(CharacterState state);
// The key of a mouth shape in the character file ("pucker").
QString mouthShapeKey(MouthShape shape);

// How the word balloon of the character looks (the speech output draws it).
using BalloonSettings = speech::BalloonSettings;

struct CharacterData {
    int version = 1;
    QString name;
    QSize size;   // the figure's canvas, logical pixels
    QColor matte; // edge colour where the window can only be shaped, not blended
    QList<CharacterImage> images;
    QList<Frame> frames;
    QList<Animation> animations;
    // For each state, the animations that can play it (idling picks among several).
    std::array<QList<int>, kCharacterStateCount> states;
    // For each mouth shape, its overlay picture.
    std::array<int, kMouthShapeCount> mouths{};
    VoiceSettings voice;
    BalloonSettings balloon;

    // The animation called name (case-insensitive), or -1.
    int animationIndex(const QString& name) const;
    const QList<int>& stateAnimations(CharacterState state) const {
        return states[static_cast<int>(state)];
    }
    int mouthImage(MouthShape shape) const { return mouths[static_cast<int>(shape)]; }
};

} // namespace tk::agent
