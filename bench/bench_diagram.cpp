// Interpretation diagram at survey scale.
//
// BM_BuildChart rebuilds the diagram of a 100,000-row depth table (pickets at 1 m, i.e. 0.01
// picket apart) with 5 checked layers: target under 150 ms. BM_KeyCorrection is one Down key
// on the diagram: a table write and the diagram mended (the one point moved), target under
// 40 ms at 100,000 rows and 50 ms at 1,000,000; BM_KeyCorrectionShown adds the plot taking the
// change and its repaint, the whole way from the key to what the user sees. The ChartView
// benchmarks hand 500,000 points per series with marks on to the plot and render it
// offscreen: once with the diagram's usual 2-picket window, once with everything in view.
#include "diagram/qt/chart_view.h"
#include "diagram/diagram.h"
#include "layers/layers.h"
#include "table/grid.h"
#include "table/grid_io.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>

using namespace trassel;

namespace {

// A header line (row 1), then `rows` lines (rows 2..): picket, 11 depth columns.
std::unique_ptr<Grid> makeSurvey(int rows)
{
    std::mt19937 rnd(11);
    std::string text = "PK\tD1\tD2\tD3\tD4\tD5\tD6\tD7\tD8\tD9\tD10\tD11\r\n";
    char buf[32];
    for (int r = 0; r < rows; ++r) {
        int n = std::snprintf(buf, sizeof buf, "%.2f", 100.0 + r * 0.01);
        text.append(buf, static_cast<std::size_t>(n));
        for (int c = 2; c <= 12; ++c) {
            n = std::snprintf(buf, sizeof buf, "\t%.1f", 20.0 * c + (rnd() % 3000) / 100.0);
            text.append(buf, static_cast<std::size_t>(n));
        }
        text += "\r\n";
    }
    FileBytes bytes;
    bytes.size = text.size();
    bytes.data = std::make_unique<char[]>(text.size());
    std::memcpy(bytes.data.get(), text.data(), text.size());
    auto grid = std::make_unique<Grid>(13, 20);
    LoadGridFromTextFile(*grid, std::move(bytes), '\t');
    return grid;
}

// A depth table, 5 checked layers on columns 2..6 and the diagram, built once.
struct Survey {
    explicit Survey(int rows) : grid(makeSurvey(rows)), layers(chart), diagram(chart, layers, 2)
    {
        params.LastDataRow = rows + 1;
        for (int c = 2; c <= 6; ++c)
            layers.addLayer("1", c);
        diagram.cursor().Row = rows / 2;
        diagram.BuildChart(*grid, params);
    }
    std::unique_ptr<Grid> grid;
    ChartModel chart;
    LayerManager layers;
    Diagram diagram;
    DiagramParams params;
};

void BM_BuildChart(benchmark::State& state)
{
    Survey s(100'000);
    const std::string cell = s.grid->cell(2, 2);
    for (auto _ : state) {
        // Two writes since the last build: a whole build, not the mending of one point.
        s.grid->setCell(2, 2, "0");
        s.grid->setCell(2, 2, cell);
        s.diagram.BuildChart(*s.grid, s.params);
    }
    state.counters["points"] = static_cast<double>(6 * 100'000);
}
BENCHMARK(BM_BuildChart)->Unit(benchmark::kMillisecond);

void BM_KeyCorrection(benchmark::State& state)
{
    Survey s(static_cast<int>(state.range(0)));
    DiagramKey key = DiagramKey::Down;
    for (auto _ : state) {
        s.diagram.ChartKeyDown(*s.grid, key, s.params);
        key = key == DiagramKey::Down ? DiagramKey::Up : DiagramKey::Down; // keeps the depth where it was
    }
}
BENCHMARK(BM_KeyCorrection)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// From the key to the painted diagram: the correction, the plot taking the changed points and
// the repaint of the window around the cursor (1200 x 700), as the user sees it.
void BM_KeyCorrectionShown(benchmark::State& state)
{
    Survey s(static_cast<int>(state.range(0)));
    ChartView view(s.chart);
    view.resize(1200, 700);
    view.syncFromModel();
    DiagramKey key = DiagramKey::Down;
    for (auto _ : state) {
        s.diagram.ChartKeyDown(*s.grid, key, s.params);
        view.syncFromModel();
        benchmark::DoNotOptimize(view.toPixmap(1200, 700));
        key = key == DiagramKey::Down ? DiagramKey::Up : DiagramKey::Down;
    }
}
BENCHMARK(BM_KeyCorrectionShown)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// The picket line and one layer of 500,000 points each, marks on as after a build.
struct BigChart {
    BigChart()
    {
        std::mt19937 rnd(5);
        picket = chart.createSeries(SeriesKind::Line);
        layer = chart.createSeries(SeriesKind::Point);
        ChartSeries& p = chart.series(picket);
        ChartSeries& l = chart.series(layer);
        p.reserve(kPoints);
        l.reserve(kPoints);
        // A boundary wanders the way a real one does: a random walk of up to 2 cm per metre.
        double depth = 250.0;
        for (int i = 0; i < kPoints; ++i) {
            depth = std::clamp(depth + static_cast<double>(rnd() % 5) - 2.0, 100.0, 400.0);
            p.addXY(100.0 + i * 0.01, 0.0, i + 2);
            l.addXY(100.0 + i * 0.01, depth, i + 2);
        }
        p.setMarksVisible(true);
        p.setMarksDrawEvery(20);
        p.setMarksStyle(MarkStyle::XValue);
        p.setMarksArrowLength(20);
        p.setMarksFont({true, 14, 0});
        p.setColor(255);
        p.setPenWidth(3);
        l.setMarksVisible(true);
        l.setMarksDrawEvery(10);
        l.setColor(0x528292);
        chart.attach(picket);
        chart.attach(layer);
        view = std::make_unique<ChartView>(chart);
        view->resize(1200, 700);
    }
    static constexpr int kPoints = 500'000;
    ChartModel chart;
    SeriesId picket = 0;
    SeriesId layer = 0;
    std::unique_ptr<ChartView> view;

    // New point data for both series, as a rebuild gives, without the cost of a rebuild.
    void touchData()
    {
        for (SeriesId id : {picket, layer}) {
            ChartSeries& s = chart.series(id);
            const double x = s.xs().back();
            const double y = s.ys().back();
            s.remove(s.count() - 1);
            s.addXY(x, y);
        }
    }
};

void BM_ChartViewSyncRenderWindow(benchmark::State& state)
{
    BigChart b;
    b.chart.bottomAxis().setRange(2599.0, 2601.0);
    b.chart.leftAxis().setRange(150.0, 350.0);
    for (auto _ : state) {
        b.touchData();
        b.view->syncFromModel();
        benchmark::DoNotOptimize(b.view->toPixmap(1200, 700));
    }
    state.counters["marks"] = static_cast<double>(b.view->marksDrawn());
}
BENCHMARK(BM_ChartViewSyncRenderWindow)->Unit(benchmark::kMillisecond);

void BM_ChartViewSyncRenderAll(benchmark::State& state)
{
    BigChart b;
    b.chart.bottomAxis().setRange(100.0, 5100.0);
    b.chart.leftAxis().setRange(0.0, 500.0);
    for (auto _ : state) {
        b.touchData();
        b.view->syncFromModel();
        benchmark::DoNotOptimize(b.view->toPixmap(1200, 700));
    }
    state.counters["marks"] = static_cast<double>(b.view->marksDrawn());
}
BENCHMARK(BM_ChartViewSyncRenderAll)->Unit(benchmark::kMillisecond);

// Repainting alone, as a pan or a zoom does, everything in view.
void BM_ChartViewRenderAll(benchmark::State& state)
{
    BigChart b;
    b.chart.bottomAxis().setRange(100.0, 5100.0);
    b.chart.leftAxis().setRange(0.0, 500.0);
    b.view->syncFromModel();
    for (auto _ : state)
        benchmark::DoNotOptimize(b.view->toPixmap(1200, 700));
}
BENCHMARK(BM_ChartViewRenderAll)->Unit(benchmark::kMillisecond);

} // namespace
