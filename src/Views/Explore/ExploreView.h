#pragma once

#include "Models/Species.h"

#include <QList>
#include <QString>
#include <QWidget>

class ContentUnavailableView;
class FilterChip;
class ModelStore;
class NavigationItem;
class NavigationStack;
class Plant;
class ScrollColumn;
class SearchField;
class SpeciesDetailView;
class SpeciesGrid;

// The Explore tab: the catalog as a grid of species cards, narrowed by the "Pet Safe", "Low
// Light" and "Easy Care" chips and by the search field in the page's header bar; "No Matches"
// when nothing is left. Choosing a card pushes that species' detail screen on the tab's
// navigation stack; the filters and the search stay as they were when the user comes back.
//
//   auto *explore = new ExploreView(store);       // the root page of the Explore stack
//   explore->searchField()->setText("fern");      // or Ctrl+F while the page is shown
//   explore->open(Species::find(u"fern"));       // what choosing its card does
//
// Reads nothing from the store: it only hands it to the plant form that the detail screen opens.
// A plant added there is announced in a toast, "Added Fern", whose "Show" asks for it with
// plantChosen().
class ExploreView final : public QWidget
{
    Q_OBJECT

public:
    struct Filters
    {
        bool petSafeOnly = false;
        bool lowLightOnly = false; // low or medium light
        bool easyOnly = false;
        QString searchText; // as typed; matches common or scientific names
    };
    // The catalog species that pass every filter and the search, in catalog order.
    static QList<Species> results(const Filters &filters);

    explicit ExploreView(ModelStore &store, QWidget *parent = nullptr);

    Filters filters() const { return m_filters; }
    // The species the grid lists now, in order.
    QList<Species> shownSpecies() const;
    // Pushes the species' detail screen; null if a detail screen is already shown.
    SpeciesDetailView *open(const Species &species);

    SearchField *searchField() const { return m_search; }
    FilterChip *petSafeChip() const { return m_petSafe; }
    FilterChip *lowLightChip() const { return m_lowLight; }
    FilterChip *easyCareChip() const { return m_easyCare; }
    SpeciesGrid *grid() const { return m_grid; }
    ScrollColumn *scrollColumn() const { return m_scroll; }
    ContentUnavailableView *noMatchesView() const { return m_noMatches; }

signals:
    // The user asked to see a plant added from here: whoever shows this screen opens it.
    void plantChosen(Plant *plant);

private:
    FilterChip *addChip(const QString &title, const QString &symbol, bool Filters::*flag, QWidget *row);
    void refresh();
    void focusSearch();
    void placed(NavigationStack *stack, NavigationItem *item);

    ModelStore &m_store;
    Filters m_filters;
    SearchField *m_search;
    ScrollColumn *m_scroll;
    FilterChip *m_petSafe;
    FilterChip *m_lowLight;
    FilterChip *m_easyCare;
    SpeciesGrid *m_grid;
    ContentUnavailableView *m_noMatches;
    bool m_returnFocus = false;
};
