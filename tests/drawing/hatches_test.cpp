// The soil hatches: which fill ordinals are hatches, the eight plain styles left exactly as they
// were, and strokes that lie on one grid from the canvas's origin, so any part of a picture
// draws the same ones as the whole.
#include "drawing/hatches.h"

#include "support/probe_canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <tuple>

namespace trassel {
namespace {

using Stroke = std::tuple<bool, int, int, int, int>; // a dot?, then the ends (a dot: its corner twice)

std::set<Stroke> Strokes(int hatch, const Rect& area)
{
    std::vector<HatchStroke> lines;
    std::vector<Point> dots;
    HatchPieces(hatch, area, lines, dots);
    std::set<Stroke> out;
    for (const HatchStroke& s : lines)
        out.insert({false, s.x1, s.y1, s.x2, s.y2});
    for (const Point& d : dots)
        out.insert({true, d.x, d.y, d.x, d.y});
    return out;
}

TEST(Hatches, OrdinalsAfterThePlainStylesAreTheHatchesAndThePlainOnesStayAsTheyWere)
{
    const int count = static_cast<int>(SoilHatches().size());
    EXPECT_GE(count, 7);
    EXPECT_EQ(FillOrdinalCount(), 8 + count);
    for (int ordinal = -1; ordinal < 8; ++ordinal)
        EXPECT_EQ(HatchOfOrdinal(ordinal), 0) << ordinal;
    EXPECT_EQ(HatchOfOrdinal(8), 1);
    EXPECT_EQ(HatchOfOrdinal(8 + count - 1), count);
    EXPECT_EQ(HatchOfOrdinal(8 + count), 0);
    EXPECT_EQ(HatchName(8), "Песок");
    EXPECT_EQ(HatchName(3), "");
    std::set<std::string> names;
    for (const HatchPattern& p : SoilHatches()) {
        names.insert(p.name);
        EXPECT_FALSE(p.lines.empty() && p.dots.empty()) << p.name;
    }
    EXPECT_EQ(names.size(), SoilHatches().size());

    // A layer's ordinal sets the brush: the plain ones exactly as the style alone did.
    for (int ordinal = 0; ordinal < 8; ++ordinal) {
        testing::ProbeCanvas a(10, 10);
        testing::ProbeCanvas b(10, 10);
        a.setBrushOrdinal(ordinal);
        b.setBrushStyle(BrushStyleFromOrdinal(ordinal));
        EXPECT_EQ(a.brush(), b.brush()) << ordinal;
        EXPECT_EQ(a.brush().hatch, 0);
    }
    testing::ProbeCanvas c(10, 10);
    c.setBrushStyle(BrushStyle::Clear);
    c.setBrushOrdinal(10);
    EXPECT_EQ(c.brush().hatch, 3);
    EXPECT_EQ(c.brush().style, BrushStyle::Solid); // the hatch lies on its fill colour
    c.setBrushOrdinal(1);
    EXPECT_EQ(c.brush(), (BrushState{c.brush().color, BrushStyle::Clear, 0}));
}

TEST(Hatches, StrokesLieOnOneGridFromTheOrigin)
{
    for (int hatch = 1; hatch <= static_cast<int>(SoilHatches().size()); ++hatch) {
        SCOPED_TRACE(hatch);
        const int size = SoilHatches()[static_cast<std::size_t>(hatch - 1)].size;
        // Every stroke of a part is a stroke of the whole.
        const std::set<Stroke> whole = Strokes(hatch, {-50, -40, 200, 120});
        for (const Rect& part : {Rect{-50, -40, 13, 7}, Rect{13, 7, 200, 120}, Rect{99, -3, 101, 100}}) {
            const std::set<Stroke> some = Strokes(hatch, part);
            EXPECT_FALSE(some.empty());
            EXPECT_TRUE(std::includes(whole.begin(), whole.end(), some.begin(), some.end()));
        }
        // An area one tile over has the same strokes one tile over.
        std::set<Stroke> moved;
        for (const auto& [dot, x1, y1, x2, y2] : Strokes(hatch, {0, 0, 64, 64}))
            moved.insert({dot, x1 + size, y1 + size, x2 + size, y2 + size});
        EXPECT_EQ(moved, Strokes(hatch, {size, size, 64 + size, 64 + size}));
    }
    EXPECT_TRUE(Strokes(0, {0, 0, 10, 10}).empty());
    EXPECT_TRUE(Strokes(1, {5, 5, 5, 10}).empty());
}

} // namespace
} // namespace trassel
