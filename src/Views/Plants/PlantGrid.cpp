#include "Views/Plants/PlantGrid.h"

#include "Models/Plant.h"
#include "Views/Components/Painting.h"
#include "Views/Components/Theme.h"
#include "Views/Plants/PlantCard.h"
#include "Views/Plants/PlantPictureCache.h"
#include "Views/Plants/RoomHeader.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

namespace {

// A list for assistive technology, read in the order of the screen (each room's heading, then
// its cards), whose focused item is the current card.
class PlantGridAccessible final : public QAccessibleWidget
{
public:
    explicit PlantGridAccessible(PlantGrid *grid) : QAccessibleWidget(grid, QAccessible::List) {}

    PlantGrid *grid() const { return static_cast<PlantGrid *>(widget()); }
    int childCount() const override { return int(grid()->readingOrder().size()); }
    QAccessibleInterface *child(int index) const override
    {
        const QList<QWidget *> children = grid()->readingOrder();
        return index >= 0 && index < children.size()
                   ? QAccessible::queryAccessibleInterface(children.at(index))
                   : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (!child || !child->object() || !child->object()->isWidgetType())
            return -1;
        return int(grid()->readingOrder().indexOf(static_cast<QWidget *>(child->object())));
    }
    QAccessibleInterface *focusChild() const override
    {
        if (!grid()->hasFocus())
            return nullptr;
        PlantCard *card = grid()->card(grid()->currentPlant());
        return card && card->isVisible() ? QAccessible::queryAccessibleInterface(card) : nullptr;
    }
};

QAccessibleInterface *gridFactory(const QString &, QObject *object)
{
    if (auto *grid = qobject_cast<PlantGrid *>(object))
        return new PlantGridAccessible(grid);
    return nullptr;
}

} // namespace

PlantGrid::PlantGrid(PlantPictureCache &pictures, QScrollArea *scrollArea)
    : QWidget(nullptr), m_pictures(pictures), m_scrollArea(scrollArea)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(gridFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);

    setObjectName(QStringLiteral("plantGrid"));
    setAccessibleName(tr("Plants"));
    setFocusPolicy(Qt::StrongFocus);
    // Opaque, so scrolling moves what is already drawn and paints only the uncovered strip.
    setAttribute(Qt::WA_OpaquePaintEvent);
    scrollArea->setWidgetResizable(false);
    scrollArea->setWidget(this);
    m_viewport = scrollArea->viewport();
    m_viewport->installEventFilter(this);

    m_pictures.setWanted([this](RecordId plant) { return isNearView(plant); });
    connect(&m_pictures, &PlantPictureCache::photoReady, this, [this](RecordId plant) {
        PlantCard *card = m_cards.value(plant);
        if (card && card->isVisible())
            card->update();
    });
    connect(&m_pictures, &PlantPictureCache::backdropReady, this, [this](const QString &species) {
        for (PlantCard *card : std::as_const(m_shownCards)) {
            if (card->plant() && card->plant()->speciesID() == species)
                card->update();
        }
    });
    relayout();
}

PlantGrid::~PlantGrid() = default;

void PlantGrid::setGroups(const QList<Group> &groups)
{
    m_groups = groups;
    m_order.clear();
    m_indexOf.clear();
    for (const Group &group : groups) {
        for (Plant *plant : group.plants) {
            m_indexOf.insert(plant->id(), int(m_order.size()));
            m_order.append(plant);
        }
    }
    // Cards of deleted plants go (also when a plant with the same identity has been put back in
    // their place); cards of plants only filtered out stay for when they return.
    for (auto it = m_cards.begin(); it != m_cards.end();) {
        PlantCard *card = *it;
        if (!card->plant() || !card->plant()->modelContext() || card->plant()->id() != it.key()) {
            m_shownCards.remove(card);
            card->hide();
            card->deleteLater();
            it = m_cards.erase(it);
        } else {
            ++it;
        }
    }
    QSet<QString> sites;
    for (const Group &group : groups)
        sites.insert(group.site);
    for (auto it = m_headers.begin(); it != m_headers.end();) {
        if (!sites.contains(it.key())) {
            m_shownHeaders.remove(*it);
            (*it)->hide();
            (*it)->deleteLater();
            it = m_headers.erase(it);
        } else {
            ++it;
        }
    }
    relayout();
}

QList<Plant *> PlantGrid::plants() const
{
    QList<Plant *> plants;
    plants.reserve(m_order.size());
    for (const QPointer<Plant> &plant : m_order) {
        if (plant)
            plants.append(plant);
    }
    return plants;
}

PlantCard *PlantGrid::card(const Plant *plant) const
{
    return plant ? m_cards.value(plant->id()) : nullptr;
}

QList<PlantCard *> PlantGrid::shownCards() const
{
    QList<PlantCard *> cards;
    for (PlantCard *card : m_shownCards) {
        if (card->plant())
            cards.append(card);
    }
    std::sort(cards.begin(), cards.end(), [this](PlantCard *a, PlantCard *b) {
        return m_indexOf.value(a->plant()->id()) < m_indexOf.value(b->plant()->id());
    });
    return cards;
}

QList<QWidget *> PlantGrid::readingOrder() const
{
    QList<QWidget *> order;
    qsizetype index = 0; // into m_order, which holds the groups' plants one group after the other
    for (const Group &group : m_groups) {
        RoomHeader *header = m_headers.value(group.site);
        if (header && m_shownHeaders.contains(header))
            order.append(header);
        // A plant deleted since the groups were set is null here, and its card gone.
        for (qsizetype end = index + group.plants.size(); index < end && index < m_order.size(); ++index) {
            const Plant *plant = m_order[index];
            PlantCard *card = plant ? m_cards.value(plant->id()) : nullptr;
            if (card && m_shownCards.contains(card))
                order.append(card);
        }
    }
    return order;
}

RoomHeader *PlantGrid::header(const QString &site) const
{
    return m_headers.value(site);
}

QList<RoomHeader *> PlantGrid::shownHeaders() const
{
    QList<RoomHeader *> headers;
    for (const Group &group : m_groups) {
        RoomHeader *header = m_headers.value(group.site);
        if (header && m_shownHeaders.contains(header))
            headers.append(header);
    }
    return headers;
}

bool PlantGrid::isNearView(RecordId plant) const
{
    const auto index = m_indexOf.constFind(plant);
    if (index == m_indexOf.cend() || !m_viewport)
        return false;
    const int top = -y();
    const int height = m_viewport->height();
    const QRect card = m_layout.cardRect(*index);
    return card.bottom() >= top - height && card.top() <= top + 2 * height;
}

Plant *PlantGrid::currentPlant() const
{
    const auto index = m_indexOf.constFind(m_current);
    return index == m_indexOf.cend() ? nullptr : m_order[*index];
}

void PlantGrid::setCurrentPlant(Plant *plant)
{
    const RecordId id = plant && m_indexOf.contains(plant->id()) ? plant->id() : 0;
    if (id == m_current)
        return;
    if (PlantCard *old = m_cards.value(m_current)) {
        old->setCurrent(false);
        updateFocusRing(old);
    }
    m_current = id;
    if (PlantCard *now = m_cards.value(m_current)) {
        now->setCurrent(true);
        updateFocusRing(now);
    }
    announceCurrent();
}

PlantCard *PlantGrid::scrollTo(Plant *plant)
{
    const auto index = plant ? m_indexOf.constFind(plant->id()) : m_indexOf.cend();
    if (index == m_indexOf.cend())
        return nullptr;
    const QRect rect = visualCardRect(*index);
    // The header too, when the card is in its group's first row.
    const int group = m_layout.groupOf(*index);
    const bool firstRow = *index - m_layout.firstCardOf(group) < m_layout.columns();
    const QRect wanted = firstRow ? rect.united(m_layout.headerRect(group)) : rect;
    m_scrollArea->ensureVisible(wanted.center().x(), wanted.center().y(), wanted.width() / 2 + 8,
                                wanted.height() / 2 + 8);
    updateShown();
    return m_cards.value(plant->id());
}

void PlantGrid::refreshCards()
{
    for (PlantCard *card : std::as_const(m_cards))
        card->refresh();
}

bool PlantGrid::event(QEvent *event)
{
    if (event->type() == QEvent::ContextMenu) {
        auto *menu = static_cast<QContextMenuEvent *>(event);
        // The platform turns the Menu key into this; it may already have opened the menu.
        if (menu->reason() == QContextMenuEvent::Keyboard) {
            PlantCard *card = this->card(currentPlant());
            if (card && !QApplication::activePopupWidget())
                card->showContextMenu();
            return true;
        }
    }
    return QWidget::event(event);
}

bool PlantGrid::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_viewport && event->type() == QEvent::Resize)
        relayout();
    return QWidget::eventFilter(watched, event);
}

void PlantGrid::relayout()
{
    const int width = m_viewport ? m_viewport->width() : this->width();
    PlantGridLayout::Metrics metrics;
    metrics.padding = Theme::current().contentPadding;
    metrics.headerHeight = RoomHeader::preferredHeight();
    metrics.photoAspect = PlantCard::photoAspect;
    metrics.textHeight = PlantCard::textHeight();
    QList<int> sizes;
    sizes.reserve(m_groups.size());
    for (const Group &group : std::as_const(m_groups))
        sizes.append(int(group.plants.size()));
    m_layout = PlantGridLayout(metrics, width, sizes);
    const QSize wanted(width, std::max(m_layout.height(), m_viewport ? m_viewport->height() : 0));
    if (size() != wanted)
        resize(wanted);
    updateShown();
    update();
}

QRect PlantGrid::visualCardRect(int index) const
{
    return QStyle::visualRect(layoutDirection(), QRect(0, 0, m_layout.width(), height()),
                              m_layout.cardRect(index));
}

void PlantGrid::updateShown()
{
    if (!m_viewport)
        return;
    const int top = -y();
    const int height = m_viewport->height();
    // Half a screen either way is made ahead, so scrolling meets finished cards.
    const int from = top - height / 2;
    const int to = top + height + height / 2;

    QSet<PlantCard *> cards;
    for (const int index : m_layout.cardsIn(from, to)) {
        Plant *plant = m_order[index];
        if (!plant)
            continue;
        PlantCard *card = m_cards.value(plant->id());
        if (!card)
            card = makeCard(plant);
        const QRect rect = visualCardRect(index);
        if (card->geometry() != rect)
            card->setGeometry(rect);
        cards.insert(card);
    }
    for (PlantCard *card : std::as_const(m_shownCards)) {
        if (!cards.contains(card))
            card->hide();
    }
    for (PlantCard *card : std::as_const(cards)) {
        if (!m_shownCards.contains(card))
            card->show();
    }
    m_shownCards = cards;

    QSet<RoomHeader *> headers;
    for (const int group : m_layout.headersIn(from, to)) {
        const Group &g = m_groups[group];
        RoomHeader *header = m_headers.value(g.site);
        if (!header)
            header = makeHeader(g.site);
        header->setRoom(g.site, int(g.plants.size()));
        const QRect rect = QStyle::visualRect(
            layoutDirection(), QRect(0, 0, m_layout.width(), this->height()), m_layout.headerRect(group));
        if (header->geometry() != rect)
            header->setGeometry(rect);
        headers.insert(header);
    }
    for (RoomHeader *header : std::as_const(m_shownHeaders)) {
        if (!headers.contains(header))
            header->hide();
    }
    for (RoomHeader *header : std::as_const(headers)) {
        if (!m_shownHeaders.contains(header))
            header->show();
    }
    m_shownHeaders = headers;
}

PlantCard *PlantGrid::makeCard(Plant *plant)
{
    auto *card = new PlantCard(plant, m_pictures, this);
    card->hide();
    card->setCurrent(plant->id() == m_current);
    m_cards.insert(plant->id(), card);
    connect(card, &PlantCard::clicked, this, [this, card] { cardClicked(card); });
    // Before the menu's own connection (made on cardMade): the card a menu opens on, by a right
    // click or a reader's Show Menu, is current before the menu shows.
    connect(card, &QWidget::customContextMenuRequested, this, [this, card] { selectForMenu(card); });
    emit cardMade(card);
    return card;
}

RoomHeader *PlantGrid::makeHeader(const QString &site)
{
    auto *header = new RoomHeader(this);
    header->hide();
    m_headers.insert(site, header);
    return header;
}

void PlantGrid::selectForMenu(PlantCard *card)
{
    Plant *plant = card->plant();
    if (!plant || !m_indexOf.contains(plant->id()))
        return;
    setCurrentPlant(plant);
    setFocus(Qt::MouseFocusReason);
}

void PlantGrid::cardClicked(PlantCard *card)
{
    Plant *plant = card->plant();
    if (!plant || !m_indexOf.contains(plant->id()))
        return;
    setCurrentPlant(plant);
    setFocus(Qt::MouseFocusReason);
    emit chosen(plant);
}

int PlantGrid::currentIndex() const
{
    return m_indexOf.value(m_current, -1);
}

void PlantGrid::moveCurrent(PlantGridLayout::Move move)
{
    const int index = m_layout.move(currentIndex() < 0 ? 0 : currentIndex(), move);
    if (index < 0)
        return;
    Plant *plant = m_order[index];
    if (!plant)
        return;
    scrollTo(plant);
    setCurrentPlant(plant);
}

void PlantGrid::announceCurrent()
{
    if (!hasFocus())
        return;
    PlantCard *card = m_cards.value(m_current);
    if (card && card->isVisible()) {
        QAccessibleEvent event(card, QAccessible::Focus);
        QAccessible::updateAccessibility(&event);
    }
}

void PlantGrid::keyPressEvent(QKeyEvent *event)
{
    using Move = PlantGridLayout::Move;
    const bool rightToLeft = layoutDirection() == Qt::RightToLeft;
    Plant *current = currentPlant();
    switch (event->key()) {
    case Qt::Key_Left:
        moveCurrent(rightToLeft ? Move::next : Move::previous);
        break;
    case Qt::Key_Right:
        moveCurrent(rightToLeft ? Move::previous : Move::next);
        break;
    case Qt::Key_Up:
        moveCurrent(Move::up);
        break;
    case Qt::Key_Down:
        moveCurrent(Move::down);
        break;
    case Qt::Key_Home:
        moveCurrent(Move::first);
        break;
    case Qt::Key_End:
        moveCurrent(Move::last);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (current && !event->isAutoRepeat())
            emit chosen(current);
        break;
    case Qt::Key_Delete:
        if (current && !event->isAutoRepeat())
            emit deleteRequested(current);
        break;
    case Qt::Key_Menu:
        if (PlantCard *card = scrollTo(current))
            card->showContextMenu();
        break;
    case Qt::Key_F10:
        if (event->modifiers() == Qt::ShiftModifier) {
            if (PlantCard *card = scrollTo(current))
                card->showContextMenu();
            break;
        }
        [[fallthrough]];
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void PlantGrid::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    if (!currentPlant() && !plants().isEmpty())
        setCurrentPlant(plants().first());
    if (event->reason() != Qt::MouseFocusReason && event->reason() != Qt::ActiveWindowFocusReason)
        scrollTo(currentPlant());
    updateFocusRing(card(currentPlant()));
    announceCurrent();
}

void PlantGrid::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    updateFocusRing(card(currentPlant()));
}

void PlantGrid::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), Theme::current().colors.windowBackground);
    // The shadows reach past the cards' edges, so they are drawn here, behind the cards.
    const QRect area = event->rect().adjusted(-40, -40, 40, 40);
    for (PlantCard *card : std::as_const(m_shownCards)) {
        const QRectF photo = card->photoRect().translated(card->pos());
        if (area.intersects(photo.toAlignedRect()))
            PlantCard::paintShadow(painter, photo);
    }
    PlantCard *current = card(currentPlant());
    if (current && m_shownCards.contains(current) && Painting::showsFocusRing(this))
        PlantCard::paintFocusRing(painter, current->photoRect().translated(current->pos()));
}

void PlantGrid::updateFocusRing(const PlantCard *card)
{
    if (card)
        update(PlantCard::focusRingRect(card->photoRect().translated(card->pos()))
                   .toAlignedRect()
                   .adjusted(-4, -4, 4, 4));
}

void PlantGrid::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    updateShown();
}
