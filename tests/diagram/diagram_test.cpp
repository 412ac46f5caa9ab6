#include "diagram/diagram.h"

#include "base/error.h"
#include "layers/layers.h"
#include "table/grid.h"

#include "support/error_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace trassel {
namespace {

// A depth table with one header row: column 1 pickets, columns 2 and 3 depths, data from row 2.
struct Survey : ::testing::Test {
    Grid grid{6, 8};
    ChartModel chart;
    LayerManager layers{chart};
    Diagram diagram{chart, layers, 2};
    DiagramParams params;

    Survey()
    {
        params.FirstDataRow = 2;
        params.LastDataRow = 7;
        const char* pickets[] = {"12", "12.125", "12.3", "12.5", "12.75", "13"};
        const char* top[] = {"100", "2.5", "3.5", "150", "117.4", "abc"};
        const char* bottom[] = {"300", "310", "320", "330", "12,5", ""};
        for (int i = 0; i < 6; ++i) {
            grid.setCell(1, 2 + i, pickets[i]);
            grid.setCell(2, 2 + i, top[i]);
            grid.setCell(3, 2 + i, bottom[i]);
        }
    }

    const ChartSeries& picket() { return chart.series(diagram.PicketSeries()); }
    const ChartSeries& series(int slot) { return chart.series(layers.Layers(slot).Series); }
    const ChartSeries& horz() { return chart.series(diagram.cursor().HorzSeries); }
    const ChartSeries& vert() { return chart.series(diagram.cursor().VertSeries); }
    void build() { diagram.BuildChart(grid, params); }
    void key(DiagramKey k) { diagram.ChartKeyDown(grid, k, params); }
    void cursorAt(int row, int col)
    {
        diagram.cursor().Row = row;
        diagram.cursor().Col = col;
    }
};

TEST_F(Survey, StartUpCreatesThePicketLineAndBoreholesAttachedAndTheCursorDetached)
{
    EXPECT_EQ(chart.attached(), (std::vector<SeriesId>{diagram.PicketSeries(), diagram.SkvSeries()}));
    EXPECT_EQ(picket().kind(), SeriesKind::Line);
    EXPECT_EQ(chart.series(diagram.SkvSeries()).kind(), SeriesKind::Point);
    EXPECT_EQ(diagram.cursor().Row, 2);
    EXPECT_EQ(diagram.cursor().Col, 2);
    EXPECT_FALSE(chart.isAttached(diagram.cursor().HorzSeries));
    EXPECT_FALSE(chart.isAttached(diagram.cursor().VertSeries));
}

TEST_F(Survey, BuildFillsPicketLineAndCheckedLayersWithRoundedValues)
{
    layers.addLayer("1", 2);
    layers.addLayer("1", 3);
    build();

    EXPECT_EQ(picket().xs(), (std::vector<double>{12, 12.12, 12.3, 12.5, 12.75, 13}));
    EXPECT_EQ(picket().ys(), (std::vector<double>(6, 0.0)));
    EXPECT_EQ(picket().rows(), (std::vector<int>{2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(picket().color(), 255u);
    EXPECT_EQ(picket().penWidth(), 3);
    EXPECT_TRUE(picket().marks().visible);
    EXPECT_EQ(picket().marks().drawEvery, 20);
    EXPECT_EQ(picket().marks().style, MarkStyle::XValue);
    EXPECT_EQ(picket().marks().arrowLength, 20);
    EXPECT_TRUE(picket().marks().font.bold);
    EXPECT_EQ(picket().marks().font.size, 14);

    // Depths: halves to even, bad text reads 0 or its leading number.
    EXPECT_EQ(series(0).ys(), (std::vector<double>{100, 2, 4, 150, 117, 0}));
    EXPECT_EQ(series(1).ys(), (std::vector<double>{300, 310, 320, 330, 12, 0}));
    EXPECT_EQ(series(0).xs(), picket().xs());
    EXPECT_EQ(series(1).rows(), (std::vector<int>{2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(series(0).color(), layers.Layers(0).PointColor);
    EXPECT_EQ(series(1).color(), layers.Layers(1).PointColor);
    EXPECT_TRUE(series(0).marks().visible);
    EXPECT_EQ(series(0).marks().drawEvery, 10);
    EXPECT_EQ(series(0).marks().style, MarkStyle::Value);

    params.SeriesMarksVisible = false;
    params.SeriesFrequencyMarks = 3;
    build();
    EXPECT_FALSE(series(1).marks().visible);
    EXPECT_EQ(series(1).marks().drawEvery, 3);
}

TEST_F(Survey, LayersReadTheirOwnPicketColumnAndFollowTheirCheckBoxes)
{
    // Layer pickets are read leniently: a bad picket puts the point at 0, not an error.
    grid.setCell(4, 2, "5");
    grid.setCell(4, 3, "x");
    for (int r = 4; r <= 7; ++r)
        grid.setCell(4, r, std::to_string(r));
    layers.addLayer("1", 2);
    const TLayer& first = layers.Layers(0);
    layers.addLayer("4", 3); // its pickets in column 4
    params.ColX = "4";
    grid.setCell(4, 3, "3");
    build();
    EXPECT_EQ(picket().xs(), (std::vector<double>{3, 4, 5, 5, 6, 7}));
    EXPECT_EQ(series(0).xs(), (std::vector<double>{12, 12.12, 12.3, 12.5, 12.75, 13}));
    EXPECT_EQ(series(1).xs(), picket().xs());
    // Points are ranked by picket: row 3 (picket 3) comes first.
    EXPECT_EQ(series(1).rows(), (std::vector<int>{3, 4, 2, 5, 6, 7}));
    grid.setCell(4, 3, "x");
    params.ColX = "1";
    build();
    EXPECT_EQ(series(1).xs(), (std::vector<double>{0, 4, 5, 5, 6, 7}));

    // An unchecked layer is emptied but stays on the chart; checking it shows it again.
    layers.setChecked(first.Item, false);
    build();
    EXPECT_EQ(series(0).count(), 0u);
    EXPECT_TRUE(chart.isAttached(first.Series));
    layers.setChecked(first.Item, true);
    build();
    EXPECT_EQ(series(0).count(), 6u);
}

TEST_F(Survey, CursorIsACrossOfTwoRedPointsAttachedOnceAboveEarlierLayers)
{
    layers.addLayer("1", 2);
    cursorAt(5, 2);
    params.CursorHorzSize = 7;
    params.CursorVertSize = 9;
    params.CursorVertMarkVisible = false;
    build();
    build();

    EXPECT_EQ(diagram.cursor().X, 12.5);
    EXPECT_EQ(diagram.cursor().Y, 150);
    EXPECT_EQ(horz().xs(), (std::vector<double>{12.5}));
    EXPECT_EQ(vert().ys(), (std::vector<double>{150}));
    EXPECT_EQ(horz().rows(), (std::vector<int>{-1}));
    EXPECT_EQ(horz().pointer().color, 255u);
    EXPECT_EQ(vert().pointer().color, 255u);
    EXPECT_EQ(horz().pointer().horizSize, 7);
    EXPECT_EQ(horz().pointer().vertSize, 2);
    EXPECT_EQ(vert().pointer().horizSize, 2);
    EXPECT_EQ(vert().pointer().vertSize, 9);
    EXPECT_TRUE(horz().marks().visible);
    EXPECT_EQ(horz().marks().style, MarkStyle::Value);
    EXPECT_EQ(horz().marks().arrowLength, 30);
    EXPECT_FALSE(vert().marks().visible);
    EXPECT_EQ(vert().marks().style, MarkStyle::XValue);
    EXPECT_EQ(vert().marks().arrowLength, -90);
    EXPECT_EQ(vert().marks().angle, 90);
    EXPECT_EQ(vert().markText(0), "12.5");
    EXPECT_TRUE(vert().marks().font.bold);
    EXPECT_EQ(horz().marks().font.size, 14);

    // Attached once, after the series that existed at the first build; a later layer goes on top.
    layers.addLayer("1", 3);
    build();
    const ChartCursor& c = diagram.cursor();
    EXPECT_EQ(chart.attached(),
              (std::vector<SeriesId>{diagram.PicketSeries(), diagram.SkvSeries(), layers.Layers(0).Series, c.HorzSeries,
                                     c.VertSeries, layers.Layers(1).Series}));
}

TEST_F(Survey, DynamicAxesCentreAWindowOnTheCursorInEitherDirection)
{
    cursorAt(5, 2); // picket 12.5, depth 150
    build();
    EXPECT_EQ(chart.bottomAxis().minimum(), 11.5);
    EXPECT_EQ(chart.bottomAxis().maximum(), 13.5);
    EXPECT_EQ(chart.leftAxis().minimum(), 50);
    EXPECT_EQ(chart.leftAxis().maximum(), 250);

    // Far down and right, then back up and left: the bound on the moving side goes first.
    grid.setCell(1, 6, "40");
    grid.setCell(2, 6, "1000");
    cursorAt(6, 2);
    build();
    EXPECT_EQ(chart.bottomAxis().minimum(), 39);
    EXPECT_EQ(chart.leftAxis().minimum(), 900);
    EXPECT_EQ(chart.leftAxis().maximum(), 1100);
    grid.setCell(2, 6, "50");
    grid.setCell(1, 6, "1");
    build();
    EXPECT_EQ(chart.bottomAxis().minimum(), 0);
    EXPECT_EQ(chart.bottomAxis().maximum(), 2);
    EXPECT_EQ(chart.leftAxis().minimum(), -50);
    EXPECT_EQ(chart.leftAxis().maximum(), 150);

    // Odd sizes halve with truncation; a zero width is a single value.
    params.WindowWidth = 3;
    params.WindowHeight = 3;
    build();
    EXPECT_EQ(chart.bottomAxis().minimum(), 0);
    EXPECT_EQ(chart.bottomAxis().maximum(), 2);
    EXPECT_EQ(chart.leftAxis().minimum(), 49);
    EXPECT_EQ(chart.leftAxis().maximum(), 51);
    params.WindowWidth = 0;
    build();
    EXPECT_EQ(chart.bottomAxis().minimum(), 1);
    EXPECT_EQ(chart.bottomAxis().maximum(), 1);

    // Without dynamic axes the ranges stay.
    params.DinamicDiapazonAxes = false;
    cursorAt(5, 2);
    build();
    EXPECT_EQ(chart.bottomAxis().minimum(), 1);
    EXPECT_EQ(chart.leftAxis().maximum(), 51);
    EXPECT_EQ(diagram.cursor().X, 12.5);
}

TEST_F(Survey, NegativeWindowFailsWithTheAxisErrorBeforeTheCursorIsAttached)
{
    cursorAt(5, 2);
    params.WindowWidth = -4;
    EXPECT_EQ(errorText([&] { build(); }), "Axis Minimum Value must be <= Maximum");
    EXPECT_FALSE(chart.isAttached(diagram.cursor().HorzSeries));
    // The maximum was assigned before the minimum failed.
    EXPECT_EQ(chart.bottomAxis().maximum(), 10.5);
    EXPECT_EQ(chart.bottomAxis().minimum(), ChartModel::kInitialBottomMinimum);
    EXPECT_EQ(horz().count(), 1u); // the cursor series themselves were filled
}

TEST_F(Survey, FailuresLeaveWhatWasDoneBeforeThem)
{
    layers.addLayer("1", 2);
    cursorAt(5, 2);
    build();
    const auto axesBottom = chart.bottomAxis().minimum();

    // The picket column is not a number: nothing changes.
    params.ColX = "one";
    EXPECT_EQ(errorText([&] { build(); }), "'one' is not a valid integer value");
    EXPECT_EQ(picket().count(), 6u);

    // A bad picket in row 4: the line holds rows 2 and 3; layers, cursor and axes stay.
    params.ColX = "1";
    grid.setCell(1, 4, "12.3a");
    grid.setCell(2, 2, "777");
    grid.setCell(1, 5, "20");
    EXPECT_EQ(errorText([&] { build(); }), "'12.3a' is not a valid floating point value");
    EXPECT_EQ(picket().xs(), (std::vector<double>{12, 12.12}));
    EXPECT_EQ(series(0).ys().front(), 100);
    EXPECT_EQ(diagram.cursor().X, 12.5);
    EXPECT_EQ(chart.bottomAxis().minimum(), axesBottom);

    // The cursor's depth cell is empty: picket line and layers are rebuilt, the cursor stays.
    grid.setCell(1, 4, "12.3");
    grid.setCell(2, 5, "");
    EXPECT_EQ(errorText([&] { build(); }), "'' is not a valid floating point value");
    EXPECT_EQ(picket().count(), 6u);
    EXPECT_EQ(series(0).ys().front(), 777);
    EXPECT_EQ(diagram.cursor().X, 12.5);
    EXPECT_EQ(horz().xs(), (std::vector<double>{12.5}));
    EXPECT_EQ(chart.bottomAxis().minimum(), axesBottom);
}

TEST_F(Survey, FirstBuildWithABadCursorCellLeavesTheCursorUnattached)
{
    cursorAt(7, 3); // empty depth
    EXPECT_THROW(build(), Error);
    EXPECT_EQ(picket().count(), 6u);
    EXPECT_FALSE(chart.isAttached(diagram.cursor().HorzSeries));
    EXPECT_FALSE(chart.isAttached(diagram.cursor().VertSeries));
}

TEST_F(Survey, EmptyRangeEmptiesEverySeriesButStillDrawsTheCursor)
{
    layers.addLayer("1", 2);
    build();
    params.FirstDataRow = 6;
    params.LastDataRow = 5;
    cursorAt(3, 3);
    build();
    EXPECT_EQ(picket().count(), 0u);
    EXPECT_EQ(series(0).count(), 0u);
    EXPECT_EQ(horz().xs(), (std::vector<double>{12.12}));
    EXPECT_EQ(horz().ys(), (std::vector<double>{310}));
}

TEST_F(Survey, UpAndDownWriteTheRoundedDepthPlusOrMinusTheStep)
{
    const auto press = [&](const char* before, const char* step, DiagramKey vk) {
        grid.setCell(2, 5, before);
        params.VertIncrement = step;
        key(vk);
        return grid.cell(2, 5);
    };
    cursorAt(5, 2);
    EXPECT_EQ(press("150", "1", DiagramKey::Up), "149");
    EXPECT_EQ(press("150", "1", DiagramKey::Down), "151");
    EXPECT_EQ(press("150.5", "1", DiagramKey::Down), "151");
    EXPECT_EQ(press("123.6", "1", DiagramKey::Down), "125");
    EXPECT_EQ(press("124", " 0.5 ", DiagramKey::Down), "124.5");
    key(DiagramKey::Down);
    EXPECT_EQ(grid.cell(2, 5), "124.5");
    EXPECT_EQ(press("124.5", "0.5", DiagramKey::Up), "123.5");
    key(DiagramKey::Up);
    EXPECT_EQ(grid.cell(2, 5), "123.5");
    // The diagram follows the table.
    EXPECT_EQ(horz().ys(), (std::vector<double>{124}));
    EXPECT_EQ(diagram.cursor().Y, 124);

    // A step that is not a number writes nothing and says nothing.
    EXPECT_EQ(press("150", "1,5", DiagramKey::Up), "150");
    EXPECT_EQ(diagram.cursor().Y, 124);
}

TEST_F(Survey, ArrowsMoveWithinTheRangeAndRebuildEvenWhenTheyCannot)
{
    layers.addLayer("1", 2);
    params.FirstDataRow = 3;
    params.LastDataRow = 5;
    cursorAt(3, 2);
    key(DiagramKey::Right);
    EXPECT_EQ(diagram.cursor().Row, 4);
    key(DiagramKey::Right);
    key(DiagramKey::Right);
    EXPECT_EQ(diagram.cursor().Row, 5);
    EXPECT_EQ(diagram.cursor().X, 12.5);

    key(DiagramKey::Left);
    key(DiagramKey::Left);
    key(DiagramKey::Left);
    EXPECT_EQ(diagram.cursor().Row, 3);
    grid.setCell(2, 4, "222");
    key(DiagramKey::Left); // stays, but the diagram is rebuilt
    EXPECT_EQ(diagram.cursor().Row, 3);
    EXPECT_EQ(series(0).ys()[1], 222);

    grid.setCell(2, 4, "223");
    key(DiagramKey::Other); // any other key only rebuilds
    EXPECT_EQ(series(0).ys()[1], 223);
    EXPECT_EQ(grid.cell(2, 3), "2.5");
}

TEST_F(Survey, AfterDeleteEveryKeyDoesNothingUntilTheCursorMoves)
{
    layers.addLayer("1", 2);
    cursorAt(5, 2);
    build();
    key(DiagramKey::Delete);
    EXPECT_EQ(grid.cell(2, 5), "");
    EXPECT_EQ(diagram.cursor().Y, 150); // the build failed silently at the cursor
    EXPECT_EQ(series(0).ys()[3], 0);    // but the layers were rebuilt

    grid.setCell(2, 4, "999");
    for (DiagramKey vk : {DiagramKey::Left, DiagramKey::Right, DiagramKey::Up, DiagramKey::Down, DiagramKey::Delete}) {
        key(vk);
        EXPECT_EQ(diagram.cursor().Row, 5);
        EXPECT_EQ(grid.cell(2, 5), "");
    }
    EXPECT_EQ(series(0).ys()[2], 4); // no rebuild happened

    // A left click elsewhere brings the keys back.
    diagram.ChartClickSeries(grid, layers.Layers(0).Series, 2, ChartButton::Left, params);
    EXPECT_EQ(diagram.cursor().Row, 4);
    key(DiagramKey::Up);
    EXPECT_EQ(grid.cell(2, 4), "998");
}

TEST_F(Survey, KeysEditTheSelectedLayersColumnOrKeepTheCursorsColumn)
{
    layers.addLayer("1", 3);
    layers.addLayer("1", 2);
    cursorAt(4, 2);
    key(DiagramKey::Down); // nothing selected: column 2
    EXPECT_EQ(grid.cell(2, 4), "5");
    EXPECT_EQ(grid.cell(3, 4), "320");

    layers.select(layers.Layers(0).Item);
    key(DiagramKey::Down);
    EXPECT_EQ(diagram.cursor().Col, 3);
    EXPECT_EQ(grid.cell(3, 4), "321");
    EXPECT_EQ(diagram.cursor().Y, 321);

    layers.clearSelection();
    key(DiagramKey::Down);
    EXPECT_EQ(grid.cell(3, 4), "322");
}

TEST_F(Survey, ErrorsOfTheRebuildAfterAKeyAreSwallowed)
{
    cursorAt(5, 2);
    params.ColX = "x";
    EXPECT_NO_THROW(key(DiagramKey::Down));
    EXPECT_EQ(grid.cell(2, 5), "151");
    params.ColX = "1";
    params.WindowHeight = -10;
    EXPECT_NO_THROW(key(DiagramKey::Down));
    EXPECT_EQ(grid.cell(2, 5), "152");
}

TEST_F(Survey, LeftClickMovesTheCursorToThePointsOwnRow)
{
    layers.addLayer("1", 2);
    grid.setCell(2, 7, "160");
    build();
    const SeriesId layer = layers.Layers(0).Series;
    diagram.ChartClickSeries(grid, layer, 3, ChartButton::Left, params);
    EXPECT_EQ(diagram.cursor().Row, 5);
    EXPECT_EQ(diagram.cursor().Col, 2);
    EXPECT_EQ(diagram.cursor().Y, 150); // rebuilt at the new row

    // With a later working range the fourth point is still the row it was built from.
    params.FirstDataRow = 4;
    build();
    diagram.ChartClickSeries(grid, layer, 3, ChartButton::Left, params);
    EXPECT_EQ(diagram.cursor().Row, 7);

    // Pickets falling down the table: the first point by picket is the last row.
    params.FirstDataRow = 2;
    grid.setCell(1, 7, "1");
    build();
    diagram.ChartClickSeries(grid, diagram.PicketSeries(), 0, ChartButton::Left, params);
    EXPECT_EQ(diagram.cursor().Row, 7);
    EXPECT_EQ(diagram.cursor().X, 1);

    // The cursor's own points come from no row: the cursor stays, the build still runs.
    grid.setCell(1, 7, "2");
    diagram.ChartClickSeries(grid, diagram.cursor().HorzSeries, 0, ChartButton::Left, params);
    EXPECT_EQ(diagram.cursor().Row, 7);
    EXPECT_EQ(diagram.cursor().X, 2);
}

TEST_F(Survey, RightClickHidesAPointUntilTheNextBuild)
{
    build();
    diagram.ChartClickSeries(grid, diagram.PicketSeries(), 1, ChartButton::Right, params);
    EXPECT_EQ(picket().xs(), (std::vector<double>{12, 12.3, 12.5, 12.75, 13}));
    EXPECT_EQ(grid.cell(1, 3), "12.125");
    EXPECT_EQ(diagram.cursor().Row, 2);
    diagram.ChartClickSeries(grid, diagram.PicketSeries(), 1, ChartButton::Other, params);
    diagram.ChartClickSeries(grid, diagram.PicketSeries(), 99, ChartButton::Right, params);
    EXPECT_EQ(picket().count(), 5u);
    build();
    EXPECT_EQ(picket().count(), 6u);
}

TEST_F(Survey, TheFirstBuildPutsTheCursorOnALayersDepthsNeverOnThePickets)
{
    // No layer checked: the cursor keeps its column until there is one to choose.
    build();
    EXPECT_FALSE(diagram.cursor().ColChosen);
    // The first checked layer's depths when none is selected...
    layers.addLayer("1", 3);
    layers.addLayer("1", 2);
    diagram.cursor().Row = 2;
    build();
    EXPECT_EQ(diagram.cursor().Col, 3);
    EXPECT_DOUBLE_EQ(diagram.cursor().Y, 300.0);
    EXPECT_TRUE(diagram.cursor().ColChosen);
    // ...and, once chosen, the column stays through later builds until a key picks the
    // selected layer's.
    layers.select(layers.Layers(1).Item);
    build();
    EXPECT_EQ(diagram.cursor().Col, 3);
    key(DiagramKey::Right);
    EXPECT_EQ(diagram.cursor().Col, 2);

    // A fresh diagram whose selected layer is not the first takes the selected one's.
    Diagram other{chart, layers, 2};
    other.BuildChart(grid, params);
    EXPECT_EQ(other.cursor().Col, 2);
}

TEST_F(Survey, ClickBuildErrorsReachTheCaller)
{
    layers.addLayer("1", 3);
    diagram.cursor().Col = 2;
    diagram.cursor().ColChosen = true;
    build();
    // Row 7 has no number in column 2, where the cursor is.
    EXPECT_EQ(errorText([&] { diagram.ChartClickSeries(grid, layers.Layers(0).Series, 5, ChartButton::Left, params); }),
              "'abc' is not a valid floating point value");
    EXPECT_EQ(diagram.cursor().Row, 7);
}

// A build after one depth cell was written (a correction, its undo) mends that cell's point;
// everything else a build reads, changed since, makes it a whole build: both give the same chart.
TEST_F(Survey, OneWrittenDepthIsMendedInPlaceAnythingElseBuildsAgain)
{
    layers.addLayer("1", 2);
    layers.addLayer("1", 3);
    build();
    const auto mendedOnly = [&](int slot, std::uint64_t before) { return series(slot).onlyYChangedSince(before); };

    // One cell: its point alone moves, in the layer of its column and nowhere else.
    std::uint64_t top = series(0).dataRevision();
    const std::uint64_t bottom = series(1).dataRevision();
    const std::uint64_t pickets = picket().dataRevision();
    grid.setCell(2, 4, "41.6");
    build();
    EXPECT_EQ(mendedOnly(0, top), std::optional<std::size_t>(2));
    EXPECT_EQ(series(0).ys(), (std::vector<double>{100, 2, 42, 150, 117, 0}));
    EXPECT_EQ(series(1).dataRevision(), bottom);
    EXPECT_EQ(picket().dataRevision(), pickets);
    // The cursor and its window follow as after a whole build.
    cursorAt(4, 2);
    build();
    EXPECT_DOUBLE_EQ(diagram.cursor().Y, 42.0);
    EXPECT_DOUBLE_EQ(chart.leftAxis().minimum(), 42.0 - 100);
    // Written back as an undo does it (one cell of a row's cells).
    top = series(0).dataRevision();
    const std::string_view old = "3.5";
    grid.setCells(4, 2, &old, 1);
    build();
    EXPECT_EQ(mendedOnly(0, top), std::optional<std::size_t>(2));
    EXPECT_DOUBLE_EQ(series(0).ys()[2], 4.0);
    EXPECT_DOUBLE_EQ(diagram.cursor().Y, 4.0);

    // Two cells written: a whole build.
    top = series(0).dataRevision();
    grid.setCell(2, 2, "7");
    grid.setCell(2, 3, "8");
    build();
    EXPECT_EQ(mendedOnly(0, top), std::nullopt);
    EXPECT_EQ(series(0).ys(), (std::vector<double>{7, 8, 4, 150, 117, 0}));
    // A point hidden by a right click comes back with the next build, also after one write.
    diagram.ChartClickSeries(grid, layers.Layers(0).Series, 0, ChartButton::Right, params);
    EXPECT_EQ(series(0).count(), 5u);
    grid.setCell(2, 6, "90");
    build();
    EXPECT_EQ(series(0).ys(), (std::vector<double>{7, 8, 4, 150, 90, 0}));
    // A layer unchecked since the last build is emptied, also after one write.
    layers.setChecked(layers.Layers(1).Item, false);
    grid.setCell(2, 6, "91");
    build();
    EXPECT_EQ(series(1).count(), 0u);
    EXPECT_DOUBLE_EQ(series(0).ys()[4], 91.0);
    // Other settings: a whole build with the new range.
    params.LastDataRow = 6;
    grid.setCell(2, 6, "92");
    build();
    EXPECT_EQ(series(0).ys(), (std::vector<double>{7, 8, 4, 150, 92}));
    // A picket written moves its points along the line: a whole build puts them in order.
    top = series(0).dataRevision();
    grid.setCell(1, 2, "12.6");
    build();
    EXPECT_EQ(mendedOnly(0, top), std::nullopt);
    EXPECT_EQ(series(0).rows(), (std::vector<int>{3, 4, 5, 2, 6}));
    EXPECT_EQ(picket().xs(), (std::vector<double>{12.12, 12.3, 12.5, 12.6, 12.75}));
    // With the pickets out of row order a depth still finds its own point.
    top = series(0).dataRevision();
    grid.setCell(2, 2, "55");
    build();
    EXPECT_EQ(mendedOnly(0, top), std::optional<std::size_t>(3));
    EXPECT_DOUBLE_EQ(series(0).ys()[3], 55.0);
    // A move of the cursor alone leaves every point as it is.
    top = series(0).dataRevision();
    cursorAt(5, 2);
    build();
    EXPECT_EQ(series(0).dataRevision(), top);
    EXPECT_DOUBLE_EQ(diagram.cursor().Y, 150.0);
}

} // namespace
} // namespace trassel
