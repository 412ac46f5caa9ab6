// Interpreting on the radargram at survey scale: a depth table of 1,000,000 rows (pickets 1 m
// apart, 10,000 pickets) with three checked layers, registered on a radargram of 1,000,000
// traces 1 m apart, drawn on a picture of 1,600 x 600 pixels.
//
// BM_OverlayBoundaries draws the three boundaries over the part in view onto the picture with
// Qt's painter, as the page paints them (PaintOverlayPaths); BM_OverlayPaths is the core's part: the first argument is the traces a pixel (1: 1,600 m
// in view at a random place; 0: the whole line, 625 rows a pixel column). A frame is 16 ms.
//
// BM_CorrectionFromRadargram is an arrow key on the radargram (Down, then Up), the whole core
// way: the document's undoable edit with the diagram mended, the boundaries mended and drawn
// again, and the section's cursor mark placed. The second benchmark is a Ctrl+click setting the
// depth at a row (the cursor moving there). Target 50 ms.
#include "document/section_scene.h"
#include "document/survey_document.h"
#include "radargram/qt/radargram_overlay_paint.h"
#include "radargram/radargram_overlay.h"
#include "table/grid.h"

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>

using namespace trassel;

namespace {

constexpr int kRows = 1'000'000;
constexpr int kWidth = 1600;
constexpr int kHeight = 600;

// The document of the survey: imported, three layers (columns 2..4), the diagram built.
struct Survey {
    Survey()
    {
        std::mt19937 rnd(3);
        std::string text = "PK\tD1\tD2\tD3\r\n";
        text.reserve(static_cast<std::size_t>(kRows) * 32);
        char buf[64];
        for (int r = 0; r < kRows; ++r) {
            const int n = std::snprintf(buf, sizeof buf, "%.2f\t%d\t%d\t%d\r\n", r * 0.01,
                                        40 + static_cast<int>(rnd() % 20), 90 + static_cast<int>(rnd() % 20),
                                        150 + static_cast<int>(rnd() % 20));
            text.append(buf, static_cast<std::size_t>(n));
        }
        auto bytes = std::make_unique<char[]>(text.size());
        std::memcpy(bytes.get(), text.data(), text.size());
        doc.importTable(std::move(bytes), text.size());
        doc.setRange(2, kRows + 1);
        for (int col : {2, 3, 4}) {
            doc.select(col, 2);
            doc.addLayer();
        }
        doc.layers().select(doc.layers().Layers(0).Item);
        doc.buildChart();
        doc.moveChartCursor(kRows / 2);
    }

    // Traces 1 m apart from picket 0, 0.1 ns a sample, eps 6, one trace a pixel or all in view.
    OverlayPlacement placement(double tracesPerPixel, double firstTrace) const
    {
        OverlayPlacement p;
        p.view = {firstTrace, tracesPerPixel, 0, 0.5};
        p.plotWidth = kWidth - RadargramMargins::kLeft - RadargramMargins::kRight;
        p.plotHeight = kHeight - RadargramMargins::kTop - RadargramMargins::kBottom;
        p.registration = TraceRegistration({}, HeaderPlacement{1.0, 0.0});
        p.depth = DepthModel(6.0, 2.0);
        p.sampleNs = 0.1;
        return p;
    }

    void follow()
    {
        overlay.update(doc.depthTable(), OverlayLayersOf(doc.layers()), doc.picketColumn(), doc.firstDataRow(),
                       doc.lastDataRow());
    }

    SurveyDocument doc;
    RadargramOverlay overlay;
};

Survey& TheSurvey()
{
    static Survey survey;
    return survey;
}

void BM_OverlayBoundaries(benchmark::State& state)
{
    Survey& s = TheSurvey();
    s.follow();
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    const double perPixel = state.range(0) == 0 ? static_cast<double>(kRows) / (kWidth - 104) : 1.0;
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> place(0, kRows - perPixel * kWidth);
    for (auto _ : state) {
        const OverlayPlacement p = s.placement(perPixel, state.range(0) == 0 ? 0.0 : place(random));
        {
            QPainter painter(&image);
            painter.setClipRect(p.left, p.top, p.plotWidth, p.plotHeight);
            PaintOverlayPaths(painter, s.overlay.paths(p));
        }
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["traces_per_pixel"] = perPixel;
}
BENCHMARK(BM_OverlayBoundaries)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// The same without the painter: finding the rows in view and keeping a column's extremes.
void BM_OverlayPaths(benchmark::State& state)
{
    Survey& s = TheSurvey();
    s.follow();
    const double perPixel = state.range(0) == 0 ? static_cast<double>(kRows) / (kWidth - 104) : 1.0;
    for (auto _ : state)
        benchmark::DoNotOptimize(s.overlay.paths(s.placement(perPixel, state.range(0) == 0 ? 0.0 : kRows / 3.0)));
}
BENCHMARK(BM_OverlayPaths)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// The core of what a correction repaints: the boundaries mended and drawn, the cursor's marks.
void Repaint(Survey& s, QImage& image, const OverlayPlacement& p)
{
    s.follow();
    QPainter painter(&image);
    painter.setClipRect(p.left, p.top, p.plotWidth, p.plotHeight);
    PaintOverlayPaths(painter, s.overlay.paths(p));
    benchmark::DoNotOptimize(s.overlay.picketOfRow(s.doc.diagram().cursor().Row));
    benchmark::DoNotOptimize(s.doc.section().xOfRow(s.doc.diagram().cursor().Row));
}

void BM_CorrectionFromRadargram(benchmark::State& state)
{
    Survey& s = TheSurvey();
    s.follow();
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    const OverlayPlacement p = s.placement(1.0, kRows / 2 - 800);
    const std::uint64_t reads = s.overlay.reads();
    DiagramKey key = DiagramKey::Down;
    for (auto _ : state) {
        benchmark::DoNotOptimize(s.doc.chartKeyDown(key));
        Repaint(s, image, p);
        key = key == DiagramKey::Down ? DiagramKey::Up : DiagramKey::Down;
    }
    state.counters["whole_reads"] = static_cast<double>(s.overlay.reads() - reads);
}
BENCHMARK(BM_CorrectionFromRadargram)->Unit(benchmark::kMillisecond);

void BM_DepthSetByClick(benchmark::State& state)
{
    Survey& s = TheSurvey();
    s.follow();
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    const OverlayPlacement p = s.placement(1.0, kRows / 2 - 800);
    int i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(s.doc.setDepthAt(kRows / 2 + i % 100, 30.0 + i % 7));
        Repaint(s, image, p);
        ++i;
    }
}
BENCHMARK(BM_DepthSetByClick)->Unit(benchmark::kMillisecond);

} // namespace
