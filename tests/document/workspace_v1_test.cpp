// A workspace file of version 1, written by the program of that version, still opens into the
// same interpretation field by field: a later program must keep reading the files users have.
//
// tests/document/data/workspace_v1.trassel is a golden fixture. Never regenerate it, never
// rewrite it with a newer writer: a change in how files are written must leave it readable as
// it is. A new version of the format gets a golden file of its own beside this one.
#include "document/section_scene.h"
#include "document/survey_document.h"
#include "document/workspace.h"
#include "table/grid_io.h"

#include "support/error_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace trassel {
namespace {

const std::string kGolden = std::string(TRASSEL_SOURCE_DIR) + "/tests/document/data/workspace_v1.trassel";

std::vector<std::string> Row(const Grid& grid, int row)
{
    std::vector<std::string> cells;
    for (int c = 0; c < grid.colCount(); ++c)
        cells.push_back(grid.cell(c, row));
    return cells;
}

TEST(WorkspaceVersion1, GoldenFileOpensFieldByField)
{
    LoadedWorkspace loaded;
    ASSERT_EQ(errorText([&] { loaded = LoadWorkspace(kGolden); }), "(no error)");
    ASSERT_NE(loaded.document, nullptr);
    SurveyDocument& doc = *loaded.document;

    const TableSettings settings = doc.settings();
    EXPECT_EQ(settings.headerRowCount, 1);
    EXPECT_EQ(settings.delimiterIndex, 1);
    EXPECT_EQ(settings.delimiterText, ";");
    EXPECT_EQ(settings.picketColumnText, "1");
    EXPECT_EQ(doc.firstDataRow(), 2);
    EXPECT_EQ(doc.lastDataRow(), 6);
    EXPECT_EQ(doc.selCol(), 4);
    EXPECT_EQ(doc.selRow(), 5);

    // The depth table: numbered header, the imported rows, a cell with a tab and an escape, a
    // cell of bytes that are not UTF-8, a row label that is not its number, empty rows after.
    const Grid& depth = doc.depthTable();
    EXPECT_EQ(depth.colCount(), 10);
    EXPECT_EQ(depth.rowCount(), 20);
    EXPECT_EQ(depth.fixedRows(), 2);
    EXPECT_EQ(depth.fixedCols(), 1);
    EXPECT_EQ(Row(depth, 0), (std::vector<std::string>{"0/0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}));
    EXPECT_EQ(Row(depth, 1),
              (std::vector<std::string>{"1", "км", "м", "Балласт", "Песок", "Суглинок", "", "", "", ""}));
    EXPECT_EQ(Row(depth, 2), (std::vector<std::string>{"2", "1", "0", "30", "60", "90", "", "", "", ""}));
    EXPECT_EQ(Row(depth, 3), (std::vector<std::string>{"3", "1.05", "5", "31", "61", "a\tb\\n", "", "", "", ""}));
    EXPECT_EQ(Row(depth, 4), (std::vector<std::string>{"ПК", "1.1", "10", "32", "", "92", "", "", "", ""}));
    EXPECT_EQ(depth.cell(3, 6), std::string("\xcf\xe5\xf1\xee\xea", 5));
    EXPECT_EQ(Row(depth, 7), (std::vector<std::string>{"7", "1.25", "25", "35", "65", "95", "", "", "", ""}));
    EXPECT_EQ(Row(depth, 19), (std::vector<std::string>{"19", "", "", "", "", "", "", "", "", ""}));

    const Grid& boreholes = doc.boreholeTable();
    EXPECT_EQ(boreholes.colCount(), 6);
    EXPECT_EQ(boreholes.rowCount(), 4);
    EXPECT_EQ(boreholes.fixedRows(), 2);
    EXPECT_EQ(boreholes.fixedCols(), 1);
    EXPECT_EQ(Row(boreholes, 1), (std::vector<std::string>{"1", "ПК", "Скв", "Название", "", "Глубина"}));
    EXPECT_EQ(Row(boreholes, 3), (std::vector<std::string>{"3", "1.2", "2", "Скв. 2", "", "300"}));

    // Layers: captions, check marks, the selection, the styles, series names and drawing order.
    LayerManager& layers = doc.layers();
    ASSERT_EQ(layers.LayerCount(), 3);
    EXPECT_EQ(layers.colorState(), 1503962414U);
    struct WantLayer {
        const char* caption;
        bool checked;
        int depthColumn;
        int lineWidth;
        Color lineColor, brushColor;
        int brushStyle;
        Color pointColor;
    };
    const WantLayer want[] = {{"Слой по К№3", true, 3, 4, 0x123456, 0x00FFEE, 4, 0xABCDEF},
                              {"Слой по К№4", true, 4, 3, 0, 0xFFFFFF, 0, 1149018},
                              {"Слой по К№5", false, 5, 3, 0, 0xFFFFFF, 0, 3166147}};
    for (int slot = 0; slot < 3; ++slot) {
        SCOPED_TRACE("slot " + std::to_string(slot));
        const TLayer& l = layers.Layers(slot);
        const WantLayer& w = want[slot];
        EXPECT_EQ(layers.entryAt(layers.positionOf(l.Item)).caption, w.caption);
        EXPECT_EQ(layers.isChecked(l.Item), w.checked);
        EXPECT_EQ(layers.isSelected(l.Item), slot == 0);
        EXPECT_EQ(l.PicketColumn, 1);
        EXPECT_EQ(l.DepthColumn, w.depthColumn);
        EXPECT_EQ(l.LineWidth, w.lineWidth);
        EXPECT_EQ(l.LineColor, w.lineColor);
        EXPECT_EQ(l.BrushColor, w.brushColor);
        EXPECT_EQ(l.BrushStyle, w.brushStyle);
        EXPECT_EQ(l.PointColor, w.pointColor);
        EXPECT_EQ(doc.chart().series(l.Series).name(), "Series" + std::to_string(slot));
        EXPECT_TRUE(doc.chart().isAttached(l.Series));
    }
    std::vector<SeriesId> drawn;
    for (const SeriesId id : doc.chart().attached())
        if (id == layers.Layers(0).Series || id == layers.Layers(1).Series || id == layers.Layers(2).Series)
            drawn.push_back(id);
    EXPECT_EQ(drawn,
              (std::vector<SeriesId>{layers.Layers(0).Series, layers.Layers(1).Series, layers.Layers(2).Series}));

    const DiagramParams p = doc.diagramParams();
    EXPECT_FALSE(p.SeriesMarksVisible);
    EXPECT_EQ(p.SeriesFrequencyMarks, 3);
    EXPECT_FALSE(p.CursorHorizMarkVisible);
    EXPECT_TRUE(p.CursorVertMarkVisible);
    EXPECT_EQ(p.CursorHorzSize, 14);
    EXPECT_EQ(p.CursorVertSize, 17);
    EXPECT_FALSE(p.DinamicDiapazonAxes);
    EXPECT_EQ(p.WindowWidth, 6);
    EXPECT_EQ(p.WindowHeight, 350);
    EXPECT_EQ(p.VertIncrement, "2,5");
    const ChartCursor& cursor = doc.diagram().cursor();
    EXPECT_EQ(cursor.Col, 4);
    EXPECT_EQ(cursor.Row, 5);
    EXPECT_EQ(cursor.X, 1.15);
    EXPECT_EQ(cursor.Y, 63.0);

    const SectionParams s = doc.sectionParams();
    EXPECT_EQ(s.H, 61);
    EXPECT_EQ(s.Lleft, 33);
    EXPECT_EQ(s.R, 120);
    EXPECT_EQ(s.SX, 250);
    EXPECT_EQ(s.SY, 1.5F);
    EXPECT_EQ(s.Dmax, 420);
    EXPECT_EQ(s.step, 25);
    EXPECT_EQ(s.ISSO, 310);
    EXPECT_EQ(doc.sectionWidth(), 2345);
    EXPECT_EQ(doc.sectionState().imageWidth, 1042);
    EXPECT_EQ(doc.sectionState().imageHeight, 1100);

    EXPECT_EQ(doc.soils(),
              (std::vector<std::string>{"Песок", "Суглинок тугопластичный", std::string("\xc3\xeb\xe8\xed\xe0", 5)}));
    const SectionScene::Saved e = doc.section().saved();
    EXPECT_EQ(e.soilFont, (FontState{"Liberation Serif", 13, true, false, 0x0000AA}));
    EXPECT_TRUE(e.drawn);
    EXPECT_TRUE(e.boreholesDrawn);
    EXPECT_TRUE(doc.diagramBuilt());
    EXPECT_TRUE(doc.diagramBoreholesShown());
    // Stored relative to the project, the picture's path comes back whole, beside the file.
    EXPECT_EQ(doc.radargramPath(), ResolvedPicturePath(kGolden, "радарограммы/участок 1.png"));
    EXPECT_EQ(doc.pages(), (PageChoice{2, 1, 3}));

    // A soil label, a two-line pencil stroke and an eraser square, each in its drawing state.
    ASSERT_EQ(e.annotations.size(), 3U);
    EXPECT_EQ(e.annotations[0].name, "Подпись грунта");
    ASSERT_EQ(e.annotations[0].marks.size(), 1U);
    const WorkspaceMark& label = e.annotations[0].marks[0];
    EXPECT_EQ(label.kind, WorkspaceMark::Kind::Text);
    EXPECT_EQ(label.text, "Песок");
    EXPECT_EQ(label.a, (Point{30, 40}));
    EXPECT_EQ(label.pen, (PenState{1, 0x000000, PenStyle::Solid}));
    EXPECT_EQ(label.brush, (BrushState{0xFFFFFF, BrushStyle::Solid}));
    EXPECT_EQ(label.font, e.soilFont);

    EXPECT_EQ(e.annotations[1].name, "Карандаш");
    ASSERT_EQ(e.annotations[1].marks.size(), 2U);
    for (const WorkspaceMark& m : e.annotations[1].marks) {
        EXPECT_EQ(m.kind, WorkspaceMark::Kind::Line);
        EXPECT_EQ(m.pen, (PenState{2, 0xFF0000, PenStyle::Dashed}));
        EXPECT_EQ(m.font, (FontState{"DejaVu Sans", 8, false, false, 0}));
    }
    EXPECT_EQ(e.annotations[1].marks[0].a, (Point{5, 5}));
    EXPECT_EQ(e.annotations[1].marks[0].b, (Point{20, 30}));
    EXPECT_EQ(e.annotations[1].marks[1].b, (Point{35, 31}));

    EXPECT_EQ(e.annotations[2].name, "Ластик");
    ASSERT_EQ(e.annotations[2].marks.size(), 1U);
    EXPECT_EQ(e.annotations[2].marks[0].kind, WorkspaceMark::Kind::FillRect);
    EXPECT_EQ(e.annotations[2].marks[0].a, (Point{100, 100}));
    EXPECT_EQ(e.annotations[2].marks[0].b, (Point{108, 108}));
    EXPECT_EQ(e.annotations[2].marks[0].brush, (BrushState{0xFFFFFF, BrushStyle::Solid}));

    // Handed to a window's document, it is the same interpretation there.
    SurveyDocument window;
    window.takeOver(doc);
    EXPECT_EQ(window.depthTable().cell(5, 3), "a\tb\\n");
    EXPECT_EQ(window.layers().LayerCount(), 3);
}

} // namespace
} // namespace trassel
