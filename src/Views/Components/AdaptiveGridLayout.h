#pragma once

// AdaptiveGridLayout: lays its widgets out row by row in as many columns as fit, each column
// between a minimum and a maximum width (see AdaptiveColumns), every item as wide as its column
// and centred in its row. The species facts grid of six InfoTiles:
//
//   auto *grid = new AdaptiveGridLayout(150, AdaptiveColumns::unlimited, 12, 12);
//   grid->setBalanced(true);
//   for (InfoTile *tile : tiles) grid->addWidget(tile);
//   column->addLayout(grid);
//
// Height follows width (hasHeightForWidth), so it sits in scrolling columns as text does.

#include "Views/Components/AdaptiveColumns.h"

#include <QLayout>
#include <QList>

class AdaptiveGridLayout final : public QLayout
{
    Q_OBJECT
public:
    AdaptiveGridLayout(int minimumColumn, int maximumColumn, int columnSpacing, int rowSpacing,
                       QWidget *parent = nullptr);
    ~AdaptiveGridLayout() override;

    // Balanced: no more columns than the rows need, so six tiles that take two rows lie three
    // and three, never five and one. Columns widen to fill the width.
    void setBalanced(bool balanced);
    // The columns at this width for the items now visible.
    AdaptiveColumns::Fit fit(int width) const;

    void addItem(QLayoutItem *item) override;
    int count() const override { return int(m_items.size()); }
    QLayoutItem *itemAt(int index) const override { return m_items.value(index); }
    QLayoutItem *takeAt(int index) override;
    Qt::Orientations expandingDirections() const override { return Qt::Horizontal; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect &rect) override;

private:
    // The height of each row of visible items at this width, and the items in row order.
    QList<int> rowHeights(const AdaptiveColumns::Fit &fit, const QList<QLayoutItem *> &items) const;
    QList<QLayoutItem *> visibleItems() const;

    QList<QLayoutItem *> m_items;
    int m_minimum;
    int m_maximum;
    int m_columnSpacing;
    int m_rowSpacing;
    bool m_balanced = false;
};
