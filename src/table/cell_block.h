#pragma once
// A rectangle of cells kept aside, packed into one buffer, so that an edit can put back
// exactly the texts it replaced without holding a string object per cell.
#include <cstddef>
#include <string>
#include <string_view>

namespace trassel {

class Grid;

class CellBlock {
public:
    CellBlock() = default;
    // The cells (c, r) for left <= c < left + cols and top <= r < top + rows, column 0
    // included when left is 0. Cells outside the grid are kept as empty texts.
    static CellBlock capture(const Grid& grid, int left, int top, int cols, int rows);

    // Writes every kept cell back to its place; places outside the grid are skipped.
    void restore(Grid& grid) const;

    int left() const { return left_; }
    int top() const { return top_; }
    int cols() const { return cols_; }
    int rows() const { return rows_; }
    bool empty() const { return cols_ <= 0 || rows_ <= 0; }
    bool operator==(const CellBlock&) const = default;
    // Bytes held, for the history's memory bound.
    std::size_t bytes() const { return data_.capacity() + sizeof(*this); }

    // Appends one cell while building a block cell by cell, row by row; finish() closes it.
    void beginBuild(int left, int top, int cols);
    void append(std::string_view text);
    void endRow() { ++rows_; }

private:
    int left_ = 0;
    int top_ = 0;
    int cols_ = 0;
    int rows_ = 0;
    // Each cell: its length as a base-128 varint, then its bytes.
    std::string data_;
};

} // namespace trassel
