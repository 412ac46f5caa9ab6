// The section drawing checked on a recording canvas: coordinates, texts and the canvas state.
#include "section/section_renderer.h"
#include "section/picket_columns.h"

#include "base/error.h"
#include "support/probe_canvas.h"
#include "table/grid.h"
#include "base/numbers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <limits>
#include <random>
#include <string>

namespace trassel {
namespace {

using testing::ProbeCanvas;
using Kind = ProbeCanvas::Kind;
using Points = std::vector<Point>;

void SetColumn(Grid& grid, int col, int firstRow, std::initializer_list<const char*> texts)
{
    int row = firstRow;
    for (const char* text : texts)
        grid.setCell(col, row++, text);
}

// The depth table of the worked example: pickets 10, 10.5, 11 and depths 20, (empty), 35 in rows 2..4.
struct Section {
    Grid grid{10, 20};
    SectionParams params;
    SectionState state;
    ProbeCanvas canvas{kSectionStartWidth, kSectionStartHeight};
    SectionLayer layer{1, 2, 3, 0x112233, 0x445566, 0, true};

    Section()
    {
        SetColumn(grid, 1, 2, {"10", "10.5", "11"});
        SetColumn(grid, 2, 2, {"20", "", "35"});
        params.FirstDataRow = 2;
        params.LastDataRow = 4;
    }
    void plot() { PlotRazrezLayer(canvas, state, grid, params, layer); }
    std::string errorOfPlot()
    {
        try {
            plot();
        } catch (const Error& e) {
            return e.what();
        }
        return {};
    }
};

bool HasText(const ProbeCanvas& canvas, const std::string& text, Point at)
{
    for (const auto& op : canvas.of(Kind::Text))
        if (op.text == text && op.points.front() == at)
            return true;
    return false;
}

TEST(SectionRenderer, WorkedExampleOfThreeRows)
{
    Section s;
    s.plot();

    EXPECT_EQ(s.state.sectionWidth, 585);
    EXPECT_EQ(s.state.imageHeight, 355);
    EXPECT_EQ(s.canvas.width(), 585);
    EXPECT_EQ(s.canvas.height(), 355);
    ASSERT_EQ(s.canvas.indexOf(Kind::Resize), 0) << "the bitmap is sized before anything is drawn";

    const auto polygons = s.canvas.of(Kind::Polygon);
    ASSERT_EQ(polygons.size(), 1U);
    const auto& band = polygons[0];
    EXPECT_EQ(band.points, (Points{{85, 55}, {85, 75}, {285, 55}, {485, 90}, {485, 55}}));
    EXPECT_EQ(band.pen.width, 3);
    EXPECT_EQ(band.pen.color, 0x112233U);
    EXPECT_EQ(band.pen.style, PenStyle::Dashed) << "the outline keeps the style the guide lines left";
    EXPECT_EQ(band.brush.color, 0x445566U);
    EXPECT_EQ(band.brush.style, BrushStyle::Solid);

    // Depth labels 5 pixels below their vertex, none for the empty depth.
    const auto* depth20 = s.canvas.findText("20");
    ASSERT_NE(depth20, nullptr);
    EXPECT_EQ(depth20->points.front(), (Point{85, 80}));
    EXPECT_EQ(depth20->brush.color, kWhite);
    EXPECT_EQ(depth20->font.size, 7);
    EXPECT_TRUE(HasText(s.canvas, "35", {485, 95}));
    EXPECT_EQ(s.canvas.findText("0"), nullptr);

    // Picket labels, whole pickets bold and underlined.
    const auto* pk10 = s.canvas.findText("ПК10+00");
    ASSERT_NE(pk10, nullptr);
    EXPECT_EQ(pk10->points.front(), (Point{85, 20}));
    EXPECT_TRUE(pk10->font.bold);
    EXPECT_TRUE(pk10->font.underline);
    EXPECT_EQ(pk10->font.size, 7);
    const auto* plus50 = s.canvas.findText("+50");
    ASSERT_NE(plus50, nullptr);
    EXPECT_EQ(plus50->points.front(), (Point{285, 40}));
    EXPECT_FALSE(plus50->font.bold);
    EXPECT_FALSE(plus50->font.underline);
    EXPECT_TRUE(HasText(s.canvas, "ПК11+00", {485, 20}));

    // Glyphs centred on the whole pickets, their bottom row on y = H - 1.
    const auto glyphs = s.canvas.of(Kind::Picture);
    ASSERT_EQ(glyphs.size(), 2U);
    EXPECT_EQ(glyphs[0].points.front(), (Point{81, 30}));
    EXPECT_EQ(glyphs[1].points.front(), (Point{481, 30}));
    EXPECT_EQ(s.canvas.resourceLoads, 1);

    // Guide lines from the surface to the bottom edge, then the scale every 50 cm down to 2000 cm.
    const auto lines = s.canvas.of(Kind::Line);
    ASSERT_EQ(lines.size(), 2U + 41U);
    EXPECT_EQ(lines[0].points, (Points{{85, 55}, {85, 355}}));
    EXPECT_EQ(lines[1].points, (Points{{485, 55}, {485, 355}}));
    for (const auto& line : lines) {
        EXPECT_EQ(line.pen.width, 1);
        EXPECT_EQ(line.pen.color, kGray);
        EXPECT_EQ(line.pen.style, PenStyle::Dashed);
    }
    for (int i = 0; i <= 40; ++i) {
        const int y = 55 + 50 * i;
        EXPECT_EQ(lines[static_cast<std::size_t>(2 + i)].points, (Points{{85, y}, {485, y}}));
        EXPECT_TRUE(HasText(s.canvas, IntToText(50 * i) + "см", {25, y})) << i;
    }
    const auto* label100 = s.canvas.findText("100см");
    ASSERT_NE(label100, nullptr);
    EXPECT_EQ(label100->font.size, 10);
    EXPECT_EQ(label100->brush.color, kWhite);

    // Rows first, then the band over them, then the scale over the band.
    const int polygonAt = s.canvas.indexOf(Kind::Polygon);
    EXPECT_LT(s.canvas.indexOf(Kind::Picture), polygonAt);
    EXPECT_LT(s.canvas.indexOf(Kind::Line), polygonAt);
    EXPECT_GT(static_cast<int>(s.canvas.ops.size()) - 1, polygonAt);
    EXPECT_EQ(s.canvas.ops.back().text, "2000см");

    // The state the next drawing and the tools find.
    EXPECT_EQ(s.canvas.pen(), (PenState{1, kGray, PenStyle::Dashed}));
    EXPECT_EQ(s.canvas.font().size, 10);
    EXPECT_FALSE(s.canvas.font().bold);
    EXPECT_EQ(s.canvas.brush(), (BrushState{kWhite, BrushStyle::Solid}));
}

TEST(SectionRenderer, PicketLabelsAndWholePicketDetection)
{
    Section s;
    SetColumn(s.grid, 1, 2, {"10", "10.05", "10.00", "10.004", "10.996"});
    SetColumn(s.grid, 2, 2, {"", "", "", "", ""});
    s.params.LastDataRow = 6;
    s.plot();

    EXPECT_TRUE(HasText(s.canvas, "+5", {105, 40}));
    EXPECT_TRUE(HasText(s.canvas, "ПК10.00+00", {85, 20}));
    EXPECT_TRUE(HasText(s.canvas, "ПК10.004+00", {85, 20}));
    // Rounded to 11.00 but not a whole picket: its integer part is 10.
    EXPECT_TRUE(HasText(s.canvas, "+100", {485, 40}));
    EXPECT_EQ(s.canvas.of(Kind::Picture).size(), 3U);
    EXPECT_EQ(s.canvas.resourceLoads, 1);
    // No depth labels at all: every depth reads 0.
    EXPECT_EQ(s.canvas.of(Kind::Text).size(), 5U + 41U);
    EXPECT_EQ(s.canvas.of(Kind::Polygon).at(0).points,
              (Points{{85, 55}, {85, 55}, {105, 55}, {85, 55}, {85, 55}, {485, 55}, {483, 55}}));
}

TEST(SectionRenderer, DepthsAreRoundedHalfToEvenAndReadLeniently)
{
    Section s;
    SetColumn(s.grid, 1, 2, {"10", "10.25", "10.5", "10.75"});
    SetColumn(s.grid, 2, 2, {"12.5", "13.5", "7abc", "-10"});
    s.params.LastDataRow = 5;
    s.plot();

    EXPECT_TRUE(HasText(s.canvas, "12", {85, 72}));
    EXPECT_TRUE(HasText(s.canvas, "14", {185, 74}));
    EXPECT_TRUE(HasText(s.canvas, "7", {285, 67}));
    EXPECT_TRUE(HasText(s.canvas, "-10", {385, 50}));
    EXPECT_EQ(s.canvas.of(Kind::Polygon).at(0).points,
              (Points{{85, 55}, {85, 67}, {185, 69}, {285, 62}, {385, 45}, {385, 55}}));
}

TEST(SectionRenderer, OneRowAndTheDepthScaleLimits)
{
    Section s;
    s.params.LastDataRow = 2;
    s.params.step = 2500;
    s.plot();
    EXPECT_EQ(s.state.sectionWidth, 185);
    EXPECT_EQ(s.canvas.of(Kind::Polygon).at(0).points, (Points{{85, 55}, {85, 75}, {85, 55}}));
    auto lines = s.canvas.of(Kind::Line);
    ASSERT_EQ(lines.size(), 2U); // the whole picket's guide line and the 0 cm line
    EXPECT_EQ(lines[1].points, (Points{{85, 55}, {85, 55}}));
    EXPECT_TRUE(HasText(s.canvas, "0см", {25, 55}));

    // A step of 0 or less ends after the 0 cm line instead of looping for ever.
    for (int step : {0, -50}) {
        Section t;
        t.params.step = step;
        t.plot();
        int scaleLabels = 0;
        for (const auto& op : t.canvas.of(Kind::Text))
            scaleLabels += op.text.ends_with("см") ? 1 : 0;
        EXPECT_EQ(scaleLabels, 1) << step;
        EXPECT_EQ(t.canvas.ops.back().text, "0см");
    }

    // A shallow Dmax cuts the bitmap, not the band: the canvas clips it.
    Section u;
    u.params.Dmax = 10;
    u.params.SY = 2.0F;
    u.plot();
    EXPECT_EQ(u.canvas.height(), 75);
    EXPECT_EQ(u.canvas.of(Kind::Polygon).at(0).points, (Points{{85, 55}, {85, 95}, {285, 55}, {485, 125}, {485, 55}}));
    EXPECT_TRUE(HasText(u.canvas, "50см", {25, 155}));
}

TEST(SectionRenderer, UnreadablePicketEndsTheDrawingWhereItStands)
{
    Section s;
    SetColumn(s.grid, 1, 2, {"10", "abc", "11"});
    EXPECT_EQ(s.errorOfPlot(), "'abc' is not a valid floating point value");
    EXPECT_TRUE(HasText(s.canvas, "ПК10+00", {85, 20}));
    EXPECT_TRUE(s.canvas.of(Kind::Polygon).empty());
    EXPECT_EQ(s.canvas.findText("0см"), nullptr);
    EXPECT_EQ(s.state.sectionWidth, 585);

    // In the first row nothing has been changed yet.
    Section t;
    t.grid.setCell(1, 2, "");
    EXPECT_EQ(t.errorOfPlot(), "'' is not a valid floating point value");
    EXPECT_TRUE(t.canvas.ops.empty());
    EXPECT_EQ(t.state.sectionWidth, 200);
}

TEST(SectionRenderer, ImpossibleSizesAreRefusedBeforeAnythingChanges)
{
    const auto expectUntouched = [](const Section& s) {
        EXPECT_TRUE(s.canvas.ops.empty());
        EXPECT_EQ(s.canvas.width(), kSectionStartWidth);
        EXPECT_EQ(s.canvas.height(), kSectionStartHeight);
        EXPECT_EQ(s.state.sectionWidth, 200);
        EXPECT_EQ(s.state.imageHeight, 1100);
    };

    Section decreasing;
    SetColumn(decreasing.grid, 1, 2, {"11", "10.5", "10"});
    EXPECT_NE(decreasing.errorOfPlot().find("Пикеты убывают"), std::string::npos);
    expectUntouched(decreasing);

    Section reversedRange;
    reversedRange.params.FirstDataRow = 4;
    reversedRange.params.LastDataRow = 2;
    EXPECT_NE(reversedRange.errorOfPlot().find("стоит после последней"), std::string::npos);
    expectUntouched(reversedRange);

    Section tooWide;
    tooWide.params.SX = 2'000'000;
    EXPECT_NE(tooWide.errorOfPlot().find("слишком велик"), std::string::npos);
    expectUntouched(tooWide);

    Section absurd;
    absurd.grid.setCell(1, 4, "1e300");
    EXPECT_NE(absurd.errorOfPlot().find("слишком велик"), std::string::npos);
    expectUntouched(absurd);

    Section tooHigh;
    tooHigh.params.Dmax = 2'000'000'000;
    EXPECT_NE(tooHigh.errorOfPlot().find("слишком велик"), std::string::npos);
    expectUntouched(tooHigh);

    Section negativeHeight;
    negativeHeight.params.Dmax = -100;
    EXPECT_NE(negativeHeight.errorOfPlot().find("Высота"), std::string::npos);
    expectUntouched(negativeHeight);

    Section margins;
    margins.params.Lleft = -800;
    EXPECT_NE(margins.errorOfPlot().find("отступы"), std::string::npos);
    expectUntouched(margins);

    // A depth scale that gives no number at all is refused in words, not converted.
    Section noScale;
    noScale.params.SY = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(noScale.errorOfPlot(), "Высота разреза не получается числом. Проверьте максимальную глубину и масштаб Y. "
                                     "Разрез не построен.");
    expectUntouched(noScale);
    Section infiniteScale;
    infiniteScale.params.SY = std::numeric_limits<float>::infinity();
    EXPECT_NE(infiniteScale.errorOfPlot().find("слишком велик"), std::string::npos);
    expectUntouched(infiniteScale);
}

TEST(SectionRenderer, ReversedRangeWithRoomDrawsTheScaleButNoBand)
{
    Section s;
    SetColumn(s.grid, 1, 2, {"11", "10.5", "10"});
    s.params.FirstDataRow = 4;
    s.params.LastDataRow = 2;
    s.plot();
    EXPECT_EQ(s.state.sectionWidth, 585);
    EXPECT_TRUE(s.canvas.of(Kind::Polygon).empty());
    EXPECT_TRUE(s.canvas.of(Kind::Picture).empty());
    EXPECT_EQ(s.canvas.of(Kind::Line).size(), 41U);
}

TEST(SectionRenderer, LongRangesAndStrayValuesAreDrawnSafely)
{
    constexpr int rows = 25'000;
    Grid grid(3, rows + 2);
    for (int i = 0; i < rows; ++i) {
        grid.setCell(1, 2 + i, NumberToText(RoundTo(i * 0.01, 2)));
        grid.setCell(2, 2 + i, "30");
    }
    SectionParams params;
    params.FirstDataRow = 2;
    params.LastDataRow = rows + 1;
    SectionState state;
    ProbeCanvas canvas(kSectionStartWidth, kSectionStartHeight);
    PlotRazrezLayer(canvas, state, grid, params, SectionLayer{});
    const auto band = canvas.of(Kind::Polygon).at(0).points;
    ASSERT_EQ(band.size(), static_cast<std::size_t>(rows + 2));
    EXPECT_EQ(band[1], (Point{85, 85}));
    EXPECT_EQ(band.back(), (Point{state.sectionWidth - 100, 55}));
    EXPECT_EQ(canvas.of(Kind::Picture).size(), 250U);

    // A picket far off the line lands at the edge of the coordinate range, not on an overflow.
    Section s;
    SetColumn(s.grid, 1, 2, {"10", "1e12", "11"});
    SetColumn(s.grid, 2, 2, {"20", "1e300", "35"});
    s.plot();
    const auto stray = s.canvas.of(Kind::Polygon).at(0).points.at(2);
    EXPECT_EQ(stray, (Point{8'388'607, 8'388'607}));
}

// Every row's label boxes of one kind (depth or metre) on a drawing of the probe canvas.
std::vector<ProbeCanvas::Op> TextsAt(const ProbeCanvas& canvas, const std::function<bool(const ProbeCanvas::Op&)>& pick)
{
    std::vector<ProbeCanvas::Op> out;
    for (const auto& op : canvas.of(Kind::Text))
        if (pick(op))
            out.push_back(op);
    return out;
}

TEST(SectionRenderer, RowLabelsCloserThanTheirWidthAreThinnedWholePicketsNever)
{
    // A row every 10 cm: 0.4 px apart at the default scale, far closer than a label is wide.
    constexpr int rows = 3'000;
    Grid grid(3, rows + 2);
    for (int i = 0; i < rows; ++i) {
        grid.setCell(1, 2 + i, NumberToText(RoundTo(10 + i * 0.001, 3)));
        grid.setCell(2, 2 + i, NumberToText(40 + (i * 7) % 5)); // depths 40..44 in turn
    }
    SectionParams params;
    params.FirstDataRow = 2;
    params.LastDataRow = rows + 1;
    SectionState state;
    ProbeCanvas canvas(kSectionStartWidth, kSectionStartHeight);
    PlotRazrezLayer(canvas, state, grid, params, SectionLayer{});

    const int h = params.H;
    // Depth labels stand under the surface; the scale's labels ("50см") stand at the left margin.
    const auto isDepth = [&](const auto& op) { return op.points[0].y > h && op.text.find("см") == std::string::npos; };
    const auto depths = TextsAt(canvas, isDepth);
    const auto metres = TextsAt(canvas, [&](const auto& op) { return op.points[0].y == h - 15; });
    const auto pickets = TextsAt(canvas, [&](const auto& op) { return op.points[0].y == h - 35; });
    // Thinned, but still as many as fit side by side along the 1,200 px of line.
    EXPECT_LT(depths.size(), 200u);
    EXPECT_GT(depths.size(), 1200u / 30);
    EXPECT_LT(metres.size(), 200u);
    EXPECT_GT(metres.size(), 1200u / 40);
    // Rows from 10.000 to 10.004 are all the whole picket 10 (and so for 11 and 12): each of
    // them keeps its label, glyph and line, overlapping or not.
    ASSERT_EQ(pickets.size(), 15u);
    EXPECT_EQ(pickets[0].text, "ПК10+00");
    EXPECT_EQ(pickets[4].text, "ПК10.004+00");
    EXPECT_EQ(canvas.of(Kind::Picture).size(), 15u);
    // No two labels of a kind overlap or touch: each starts a small gap after the end of the one
    // before it (touching labels "50" "50" would read "5050").
    for (const auto* kind : {&depths, &metres})
        for (std::size_t i = 1; i < kind->size(); ++i) {
            const auto& a = (*kind)[i - 1];
            const auto& b = (*kind)[i];
            const bool apartVertically = std::abs(a.points[0].y - b.points[0].y) >= ProbeCanvas::kTextHeight;
            EXPECT_TRUE(b.points[0].x >= a.points[0].x + a.width + kSectionLabelGap || apartVertically)
                << b.text << " at " << b.points[0].x;
        }
    // The first row always gets its labels; the band keeps every row's vertex.
    EXPECT_EQ(depths.front().points[0], (Point{85, 55 + 40 + 5}));
    EXPECT_EQ(canvas.of(Kind::Polygon).at(0).points.size(), static_cast<std::size_t>(rows + 2));

    // Labels far enough apart are all drawn: rows a metre apart are 4 px apart at SX 400, so
    // at SX 4000 (40 px) every row has both labels.
    params.SX = 4000;
    params.LastDataRow = 2 + 200;
    for (int i = 0; i <= 200; ++i)
        grid.setCell(1, 2 + i, NumberToText(RoundTo(10 + i * 0.01, 2)));
    ProbeCanvas sparse(kSectionStartWidth, kSectionStartHeight);
    PlotRazrezLayer(sparse, state, grid, params, SectionLayer{});
    EXPECT_EQ(TextsAt(sparse, isDepth).size(), 201u);
    EXPECT_EQ(TextsAt(sparse, [&](const auto& op) { return op.points[0].y == h - 15; }).size(), 201u - 3u);
}

TEST(SectionRenderer, FontAndBrushCarryOverFromEarlierDrawing)
{
    Section s;
    s.canvas.setFont(FontState{"Liberation Serif", 14, true, false, 0xFF0000});
    s.canvas.setBrushStyle(BrushStyle::Vertical);
    SetColumn(s.grid, 1, 2, {"10.5", "10.75", "11"});
    s.plot();

    // Until the first whole picket the style left by the soil font stays; name and colour stay always.
    const auto* early = s.canvas.findText("+50");
    ASSERT_NE(early, nullptr);
    EXPECT_TRUE(early->font.bold);
    EXPECT_EQ(early->font.size, 7);
    EXPECT_EQ(early->font.name, "Liberation Serif");
    EXPECT_EQ(early->font.color, 0xFF0000U);
    EXPECT_EQ(early->brush.style, BrushStyle::Vertical) << "no box under a hatch";
    EXPECT_FALSE(s.canvas.findText("0см")->font.bold);
    EXPECT_EQ(s.canvas.font().name, "Liberation Serif");

    // With no whole picket no guide line precedes the band: its outline keeps the start's solid pen.
    Section t;
    SetColumn(t.grid, 1, 2, {"10.5", "10.75", "10.8"});
    t.plot();
    EXPECT_EQ(t.canvas.of(Kind::Polygon).at(0).pen.style, PenStyle::Solid);
}

TEST(SectionRenderer, ClearUsesTheImageControlHeight)
{
    ProbeCanvas canvas(300, 1100);
    SectionState state;
    state.imageHeight = 500;
    ClearRazrez(canvas, state);
    ASSERT_EQ(canvas.ops.size(), 1U);
    EXPECT_EQ(canvas.ops[0].kind, Kind::WhiteFill);
    EXPECT_EQ(canvas.ops[0].points, (Points{{0, 0}, {300, 500}}));
}

// The fast column of a picket must be the extended-precision one everywhere, above all where the
// double sum lands a hair from a pixel's edge: decimal pickets a whole number of pixels apart,
// scales that make a tenth of a metre a fraction of a pixel, margins either side of zero.
TEST(PicketColumns, EqualTheExtendedComputationAtEveryPixelEdge)
{
    const auto extended = [](double picket, double p1, int sx, long double left) {
        return SectionPixel((static_cast<long double>(picket) - p1) * sx + left);
    };
    std::mt19937 rng(11);
    int checked = 0;
    for (const int sx : {1, 3, 10, 100, 250, 400, 401, 1000, 4096, 100'000}) {
        for (const double p1 : {0.0, 10.0, 123.456, -7.25, 99'999.999}) {
            for (const long double left : {85.0L, 0.0L, -300.0L, 60.0L + 0.5L}) {
                const PicketColumns columns(p1, sx, left);
                // Pickets a thousandth apart from p1: every few of them lands on a pixel's edge
                // in exact arithmetic and on either side of it in binary.
                for (int i = -2000; i <= 2000; ++i) {
                    const double picket = RoundTo(p1 + i * 0.001, 3);
                    ASSERT_EQ(columns(picket), extended(picket, p1, sx, left))
                        << "picket " << picket << " p1 " << p1 << " sx " << sx;
                    ++checked;
                }
                std::uniform_real_distribution<double> anywhere(p1 - 50'000, p1 + 50'000);
                for (int i = 0; i < 500; ++i) {
                    const double picket = anywhere(rng);
                    ASSERT_EQ(columns(picket), extended(picket, p1, sx, left));
                    const double next = std::nextafter(picket, 1e300);
                    ASSERT_EQ(columns(next), extended(next, p1, sx, left));
                }
            }
        }
    }
    EXPECT_GT(checked, 100'000);

    // Off the pixel range and not a number: held and zero as the extended path has them.
    const PicketColumns columns(10.0, 400, 85.0L);
    for (const double picket :
         {1e12, -1e12, std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
          std::numeric_limits<double>::quiet_NaN(), 10.0 + 8'388'000.0 / 400, 10.0 - 8'388'800.0 / 400})
        EXPECT_EQ(columns(picket), extended(picket, 10.0, 400, 85.0L)) << picket;
    EXPECT_EQ(columns(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(columns(1e12), static_cast<int>(kSectionCoordLimit));
}

TEST(SectionPolygons, CheckedLayersAreDrawnFromTheLastSlotToTheFirst)
{
    Section s;
    SetColumn(s.grid, 3, 2, {"40", "50", "60"});
    SetColumn(s.grid, 4, 2, {"80", "90", "100"});
    const std::vector<SectionLayer> layers = {
        {1, 2, 3, 0x000001, 0x0000FF, 0, true},  // slot 0: drawn last, over the others
        {1, 3, 3, 0x000002, 0xFF0000, 4, true},  // slot 1
        {1, 4, 3, 0x000003, 0x00FF00, 0, false}, // slot 2: not checked
    };
    PlotRazrezPoligon(s.canvas, s.state, s.grid, s.params, layers);

    ASSERT_EQ(s.canvas.ops.front().kind, Kind::WhiteFill);
    EXPECT_EQ(s.canvas.ops.front().points, (Points{{0, 0}, {1042, 1100}}));
    const auto polygons = s.canvas.of(Kind::Polygon);
    ASSERT_EQ(polygons.size(), 2U);
    EXPECT_EQ(polygons[0].brush.color, 0xFF0000U);
    EXPECT_EQ(polygons[0].brush.style, BrushStyle::FDiagonal);
    EXPECT_EQ(polygons[1].brush.color, 0x0000FFU);
    EXPECT_EQ(polygons[1].points[1], (Point{85, 75}));
    EXPECT_EQ(s.state.sectionWidth, 585);
    EXPECT_EQ(s.state.imageWidth, 585);
    EXPECT_EQ(s.canvas.width(), 585);

    // Slot 0's texts find the hatch slot 1 left, so they stand without a box.
    const auto texts = s.canvas.of(Kind::Text);
    const auto lastDepth20 = std::find_if(texts.rbegin(), texts.rend(), [](const auto& op) { return op.text == "20"; });
    ASSERT_NE(lastDepth20, texts.rend());
    EXPECT_EQ(lastDepth20->brush.style, BrushStyle::FDiagonal);

    // After a layer without fill the brush turned solid with the first white label.
    Section t;
    SetColumn(t.grid, 3, 2, {"40", "50", "60"});
    const std::vector<SectionLayer> clearFirst = {{1, 2, 3, 0, 0xFFFFFF, 0, true}, {1, 3, 3, 0, 0x0000FF, 1, true}};
    PlotRazrezPoligon(t.canvas, t.state, t.grid, t.params, clearFirst);
    const auto tPolygons = t.canvas.of(Kind::Polygon);
    ASSERT_EQ(tPolygons.size(), 2U);
    EXPECT_EQ(tPolygons[0].brush.style, BrushStyle::Clear);
    const auto tTexts = t.canvas.of(Kind::Text);
    const auto slot0Depth = std::find_if(tTexts.rbegin(), tTexts.rend(),
                                         [](const auto& op) { return op.text == "20"; });
    ASSERT_NE(slot0Depth, tTexts.rend());
    EXPECT_EQ(slot0Depth->brush.style, BrushStyle::Solid);
}

TEST(SectionPolygons, NoCheckedLayerLeavesAWhiteBitmapOfTheStartWidth)
{
    Section s;
    const std::vector<SectionLayer> layers = {{1, 2, 3, 0, 0, 0, false}};
    PlotRazrezPoligon(s.canvas, s.state, s.grid, s.params, layers);
    ASSERT_EQ(s.canvas.ops.size(), 2U);
    EXPECT_EQ(s.canvas.ops[0].kind, Kind::WhiteFill);
    EXPECT_EQ(s.canvas.ops[1].kind, Kind::Resize);
    EXPECT_EQ(s.canvas.width(), 200);
    EXPECT_EQ(s.canvas.height(), 1100);
    EXPECT_EQ(s.state.imageWidth, 200);
}

TEST(SectionPolygons, RefusalComesBeforeClearingButUnreadableCellsAtTheirTurn)
{
    Section s;
    SetColumn(s.grid, 5, 2, {"12", "11", "10"});
    const std::vector<SectionLayer> refused = {{5, 2, 3, 0, 0, 0, true}, {1, 2, 3, 0, 0, 0, true}};
    EXPECT_THROW(PlotRazrezPoligon(s.canvas, s.state, s.grid, s.params, refused), Error);
    EXPECT_TRUE(s.canvas.ops.empty());

    // Column 6 is empty: slot 1 is drawn, then slot 0 fails, and the width is not applied.
    Section t;
    const std::vector<SectionLayer> unreadable = {{6, 2, 3, 0, 0, 0, true}, {1, 2, 3, 0, 0, 0, true}};
    EXPECT_THROW(PlotRazrezPoligon(t.canvas, t.state, t.grid, t.params, unreadable), Error);
    EXPECT_EQ(t.canvas.ops.front().kind, Kind::WhiteFill);
    EXPECT_EQ(t.canvas.of(Kind::Polygon).size(), 1U);
    EXPECT_EQ(t.state.imageWidth, 1042);
}

// What a drawing painted, op by op, as text: two drawings are the same when these are equal.
std::vector<std::string> Painted(const ProbeCanvas& canvas)
{
    std::vector<std::string> out;
    for (const auto& op : canvas.ops) {
        std::string line = std::to_string(static_cast<int>(op.kind)) + " " + op.text + " " + std::to_string(op.width) +
                           "x" + std::to_string(op.height) + " pen " + std::to_string(op.pen.width) + "/" +
                           std::to_string(op.pen.color) + " brush " + std::to_string(op.brush.color) + "/" +
                           std::to_string(static_cast<int>(op.brush.style)) + " font " + std::to_string(op.font.size) +
                           ":";
        for (const Point& p : op.points)
            line += " " + std::to_string(p.x) + "," + std::to_string(p.y);
        out.push_back(std::move(line));
    }
    return out;
}

TEST(SectionReadings, KeptReadingsDrawWhatFreshReadingsDraw)
{
    // Pickets with whole ones, odd depth texts, and two layers sharing the picket column.
    Grid grid(6, 300);
    for (int row = 2; row < 300; ++row) {
        grid.setCell(1, row, NumberToText(RoundTo(10.0 + (row - 2) * 0.05, 2)));
        const char* odd[] = {"12,5", " 7", "", "abc", "1e1"};
        grid.setCell(2, row, row % 7 == 0 ? odd[row % 5] : NumberToText(40 + row % 9));
        grid.setCell(3, row, NumberToText(90 + (row * 7) % 13));
    }
    const std::vector<SectionLayer> layers = {{1, 2, 3, 0x000001, 0x0000FF, 0, true},
                                              {1, 3, 2, 0x000002, 0xFF0000, 4, true}};
    SectionParams params;
    params.FirstDataRow = 2;
    params.LastDataRow = 150;
    SectionReadings kept;

    const auto compare = [&](const char* step) {
        ProbeCanvas withKept(kSectionStartWidth, kSectionStartHeight);
        ProbeCanvas fresh(kSectionStartWidth, kSectionStartHeight);
        SectionState a;
        SectionState b;
        PlotRazrezPoligon(withKept, a, grid, params, layers, kept);
        PlotRazrezPoligon(fresh, b, grid, params, layers);
        EXPECT_EQ(Painted(withKept), Painted(fresh)) << step;
        EXPECT_EQ(a.sectionWidth, b.sectionWidth) << step;
    };
    compare("first drawing");
    EXPECT_GT(kept.bytes(), 0U);
    params.SX = 120;
    params.SY = 1.5F;
    compare("new scales from kept readings");
    params.LastDataRow = 299;
    compare("a longer range goes on reading");
    params.FirstDataRow = 40;
    compare("another first row reads again");

    // Every kind of change to the grid is seen: a cell, a moved row, an inserted row, a swap.
    grid.setCell(2, 60, "250");
    grid.setCell(1, 100, NumberToText(14.9));
    compare("cells written");
    grid.moveRow(120, 80);
    compare("a row moved");
    grid.insertRow(90);
    grid.setCell(1, 90, NumberToText(14.4));
    compare("a row inserted");
    Grid other(6, 300);
    for (int row = 2; row < 300; ++row) {
        other.setCell(1, row, NumberToText(RoundTo(20.0 + (row - 2) * 0.1, 2)));
        other.setCell(2, row, NumberToText(30 + row % 5));
        other.setCell(3, row, NumberToText(70 + row % 4));
    }
    grid.swap(other);
    compare("the table exchanged in place");
}

TEST(SectionReadings, AFailedDrawingLeavesReadingsThatStayTrue)
{
    Section s;
    SetColumn(s.grid, 1, 2, {"10", "x", "11"});
    SectionReadings kept;
    const std::vector<SectionLayer> layers = {s.layer};
    EXPECT_THROW(PlotRazrezPoligon(s.canvas, s.state, s.grid, s.params, layers, kept), Error);
    // The same failure again from the kept readings, with the cell's own text in the message.
    ProbeCanvas again(kSectionStartWidth, kSectionStartHeight);
    std::string first;
    std::string second;
    try {
        PlotRazrezPoligon(s.canvas, s.state, s.grid, s.params, layers);
    } catch (const Error& e) {
        first = e.what();
    }
    try {
        PlotRazrezPoligon(again, s.state, s.grid, s.params, layers, kept);
    } catch (const Error& e) {
        second = e.what();
    }
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(first, second);

    s.grid.setCell(1, 3, "10.5");
    ProbeCanvas mended(kSectionStartWidth, kSectionStartHeight);
    ProbeCanvas fresh(kSectionStartWidth, kSectionStartHeight);
    PlotRazrezPoligon(mended, s.state, s.grid, s.params, layers, kept);
    PlotRazrezPoligon(fresh, s.state, s.grid, s.params, layers);
    EXPECT_EQ(Painted(mended), Painted(fresh));
    EXPECT_TRUE(mended.findText("ПК11+00") != nullptr);
}

} // namespace
} // namespace trassel
