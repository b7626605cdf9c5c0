#pragma once

// PlantThumbnail: the small square picture of a plant in lists (the Today rows pass 48): the
// plant's photo or its species picture, corners rounded at 0.28 of the side. Follows the plant:
// a new photo fades in, a removed one gives way to the species picture again.

#include "Models/Plant.h"
#include "Views/Components/PlantPhotoView.h"

#include <QPointer>

class PlantThumbnail final : public PlantPhotoView
{
    Q_OBJECT

public:
    static constexpr qreal symbolScaleForThumbnail = 0.45;
    static constexpr qreal radiusFraction = 0.28;

    PlantThumbnail(Plant *plant, qreal size, QWidget *parent = nullptr);

    Plant *plant() const { return m_plant; }
    void setPlant(Plant *plant);
    qreal side() const { return m_size; }

private:
    void refresh();

    QPointer<Plant> m_plant;
    qreal m_size;
    QMetaObject::Connection m_connection;
};
