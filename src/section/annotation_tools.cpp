#include "section/annotation_tools.h"

namespace trassel {

void WriteSoilLabel(Canvas& canvas, int x, int y, std::string_view soil)
{
    canvas.setBrushStyle(BrushStyle::Solid);
    canvas.setBrushColor(kWhite);
    canvas.textOut(x, y, soil);
}

void PenStroke(Canvas& canvas, int x, int y)
{
    canvas.setPenColor(kBlack);
    canvas.lineTo(x, y);
}

void EraserStroke(Canvas& canvas, int x, int y)
{
    canvas.setBrushStyle(BrushStyle::Solid);
    canvas.setBrushColor(kWhite);
    canvas.fillRect(x - 12, y - 12, x + 12, y + 12);
}

} // namespace trassel
