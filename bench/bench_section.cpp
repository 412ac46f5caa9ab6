// The section at survey density: a row every 10 cm with boundaries that wander by a few
// centimetres from row to row, three layers. Drawing is recording the section's operations;
// what the window shows is the visible part replayed in tiles; the exports replay it whole.
//
//   BM_Record/200000, /1000000   the drawing (what "Построить разрез полигонами" does)
//   BM_VisiblePart/200000        a parameter change as the window sees it: the drawing again,
//                                into the record the section keeps and from the table's numbers
//                                read by the first drawing, plus the tiles of a 1600-pixel-wide
//                                view; BM_VisiblePartFirst the same with the cells read again
//   BM_WholeBitmap/200000        the 80,000 x 355 bitmap of the raster export
//   BM_Pdf/200000                the PDF export of the 20 km section (file size as a counter)
//   BM_Straightforward/20000     one polygon call per layer over a 2 km dense survey, for scale
#include "drawing/drawing_record.h"
#include "platform/image_export.h"
#include "platform/qt_canvas.h"
#include "section/section_renderer.h"
#include "table/grid.h"
#include "base/numbers.h"

#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <map>
#include <optional>
#include <memory>
#include <random>
#include <vector>

namespace {

using namespace trassel;

std::unique_ptr<Grid> MakeSurvey(int rows)
{
    auto grid = std::make_unique<Grid>(5, rows + 2);
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> wander(-3, 3);
    int d[3] = {40, 90, 160};
    for (int i = 0; i < rows; ++i) {
        const int row = i + 2;
        grid->setCell(1, row, NumberToText(RoundTo(10.0 + i * 0.001, 3)));
        for (int k = 0; k < 3; ++k) {
            d[k] = std::clamp(d[k] + wander(rng), 20 + 60 * k, 60 + 70 * k);
            grid->setCell(2 + k, row, NumberToText(d[k]));
        }
    }
    return grid;
}

const Grid& Survey(int rows)
{
    static std::map<int, std::unique_ptr<Grid>> made;
    auto& grid = made[rows];
    if (!grid)
        grid = MakeSurvey(rows);
    return *grid;
}

const std::vector<SectionLayer> kLayers = {
    {1, 2, 3, 0x000000, 0x40C0FF, 0, true},
    {1, 3, 3, 0x000000, 0x2060A0, 4, true},
    {1, 4, 3, 0x000000, 0x808000, 6, true},
};

SectionParams ParamsFor(int rows)
{
    SectionParams params;
    params.FirstDataRow = 2;
    params.LastDataRow = rows + 1;
    return params;
}

void Draw(DrawingRecord& record, int rows)
{
    static QtCanvasServices services;
    RecordingCanvas canvas(record, services);
    SectionState state;
    PlotRazrezPoligon(canvas, state, Survey(rows), ParamsFor(rows), kLayers);
    record.compact();
}

double PeakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_Record(benchmark::State& state)
{
    const int rows = static_cast<int>(state.range(0));
    Survey(rows);
    std::size_t bytes = 0;
    int width = 0;
    for (auto _ : state) {
        DrawingRecord record(kSectionStartWidth, kSectionStartHeight);
        Draw(record, rows);
        bytes = record.bytes();
        width = record.width();
        benchmark::DoNotOptimize(record.ops().data());
    }
    state.counters["width_px"] = width;
    state.counters["record_MB"] = static_cast<double>(bytes) / 1e6;
    state.counters["bitmap_MB"] = static_cast<double>(width) * 355 * 4 / 1e6;
    state.counters["peak_RSS_MB"] = PeakMegabytes();
}
BENCHMARK(BM_Record)->Arg(200'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);

// The view in the middle of the line, four tiles of 512 px.
// Where the view stands along the section: 0.5 in its middle, 1 at its end.
double viewAt = 0.5;

SectionWindow ViewOf(int width)
{
    const int left = std::max(0, static_cast<int>((width - 4 * 512) * viewAt)) / 512 * 512;
    return {left, left + 4 * 512};
}

// The visible tiles of a record.
void MakeVisibleTiles(const DrawingRecord& record)
{
    const int left = ViewOf(record.width()).left;
    std::vector<QRect> view;
    for (int i = 0; i < 4; ++i)
        view.emplace_back(left + i * 512, 0, 512, record.height());
    benchmark::DoNotOptimize(MakeTiles(record, view).data());
}

// A parameter change as the section scene runs it: the record and its canvas live on from one
// drawing to the next (a drawing is appended, then what it covers is dropped), and the table's
// numbers are read once while the table stays as it is. The scene draws the columns on screen
// first (`window`) and the rest only when something needs it.
void VisiblePart(benchmark::State& state, bool keepReadings, bool onScreen = false)
{
    bool windowFirst = false;
    const int rows = static_cast<int>(state.range(0));
    const Grid& grid = Survey(rows);
    static QtCanvasServices services;
    DrawingRecord record(kSectionStartWidth, kSectionStartHeight);
    RecordingCanvas canvas(record, services);
    SectionReadings readings;
    SectionParams params = ParamsFor(rows);
    // The part on screen is drawn after the former drawing and replaces the part drawn before
    // it, as the scene does: nothing is compacted until the whole section is drawn.
    std::optional<RecordingCanvas::Snapshot> former;
    const auto draw = [&] {
        SectionState sectionState;
        if (windowFirst && former)
            canvas.restore(*former);
        const SectionWindow window = windowFirst ? ViewOf(record.width()) : SectionWindow{};
        if (keepReadings)
            PlotRazrezPoligon(canvas, sectionState, grid, params, kLayers, readings, {}, window);
        else
            PlotRazrezPoligon(canvas, sectionState, grid, params, kLayers);
        if (!windowFirst)
            record.compact();
    };
    windowFirst = false;
    draw();
    record.compact();
    windowFirst = onScreen;
    former = canvas.snapshot();
    for (auto _ : state) {
        params.SX = params.SX == 400 ? 401 : 400;
        draw();
        MakeVisibleTiles(record);
    }
    state.counters["readings_MB"] = static_cast<double>(readings.bytes()) / 1e6;
    state.counters["record_MB"] = static_cast<double>(record.bytes()) / 1e6;
}

void BM_VisiblePart(benchmark::State& state) { VisiblePart(state, true); }
BENCHMARK(BM_VisiblePart)->Arg(200'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_VisiblePartFirst(benchmark::State& state) { VisiblePart(state, false); }
BENCHMARK(BM_VisiblePartFirst)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_VisiblePartOnScreen(benchmark::State& state) { VisiblePart(state, true, true); }
BENCHMARK(BM_VisiblePartOnScreen)->Arg(200'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(5);

// The view at the line's end: every row lies left of it, so none can be passed over.
void BM_VisiblePartOnScreenAtEnd(benchmark::State& state)
{
    viewAt = 1.0;
    VisiblePart(state, true, true);
    viewAt = 0.5;
}
BENCHMARK(BM_VisiblePartOnScreenAtEnd)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_WholeBitmap(benchmark::State& state)
{
    const int rows = static_cast<int>(state.range(0));
    DrawingRecord record(kSectionStartWidth, kSectionStartHeight);
    Draw(record, rows);
    for (auto _ : state)
        benchmark::DoNotOptimize(RenderRecord(record).constBits());
    state.counters["width_px"] = record.width();
}
BENCHMARK(BM_WholeBitmap)->Arg(200'000)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_Pdf(benchmark::State& state)
{
    const int rows = static_cast<int>(state.range(0));
    DrawingRecord record(kSectionStartWidth, kSectionStartHeight);
    Draw(record, rows);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("section.pdf"));
    for (auto _ : state)
        ExportSectionRecord(record, path);
    state.counters["file_MB"] = static_cast<double>(QFileInfo(path).size()) / 1e6;
}
BENCHMARK(BM_Pdf)->Arg(200'000)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_Straightforward(benchmark::State& state)
{
    const int rows = static_cast<int>(state.range(0));
    Survey(rows);
    for (auto _ : state) {
        ImageCanvas canvas(kSectionStartWidth, kSectionStartHeight);
        canvas.setStrips(state.range(1) != 0);
        SectionState section;
        PlotRazrezPoligon(canvas, section, Survey(rows), ParamsFor(rows), kLayers);
        benchmark::DoNotOptimize(canvas.image().constBits());
    }
}
BENCHMARK(BM_Straightforward)->Args({20'000, 0})->Args({20'000, 1})->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace
