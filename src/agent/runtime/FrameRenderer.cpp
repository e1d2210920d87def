#include "agent/runtime/FrameRenderer.h"

#include <QPainter>
#include <QSvgRenderer>
#include <QTransform>
#include <cmath>

namespace tk::agent {

namespace {

void applyPlacement(QPainter& painter, const Placement& placement) {
    painter.translate(placement.offset);
    painter.translate(placement.pivot);
    painter.rotate(placement.rotation);
    painter.scale(placement.scale.x(), placement.scale.y());
    painter.translate(-placement.pivot);
    painter.setOpacity(painter.opacity() * placement.opacity);
}

} // namespace

FrameRenderer::FrameRenderer(std::shared_ptr<const CharacterData> character)
    : m_character(std::move(character)) {}

FrameRenderer::~FrameRenderer() = default;

QString FrameRenderer::prepare() {
    m_pictures.clear();
    m_pictures.reserve(m_character->images.size());
    for (const CharacterImage& image : m_character->images) {
        auto picture = std::make_unique<QSvgRenderer>(image.svg);
        if (!picture->isValid())
            return QStringLiteral("image \"%1\" is not a drawable SVG picture").arg(image.name);
        picture->setAspectRatioMode(Qt::IgnoreAspectRatio);
        m_pictures.push_back(std::move(picture));
    }
    return {};
}

bool FrameRenderer::hasMouth(int frame) const {
    return frame >= 0 && frame < m_character->frames.size() &&
           m_character->frames[frame].mouth.has_value();
}

QImage FrameRenderer::render(int frame, MouthShape mouth, qreal devicePixelRatio) const {
    const QSize size = m_character->size;
    QImage image(std::ceil(size.width() * devicePixelRatio),
                 std::ceil(size.height() * devicePixelRatio), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    paint(painter, frame, mouth);
    return image;
}

void FrameRenderer::paint(QPainter& painter, int frame, MouthShape mouth) const {
    if (frame < 0 || frame >= m_character->frames.size() ||
        m_pictures.size() != size_t(m_character->images.size()))
        return;
    const Frame& data = m_character->frames[frame];
    painter.save();
    applyPlacement(painter, data.transform);
    for (const FrameLayer& layer : data.layers)
        paintImage(painter, layer.image, layer.placement);
    if (data.mouth) {
        const int overlay = m_character->mouthImage(mouth);
        const QSizeF size = m_character->images[overlay].size;
        Placement placement;
        placement.offset = *data.mouth - QPointF(size.width() / 2, size.height() / 2);
        paintImage(painter, overlay, placement);
    }
    painter.restore();
}

void FrameRenderer::paintImage(QPainter& painter, int image, const Placement& placement) const {
    painter.save();
    applyPlacement(painter, placement);
    m_pictures[size_t(image)]->render(&painter,
                                      QRectF(QPointF(0, 0), m_character->images[image].size));
    painter.restore();
}

} // namespace tk::agent
