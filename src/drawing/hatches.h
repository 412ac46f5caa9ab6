#pragma once
// The soil hatches of engineering-geological drawings as vector patterns: each is a square tile
// of short lines and dots repeated from the canvas's origin, so a tile of a picture, the whole
// bitmap, a PDF page and a printer at any resolution all draw the same strokes (the vector
// devices keep them as lines, never as a bitmap). A layer chooses one by its fill ordinal after
// the eight plain fill styles: the hatch is drawn in black over the layer's fill colour.
#include "drawing/canvas.h"
#include "drawing/drawing_record.h"

#include <span>
#include <string>
#include <vector>

namespace trassel {

struct HatchStroke {
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
};

struct HatchPattern {
    const char* name;
    int size; // the tile's side, canvas pixels
    std::vector<HatchStroke> lines;
    std::vector<Point> dots; // a dot is a 2 x 2 pixel square from the point on
};

// The hatches in the order of their numbers 1..N (0 is no hatch).
std::span<const HatchPattern> SoilHatches();

// The fill ordinal of hatch 1 (the eight plain styles come before).
inline constexpr int kFirstHatchOrdinal = 8;
// The number of fill ordinals: the eight styles and the hatches.
int FillOrdinalCount();
// The hatch of a fill ordinal, 0 for the plain styles (and anything unknown).
int HatchOfOrdinal(int ordinal);
// The name of a fill ordinal's hatch, empty for a plain style.
std::string HatchName(int ordinal);

// The strokes and dots of hatch `hatch` that may touch `area`, in canvas coordinates.
void HatchPieces(int hatch, const Rect& area, std::vector<HatchStroke>& lines, std::vector<Point>& dots);

} // namespace trassel
