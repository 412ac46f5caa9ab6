#include "drawing/hatches.h"

#include <algorithm>

namespace trassel {

std::span<const HatchPattern> SoilHatches()
{
    // Drawn after the usual signs of the soils on geological sections: the tiles are our own.
    static const std::vector<HatchPattern> kHatches = {
        // Sand: dots in a staggered grid.
        {"Песок", 12, {}, {{2, 2}, {8, 2}, {5, 8}, {11, 8}}},
        // Sandy loam: dots and short horizontal dashes.
        {"Супесь", 16, {{1, 4, 8, 4}, {9, 12, 16, 12}}, {{12, 3}, {4, 11}}},
        // Loam: horizontal dashes with a short slant between.
        {"Суглинок", 16, {{0, 4, 10, 4}, {8, 12, 16, 12}, {12, 2, 14, 6}, {2, 10, 4, 14}}, {}},
        // Clay: long horizontal dashes, staggered.
        {"Глина", 16, {{0, 4, 12, 4}, {8, 12, 16, 12}, {0, 12, 4, 12}}, {}},
        // Gravel: small open rings (four strokes each).
        {"Гравий",
         16,
         {{3, 2, 6, 2},
          {6, 2, 6, 5},
          {6, 5, 3, 5},
          {3, 5, 3, 2},
          {11, 10, 14, 10},
          {14, 10, 14, 13},
          {14, 13, 11, 13},
          {11, 13, 11, 10}},
         {}},
        // Crushed stone: small open triangles.
        {"Щебень",
         16,
         {{2, 6, 5, 1}, {5, 1, 8, 6}, {8, 6, 2, 6}, {10, 14, 13, 9}, {13, 9, 16, 14}, {16, 14, 10, 14}},
         {}},
        // Peat: short vertical strokes over horizontal ones.
        {"Торф", 16, {{0, 8, 16, 8}, {4, 2, 4, 8}, {12, 10, 12, 16}}, {}},
        // Fill (made ground): crossing diagonals with a dot.
        {"Насыпной грунт", 16, {{0, 0, 16, 16}, {16, 0, 0, 16}}, {{7, 3}}},
        // Rock: a brick-like grid.
        {"Скальный грунт", 16, {{0, 0, 16, 0}, {0, 8, 16, 8}, {4, 0, 4, 8}, {12, 8, 12, 16}}, {}},
    };
    return kHatches;
}

int FillOrdinalCount() { return kFirstHatchOrdinal + static_cast<int>(SoilHatches().size()); }

int HatchOfOrdinal(int ordinal)
{
    return ordinal >= kFirstHatchOrdinal && ordinal < FillOrdinalCount() ? ordinal - kFirstHatchOrdinal + 1 : 0;
}

std::string HatchName(int ordinal)
{
    const int hatch = HatchOfOrdinal(ordinal);
    return hatch == 0 ? std::string() : std::string(SoilHatches()[static_cast<std::size_t>(hatch - 1)].name);
}

namespace {

// The first tile origin at or before v on a grid of `size` from 0, for negative v too.
long long TileStart(long long v, int size)
{
    const long long q = v >= 0 ? v / size : -((-v + size - 1) / size);
    return q * size;
}

} // namespace

void HatchPieces(int hatch, const Rect& area, std::vector<HatchStroke>& lines, std::vector<Point>& dots)
{
    lines.clear();
    dots.clear();
    if (hatch < 1 || hatch > static_cast<int>(SoilHatches().size()) || area.empty())
        return;
    const HatchPattern& p = SoilHatches()[static_cast<std::size_t>(hatch - 1)];
    // A stroke may reach a tile's far edge: one tile more on each side keeps its pieces.
    for (long long y = TileStart(area.top, p.size) - p.size; y < area.bottom; y += p.size)
        for (long long x = TileStart(area.left, p.size) - p.size; x < area.right; x += p.size) {
            const int tx = static_cast<int>(x);
            const int ty = static_cast<int>(y);
            for (const HatchStroke& s : p.lines) {
                const HatchStroke at{s.x1 + tx, s.y1 + ty, s.x2 + tx, s.y2 + ty};
                if (std::max(at.x1, at.x2) < area.left || std::min(at.x1, at.x2) >= area.right ||
                    std::max(at.y1, at.y2) < area.top || std::min(at.y1, at.y2) >= area.bottom)
                    continue;
                lines.push_back(at);
            }
            for (const Point& d : p.dots) {
                const Point at{d.x + tx, d.y + ty};
                if (at.x + 2 > area.left && at.x < area.right && at.y + 2 > area.top && at.y < area.bottom)
                    dots.push_back(at);
            }
        }
}

} // namespace trassel
