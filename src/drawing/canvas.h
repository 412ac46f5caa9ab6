#pragma once
// The raster drawing surface the section, the boreholes and the annotation tools draw on,
// free of any toolkit. The base class keeps the drawing state (pen, brush, font, current
// position, size) and its rules; a toolkit canvas only turns the primitive calls into pixels.
#include "base/color.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace trassel {

inline constexpr Color kBlack = 0x000000;
inline constexpr Color kWhite = 0xFFFFFF;
inline constexpr Color kGray = 0x808080;
inline constexpr Color kSilver = 0xC0C0C0;

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

enum class PenStyle : std::uint8_t { Solid, Dashed };

// The eight fill patterns in the order of their ordinals 0..7.
enum class BrushStyle : std::uint8_t { Solid, Clear, Horizontal, Vertical, FDiagonal, BDiagonal, Cross, DiagCross };

// The style of a stored ordinal; anything outside 0..7 falls back to solid so that a damaged
// value still draws something visible.
BrushStyle BrushStyleFromOrdinal(int ordinal);

struct PenState {
    int width = 1;
    Color color = kBlack;
    PenStyle style = PenStyle::Solid;
    bool operator==(const PenState&) const = default;
};

// A hatch (1.., drawing/hatches.h) fills with the colour and draws the soil's strokes over it in
// black; 0 is none, and then only the style counts.
struct BrushState {
    Color color = kWhite;
    BrushStyle style = BrushStyle::Solid;
    std::uint8_t hatch = 0;
    bool operator==(const BrushState&) const = default;
};

// Size is in points; the toolkit canvas turns it into pixels at 96 dots per inch.
struct FontState {
    std::string name = "DejaVu Sans";
    int size = 8;
    bool bold = false;
    bool underline = false;
    Color color = kBlack;
    bool operator==(const FontState&) const = default;
};

// A small raster held outside any toolkit (resource glyphs): pixels row by row from the top.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Color> pixels;

    Color pixel(int x, int y) const
    {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    }
};

// The largest bitmap a canvas agrees to hold. A side of a million pixels (100 km of line at
// 4 pixels per metre is 400,000) stays far inside the 24.8 fixed-point range the rasteriser
// works in; 256 Mi pixels are 1 GiB in memory and a 24-bit file of 768 MiB, below the 2 GiB
// that a bitmap file's 32-bit size fields can describe.
inline constexpr long long kMaxBitmapSide = 1'000'000;
inline constexpr long long kMaxBitmapPixels = 256LL * 1024 * 1024;

// Throws Error with a message the user can act on when a bitmap of this size cannot be made.
void CheckBitmapSize(long long width, long long height);

// Drawing state and rules of a bitmap's canvas; subclasses put the pixels on a real bitmap.
class Canvas {
public:
    Canvas() = default;
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    virtual ~Canvas() = default;

    int width() const { return width_; }
    int height() const { return height_; }
    // The pixels both sizes share stay; an added area takes the brush colour. A size beyond the
    // limits above throws before anything changes.
    void setWidth(int width) { setSize(width, height_); }
    void setHeight(int height) { setSize(width_, height); }
    void setSize(int width, int height);

    const PenState& pen() const { return pen_; }
    void setPenWidth(int width);
    void setPenColor(Color color);
    void setPenStyle(PenStyle style);

    const BrushState& brush() const { return brush_; }
    // Giving a colour to the no-fill brush makes it solid: a colour is only asked for to be seen.
    void setBrushColor(Color color);
    void setBrushStyle(BrushStyle style);
    // A soil hatch over the fill colour (0: none, the style alone).
    void setBrushHatch(int hatch);
    // A layer's fill by its ordinal: the eight styles 0..7, then the hatches (HatchOfOrdinal).
    void setBrushOrdinal(int ordinal);

    const FontState& font() const { return font_; }
    void setFontName(std::string_view name);
    void setFontSize(int size);
    void setFontStyle(bool bold, bool underline);
    void setFontColor(Color color);
    void setFont(const FontState& font);

    // Counters that move whenever the state really changes, so a toolkit canvas rebuilds its
    // pen, brush or font object only then.
    std::uint64_t penVersion() const { return penVersion_; }
    std::uint64_t brushVersion() const { return brushVersion_; }
    std::uint64_t fontVersion() const { return fontVersion_; }

    Point penPos() const { return pos_; }
    void moveTo(int x, int y) { pos_ = {x, y}; }
    // A line from the current position to (x, y) without its end pixel; (x, y) becomes current.
    void lineTo(int x, int y);
    // Interior by the even-odd rule with the brush, then the closed outline with the pen.
    void polygon(std::span<const Point> vertices);
    // Top-left of the text at (x, y); under a solid brush the text stands on a box of the brush
    // colour. The current position moves to the text's right end.
    void textOut(int x, int y, std::string_view utf8);
    int textWidth(std::string_view utf8);
    // Height of the box a text stands on in the canvas font.
    int textHeight() { return measureTextHeight(); }
    // Copies the whole picture, white included, with its top-left at (x, y).
    void draw(int x, int y, const Picture& picture);
    // Fills with the brush, the right column and bottom row excluded.
    void fillRect(int left, int top, int right, int bottom);
    // Sets every pixel of the rectangle (right and bottom excluded) white, whatever pen and brush.
    void whiteFill(int left, int top, int right, int bottom);
    // A bitmap of the program's resources by name ("Bitmap_2"); throws Error when there is none.
    virtual Picture resourceBitmap(std::string_view name) = 0;

protected:
    // Called with a size already checked; the subclass keeps the shared pixels and gives the
    // added area the brush colour.
    virtual void resizeBitmap(int width, int height) = 0;
    virtual void drawLine(Point from, Point to) = 0;
    virtual void drawPolygon(std::span<const Point> vertices) = 0;
    // Draws the text and returns its width in pixels.
    virtual int drawText(int x, int y, std::string_view utf8) = 0;
    virtual int measureText(std::string_view utf8) = 0;
    virtual int measureTextHeight() = 0;
    virtual void drawPicture(int x, int y, const Picture& picture) = 0;
    virtual void fillRectangle(int left, int top, int right, int bottom) = 0;
    virtual void fillWhite(int left, int top, int right, int bottom) = 0;

    // For subclasses that start with a bitmap of their own.
    void initSize(int width, int height)
    {
        width_ = width;
        height_ = height;
    }

private:
    int width_ = 0;
    int height_ = 0;
    PenState pen_;
    BrushState brush_;
    FontState font_;
    Point pos_;
    std::uint64_t penVersion_ = 0;
    std::uint64_t brushVersion_ = 0;
    std::uint64_t fontVersion_ = 0;
};

} // namespace trassel
