#pragma once

class ModelContext;

// Seven demonstration plants with a back-dated care history, so that a first look shows due and
// overdue care and history entries at once.
class SampleData final
{
public:
    SampleData() = delete;

    // Inserts the seven plants into context. Every call adds seven more, whatever is stored.
    static void load(ModelContext &context);
};
