#pragma once

#include "Models/Species.h"

#include <QList>
#include <QWidget>

#include <functional>

class ContentUnavailableView;
class GlassButton;
class InsetSection;
class ListRow;
class ModelStore;
class NavigationStack;
class PlantFormView;
class ScrollColumn;
class SearchField;

// The first step of adding a plant: a searchable list of species ("Other plant" first, then the
// catalog) on a navigation stack of its own. Choosing a species pushes the plant form for a new
// plant of it; the form's "Add" or this list's "Cancel" ends the flow through onFinish.
class AddPlantFlow final : public QWidget
{
    Q_OBJECT

public:
    AddPlantFlow(ModelStore &store, std::function<void()> onFinish, QWidget *parent = nullptr);

    // The catalog species whose common or scientific name contains text (as typed, ignoring case
    // and accents), in catalog order; the whole catalog for an empty text.
    static QList<Species> results(const QString &searchText);

    QString searchText() const;
    // The catalog species listed now, in order.
    QList<Species> shownSpecies() const;
    // Opens the form for a new plant of species on this flow's stack.
    PlantFormView *choose(const Species &species);

    NavigationStack *navigationStack() const { return m_stack; }
    SearchField *searchField() const { return m_search; }
    GlassButton *cancelButton() const { return m_cancel; }
    ListRow *customRow() const { return m_customRow; }
    // The catalog row of species id, or null.
    ListRow *speciesRow(const QString &id) const;
    InsetSection *catalogSection() const { return m_catalogSection; }
    ContentUnavailableView *noResultsView() const { return m_noResults; }

    QSize sizeHint() const override;

private:
    void searchChanged(const QString &text);
    ListRow *makeRow(const Species &species, QWidget *parent);

    ModelStore &m_store;
    std::function<void()> m_onFinish;
    NavigationStack *m_stack;
    SearchField *m_search;
    GlassButton *m_cancel;
    ScrollColumn *m_list;
    InsetSection *m_catalogSection;
    ListRow *m_customRow;
    QList<ListRow *> m_catalogRows; // catalog order
    ContentUnavailableView *m_noResults;
};
