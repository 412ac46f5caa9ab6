// The section drawn once into a record and shown anywhere: the replayed bitmap, every tile of
// it and the strip-by-strip polygons are pixel for pixel the straightforward drawing, on a
// sparse survey and on one as dense as a real radar survey.
#include "drawing/drawing_record.h"
#include "platform/qt_canvas.h"
#include "platform/image_export.h"
#include "base/error.h"

#include "support/qt_app.h"
#include "section/section_renderer.h"
#include "table/grid.h"
#include "base/numbers.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

namespace trassel {
namespace {

[[maybe_unused]] auto* const kApp = ::testing::AddGlobalTestEnvironment(new testing::QtAppEnvironment<QGuiApplication>);

// Pickets from 10 every `spacing` metres; three boundaries that wander by a few centimetres
// from row to row, as a radar survey's do.
std::unique_ptr<Grid> MakeSurvey(int rows, double spacing)
{
    auto made = std::make_unique<Grid>(5, rows + 2);
    Grid& grid = *made;
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> wander(-3, 3);
    int d[3] = {40, 90, 160};
    for (int i = 0; i < rows; ++i) {
        const int row = i + 2;
        grid.setCell(1, row, NumberToText(RoundTo(10.0 + i * spacing / 100.0, 2)));
        for (int k = 0; k < 3; ++k) {
            d[k] = std::clamp(d[k] + wander(rng), 10 + 60 * k, 60 + 70 * k);
            grid.setCell(2 + k, row, NumberToText(d[k]));
        }
    }
    return made;
}

const std::vector<SectionLayer> kLayers = {
    {1, 2, 3, 0x000000, 0x40C0FF, 0, true}, // solid fill, wide outline
    {1, 3, 1, 0x0000FF, 0x2060A0, 4, true}, // hatch, thin outline: dashed after the guide lines
    {1, 4, 5, 0x008000, 0x808000, 1, true}, // no fill, wider outline
};

SectionParams ParamsFor(int rows)
{
    SectionParams params;
    params.FirstDataRow = 2;
    params.LastDataRow = rows + 1;
    return params;
}

// The straightforward drawing: straight onto one bitmap, each polygon in one call.
QImage DrawDirect(const Grid& grid, const SectionParams& params)
{
    ImageCanvas canvas(kSectionStartWidth, kSectionStartHeight);
    canvas.setStrips(false);
    SectionState state;
    PlotRazrezPoligon(canvas, state, grid, params, kLayers);
    return canvas.image();
}

int Differences(const QImage& a, const QImage& b, QPoint at = {})
{
    int n = 0;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x)
            n += (a.pixel(at.x() + x, at.y() + y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF) ? 1 : 0;
    return n;
}

class RecordPixels : public ::testing::TestWithParam<std::pair<int, double>> { };

TEST_P(RecordPixels, ReplayedBitmapAndEveryTileAreTheDirectDrawing)
{
    const auto [rows, spacing] = GetParam();
    const auto survey = MakeSurvey(rows, spacing);
    const Grid& grid = *survey;
    const SectionParams params = ParamsFor(rows);
    const QImage direct = DrawDirect(grid, params);

    QtCanvasServices services;
    DrawingRecord record(kSectionStartWidth, kSectionStartHeight);
    RecordingCanvas canvas(record, services);
    SectionState state;
    PlotRazrezPoligon(canvas, state, grid, params, kLayers);
    record.compact();

    const QImage replayed = RenderRecord(record);
    ASSERT_EQ(replayed.size(), direct.size());
    EXPECT_EQ(Differences(direct, replayed), 0);

    // Tiles at awkward places: across strip borders, over the left margin, at the right edge.
    const int w = direct.width();
    const int h = direct.height();
    const std::vector<QRect> tiles = {QRect(0, 0, 300, h), QRect(517, 0, 600, h), QRect(w - 333, 0, 333, h),
                                      QRect(w / 2 - 1, 40, 513, 100)};
    for (const QRect& tile : tiles) {
        const QImage part = RenderTile(record, tile);
        EXPECT_EQ(Differences(direct, part, tile.topLeft()), 0) << tile.x() << "+" << tile.width();
    }
    // Made side by side on several threads, the tiles are the same.
    const auto made = MakeTiles(record, tiles);
    ASSERT_EQ(made.size(), tiles.size());
    for (std::size_t i = 0; i < tiles.size(); ++i)
        EXPECT_EQ(Differences(direct, made[i]->image(), tiles[i].topLeft()), 0) << i;
}

// The columns on screen drawn first: inside them every pixel is the whole drawing's, with the
// thinned labels, the wide and the thin (dashed) outlines and the picket marks; outside much is
// left out. Windows at the start, in the middle across a picket, at the end and past it; on the
// survey as it is and on a flat one, where the labels thinned away repeat with a period that a
// drawing starting its thinning afresh near the window would get wrong for good. With the
// table's readings kept from a whole drawing (as the scene keeps them), rising pickets let the
// drawing stop right of the window; a picket running back into the window late in the table
// must keep it from stopping.
TEST_P(RecordPixels, ColumnsDrawnFirstAreThoseOfTheWholeDrawing)
{
    const auto [rows, spacing] = GetParam();
    const auto wandering = MakeSurvey(rows, spacing);
    auto flat = MakeSurvey(rows, spacing);
    for (int row = 2; row < rows + 2; ++row)
        for (int col = 2; col <= 4; ++col)
            flat->setCell(col, row, NumberToText(40 + 50 * (col - 2)));
    auto back = MakeSurvey(rows, spacing);
    back->setCell(1, 2 + rows * 3 / 4, std::string(back->cellView(1, 2 + rows / 2)));
    back->setCell(3, 2 + rows * 3 / 4, "250");
    SectionParams params = ParamsFor(rows);
    params.SX = 1300; // labels crowd: most rows are thinned away

    QtCanvasServices services;
    for (const Grid* grid : {wandering.get(), flat.get(), back.get()}) {
        const QImage direct = DrawDirect(*grid, params);
        const int w = direct.width();
        const int h = direct.height();
        std::size_t wholeOps = 0;
        {
            DrawingRecord record(kSectionStartWidth, kSectionStartHeight);
            RecordingCanvas canvas(record, services);
            SectionState state;
            PlotRazrezPoligon(canvas, state, *grid, params, kLayers);
            record.compact();
            wholeOps = record.ops().size();
        }
        SectionReadings kept;
        {
            DrawingRecord record(kSectionStartWidth, kSectionStartHeight);
            RecordingCanvas canvas(record, services);
            SectionState state;
            PlotRazrezPoligon(canvas, state, *grid, params, kLayers, kept);
        }
        for (const SectionWindow window : {SectionWindow{0, 700}, SectionWindow{w / 2 - 611, w / 2 + 389},
                                           SectionWindow{w - 900, w}, SectionWindow{w + 100, w + 900}})
            for (const bool keptReadings : {false, true}) {
                DrawingRecord record(kSectionStartWidth, kSectionStartHeight);
                RecordingCanvas canvas(record, services);
                SectionState state;
                SectionReadings fresh;
                PlotRazrezPoligon(canvas, state, *grid, params, kLayers, keptReadings ? kept : fresh, {}, window);
                record.compact();
                EXPECT_EQ(state.sectionWidth, w);
                const int left = std::clamp(window.left, 0, w);
                const int right = std::clamp(window.right, 0, w);
                if (right > left) {
                    const QRect shown(left, 0, right - left, h);
                    EXPECT_EQ(Differences(direct, RenderTile(record, shown), shown.topLeft()), 0) << window.left;
                }
                // What is off screen is left out: the window and its margins are under a third of
                // the dense survey's width, and hold well under its operations.
                if (rows > 1000) {
                    EXPECT_LT(record.ops().size() * 3, wholeOps * 2) << window.left;
                }
            }
    }
}

INSTANTIATE_TEST_SUITE_P(SparseAndDense, RecordPixels,
                         ::testing::Values(std::pair{400, 1.0},   // a row every metre: few vertices
                                           std::pair{6000, 0.1}), // a row every 10 cm: 2.5 per pixel column
                         [](const auto& param) { return param.param.second < 0.5 ? "Dense" : "Sparse"; });

// A drawing made over another one that is not compacted yet (a section's part drawn first) is
// replayed as the compacted record would be: what the white fill covers is skipped, the sizes
// before it are kept.
TEST(RecordPixels, WhatAWhiteFillCoversIsNotNeededToReplay)
{
    QtCanvasServices services;
    DrawingRecord record(300, 120);
    RecordingCanvas canvas(record, services);
    const auto draw = [&canvas](Color fill, int shift) {
        canvas.setBrushColor(fill);
        const std::vector<Point> band = {{10 + shift, 10}, {250, 30 + shift}, {200, 100}, {20, 90}};
        canvas.setPenWidth(3);
        canvas.polygon(band);
        canvas.textOut(40 + shift, 50, "ПК123");
    };
    draw(0x40C0FF, 0);
    canvas.setSize(500, 150); // the former drawing grew the bitmap
    draw(0x2060A0, 30);
    canvas.whiteFill(0, 0, 500, 150);
    canvas.setSize(420, 140);
    draw(0x808000, 60);
    const QImage uncompacted = RenderRecord(record);
    const QImage tile = RenderTile(record, QRect(100, 0, 200, 140));
    record.compact();
    const QImage compacted = RenderRecord(record);
    ASSERT_EQ(uncompacted.size(), QSize(420, 140));
    ASSERT_EQ(compacted.size(), uncompacted.size());
    EXPECT_EQ(Differences(compacted, uncompacted), 0);
    EXPECT_EQ(Differences(compacted, tile, QPoint(100, 0)), 0);
}

TEST(RecordPixels, AnnotationsAndSizeChangesReplayToo)
{
    QtCanvasServices services;
    DrawingRecord record(200, 100);
    RecordingCanvas canvas(record, services);
    ImageCanvas direct(200, 100);
    const auto draw = [](Canvas& c) {
        c.setBrushColor(0x00FFFF);
        c.setSize(260, 80); // wider and lower: the added strip takes the brush colour
        c.setPenStyle(PenStyle::Dashed);
        c.moveTo(0, 10);
        c.lineTo(250, 70); // a thin dashed line
        c.setBrushStyle(BrushStyle::Solid);
        c.setBrushColor(kWhite);
        c.textOut(30, 30, "суглинок");
        c.fillRect(100, 20, 124, 44); // the eraser's square
        c.setSize(120, 80);           // cut, then grown again: the cut part comes back in the brush colour
        c.setBrushColor(0xFF00FF);
        c.setSize(240, 90);
    };
    draw(canvas);
    draw(direct);
    const QImage replayed = RenderRecord(record);
    ASSERT_EQ(replayed.size(), direct.image().size());
    EXPECT_EQ(Differences(direct.image(), replayed), 0);
    EXPECT_EQ(Differences(direct.image(), RenderTile(record, QRect(37, 5, 150, 70)), QPoint(37, 5)), 0);
}

TEST(RecordPixels, APrintedPartIsThatPartOfTheWhole)
{
    // Painting only a page's part cuts the long bands down to that part; what the page shows
    // stays what painting everything and clipping would show.
    const auto survey = MakeSurvey(6000, 0.1);
    QtCanvasServices services;
    DrawingRecord record(kSectionStartWidth, kSectionStartHeight);
    RecordingCanvas canvas(record, services);
    SectionState state;
    const std::vector<SectionLayer> wide = {{1, 2, 3, 0, 0x40C0FF, 0, true}, {1, 3, 2, 0, 0x2060A0, 4, true}};
    PlotRazrezPoligon(canvas, state, *survey, ParamsFor(6000), wide);
    const QRect page(900, 0, 700, record.height());
    const auto paint = [&](QRect area) {
        QImage image(record.width(), record.height(), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setClipRect(page);
        PaintRecord(record, painter, area);
        return image.copy(page);
    };
    EXPECT_EQ(paint(page), paint(QRect()));
}

TEST(RecordPixels, PdfOfARecordKeepsItsTextsAsText)
{
    const auto survey = MakeSurvey(400, 1.0);
    const Grid& grid = *survey;
    QtCanvasServices services;
    DrawingRecord record(kSectionStartWidth, kSectionStartHeight);
    RecordingCanvas canvas(record, services);
    SectionState state;
    PlotRazrezPoligon(canvas, state, grid, ParamsFor(400), kLayers);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("section.pdf"));
    {
        QPdfWriter pdf(path);
        pdf.setResolution(96);
        pdf.setPageSize(QPageSize(QSizeF(record.width() * 0.75, record.height() * 0.75), QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter(&pdf);
        PaintRecord(record, painter);
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray pdf = file.readAll();
    EXPECT_TRUE(pdf.startsWith("%PDF"));
    // Texts are drawn with an embedded font, not as pictures of letters.
    EXPECT_TRUE(pdf.contains("/FontDescriptor"));
    // The glyph of the picket marks is one small embedded picture, however many marks there are.
    EXPECT_LE(pdf.count("/Subtype /Image"), 3);

    // The export by name: an SVG as large as the section, its hatch a pattern, its labels text.
    const QString svgPath = dir.filePath(QStringLiteral("section.svg"));
    ExportSectionRecord(record, svgPath);
    QFile svgFile(svgPath);
    ASSERT_TRUE(svgFile.open(QIODevice::ReadOnly));
    const QByteArray svg = svgFile.readAll();
    EXPECT_TRUE(
        svg.contains(QStringLiteral("viewBox=\"0 0 %1 %2\"").arg(record.width()).arg(record.height()).toUtf8()));
    EXPECT_TRUE(svg.contains("<pattern"));
    EXPECT_TRUE(svg.contains(QStringLiteral(">ПК11+00<").toUtf8()));
    // A name the vector writers cannot take fails with the file's name and leaves nothing.
    EXPECT_THROW(ExportSectionRecord(record, dir.filePath(QStringLiteral("no/such/dir/s.pdf"))), Error);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("no/such/dir/s.pdf"))));

    // Stopped half-way, an export of any kind leaves the former file and no temporary one;
    // told to the end, it climbs to the whole.
    const QStringList before = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    for (const QString& name :
         {QStringLiteral("section.pdf"), QStringLiteral("section.svg"), QStringLiteral("new.png")}) {
        const QString target = dir.filePath(name);
        QByteArray former;
        if (QFile f(target); f.open(QIODevice::ReadOnly))
            former = f.readAll();
        int calls = 0;
        EXPECT_THROW(ExportSectionRecord(record, target,
                                         [&](long long, long long) {
                                             if (++calls == 2)
                                                 throw Cancelled();
                                         }),
                     Cancelled)
            << name.toStdString();
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), before) << name.toStdString();
        if (QFile f(target); f.open(QIODevice::ReadOnly)) {
            EXPECT_EQ(f.readAll(), former) << name.toStdString();
        }
        long long last = -1;
        bool climbs = true;
        ExportSectionRecord(record, target, [&](long long done, long long total) {
            climbs = climbs && done >= last && total == ProgressMeter::kWhole;
            last = done;
        });
        EXPECT_TRUE(climbs) << name.toStdString();
        EXPECT_EQ(last, ProgressMeter::kWhole) << name.toStdString();
        QFile::remove(dir.filePath(QStringLiteral("new.png")));
    }
}

} // namespace
} // namespace trassel
