// The radargram laid along the section's axis: the traces under each pixel column through an
// uneven, a header-placed and a reversed registration, blank columns beyond the traces, zoomed
// in and out; the picture of such columns; the strip's depth labels; and the boundaries placed
// by the section's axis instead of the radargram's own view.
#include "base/numbers.h"
#include "radargram/mala_reader.h"
#include "radargram/radargram_overlay.h"
#include "radargram/radargram_render.h"
#include "radargram/radargram_strip.h"
#include "radargram_test_support.h"
#include "table/grid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace trassel {
namespace {

// The columns that show trace t (as the picture shows a span), left to right.
std::vector<int> ColumnsOf(const std::vector<TraceSpan>& spans, double t)
{
    std::vector<int> columns;
    for (std::size_t k = 0; k < spans.size(); ++k) {
        const TraceSpan& s = spans[k];
        const double lo = std::ceil(s.from);
        const double hi = std::ceil(s.to);
        const double shown = hi > lo ? -1 : std::floor((s.from + s.to) / 2.0);
        if ((hi > lo && t >= lo && t < hi) || (hi <= lo && t == shown))
            columns.push_back(static_cast<int>(k));
    }
    return columns;
}

int ColumnOf(const std::vector<TraceSpan>& spans, double t)
{
    const std::vector<int> columns = ColumnsOf(spans, t);
    return columns.empty() ? -1 : columns.front();
}

// Every trace is drawn within one pixel of its picket's x on the axis, and neighbouring columns
// share their edges (no trace twice, none lost between them).
void ExpectTracesUnderTheirPickets(const LineAxis& axis, int width, const TraceRegistration& reg, std::int64_t traces)
{
    const std::vector<TraceSpan> spans = TracesUnderColumns(axis, width, reg);
    ASSERT_EQ(spans.size(), static_cast<std::size_t>(width));
    for (std::size_t k = 0; k + 1 < spans.size(); ++k) {
        ASSERT_LE(spans[k].from, spans[k].to);
        const bool touch = spans[k].to == spans[k + 1].from || spans[k].from == spans[k + 1].to;
        ASSERT_TRUE(touch) << "column " << k;
    }
    for (std::int64_t t = 0; t < traces; ++t) {
        const double x = axis.x(*reg.picketOf(static_cast<double>(t)));
        if (x < 0 || x >= width)
            continue;
        // Zoomed in, a trace fills the columns up to the next trace's x; one of them is at its own.
        const std::vector<int> columns = ColumnsOf(spans, static_cast<double>(t));
        ASSERT_FALSE(columns.empty()) << "trace " << t;
        double nearest = 1e9;
        for (const int column : columns)
            nearest = std::min(nearest, std::abs(column - std::floor(x)));
        EXPECT_LE(nearest, 1.0) << "trace " << t << " at x " << x;
    }
}

TEST(RadargramStrip, EveryTraceLiesUnderItsPicketThroughAnUnevenRegistration)
{
    // 100 traces over the first half picket, 200 over the second: ties at unequal spacing.
    const TraceRegistration reg({{0, 10.0}, {100, 10.5}, {300, 11.0}}, {});
    // The section's scale (400 px a picket) from x 50, zoomed out 10 times and in 4 times.
    for (const double ppp : {400.0, 40.0, 1600.0})
        ExpectTracesUnderTheirPickets({10.0, ppp, 50}, 1000, reg, 301);

    // Before the first trace and after the last the columns are blank; the first and last
    // columns holding traces are those of traces 0 and 300.
    const LineAxis axis{10.0, 400, 50};
    const std::vector<TraceSpan> spans = TracesUnderColumns(axis, 1000, reg);
    const ColumnRange range = ColumnsWithTraces(spans, 301);
    EXPECT_EQ(range.first, 50);
    EXPECT_EQ(range.last, 451);
    // The first segment has 100 traces over 200 px, the second 200: half a trace and one a column.
    EXPECT_NEAR(spans[60].to - spans[60].from, 0.5, 1e-9);
    EXPECT_NEAR(spans[300].to - spans[300].from, 1.0, 1e-9);

    // Scrolled by 123 pixels: the same traces, 123 columns further left.
    const std::vector<TraceSpan> scrolled = TracesUnderColumns({10.0, 400, 50 - 123}, 1000, reg);
    EXPECT_EQ(ColumnOf(scrolled, 200), ColumnOf(spans, 200) - 123);
    EXPECT_EQ(ColumnsWithTraces(scrolled, 301).first, 0);
    EXPECT_EQ(ColumnsWithTraces(scrolled, 301).last, 451 - 123);
}

TEST(RadargramStrip, AReversedRunAndTheHeadersStepPlaceTracesToo)
{
    // Traces against the chainage: trace 0 at picket 20, trace 200 at picket 19.
    const TraceRegistration reversed({{0, 20.0}, {200, 19.0}}, {});
    ExpectTracesUnderTheirPickets({18.5, 400, 0}, 1000, reversed, 201);
    const std::vector<TraceSpan> spans = TracesUnderColumns({18.5, 400, 0}, 1000, reversed);
    // Picket 19 (trace 200) at x 200, picket 20 (trace 0) at x 600; the traces fall across.
    EXPECT_GT(spans[300].from, spans[500].from);
    // Two pixels a trace: against the chainage a trace fills the two columns left of its x.
    const ColumnRange range = ColumnsWithTraces(spans, 201);
    EXPECT_EQ(range.first, 198);
    EXPECT_EQ(range.last, 600);

    // Without ties the header's step: 0.5 m a trace from 10 m.
    const TraceRegistration header({}, HeaderPlacement{0.5, 10.0});
    ExpectTracesUnderTheirPickets({0.0, 400, 7}, 600, header, 1000);

    // Nothing placed, or an axis without a scale: no columns at all.
    EXPECT_TRUE(TracesUnderColumns({0, 400, 0}, 100, TraceRegistration()).empty());
    EXPECT_TRUE(TracesUnderColumns({0, 0, 0}, 100, header).empty());
    EXPECT_TRUE(TracesUnderColumns({0, 400, 0}, 0, header).empty());
}

// An RD3 file in memory whose neighbouring traces differ: trace t holds 1000·(t mod 7) - 3000
// in every sample.
class Levels {
public:
    explicit Levels(int traces)
    {
        test::ByteWriter w;
        for (int t = 0; t < traces; ++t)
            for (int s = 0; s < 4; ++s)
                w.append(static_cast<std::int16_t>(1000 * (t % 7) - 3000));
        bytes_ = w.bytes;
        reader_ = std::make_unique<MalaReader>(test::MemorySource(bytes_, "a.rd3"),
                                               test::WriteRad(4, std::to_string(traces)), "a.rad", false);
    }
    const RadargramReader& reader() const { return *reader_; }

private:
    std::string bytes_;
    std::unique_ptr<MalaReader> reader_;
};

std::vector<Color> ColumnOfPicture(const Picture& p, int x)
{
    std::vector<Color> column;
    for (int y = 0; y < p.height; ++y)
        column.push_back(p.pixel(x, y));
    return column;
}

TEST(RadargramStrip, ColumnsShowTheirOwnTracesInEitherOrderAndBlankOutsideTheFile)
{
    const Levels file(600);
    RasterStyle style;
    style.fullScale = 4000;
    // The column the radargram's page shows for `count` traces from `first`.
    const auto page = [&](double first, double count) {
        return ColumnOfPicture(RenderRadargram(file.reader(), 0, style, {first, count, 0, 4, 1, 4}), 0);
    };
    const std::vector<Color> white(4, kWhite);
    // Before the file, trace 5 alone, traces 6 and 7 averaged, past the last trace, falling
    // traces as a reversed run gives them, narrower than a trace, zoomed out over 100 traces.
    const std::vector<TraceSpan> spans{{-3, -2},   {5, 6},     {6, 8},     {599.5, 600.5},
                                       {401, 402}, {400, 401}, {0.2, 0.4}, {100, 200}};
    const Picture p = RenderRadargramColumns(file.reader(), 0, style, spans, 0, 4, 4);
    ASSERT_EQ(p.width, 8);
    ASSERT_EQ(p.height, 4);
    EXPECT_EQ(ColumnOfPicture(p, 0), white);
    EXPECT_EQ(ColumnOfPicture(p, 1), page(5, 1));
    EXPECT_EQ(ColumnOfPicture(p, 2), page(6, 2));
    EXPECT_NE(ColumnOfPicture(p, 1), ColumnOfPicture(p, 2));
    EXPECT_EQ(ColumnOfPicture(p, 3), white);
    EXPECT_EQ(ColumnOfPicture(p, 4), page(401, 1));
    EXPECT_EQ(ColumnOfPicture(p, 5), page(400, 1));
    EXPECT_NE(ColumnOfPicture(p, 4), ColumnOfPicture(p, 5));
    EXPECT_EQ(ColumnOfPicture(p, 6), page(0, 1));
    EXPECT_EQ(ColumnOfPicture(p, 7), page(100, 100));

    // A whole reversed strip reads its blocks backwards and shows the same as read forwards.
    std::vector<TraceSpan> falling;
    std::vector<TraceSpan> rising;
    for (int x = 0; x < 300; ++x) {
        falling.push_back({599.0 - 1.5 * (x + 1), 599.0 - 1.5 * x});
        rising.push_back({599.0 - 1.5 * (300 - x), 599.0 - 1.5 * (299 - x)});
    }
    const Picture back = RenderRadargramColumns(file.reader(), 0, style, falling, 0, 4, 4);
    const Picture forth = RenderRadargramColumns(file.reader(), 0, style, rising, 0, 4, 4);
    for (int x = 0; x < 300; x += 37)
        EXPECT_EQ(ColumnOfPicture(back, x), ColumnOfPicture(forth, 299 - x)) << x;

    // The uniform window of the radargram's page is the special case of equal columns.
    std::vector<TraceSpan> even;
    for (int x = 0; x < 50; ++x)
        even.push_back({10 + x * 2.5, 10 + (x + 1) * 2.5});
    const Picture a = RenderRadargramColumns(file.reader(), 0, style, even, 0, 4, 4);
    const Picture b = RenderRadargram(file.reader(), 0, style, {10, 125, 0, 4, 50, 4});
    EXPECT_EQ(a.pixels, b.pixels);
    // No columns: an empty picture.
    EXPECT_TRUE(RenderRadargramColumns(file.reader(), 0, style, {}, 0, 4, 4).pixels.empty());
}

TEST(RadargramStrip, DepthLabelsFollowTheDepthModelDownTheWindow)
{
    // eps 9: 10 cm/ns, 5 cm of depth a ns of two-way time. 100 samples of 0.5 ns (50 ns) over
    // 200 rows (4 a ns); time zero 10 ns at row 40; the window ends at 200 cm.
    const std::vector<DepthTick> ticks = StripDepthTicks(DepthModel(9.0 * 0.2998 * 0.2998 / 0.09, 10), 0.5, 100, 200,
                                                         20);
    ASSERT_EQ(ticks.size(), 5u);
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        EXPECT_NEAR(ticks[i].cm, 50.0 * static_cast<double>(i), 1e-9);
        EXPECT_NEAR(ticks[i].y, 40 + 40.0 * static_cast<double>(i), 1e-6);
    }
    // Layers of their own: the slow one below 60 cm squeezes the labels, never nearer than the gap.
    const std::vector<DepthTick> layered = StripDepthTicks(DepthModel({60}, {4, 25}, 2), 0.25, 512, 300, 18);
    ASSERT_GE(layered.size(), 3u);
    for (std::size_t i = 1; i < layered.size(); ++i)
        EXPECT_GE(layered[i].y - layered[i - 1].y, 18 - 1e-9) << i;
    EXPECT_LE(layered.back().y, 300);
    // No time window, no scale.
    EXPECT_TRUE(StripDepthTicks(DepthModel(6, 0), 0, 100, 200, 20).empty());
}

TEST(RadargramStrip, BoundariesArePlacedByTheSectionsAxis)
{
    // Pickets every 10 m from picket 0 in column 1, a flat boundary at 50 cm in column 2.
    Grid grid(4, 60);
    for (int r = 1; r <= 50; ++r) {
        grid.setCell(1, r, NumberToText((r - 1) / 10.0));
        grid.setCell(2, r, "50");
    }
    RadargramOverlay overlay;
    overlay.update(grid, {{1, 2, 0x0000FF}}, 1, 1, 50);
    OverlayPlacement p;
    // An uneven registration, which the section's axis must not follow.
    p.registration = TraceRegistration({{0, 0.0}, {30, 1.0}, {500, 5.0}}, {});
    p.depth = DepthModel(4.0, 2.0);
    p.sampleNs = 0.5;
    p.view = {0, 0, 0, 2.0}; // no trace scale of its own: the axis places
    p.left = 0;
    p.top = 0;
    p.plotWidth = 800;
    p.plotHeight = 100;
    p.line = LineAxis{0.0, 200, 30};
    ASSERT_TRUE(p.placed());
    EXPECT_DOUBLE_EQ(*p.xOfPicket(2.5), 530);
    EXPECT_DOUBLE_EQ(*p.picketOfX(130), 0.5);
    const std::vector<OverlayPath> paths = overlay.paths(p);
    ASSERT_EQ(paths.size(), 1u);
    ASSERT_EQ(paths[0].runs.size(), 1u);
    const std::vector<Point>& run = paths[0].runs[0];
    // Rows 1..39 (pickets 0..3.8) at x 30 + 200·picket: 20 px apart, whatever the traces do.
    ASSERT_GE(run.size(), 38u);
    EXPECT_EQ(run[0].x, 30);
    EXPECT_EQ(run[10].x, 230);
    EXPECT_EQ(run[20].x, 430);
    // 50 cm at 15 cm/ns is 6.67 ns after time zero 2 ns: sample 17.3, two samples a row.
    EXPECT_EQ(run[0].y, static_cast<int>(std::lround((2.0 + 2 * 50 / (29.98 / 2)) / 0.5 / 2.0)));
}

} // namespace
} // namespace trassel
