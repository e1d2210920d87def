#include "agent/runtime/FrameCache.h"

#include "agent/runtime/FrameRenderer.h"

#include <QList>
#include <QRect>
#include <cmath>

namespace tk::agent {

FrameCache::FrameCache(const FrameRenderer& renderer, qint64 budgetBytes)
    : m_renderer(renderer), m_pixmaps(int(budgetBytes / 1024)), m_masks(4 * 1024 * 1024) {}

quint64 FrameCache::key(int frame, MouthShape mouth, int variant) const {
    const int mouthPart = m_renderer.hasMouth(frame) ? int(mouth) + 1 : 0;
    return (quint64(quint32(frame)) << 32) | (quint64(mouthPart) << 24) |
           quint64(variant & 0xffffff);
}

QPixmap FrameCache::pixmap(int frame, MouthShape mouth, qreal devicePixelRatio) {
    const int ratioKey = qBound(1, qRound(devicePixelRatio * 100), 0xffff);
    const quint64 k = key(frame, mouth, ratioKey);
    if (const QPixmap* cached = m_pixmaps.object(k))
        return *cached;
    const QImage image = m_renderer.render(frame, mouth, devicePixelRatio);
    auto* rendered = new QPixmap(QPixmap::fromImage(image));
    const QPixmap result = *rendered;
    m_pixmaps.insert(k, rendered, int(qMax<qint64>(1, image.sizeInBytes() / 1024)));
    return result;
}

QRegion FrameCache::mask(int frame, MouthShape mouth, MaskKind kind) {
    const quint64 k = key(frame, mouth, 0x10000 + int(kind));
    if (const QRegion* cached = m_masks.object(k))
        return *cached;
    const QRegion region = maskOf(m_renderer.render(frame, mouth, 1.0), kind);
    auto* stored = new QRegion(region);
    m_masks.insert(k, stored, int(qMax(1, region.rectCount() * 16)));
    return region;
}

QRegion FrameCache::maskOf(const QImage& source, MaskKind kind) {
    const qreal ratio = source.devicePixelRatio();
    QImage image = source;
    if (!qFuzzyCompare(ratio, 1.0)) {
        const QSize logical(qRound(source.width() / ratio), qRound(source.height() / ratio));
        image = source.scaled(logical, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int threshold = kind == MaskKind::Blended ? 1 : 128;
    // One rectangle per run of kept pixels, row by row: already in the banded
    // order QRegion::setRects expects.
    QList<QRect> rects;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        int x = 0;
        while (x < image.width()) {
            while (x < image.width() && qAlpha(line[x]) < threshold)
                ++x;
            const int start = x;
            while (x < image.width() && qAlpha(line[x]) >= threshold)
                ++x;
            if (x > start)
                rects.append(QRect(start, y, x - start, 1));
        }
    }
    QRegion region;
    region.setRects(rects.constData(), int(rects.size()));
    return region;
}

} // namespace tk::agent
