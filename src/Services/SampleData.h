#pragma once

#include <QList>

class ModelContext;
class Plant;

// Seven demonstration plants with a back-dated care history, so that a first look shows due and
// overdue care and history entries at once.
class SampleData final
{
public:
    SampleData() = delete;

    // Inserts the seven plants into context and returns them. Every call adds seven more,
    // whatever is stored.
    static QList<Plant *> load(ModelContext &context);
};
