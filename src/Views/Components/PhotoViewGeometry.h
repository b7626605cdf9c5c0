#pragma once

// The numbers behind plant and species pictures, kept apart from painting so they can be tested:
// the placeholder gradient, leaf and species drawing, and how large a photo needs decoding to fill
// a frame.

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QSizeF>

#include <optional>

class PhotoViewGeometry final
{
public:
    PhotoViewGeometry() = delete;

    // Placeholder look: a gradient in the species' hue (hue, saturation, brightness on 0..1)
    // under the species' drawing, or a white leaf with a soft shadow for a species without one.
    struct Style
    {
        double startSaturation = 0.42, startBrightness = 0.78;
        double endHueShift = 0.04, endSaturation = 0.62, endBrightness = 0.46;
        qreal symbolOpacity = 0.85;
        QColor shadowColor = QColor(0, 0, 0, 38); // black at 15 %
        qreal shadowBlur = 8;
        qreal illustrationScale = 0.86; // the drawing's side, of the frame's shorter side
        QPointF shadowOffset{0, 4};
        int fadeMilliseconds = 250; // a decoded photo fading in over the species picture
    };
    static const Style &style();

    struct Gradient
    {
        QColor start; // top leading corner
        QColor end;   // bottom trailing corner
    };
    static Gradient backgroundGradient(double hue);

    // Side of the placeholder leaf: symbolScale times the frame's shorter side.
    static qreal placeholderSymbolSize(const QSizeF &frame, qreal symbolScale);
    // The leaf's square, centred in frame.
    static QRectF placeholderSymbolRect(const QRectF &frame, qreal symbolScale);

    // The drawing's square: illustrationScale of the frame's shorter side, centred, its edges
    // on whole device pixels so the cached rendering is copied pixel for pixel.
    static QRectF illustrationRect(const QRectF &frame, qreal devicePixelRatio);

    // The longer side to decode a photo of photoSize at, so that it still covers a frame of
    // framePixels (device pixels) when aspect-filled. Rounded up to steps of 128 so a window
    // being resized does not decode again at every pixel; never above cap. An unknown photo
    // size gives cap.
    static int decodeMaxPixel(const std::optional<QSize> &photoSize, const QSize &framePixels, int cap);
};
