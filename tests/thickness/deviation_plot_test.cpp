// The deviation plot: where its bars fall for the section's picket mapping, red only below the
// norm, one bar pair per pixel column however dense the line, nothing for gaps.
#include "thickness/deviation_plot.h"

#include "support/probe_canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

namespace trassel {
namespace {

using testing::ProbeCanvas;
using Kind = ProbeCanvas::Kind;

Compliance OneLayer(const std::vector<double>& positions, const std::vector<double>& thickness, double norm)
{
    Compliance c;
    c.points = PointsOf(positions, 2);
    LayerCompliance layer;
    layer.line.column = 2;
    layer.line.name = "Балласт";
    layer.line.thicknessCm = thickness;
    layer.line.normCm.assign(thickness.size(), norm);
    c.layers.push_back(layer);
    return c;
}

// The vertical bars of one colour: x -> (top, bottom) rows, bottom included.
std::map<int, std::pair<int, int>> Bars(const ProbeCanvas& canvas, Color color)
{
    std::map<int, std::pair<int, int>> bars;
    for (const auto& op : canvas.of(Kind::Line))
        if (op.pen.color == color && op.points[0].x == op.points[1].x) {
            EXPECT_EQ(bars.count(op.points[0].x), 0U) << "two bars in column " << op.points[0].x;
            bars[op.points[0].x] = {op.points[0].y, op.points[1].y - 1};
        }
    return bars;
}

TEST(DeviationPlot, BarsFollowTheSectionMappingAndTheSignOfTheDeviation)
{
    // Points every 10 m from 1000 m (picket 10) on; 30 cm of norm; one thin point at 1050 m, one
    // thick at 1100 m and a gap at 1150 m. 400 pixels per picket: 4 pixels per metre.
    std::vector<double> pos, t;
    for (int i = 0; i <= 20; ++i) {
        pos.push_back(1000 + 10 * i);
        t.push_back(30);
    }
    t[5] = 20;            // -10 cm
    t[10] = 40;           // +10 cm
    t[15] = std::nan(""); // a gap
    const Compliance c = OneLayer(pos, t, 30);
    const PicketAxis axis{10, 400, 85};
    const Rect box{85, 100, 85 + 800, 161};
    ProbeCanvas canvas(1000, 300);
    DrawDeviationPlot(canvas, c, 0, box, axis, {.rangeCm = 20});

    const auto red = Bars(canvas, kDeviationBelow);
    const auto blue = Bars(canvas, kDeviationAbove);
    // The thin point's share is 1045..1055 m: x 265..305, columns 265..304.
    ASSERT_EQ(red.size(), 40U);
    EXPECT_EQ(red.begin()->first, 265);
    EXPECT_EQ(red.rbegin()->first, 304);
    ASSERT_EQ(blue.size(), 40U);
    EXPECT_EQ(blue.begin()->first, 465);
    // Zero is in the middle of the plot's 59 rows (101..159): row 130; 10 of 20 cm is half of 29,
    // rounded to 15 rows either way.
    EXPECT_EQ(red.at(280), std::make_pair(130, 145));
    EXPECT_EQ(blue.at(480), std::make_pair(115, 130));
    // The gap draws nothing, and points on the norm give no bar either.
    for (int x = 665; x < 705; ++x)
        EXPECT_FALSE(red.count(x) || blue.count(x));
    // Labels of the range and the layer's name.
    EXPECT_NE(canvas.findText("+20"), nullptr);
    EXPECT_NE(canvas.findText("\u221220"), nullptr);
    EXPECT_NE(canvas.findText("Балласт, отклонение от нормы, см"), nullptr);

    // Values beyond the range stay inside the box.
    const Compliance deep = OneLayer(pos, std::vector<double>(21, -500), 30);
    ProbeCanvas clipped(1000, 300);
    DrawDeviationPlot(clipped, deep, 0, box, axis, {.rangeCm = 20, .labels = false});
    for (const auto& [x, span] : Bars(clipped, kDeviationBelow)) {
        EXPECT_GE(x, box.left + 1);
        EXPECT_LT(x, box.right - 1);
        EXPECT_LE(span.second, box.bottom - 2);
    }
}

TEST(DeviationPlot, ADenseLineKeepsEveryDipAndDrawsOneBarPairPerColumn)
{
    // 200,000 points 5 cm apart (10 km) on a 500-pixel box: 400 points per column. One point
    // alone dips 15 cm and one alone rises 12; neither may be averaged away.
    const std::size_t n = 200'000;
    std::vector<double> pos(n), t(n, 30);
    for (std::size_t i = 0; i < n; ++i)
        pos[i] = 0.05 * double(i);
    t[123'457] = 15;
    t[7'001] = 42;
    const Compliance c = OneLayer(pos, t, 30);
    const PicketAxis axis{0, 5, 0}; // 100 pickets on 500 pixels
    const Rect box{0, 0, 502, 41};
    ProbeCanvas canvas(600, 100);
    DrawDeviationPlot(canvas, c, 0, box, axis, {.rangeCm = 20, .labels = false});

    const auto red = Bars(canvas, kDeviationBelow);
    const auto blue = Bars(canvas, kDeviationAbove);
    ASSERT_EQ(red.size(), 1U);
    EXPECT_EQ(red.begin()->first, static_cast<int>(std::floor(axis.x(pos[123'457]))));
    ASSERT_EQ(blue.size(), 1U);
    EXPECT_EQ(blue.begin()->first, static_cast<int>(std::floor(axis.x(pos[7'001]))));
    EXPECT_LT(canvas.of(Kind::Line).size(), 20U);

    // Only the part of the line over the box is drawn: a box over the second half shows the dip
    // at its own x and not the rise.
    ProbeCanvas half(600, 100);
    DrawDeviationPlot(half, c, 0, {250, 0, 502, 41}, axis, {.rangeCm = 20, .labels = false});
    EXPECT_EQ(Bars(half, kDeviationBelow).size(), 1U);
    EXPECT_TRUE(Bars(half, kDeviationAbove).empty());

    // A layer that is not there, or a box too small, draws nothing.
    ProbeCanvas none(600, 100);
    DrawDeviationPlot(none, c, 1, box, axis);
    DrawDeviationPlot(none, c, 0, {0, 0, 2, 40}, axis);
    EXPECT_TRUE(none.ops.empty());
}

TEST(DeviationPlot, TheRangeIsRoundAndHoldsEveryDeviation)
{
    LayerLine l;
    EXPECT_EQ(DeviationRangeCm(l), 5);
    l.thicknessCm = {30, 23, std::nan("")};
    l.normCm = {30, 30, 30};
    EXPECT_EQ(DeviationRangeCm(l), 10);
    l.thicknessCm = {51, 30, 30};
    EXPECT_EQ(DeviationRangeCm(l), 25);
    l.thicknessCm = {30, 30, 150};
    EXPECT_EQ(DeviationRangeCm(l), 200);
    EXPECT_EQ(DeviationLabel(2.5), "+2,5");
    EXPECT_EQ(DeviationLabel(-0.01), "0");
    EXPECT_EQ(DeviationLabel(-25), "\u221225");
}

} // namespace
} // namespace trassel
