#pragma once
// The cells a command changed, each with its text before and after, packed into one buffer:
// what an edit keeps when a command writes over a large table but changes only some of it
// (a whole table pasted back with a few corrections keeps those, not the table twice).
#include "table/grid_editing.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace trassel {

class Grid;

class CellChanges {
public:
    // Cells firstCol .. firstCol + count - 1 of `row` went from `before` to `after`.
    void record(int row, int firstCol, const std::string_view* before, const std::string_view* after,
                std::size_t count);
    bool empty() const { return spans_ == 0; }
    // Writes one side back: the texts before (an undo) or after (a redo). Places outside the
    // grid are skipped.
    void restore(Grid& grid, bool after) const;
    // The rectangle around every changed cell; empty (right < left) when there is none.
    const CellRect& bounds() const { return bounds_; }
    // Bytes held, for the history's memory bound.
    std::size_t bytes() const { return data_.capacity() + sizeof(*this); }
    // Gives back the room the recording grew into: a kept step holds its bytes, no more.
    void shrink() { data_.shrink_to_fit(); }

private:
    // Each span: row, first column and cell count as base-128 varints, then the texts before,
    // then the texts after, each as its length (varint) and its bytes.
    std::string data_;
    std::size_t spans_ = 0;
    CellRect bounds_{0, 0, -1, -1};
};

} // namespace trassel
