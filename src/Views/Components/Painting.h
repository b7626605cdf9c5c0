#pragma once

// Painting: small drawing helpers shared by the components (and the photo views).
//
//   Painting::setHighQuality(p)                                  // antialiasing + smooth pixmaps
//   Painting::drawImageFilled(p, image, clipPath)                // aspect fill, antialiased clip
//   Painting::drawShadow(p, rect, radius, color, blur, offset)   // soft drop shadow of a card
//   Painting::drawGlass(p, path, tint, appearance)               // translucent "glass" surface
//   Painting::drawFocusRing(p, path, color, width)
//   Painting::drawRoundedRect(p, rect, 22, fill, outline, 1)      // from a shared pixmap
//   Painting::drawCached(p, rect, "leaf-" + hue, [&](QPainter &q, const QRectF &r) { ... })
//   Painting::showsFocusRing(widget)       // focused from the keyboard

#include "Views/Components/Theme.h"

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>

#include <functional>
#include <optional>

class QPainter;
class QWidget;

class Painting final
{
public:
    Painting() = delete;

    static void setHighQuality(QPainter &painter);
    // Scales image to cover clip's bounds (centre crop) and paints it only inside clip, with
    // antialiased edges (a painter clip path would leave jagged corners).
    static void drawImageFilled(QPainter &painter, const QImage &image, const QPainterPath &clip);
    // A blurred shadow of a continuous rounded rect; cached per size, radius, colour and blur.
    static void drawShadow(QPainter &painter, const QRectF &rect, qreal radius, const QColor &color,
                           qreal blur, const QPointF &offset);
    // Translucent fill that lets what is below show through, an edge highlight and, when tinted,
    // a wash of the tint (strength tintAlpha).
    static void drawGlass(QPainter &painter, const QPainterPath &path, const QColor &fill,
                          const QColor &border, const std::optional<QColor> &tint, qreal tintAlpha);
    static void drawFocusRing(QPainter &painter, const QPainterPath &path, const QColor &color, qreal width);
    // Draws what paint draws into rect from a pixmap rendered once per key, size and pixel ratio
    // and shared by every caller (through QPixmapCache): for layers that many widgets repaint
    // alike and often, such as a grid of cards re-flowing as it is filtered. key must name all
    // that paint reads besides the size. paint gets a painter with default settings and the box
    // to fill (at the origin). Where rect does not fall on whole device pixels, paint draws
    // directly, so the result looks the same either way.
    using Layer = std::function<void(QPainter &painter, const QRectF &box)>;
    static void drawCached(QPainter &painter, const QRectF &rect, const QString &key, const Layer &paint);
    // A continuous rounded rect filled, then outlined inside its edge (either colour may be
    // transparent), through drawCached.
    static void drawRoundedRect(QPainter &painter, const QRectF &rect, qreal radius, const QColor &fill,
                                const QColor &border = Qt::transparent, qreal borderWidth = 0);
    // True when widget has focus that came from the keyboard (Tab, Backtab, a shortcut): only then
    // does a control draw its focus ring, as on the desktop platforms.
    static bool showsFocusRing(const QWidget *widget);
};
