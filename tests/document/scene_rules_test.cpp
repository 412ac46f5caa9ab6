// The document alone, without a window: which pictures each change redraws, whichever road it
// took (the command, its undo, its redo, an open).
#include "base/error.h"
#include "document/redraw_rules.h"
#include "document/section_scene.h"
#include "document/survey_document.h"
#include "document/workspace.h"
#include "table/grid_io.h"

#include "document/document_state.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace trassel {
namespace {

// Listens to a document and writes down what was redrawn: 's' the section, 'd' the diagram.
struct Redrawn {
    explicit Redrawn(SurveyDocument& doc)
        : listening(doc.subscribe([this](const DocumentChange& c) {
              if (c.what == DocumentChange::What::SectionPicture)
                  log += 's';
              if (c.what == DocumentChange::What::DiagramBuilt)
                  log += 'd';
          }))
    {
    }
    std::string take() { return std::exchange(log, {}); }
    std::string log;
    Subscription listening;
};

// A survey of twelve rows: pickets in column 1, two layers in columns 2 and 3.
void MakeSurvey(SurveyDocument& doc)
{
    std::string text = "ПК\tБалласт\tПесок\r\n";
    for (int i = 0; i < 12; ++i)
        text += std::to_string(100 + i) + "\t" + std::to_string(40 + i) + "\t" + std::to_string(90 + i) + "\r\n";
    auto bytes = std::make_unique<char[]>(text.size());
    std::memcpy(bytes.get(), text.data(), text.size());
    ASSERT_TRUE(doc.importTable(std::move(bytes), text.size()));
    doc.setRange(2, 13); // the table keeps the empty rows it had below the file's
    for (int col : {2, 3}) {
        doc.select(col, 2);
        doc.addLayer();
    }
}

TEST(RedrawRules, EachChangeAsksForItsPictures)
{
    using What = DocumentChange::What;
    EXPECT_EQ(RedrawsFor({What::Corrected}), (Redraws{false, true}));
    EXPECT_EQ(RedrawsFor({What::PointColor}), (Redraws{false, true}));
    EXPECT_EQ(RedrawsFor({What::LayerStyle}), (Redraws{true, true}));
    EXPECT_EQ(RedrawsFor({What::SectionParams}), (Redraws{true, false}));
    // The boreholes' label line is no part of the section's drawing; an open draws what the
    // project had, not what each of its changes would ask.
    EXPECT_EQ(RedrawsFor({What::SectionParams, TableId::Depth, {}, false}), Redraws{});
    // Plain table edits wait for the next build.
    for (const What what : {What::Cells, What::TableShape, What::TableReplaced, What::Layers, What::Range, What::Soils})
        EXPECT_EQ(RedrawsFor({what}), Redraws{}) << static_cast<int>(what);
}

TEST(RedrawRules, ACorrectionItsUndoAndRedoRebuildTheDiagramAlone)
{
    SurveyDocument doc;
    MakeSurvey(doc);
    EditRecorder sink;
    doc.setEditSink(&sink);
    doc.buildChart();
    doc.layers().select(doc.layers().Layers(0).Item);
    Redrawn redrawn(doc);

    EXPECT_EQ(doc.chartKeyDown(DiagramKey::Down), (Correction{2, 2, "40", "41"}));
    EXPECT_EQ(redrawn.take(), "d");
    EXPECT_DOUBLE_EQ(doc.diagram().cursor().Y, 41.0);
    ASSERT_EQ(sink.size(), 1u);

    doc.undo(sink.last());
    EXPECT_EQ(doc.depthTable().cell(2, 2), "40");
    EXPECT_EQ(redrawn.take(), "d");
    EXPECT_DOUBLE_EQ(doc.diagram().cursor().Y, 40.0); // the picture follows the undone cell
    doc.redo(sink.last());
    EXPECT_EQ(redrawn.take(), "d");
    EXPECT_DOUBLE_EQ(doc.diagram().cursor().Y, 41.0);

    // Moving the cursor is no edit; typing into a cell waits for the next build.
    EXPECT_EQ(doc.chartKeyDown(DiagramKey::Right), std::nullopt);
    redrawn.take();
    doc.writeCell(TableId::Depth, 2, 5, "77");
    EXPECT_EQ(redrawn.take(), "");
}

TEST(RedrawRules, StylesAndSectionParametersRedrawByTheirRules)
{
    SurveyDocument doc;
    MakeSurvey(doc);
    EditRecorder sink;
    doc.setEditSink(&sink);
    doc.layers().select(doc.layers().Layers(1).Item);
    Redrawn redrawn(doc);

    doc.setSelectedLayerStyle(SurveyDocument::Style::BrushStyle, 4);
    EXPECT_EQ(redrawn.take(), "sd"); // the section first, then the diagram
    EXPECT_TRUE(doc.section().drawn());
    doc.setSelectedLayerStyle(SurveyDocument::Style::PointColor, 0x123456);
    EXPECT_EQ(redrawn.take(), "d");
    ASSERT_EQ(sink.size(), 2u);
    doc.undo(*sink.edits[0]);
    EXPECT_EQ(redrawn.take(), "sd");
    doc.undo(*sink.edits[1]);
    EXPECT_EQ(redrawn.take(), "d");

    SectionParams params = doc.sectionParams();
    params.SX = 200;
    doc.setSectionParams(params);
    EXPECT_EQ(redrawn.take(), "s");
    EXPECT_EQ(doc.sectionWidth(), 11 * 200 + 85 + 100);
    params.ISSO = 300; // only "Выработки" reads it
    doc.setSectionParams(params);
    EXPECT_EQ(redrawn.take(), "");
    doc.setSectionParams(params); // no change, no drawing
    EXPECT_EQ(redrawn.take(), "");
}

TEST(RedrawRules, AnOpenedProjectDrawsWhatItHadDrawnWithItsAnnotations)
{
    SurveyDocument doc;
    MakeSurvey(doc);
    doc.buildChart();
    doc.section().draw();
    const std::uint32_t group = doc.section().newGroup();
    doc.section().canvas().setGroup(group);
    doc.section().canvas().moveTo(10, 10);
    doc.section().canvas().lineTo(60, 40);
    doc.section().canvas().setGroup(0);
    doc.setSoils({"Песок", "Глина"});
    doc.setPages({2, 1, 0});
    ASSERT_EQ(doc.section().annotations().size(), 1u);
    const std::string text = WorkspaceText(doc, "/tmp/p.trassel");

    LoadedWorkspace loaded = ReadWorkspace(text, "/tmp/p.trassel");
    // Read and not yet in place: nothing is drawn, what was drawn is remembered.
    EXPECT_FALSE(loaded.document->section().drawn());
    EXPECT_TRUE(loaded.document->section().saved().drawn);
    EXPECT_EQ(loaded.document->section().annotations().size(), 1u);

    SurveyDocument window;
    Redrawn redrawn(window);
    window.takeOver(*loaded.document);
    EXPECT_EQ(redrawn.take(), "sd");
    EXPECT_TRUE(window.section().drawn());
    EXPECT_TRUE(window.diagramBuilt());
    EXPECT_EQ(window.section().annotations(), doc.section().annotations());
    EXPECT_EQ(window.soils(), doc.soils());
    EXPECT_EQ(window.pages(), doc.pages());
    EXPECT_EQ(window.sectionWidth(), doc.sectionWidth());
    // Saved again, the project is the same file.
    EXPECT_EQ(WorkspaceText(window, "/tmp/p.trassel"), text);
}

TEST(RedrawRules, APictureThatFailsAfterAnOpenLeavesTheProjectInPlace)
{
    SurveyDocument doc;
    MakeSurvey(doc);
    doc.section().draw();
    doc.depthTable().setCell(1, 4, "123,5"); // no picket: the section cannot be drawn again
    const std::string text = WorkspaceText(doc, "/tmp/p.trassel");

    SurveyDocument window;
    LoadedWorkspace loaded = ReadWorkspace(text, "/tmp/p.trassel");
    EXPECT_THROW(window.takeOver(*loaded.document), Error);
    EXPECT_EQ(window.depthTable().cell(1, 4), "123,5");
    EXPECT_EQ(window.layers().LayerCount(), 2);
}

} // namespace
} // namespace trassel
