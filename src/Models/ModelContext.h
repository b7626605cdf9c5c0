#pragma once

#include "Models/CareEvent.h"
#include "Models/RecordId.h"

#include <QByteArray>

#include <memory>
#include <optional>
#include <vector>

class Plant;

// What a record needs of the store that owns it. The store implements this; a plant that is not
// in a store has no context and simply keeps everything in memory.
class ModelContext
{
public:
    virtual ~ModelContext() = default;

    // Takes ownership of plant and makes it part of the store.
    virtual void insert(Plant *plant) = 0;
    // Deletes plant and, by cascade, its whole log. The plant object is destroyed later in the
    // same event-loop turn, so a caller that still holds it may finish what it was doing.
    virtual void deletePlant(Plant *plant) = 0;

    // Called by a plant in this context after it changed a stored field.
    virtual void plantChanged(Plant &plant) = 0;
    // Called by a plant in this context after it appended event to its log.
    virtual void eventAppended(Plant &plant, CareEvent &event) = 0;
    // Called by a plant in this context before it destroys event, which it removed from its log
    // (or before it hands the event out of its log to be put back later).
    virtual void deleteEvent(Plant &plant, const CareEvent &event) = 0;
    // Called by a plant in this context after it put a removed event back into its log, before
    // next (null when event is now the last entry).
    virtual void eventReinstated(Plant &plant, CareEvent &event, const CareEvent *next)
    {
        Q_UNUSED(next);
        eventAppended(plant, event);
    }

    // The stored log of plant, in store order, read on demand (for a plant whose log the context
    // left stored); none when it cannot be read.
    virtual std::optional<std::vector<std::unique_ptr<CareEvent>>> loadEvents(const Plant &plant)
    {
        Q_UNUSED(plant);
        return std::vector<std::unique_ptr<CareEvent>>();
    }

    // The stored photo of plant, read on demand: photos stay out of memory until shown.
    virtual std::optional<QByteArray> loadPhoto(const Plant &plant) const = 0;
};
