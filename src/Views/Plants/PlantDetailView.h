#pragma once

// PlantDetailView: the screen of one plant, pushed onto a tab's navigation stack when a Today row
// or a My Plants card is chosen. Top to bottom, in one centred column at most 820 wide: the
// picture with the name, species and room over its lower edge (and the species photo's credit
// when the plant has no photo of its own); one care card per scheduled kind; the species' facts;
// its tips; the user's notes; the 15 most recent entries of the care log, each of which can be
// undone. The toolbar's "Actions" menu edits the plant in a sheet or deletes it.
//
//   auto *detail = new PlantDetailView(store, plant);
//   stack->push(detail, plant->name());   // the title then follows the plant's name
//
// The screen keeps no copy of the plant: it redraws whenever the plant changes, from here or
// anywhere else (another screen, the Settings window, the form), and it leaves its stack by
// itself when the plant is deleted elsewhere. Every change the user makes here goes through one
// of logCare(), undoEntry() and deletePlant() (the form saves through PlantFormView::save()).
//
// Test seams: careCards(), historyRows(), actionsButton() (its menu holds "Edit" and
// "Delete Plant"), editSheet(); the sections and labels have object names ("detailNotes", ...).

#include "Models/CareKind.h"
#include "Models/RecordId.h"
#include "Views/Components/Sheet.h"

#include <QList>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <optional>

class CareCard;
class GlassButton;
class HistoryRow;
class InfoTile;
class ModelStore;
class PhotoCreditLabel;
class Plant;
class PlantPhotoView;
class QVBoxLayout;
class RoundedCard;
class ScrollColumn;
class SymbolLabel;
class TextLabel;

class PlantDetailView final : public QWidget
{
    Q_OBJECT

public:
    // How many log entries the history shows, newest first.
    static constexpr int historyLimit = 15;
    static constexpr int maximumColumnWidth = 820;
    static constexpr int heroHeight = 320;

    PlantDetailView(ModelStore &store, Plant *plant, QWidget *parent = nullptr);
    ~PlantDetailView() override;

    // The plant shown; null once it has been deleted.
    Plant *plant() const { return m_plant; }
    RecordId plantId() const { return m_plantId; }

    // "Done" on the card of kind: logs that care now and plays the success cue.
    void logCare(CareKind kind);
    // "Undo" on a history entry: removes it from the log. An entry already gone changes nothing.
    void undoEntry(RecordId eventId);
    // Leaves this screen first, then deletes the plant and its whole log.
    void deletePlant();

    // The toolbar's "Edit": the plant form in edit mode, in a sheet with its own "Cancel".
    void edit();
    // The toolbar's "Delete Plant": asks "Delete {name}?" and deletes on "Delete".
    void confirmDelete();

    // "Done" presses on this screen so far; each played the success cue.
    int completions() const { return m_completions; }

    QList<CareCard *> careCards() const { return m_cards; }
    // The history rows now shown, newest first.
    QList<HistoryRow *> historyRows() const;
    GlassButton *actionsButton() const { return m_actions; }
    PlantPhotoView *photoView() const { return m_photo; }
    PhotoCreditLabel *creditLabel() const { return m_credit; }
    Sheet *editSheet() const { return m_editSheet; }
    ScrollColumn *scrollArea() const { return m_scroll; }

signals:
    void completionsChanged(int completions);

protected:
    void changeEvent(QEvent *event) override;

private:
    QWidget *createHero();
    QWidget *createCareSection();
    QWidget *createAboutSection();
    QWidget *createTipsSection();
    QWidget *createNotesSection();
    QWidget *createHistorySection();
    void createActions();

    void refresh(bool animated = false);
    void refreshIdentity();
    void refreshCare(bool animated);
    void refreshSpecies();
    void refreshHistory();
    void applyColors();
    bool isPlantGone() const;
    void checkPlantStillThere();
    void leave();

    ModelStore &m_store;
    QPointer<Plant> m_plant;
    RecordId m_plantId;

    ScrollColumn *m_scroll;
    GlassButton *m_actions = nullptr;
    QPointer<Sheet> m_editSheet;

    // Hero.
    PlantPhotoView *m_photo = nullptr;
    TextLabel *m_heroName = nullptr;
    TextLabel *m_heroSpecies = nullptr;
    SymbolLabel *m_heroRoom = nullptr;
    PhotoCreditLabel *m_credit = nullptr;
    QWidget *m_creditRow = nullptr;
    // Care.
    QVBoxLayout *m_careLayout = nullptr;
    TextLabel *m_noCare = nullptr;
    QList<CareCard *> m_cards;
    // About and tips.
    QWidget *m_aboutSection = nullptr;
    TextLabel *m_summary = nullptr;
    QList<InfoTile *> m_tiles;
    QWidget *m_tipsSection = nullptr;
    QVBoxLayout *m_tipsLayout = nullptr;
    QString m_shownSpecies;
    // Notes.
    QWidget *m_notesSection = nullptr;
    TextLabel *m_notes = nullptr;
    // History.
    TextLabel *m_historyEmpty = nullptr;
    RoundedCard *m_historyPanel = nullptr;
    TextLabel *m_historyFooter = nullptr;
    QList<HistoryRow *> m_rows;
    int m_shownRows = 0;

    QTimer m_refreshTimer;
    std::optional<quint64> m_shownPhotoRevision;
    bool m_leaving = false;
    int m_completions = 0;
};
