#pragma once

// RoundedClipEffect: clips a widget (and its children) to a continuous rounded rectangle with
// antialiased edges, e.g. a full-bleed picture at the top of a card.
//
//   picture->setGraphicsEffect(new RoundedClipEffect(22, Shapes::topCorners, picture));
// With the clipped widget as parent, its own rectangle is rounded (not its children's extent).

#include "Views/Components/Shapes.h"

#include <QGraphicsEffect>

class RoundedClipEffect final : public QGraphicsEffect
{
    Q_OBJECT
public:
    explicit RoundedClipEffect(qreal radius, unsigned corners = Shapes::allCorners,
                               QObject *parent = nullptr);

    void setRadius(qreal radius);
    qreal radius() const { return m_radius; }

protected:
    void draw(QPainter *painter) override;

private:
    qreal m_radius;
    unsigned m_corners;
};
