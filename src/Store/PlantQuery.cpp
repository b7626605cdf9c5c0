#include "Store/PlantQuery.h"

#include "Models/Plant.h"
#include "Store/ModelStore.h"

#include <algorithm>

PlantQuery::PlantQuery(ModelStore &store, Sort sort, QObject *parent)
    : QObject(parent), m_store(&store), m_sort(sort)
{
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    m_collator.setNumericMode(true);
    store.attachQuery(this);
    connect(&store, &ModelStore::plantsChanged, this, &PlantQuery::changed);
}

PlantQuery::~PlantQuery()
{
    if (m_store)
        m_store->detachQuery(this);
}

void PlantQuery::setLocale(const QLocale &locale)
{
    m_collator.setLocale(locale);
    m_keys.clear();
    m_stale = true;
}

QList<Plant *> PlantQuery::plants() const
{
    if (m_stale)
        rebuild();
    return m_plants;
}

int PlantQuery::count() const
{
    return m_store ? m_store->plantCount() : 0;
}

void PlantQuery::storeChanged(Plant *changed)
{
    if (m_stale)
        return;
    if (!changed) {
        m_stale = true;
        return;
    }
    // An edit moves a plant only in the name order, and only when its name changed.
    if (m_sort == Sort::nameAscending) {
        const auto key = m_keys.constFind(changed);
        if (key == m_keys.cend() || key->name != changed->name())
            m_stale = true;
    }
}

void PlantQuery::rebuild() const
{
    m_stale = false;
    if (!m_store) {
        m_plants.clear();
        m_keys.clear();
        return;
    }
    m_plants = m_store->plants();
    if (m_sort == Sort::none)
        return;

    QHash<const Plant *, NameKey> keys;
    keys.reserve(m_plants.size());
    for (const Plant *plant : std::as_const(m_plants)) {
        const QString name = plant->name();
        auto cached = m_keys.find(plant);
        if (cached != m_keys.end() && cached->name == name)
            keys.insert(plant, std::move(*cached));
        else
            keys.insert(plant, NameKey{name, m_collator.sortKey(name)});
    }
    m_keys = std::move(keys);
    std::stable_sort(m_plants.begin(), m_plants.end(), [this](const Plant *a, const Plant *b) {
        return m_keys.constFind(a)->key.compare(m_keys.constFind(b)->key) < 0;
    });
}
