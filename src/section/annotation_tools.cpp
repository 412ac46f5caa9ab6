#include "section/annotation_tools.h"

#include <algorithm>
#include <cstdlib>

namespace trassel {

MarkArea SoilLabelArea(Canvas& canvas, int x, int y, std::string_view soil)
{
    // A text box is about as high as twice the font's point size in pixels at 96 dpi; the
    // margin only makes the kept area larger than the mark.
    const int height = canvas.font().size * 2 + 8;
    return {x, y, canvas.textWidth(soil) + 4, height};
}

MarkArea PenStrokeArea(const Canvas& canvas, int x, int y)
{
    const Point from = canvas.penPos();
    const int margin = canvas.pen().width + 2;
    const int left = std::min(from.x, x) - margin;
    const int top = std::min(from.y, y) - margin;
    return {left, top, std::abs(x - from.x) + 2 * margin + 1, std::abs(y - from.y) + 2 * margin + 1};
}

MarkArea EraserArea(int x, int y) { return {x - 12, y - 12, 24, 24}; }

MarkArea WriteSoilLabel(Canvas& canvas, int x, int y, std::string_view soil)
{
    const MarkArea area = SoilLabelArea(canvas, x, y, soil);
    canvas.setBrushStyle(BrushStyle::Solid);
    canvas.setBrushColor(kWhite);
    canvas.textOut(x, y, soil);
    return area;
}

MarkArea PenStroke(Canvas& canvas, int x, int y)
{
    const MarkArea area = PenStrokeArea(canvas, x, y);
    canvas.setPenColor(kBlack);
    canvas.lineTo(x, y);
    return area;
}

MarkArea EraserStroke(Canvas& canvas, int x, int y)
{
    canvas.setBrushStyle(BrushStyle::Solid);
    canvas.setBrushColor(kWhite);
    canvas.fillRect(x - 12, y - 12, x + 12, y + 12);
    return EraserArea(x, y);
}

} // namespace trassel
