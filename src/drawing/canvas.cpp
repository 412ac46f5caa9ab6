#include "drawing/canvas.h"

#include "base/error.h"
#include "drawing/hatches.h"

#include <algorithm>
#include <climits>
#include <string>

namespace trassel {

BrushStyle BrushStyleFromOrdinal(int ordinal)
{
    if (ordinal < 0 || ordinal > static_cast<int>(BrushStyle::DiagCross))
        return BrushStyle::Solid;
    return static_cast<BrushStyle>(ordinal);
}

void CheckBitmapSize(long long width, long long height)
{
    const std::string size = std::to_string(width) + " × " + std::to_string(height);
    if (width < 0 || height < 0)
        throw Error("Недопустимый размер рисунка: " + size + " пикселей.");
    if (width > kMaxBitmapSide || height > kMaxBitmapSide || width * height > kMaxBitmapPixels)
        throw Error("Рисунок слишком велик: " + size + " пикселей. Допускается не более " +
                    std::to_string(kMaxBitmapSide) + " пикселей по стороне и не более " +
                    std::to_string(kMaxBitmapPixels) + " пикселей всего. Уменьшите масштаб или диапазон строк.");
}

void Canvas::setSize(int width, int height)
{
    if (width == width_ && height == height_)
        return;
    CheckBitmapSize(width, height);
    resizeBitmap(width, height);
    width_ = width;
    height_ = height;
}

void Canvas::setPenWidth(int width)
{
    if (pen_.width != width) {
        pen_.width = width;
        ++penVersion_;
    }
}

void Canvas::setPenColor(Color color)
{
    if (pen_.color != color) {
        pen_.color = color;
        ++penVersion_;
    }
}

void Canvas::setPenStyle(PenStyle style)
{
    if (pen_.style != style) {
        pen_.style = style;
        ++penVersion_;
    }
}

void Canvas::setBrushColor(Color color)
{
    const BrushState before = brush_;
    brush_.color = color;
    if (brush_.style == BrushStyle::Clear)
        brush_.style = BrushStyle::Solid;
    if (!(brush_ == before))
        ++brushVersion_;
}

void Canvas::setBrushStyle(BrushStyle style)
{
    if (brush_.style != style) {
        brush_.style = style;
        ++brushVersion_;
    }
}

void Canvas::setBrushHatch(int hatch)
{
    const auto value = static_cast<std::uint8_t>(std::clamp(hatch, 0, 255));
    if (brush_.hatch != value) {
        brush_.hatch = value;
        ++brushVersion_;
    }
}

void Canvas::setBrushOrdinal(int ordinal)
{
    const int hatch = HatchOfOrdinal(ordinal);
    // A hatch lies on its fill colour; the plain styles stay exactly as they were.
    setBrushStyle(hatch != 0 ? BrushStyle::Solid : BrushStyleFromOrdinal(ordinal));
    setBrushHatch(hatch);
}

void Canvas::setFontName(std::string_view name)
{
    if (font_.name != name) {
        font_.name = std::string(name);
        ++fontVersion_;
    }
}

void Canvas::setFontSize(int size)
{
    if (font_.size != size) {
        font_.size = size;
        ++fontVersion_;
    }
}

void Canvas::setFontStyle(bool bold, bool underline)
{
    if (font_.bold != bold || font_.underline != underline) {
        font_.bold = bold;
        font_.underline = underline;
        ++fontVersion_;
    }
}

void Canvas::setFontColor(Color color)
{
    if (font_.color != color) {
        font_.color = color;
        ++fontVersion_;
    }
}

void Canvas::setFont(const FontState& font)
{
    if (!(font_ == font)) {
        font_ = font;
        ++fontVersion_;
    }
}

void Canvas::lineTo(int x, int y)
{
    drawLine(pos_, {x, y});
    pos_ = {x, y};
}

void Canvas::polygon(std::span<const Point> vertices)
{
    if (!vertices.empty())
        drawPolygon(vertices);
}

void Canvas::textOut(int x, int y, std::string_view utf8)
{
    const long long right = static_cast<long long>(x) + drawText(x, y, utf8);
    pos_ = {static_cast<int>(std::clamp<long long>(right, INT_MIN, INT_MAX)), y};
}

int Canvas::textWidth(std::string_view utf8) { return measureText(utf8); }

void Canvas::draw(int x, int y, const Picture& picture)
{
    if (picture.width > 0 && picture.height > 0)
        drawPicture(x, y, picture);
}

void Canvas::fillRect(int left, int top, int right, int bottom)
{
    if (right > left && bottom > top)
        fillRectangle(left, top, right, bottom);
}

void Canvas::whiteFill(int left, int top, int right, int bottom)
{
    if (right > left && bottom > top)
        fillWhite(left, top, right, bottom);
}

} // namespace trassel
