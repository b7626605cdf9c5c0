#include "Views/Plants/PlantsView.h"

#include "Core/Calendar.h"
#include "Core/DayClock.h"
#include "Core/Formatting.h"
#include "Core/TextSearch.h"
#include "Models/CareTask.h"
#include "Models/Plant.h"
#include "Models/Species.h"
#include "Store/ModelStore.h"
#include "Store/PlantQuery.h"
#include "Views/Components/ContentUnavailableView.h"
#include "Views/Components/GardenHistory.h"
#include "Views/Components/GlassButton.h"
#include "Views/Components/MessageBox.h"
#include "Views/Components/NavigationStack.h"
#include "Views/Components/SearchField.h"
#include "Views/Components/SlimScrollBar.h"
#include "Views/Components/Symbols.h"
#include "Views/Components/Theme.h"
#include "Views/Plants/PlantCard.h"
#include "Views/Plants/PlantPictureCache.h"
#include "Views/State/AppState.h"

#include <QAction>
#include <QEvent>
#include <QLineEdit>
#include <QMenu>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

namespace {

const QString filterSymbol = QStringLiteral("line.3.horizontal.decrease.circle");
const QString filterSymbolOn = QStringLiteral("line.3.horizontal.decrease.circle.fill");
// Room names in the menu and plant names in the delete title are cut to this width.
constexpr int menuTextWidth = 320;
constexpr int titleNameWidth = 360;
constexpr int searchMinimumWidth = 140;
constexpr int searchMaximumWidth = 260;

// User text as a menu entry: on one line, within a sane width, and never a mnemonic.
QString menuText(const QString &text, const QFont &font)
{
    const QString line =
        QFontMetrics(font).elidedText(Formatting::oneLine(text), Qt::ElideRight, menuTextWidth);
    return Formatting::mnemonicEscaped(line);
}

// Sites compare as the same room when they are canonically equivalent.
QString roomKey(const QString &site)
{
    return site.normalized(QString::NormalizationForm_C);
}

} // namespace

PlantsView::PlantsView(ModelStore &store, AppState &state, QWidget *parent)
    : QWidget(parent), m_store(store), m_state(state),
      m_plants(new PlantQuery(store, PlantQuery::Sort::nameAscending, this)),
      m_pictures(std::make_unique<PlantPictureCache>())
{
    const Theme &theme = Theme::current();
    setObjectName(QStringLiteral("plantsView"));

    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("plantsScrollArea"));
    // Tab goes from card to card; the page shows no focus of its own, so it is no Tab stop.
    m_scroll->setFocusPolicy(Qt::ClickFocus);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SlimScrollBar::apply(m_scroll);
    m_grid = new PlantGrid(*m_pictures, m_scroll);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_scroll);

    m_empty = new ContentUnavailableView(QStringLiteral("leaf"), tr("No Plants Yet"),
                                         tr("Plants you add will appear here, organized by room."));
    m_empty->setObjectName(QStringLiteral("plantsEmptyState"));
    GlassButton *addFirst = m_empty->addAction(tr("Add a Plant"), GlassButton::Style::prominentGlass);
    addFirst->setObjectName(QStringLiteral("plantsAddFirstPlantButton"));
    connect(addFirst, &QAbstractButton::clicked, this, [this] { m_state.setAddingPlant(true); });
    m_empty->overlay(m_scroll);
    m_empty->hide();
    m_noResults = ContentUnavailableView::search(QString());
    m_noResults->setObjectName(QStringLiteral("plantsNoResults"));
    m_noResults->overlay(m_scroll);
    m_noResults->hide();

    // The header bar's items, placed there once the page is in its navigation stack.
    m_search = new SearchField(tr("Search plants"), this);
    m_search->setObjectName(QStringLiteral("plantsSearchField"));
    m_search->hide();
    connect(m_search, &SearchField::textChanged, this, &PlantsView::setSearchText);

    m_roomButton = GlassButton::circular(filterSymbol, std::nullopt, theme.button.height, tr("Room"), this);
    m_roomButton->setObjectName(QStringLiteral("plantsRoomButton"));
    m_roomButton->setToolTip(tr("Room"));
    m_roomButton->hide();
    m_roomMenu = new QMenu(m_roomButton);
    m_roomMenu->setObjectName(QStringLiteral("plantsRoomMenu"));
    m_roomButton->setMenu(m_roomMenu);
    connect(m_roomMenu, &QMenu::aboutToShow, this, &PlantsView::rebuildRoomMenu);

    m_addPlant = new GlassButton(tr("Add Plant"), QStringLiteral("plus"), GlassButton::Style::glass, this);
    m_addPlant->setObjectName(QStringLiteral("plantsAddPlantButton"));
    m_addPlant->setToolTip(tr("Add Plant"));
    m_addPlant->hide();
    connect(m_addPlant, &QAbstractButton::clicked, this, [this] { m_state.setAddingPlant(true); });

    // Only while this page is shown: the other tabs have their own searches.
    auto *find = new QAction(tr("Search plants"), this);
    find->setShortcut(QKeySequence::Find);
    find->setShortcutContext(Qt::WindowShortcut);
    connect(find, &QAction::triggered, this, [this] {
        m_search->setFocus(Qt::ShortcutFocusReason);
        m_search->lineEdit()->selectAll();
    });
    addAction(find);

    connect(m_grid, &PlantGrid::cardMade, this, &PlantsView::attachMenu);
    connect(m_grid, &PlantGrid::chosen, this, &PlantsView::choose);
    connect(m_grid, &PlantGrid::deleteRequested, this, &PlantsView::requestDelete);

    // Several changes in one turn redraw once.
    m_refreshTimer.setSingleShot(true);
    m_refreshTimer.setInterval(0);
    connect(&m_refreshTimer, &QTimer::timeout, this, &PlantsView::refresh);
    connect(m_plants, &PlantQuery::changed, this, &PlantsView::scheduleRefresh);
    connect(&DayClock::instance(), &DayClock::dayChanged, m_grid, &PlantGrid::refreshCards);
}

PlantsView::~PlantsView()
{
    // The grid and its cards draw from the picture cache: they go first.
    delete m_scroll;
    m_scroll = nullptr;
}

void PlantsView::setSiteFilter(const std::optional<QString> &site)
{
    const std::optional<QString> key = site ? std::optional<QString>(roomKey(*site)) : std::nullopt;
    if (key == m_siteFilter)
        return;
    m_siteFilter = key;
    m_roomButton->setSymbol(m_siteFilter ? filterSymbolOn : filterSymbol);
    m_roomButton->setAccessibleDescription(m_siteFilter ? *m_siteFilter : tr("All Rooms"));
    refresh();
}

void PlantsView::setSearchText(const QString &text)
{
    if (text == m_searchText)
        return;
    m_searchText = text;
    m_matches.clear();
    m_speciesMatches.clear();
    refresh();
}

bool PlantsView::passesSearch(const Plant *plant) const
{
    if (m_searchText.isEmpty())
        return true;
    const QString name = plant->name();
    const QString speciesID = plant->speciesID();
    auto match = m_matches.find(plant->id());
    if (match != m_matches.end() && match->name == name && match->speciesID == speciesID)
        return match->matches;
    bool matches = TextSearch::localizedContains(name, m_searchText);
    if (!matches) {
        // Many plants share a species: its name is searched once per search text.
        auto species = m_speciesMatches.find(speciesID);
        if (species == m_speciesMatches.end())
            species = m_speciesMatches.insert(
                speciesID, TextSearch::localizedContains(Species::find(speciesID).commonName, m_searchText));
        matches = *species;
    }
    m_matches.insert(plant->id(), {name, speciesID, matches});
    return matches;
}

QList<Plant *> PlantsView::filtered() const
{
    QList<Plant *> result;
    for (Plant *plant : m_plants->plants()) {
        if (m_siteFilter && roomKey(plant->site()) != *m_siteFilter)
            continue;
        if (passesSearch(plant))
            result.append(plant);
    }
    return result;
}

namespace {

QStringList distinctRooms(const QList<Plant *> &plants)
{
    QStringList rooms;
    QSet<QString> seen;
    for (const Plant *plant : plants) {
        const QString room = roomKey(plant->site());
        if (!seen.contains(room)) {
            seen.insert(room);
            rooms.append(room);
        }
    }
    std::sort(rooms.begin(), rooms.end(),
              [](const QString &a, const QString &b) { return compareCodePoints(a, b) < 0; });
    return rooms;
}

} // namespace

QStringList PlantsView::sites() const
{
    return distinctRooms(filtered());
}

QStringList PlantsView::allSites() const
{
    return distinctRooms(m_plants->plants());
}

void PlantsView::markCareDone(Plant *plant, CareKind kind)
{
    GardenHistory::of(m_store).logCare(plant, kind);
}

void PlantsView::deletePlant(Plant *plant)
{
    if (!plant)
        return;
    GardenHistory::of(m_store).deletePlant(plant);
    refresh();
}

void PlantsView::choose(Plant *plant)
{
    // A second click that lands while the chosen plant's screen slides in chooses nothing.
    const NavigationStack *stack = NavigationStack::of(this);
    if (plant && (!stack || stack->currentPage() == this))
        emit plantChosen(plant);
}

void PlantsView::requestDelete(Plant *plant)
{
    // One question at a time; the plant may go while it is asked (then nothing is deleted).
    if (!plant || m_plantToDelete)
        return;
    m_plantToDelete = plant;
    const QFont titleFont = Theme::current().font(TextStyle::title3, QFont::Bold);
    const QString name = QFontMetrics(titleFont).elidedText(plant->name(), Qt::ElideRight, titleNameWidth);
    const int answer = MessageBox::confirm(window(), tr("Delete %1?").arg(Formatting::isolated(name)),
                                           tr("Its care history will be removed too."),
                                           {{tr("Delete"), MessageBox::Role::destructive}});
    Plant *target = m_plantToDelete;
    m_plantToDelete = nullptr;
    if (answer == 0 && target)
        deletePlant(target);
}

QList<ContextMenu::Item> PlantsView::contextMenuItems(Plant *plant)
{
    QList<ContextMenu::Item> items;
    if (!plant)
        return items;
    // One opening of the menu acts at most once, however quickly its choice is repeated.
    auto spent = std::make_shared<bool>(false);
    auto once = [spent](std::function<void()> action) {
        return [spent, action = std::move(action)] {
            if (*spent)
                return;
            *spent = true;
            action();
        };
    };
    const QPointer<Plant> target(plant);
    for (const CareKind kind : plant->enabledKinds()) {
        items.append({tr("Mark %1").arg(kind.pastTense()), kind.symbol(),
                      once([this, target, kind] { markCareDone(target, kind); })});
    }
    items.append(ContextMenu::separator());
    items.append({tr("Delete"), QStringLiteral("trash"), once([this, target] { requestDelete(target); }),
                  ContextMenu::Role::destructive});
    return items;
}

void PlantsView::attachMenu(PlantCard *card)
{
    ContextMenu::attach(card, [this, card] { return contextMenuItems(card->plant()); });
}

bool PlantsView::isShowingEmptyState() const
{
    return !m_empty->isHidden();
}

bool PlantsView::isShowingNoResults() const
{
    return !m_noResults->isHidden();
}

bool PlantsView::event(QEvent *event)
{
    // The navigation stack gives the page its item before parenting it, so the toolbar can go
    // in as soon as the page is placed.
    if (event->type() == QEvent::ParentChange)
        installToolbar();
    return QWidget::event(event);
}

void PlantsView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // The header bar shares its width between the title, the buttons and the search field; in a
    // narrow window the field gives way first.
    m_search->setFixedWidth(std::clamp(width() * 3 / 10, searchMinimumWidth, searchMaximumWidth));
}

void PlantsView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    installToolbar();
    // Tab goes from the search field in the header bar into the grid below it.
    if (m_search->window() == m_grid->window())
        QWidget::setTabOrder(m_search->lineEdit(), m_grid);
    if (m_stale)
        refresh();
}

void PlantsView::installToolbar()
{
    if (m_toolbarInstalled)
        return;
    NavigationStack *stack = NavigationStack::of(this);
    NavigationItem *item = stack ? stack->item(this) : nullptr;
    if (!item)
        return;
    item->addTrailing(m_roomButton);
    item->addTrailing(m_addPlant);
    item->addTrailing(m_search);
    m_toolbarInstalled = true;
}

void PlantsView::scheduleRefresh()
{
    m_refreshTimer.start();
}

void PlantsView::refresh()
{
    m_refreshTimer.stop();
    // A hidden screen catches up when it is shown.
    if (!isVisible()) {
        m_stale = true;
        return;
    }
    m_stale = false;

    const QList<Plant *> shown = filtered();
    QList<PlantGrid::Group> groups;
    QHash<QString, int> groupOf;
    for (Plant *plant : shown) {
        const QString room = roomKey(plant->site());
        auto group = groupOf.constFind(room);
        if (group == groupOf.cend()) {
            group = groupOf.insert(room, int(groups.size()));
            groups.append({room, {}});
        }
        groups[*group].plants.append(plant);
    }
    std::sort(groups.begin(), groups.end(), [](const PlantGrid::Group &a, const PlantGrid::Group &b) {
        return compareCodePoints(a.site, b.site) < 0;
    });

    const auto sameGroups = [](const QList<PlantGrid::Group> &a, const QList<PlantGrid::Group> &b) {
        if (a.size() != b.size())
            return false;
        for (qsizetype i = 0; i < a.size(); ++i) {
            if (a[i].site != b[i].site || a[i].plants != b[i].plants)
                return false;
        }
        return true;
    };
    if (!sameGroups(groups, m_grid->groups()))
        m_grid->setGroups(groups);

    const bool noPlants = m_plants->count() == 0;
    m_empty->setVisible(noPlants);
    const bool noResults = !noPlants && shown.isEmpty();
    if (noResults) {
        if (!m_searchText.isEmpty()) {
            m_noResults->setSearchText(m_searchText);
            m_noResults->setDescription(m_siteFilter
                                            ? tr("Nothing in %1 matches. Try another room or a new search.")
                                                  .arg(Formatting::isolated(*m_siteFilter))
                                            : tr("Check the spelling or try a new search."));
        } else {
            m_noResults->setTitle(tr("No Results"));
            m_noResults->setDescription(tr("No plants are in %1. Choose another room in the Room menu.")
                                            .arg(Formatting::isolated(m_siteFilter.value_or(QString()))));
        }
    }
    m_noResults->setVisible(noResults);
}

void PlantsView::rebuildRoomMenu()
{
    m_roomMenu->clear();
    const QFont font = m_roomMenu->font();
    auto add = [&](const QString &text, const std::optional<QString> &room) {
        QAction *action = m_roomMenu->addAction(text);
        // Only the choice is checkable, so it alone carries a mark (an empty box beside every
        // other room would read as a list of switches) and assistive technology reads it checked.
        if (room == m_siteFilter) {
            action->setCheckable(true);
            action->setChecked(true);
        }
        connect(action, &QAction::triggered, this, [this, room] { setSiteFilter(room); });
    };
    add(tr("All Rooms"), std::nullopt);
    for (const QString &room : allSites())
        add(menuText(room, font), room);
}
