#include "Views/Plants/AddPlantFlow.h"

#include "Core/TextSearch.h"
#include "Views/Components/Accessibility.h"
#include "Views/Components/ContentUnavailableView.h"
#include "Views/Components/GlassButton.h"
#include "Views/Components/InsetSection.h"
#include "Views/Components/ListRow.h"
#include "Views/Components/NavigationStack.h"
#include "Views/Components/ScrollColumn.h"
#include "Views/Components/SearchField.h"
#include "Views/Components/Theme.h"
#include "Views/Plants/PlantFormView.h"
#include "Views/Plants/SpeciesRow.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QSet>
#include <QVBoxLayout>

namespace {

constexpr int flowMinimumWidth = 520;
constexpr int flowMinimumHeight = 600;

// Up and Down walk the list as in a list with a search bar: Down from the search field goes to the
// first row shown, Up from that row back to the field. The field and the rows it is installed on
// are the stops; rows() gives the rows shown, in order.
class ListKeys final : public QObject
{
public:
    ListKeys(QLineEdit *edit, ScrollColumn *scroll, std::function<QList<QWidget *>()> rows)
        : QObject(edit), m_edit(edit), m_scroll(scroll), m_rows(std::move(rows))
    {
        edit->installEventFilter(this);
    }

    void watch(QWidget *row) { row->installEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return QObject::eventFilter(watched, event);
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() != Qt::Key_Down && key->key() != Qt::Key_Up) || key->modifiers() != Qt::NoModifier)
            return QObject::eventFilter(watched, event);
        const QList<QWidget *> rows = m_rows();
        const qsizetype at = watched == m_edit ? -1 : rows.indexOf(static_cast<QWidget *>(watched));
        if (watched != m_edit && at < 0)
            return QObject::eventFilter(watched, event);
        const qsizetype next = at + (key->key() == Qt::Key_Down ? 1 : -1);
        if (next < 0) {
            if (at == 0)
                m_edit->setFocus(Qt::TabFocusReason);
        } else if (next < rows.size()) {
            rows[next]->setFocus(Qt::TabFocusReason);
            m_scroll->ensureWidgetVisible(rows[next], 0, 0);
        }
        return true;
    }

private:
    QLineEdit *m_edit;
    ScrollColumn *m_scroll;
    std::function<QList<QWidget *>()> m_rows;
};

} // namespace

AddPlantFlow::AddPlantFlow(ModelStore &store, std::function<void()> onFinish, QWidget *parent)
    : QWidget(parent), m_store(store), m_onFinish(std::move(onFinish))
{
    const Theme &t = Theme::current();
    setObjectName(QStringLiteral("addPlantFlow"));
    setAccessibleName(tr("Add a Plant"));
    setMinimumSize(flowMinimumWidth, flowMinimumHeight);

    m_stack = new NavigationStack(this);
    m_stack->setObjectName(QStringLiteral("addPlantStack"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_stack);

    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("speciesList"));
    page->setAutoFillBackground(true);
    Theme::follow(page, [page] {
        QPalette pal = page->palette();
        pal.setColor(QPalette::Window, Theme::current().colors.groupedBackground);
        page->setPalette(pal);
    });
    auto *column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto *searchBar = new QWidget(page);
    auto *searchLayout = new QVBoxLayout(searchBar);
    searchLayout->setContentsMargins(t.contentPadding, 14, t.contentPadding, 2);
    m_search = new SearchField(tr("Search species"), searchBar);
    m_search->setObjectName(QStringLiteral("speciesSearch"));
    searchLayout->addWidget(m_search);
    column->addWidget(searchBar);

    m_list = new ScrollColumn(page);
    m_list->setObjectName(QStringLiteral("speciesScroll"));
    m_list->setBackground(&ThemeColors::groupedBackground);
    m_list->setSpacing(t.list.sectionSpacing);
    column->addWidget(m_list, 1);

    // "Other plant" is always offered, whatever the search, in a section of its own.
    auto *customSection = new InsetSection;
    customSection->setObjectName(QStringLiteral("customSection"));
    customSection->setAccessibleList(true, tr("Any Plant"));
    m_customRow = makeRow(Species::custom(), customSection);
    customSection->addRow(m_customRow);
    m_list->addWidget(customSection);

    m_catalogSection = new InsetSection(tr("Popular Houseplants"));
    m_catalogSection->setObjectName(QStringLiteral("catalogSection"));
    m_catalogSection->setAccessibleList(true);
    for (const Species &species : Species::catalog()) {
        ListRow *row = makeRow(species, m_catalogSection);
        m_catalogSection->addRow(row);
        m_catalogRows.append(row);
    }
    m_list->addWidget(m_catalogSection);

    m_noResults = ContentUnavailableView::search(QString(), m_list);
    m_noResults->setObjectName(QStringLiteral("noResults"));
    // The panel only informs; clicks and scrolling reach the list (and "Other plant") below it.
    m_noResults->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_noResults->overlay(m_list);
    m_noResults->hide();

    NavigationItem *item = m_stack->setRoot(page, tr("Add a Plant"));
    m_cancel = new GlassButton(tr("Cancel"), QString(), GlassButton::Style::glass);
    m_cancel->setObjectName(QStringLiteral("flowCancel"));
    m_cancel->setRole(GlassButton::Role::cancel);
    item->addLeading(m_cancel);

    connect(m_cancel, &QAbstractButton::clicked, this, [this] {
        if (m_onFinish)
            m_onFinish();
    });
    connect(m_search, &SearchField::textChanged, this, &AddPlantFlow::searchChanged);
    auto *keys = new ListKeys(m_search->lineEdit(), m_list, [this] {
        QList<QWidget *> shown;
        if (!m_customRow->isHidden())
            shown.append(m_customRow);
        for (ListRow *row : std::as_const(m_catalogRows)) {
            if (!row->isHidden())
                shown.append(row);
        }
        return shown;
    });
    keys->watch(m_customRow);
    for (ListRow *row : std::as_const(m_catalogRows))
        keys->watch(row);
    setFocusProxy(m_search);
    // Typing searches from the start, also where the flow is shown on its own: the header's
    // buttons come first in the Tab order.
    m_search->setFocus();
}

QList<Species> AddPlantFlow::results(const QString &searchText)
{
    if (searchText.isEmpty())
        return Species::catalog();
    QList<Species> found;
    for (const Species &species : Species::catalog()) {
        if (TextSearch::localizedContains(species.commonName, searchText) ||
            TextSearch::localizedContains(species.scientificName, searchText))
            found.append(species);
    }
    return found;
}

QString AddPlantFlow::searchText() const
{
    return m_search->text();
}

QList<Species> AddPlantFlow::shownSpecies() const
{
    QList<Species> shown;
    const QList<Species> &catalog = Species::catalog();
    for (qsizetype i = 0; i < m_catalogRows.size(); ++i) {
        if (!m_catalogRows[i]->isHidden())
            shown.append(catalog[i]);
    }
    return shown;
}

PlantFormView *AddPlantFlow::choose(const Species &species)
{
    // One form at a time: a double click or a repeated Return must not stack two.
    if (m_stack->depth() > 1)
        return nullptr;
    auto *form = new PlantFormView(m_store, PlantFormView::Mode::newPlant(species), false, m_onFinish);
    m_stack->push(form, form->title());
    return form;
}

ListRow *AddPlantFlow::speciesRow(const QString &id) const
{
    const QList<Species> &catalog = Species::catalog();
    for (qsizetype i = 0; i < catalog.size() && i < m_catalogRows.size(); ++i) {
        if (catalog[i].id == id)
            return m_catalogRows[i];
    }
    return nullptr;
}

QSize AddPlantFlow::sizeHint() const
{
    return {560, 700};
}

void AddPlantFlow::searchChanged(const QString &text)
{
    const QList<Species> found = results(text);
    QSet<QString> ids;
    for (const Species &species : found)
        ids.insert(species.id);
    const QList<Species> &catalog = Species::catalog();
    for (qsizetype i = 0; i < m_catalogRows.size(); ++i)
        m_catalogRows[i]->setVisible(ids.contains(catalog[i].id));
    m_catalogSection->setVisible(!found.isEmpty());
    m_noResults->setSearchText(text);
    m_noResults->setVisible(found.isEmpty());
    if (found.isEmpty())
        m_noResults->raise();
}

ListRow *AddPlantFlow::makeRow(const Species &species, QWidget *parent)
{
    auto *row = new ListRow(species.commonName, parent);
    row->setObjectName(QStringLiteral("speciesLink-") + species.id);
    auto *content = new SpeciesRow(species, row);
    // The row already carries the species' names: inside it a reader finds only the symbols.
    Accessibility::setPresentational(content);
    row->setContent(content);
    // The row's fixed 44-point minimum would let a scrolling list squeeze the 44-point picture
    // plus padding; the content's own minimum is the one to keep.
    row->setMinimumHeight(0);
    row->setAccessory(ListRow::Accessory::chevron);
    row->setActivatable(true);
    row->setAccessibleDescription(species.scientificName);
    connect(row, &ListRow::activated, this, [this, species] { choose(species); });
    return row;
}
