#pragma once

#include <QCollator>
#include <QCollatorSortKey>
#include <QHash>
#include <QList>
#include <QLocale>
#include <QObject>
#include <QString>

#include <optional>

class ModelStore;
class Plant;

// A live list of all plants of a store, in store order or by name. plants() is current at every
// moment (a deleted plant is gone from it at once); changed() fires once per event-loop turn in
// which plants were inserted, deleted or edited, after the store has saved that turn.
//
// The name order is the user's: case-insensitive, numbers by value ("Plant 2" before
// "Plant 10"), accents after the base letter as the locale wants; plants with equal names keep
// store order.
class PlantQuery final : public QObject
{
    Q_OBJECT

public:
    enum class Sort { none, nameAscending };

    explicit PlantQuery(ModelStore &store, Sort sort = Sort::none, QObject *parent = nullptr);
    ~PlantQuery() override;

    Sort sort() const { return m_sort; }
    // The list; empty once the store is gone.
    QList<Plant *> plants() const;
    int count() const;

    // The locale whose collation orders names; QLocale() unless set.
    QLocale locale() const { return m_collator.locale(); }
    void setLocale(const QLocale &locale);

signals:
    void changed();

private:
    friend class ModelStore;

    struct NameKey
    {
        QString name;
        QCollatorSortKey key;
    };

    // Called by the store as each change happens; changed is null for inserts and deletes.
    void storeChanged(Plant *changed);
    void rebuild() const;

    ModelStore *m_store;
    Sort m_sort;
    QCollator m_collator;
    mutable QList<Plant *> m_plants;
    mutable bool m_stale = true;
    // Sort keys by plant, refreshed when a name changes; building a key is the slow part.
    mutable QHash<const Plant *, NameKey> m_keys;
};
