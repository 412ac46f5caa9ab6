#pragma once
// The hand annotations of the section: soil names written from the soil list, pen strokes
// and the eraser, drawn on the section's canvas (so they are exported and printed with it and
// vanish when the section is drawn again).
#include "drawing/canvas.h"

#include <string_view>

namespace trassel {

// A soil name with the top-left of its first character at (x, y), on a white box, in the
// canvas font; the brush is left solid white.
void WriteSoilLabel(Canvas& canvas, int x, int y, std::string_view soil);
// The pen: a black line from the current position to (x, y), with the pen's width and style
// as they are.
void PenStroke(Canvas& canvas, int x, int y);
// The eraser: the 24 x 24 pixels from (x - 12, y - 12) to (x + 11, y + 11) white; the brush
// is left solid white.
void EraserStroke(Canvas& canvas, int x, int y);

} // namespace trassel
