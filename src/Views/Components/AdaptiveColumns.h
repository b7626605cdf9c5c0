#pragma once

// AdaptiveColumns: how many columns of a grid fit a width, and how wide each is, for columns
// that are at least `minimum` and at most `maximum` wide with `spacing` between them (the
// Explore card grid: 170 to 260 with 16 between; the species facts: at least 150, 12 between).
//
//   const AdaptiveColumns::Fit fit = AdaptiveColumns::fit(width, 170, 260, 16);
//   QRect cell = fit.cell(index, rowHeight, rowSpacing, Qt::LeftToRight);
//
// As many columns as fit at their minimum width share the width (never fewer than one); a column
// wider than its maximum is held there and the columns are centred.

#include <QRect>
#include <QtGlobal>

class AdaptiveColumns final
{
public:
    AdaptiveColumns() = delete;

    static constexpr int unlimited = 0;

    struct Fit
    {
        int count = 1;       // columns, at least one
        int columnWidth = 0; // every column's width
        int spacing = 0;
        int offset = 0; // from the leading edge to the first column (centring when capped)

        int rows(qsizetype items) const;
        // Total height of rows of rowHeight with rowSpacing between them; 0 for no items.
        int height(qsizetype items, int rowHeight, int rowSpacing) const;
        // The cell of item index (row by row, from the leading edge) in a grid of totalWidth.
        QRect cell(qsizetype index, int rowHeight, int rowSpacing, int totalWidth,
                   Qt::LayoutDirection direction) const;
    };

    // maximum: unlimited for columns that take whatever is left. maximumCount, when above 0,
    // limits the columns further.
    static Fit fit(int width, int minimum, int maximum, int spacing, int maximumCount = 0);
};
