#include "Views/Components/Shapes.h"

#include <algorithm>
#include <cmath>

namespace {

// The corner curve starts this many radii before the corner along each edge; the control points
// sit kControl radii from the corner. Together they put the curve's midpoint where a circular
// corner's would be while starting with a third of the circle's curvature.
constexpr qreal kExtent = 1.32;
constexpr qreal kControl = 0.341;

} // namespace

QPainterPath Shapes::continuousRoundedRect(const QRectF &rect, qreal radius, unsigned corners)
{
    QPainterPath path;
    const QRectF r = rect.normalized();
    if (r.isEmpty() || !std::isfinite(r.width()) || !std::isfinite(r.height()))
        return path;
    if (!std::isfinite(radius) || radius <= 0) {
        path.addRect(r);
        return path;
    }
    const qreal maxExtent = std::min(r.width(), r.height()) / 2.0;
    const qreal extent = std::min(radius * kExtent, maxExtent);
    const qreal control = extent * (kControl / kExtent);
    const qreal e = extent, c = control;
    const qreal l = r.left(), t = r.top(), rt = r.right(), b = r.bottom();
    const auto rounded = [corners](unsigned corner) { return (corners & corner) != 0; };

    path.moveTo(rounded(topLeft) ? l + e : l, t);
    if (rounded(topRight)) {
        path.lineTo(rt - e, t);
        path.cubicTo(rt - c, t, rt, t + c, rt, t + e);
    } else {
        path.lineTo(rt, t);
    }
    if (rounded(bottomRight)) {
        path.lineTo(rt, b - e);
        path.cubicTo(rt, b - c, rt - c, b, rt - e, b);
    } else {
        path.lineTo(rt, b);
    }
    if (rounded(bottomLeft)) {
        path.lineTo(l + e, b);
        path.cubicTo(l + c, b, l, b - c, l, b - e);
    } else {
        path.lineTo(l, b);
    }
    if (rounded(topLeft)) {
        path.lineTo(l, t + e);
        path.cubicTo(l, t + c, l + c, t, l + e, t);
    } else {
        path.lineTo(l, t);
    }
    path.closeSubpath();
    return path;
}

QPainterPath Shapes::capsule(const QRectF &rect)
{
    QPainterPath path;
    const QRectF r = rect.normalized();
    if (r.isEmpty())
        return path;
    const qreal radius = std::min(r.width(), r.height()) / 2.0;
    path.addRoundedRect(r, radius, radius);
    return path;
}

QRectF Shapes::badgeRect(const QRectF &container, const QSizeF &badgeSize, Qt::Corner corner, qreal inset)
{
    const QRectF c = container.normalized();
    const qreal w = std::max<qreal>(0, badgeSize.width());
    const qreal h = std::max<qreal>(0, badgeSize.height());
    const bool right = corner == Qt::TopRightCorner || corner == Qt::BottomRightCorner;
    const bool bottom = corner == Qt::BottomLeftCorner || corner == Qt::BottomRightCorner;
    qreal x = right ? c.right() - inset - w : c.left() + inset;
    qreal y = bottom ? c.bottom() - inset - h : c.top() + inset;
    // Keep it inside: never past the far edge, and never before the near edge.
    x = std::max(c.left(), std::min(x, c.right() - w));
    y = std::max(c.top(), std::min(y, c.bottom() - h));
    return {x, y, w, h};
}

QRectF Shapes::aspectFill(const QSizeF &imageSize, const QSizeF &target)
{
    if (imageSize.isEmpty() || target.isEmpty())
        return {};
    const qreal scale = std::max(target.width() / imageSize.width(), target.height() / imageSize.height());
    const qreal w = target.width() / scale, h = target.height() / scale;
    return {(imageSize.width() - w) / 2.0, (imageSize.height() - h) / 2.0, w, h};
}
