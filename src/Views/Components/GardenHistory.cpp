#include "Views/Components/GardenHistory.h"

#include "Core/Calendar.h"
#include "Core/Formatting.h"
#include "Models/CareEvent.h"
#include "Models/Plant.h"
#include "Services/SampleData.h"
#include "Store/ModelStore.h"

#include <QFile>
#include <QHash>
#include <QUndoCommand>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

QHash<const ModelStore *, GardenHistory *> &histories()
{
    static QHash<const ModelStore *, GardenHistory *> map;
    return map;
}

// A plant's name inside a step's text: on one line, at most 40 characters, isolated from the words
// around it.
QString nameInText(const QString &name)
{
    constexpr qsizetype longest = 40;
    if (name.size() <= longest)
        return Formatting::isolated(Formatting::oneLine(name));
    qsizetype cut = longest - 1;
    if (name.at(cut - 1).isHighSurrogate())
        --cut;
    return Formatting::isolated(QString(Formatting::oneLine(name.left(cut)) + QChar(0x2026)));
}

// Every step has a serial, so a toast can undo the step it speaks of and no other.
class Step : public QUndoCommand
{
public:
    Step(quint64 serial, const QString &text, QUndoCommand *parent = nullptr)
        : QUndoCommand(text, parent), m_serial(serial)
    {
    }
    quint64 serial() const { return m_serial; }

private:
    quint64 m_serial;
};

// One care action: the first redo logs it; undo withdraws that very entry and puts the last-done
// date back as it was; a later redo reinstates the same entry.
class LogCareStep final : public Step
{
public:
    LogCareStep(ModelStore &store, quint64 serial, const QString &text, RecordId plant, CareKind kind,
                QUndoCommand *parent = nullptr)
        : Step(serial, text, parent), m_store(store), m_plant(plant), m_kind(kind)
    {
    }

    void redo() override
    {
        Plant *plant = m_store.plant(m_plant);
        if (!plant)
            return;
        if (m_event == 0) {
            m_before = plant->lastDoneMsecs(m_kind);
            const CareEvent *event = plant->markDone(m_kind, Calendar::current().now());
            if (!event) {
                setObsolete(true);
                return;
            }
            m_event = event->id();
            m_after = event->dateMsecs();
        } else if (m_withdrawn) {
            plant->reinstate(std::move(m_withdrawn), m_index, m_after);
        }
    }

    void undo() override
    {
        Plant *plant = m_store.plant(m_plant);
        if (!plant || m_event == 0)
            return;
        m_index = plant->indexOfEvent(m_event);
        m_withdrawn = plant->withdraw(m_event, m_before);
    }

private:
    ModelStore &m_store;
    RecordId m_plant;
    CareKind m_kind;
    RecordId m_event = 0;
    std::optional<qint64> m_before;
    std::optional<qint64> m_after;
    qsizetype m_index = 0;
    std::unique_ptr<CareEvent> m_withdrawn;
};

// The history's "Undo" of one entry: redo removes it (the date follows the log that is left);
// undo puts the same entry back where it was, with the date it had.
class RemoveEntryStep final : public Step
{
public:
    RemoveEntryStep(ModelStore &store, quint64 serial, const QString &text, RecordId plant, RecordId event)
        : Step(serial, text), m_store(store), m_plant(plant), m_event(event)
    {
    }

    void redo() override
    {
        Plant *plant = m_store.plant(m_plant);
        const qsizetype index = plant ? plant->indexOfEvent(m_event) : -1;
        if (index < 0) {
            setObsolete(!m_done);
            return;
        }
        const CareEvent *event = plant->events().at(index);
        m_index = index;
        m_kindRaw = event->kindRaw();
        m_dateMsecs = event->dateMsecs();
        m_note = event->note();
        m_before = plant->lastDoneMsecs(event->kind());
        plant->remove(event);
        m_done = true;
    }

    void undo() override
    {
        if (Plant *plant = m_store.plant(m_plant); plant && m_done)
            plant->reinstate(std::make_unique<CareEvent>(m_event, m_kindRaw, m_dateMsecs, m_note), m_index,
                             m_before);
    }

private:
    ModelStore &m_store;
    RecordId m_plant;
    RecordId m_event;
    bool m_done = false;
    qsizetype m_index = 0;
    QString m_kindRaw;
    qint64 m_dateMsecs = 0;
    QString m_note;
    std::optional<qint64> m_before;
};

// Plants that a step takes out of the store and puts back: each keeps its place in store order.
class TakenPlants final
{
public:
    explicit TakenPlants(ModelStore &store) : m_store(store) {}
    ~TakenPlants()
    {
        for (auto &[index, plant] : m_taken)
            m_store.discard(std::move(plant));
    }
    TakenPlants(const TakenPlants &) = delete;
    TakenPlants &operator=(const TakenPlants &) = delete;

    bool isEmpty() const { return m_taken.empty(); }

    void takeAway(const QList<RecordId> &ids)
    {
        std::vector<std::pair<qsizetype, Plant *>> present;
        for (RecordId id : ids) {
            if (Plant *plant = m_store.plant(id))
                present.emplace_back(m_store.indexOf(plant), plant);
        }
        // From the back, so every recorded index is the plant's place among all of them.
        std::sort(present.begin(), present.end(),
                  [](const auto &a, const auto &b) { return a.first > b.first; });
        for (const auto &[index, plant] : present)
            m_taken.emplace_back(index, m_store.take(plant));
    }

    void putBack()
    {
        std::sort(m_taken.begin(), m_taken.end(),
                  [](const auto &a, const auto &b) { return a.first < b.first; });
        for (auto &[index, plant] : m_taken)
            m_store.restore(std::move(plant), index);
        m_taken.clear();
    }

private:
    ModelStore &m_store;
    std::vector<std::pair<qsizetype, std::unique_ptr<Plant>>> m_taken;
};

// Plants added by the step (the form's new plant, the sample plants): undo takes them away.
class AddPlantsStep final : public Step
{
public:
    using Adder = std::function<QList<Plant *>(ModelStore &)>;

    AddPlantsStep(ModelStore &store, quint64 serial, const QString &text, Adder add)
        : Step(serial, text), m_store(store), m_add(std::move(add)), m_taken(store)
    {
    }

    void redo() override
    {
        if (m_add) {
            for (const Plant *plant : m_add(m_store))
                m_ids.append(plant->id());
            m_add = nullptr;
            setObsolete(m_ids.isEmpty());
        } else {
            m_taken.putBack();
        }
    }

    void undo() override { m_taken.takeAway(m_ids); }

private:
    ModelStore &m_store;
    Adder m_add;
    QList<RecordId> m_ids;
    TakenPlants m_taken;
};

class DeletePlantsStep final : public Step
{
public:
    DeletePlantsStep(ModelStore &store, quint64 serial, const QString &text, QList<RecordId> ids)
        : Step(serial, text), m_ids(std::move(ids)), m_taken(store)
    {
    }

    void redo() override
    {
        m_taken.takeAway(m_ids);
        if (m_taken.isEmpty())
            setObsolete(true);
    }
    void undo() override { m_taken.putBack(); }

private:
    QList<RecordId> m_ids;
    TakenPlants m_taken;
};

class EditPlantStep final : public Step
{
public:
    EditPlantStep(ModelStore &store, quint64 serial, const QString &text, RecordId plant,
                  GardenHistory::PlantEdit before, GardenHistory::PlantEdit after, bool photoChanged)
        : Step(serial, text), m_store(store), m_plant(plant), m_before(std::move(before)),
          m_after(std::move(after)), m_photoChanged(photoChanged)
    {
    }

    void redo() override { apply(m_after); }
    void undo() override { apply(m_before); }

private:
    void apply(const GardenHistory::PlantEdit &edit)
    {
        Plant *plant = m_store.plant(m_plant);
        if (!plant)
            return;
        plant->setName(edit.name);
        plant->setSite(edit.site);
        if (m_photoChanged)
            plant->setPhoto(edit.photo);
        plant->setNotes(edit.notes);
        for (CareKind kind : CareKind::allCases())
            plant->setInterval(kind, edit.intervals[size_t(kind.index())]);
    }

    ModelStore &m_store;
    RecordId m_plant;
    GardenHistory::PlantEdit m_before;
    GardenHistory::PlantEdit m_after;
    bool m_photoChanged;
};

// Replacing the whole garden with a backup's: the garden replaced was kept in a file first, which
// undo puts back; redo reads the backup again.
class RestoreStep final : public Step
{
public:
    RestoreStep(GardenHistory &history, ModelStore &store, quint64 serial, const QString &text, QString path,
                QString kept)
        : Step(serial, text), m_history(history), m_store(store), m_path(std::move(path)),
          m_kept(std::move(kept))
    {
    }

    void redo() override
    {
        // The first time, the garden is already replaced.
        if (std::exchange(m_first, false))
            return;
        replaceWith(m_path, GardenHistory::tr("Couldn\u2019t Redo Restore Garden"));
    }
    void undo() override { replaceWith(m_kept, GardenHistory::tr("Couldn\u2019t Undo Restore Garden")); }

private:
    void replaceWith(const QString &path, const QString &title)
    {
        QString error;
        if (!m_store.replaceGarden(path, &error))
            emit m_history.failed(title, error);
    }

    GardenHistory &m_history;
    ModelStore &m_store;
    QString m_path;
    QString m_kept;
    bool m_first = true;
};

} // namespace

GardenHistory &GardenHistory::of(ModelStore &store)
{
    GardenHistory *&history = histories()[&store];
    if (!history)
        history = new GardenHistory(store);
    return *history;
}

GardenHistory::GardenHistory(ModelStore &store) : QObject(&store), m_store(store)
{
    m_stack.setUndoLimit(limit);
    connect(&m_stack, &QUndoStack::indexChanged, this, &GardenHistory::changed);
    connect(&m_stack, &QUndoStack::undoTextChanged, this, &GardenHistory::changed);
    connect(&m_stack, &QUndoStack::redoTextChanged, this, &GardenHistory::changed);
    // Steps hold plants taken out of the store: let them go while the store still exists.
    connect(&store, &ModelStore::aboutToClose, this, &GardenHistory::clear);
}

GardenHistory::~GardenHistory()
{
    histories().remove(&m_store);
}

bool GardenHistory::isLive(const Plant *plant) const
{
    return plant && plant->modelContext() == &m_store && m_store.plant(plant->id()) == plant;
}

void GardenHistory::push(QUndoCommand *step, const QString &announcement)
{
    const int before = m_stack.index();
    const quint64 serial = static_cast<Step *>(step)->serial();
    m_stack.push(step);
    // An obsolete step (it found nothing to do) is not kept and says nothing.
    if (!announcement.isEmpty() && m_stack.index() != before)
        emit announced(announcement, serial);
}

void GardenHistory::logCare(Plant *plant, CareKind kind)
{
    if (!isLive(plant))
        return;
    const QString name = nameInText(plant->name());
    push(new LogCareStep(m_store, ++m_nextSerial, tr("%1 %2").arg(kind.title(), name), plant->id(), kind),
         tr("%1 %2").arg(kind.pastTense(), name));
}

void GardenHistory::completeTasks(const QList<CareTask> &tasks)
{
    QList<CareTask> live;
    for (const CareTask &task : tasks) {
        if (isLive(task.plant))
            live.append(task);
    }
    if (live.isEmpty())
        return;
    if (live.size() == 1) {
        logCare(live.first().plant, live.first().kind);
        return;
    }
    // One step whose parts run in list order (and are undone in reverse).
    auto *step = new Step(++m_nextSerial, tr("Complete All"));
    for (const CareTask &task : std::as_const(live))
        new LogCareStep(m_store, m_nextSerial, QString(), task.plant->id(), task.kind, step);
    push(step, tr("Completed %1 tasks").arg(live.size()));
}

void GardenHistory::removeEntry(Plant *plant, RecordId eventId)
{
    if (!isLive(plant) || plant->indexOfEvent(eventId) < 0)
        return;
    const CareEvent *event = plant->events().at(plant->indexOfEvent(eventId));
    push(
        new RemoveEntryStep(m_store, ++m_nextSerial,
                            tr("Remove %1 from %2").arg(event->kind().pastTense(), nameInText(plant->name())),
                            plant->id(), eventId));
}

Plant *GardenHistory::addPlant(std::unique_ptr<Plant> plant)
{
    if (!plant || plant->modelContext())
        return nullptr;
    Plant *added = plant.get();
    const QString text = tr("Add %1").arg(nameInText(plant->name()));
    auto pending = std::make_shared<std::unique_ptr<Plant>>(std::move(plant));
    push(new AddPlantsStep(m_store, ++m_nextSerial, text, [pending](ModelStore &store) {
        Plant *inserted = pending->release();
        store.insert(inserted);
        return QList<Plant *>{inserted};
    }));
    return added;
}

void GardenHistory::addSamplePlants()
{
    push(new AddPlantsStep(m_store, ++m_nextSerial, tr("Add Sample Plants"),
                           [](ModelStore &store) { return SampleData::load(store); }));
}

GardenHistory::PlantEdit GardenHistory::editOf(const Plant &plant)
{
    return {plant.name(),
            plant.site(),
            plant.notes(),
            plant.photo(),
            {plant.waterInterval(), plant.fertilizeInterval(), plant.mistInterval()}};
}

void GardenHistory::editPlant(Plant *plant, const PlantEdit &edit)
{
    if (!isLive(plant))
        return;
    PlantEdit before = editOf(*plant);
    if (before == edit)
        return;
    PlantEdit after = edit;
    // Photos are large: a step keeps them only when it changes them.
    const bool photoChanged = before.photo != after.photo;
    if (!photoChanged) {
        before.photo.reset();
        after.photo.reset();
    }
    push(new EditPlantStep(m_store, ++m_nextSerial, tr("Edit %1").arg(nameInText(edit.name)), plant->id(),
                           std::move(before), std::move(after), photoChanged));
}

void GardenHistory::deletePlant(Plant *plant)
{
    if (!isLive(plant))
        return;
    const QString name = nameInText(plant->name());
    push(new DeletePlantsStep(m_store, ++m_nextSerial, tr("Delete %1").arg(name), {plant->id()}),
         tr("Deleted %1").arg(name));
}

void GardenHistory::deleteAllPlants()
{
    QList<RecordId> ids;
    for (const Plant *plant : m_store.plants())
        ids.append(plant->id());
    if (ids.isEmpty())
        return;
    push(new DeletePlantsStep(m_store, ++m_nextSerial, tr("Delete All Plants"), ids),
         ids.size() == 1 ? tr("Deleted 1 plant") : tr("Deleted %1 plants").arg(ids.size()));
}

bool GardenHistory::restoreGarden(const QString &path, const QString &kept, QString *error)
{
    // Without a copy of the garden that goes, nothing is replaced.
    if (!m_store.backUp(kept, error))
        return false;
    if (!m_store.replaceGarden(path, error)) {
        QFile::remove(kept);
        return false;
    }
    m_stack.clear();
    const int plants = m_store.plantCount();
    push(new RestoreStep(*this, m_store, ++m_nextSerial, tr("Restore Garden"), path, kept),
         plants == 1 ? tr("Restored 1 plant") : tr("Restored %1 plants").arg(plants));
    return true;
}

void GardenHistory::undo()
{
    m_stack.undo();
}

void GardenHistory::redo()
{
    m_stack.redo();
}

quint64 GardenHistory::undoSerial() const
{
    const int index = m_stack.index();
    const auto *step = index > 0 ? static_cast<const Step *>(m_stack.command(index - 1)) : nullptr;
    return step ? step->serial() : 0;
}

bool GardenHistory::undoStep(quint64 serial)
{
    if (serial == 0 || undoSerial() != serial)
        return false;
    m_stack.undo();
    return true;
}

void GardenHistory::clear()
{
    m_stack.clear();
}
