#include "boreholes/boreholes.h"
#include "chart/chart_model.h"
#include "document/survey_document.h"
#include "support/probe_canvas.h"
#include "table/grid.h"
#include "table/grid_io.h"

#include "support/error_text.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstring>
#include <memory>
#include <vector>
#include <string>

using namespace trassel;
using trassel::testing::ProbeCanvas;

namespace {

// A borehole table: row 1 the titles, then one row per borehole (picket, labels, -, depth).
void SetBoreholes(Grid& g, const std::vector<std::array<const char*, 5>>& rows)
{
    g.setColCount(6);
    g.setRowCount(static_cast<int>(rows.size()) + 2);
    NumberGridHeaders(g);
    const std::string_view titles[] = {"ПК", "Название", "Грунт", "-", "Глубина"};
    g.setCells(1, 1, titles, 5);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::string_view cells[] = {rows[i][0], rows[i][1], rows[i][2], rows[i][3], rows[i][4]};
        g.setCells(static_cast<int>(i) + 2, 1, cells, 5);
    }
}

std::unique_ptr<char[]> Bytes(const std::string& text)
{
    auto bytes = std::make_unique<char[]>(text.size());
    std::memcpy(bytes.get(), text.data(), text.size());
    return bytes;
}

} // namespace

TEST(Boreholes, TheWorkedExampleOnTheSection)
{
    Grid depth(3, 5);
    depth.setCell(1, 2, "10.0");
    Grid skv(2, 2);
    SetBoreholes(skv, {{"10.5", "Скв.1", "супесь", "", "250"}});
    ProbeCanvas canvas(1042, 1100);
    PlotSkv(canvas, depth, skv, SectionParams{}, "1");
    const auto lines = canvas.of(ProbeCanvas::Kind::Line);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].points, (std::vector<Point>{{285, 55}, {285, 305}}));
    EXPECT_EQ(lines[0].pen.width, 5);
    EXPECT_EQ(lines[1].points, (std::vector<Point>{{278, 305}, {292, 305}}));
    EXPECT_EQ(lines[1].pen.width, 4);
    const auto* depthText = canvas.findText("250");
    ASSERT_NE(depthText, nullptr);
    EXPECT_EQ(depthText->points[0], (Point{295, 305}));
    EXPECT_EQ(depthText->font.size, 12);
    EXPECT_EQ(depthText->brush.color, kWhite);
    EXPECT_EQ(canvas.findText("Скв.1")->points[0], (Point{285, 305}));
    EXPECT_EQ(canvas.findText("супесь")->points[0], (Point{285, 330}));
}

TEST(Boreholes, DepthsRoundHalfToEvenEmptyDepthsStandAtTheSurfaceAndCommasStopTheReading)
{
    Grid depth(3, 5);
    depth.setCell(1, 2, "10");
    Grid skv(2, 2);
    SetBoreholes(skv, {{"10", "a", "b", "", "2.5"},
                       {"10", "c", "d", "", "3.5"},
                       {"12,5", "e", "f", "", ""},
                       {"10.5", "g", "h", "", "0"}});
    ProbeCanvas canvas(2000, 1100);
    PlotSkv(canvas, depth, skv, SectionParams{}, "1");
    const auto lines = canvas.of(ProbeCanvas::Kind::Line);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0].points[1].y, 57);  // 2.5 rounds to 2
    EXPECT_EQ(lines[2].points[1].y, 59);  // 3.5 rounds to 4
    EXPECT_EQ(lines[4].points[0].x, 885); // "12,5" reads as 12: (12 - 10) x 400 + 85
    EXPECT_EQ(lines[4].points[1].y, 55);  // an empty depth: a stem of no length at the surface
    EXPECT_EQ(lines[6].points[1].y, 55);

    ChartModel chart;
    const SeriesId series = chart.createSeries(SeriesKind::Point);
    BuildSkv(chart, series, skv);
    BuildSkv(chart, series, skv); // twice: one point per borehole still
    const ChartSeries& s = chart.series(series);
    ASSERT_EQ(s.count(), 2u); // the empty and the zero depth are not on the diagram
    EXPECT_DOUBLE_EQ(s.ys()[0], 2);
    EXPECT_DOUBLE_EQ(s.ys()[1], 4);
    EXPECT_TRUE(s.marks().visible);
    EXPECT_EQ(s.marks().arrowLength, -25);
    EXPECT_TRUE(s.marks().transparent);
    EXPECT_EQ(s.marks().font, (MarkFont{true, 12, 0xFF0000}));
    EXPECT_EQ(s.pointer().horizSize, 15);
    EXPECT_EQ(s.pointer().vertSize, 1);
    EXPECT_EQ(s.brushColor(), 0xFF0000u);
    EXPECT_EQ(s.markText(0), "2");
    EXPECT_EQ(s.rows()[0], -1); // no depth-table row behind a borehole
}

TEST(Boreholes, BadPicketsStopBeforeTheFirstBoreholeAndAnEmptyTableReadsNothing)
{
    Grid depth(3, 5);
    depth.setCell(1, 2, "км");
    Grid skv(2, 2);
    ProbeCanvas canvas(500, 500);
    EXPECT_EQ(errorText([&] { PlotSkv(canvas, depth, skv, SectionParams{}, "x"); }),
              "(no error)"); // two rows: nothing read
    SetBoreholes(skv, {{"10", "a", "b", "", "100"}});
    EXPECT_EQ(errorText([&] { PlotSkv(canvas, depth, skv, SectionParams{}, "x"); }),
              "'x' is not a valid integer value");
    EXPECT_EQ(errorText([&] { PlotSkv(canvas, depth, skv, SectionParams{}, "1"); }),
              "'км' is not a valid floating point value");
    EXPECT_TRUE(canvas.ops.empty());
}

TEST(Boreholes, FarOffBoreholesAreSkippedAndExtremeParametersOverflowNothing)
{
    Grid depth(3, 5);
    depth.setCell(1, 2, "10.0");
    Grid skv(2, 2);
    // Pickets and depths no coordinate can hold, around one borehole that stands where it should.
    SetBoreholes(skv, {{"1e300", "far", "", "", "250"},
                       {"10.5", "deep", "", "", "1e300"},
                       {"-1e300", "back", "", "", "250"},
                       {"10.5", "ok", "", "", "250"},
                       {"10.5", "high", "", "", "-1e300"}});
    ProbeCanvas canvas(1042, 1100);
    PlotSkv(canvas, depth, skv, SectionParams{}, "1");
    const auto lines = canvas.of(ProbeCanvas::Kind::Line);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].points, (std::vector<Point>{{285, 55}, {285, 305}}));
    EXPECT_EQ(lines[1].points, (std::vector<Point>{{278, 305}, {292, 305}}));
    for (const char* skipped : {"far", "deep", "back", "high"})
        EXPECT_EQ(canvas.findText(skipped), nullptr) << skipped;
    ASSERT_NE(canvas.findText("ok"), nullptr);

    // The label line below the surface takes any depth the spin edit holds; it stands at the
    // farthest coordinate the canvas draws, as the section's own far-off points do.
    Grid one(2, 2);
    SetBoreholes(one, {{"10.5", "ok", "", "", "250"}});
    for (const int isso : {INT_MAX, INT_MIN}) {
        SectionParams params;
        params.ISSO = isso;
        ProbeCanvas labels(1042, 1100);
        PlotSkv(labels, depth, one, params, "1");
        const auto* label = labels.findText("ok");
        ASSERT_NE(label, nullptr) << isso;
        EXPECT_EQ(label->points[0], (Point{285, isso > 0 ? 8'388'607 : -8'388'607})) << isso;
        EXPECT_EQ(labels.of(ProbeCanvas::Kind::Line).size(), 2u) << isso;
    }
    // Margins and scales at the ends of their ranges put the borehole off any canvas: skipped.
    SectionParams wide;
    wide.Lleft = INT_MAX;
    SectionParams left;
    left.SX = INT_MIN;
    SectionParams tall;
    tall.SY = 3e38F;
    SectionParams low;
    low.H = INT_MIN;
    for (const SectionParams& params : {wide, left, tall, low}) {
        ProbeCanvas off(1042, 1100);
        PlotSkv(off, depth, one, params, "1");
        EXPECT_TRUE(off.of(ProbeCanvas::Kind::Line).empty());
        EXPECT_EQ(off.findText("ok"), nullptr);
    }
}

TEST(BoreholeImport, TheTableIsNumberedWithTwoFixedRowsAndUndoGivesTheFormerOneBack)
{
    // Keeps the edits the document hands over, to take them back.
    struct Sink : EditSink {
        std::vector<std::unique_ptr<Edit>> edits;
        void push(std::unique_ptr<Edit> e) override { edits.push_back(std::move(e)); }
    } sink;
    SurveyDocument doc;
    doc.setEditSink(&sink);
    const std::string file = "PK\tName\tSoil\t-\tDepth\r\n1\ta\tb\t\t100\r\n2\tc\td\t\t200\r\n3\te\tf\t\t300\r\n";
    EXPECT_TRUE(doc.importBoreholes(Bytes(file), file.size()));
    Grid& skv = doc.boreholeTable();
    EXPECT_EQ(skv.rowCount(), 5);
    EXPECT_EQ(skv.colCount(), 6);
    EXPECT_EQ(skv.fixedRows(), 2);
    EXPECT_EQ(skv.cell(0, 0), "0/0");
    EXPECT_EQ(skv.cell(5, 0), "5");
    EXPECT_EQ(skv.cell(0, 4), "4");
    EXPECT_EQ(skv.cell(5, 4), "300");
    ASSERT_EQ(sink.edits.size(), 1u);
    sink.edits.back()->revert(doc);
    EXPECT_EQ(skv.rowCount(), 2);
    EXPECT_EQ(skv.cell(1, 1), "");
    EXPECT_EQ(skv.fixedRows(), 1);
    sink.edits.back()->apply(doc);
    EXPECT_EQ(skv.cell(5, 4), "300");
    EXPECT_EQ(doc.lastDataRow(), 19); // the depth table's range is not the borehole table's

    // A longer file, then a shorter one: the extra rows stay, emptied.
    std::string ten;
    for (int i = 0; i < 10; ++i)
        ten += std::to_string(i) + "\tx\r\n";
    doc.importBoreholes(Bytes(ten), ten.size());
    const std::string three = "a\r\nb\r\nc\r\n";
    doc.importBoreholes(Bytes(three), three.size());
    EXPECT_EQ(skv.rowCount(), 11);
    EXPECT_EQ(skv.cell(1, 3), "c");
    EXPECT_EQ(skv.cell(1, 4), "");
    EXPECT_EQ(skv.cell(2, 1), "");

    // The start table has two rows: a one-line file cannot have two fixed rows. The table
    // is in place and the grid's refusal is reported.
    SurveyDocument fresh;
    EXPECT_EQ(errorText([&] { fresh.importBoreholes(Bytes("only\r\n"), 6); }),
              "Fixed row count must be less than row count");
    EXPECT_EQ(fresh.boreholeTable().cell(1, 1), "only");
    EXPECT_EQ(fresh.boreholeTable().fixedRows(), 1);
    // A file the reader refuses changes nothing.
    const std::string before = GridExportText(skv);
    const std::string wide(70'000, '\t');
    EXPECT_NE(errorText([&] { doc.importBoreholes(Bytes(wide), wide.size()); }), "(no error)");
    EXPECT_EQ(GridExportText(skv), before);
}
