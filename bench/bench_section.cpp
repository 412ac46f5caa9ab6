// Drawing the section on the Qt canvas: a 20,000-row line (a bitmap of about 80,000 x 355) and a
// 2,000-row redraw, each with three layers.
#include "platform/qt_canvas.h"
#include "section/section_renderer.h"
#include "table/grid.h"
#include "table/numbers.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

using namespace trassel;

constexpr int kRows = 20'000;

// Pickets every metre from picket 10, three boundaries that wander like a real track bed.
std::unique_ptr<Grid> MakeSurvey()
{
    auto grid = std::make_unique<Grid>(5, kRows + 2);
    for (int i = 0; i < kRows; ++i) {
        const int row = i + 2;
        grid->setCell(1, row, NumberToText(RoundTo(10.0 + i * 0.01, 2)));
        grid->setCell(2, row, NumberToText(std::round(40 + 8 * std::sin(i * 0.013))));
        grid->setCell(3, row, NumberToText(std::round(90 + 15 * std::sin(i * 0.007 + 1))));
        grid->setCell(4, row, NumberToText(std::round(160 + 25 * std::sin(i * 0.003 + 2))));
    }
    return grid;
}

const std::vector<SectionLayer> kLayers = {
    {1, 2, 3, 0x000000, 0x40C0FF, 0, true},
    {1, 3, 3, 0x000000, 0x2060A0, 4, true},
    {1, 4, 3, 0x000000, 0x808000, 6, true},
};

void DrawSection(benchmark::State& state, int rows)
{
    static const std::unique_ptr<Grid> grid = MakeSurvey();
    SectionParams params;
    params.FirstDataRow = 2;
    params.LastDataRow = rows + 1;
    SectionState section;
    ImageCanvas canvas(kSectionStartWidth, kSectionStartHeight);
    for (auto _ : state) {
        PlotRazrezPoligon(canvas, section, *grid, params, kLayers);
        benchmark::DoNotOptimize(canvas.image().constBits());
    }
    state.counters["width"] = canvas.width();
    state.counters["height"] = canvas.height();
}

void BM_Section20000Rows3Layers(benchmark::State& state)
{
    DrawSection(state, kRows);
}
BENCHMARK(BM_Section20000Rows3Layers)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_SectionRedraw2000Rows3Layers(benchmark::State& state)
{
    DrawSection(state, 2'000);
}
BENCHMARK(BM_SectionRedraw2000Rows3Layers)->Unit(benchmark::kMillisecond);

} // namespace
