// The drawing-state rules every canvas shares, checked on the recording canvas.
#include "support/probe_canvas.h"

#include "base/error.h"

#include <gtest/gtest.h>

namespace trassel {
namespace {

using testing::ProbeCanvas;
using Kind = ProbeCanvas::Kind;

TEST(CanvasState, ColourOnTheNoFillBrushMakesItSolidButNotOnAHatch)
{
    ProbeCanvas canvas(10, 10);
    canvas.setBrushStyle(BrushStyle::Clear);
    canvas.setBrushColor(0x0000FF);
    EXPECT_EQ(canvas.brush().style, BrushStyle::Solid);
    EXPECT_EQ(canvas.brush().color, 0x0000FFU);

    // Style after colour keeps the no-fill style.
    canvas.setBrushStyle(BrushStyle::Clear);
    EXPECT_EQ(canvas.brush().style, BrushStyle::Clear);

    canvas.setBrushStyle(BrushStyle::Cross);
    canvas.setBrushColor(0x00FF00);
    EXPECT_EQ(canvas.brush().style, BrushStyle::Cross);
}

TEST(CanvasState, PenBrushAndFontPersistAcrossDrawingAndVersionsMoveOnlyOnChange)
{
    ProbeCanvas canvas(100, 100);
    canvas.setPenWidth(3);
    canvas.setPenColor(0x123456);
    canvas.setPenStyle(PenStyle::Dashed);
    canvas.setFontName("Liberation Serif");
    canvas.setFontSize(12);
    canvas.setFontStyle(true, false);
    canvas.setFontColor(0x0000FF);

    const auto penVersion = canvas.penVersion();
    const auto fontVersion = canvas.fontVersion();
    const auto brushVersion = canvas.brushVersion();
    canvas.setPenWidth(3);
    canvas.setFontSize(12);
    canvas.setBrushColor(canvas.brush().color);
    EXPECT_EQ(canvas.penVersion(), penVersion);
    EXPECT_EQ(canvas.fontVersion(), fontVersion);
    EXPECT_EQ(canvas.brushVersion(), brushVersion);

    canvas.moveTo(1, 1);
    canvas.lineTo(20, 1);
    canvas.textOut(5, 5, "abc");
    canvas.lineTo(30, 30);
    const auto lines = canvas.of(Kind::Line);
    ASSERT_EQ(lines.size(), 2U);
    for (const auto& op : lines) {
        EXPECT_EQ(op.pen.width, 3);
        EXPECT_EQ(op.pen.color, 0x123456U);
        EXPECT_EQ(op.pen.style, PenStyle::Dashed);
    }
    const auto text = canvas.of(Kind::Text).at(0);
    EXPECT_EQ(text.font.name, "Liberation Serif");
    EXPECT_EQ(text.font.size, 12);
    EXPECT_TRUE(text.font.bold);
    EXPECT_FALSE(text.font.underline);
    EXPECT_EQ(text.font.color, 0x0000FFU);

    canvas.setPenWidth(1);
    EXPECT_NE(canvas.penVersion(), penVersion);
}

TEST(CanvasState, CurrentPositionFollowsLinesAndTexts)
{
    ProbeCanvas canvas(100, 100);
    canvas.moveTo(3, 4);
    canvas.lineTo(10, 20);
    ASSERT_EQ(canvas.of(Kind::Line).at(0).points, (std::vector<Point>{{3, 4}, {10, 20}}));
    EXPECT_EQ(canvas.penPos(), (Point{10, 20}));

    // A text leaves the position at its right end, on its top line.
    canvas.textOut(7, 9, "ПК1");
    EXPECT_EQ(canvas.penPos(), (Point{7 + 3 * ProbeCanvas::kCharWidth, 9}));
    EXPECT_EQ(canvas.textWidth("ПК1"), 3 * ProbeCanvas::kCharWidth);
    canvas.lineTo(0, 0);
    EXPECT_EQ(canvas.of(Kind::Line).at(1).points.front(), (Point{25, 9}));
}

TEST(CanvasState, EmptyRectanglesAndPicturesDrawNothing)
{
    ProbeCanvas canvas(100, 100);
    canvas.fillRect(10, 10, 10, 20);
    canvas.fillRect(10, 10, 5, 20);
    canvas.whiteFill(0, 5, 10, 5);
    canvas.draw(0, 0, Picture{});
    canvas.polygon({});
    EXPECT_TRUE(canvas.ops.empty());
    canvas.fillRect(1, 2, 3, 4);
    ASSERT_EQ(canvas.ops.size(), 1U);
    EXPECT_EQ(canvas.ops[0].points, (std::vector<Point>{{1, 2}, {3, 4}}));
}

TEST(CanvasSize, LimitsAreCheckedBeforeAnythingChanges)
{
    ProbeCanvas canvas(100, 50);
    canvas.setSize(100, 50);
    EXPECT_TRUE(canvas.ops.empty()) << "an unchanged size must not rebuild the bitmap";

    canvas.setWidth(80000);
    EXPECT_EQ(canvas.width(), 80000);
    EXPECT_EQ(canvas.height(), 50);

    EXPECT_THROW(canvas.setWidth(static_cast<int>(kMaxBitmapSide) + 1), Error);
    EXPECT_THROW(canvas.setSize(1'000'000, 300), Error); // 300 M pixels
    EXPECT_THROW(canvas.setHeight(-1), Error);
    EXPECT_EQ(canvas.width(), 80000);
    EXPECT_EQ(canvas.height(), 50);
    EXPECT_EQ(canvas.of(Kind::Resize).size(), 1U);

    canvas.setSize(0, 0);
    EXPECT_EQ(canvas.width(), 0);

    try {
        CheckBitmapSize(2'000'000, 10);
        FAIL() << "an oversized bitmap was accepted";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("2000000 × 10"), std::string::npos) << e.what();
    }
    EXPECT_NO_THROW(CheckBitmapSize(kMaxBitmapSide, kMaxBitmapPixels / kMaxBitmapSide));
}

} // namespace
} // namespace trassel
