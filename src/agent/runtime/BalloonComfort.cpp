#include "agent/runtime/BalloonComfort.h"

#include <cmath>

namespace tk::agent::speech {

namespace {

constexpr qreal kReadableContrast = 4.5;

qreal luminance(const QColor& colour) {
    const auto channel = [](qreal c) {
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) +
           0.0722 * channel(rgb.blueF());
}

} // namespace

qreal contrastRatio(const QColor& a, const QColor& b) {
    const qreal la = luminance(a);
    const qreal lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

BalloonSettings comfortableBalloon(BalloonSettings settings, const DesktopPreferences& desktop,
                                   qreal systemPointSize) {
    if (systemPointSize > settings.fontPointSize)
        settings.fontPointSize = systemPointSize;
    if (desktop.highContrast) {
        settings.textColor = Qt::black;
        settings.backgroundColor = Qt::white;
        settings.borderColor = Qt::black;
    } else if (contrastRatio(settings.textColor, settings.backgroundColor) < kReadableContrast) {
        const QColor black(Qt::black);
        const QColor white(Qt::white);
        settings.textColor = contrastRatio(black, settings.backgroundColor) >=
                                     contrastRatio(white, settings.backgroundColor)
                                 ? black
                                 : white;
    }
    if (desktop.reducedMotion)
        settings.fadeMs = 0;
    return settings;
}

} // namespace tk::agent::speech
