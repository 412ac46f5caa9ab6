#pragma once
// A canvas that draws no pixels and records every primitive with the state it was drawn in, so
// tests of the drawing routines can check coordinates, texts, pens and brushes directly.
#include "base/error.h"
#include "drawing/canvas.h"

#include <string>
#include <string_view>
#include <vector>

namespace trassel::testing {

class ProbeCanvas final : public Canvas {
public:
    enum class Kind { Resize, Line, Polygon, Text, Picture, FillRect, WhiteFill };

    struct Op {
        Kind kind;
        std::vector<Point> points; // line ends, polygon vertices, or the top-left of a text/picture
        std::string text;
        int width = 0; // new size, picture size or rectangle size
        int height = 0;
        PenState pen;
        BrushState brush;
        FontState font;
    };

    // Every character of the recorded texts is this wide.
    static constexpr int kCharWidth = 6;
    // ... and every line of text this high.
    static constexpr int kTextHeight = 12;

    ProbeCanvas(int width, int height) { initSize(width, height); }

    std::vector<Op> ops;
    int resourceLoads = 0;

    std::vector<Op> of(Kind kind) const
    {
        std::vector<Op> out;
        for (const Op& op : ops)
            if (op.kind == kind)
                out.push_back(op);
        return out;
    }
    // The first recorded text equal to `text`, or nullptr.
    const Op* findText(std::string_view text) const
    {
        for (const Op& op : ops)
            if (op.kind == Kind::Text && op.text == text)
                return &op;
        return nullptr;
    }
    // Position in `ops` of the first op of a kind, or -1.
    int indexOf(Kind kind) const
    {
        for (std::size_t i = 0; i < ops.size(); ++i)
            if (ops[i].kind == kind)
                return static_cast<int>(i);
        return -1;
    }

    Picture resourceBitmap(std::string_view name) override
    {
        ++resourceLoads;
        if (name != "Bitmap_2")
            throw Error("no resource " + std::string(name));
        Picture p;
        p.width = 8;
        p.height = 25;
        p.pixels.assign(8 * 25, kWhite);
        return p;
    }

    static int widthOf(std::string_view utf8)
    {
        int chars = 0;
        for (char c : utf8)
            if ((static_cast<unsigned char>(c) & 0xC0U) != 0x80U)
                ++chars;
        return chars * kCharWidth;
    }

protected:
    void resizeBitmap(int width, int height) override { record(Kind::Resize, {}, {}, width, height); }
    void drawLine(Point from, Point to) override { record(Kind::Line, {from, to}); }
    void drawPolygon(std::span<const Point> vertices) override
    {
        record(Kind::Polygon, std::vector<Point>(vertices.begin(), vertices.end()));
    }
    int drawText(int x, int y, std::string_view utf8) override
    {
        record(Kind::Text, {{x, y}}, std::string(utf8), widthOf(utf8), 0);
        return widthOf(utf8);
    }
    int measureText(std::string_view utf8) override { return widthOf(utf8); }
    int measureTextHeight() override { return kTextHeight; }
    void drawPicture(int x, int y, const Picture& picture) override
    {
        record(Kind::Picture, {{x, y}}, {}, picture.width, picture.height);
    }
    void fillRectangle(int left, int top, int right, int bottom) override
    {
        record(Kind::FillRect, {{left, top}, {right, bottom}});
    }
    void fillWhite(int left, int top, int right, int bottom) override
    {
        record(Kind::WhiteFill, {{left, top}, {right, bottom}});
    }

private:
    void record(Kind kind, std::vector<Point> points, std::string text = {}, int width = 0, int height = 0)
    {
        ops.push_back({kind, std::move(points), std::move(text), width, height, pen(), brush(), font()});
    }
};

} // namespace trassel::testing
