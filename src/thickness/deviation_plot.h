#pragma once
// The deviation plot of one layer: its thickness minus its norm along the line, drawn into a box
// of a canvas under the section, with the same picket-to-x mapping as the section it stands
// under. Below zero is red. Each pixel column shows the least and the greatest deviation of the
// points whose shares of the line reach into it, so a million points draw as fast as a thousand
// and no short dip below the norm is lost between two columns.
#include "drawing/canvas.h"
#include "drawing/drawing_record.h"
#include "thickness/analysis.h"

#include <cstddef>
#include <string>

namespace trassel {

// Where a position along the line lies on the canvas: x = (metres / 100 - firstPicket) *
// pixelsPerPicket + leftX, the section's own mapping (and that of its printed sheet once
// pixelsPerPicket and leftX are taken in the sheet's pixels).
struct PicketAxis {
    double firstPicket = 0;
    double pixelsPerPicket = 400;
    double leftX = 85;
    double x(double metres) const { return (metres / 100.0 - firstPicket) * pixelsPerPicket + leftX; }
    double metresAt(double x) const { return ((x - leftX) / pixelsPerPicket + firstPicket) * 100.0; }
};

inline constexpr Color kDeviationBelow = 0x0000D0; // red
inline constexpr Color kDeviationAbove = 0xA06000; // blue

struct DeviationPlotStyle {
    // Half the height of the box stands for this many cm (zero in the middle); 0 takes
    // DeviationRangeCm of the layer. Values beyond it are drawn at the box's edge.
    double rangeCm = 0;
    Color below = kDeviationBelow;
    Color above = kDeviationAbove;
    Color frame = kBlack;
    // The layer's name at the top-left and the range's labels at the left edge, inside the box.
    bool labels = true;
    int fontSize = 7;
};

// A round half-range (5, 10, 20, 25, 50, 100, ... cm) that holds every deviation of the layer,
// 5 when it has none; used so all sheets of a line share one vertical scale.
double DeviationRangeCm(const LayerLine& layer);

// Draws layer `layer` of `compliance` into `box` (right and bottom excluded): the frame, the
// zero line, and per pixel column a bar from zero to the least deviation (red, when below zero)
// and to the greatest (blue, when above). Gaps (no thickness or no norm) stay empty. Only the
// points whose shares meet the box's columns are read. Nothing is drawn for an empty box or a
// layer number out of range.
void DrawDeviationPlot(Canvas& canvas, const Compliance& compliance, std::size_t layer, const Rect& box,
                       const PicketAxis& axis, const DeviationPlotStyle& style = {});

// The label of a deviation in cm: "+10", "0", "−10".
std::string DeviationLabel(double cm);

} // namespace trassel
