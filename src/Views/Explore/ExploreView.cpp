#include "Views/Explore/ExploreView.h"

#include "Core/Formatting.h"
#include "Core/TextSearch.h"
#include "Models/Plant.h"
#include "Views/Components/ContentUnavailableView.h"
#include "Views/Components/FilterChip.h"
#include "Views/Components/NavigationStack.h"
#include "Views/Components/ScrollColumn.h"
#include "Views/Components/SearchField.h"
#include "Views/Components/Sheet.h"
#include "Views/Components/Toast.h"
#include "Views/Explore/SpeciesCard.h"
#include "Views/Explore/SpeciesDetailView.h"
#include "Views/Explore/SpeciesGrid.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

constexpr int chipSpacing = 8;
constexpr int searchFieldWidth = 260;

} // namespace

QList<Species> ExploreView::results(const Filters &filters)
{
    QList<Species> found;
    for (const Species &species : Species::catalog()) {
        if (filters.petSafeOnly && !species.petSafe)
            continue;
        if (filters.lowLightOnly &&
            !(species.light == LightLevel::low || species.light == LightLevel::medium))
            continue;
        if (filters.easyOnly && species.difficulty != Difficulty::easy)
            continue;
        if (!filters.searchText.isEmpty() &&
            !TextSearch::localizedContains(species.commonName, filters.searchText) &&
            !TextSearch::localizedContains(species.scientificName, filters.searchText))
            continue;
        found.append(species);
    }
    return found;
}

ExploreView::ExploreView(ModelStore &store, QWidget *parent) : QWidget(parent), m_store(store)
{
    setObjectName(QStringLiteral("exploreView"));

    m_search = new SearchField(tr("Search 18 houseplants"));
    m_search->setObjectName(QStringLiteral("exploreSearch"));
    m_search->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_search->setMaximumWidth(searchFieldWidth);
    m_search->hide();

    m_scroll = new ScrollColumn(this);
    m_scroll->setObjectName(QStringLiteral("exploreScroll"));
    // Tab goes from chip to card; the page itself shows no focus of its own, so it is no Tab stop.
    m_scroll->setFocusPolicy(Qt::ClickFocus);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_scroll);

    auto *chips = new QWidget;
    chips->setObjectName(QStringLiteral("exploreFilters"));
    chips->setAccessibleName(tr("Filters"));
    auto *chipRow = new QHBoxLayout(chips);
    chipRow->setContentsMargins(0, 0, 0, 0);
    chipRow->setSpacing(chipSpacing);
    m_petSafe = addChip(tr("Pet Safe"), QStringLiteral("pawprint.fill"), &Filters::petSafeOnly, chips);
    m_lowLight = addChip(tr("Low Light"), QStringLiteral("sun.min"), &Filters::lowLightOnly, chips);
    m_easyCare = addChip(tr("Easy Care"), QStringLiteral("hand.thumbsup.fill"), &Filters::easyOnly, chips);
    chipRow->addStretch(1);
    m_scroll->addWidget(chips);

    m_grid = new SpeciesGrid(m_scroll);
    m_grid->setFocusAnchor(m_easyCare);
    m_scroll->addWidget(m_grid);

    m_noMatches =
        new ContentUnavailableView(QStringLiteral("leaf"), tr("No Matches"), tr("Try removing a filter."));
    m_noMatches->setObjectName(QStringLiteral("exploreNoMatches"));
    // It only informs: the chips under it stay usable.
    m_noMatches->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_noMatches->overlay(m_scroll);
    m_noMatches->hide();

    connect(m_search, &SearchField::textChanged, this, [this](const QString &text) {
        m_filters.searchText = text;
        refresh();
    });
    connect(m_grid, &SpeciesGrid::activated, this, &ExploreView::open);

    // Ctrl+F works only while this page is shown: a shortcut of a hidden widget never fires, so
    // another tab's page can use the same keys for its own search.
    auto *find = new QAction(tr("Search Houseplants"), this);
    find->setShortcuts(QKeySequence::Find);
    find->setShortcutContext(Qt::WindowShortcut);
    connect(find, &QAction::triggered, this, &ExploreView::focusSearch);
    addAction(find);

    NavigationStack::whenPlaced(
        this, [this](NavigationStack *stack, NavigationItem *item) { placed(stack, item); });
    refresh();
}

QList<Species> ExploreView::shownSpecies() const
{
    return m_grid->species();
}

SpeciesDetailView *ExploreView::open(const Species &species)
{
    NavigationStack *stack = NavigationStack::of(this);
    // One detail screen at a time: a double click or a repeated Return must not stack two.
    if (!stack || stack->currentPage() != this)
        return nullptr;
    // A keyboard user lands on the new screen (arrows scroll it, Alt+Left comes back).
    const bool hadFocus = isAncestorOf(QApplication::focusWidget());
    auto *detail = new SpeciesDetailView(m_store, species);
    connect(detail, &SpeciesDetailView::plantAdded, this, [this](Plant *plant) {
        const QPointer<Plant> added(plant);
        const QPointer<ExploreView> self(this);
        Toast::present(window(), tr("Added %1").arg(Formatting::isolated(Formatting::oneLine(plant->name()))),
                       tr("Show"), [self, added] {
                           if (self && added)
                               emit self->plantChosen(added);
                       });
    });
    stack->push(detail, species.commonName);
    if (hadFocus)
        detail->setFocus(Qt::OtherFocusReason);
    return detail;
}

FilterChip *ExploreView::addChip(const QString &title, const QString &symbol, bool Filters::*flag,
                                 QWidget *row)
{
    auto *chip = new FilterChip(title, symbol, row);
    chip->setObjectName(QStringLiteral("exploreChip-") + QString(title).remove(QLatin1Char(' ')));
    row->layout()->addWidget(chip);
    connect(chip, &QAbstractButton::toggled, this, [this, flag](bool on) {
        m_filters.*flag = on;
        refresh();
    });
    return chip;
}

void ExploreView::refresh()
{
    const QList<Species> found = results(m_filters);
    m_grid->setSpecies(found);
    m_noMatches->setVisible(found.isEmpty());
    if (found.isEmpty())
        m_noMatches->raise();
}

void ExploreView::focusSearch()
{
    // Not from under a sheet: the sheet keeps the keyboard.
    if (Sheet::topmost(window()))
        return;
    m_search->lineEdit()->setFocus(Qt::ShortcutFocusReason);
    m_search->lineEdit()->selectAll();
}

void ExploreView::placed(NavigationStack *stack, NavigationItem *item)
{
    item->addTrailing(m_search);
    // Back from a species the keyboard was on: focus returns to the card it was opened from.
    connect(stack, &NavigationStack::pagePopped, this, [this](QWidget *page) {
        if (page->isAncestorOf(QApplication::focusWidget()))
            m_returnFocus = true;
    });
    connect(stack, &NavigationStack::currentChanged, this, [this](QWidget *page) {
        if (page != this || !m_returnFocus)
            return;
        m_returnFocus = false;
        if (SpeciesCard *card = m_grid->card(m_grid->currentIndex()))
            card->setFocus(Qt::OtherFocusReason);
    });
}
