#pragma once

// PlantGrid: the scrolling body of the My Plants screen: one group per room, a RoomHeader over an
// adaptive grid of PlantCards (PlantGridLayout). Only the cards and headers near the visible part
// exist as shown widgets: a card is made the first time it comes near the view, hidden when it
// leaves, and shown again, without any change, when it comes back. The grid sizes itself to the
// scroll area's viewport width and its own content height.
//
//   auto *grid = new PlantGrid(pictures, scrollArea);    // becomes the scroll area's widget
//   grid->setGroups({{"Attic", {fern}}, {"Kitchen", {basil, thyme}}});
//   connect(grid, &PlantGrid::cardMade, ...);          // attach each card's context menu
//   connect(grid, &PlantGrid::chosen, ...);            // click, Enter or Space on a card
//   grid->setCurrentPlant(basil); grid->scrollTo(basil); grid->card(basil);
//
// Keyboard: the grid is one Tab stop holding one current card; the arrow keys move between cards
// across room groups, Home and End go to the first and last; Enter or Space chooses the card,
// Delete asks to delete its plant, the Menu key or Shift+F10 opens its context menu. For
// assistive technology the grid is a list whose items are the cards and whose headings are the
// room headers; the focus follows the current card.

#include "Models/RecordId.h"
#include "Views/Plants/PlantGridLayout.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QWidget>

class Plant;
class PlantCard;
class PlantPictureCache;
class QScrollArea;
class RoomHeader;

class PlantGrid final : public QWidget
{
    Q_OBJECT

public:
    struct Group
    {
        QString site;
        QList<Plant *> plants;
    };

    PlantGrid(PlantPictureCache &pictures, QScrollArea *scrollArea);
    ~PlantGrid() override;

    // Lays the groups out; cards of plants that stay keep their widget, scroll position stays.
    void setGroups(const QList<Group> &groups);
    const QList<Group> &groups() const { return m_groups; }
    const PlantGridLayout &gridLayout() const { return m_layout; }
    // Every plant shown, in order (groups in order, plants within each); a plant deleted since
    // the last setGroups() is left out.
    QList<Plant *> plants() const;

    // The plant's card if it has been made (it may be hidden, far from the view), else null.
    PlantCard *card(const Plant *plant) const;
    // The cards now shown (near the view), in grid order.
    QList<PlantCard *> shownCards() const;
    int madeCardCount() const { return int(m_cards.size()); }
    RoomHeader *header(const QString &site) const;
    // The headers and cards now shown, as they are read: each room's header, then its cards.
    QList<QWidget *> readingOrder() const;
    QList<RoomHeader *> shownHeaders() const;
    // Whether the plant's card lies within a screen of the visible part.
    bool isNearView(RecordId plant) const;

    Plant *currentPlant() const;
    void setCurrentPlant(Plant *plant);
    // Scrolls until the plant's card is in view (making it); returns the card.
    PlantCard *scrollTo(Plant *plant);

    // Repaints the badges after a new day began (each card only if its badge changed).
    void refreshCards();

signals:
    void cardMade(PlantCard *card);
    void chosen(Plant *plant);
    void deleteRequested(Plant *plant);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void relayout();
    void updateShown();
    PlantCard *makeCard(Plant *plant);
    RoomHeader *makeHeader(const QString &site);
    QRect visualCardRect(int index) const;
    int currentIndex() const;
    void moveCurrent(PlantGridLayout::Move move);
    void announceCurrent();
    void updateFocusRing(const PlantCard *card);
    void cardClicked(PlantCard *card);
    void selectForMenu(PlantCard *card);

    PlantPictureCache &m_pictures;
    QScrollArea *m_scrollArea;
    QPointer<QWidget> m_viewport;
    QList<Group> m_groups;
    QList<QPointer<Plant>> m_order; // a deleted plant turns null until the next setGroups()
    QHash<RecordId, int> m_indexOf;
    PlantGridLayout m_layout;
    QHash<RecordId, PlantCard *> m_cards;
    QHash<QString, RoomHeader *> m_headers;
    QSet<PlantCard *> m_shownCards;
    QSet<RoomHeader *> m_shownHeaders;
    RecordId m_current = 0;
};
