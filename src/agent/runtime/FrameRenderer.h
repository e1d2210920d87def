#pragma once

#include "agent/characterfile/CharacterData.h"

#include <QImage>
#include <QString>
#include <memory>
#include <vector>

class QPainter;
class QSvgRenderer;

namespace tk::agent {

// Draws the frames of a character from its vector pictures. Each picture is
// parsed once, when the renderer is prepared.
class FrameRenderer {
public:
    explicit FrameRenderer(std::shared_ptr<const CharacterData> character);
    ~FrameRenderer();
    FrameRenderer(const FrameRenderer&) = delete;
    FrameRenderer& operator=(const FrameRenderer&) = delete;

    // Parses every picture; gives "" or why one cannot be drawn (naming it).
    QString prepare();

    const CharacterData& character() const { return *m_character; }
    // Whether frame shows a mouth overlay (it has a mouth anchor).
    bool hasMouth(int frame) const;

    // The frame on a transparent canvas of the character's size times dpr,
    // with the overlay of mouth where the frame has a mouth anchor.
    QImage render(int frame, MouthShape mouth, qreal devicePixelRatio) const;
    // Paints the frame into painter in figure coordinates.
    void paint(QPainter& painter, int frame, MouthShape mouth) const;

private:
    void paintImage(QPainter& painter, int image, const Placement& placement) const;

    std::shared_ptr<const CharacterData> m_character;
    std::vector<std::unique_ptr<QSvgRenderer>> m_pictures;
};

} // namespace tk::agent
