#pragma once
// The hand annotations of the section: soil names written from the soil list, pen strokes
// and the eraser, painted into the section bitmap itself (so they are exported and printed
// with it and vanish when the section is drawn again).
#include "platform/canvas.h"

#include <string_view>

namespace trassel {

// The rectangle a tool's mark may touch: left, top, width, height.
struct MarkArea {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// A soil name with the top-left of its first character at (x, y), on a white box, in the
// canvas font; the brush is left solid white.
MarkArea WriteSoilLabel(Canvas& canvas, int x, int y, std::string_view soil);
// The pen: a black line from the current position to (x, y), with the pen's width and style
// as they are.
MarkArea PenStroke(Canvas& canvas, int x, int y);
// The eraser: the 24 x 24 pixels from (x - 12, y - 12) to (x + 11, y + 11) white; the brush
// is left solid white.
MarkArea EraserStroke(Canvas& canvas, int x, int y);

// Where the next mark of each kind would reach, known before it is made (to keep its pixels).
MarkArea SoilLabelArea(Canvas& canvas, int x, int y, std::string_view soil);
MarkArea PenStrokeArea(const Canvas& canvas, int x, int y);
MarkArea EraserArea(int x, int y);

} // namespace trassel
