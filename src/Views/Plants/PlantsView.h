#pragma once

// PlantsView: the My Plants tab: every plant as a card, grouped by room (rooms in plain
// code-point order, each with the number of its plants shown), with the "Search plants" field
// (name or species, as typed), the "Room" filter menu and "Add Plant" in the header bar. A
// card's context menu marks care done or deletes the plant after a confirmation; choosing a card
// announces plantChosen(). With no plants it offers to add one; when the search or the room
// leaves nothing, it says so.
//
//   auto *plants = new PlantsView(store, state);
//   stack->setRoot(plants, tr("My Plants"));          // the toolbar goes into the stack's header
//   connect(plants, &PlantsView::plantChosen, ...);   // push the plant's detail screen
//   plants->searchField()->setText("fern"); plants->setSiteFilter("Kitchen");
//   plants->markCareDone(plant, CareKind::water);     // what "Mark Watered" does
//   plants->requestDelete(plant);                     // "Delete {name}?", then deletePlant()
//
// The screen follows the store live: care logged anywhere moves the badges, added, renamed,
// moved and deleted plants move at once, and the badges move on at midnight. A change to one
// plant repaints its card alone. Ctrl+F focuses the search field while this page is shown;
// Escape clears it.

#include "Models/CareKind.h"
#include "Models/RecordId.h"
#include "Views/Components/ContextMenu.h"
#include "Views/Plants/PlantGrid.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <optional>

class AppState;
class ContentUnavailableView;
class GlassButton;
class ModelStore;
class Plant;
class PlantCard;
class PlantPictureCache;
class PlantQuery;
class QMenu;
class QScrollArea;
class SearchField;

class PlantsView final : public QWidget
{
    Q_OBJECT

public:
    PlantsView(ModelStore &store, AppState &state, QWidget *parent = nullptr);
    ~PlantsView() override;

    // Screen state.
    QString searchText() const { return m_searchText; }
    std::optional<QString> siteFilter() const { return m_siteFilter; }
    void setSiteFilter(const std::optional<QString> &site);
    Plant *plantToDelete() const { return m_plantToDelete; }

    // Derived from the plants now: those passing the room and the search test (by name), their
    // rooms in plain code-point order, and every room of every plant (the menu's choices).
    QList<Plant *> filtered() const;
    QStringList sites() const;
    QStringList allSites() const;

    // The user's writes, one function each (the later undo wraps them).
    // Logs one care action of kind for plant at the current moment.
    void markCareDone(Plant *plant, CareKind kind);
    // Deletes plant and its care history from the store.
    void deletePlant(Plant *plant);
    // Asks "Delete {name}?"; deletes only when the user confirms.
    void requestDelete(Plant *plant);

    // The context menu of plant's card: "Mark Watered" / "Mark Fertilized" / "Mark Misted" for
    // the enabled kinds, a divider, "Delete".
    QList<ContextMenu::Item> contextMenuItems(Plant *plant);

    SearchField *searchField() const { return m_search; }
    GlassButton *roomMenuButton() const { return m_roomButton; }
    QMenu *roomMenu() const { return m_roomMenu; }
    GlassButton *addPlantButton() const { return m_addPlant; }
    PlantGrid *grid() const { return m_grid; }
    QScrollArea *scrollArea() const { return m_scroll; }
    PlantPictureCache &pictures() const { return *m_pictures; }
    ContentUnavailableView *emptyState() const { return m_empty; }
    ContentUnavailableView *noResults() const { return m_noResults; }
    bool isShowingEmptyState() const;
    bool isShowingNoResults() const;

signals:
    // A card was chosen (click, Enter, Space or the accessibility press action).
    void plantChosen(Plant *plant);

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    struct Match
    {
        QString name;
        QString speciesID;
        bool matches = false;
    };

    void choose(Plant *plant);
    bool passesSearch(const Plant *plant) const;
    void setSearchText(const QString &text);
    void scheduleRefresh();
    void refresh();
    void rebuildRoomMenu();
    void installToolbar();
    void attachMenu(PlantCard *card);

    ModelStore &m_store;
    AppState &m_state;
    PlantQuery *m_plants;
    std::unique_ptr<PlantPictureCache> m_pictures;
    QString m_searchText;
    std::optional<QString> m_siteFilter;
    QPointer<Plant> m_plantToDelete;

    SearchField *m_search;
    GlassButton *m_roomButton;
    QMenu *m_roomMenu;
    GlassButton *m_addPlant;
    QScrollArea *m_scroll;
    PlantGrid *m_grid;
    ContentUnavailableView *m_empty;
    ContentUnavailableView *m_noResults;
    QTimer m_refreshTimer;
    bool m_toolbarInstalled = false;
    bool m_stale = true;

    // Search results by plant for the current search text, kept while name and species stay.
    mutable QHash<RecordId, Match> m_matches;
    mutable QHash<QString, bool> m_speciesMatches;
};
