#pragma once

// Painting: small drawing helpers shared by the components (and the photo views).
//
//   Painting::setHighQuality(p)                                  // antialiasing + smooth pixmaps
//   Painting::drawImageFilled(p, image, clipPath)                // aspect fill, antialiased clip
//   Painting::drawShadow(p, rect, radius, color, blur, offset)   // soft drop shadow of a card
//   Painting::drawGlass(p, path, tint, appearance)               // translucent "glass" surface
//   Painting::drawFocusRing(p, path, color, width)
//   Painting::showsFocusRing(widget)       // focused from the keyboard

#include "Views/Components/Theme.h"

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>

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
    // True when widget has focus that came from the keyboard (Tab, Backtab, a shortcut): only then
    // does a control draw its focus ring, as on the desktop platforms.
    static bool showsFocusRing(const QWidget *widget);
};
