#pragma once

// PlantGridLayout: where the My Plants screen puts each room header and each card, as pure
// geometry: one group per room (its header, then its cards in adaptive columns of 160 to 240
// points, 16 apart, rows 20 apart), groups 28 apart, the whole inset by the screen padding.
// Also answers which cards meet a strip of the screen (only those are made) and where the
// arrow keys lead from a card, across room groups.
//
//   PlantGridLayout layout(metrics, gridWidth, {3, 1, 12});   // three rooms
//   layout.height(); layout.headerRect(1); layout.cardRect(4); // flat card index, groups in order
//   layout.cardsIn(top, bottom);                               // cards meeting that strip
//   layout.move(4, PlantGridLayout::Move::down);               // the card below, or 4 at the end
//
// Rects are in left-to-right coordinates; a right-to-left screen mirrors them.

#include <QList>
#include <QRect>

class PlantGridLayout final
{
public:
    struct Metrics
    {
        int padding = 20;
        int columnMinimum = 160;
        int columnMaximum = 240;
        int columnSpacing = 16;
        int rowSpacing = 20;
        int groupSpacing = 28;
        int headerSpacing = 12; // header to the first row
        int headerHeight = 28;
        qreal photoAspect = 0.8; // width : height of a card's picture
        int textHeight = 44;     // below the picture: spacing and the two text lines
    };

    enum class Move : unsigned char { previous, next, up, down, first, last };

    PlantGridLayout() = default;
    PlantGridLayout(const Metrics &metrics, int width, const QList<int> &groupSizes);

    // As many columns of at least the minimum width as fit (at least one); each column takes an
    // equal share of the width, and a card is at most the maximum wide, centred in its column.
    static int columnCount(int available, int minimum, int spacing);

    int width() const { return m_width; }
    int height() const { return m_height; }
    int columns() const { return m_columns; }
    int cardWidth() const { return m_cardWidth; }
    int cardHeight() const { return m_cardHeight; }
    int photoHeight() const { return m_photoHeight; }
    int groupCount() const { return int(m_groups.size()); }
    int cardCount() const { return m_cardCount; }

    QRect headerRect(int group) const;
    QRect cardRect(int index) const;
    int groupOf(int index) const;
    int firstCardOf(int group) const;

    // Flat indexes of the cards that meet the strip from top to bottom (inclusive), in order.
    QList<int> cardsIn(int top, int bottom) const;
    // Groups whose header meets the strip.
    QList<int> headersIn(int top, int bottom) const;

    // Where a key leads from card index: previous/next in reading order, up/down to the nearest
    // card in the row above or below (also in the next or previous room), first/last. Stays at
    // index at an edge; -1 when there are no cards.
    int move(int index, Move move) const;

private:
    struct Group
    {
        int first = 0; // flat index of its first card
        int count = 0;
        int top = 0; // header top
        int rowsTop = 0;
    };

    int rowOf(int index) const; // row within its group
    int columnOf(int index) const;
    int rowsOf(int group) const;
    // The card in group's row nearest to column, clamped to the row's last card.
    int cardAt(int group, int row, int column) const;

    Metrics m_metrics;
    int m_width = 0;
    int m_height = 0;
    int m_columns = 1;
    int m_slotWidth = 0;
    int m_cardWidth = 0;
    int m_photoHeight = 0;
    int m_cardHeight = 0;
    int m_cardCount = 0;
    QList<Group> m_groups;
};
