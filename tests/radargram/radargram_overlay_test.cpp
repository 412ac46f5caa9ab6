// The boundaries over the radargram: rows placed by the registration and the depth model, only
// those in view and one a side, one lowest and highest point a pixel column on a dense survey,
// broken at an empty depth; the table read once and mended after one cell; the nearest row of a
// picket; the view kept around the cursor; and a click snapped to a synthetic reflection.
#include "base/numbers.h"
#include "radargram/radargram_overlay.h"
#include "table/grid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

namespace trassel {
namespace {

// Pickets in column 1 (row r at picket (r - 1) / 10, i.e. every 10 m from picket 0), depths in
// columns 2 and 3, rows 1..rows.
void FillSurvey(Grid& grid, int rows, double (*depth)(int row))
{
    for (int r = 1; r <= rows; ++r) {
        grid.setCell(1, r, NumberToText((r - 1) / 10.0));
        grid.setCell(2, r, NumberToText(depth(r)));
        grid.setCell(3, r, NumberToText(depth(r) + 30));
    }
}

// Traces 1 m apart from picket 0 (100 traces a picket), 0.5 ns a sample, eps 4 (15 cm/ns, so
// a depth of d cm is d / 7.495 ns after time zero 2 ns), one trace and one sample a pixel.
OverlayPlacement Placement(int plotWidth = 400, double firstTrace = 0)
{
    OverlayPlacement p;
    p.view = {firstTrace, 1.0, 0.0, 1.0};
    p.plotWidth = plotWidth;
    p.plotHeight = 300;
    p.registration = TraceRegistration({}, HeaderPlacement{1.0, 0.0});
    p.depth = DepthModel(4.0, 2.0);
    p.sampleNs = 0.5;
    return p;
}

double Flat(int) { return 50; }
double Ramp(int row) { return 40 + row % 7; }

TEST(RadargramOverlayTest, RowsArePlacedByTheRegistrationAndTheDepthModel)
{
    Grid grid(5, 100);
    FillSurvey(grid, 80, Flat);
    grid.setCell(2, 5, "60");
    RadargramOverlay overlay;
    overlay.update(grid, {{1, 2, 0x0000FF}, {1, 3, 0x00FF00}}, 1, 1, 80);
    const OverlayPlacement p = Placement();
    const std::vector<OverlayPath> paths = overlay.paths(p);
    ASSERT_EQ(paths.size(), 2u);
    EXPECT_EQ(paths[0].color, 0x0000FFu);
    ASSERT_EQ(paths[0].runs.size(), 1u);
    const std::vector<Point>& run = paths[0].runs[0];
    // Rows 1..40 lie at traces 0..390 (in view), row 41 at trace 400 just past the right edge.
    ASSERT_EQ(run.size(), 41u);
    const double sampleOf50 = (2.0 + 2 * 50 / (29.98 / 2)) / 0.5;
    EXPECT_EQ(run[0].x, p.left);
    EXPECT_EQ(run[0].y, static_cast<int>(std::lround(p.top + sampleOf50)));
    EXPECT_EQ(run[4].x, p.left + 40);
    EXPECT_EQ(run[4].y, static_cast<int>(std::lround(p.top + (2.0 + 2 * 60 / (29.98 / 2)) / 0.5)));
    EXPECT_EQ(run.back().x, p.left + 400);
    // The second layer lies 30 cm deeper: 4 ns, 8 samples, 8 pixels.
    EXPECT_EQ(paths[1].runs[0][0].y, run[0].y + 8);

    // Scrolled to traces 200..600: row 20 (trace 190) comes in from the left, row 61 (trace
    // 600) goes out on the right.
    const std::vector<OverlayPath> scrolled = overlay.paths(Placement(400, 200));
    ASSERT_EQ(scrolled[0].runs.size(), 1u);
    EXPECT_EQ(scrolled[0].runs[0].size(), 42u);
    EXPECT_EQ(scrolled[0].runs[0].front().x, p.left - 10);
    EXPECT_EQ(scrolled[0].runs[0].back().x, p.left + 400);

    // No placement (no step, no ties): nothing.
    OverlayPlacement unplaced = p;
    unplaced.registration = TraceRegistration();
    EXPECT_TRUE(overlay.paths(unplaced).empty());
}

TEST(RadargramOverlayTest, AnEmptyDepthBreaksTheLineAndFallingPicketsDrawNothing)
{
    Grid grid(5, 100);
    FillSurvey(grid, 30, Flat);
    grid.setCell(2, 10, "");
    grid.setCell(2, 11, "нет");
    RadargramOverlay overlay;
    overlay.update(grid, {{1, 2, 0}}, 1, 1, 30);
    const std::vector<OverlayPath> paths = overlay.paths(Placement());
    ASSERT_EQ(paths[0].runs.size(), 2u);
    EXPECT_EQ(paths[0].runs[0].size(), 9u);
    EXPECT_EQ(paths[0].runs[1].size(), 19u);

    // A picket that falls back along the range: the layer cannot be placed (the section refuses it too).
    grid.setCell(1, 20, "0.5");
    overlay.update(grid, {{1, 2, 0}}, 1, 1, 30);
    EXPECT_TRUE(overlay.paths(Placement())[0].runs.empty());
}

TEST(RadargramOverlayTest, ADenseSurveyKeepsEachColumnsLowestAndHighestDepth)
{
    // 20,000 rows a metre apart over 20 km... seen as 200 pixel columns of 100 traces each.
    constexpr int kRows = 20000;
    Grid grid(5, kRows + 2);
    for (int r = 1; r <= kRows; ++r) {
        grid.setCell(1, r, NumberToText((r - 1) / 100.0));
        grid.setCell(2, r, NumberToText(Ramp(r)));
    }
    RadargramOverlay overlay;
    overlay.update(grid, {{1, 2, 0}}, 1, 1, kRows);
    OverlayPlacement p = Placement(200);
    p.view.tracesPerPixel = 100.0;
    const std::vector<OverlayPath> paths = overlay.paths(p);
    ASSERT_EQ(paths[0].runs.size(), 1u);
    const std::vector<Point>& run = paths[0].runs[0];
    EXPECT_LE(run.size(), 2u * 200 + 2);
    const int yLow = static_cast<int>(std::lround(p.yOfSample(p.sampleOfDepth(40))));
    const int yHigh = static_cast<int>(std::lround(p.yOfSample(p.sampleOfDepth(46))));
    // Every column of the picture reaches both the shallowest and the deepest depth of its rows.
    for (int column = 0; column < 200; ++column) {
        bool low = false;
        bool high = false;
        for (const Point& point : run)
            if (point.x == p.left + column) {
                low = low || point.y == yLow;
                high = high || point.y == yHigh;
            }
        EXPECT_TRUE(low && high) << "column " << column;
    }
}

TEST(RadargramOverlayTest, TheTableIsReadOnceAndMendedAfterOneCell)
{
    Grid grid(5, 100);
    FillSurvey(grid, 50, Flat);
    RadargramOverlay overlay;
    const std::vector<OverlayLayer> layers{{1, 2, 0}};
    overlay.update(grid, layers, 1, 1, 50);
    EXPECT_EQ(overlay.reads(), 1u);
    overlay.update(grid, layers, 1, 1, 50);
    EXPECT_EQ(overlay.reads(), 1u);

    grid.setCell(2, 3, "80");
    overlay.update(grid, layers, 1, 1, 50);
    EXPECT_EQ(overlay.reads(), 1u) << "one cell is mended, not read again";
    const OverlayPlacement p = Placement();
    EXPECT_EQ(overlay.paths(p)[0].runs[0][2].y, static_cast<int>(std::lround(p.yOfSample(p.sampleOfDepth(80)))));

    // Two cells, another range or other layers: read again.
    grid.setCell(2, 4, "81");
    grid.setCell(2, 5, "82");
    overlay.update(grid, layers, 1, 1, 50);
    EXPECT_EQ(overlay.reads(), 2u);
    EXPECT_EQ(overlay.paths(p)[0].runs[0][4].y, static_cast<int>(std::lround(p.yOfSample(p.sampleOfDepth(82)))));
    overlay.update(grid, layers, 1, 1, 40);
    EXPECT_EQ(overlay.reads(), 3u);
    overlay.update(grid, {{1, 3, 0}}, 1, 1, 40);
    EXPECT_EQ(overlay.reads(), 4u);
    // A picket mended moves its row.
    grid.setCell(1, 2, "0.15");
    overlay.update(grid, {{1, 3, 0}}, 1, 1, 40);
    EXPECT_DOUBLE_EQ(overlay.picketOfRow(2).value_or(0), 0.15);
}

TEST(RadargramOverlayTest, TheNearestRowOfAPicket)
{
    Grid grid(5, 100);
    FillSurvey(grid, 50, Flat); // row r at picket (r - 1) / 10
    RadargramOverlay overlay;
    overlay.update(grid, {}, 1, 5, 40);
    EXPECT_EQ(overlay.nearestRow(1.02), 11);
    EXPECT_EQ(overlay.nearestRow(1.06), 12);
    EXPECT_EQ(overlay.nearestRow(-5), 5) << "before the range: its first row";
    EXPECT_EQ(overlay.nearestRow(100), 40) << "after it: its last";
    EXPECT_EQ(overlay.picketOfRow(11), 1.0);
    EXPECT_FALSE(overlay.picketOfRow(41));
    EXPECT_FALSE(overlay.nearestRow(std::nan("")));
    // Falling pickets are searched row by row.
    grid.setCell(1, 20, "0.05");
    overlay.update(grid, {}, 1, 5, 40);
    EXPECT_EQ(overlay.nearestRow(0.06), 20);
}

TEST(RadargramOverlayTest, AFallingRegistrationDrawsFromTheRight)
{
    Grid grid(5, 100);
    FillSurvey(grid, 40, Flat);
    RadargramOverlay overlay;
    overlay.update(grid, {{1, 2, 0}}, 1, 1, 40);
    OverlayPlacement p = Placement();
    // Trace 0 at picket 4, trace 400 at picket 0.
    p.registration = TraceRegistration({{0, 4.0}, {400, 0.0}}, HeaderPlacement{});
    const std::vector<OverlayPath> paths = overlay.paths(p);
    ASSERT_EQ(paths[0].runs.size(), 1u);
    const std::vector<Point>& run = paths[0].runs[0];
    EXPECT_EQ(run.front().x, p.left + 400); // row 1, picket 0
    EXPECT_EQ(run[10].x, p.left + 300);     // row 11, picket 1
    EXPECT_EQ(run.back().x, p.left + 10);   // row 40, picket 3.9
}

TEST(RadargramOverlayTest, TheViewFollowsTheCursorOnlyWhenItLeaves)
{
    const RadargramViewport view{1000, 2.0, 10, 1.0};
    EXPECT_EQ(ViewKeepingTrace(view, 1500, 500), view);
    const RadargramViewport right = ViewKeepingTrace(view, 1950, 500);
    EXPECT_DOUBLE_EQ(right.firstTrace, 1950 - 500);
    EXPECT_EQ(right.tracesPerPixel, 2.0);
    EXPECT_EQ(right.firstSample, 10.0);
    EXPECT_DOUBLE_EQ(ViewKeepingTrace(view, 100, 500).firstTrace, 100 - 500);
    EXPECT_EQ(ViewKeepingTrace(view, std::nan(""), 500), view);
}

// Writes down the lines and texts drawn.
class LineCanvas final : public Canvas {
public:
    LineCanvas() { initSize(2000, 1000); }
    std::vector<std::pair<Point, Point>> lines;
    std::vector<std::pair<Point, std::string>> texts;

protected:
    Picture resourceBitmap(std::string_view) override { return {}; }
    void resizeBitmap(int, int) override { }
    void drawLine(Point from, Point to) override { lines.emplace_back(from, to); }
    void drawPolygon(std::span<const Point>) override { }
    int drawText(int x, int y, std::string_view utf8) override
    {
        texts.emplace_back(Point{x, y}, std::string(utf8));
        return 0;
    }
    int measureText(std::string_view utf8) override { return static_cast<int>(utf8.size()) * 6; }
    int measureTextHeight() override { return 12; }
    void drawPicture(int, int, const Picture&) override { }
    void fillRectangle(int, int, int, int) override { }
    void fillWhite(int, int, int, int) override { }
};

TEST(RadargramOverlayTest, BoreholesAreMarkedDownToTheirDepthWhereTheyAreInView)
{
    Grid boreholes(6, 7);
    // Row 1 is the titles; rows 2..6 the boreholes: one without a depth, one beyond the view,
    // one deeper than the 150 ns shown.
    const char* rows[][2] = {{"1.5", "60"}, {"2", ""}, {"9", "80"}, {"0.2", "35.5"}, {"3", "2000"}};
    for (int r = 0; r < 5; ++r) {
        boreholes.setCell(1, r + 2, rows[r][0]);
        boreholes.setCell(5, r + 2, rows[r][1]);
    }
    const std::vector<OverlayBorehole> found = BoreholesOf(boreholes);
    ASSERT_EQ(found.size(), 4u);
    EXPECT_EQ(found[0].picket, 1.5);
    EXPECT_EQ(found[2].depthText, "35.5");

    LineCanvas canvas;
    const OverlayPlacement p = Placement();
    DrawBoreholes(canvas, p, found);
    // Picket 1.5 at trace 150, picket 0.2 at trace 20; picket 9 lies past the view's 400 traces.
    ASSERT_EQ(canvas.texts.size(), 2u);
    EXPECT_EQ(canvas.texts[0].second, "60");
    EXPECT_EQ(canvas.texts[1].second, "35.5");
    ASSERT_EQ(canvas.lines.size(), 5u);
    EXPECT_EQ(canvas.lines[0].first.x, p.left + 150);
    EXPECT_EQ(canvas.lines[0].first.y, static_cast<int>(std::lround(p.yOfSample(p.sampleOfDepth(0)))));
    EXPECT_EQ(canvas.lines[0].second.y, static_cast<int>(std::lround(p.yOfSample(p.sampleOfDepth(60)))));
    EXPECT_EQ(canvas.lines[2].first.x, p.left + 20);
    // The deep one runs down to the picture's last row and no farther, with no tick or depth.
    EXPECT_EQ(canvas.lines[4].first.x, p.left + 300);
    EXPECT_EQ(canvas.lines[4].second.x, p.left + 300);
    EXPECT_EQ(canvas.lines[4].second.y, p.top + p.plotHeight - 1);
}

// A Ricker wavelet of 800 MHz at `at` ns, 0.1 ns a sample, on a level of 1000.
std::vector<float> Trace(double at, double amplitude, double secondAt = -100)
{
    std::vector<float> trace(512);
    for (std::size_t s = 0; s < trace.size(); ++s) {
        const auto ricker = [&](double t) {
            const double a = std::pow(std::numbers::pi * 0.8 * t, 2);
            return (1 - 2 * a) * std::exp(-a);
        };
        const double t = static_cast<double>(s) * 0.1;
        trace[s] = static_cast<float>(1000 + amplitude * ricker(t - at) + 0.5 * amplitude * ricker(t - secondAt));
    }
    return trace;
}

TEST(RadargramOverlayTest, AClickSnapsToTheReflectionsEnvelopeWithinTheWindow)
{
    // A reflection at 20.34 ns (sample 203.4), clicked 1.5 ns above it: the window of 2 ns finds it.
    EXPECT_NEAR(SnapToReflection(Trace(20.34, 500), 188, 20), 203.4, 0.3);
    // Either polarity.
    EXPECT_NEAR(SnapToReflection(Trace(20.34, -500), 218, 20), 203.4, 0.3);
    // The stronger of two in the window; the weaker when only it is in reach.
    EXPECT_NEAR(SnapToReflection(Trace(20.0, 500, 23.0), 215, 20), 200, 0.3);
    EXPECT_NEAR(SnapToReflection(Trace(20.0, 500, 27.0), 265, 20), 270, 0.3);
    // No signal: the click stays.
    EXPECT_EQ(SnapToReflection(std::vector<float>(100, 7.0F), 40.5, 10), 40.5);
    EXPECT_EQ(SnapToReflection({}, 3, 10), 3);
    // A click near the end of the trace looks only inside it.
    const double end = SnapToReflection(Trace(50.5, 500), 505, 20);
    EXPECT_GE(end, 485);
    EXPECT_LE(end, 511);
}

} // namespace
} // namespace trassel
