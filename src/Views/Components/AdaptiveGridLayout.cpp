#include "Views/Components/AdaptiveGridLayout.h"

#include <QWidget>

#include <algorithm>

AdaptiveGridLayout::AdaptiveGridLayout(int minimumColumn, int maximumColumn, int columnSpacing,
                                       int rowSpacing, QWidget *parent)
    : QLayout(parent), m_minimum(minimumColumn), m_maximum(maximumColumn), m_columnSpacing(columnSpacing),
      m_rowSpacing(rowSpacing)
{
    setContentsMargins(0, 0, 0, 0);
}

AdaptiveGridLayout::~AdaptiveGridLayout()
{
    while (QLayoutItem *item = takeAt(0))
        delete item;
}

void AdaptiveGridLayout::setBalanced(bool balanced)
{
    m_balanced = balanced;
    invalidate();
}

AdaptiveColumns::Fit AdaptiveGridLayout::fit(int width) const
{
    const AdaptiveColumns::Fit widest = AdaptiveColumns::fit(width, m_minimum, m_maximum, m_columnSpacing);
    const qsizetype items = visibleItems().size();
    if (!m_balanced || items == 0)
        return widest;
    const qsizetype rows = widest.rows(items);
    const int count = int((items + rows - 1) / rows);
    return AdaptiveColumns::fit(width, m_minimum, m_maximum, m_columnSpacing, count);
}

void AdaptiveGridLayout::addItem(QLayoutItem *item)
{
    m_items.append(item);
    invalidate();
}

QLayoutItem *AdaptiveGridLayout::takeAt(int index)
{
    if (index < 0 || index >= m_items.size())
        return nullptr;
    QLayoutItem *item = m_items.takeAt(index);
    invalidate();
    return item;
}

QList<QLayoutItem *> AdaptiveGridLayout::visibleItems() const
{
    QList<QLayoutItem *> items;
    for (QLayoutItem *item : m_items) {
        if (!item->isEmpty())
            items.append(item);
    }
    return items;
}

QList<int> AdaptiveGridLayout::rowHeights(const AdaptiveColumns::Fit &fit,
                                          const QList<QLayoutItem *> &items) const
{
    QList<int> heights(fit.rows(items.size()), 0);
    for (qsizetype i = 0; i < items.size(); ++i) {
        QLayoutItem *item = items[i];
        const int h =
            item->hasHeightForWidth() ? item->heightForWidth(fit.columnWidth) : item->sizeHint().height();
        int &row = heights[i / fit.count];
        row = std::max(row, h);
    }
    return heights;
}

int AdaptiveGridLayout::heightForWidth(int width) const
{
    const QMargins m = contentsMargins();
    const AdaptiveColumns::Fit f = fit(width - m.left() - m.right());
    const QList<int> heights = rowHeights(f, visibleItems());
    int total = m.top() + m.bottom();
    for (int h : heights)
        total += h;
    if (!heights.isEmpty())
        total += int(heights.size() - 1) * m_rowSpacing;
    return total;
}

QSize AdaptiveGridLayout::sizeHint() const
{
    const QMargins m = contentsMargins();
    const int width = 2 * m_minimum + m_columnSpacing + m.left() + m.right();
    return {width, heightForWidth(width)};
}

QSize AdaptiveGridLayout::minimumSize() const
{
    // One row's height, not the one-column stack of the narrowest width: a scroll area takes
    // minimum heights as they are, and would leave the stack's extra height blank below the
    // content at every wider width. The real height comes from heightForWidth().
    const QMargins m = contentsMargins();
    int row = 0;
    for (QLayoutItem *item : visibleItems())
        row = std::max(row, item->hasHeightForWidth() ? item->heightForWidth(m_minimum)
                                                      : item->minimumSize().height());
    return {m_minimum + m.left() + m.right(), row + m.top() + m.bottom()};
}

void AdaptiveGridLayout::setGeometry(const QRect &rect)
{
    QLayout::setGeometry(rect);
    const QRect area = rect.marginsRemoved(contentsMargins());
    const AdaptiveColumns::Fit f = fit(area.width());
    const QList<QLayoutItem *> items = visibleItems();
    const QList<int> heights = rowHeights(f, items);
    const Qt::LayoutDirection direction =
        parentWidget() ? parentWidget()->layoutDirection() : Qt::LeftToRight;
    int y = area.top();
    for (qsizetype row = 0; row < heights.size(); ++row) {
        for (int column = 0; column < f.count; ++column) {
            const qsizetype index = row * f.count + column;
            if (index >= items.size())
                break;
            QLayoutItem *item = items[index];
            QRect cell = f.cell(index, heights[row], 0, area.width(), direction);
            const int h =
                item->hasHeightForWidth() ? item->heightForWidth(f.columnWidth) : item->sizeHint().height();
            // Centred in its row when shorter than the row's tallest item.
            cell = QRect(area.left() + cell.x(), y + (heights[row] - std::min(h, heights[row])) / 2,
                         cell.width(), std::min(h, heights[row]));
            item->setGeometry(cell);
        }
        y += heights[row] + m_rowSpacing;
    }
}
