#pragma once

#include "agent/api/SpeechOutput.h"

#include <QCache>
#include <QPixmap>
#include <QRegion>

namespace tk::agent {

class FrameRenderer;

// How the figure window is cut out of the screen.
enum class MaskKind {
    Blended, // every pixel that is not fully transparent; the edges blend
    Shaped,  // pixels at least half opaque; no blending is available
};

// Rendered frames, each drawn once per device pixel ratio and kept, together
// with the window shapes cut from their alpha. Bounded by a memory budget.
class FrameCache {
public:
    explicit FrameCache(const FrameRenderer& renderer, qint64 budgetBytes = 32 * 1024 * 1024);
    FrameCache(const FrameCache&) = delete;
    FrameCache& operator=(const FrameCache&) = delete;

    // The frame as shown with mouth (ignored for frames without a mouth anchor).
    QPixmap pixmap(int frame, MouthShape mouth, qreal devicePixelRatio);
    // The window shape of that frame, in logical pixels.
    QRegion mask(int frame, MouthShape mouth, MaskKind kind);

    // The shape of the pixels of image (alpha above the kind's threshold),
    // scaled to logical pixels.
    static QRegion maskOf(const QImage& image, MaskKind kind);

private:
    quint64 key(int frame, MouthShape mouth, int variant) const;

    const FrameRenderer& m_renderer;
    QCache<quint64, QPixmap> m_pixmaps;
    QCache<quint64, QRegion> m_masks;
};

} // namespace tk::agent
