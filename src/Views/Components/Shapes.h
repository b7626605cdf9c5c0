#pragma once

// Shapes: pure geometry for the rounded looks, unit-tested, with no painting.
//
//   Shapes::continuousRoundedRect(rect, radius, Shapes::allCorners)  // squircle-like corners
//   Shapes::capsule(rect)                                            // ends are half circles
//   Shapes::badgeRect(container, badgeSize, Qt::TopRightCorner, 10)  // overlay placement
//   Shapes::aspectFill(imageSize, target)                            // source rect that fills target

#include <QPainterPath>
#include <QRectF>
#include <QSizeF>

class Shapes final
{
public:
    Shapes() = delete;

    enum Corner : unsigned char {
        topLeft = 1,
        topRight = 2,
        bottomLeft = 4,
        bottomRight = 8,
        topCorners = topLeft | topRight,
        bottomCorners = bottomLeft | bottomRight,
        allCorners = 15,
    };

    // A rounded rectangle whose corners blend into the edges (curvature rises gradually, like
    // the platform's "continuous" corners) instead of a circular arc meeting a straight line.
    // The radius is clamped to fit; the path never leaves rect. An empty rect gives an empty path.
    static QPainterPath continuousRoundedRect(const QRectF &rect, qreal radius,
                                              unsigned corners = allCorners);
    static QPainterPath capsule(const QRectF &rect);

    // Where an overlay of badgeSize sits in container's given corner, inset from both edges. A
    // badge too large for the container is kept inside it, pinned to the leading/top edge.
    static QRectF badgeRect(const QRectF &container, const QSizeF &badgeSize, Qt::Corner corner, qreal inset);

    // The part of an image of imageSize that, scaled uniformly, exactly covers target (centre
    // crop). An empty size gives an empty rect.
    static QRectF aspectFill(const QSizeF &imageSize, const QSizeF &target);
};
