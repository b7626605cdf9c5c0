#include "Views/Components/AdaptiveColumns.h"

#include <algorithm>

int AdaptiveColumns::Fit::rows(qsizetype items) const
{
    if (items <= 0)
        return 0;
    return int((items + count - 1) / count);
}

int AdaptiveColumns::Fit::height(qsizetype items, int rowHeight, int rowSpacing) const
{
    const int n = rows(items);
    return n == 0 ? 0 : n * rowHeight + (n - 1) * rowSpacing;
}

QRect AdaptiveColumns::Fit::cell(qsizetype index, int rowHeight, int rowSpacing, int totalWidth,
                                 Qt::LayoutDirection direction) const
{
    const int row = int(index / count);
    const int column = int(index % count);
    int x = offset + column * (columnWidth + spacing);
    if (direction == Qt::RightToLeft)
        x = totalWidth - x - columnWidth;
    return {x, row * (rowHeight + rowSpacing), columnWidth, rowHeight};
}

AdaptiveColumns::Fit AdaptiveColumns::fit(int width, int minimum, int maximum, int spacing, int maximumCount)
{
    Fit fit;
    fit.spacing = std::max(0, spacing);
    width = std::max(0, width);
    minimum = std::max(1, minimum);
    // n columns fit when n * minimum + (n - 1) * spacing <= width.
    fit.count = std::max(1, (width + fit.spacing) / (minimum + fit.spacing));
    if (maximumCount > 0)
        fit.count = std::min(fit.count, maximumCount);
    int column = (width - (fit.count - 1) * fit.spacing) / fit.count;
    if (maximum != unlimited)
        column = std::min(column, std::max(minimum, maximum));
    fit.columnWidth = std::max(0, column);
    const int used = fit.count * fit.columnWidth + (fit.count - 1) * fit.spacing;
    fit.offset = std::max(0, (width - used) / 2);
    return fit;
}
