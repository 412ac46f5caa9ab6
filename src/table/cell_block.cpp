#include "table/cell_block.h"

#include "table/grid.h"

#include <vector>

namespace trassel {

void CellBlock::beginBuild(int left, int top, int cols)
{
    left_ = left;
    top_ = top;
    cols_ = cols;
    rows_ = 0;
    data_.clear();
}

void CellBlock::append(std::string_view text)
{
    std::size_t n = text.size();
    while (n >= 0x80) {
        data_.push_back(static_cast<char>((n & 0x7F) | 0x80));
        n >>= 7;
    }
    data_.push_back(static_cast<char>(n));
    data_.append(text);
}

CellBlock CellBlock::capture(const Grid& grid, int left, int top, int cols, int rows)
{
    CellBlock block;
    block.beginBuild(left, top, cols);
    if (cols <= 0 || rows <= 0)
        return block;
    // A row is split once into its cells (finding a cell by itself walks the row from its
    // start); column 0 is read as it is spelled.
    std::vector<std::string_view> cells;
    auto cellAt = [&](int c, int r) -> std::string_view {
        if (c == 0)
            return grid.cellView(0, r);
        const auto i = static_cast<std::size_t>(c - 1);
        return i < cells.size() ? cells[i] : std::string_view();
    };
    // One pass to size the buffer, one to fill it: a block of a whole million-row table is
    // then allocated once instead of doubling its way up and being copied to fit.
    std::size_t total = 0;
    for (int r = top; r < top + rows; ++r) {
        grid.rowCells(r, cells);
        for (int c = left; c < left + cols; ++c) {
            const std::size_t n = cellAt(c, r).size();
            total += n + 1 + (n >= 0x80) + (n >= 0x4000) + (n >= 0x200000);
        }
    }
    block.data_.reserve(total + 8);
    for (int r = top; r < top + rows; ++r) {
        grid.rowCells(r, cells);
        for (int c = left; c < left + cols; ++c)
            block.append(cellAt(c, r));
        block.endRow();
    }
    return block;
}

void CellBlock::restore(Grid& grid) const
{
    if (empty())
        return;
    std::vector<std::string_view> texts(static_cast<std::size_t>(cols_));
    const char* p = data_.data();
    for (int r = top_; r < top_ + rows_; ++r) {
        for (std::string_view& text : texts) {
            std::size_t n = 0;
            int shift = 0;
            for (;;) {
                const auto byte = static_cast<unsigned char>(*p++);
                n |= static_cast<std::size_t>(byte & 0x7F) << shift;
                if ((byte & 0x80) == 0)
                    break;
                shift += 7;
            }
            text = std::string_view(p, n);
            p += n;
        }
        grid.setCells(r, left_, texts.data(), texts.size());
    }
}

} // namespace trassel
