#pragma once
// "Авторазмер ширины колонок" without measuring a million texts: pixel width follows the
// character count closely enough that a column's widest text is among its few longest, so
// one pass over the grid picks those and only they are measured in the window's font.
#include "table/grid.h"

#include <vector>

namespace trassel {

// How many of the longest texts of each column are kept for measuring.
inline constexpr int kMeasuredPerColumn = 8;

// For each column 0..ColCount-1, the rows of its longest non-empty texts by character count
// (at most `perColumn`; none for a column whose cells are all empty).
std::vector<std::vector<int>> LongestCellRows(const Grid& grid, int perColumn = kMeasuredPerColumn);

// The width of a column whose widest text measures `widest` pixels: widest + the grid line
// width + 10, or 125 for a column without text.
inline int FittedColumnWidth(int widest, int gridLineWidth) { return widest == 0 ? 125 : widest + gridLineWidth + 10; }

} // namespace trassel
