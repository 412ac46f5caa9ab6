// The worked borehole example drawn on the Qt canvas: the pixels of the stem, the tick and
// the texts where the drawing puts them.
#include "boreholes/boreholes.h"
#include "section/annotation_tools.h"
#include "platform/qt_canvas.h"
#include "support/qt_app.h"
#include "table/grid.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <algorithm>

using namespace trassel;

namespace {

[[maybe_unused]] auto* const kApp = ::testing::AddGlobalTestEnvironment(
    new trassel::testing::QtAppEnvironment<QGuiApplication>);

bool IsBlack(const QImage& image, int x, int y) { return (image.pixel(x, y) & 0xFFFFFF) == 0; }

} // namespace

TEST(BoreholePixels, StemTickAndTextsOfTheWorkedExample)
{
    Grid depth(3, 5);
    depth.setCell(1, 2, "10.0");
    Grid skv(6, 3);
    const std::string_view row[] = {"10.5", "Скв.1", "супесь", "", "250"};
    skv.setCells(2, 1, row, 5);
    ImageCanvas canvas(1042, 1100);
    canvas.fillRect(0, 0, 1042, 1100); // white
    PlotSkv(canvas, depth, skv, SectionParams{}, "1");
    const QImage& image = canvas.image();
    // The stem, 5 pixels wide around x 285, from the surface (55) to the bottom (305).
    for (const int y : {60, 150, 300})
        for (const int x : {284, 285, 286})
            EXPECT_TRUE(IsBlack(image, x, y)) << x << "," << y;
    EXPECT_FALSE(IsBlack(image, 285, 40));  // nothing above the surface
    EXPECT_FALSE(IsBlack(image, 291, 150)); // nor beside the stem
    // The tick, 4 pixels thick, from x 278 at y 305; from x 285 on the first label's white
    // box, written after it at (285, 305), covers it.
    for (const int x : {279, 282})
        EXPECT_TRUE(IsBlack(image, x, 305)) << x;
    EXPECT_FALSE(IsBlack(image, 270, 305));
    EXPECT_FALSE(IsBlack(image, 290, 305));
    // Text ink to the right of the bottom (the depth) and at the two label lines.
    auto inkIn = [&](int x0, int y0, int w, int h) {
        int ink = 0;
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x)
                ink += qGray(image.pixel(x, y)) < 128;
        return ink;
    };
    EXPECT_GT(inkIn(296, 306, 30, 18), 10); // "250"
    EXPECT_GT(inkIn(288, 331, 60, 18), 10); // "супесь", the second label at y 330
    EXPECT_EQ(inkIn(600, 600, 100, 100), 0);
}

TEST(AnnotationPixels, TheEraserWhitensExactlyItsSquareAndALabelStandsAtItsCorner)
{
    ImageCanvas canvas(200, 200);
    canvas.setBrushColor(kBlack);
    canvas.fillRect(0, 0, 200, 200);
    EraserStroke(canvas, 50, 50);
    const QImage& image = canvas.image();
    auto white = [&](int x, int y) { return (image.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF; };
    EXPECT_TRUE(white(38, 38));
    EXPECT_TRUE(white(61, 61));
    EXPECT_TRUE(white(38, 61));
    EXPECT_FALSE(white(37, 50));
    EXPECT_FALSE(white(62, 50));
    EXPECT_FALSE(white(50, 37));
    EXPECT_FALSE(white(50, 62));
    EXPECT_EQ(canvas.brush().color, kWhite);

    // A label's white box starts at its corner, the letters on it.
    WriteSoilLabel(canvas, 100, 140, "Песок");
    EXPECT_TRUE(white(100, 140));
    EXPECT_FALSE(white(99, 140));
    int ink = 0;
    for (int y = 140; y < 140 + canvas.textHeight(); ++y)
        for (int x = 100; x < 100 + canvas.textWidth("Песок"); ++x)
            ink += white(x, y) ? 0 : 1; // the letters, smoothed at their edges
    EXPECT_GT(ink, 10);
}
