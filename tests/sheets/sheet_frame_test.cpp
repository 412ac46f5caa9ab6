// The frame of a drawn sheet: the title block says the form's texts, the sheet's km, scales and
// number; the legend names and fills every layer and writes the scales as "1 : N"; the band
// lies under the picture and a batch sheet grows by it without touching the picture.
#include "sheets/sheet_frame.h"

#include "support/probe_canvas.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace trassel {
namespace {

using testing::ProbeCanvas;
using Kind = ProbeCanvas::Kind;

ProjectForm Form()
{
    ProjectForm f;
    f.organisation = "ООО «Трасса»";
    f.object = "Ремонт пути";
    f.line = "Луга – Толмачёво";
    f.track = "2";
    f.developer = "Иванова";
    f.checker = "Петров";
    f.date = "12.2026";
    return f;
}

SheetFacts Facts()
{
    SheetFacts facts;
    facts.kmText = "км 12,300 – 13,295";
    facts.number = 2;
    facts.count = 5;
    facts.horizontalScale = 944.9;
    facts.verticalScale = 38;
    return facts;
}

bool Inside(const ProbeCanvas::Op& op, const Rect& box)
{
    const Point p = op.points.front();
    return p.x >= box.left && p.x < box.right && p.y >= box.top && p.y < box.bottom;
}

TEST(SheetFrame, TheTitleBlockAndTheLegendSayWhatTheFormAndTheSheetGive)
{
    ProbeCanvas canvas(1200, 800);
    const SheetBand band = LayOutSheetBand(1200, 500, 100, 1100, false);
    // The title block at the bottom right, 185 x 40 mm; the legend left of it at the same height.
    EXPECT_EQ(band.titleBlock.right, 1199);
    EXPECT_EQ(band.titleBlock.right - band.titleBlock.left, SheetUnits(185));
    EXPECT_EQ(band.titleBlock.bottom - band.titleBlock.top, SheetUnits(40));
    EXPECT_LE(band.titleBlock.bottom, 500 + SheetBandHeight(false));
    EXPECT_LT(band.legend.right, band.titleBlock.left);
    EXPECT_TRUE(band.deviation.empty());

    SheetFrame frame;
    frame.form = Form();
    frame.facts = Facts();
    frame.legend = {{"Балласт", 0x00FFFF, 0, 0x000000}, {"Песок", 0x2060A0, 4, 0x0000FF}};
    DrawSheetBand(canvas, band, frame);
    for (const char* text :
         {"Разработал", "Иванова", "Проверил", "Петров", "12.2026", "Ремонт пути", "Луга – Толмачёво, путь 2",
          "км 12,300 – 13,295", "М гориз. 1 : 945", "М верт. 1 : 38", "Лист 2", "Листов 5", "ООО «Трасса»"}) {
        const ProbeCanvas::Op* op = canvas.findText(text);
        ASSERT_NE(op, nullptr) << text;
        EXPECT_TRUE(Inside(*op, band.titleBlock)) << text;
    }
    for (const char* text : {"Условные обозначения", "Масштаб горизонтальный 1 : 945", "Масштаб вертикальный 1 : 38",
                             "Балласт", "Песок"}) {
        const ProbeCanvas::Op* op = canvas.findText(text);
        ASSERT_NE(op, nullptr) << text;
        EXPECT_TRUE(Inside(*op, band.legend)) << text;
    }
    // Each layer's swatch is filled with its fill and framed in its line's colour.
    std::vector<ProbeCanvas::Op> swatches = canvas.of(Kind::Polygon);
    ASSERT_EQ(swatches.size(), 2U);
    EXPECT_EQ(swatches[0].brush, (BrushState{0x00FFFF, BrushStyle::Solid}));
    EXPECT_EQ(swatches[1].brush, (BrushState{0x2060A0, BrushStyle::FDiagonal}));
    EXPECT_EQ(swatches[1].pen.color, 0x0000FFU);

    // A text longer than its cell is cut with an ellipsis rather than run over the lines.
    ProbeCanvas narrow(1200, 800);
    frame.form.object = std::string(200, 'x');
    DrawSheetBand(narrow, band, frame);
    bool cut = false;
    for (const auto& op : narrow.of(Kind::Text))
        if (op.text.rfind("xxx", 0) == 0) {
            cut = true;
            EXPECT_EQ(op.text.substr(op.text.size() - 3), "…");
            EXPECT_LE(ProbeCanvas::widthOf(op.text), band.titleBlock.right - band.titleBlock.left);
        }
    EXPECT_TRUE(cut);
    EXPECT_EQ(ScaleText(0), "—");
    EXPECT_EQ(ScaleText(1000.4), "1 : 1000");
}

TEST(SheetFrame, ABatchSheetGrowsByTheBandAndAsksForThePlotOnlyWithAnAnalysis)
{
    ProbeCanvas canvas(500, 300);
    SheetFrame frame;
    frame.form = Form();
    frame.form.deviationPlot = true; // asked for, but no analysis given: no plot, no room for it
    frame.facts = Facts();
    FrameDrawnSheet(canvas, frame, 85, 400);
    // Widened to the title block, grown by the band without the plots.
    EXPECT_EQ(canvas.height(), 300 + SheetBandHeight(false));
    EXPECT_GE(canvas.width(), SheetUnits(185));
    // Nothing drawn over the picture.
    for (const auto& op : canvas.ops) {
        if (op.kind != Kind::Resize) {
            EXPECT_GE(op.points.front().y, 300);
        }
    }

    // With an analysis the band holds the plot and the bar of the failing stretches under the line.
    Compliance c;
    c.points = PointsOf({1000, 1010, 1020}, 2);
    LayerCompliance layer;
    layer.line.thicknessCm = {30, 10, 30};
    layer.line.normCm = {30, 30, 30};
    layer.stretches.push_back({1, 1, 1005, 1015, 10, 10, 20, 0});
    c.layers.push_back(layer);
    frame.compliance = &c;
    frame.axis = {10, 400, 85};
    ProbeCanvas plotted(500, 300);
    FrameDrawnSheet(plotted, frame, 85, 400);
    EXPECT_EQ(plotted.height(), 300 + SheetBandHeight(true));
    const auto red = std::count_if(plotted.ops.begin(), plotted.ops.end(), [](const ProbeCanvas::Op& op) {
        return op.kind == Kind::Line && op.pen.color == kDeviationBelow;
    });
    EXPECT_EQ(red, 40); // 1005..1015 m at 4 pixels a metre
    bool bar = false;
    for (const auto& op : plotted.of(Kind::FillRect))
        if (op.brush.color == kDeviationBelow) {
            bar = true;
            EXPECT_EQ(op.points.front().x, 105);
            EXPECT_EQ(op.points[1].x - op.points[0].x, 40); // the plot's red columns exactly
        }
    EXPECT_TRUE(bar);
}

} // namespace
} // namespace trassel
