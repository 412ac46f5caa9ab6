#pragma once
// The table editing algorithms on a grid: the whole-table copy and paste through clipboard
// text, the rectangle copy and paste of the keyboard, and the search in the picket column.
#include "table/grid.h"

#include <string>
#include <string_view>
#include <vector>

namespace trassel {

// A rectangle of cells, bounds included.
struct CellRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const CellRect&) const = default;
    int cols() const { return right - left + 1; }
    int rows() const { return bottom - top + 1; }
};

// The text "Копировать" puts on the clipboard: rows 1.. and columns 1.. of the body, each
// cell followed by a TAB, the last TAB of a row removed, every row ended by CR LF. The text
// passes through Windows-1251, so characters it lacks arrive as "?".
std::string CopyGridText(const Grid& grid);

// How a pasted text splits: lines at CR LF (with `lfToo` also at a lone LF), a last line
// without an end being a line too; fields at TAB.
std::vector<std::string_view> SplitPasteLines(std::string_view text, bool lfToo);
// The number of TAB-separated fields of the widest line.
int WidestLine(const std::vector<std::string_view>& lines);

class CellChanges;

// Line i (from 1) to row i, field j (from 1) to cell (j, i), the grid growing to hold them;
// cells outside the pasted block keep their text. Error, before any change, when the text
// is wider than a grid can be. A cancel through `progress` stops with the lines before it pasted.
// Rows whose cells the text leaves as they are are not written; the cells that do change are
// recorded in `changes` (when given) with their texts before and after.
void PasteGridText(Grid& grid, const std::vector<std::string_view>& lines, const Progress& progress = {},
                   CellChanges* changes = nullptr);

// The cells of `rect` as TAB / CR LF text (what Ctrl+C copies).
std::string RectText(const Grid& grid, const CellRect& rect);
// Writes the lines' fields from cell (col, row) on, growing the grid when the block reaches
// past it (Ctrl+V); returns the rectangle written. Error, nothing changed, when it cannot fit.
CellRect PasteTextAt(Grid& grid, int col, int row, const std::vector<std::string_view>& lines);

// The first row below `selRow` whose column-1 text contains `text` (case-sensitive), or -1;
// an empty text finds nothing.
int FindInPicketColumn(const Grid& grid, std::string_view text, int selRow);

} // namespace trassel
