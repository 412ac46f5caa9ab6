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

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>

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

// A dense survey long enough for a redraw to draw the columns in view first: 40,000 rows a
// decimetre apart, three boundaries that wander.
void MakeLongSurvey(SurveyDocument& doc, int rows)
{
    std::string text = "ПК\tБалласт\tПесок\tСуглинок\r\n";
    int d[3] = {40, 90, 160};
    for (int i = 0; i < rows; ++i) {
        text += std::to_string(100 + i / 1000) + "." + std::to_string(1000 + i % 1000).substr(1);
        for (int k = 0; k < 3; ++k) {
            d[k] += (i * 7 + k * 3) % 5 - 2;
            d[k] = std::clamp(d[k], 20 + 60 * k, 60 + 70 * k);
            text += "\t" + std::to_string(d[k]);
        }
        text += "\r\n";
    }
    auto bytes = std::make_unique<char[]>(text.size());
    std::memcpy(bytes.get(), text.data(), text.size());
    ASSERT_TRUE(doc.importTable(std::move(bytes), text.size()));
    doc.setRange(2, rows + 1);
    for (int col : {2, 3, 4}) {
        doc.select(col, 2);
        doc.addLayer();
    }
}

// Two records paint the same: the same operations with the same states, texts and vertices.
bool SameDrawing(const DrawingRecord& a, const DrawingRecord& b)
{
    if (a.width() != b.width() || a.height() != b.height() || a.ops().size() != b.ops().size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.ops().size(); ++i) {
        const DrawOp& x = a.ops()[i];
        const DrawOp& y = b.ops()[i];
        if (x.kind != y.kind || !(x.a == y.a) || !(x.b == y.b) || !(a.state(x) == b.state(y))) {
            return false;
        }
        if (x.kind == DrawOpKind::Text && a.text(x) != b.text(y))
            return false;
        if (x.kind == DrawOpKind::Polygon &&
            !std::ranges::equal(a.vertices(x), b.vertices(y), [](Point p, Point q) { return p == q; }))
            return false;
    }
    return true;
}

constexpr int kLongRows = 40'000;

TEST(RedrawRules, ALongSectionIsDrawnWhereItIsSeenFirstAndFinishedFromTheSameCells)
{
    // Two documents go the same way; the twin draws every section whole.
    SurveyDocument doc;
    SurveyDocument twin;
    EditRecorder sink;
    for (SurveyDocument* d : {&doc, &twin}) {
        MakeLongSurvey(*d, kLongRows);
        d->section().draw();
    }
    doc.setEditSink(&sink);
    std::function<void()> later;
    doc.section().setDeferrer([&later](std::function<void()> rest) { later = std::move(rest); });
    doc.section().setShownColumns({3000, 4000});
    Redrawn redrawn(doc);
    const auto both = [&](const std::function<void(SurveyDocument&)>& step) {
        step(doc);
        step(twin);
    };
    const auto sxOf = [](SurveyDocument& d, int value) {
        SectionParams params = d.sectionParams();
        params.SX = value;
        d.setSectionParams(params);
    };
    const auto sx = [&](int value) { both([&](SurveyDocument& d) { sxOf(d, value); }); };
    const auto same = [&] { return SameDrawing(std::as_const(doc.section()).record(), twin.section().record()); };

    // A parameter change draws the columns in view and leaves the rest for later, after the
    // former drawing until the whole one replaces both.
    const std::size_t formerOps = std::as_const(doc.section()).record().ops().size();
    sxOf(doc, 700);
    EXPECT_EQ(redrawn.take(), "s");
    ASSERT_TRUE(doc.section().partial());
    ASSERT_TRUE(later);
    const DrawingRecord& shown = std::as_const(doc.section()).record();
    EXPECT_EQ(shown.width(), 28'184); // 39.999 pickets of 700 px and the margins
    // Another change meanwhile replaces the part drawn, which never was a whole drawing; the
    // deferred call finishes the last.
    sx(650);
    EXPECT_TRUE(doc.section().partial());
    const std::size_t partOps = shown.ops().size() - formerOps;
    later();
    EXPECT_FALSE(doc.section().partial());
    EXPECT_TRUE(same());
    EXPECT_LT(partOps * 3, shown.ops().size()) << partOps;

    // A cell written in the moment before the rest is drawn is drawn with it: the whole
    // section shows one state of the table, the one it is finished from.
    sxOf(doc, 600);
    ASSERT_TRUE(doc.section().partial());
    both([](SurveyDocument& d) { d.writeCell(TableId::Depth, 2, 20'000, "299"); });
    EXPECT_TRUE(doc.section().partial());
    later();
    sxOf(twin, 600);
    EXPECT_TRUE(same());

    // A project saved while a part is drawn keeps no annotation of the drawing it replaced;
    // an export asks for the record, which is the whole section then.
    sx(550);
    EXPECT_TRUE(doc.section().partial());
    EXPECT_TRUE(doc.section().annotations().empty());
    EXPECT_TRUE(SameDrawing(doc.section().record(), twin.section().record()));
    EXPECT_FALSE(doc.section().partial());
}

} // namespace
} // namespace trassel
