#include "Services/SampleData.h"

#include "Core/Calendar.h"
#include "Models/ModelContext.h"
#include "Models/Plant.h"
#include "Models/Species.h"

namespace {

struct SamplePlant
{
    const char16_t *name;
    const char16_t *speciesId;
    const char16_t *site;
    qint64 wateredDaysAgo;
    qint64 fertilizedDaysAgo;
    qint64 mistedDaysAgo;
};

// Ages chosen so that right after loading there is care due today, overdue, tomorrow and later.
constexpr SamplePlant samples[] = {
    {u"Monty", u"monstera", u"Living Room", 9, 20, 5}, {u"Figgy", u"fiddle", u"Living Room", 4, 31, 0},
    {u"Goldie", u"pothos", u"Kitchen", 7, 10, 0},      {u"Sid", u"snake", u"Bedroom", 6, 40, 0},
    {u"Orbi", u"calathea", u"Bathroom", 3, 12, 1},     {u"Penny", u"pilea", u"Office", 2, 28, 0},
    {u"Fernando", u"fern", u"Bathroom", 4, 5, 2},
};

constexpr qint64 addedDaysAgo = 60;

} // namespace

QList<Plant *> SampleData::load(ModelContext &context)
{
    QList<Plant *> added;
    const Calendar &calendar = Calendar::current();
    const QDateTime now = calendar.now();
    // Calendar days back at the same time of day; a date the calendar cannot form is now.
    const auto daysAgo = [&](qint64 days) { return calendar.addingDays(now, -days).value_or(now); };

    for (const SamplePlant &sample : samples) {
        const Species &species = Species::find(QStringView(sample.speciesId));
        auto *plant = new Plant(QString::fromUtf16(sample.name), species, QString::fromUtf16(sample.site));
        plant->setDateAdded(daysAgo(addedDaysAgo));
        context.insert(plant);
        added.append(plant);

        const qint64 water = plant->waterInterval();
        plant->markDone(CareKind::water, daysAgo(sample.wateredDaysAgo + water));
        plant->markDone(CareKind::water, daysAgo(sample.wateredDaysAgo));
        plant->markDone(CareKind::fertilize, daysAgo(sample.fertilizedDaysAgo));
        if (plant->mistInterval() >= 1)
            plant->markDone(CareKind::mist, daysAgo(sample.mistedDaysAgo));
    }
    return added;
}
