#include "Views/Components/RoundedClipEffect.h"

#include <QPainter>

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
    const QRectF bounds(offset, QSizeF(source.size()) / dpr);
    painter->save();
    painter->setWorldTransform(QTransform());
    painter->setRenderHint(QPainter::Antialiasing);
    QBrush brush(source);
    QTransform transform;
    transform.translate(offset.x(), offset.y());
    transform.scale(1 / dpr, 1 / dpr);
    brush.setTransform(transform);
    painter->setPen(Qt::NoPen);
    painter->setBrush(brush);
    painter->drawPath(Shapes::continuousRoundedRect(bounds, m_radius, m_corners));
    painter->restore();
}
