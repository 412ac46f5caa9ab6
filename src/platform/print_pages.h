#pragma once
// Tiling of a bitmap onto printed pages: the whole height fills the page's printable height and
// the width runs on over as many pages as it needs, left to right.
#include <vector>

namespace trassel {

// One page of the printout: the part of the bitmap (source) and where it lands on the page
// (destination), both as left, top, width and height in their own pixels.
struct PrintTile {
    int srcLeft = 0;
    int srcTop = 0;
    int srcWidth = 0;
    int srcHeight = 0;
    int dstLeft = 0;
    int dstTop = 0;
    int dstWidth = 0;
    int dstHeight = 0;
    bool operator==(const PrintTile&) const = default;
};

// The pages in printing order; none when the bitmap or the page has no area.
std::vector<PrintTile> PlanPrintPages(int bitmapWidth, int bitmapHeight, int pageWidth, int pageHeight);

} // namespace trassel
