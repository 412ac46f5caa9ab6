#include "table/column_widths.h"

#include <algorithm>
#include <string_view>

namespace trassel {
namespace {

std::size_t characterCount(std::string_view utf8)
{
    std::size_t n = 0;
    for (const char c : utf8)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

std::size_t decimalDigits(long long value)
{
    std::size_t n = 1;
    while (value >= 10) {
        value /= 10;
        ++n;
    }
    return n;
}

// The rows of the longest texts of one column, kept while scanning the grid once.
class LongestCells {
public:
    explicit LongestCells(int capacity) : entries_(static_cast<std::size_t>(std::max(capacity, 0))) { }

    void offer(std::size_t byteLength, std::string_view text, int row)
    {
        const int capacity = static_cast<int>(entries_.size());
        if (capacity == 0)
            return;
        // A text's character count never exceeds its byte length, so most cells are turned away
        // without counting their characters.
        if (byteLength == 0 || (count_ == capacity && byteLength <= entries_[0].length))
            return;
        const std::size_t length = text.data() ? characterCount(text) : byteLength;
        if (count_ == capacity) {
            if (length <= entries_[0].length)
                return;
            entries_[0] = {length, row};
        } else {
            entries_[static_cast<std::size_t>(count_++)] = {length, row};
        }
        // Keep the shortest kept entry first.
        std::sort(entries_.begin(), entries_.begin() + count_,
                  [](const Entry& a, const Entry& b) { return a.length < b.length; });
    }
    std::vector<int> rows() const
    {
        std::vector<int> out;
        for (int i = 0; i < count_; ++i)
            out.push_back(entries_[static_cast<std::size_t>(i)].row);
        return out;
    }

private:
    struct Entry {
        std::size_t length = 0;
        int row = 0;
    };
    std::vector<Entry> entries_;
    int count_ = 0;
};

} // namespace

std::vector<std::vector<int>> LongestCellRows(const Grid& grid, int perColumn)
{
    const int cols = grid.colCount();
    const int rows = grid.rowCount();
    std::vector<LongestCells> longest(static_cast<std::size_t>(std::max(cols, 0)), LongestCells(perColumn));
    for (int r = 0; r < rows; ++r) {
        if (cols > 0) {
            // The numbering column holds mostly plain numbers, whose length needs no text.
            const long long number = grid.rowLabelNumber(r);
            if (number >= 0) {
                longest[0].offer(decimalDigits(number), std::string_view(), r);
            } else {
                const std::string_view label = grid.cellView(0, r);
                longest[0].offer(label.size(), label, r);
            }
        }
        for (int c = 1; c < cols; ++c) {
            const std::string_view text = grid.cellView(c, r);
            longest[static_cast<std::size_t>(c)].offer(text.size(), text, r);
        }
    }
    std::vector<std::vector<int>> out;
    out.reserve(longest.size());
    for (const LongestCells& column : longest)
        out.push_back(column.rows());
    return out;
}

} // namespace trassel
