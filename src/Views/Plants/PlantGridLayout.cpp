#include "Views/Plants/PlantGridLayout.h"

#include <algorithm>
#include <cmath>

PlantGridLayout::PlantGridLayout(const Metrics &metrics, int width, const QList<int> &groupSizes)
    : m_metrics(metrics), m_width(std::max(0, width))
{
    const int available = std::max(0, m_width - 2 * metrics.padding);
    m_columns = columnCount(available, metrics.columnMinimum, metrics.columnSpacing);
    m_slotWidth = std::max(1, (available - (m_columns - 1) * metrics.columnSpacing) / m_columns);
    m_cardWidth = std::min(metrics.columnMaximum, m_slotWidth);
    m_photoHeight = int(std::lround(m_cardWidth / metrics.photoAspect));
    m_cardHeight = m_photoHeight + metrics.textHeight;

    int y = metrics.padding;
    for (const int size : groupSizes) {
        if (!m_groups.isEmpty())
            y += metrics.groupSpacing;
        Group group;
        group.first = m_cardCount;
        group.count = std::max(0, size);
        group.top = y;
        group.rowsTop = y + metrics.headerHeight + metrics.headerSpacing;
        m_groups.append(group);
        m_cardCount += group.count;
        const int rows = rowsOf(int(m_groups.size()) - 1);
        y = group.rowsTop + rows * m_cardHeight + std::max(0, rows - 1) * metrics.rowSpacing;
    }
    m_height = m_groups.isEmpty() ? 0 : y + metrics.padding;
}

int PlantGridLayout::columnCount(int available, int minimum, int spacing)
{
    if (minimum + spacing <= 0)
        return 1;
    return std::max(1, (available + spacing) / (minimum + spacing));
}

QRect PlantGridLayout::headerRect(int group) const
{
    if (group < 0 || group >= m_groups.size())
        return {};
    return {m_metrics.padding, m_groups[group].top, std::max(0, m_width - 2 * m_metrics.padding),
            m_metrics.headerHeight};
}

QRect PlantGridLayout::cardRect(int index) const
{
    const int group = groupOf(index);
    if (group < 0)
        return {};
    const int available = std::max(0, m_width - 2 * m_metrics.padding);
    const int used = m_columns * m_slotWidth + (m_columns - 1) * m_metrics.columnSpacing;
    const int left = m_metrics.padding + std::max(0, available - used) / 2;
    const int x =
        left + columnOf(index) * (m_slotWidth + m_metrics.columnSpacing) + (m_slotWidth - m_cardWidth) / 2;
    const int y = m_groups[group].rowsTop + rowOf(index) * (m_cardHeight + m_metrics.rowSpacing);
    return {x, y, m_cardWidth, m_cardHeight};
}

int PlantGridLayout::groupOf(int index) const
{
    if (index < 0 || index >= m_cardCount)
        return -1;
    // The last group that starts at or before index and holds it.
    const auto after = std::upper_bound(m_groups.cbegin(), m_groups.cend(), index,
                                        [](int i, const Group &group) { return i < group.first; });
    auto group = after - 1;
    while (group->count == 0) // empty groups share their first index with the next one
        --group;
    return int(group - m_groups.cbegin());
}

int PlantGridLayout::firstCardOf(int group) const
{
    return group >= 0 && group < m_groups.size() ? m_groups[group].first : -1;
}

int PlantGridLayout::rowOf(int index) const
{
    return (index - m_groups[groupOf(index)].first) / m_columns;
}

int PlantGridLayout::columnOf(int index) const
{
    return (index - m_groups[groupOf(index)].first) % m_columns;
}

int PlantGridLayout::rowsOf(int group) const
{
    return (m_groups[group].count + m_columns - 1) / m_columns;
}

int PlantGridLayout::cardAt(int group, int row, int column) const
{
    const Group &g = m_groups[group];
    const int rowStart = g.first + row * m_columns;
    const int rowEnd = std::min(g.first + g.count, rowStart + m_columns) - 1;
    return std::min(rowStart + column, rowEnd);
}

QList<int> PlantGridLayout::cardsIn(int top, int bottom) const
{
    QList<int> result;
    const int pitch = m_cardHeight + m_metrics.rowSpacing;
    for (int g = 0; g < m_groups.size(); ++g) {
        const Group &group = m_groups[g];
        const int rows = rowsOf(g);
        if (rows == 0 || group.rowsTop > bottom)
            continue;
        const int end = group.rowsTop + rows * pitch - m_metrics.rowSpacing - 1;
        if (end < top)
            continue;
        const int firstRow = std::max(0, (top - group.rowsTop) / pitch);
        for (int row = firstRow; row < rows; ++row) {
            const int rowTop = group.rowsTop + row * pitch;
            if (rowTop > bottom)
                break;
            if (rowTop + m_cardHeight - 1 < top)
                continue;
            const int first = group.first + row * m_columns;
            const int last = std::min(group.first + group.count, first + m_columns);
            for (int i = first; i < last; ++i)
                result.append(i);
        }
    }
    return result;
}

QList<int> PlantGridLayout::headersIn(int top, int bottom) const
{
    QList<int> result;
    for (int g = 0; g < m_groups.size(); ++g) {
        const int headerTop = m_groups[g].top;
        if (headerTop <= bottom && headerTop + m_metrics.headerHeight - 1 >= top)
            result.append(g);
    }
    return result;
}

int PlantGridLayout::move(int index, Move move) const
{
    if (m_cardCount == 0)
        return -1;
    index = std::clamp(index, 0, m_cardCount - 1);
    switch (move) {
    case Move::previous:
        return std::max(0, index - 1);
    case Move::next:
        return std::min(m_cardCount - 1, index + 1);
    case Move::first:
        return 0;
    case Move::last:
        return m_cardCount - 1;
    case Move::up:
    case Move::down:
        break;
    }
    const int group = groupOf(index);
    const int row = rowOf(index);
    const int column = columnOf(index);
    if (move == Move::up) {
        if (row > 0)
            return cardAt(group, row - 1, column);
        for (int g = group - 1; g >= 0; --g) {
            if (m_groups[g].count > 0)
                return cardAt(g, rowsOf(g) - 1, column);
        }
        return index;
    }
    if (row < rowsOf(group) - 1)
        return cardAt(group, row + 1, column);
    for (int g = group + 1; g < m_groups.size(); ++g) {
        if (m_groups[g].count > 0)
            return cardAt(g, 0, column);
    }
    return index;
}
