#include "Views/Components/RoundedClipEffect.h"

#include <QPainter>
#include <QWidget>

RoundedClipEffect::RoundedClipEffect(qreal radius, unsigned corners, QObject *parent)
    : QGraphicsEffect(parent), m_radius(radius), m_corners(corners)
{
}

void RoundedClipEffect::setRadius(qreal radius)
{
    m_radius = radius;
    update();
}

void RoundedClipEffect::draw(QPainter *painter)
{
    QPoint offset;
    const QPixmap source = sourcePixmap(Qt::DeviceCoordinates, &offset, QGraphicsEffect::NoPad);
    if (source.isNull())
        return;
    // Fill the rounded path with the rendered widget as a brush: antialiased, unlike a clip path.
    const qreal dpr = source.devicePixelRatio();
    // Round the widget's own rectangle: children reaching past it (a page sliding in) would
    // otherwise widen the source and move the corners out of sight.
    // The offset is in the painter's world coordinates, which on a high-density screen are still
    // logical pixels: the device transform would count the screen's scale twice.
    QRectF bounds(offset, QSizeF(source.size()) / dpr);
    if (auto *widget = qobject_cast<QWidget *>(parent()))
        bounds = painter->worldTransform().mapRect(QRectF(widget->rect()));
    painter->save();
    painter->setWorldTransform(QTransform());
    painter->setRenderHint(QPainter::Antialiasing);
    // The painter draws a texture of density 2 at half its pixels, and does so after the brush's
    // own transform: the offset is given in the texture's pixels.
    QBrush brush(source);
    brush.setTransform(QTransform::fromTranslate(offset.x() * dpr, offset.y() * dpr));
    painter->setPen(Qt::NoPen);
    painter->setBrush(brush);
    painter->drawPath(Shapes::continuousRoundedRect(bounds, m_radius, m_corners));
    painter->restore();
}
