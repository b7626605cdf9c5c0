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
    QRectF bounds(offset, QSizeF(source.size()) / dpr);
    if (auto *widget = qobject_cast<QWidget *>(parent()))
        bounds = painter->deviceTransform().mapRect(QRectF(widget->rect()));
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
