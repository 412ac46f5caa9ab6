// Interpreting on the radargram, without a window: the arrow keys' correction and its undo, a
// depth set at a row by a click as one undoable step, and the diagram cursor followed by the
// radargram's marker and the section's.
#include "document/survey_document.h"

#include "document/document_state.h"
#include "document/section_scene.h"
#include "radargram/radargram_overlay.h"
#include "radargram/radargram_scene.h"
#include "radargram/radargram_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace trassel {
namespace {

// Twenty rows: pickets 100.0, 100.1, ... 101.9 in column 1, ballast 40.. in column 2, sand 90.. in 3.
void MakeSurvey(SurveyDocument& doc)
{
    std::string text = "ПК\tБалласт\tПесок\r\n";
    for (int i = 0; i < 20; ++i)
        text += std::to_string(100 + i / 10) + "." + std::to_string(i % 10) + "\t" + std::to_string(40 + i) + "\t" +
                std::to_string(90 + i) + "\r\n";
    auto bytes = std::make_unique<char[]>(text.size());
    std::memcpy(bytes.get(), text.data(), text.size());
    ASSERT_TRUE(doc.importTable(std::move(bytes), text.size()));
    doc.setRange(2, 21);
    for (int col : {2, 3}) {
        doc.select(col, 2);
        doc.addLayer();
    }
}

struct CursorMoves {
    explicit CursorMoves(SurveyDocument& doc)
        : token(doc.subscribe([this](const DocumentChange& c) {
              if (c.what == DocumentChange::What::Cursor)
                  ++count;
          }))
    {
    }
    int count = 0;
    Subscription token;
};

TEST(RadargramCursor, ADepthSetAtARowIsOneUndoableCorrectionOfTheSelectedLayer)
{
    SurveyDocument doc;
    MakeSurvey(doc);
    EditRecorder history;
    doc.setEditSink(&history);
    doc.buildChart();
    doc.layers().select(doc.layers().Layers(1).Item); // the sand
    CursorMoves moves(doc);

    // Row 7 holds sand 95; a click at 101.6 cm writes 102 (whole centimetres, as a correction).
    EXPECT_EQ(doc.setDepthAt(7, 101.6), (Correction{3, 7, "95", "102"}));
    EXPECT_EQ(doc.depthTable().cell(3, 7), "102");
    EXPECT_EQ(doc.diagram().cursor().Row, 7);
    EXPECT_EQ(doc.diagram().cursor().Col, 3);
    EXPECT_DOUBLE_EQ(doc.diagram().cursor().Y, 102.0); // the diagram followed
    EXPECT_EQ(moves.count, 1);
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history.last().text(), "Корректировка глубины");

    doc.undo(history.last());
    EXPECT_EQ(doc.depthTable().cell(3, 7), "95");
    EXPECT_DOUBLE_EQ(doc.diagram().cursor().Y, 95.0);
    doc.redo(history.last());
    EXPECT_EQ(doc.depthTable().cell(3, 7), "102");

    // Two clicks are two steps: a click is no arrow press to be merged.
    EXPECT_TRUE(doc.setDepthAt(7, 80));
    EXPECT_EQ(history.size(), 2u);
    // The same depth again changes nothing and records nothing; the cursor stays put.
    EXPECT_EQ(doc.setDepthAt(7, 80.2), std::nullopt);
    EXPECT_EQ(history.size(), 2u);
    // Outside the working range, or no number: nothing at all.
    EXPECT_EQ(doc.setDepthAt(1, 50), std::nullopt);
    EXPECT_EQ(doc.setDepthAt(22, 50), std::nullopt);
    EXPECT_EQ(doc.setDepthAt(9, std::nan("")), std::nullopt);
    EXPECT_EQ(doc.diagram().cursor().Row, 7);
    EXPECT_EQ(history.size(), 2u);
    EXPECT_EQ(moves.count, 1);
}

TEST(RadargramCursor, TheArrowKeysFromTheRadargramCorrectAndMoveAsOnTheDiagram)
{
    SurveyDocument doc;
    MakeSurvey(doc);
    EditRecorder history;
    doc.setEditSink(&history);
    doc.buildChart();
    doc.layers().select(doc.layers().Layers(0).Item);
    CursorMoves moves(doc);
    doc.moveChartCursor(5);
    EXPECT_EQ(moves.count, 1);

    // Up makes the ballast shallower; two presses on one cell are one step.
    const std::optional<Correction> first = doc.chartKeyDown(DiagramKey::Up);
    EXPECT_EQ(first, (Correction{2, 5, "43", "42"}));
    EXPECT_EQ(DescribeCorrection(doc.layers(), *first).find("строка 5: 43 → 42") != std::string::npos, true);
    doc.chartKeyDown(DiagramKey::Up);
    EXPECT_EQ(history.size(), 1u);
    doc.undo(history.last());
    EXPECT_EQ(doc.depthTable().cell(2, 5), "43");
    EXPECT_EQ(moves.count, 1) << "a correction leaves the cursor where it is";

    // Right and Left move the cursor and say so; at the end of the range it stays and says nothing.
    EXPECT_EQ(doc.chartKeyDown(DiagramKey::Right), std::nullopt);
    EXPECT_EQ(doc.diagram().cursor().Row, 6);
    EXPECT_EQ(moves.count, 2);
    doc.moveChartCursor(21);
    EXPECT_EQ(moves.count, 3);
    doc.chartKeyDown(DiagramKey::Right);
    EXPECT_EQ(doc.diagram().cursor().Row, 21);
    EXPECT_EQ(moves.count, 3);
}

TEST(RadargramCursor, TheCursorIsFollowedOnTheRadargramAndTheSection)
{
    // 2,000 traces 0.1 m apart; the marks of traces 100 and 1,100 tied to pickets 100 and 101,
    // so row r (picket 100 + (r - 2) / 10) lies at trace 100 + 100 (r - 2).
    test::ReaderDir dir;
    test::DztLayout layout;
    layout.traces = 2000;
    layout.samples = 64;
    layout.flagged = {100, 1100};
    const std::string path = dir.write("line.dzt", test::WriteDzt(layout));

    SurveyDocument doc;
    MakeSurvey(doc);
    doc.buildChart();
    doc.section().draw();
    doc.openRadargramFile(path);
    doc.addRadargramTie({100, 100.0});
    doc.addRadargramTie({1100, 101.0});

    RadargramScene scene;
    scene.setModel(doc.radargramModel());
    scene.setSize(RadargramMargins::kLeft + RadargramMargins::kRight + 500, 300);
    RadargramOverlay overlay;
    const auto follow = [&] {
        overlay.update(doc.depthTable(), OverlayLayersOf(doc.layers()), doc.picketColumn(), doc.firstDataRow(),
                       doc.lastDataRow());
    };
    CursorMoves moves(doc);

    // A click on the radargram at trace 640 (picket 100.54): the nearest row is 7 (100.50).
    follow();
    const OverlayPlacement placed = PlacementOf(scene);
    const double clickX = placed.xOfTrace(640);
    const std::optional<int> row = overlay.nearestRow(*placed.picketOfX(clickX));
    ASSERT_EQ(row, 7);
    doc.moveChartCursor(*row);
    EXPECT_EQ(doc.diagram().cursor().Row, 7);
    EXPECT_DOUBLE_EQ(doc.diagram().cursor().X, 100.5);
    EXPECT_EQ(moves.count, 1);
    // The radargram marks it at its trace, the section at its picket's x.
    EXPECT_NEAR(*placed.xOfPicket(*overlay.picketOfRow(7)), placed.xOfTrace(600), 1e-6);
    EXPECT_NEAR(*doc.section().xOfRow(7), 0.5 * doc.sectionParams().SX + doc.sectionParams().Lleft + 60, 1e-6);

    // An arrow key on the diagram: both markers move one row on.
    doc.layers().select(doc.layers().Layers(0).Item);
    doc.chartKeyDown(DiagramKey::Right);
    EXPECT_EQ(moves.count, 2);
    follow();
    EXPECT_NEAR(*placed.xOfPicket(*overlay.picketOfRow(doc.diagram().cursor().Row)), placed.xOfTrace(700), 1e-6);
    EXPECT_NEAR(*doc.section().xOfRow(8), 0.6 * doc.sectionParams().SX + doc.sectionParams().Lleft + 60, 1e-6);

    // The boundaries lie on the radargram where the depth model puts the table's depths: the
    // ballast of row 8 (46 cm) at its trace.
    const std::vector<OverlayPath> paths = overlay.paths(placed);
    ASSERT_EQ(paths.size(), 2u);
    const int x8 = static_cast<int>(std::lround(placed.xOfTrace(700)));
    const int y46 = static_cast<int>(std::lround(placed.yOfSample(placed.sampleOfDepth(46))));
    bool found = false;
    for (const Point& p : paths[0].runs.at(0))
        found = found || (p.x == x8 && p.y == y46);
    EXPECT_TRUE(found);

    // Without a drawn section there is no place to mark.
    doc.section().applyWidth();
    EXPECT_FALSE(doc.section().xOfRow(8));
}

} // namespace
} // namespace trassel
