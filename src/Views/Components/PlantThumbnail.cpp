#include "Views/Components/PlantThumbnail.h"

#include "Models/Plant.h"

#include <cmath>

PlantThumbnail::PlantThumbnail(Plant *plant, qreal size, QWidget *parent)
    : PlantPhotoView(std::nullopt, Species::custom(), symbolScaleForThumbnail, parent), m_size(size)
{
    const int side = int(std::lround(size));
    setFixedSize(side, side);
    setCornerRadius(size * radiusFraction);
    setPlant(plant);
}

void PlantThumbnail::setPlant(Plant *plant)
{
    disconnect(m_connection);
    m_plant = plant;
    if (plant)
        m_connection = connect(plant, &Plant::changed, this, &PlantThumbnail::refresh);
    refresh();
}

void PlantThumbnail::refresh()
{
    if (!m_plant) {
        setPhoto(std::nullopt);
        setSpecies(Species::custom());
        return;
    }
    setSpecies(Species::find(m_plant->speciesID()));
    // The bytes are read from the store only to decode them, and not kept: a long list holds
    // one thumbnail per task.
    const QPointer<Plant> plant = m_plant;
    setPhotoReader(m_plant->id(), m_plant->photoRevision(), m_plant->hasPhoto(),
                   [plant]() -> std::optional<QByteArray> { return plant ? plant->photo() : std::nullopt; });
}
