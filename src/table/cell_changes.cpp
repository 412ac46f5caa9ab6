#include "table/cell_changes.h"

#include "table/grid.h"

#include <algorithm>
#include <vector>

namespace trassel {
namespace {

void putNumber(std::string& out, std::size_t n)
{
    while (n >= 0x80) {
        out.push_back(static_cast<char>((n & 0x7F) | 0x80));
        n >>= 7;
    }
    out.push_back(static_cast<char>(n));
}

std::size_t takeNumber(const char*& p)
{
    std::size_t n = 0;
    int shift = 0;
    for (;;) {
        const auto byte = static_cast<unsigned char>(*p++);
        n |= static_cast<std::size_t>(byte & 0x7F) << shift;
        if ((byte & 0x80) == 0)
            return n;
        shift += 7;
    }
}

} // namespace

void CellChanges::record(int row, int firstCol, const std::string_view* before, const std::string_view* after,
                         std::size_t count)
{
    if (count == 0 || row < 0 || firstCol < 0)
        return;
    putNumber(data_, static_cast<std::size_t>(row));
    putNumber(data_, static_cast<std::size_t>(firstCol));
    putNumber(data_, count);
    for (const std::string_view* side : {before, after})
        for (std::size_t i = 0; i < count; ++i) {
            putNumber(data_, side[i].size());
            data_.append(side[i]);
        }
    const int right = firstCol + static_cast<int>(count) - 1;
    if (spans_ == 0)
        bounds_ = {firstCol, row, right, row};
    else
        bounds_ = {std::min(bounds_.left, firstCol), std::min(bounds_.top, row), std::max(bounds_.right, right),
                   std::max(bounds_.bottom, row)};
    ++spans_;
}

void CellChanges::restore(Grid& grid, bool after) const
{
    std::vector<std::string_view> texts;
    const char* p = data_.data();
    const char* const end = p + data_.size();
    while (p < end) {
        const auto row = static_cast<int>(takeNumber(p));
        const auto firstCol = static_cast<int>(takeNumber(p));
        const std::size_t count = takeNumber(p);
        texts.clear();
        for (int side = 0; side < 2; ++side)
            for (std::size_t i = 0; i < count; ++i) {
                const std::size_t n = takeNumber(p);
                if (side == (after ? 1 : 0))
                    texts.emplace_back(p, n);
                p += n;
            }
        grid.setCells(row, firstCol, texts.data(), texts.size());
    }
}

} // namespace trassel
