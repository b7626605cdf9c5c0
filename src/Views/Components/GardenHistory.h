#pragma once

// GardenHistory: the one path by which the user's changes reach the garden, each as one step
// that Undo takes back and Redo does again, named for the Edit menu ("Water Fern", "Complete
// All", "Delete Monty"). It keeps the last 100 steps of this run. Screens call it where they
// would call the model; an undo is a change like any other, which the store saves and every
// screen follows through its queries.
//
//   GardenHistory &history = GardenHistory::of(store);   // one per store, made on first use
//   history.logCare(plant, CareKind::water);             // "Water Fern"
//   history.undoText();                                   // "Water Fern"
//   history.undo();  // the entry is gone and lastWatered is what it was before
//   history.redo();  // the same entry (same identity and moment) is back
//
// Steps name plants by identity, never by pointer: a deleted plant that is put back is a new
// object with the same identity. A step whose plant has gone meanwhile does nothing. Care logged,
// bulk and destructive steps announce a message for a toast ("Watered Fern", "Deleted Monty",
// "Completed 3 tasks") whose "Undo" calls undoStep() with the step it names, so a late click never
// undoes a later step.

#include "Models/CareKind.h"
#include "Models/CareTask.h"
#include "Models/RecordId.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QUndoStack>

#include <array>
#include <memory>
#include <optional>

class ModelStore;
class Plant;

class GardenHistory final : public QObject
{
    Q_OBJECT

public:
    static constexpr int limit = 100;

    // What the plant form writes to an existing plant, all at once.
    struct PlantEdit
    {
        QString name;
        QString site;
        QString notes;
        std::optional<QByteArray> photo;
        std::array<qint64, 3> intervals{}; // water, fertilize, mist
        friend bool operator==(const PlantEdit &, const PlantEdit &) = default;
    };

    // The history of store, made (as a child of store) on first use.
    static GardenHistory &of(ModelStore &store);
    ~GardenHistory() override;

    // The user's changes, one step each. Plants not in this store are ignored.
    // Care of kind for plant now ("Water Fern"); announces "Watered Fern".
    void logCare(Plant *plant, CareKind kind);
    // Each task's care at the current moment: one task is logCare(), several are one step
    // "Complete All" that announces "Completed {n} tasks".
    void completeTasks(const QList<CareTask> &tasks);
    // Removes one entry from plant's log ("Remove Watered from Fern"); undo puts it back.
    void removeEntry(Plant *plant, RecordId eventId);
    // Inserts a new plant, made and filled by the caller (its first care may already be logged).
    Plant *addPlant(std::unique_ptr<Plant> plant);
    // The seven sample plants ("Add Sample Plants").
    void addSamplePlants();
    // Writes edit to plant ("Edit Fern"); an edit that changes nothing is no step.
    void editPlant(Plant *plant, const PlantEdit &edit);
    static PlantEdit editOf(const Plant &plant);
    // Deletes plant with its photo and log; announces "Deleted {name}".
    void deletePlant(Plant *plant);
    // Deletes every plant; announces "Deleted {n} plants".
    void deleteAllPlants();
    // Replaces the garden with the one in the store file at path ("Restore Garden"), after writing
    // the garden that goes to kept; undo puts that one back, redo reads path again. Earlier steps
    // name plants of the garden that went, so they are forgotten. False, with the reason in error
    // and nothing changed, when either file fails. Announces "Restored {n} plants".
    bool restoreGarden(const QString &path, const QString &kept, QString *error);

    bool canUndo() const { return m_stack.canUndo(); }
    bool canRedo() const { return m_stack.canRedo(); }
    // The name of the step Undo or Redo would act on; empty when there is none.
    QString undoText() const { return m_stack.undoText(); }
    QString redoText() const { return m_stack.redoText(); }
    void undo();
    void redo();
    // Undoes the step with this serial (from announced()) when it is the latest one done;
    // false when it is not (already undone, or another step came after it).
    bool undoStep(quint64 serial);
    // The serial of the step Undo would act on; 0 when there is none.
    quint64 undoSerial() const;
    // Steps kept, and how many of them are done (the rest can be redone).
    int count() const { return m_stack.count(); }
    int index() const { return m_stack.index(); }
    void clear();

signals:
    // canUndo(), canRedo() or their texts changed.
    void changed();
    // A bulk or destructive step was done; message is what a toast says about it.
    void announced(const QString &message, quint64 serial);
    // Undoing or redoing a step failed and left the garden as it was; reason says why.
    void failed(const QString &title, const QString &reason);

private:
    explicit GardenHistory(ModelStore &store);
    void push(QUndoCommand *step, const QString &announcement = {});
    bool isLive(const Plant *plant) const;

    ModelStore &m_store;
    QUndoStack m_stack;
    quint64 m_nextSerial = 0;
};
