#include "Views/Explore/SpeciesGrid.h"

#include "Views/Components/AccessibleItem.h"
#include "Views/Explore/SpeciesCard.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QScrollArea>
#include <QScrollBar>

namespace {

// A list with one item per listed species; asking for an item builds its card.
class SpeciesGridAccessible final : public AccessibleItem
{
public:
    explicit SpeciesGridAccessible(SpeciesGrid *grid) : AccessibleItem(grid, QAccessible::List) {}

    SpeciesGrid *grid() const { return static_cast<SpeciesGrid *>(widget()); }

    int childCount() const override { return int(grid()->species().size()); }
    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        return QAccessible::queryAccessibleInterface(grid()->card(index));
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (!child)
            return -1;
        return int(grid()->indexOf(qobject_cast<const SpeciesCard *>(child->object())));
    }
};

QAccessibleInterface *gridFactory(const QString &, QObject *object)
{
    if (auto *grid = qobject_cast<SpeciesGrid *>(object))
        return new SpeciesGridAccessible(grid);
    return nullptr;
}

} // namespace

const SpeciesGrid::Style &SpeciesGrid::style()
{
    static const Style s;
    return s;
}

SpeciesGrid::SpeciesGrid(QScrollArea *scrollArea, QWidget *parent) : QWidget(parent), m_scrollArea(scrollArea)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(gridFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);

    setObjectName(QStringLiteral("speciesGrid"));
    setAccessibleName(tr("Houseplants"));
    setFocusPolicy(Qt::NoFocus);
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    m_scrollArea->viewport()->installEventFilter(this);
    connect(m_scrollArea->verticalScrollBar(), &QScrollBar::valueChanged, this, &SpeciesGrid::buildVisible);
}

void SpeciesGrid::setSpecies(const QList<Species> &species)
{
    m_species = species;
    m_indexOf.clear();
    for (qsizetype i = 0; i < m_species.size(); ++i)
        m_indexOf.insert(m_species[i].id, i);
    if (!m_indexOf.contains(m_currentId))
        m_currentId = m_species.isEmpty() ? QString() : m_species.first().id;
    updateGeometry();
    placeCards();
    buildVisible();
    refreshTabStop();
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&event);
    }
}

void SpeciesGrid::setFocusAnchor(QWidget *anchor)
{
    m_focusAnchor = anchor;
    refreshTabStop();
}

AdaptiveColumns::Fit SpeciesGrid::fit() const
{
    const Style &s = style();
    return AdaptiveColumns::fit(width(), s.minimumColumn, s.maximumColumn, s.spacing);
}

SpeciesCard *SpeciesGrid::card(qsizetype index)
{
    if (index < 0 || index >= m_species.size())
        return nullptr;
    const Species &species = m_species[index];
    if (SpeciesCard *built = m_cards.value(species.id))
        return built;
    auto *card = new SpeciesCard(species, this);
    card->setGeometry(cellRect(index));
    card->installEventFilter(this);
    connect(card, &SpeciesCard::activated, this, [this, card] { emit activated(card->species()); });
    m_cards.insert(species.id, card);
    if (species.id == m_currentId)
        refreshTabStop();
    card->show();
    return card;
}

SpeciesCard *SpeciesGrid::builtCard(const QString &id) const
{
    return m_indexOf.contains(id) ? m_cards.value(id) : nullptr;
}

qsizetype SpeciesGrid::currentIndex() const
{
    return m_indexOf.value(m_currentId, -1);
}

void SpeciesGrid::setCurrentIndex(qsizetype index)
{
    if (index < 0 || index >= m_species.size() || m_species[index].id == m_currentId)
        return;
    m_currentId = m_species[index].id;
    refreshTabStop();
}

qsizetype SpeciesGrid::indexOf(const SpeciesCard *card) const
{
    if (!card)
        return -1;
    const QString &id = card->species().id;
    return m_cards.value(id) == card ? m_indexOf.value(id, -1) : -1;
}

int SpeciesGrid::heightForWidth(int width) const
{
    const Style &s = style();
    return AdaptiveColumns::fit(width, s.minimumColumn, s.maximumColumn, s.spacing)
        .height(m_species.size(), SpeciesCard::cardHeight(), s.spacing);
}

QSize SpeciesGrid::sizeHint() const
{
    const Style &s = style();
    const int width = 2 * s.minimumColumn + s.spacing;
    return {width, heightForWidth(width)};
}

QSize SpeciesGrid::minimumSizeHint() const
{
    return {style().minimumColumn, 0};
}

void SpeciesGrid::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeCards();
    buildVisible();
}

void SpeciesGrid::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    buildVisible();
}

void SpeciesGrid::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // Right to left, the first card takes the rightmost cell.
    if (event->type() == QEvent::LayoutDirectionChange)
        placeCards();
}

void SpeciesGrid::keyPressEvent(QKeyEvent *event)
{
    const auto *focused = qobject_cast<const SpeciesCard *>(focusWidget());
    const qsizetype from = indexOf(focused);
    if (from < 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
        // Keys that lead nowhere (Left on the first card) are still taken: the page must not
        // scroll under a focused card.
        if (const std::optional<qsizetype> to = target(from, event->key()))
            moveFocus(*to);
        event->accept();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

bool SpeciesGrid::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_scrollArea->viewport()) {
        if (event->type() == QEvent::Resize)
            buildVisible();
    } else if (event->type() == QEvent::FocusIn) {
        // A card focused by click or Tab becomes the grid's tab stop.
        const qsizetype index = indexOf(qobject_cast<SpeciesCard *>(watched));
        if (index >= 0)
            setCurrentIndex(index);
    }
    return QWidget::eventFilter(watched, event);
}

std::optional<qsizetype> SpeciesGrid::target(qsizetype from, int key) const
{
    const qsizetype count = m_species.size();
    const int columns = fit().count;
    const bool rightToLeft = layoutDirection() == Qt::RightToLeft;
    qsizetype to = from;
    switch (key) {
    case Qt::Key_Left:
        to = rightToLeft ? from + 1 : from - 1;
        break;
    case Qt::Key_Right:
        to = rightToLeft ? from - 1 : from + 1;
        break;
    case Qt::Key_Up:
        to = from - columns;
        break;
    case Qt::Key_Down:
        // From a full row onto a shorter last one: the last card, as in a file manager's grid.
        to = from + columns;
        if (to >= count && from / columns < (count - 1) / columns)
            to = count - 1;
        break;
    case Qt::Key_Home:
        to = 0;
        break;
    case Qt::Key_End:
        to = count - 1;
        break;
    default:
        return std::nullopt;
    }
    if (to < 0 || to >= count || to == from)
        return std::nullopt;
    return to;
}

QRect SpeciesGrid::cellRect(qsizetype index) const
{
    return fit().cell(index, SpeciesCard::cardHeight(), style().spacing, width(), layoutDirection());
}

void SpeciesGrid::placeCards()
{
    for (auto it = m_cards.cbegin(); it != m_cards.cend(); ++it) {
        const qsizetype index = m_indexOf.value(it.key(), -1);
        if (index < 0) {
            it.value()->hide();
            continue;
        }
        it.value()->setGeometry(cellRect(index));
        it.value()->show();
    }
}

void SpeciesGrid::buildVisible()
{
    if (!isVisible() || width() <= 0)
        return;
    QWidget *viewport = m_scrollArea->viewport();
    const int ahead = style().buildAhead;
    const QRect visible = QRect(mapFrom(viewport, QPoint(0, 0)), viewport->size())
                              .adjusted(0, -ahead, 0, ahead)
                              .intersected(rect());
    if (visible.isEmpty())
        return;
    for (qsizetype i = 0; i < m_species.size(); ++i) {
        if (cellRect(i).intersects(visible))
            card(i);
    }
}

void SpeciesGrid::refreshTabStop()
{
    SpeciesCard *current = nullptr;
    for (SpeciesCard *card : std::as_const(m_cards)) {
        const bool isCurrent = card->species().id == m_currentId && m_indexOf.contains(m_currentId);
        card->setFocusPolicy(isCurrent ? Qt::StrongFocus : Qt::ClickFocus);
        if (isCurrent)
            current = card;
    }
    if (current && m_focusAnchor && m_focusAnchor->window() == current->window())
        QWidget::setTabOrder(m_focusAnchor, current);
}

void SpeciesGrid::moveFocus(qsizetype index)
{
    SpeciesCard *target = card(index);
    if (!target)
        return;
    setCurrentIndex(index);
    // Moved by keys: the card shows its focus ring.
    target->setFocus(Qt::TabFocusReason);
    m_scrollArea->ensureWidgetVisible(target, 0, style().spacing);
}
