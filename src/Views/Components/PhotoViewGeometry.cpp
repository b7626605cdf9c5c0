#include "Views/Components/PhotoViewGeometry.h"

#include <algorithm>
#include <cmath>

namespace {

double wrappedHue(double hue)
{
    const double wrapped = std::fmod(hue, 1.0);
    return wrapped < 0 ? wrapped + 1.0 : wrapped;
}

constexpr int decodeStep = 128;

} // namespace

const PhotoViewGeometry::Style &PhotoViewGeometry::style()
{
    static const Style style;
    return style;
}

PhotoViewGeometry::Gradient PhotoViewGeometry::backgroundGradient(double hue)
{
    const Style &s = style();
    // Catalog hues stay below 0.96, but a custom hue may not: wrap round the colour circle.
    return {QColor::fromHsvF(float(wrappedHue(hue)), float(s.startSaturation), float(s.startBrightness)),
            QColor::fromHsvF(float(wrappedHue(hue + s.endHueShift)), float(s.endSaturation),
                             float(s.endBrightness))};
}

qreal PhotoViewGeometry::placeholderSymbolSize(const QSizeF &frame, qreal symbolScale)
{
    if (frame.isEmpty() || symbolScale <= 0)
        return 0;
    return symbolScale * std::min(frame.width(), frame.height());
}

QRectF PhotoViewGeometry::placeholderSymbolRect(const QRectF &frame, qreal symbolScale)
{
    const qreal side = placeholderSymbolSize(frame.size(), symbolScale);
    return {frame.center().x() - side / 2, frame.center().y() - side / 2, side, side};
}

QRectF PhotoViewGeometry::illustrationRect(const QRectF &frame, qreal devicePixelRatio)
{
    if (frame.isEmpty() || devicePixelRatio <= 0)
        return {};
    const qreal dpr = devicePixelRatio;
    const qreal pixels =
        std::round(style().illustrationScale * std::min(frame.width(), frame.height()) * dpr);
    const qreal x = std::round(frame.center().x() * dpr - pixels / 2);
    const qreal y = std::round(frame.center().y() * dpr - pixels / 2);
    return {x / dpr, y / dpr, pixels / dpr, pixels / dpr};
}

int PhotoViewGeometry::decodeMaxPixel(const std::optional<QSize> &photoSize, const QSize &framePixels,
                                      int cap)
{
    if (!photoSize || photoSize->isEmpty() || framePixels.isEmpty())
        return cap;
    const double scale = std::max(double(framePixels.width()) / photoSize->width(),
                                  double(framePixels.height()) / photoSize->height());
    const double longer = std::max(photoSize->width(), photoSize->height()) * scale;
    const int stepped = int(std::ceil(longer / decodeStep - 1e-9)) * decodeStep;
    return std::min(std::max(stepped, decodeStep), cap);
}
