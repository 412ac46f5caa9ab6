// What a scroll or zoom step of the radargram page costs in the core, on the survey DZT of
// survey_dzt.h (100 km, 10^6 traces x 512 samples, 1 GB).
//
// BM_RasterScreen makes the picture of one screen, 1,600 x 600 pixels, with RenderRadargram at a
// random place of the line: at one trace a pixel (first argument 1), at 16 traces a pixel (16)
// and with the whole 100 km in view (0: 625 traces a pixel, each column averaging 4 of them);
// the second argument is the gain, 0 exponential and 1 the automatic gain. A frame of the page
// is 16 ms; the page makes a picture only when the view or the display changed and paints a
// kept one otherwise.
//
// BM_SceneScrollStep is the same through the scene the page draws with: a scroll of 40 pixels
// (one notch of the wheel) along the line at one trace a pixel, then the picture of the new view.
//
// BM_StripScrollStep is the radargram shown above the section, 1,000 x 250 pixels, on the
// section's axis (400 pixels a picket, 1,000 traces a picket: 2.5 traces a pixel; at the zoom
// 0.1 of the first argument 10, 25 traces a pixel), registered by a tie every 1,000 traces placed
// a little off the header's step so that the segments differ: one scroll step of 40 pixels, then
// what the strip does for its new view: the traces under each column, and their picture (second
// argument: 0 exponential gain, 1 the automatic gain).
#include "radargram/radargram_reader.h"
#include "radargram/radargram_render.h"
#include "radargram/radargram_scene.h"
#include "radargram/radargram_strip.h"
#include "survey_dzt.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>

using namespace trassel;

namespace {

constexpr int kScreenWidth = 1600;
constexpr int kScreenHeight = 600;

void BM_RasterScreen(benchmark::State& state)
{
    const std::unique_ptr<RadargramReader> reader = OpenRadargram(bench::SurveyDztPath());
    const double perPixel = state.range(0) == 0 ? static_cast<double>(bench::kSurveyTraces) / kScreenWidth
                                                : static_cast<double>(state.range(0));
    const double traces = perPixel * kScreenWidth;
    RasterStyle style;
    style.sampleNs = 60.0 / bench::kSurveySamples;
    style.timeZeroNs = 1.0;
    style.fullScale = FullScaleOf(*reader, 0);
    style.display.gain = state.range(1) == 0 ? GainKind::Exponential : GainKind::Agc;
    style.display.gainValue = 0.3;
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> place(0, static_cast<double>(bench::kSurveyTraces) - traces);
    for (auto _ : state) {
        const RasterWindow window{
            state.range(0) == 0 ? 0.0 : place(random), traces, 0, bench::kSurveySamples, kScreenWidth, kScreenHeight};
        const Picture picture = RenderRadargram(*reader, 0, style, window);
        benchmark::DoNotOptimize(picture.pixels.data());
    }
    state.counters["traces_per_pixel"] = perPixel;
}
BENCHMARK(BM_RasterScreen)
    ->Args({1, 0})
    ->Args({16, 0})
    ->Args({0, 0})
    ->Args({1, 1})
    ->Args({0, 1})
    ->Unit(benchmark::kMillisecond);

void BM_SceneScrollStep(benchmark::State& state)
{
    const std::unique_ptr<RadargramReader> reader = OpenRadargram(bench::SurveyDztPath());
    const RadargramModel model = ModelOfFile(bench::SurveyDztPath(), reader->info(), {}, RadargramDisplay{});
    std::unique_ptr<RadargramReader> own = OpenRadargram(bench::SurveyDztPath());
    RadargramScene scene;
    scene.setModel(model, std::move(own));
    scene.setSize(RadargramMargins::kLeft + kScreenWidth + RadargramMargins::kRight,
                  RadargramMargins::kTop + kScreenHeight + RadargramMargins::kBottom);
    scene.setView({500'000, 1, 0, static_cast<double>(bench::kSurveySamples) / kScreenHeight});
    for (auto _ : state) {
        scene.scrollBy(40, 0);
        benchmark::DoNotOptimize(scene.raster().pixels.data());
    }
}
BENCHMARK(BM_SceneScrollStep)->Unit(benchmark::kMillisecond);

void BM_StripScrollStep(benchmark::State& state)
{
    constexpr int kStripWidth = 1000;
    constexpr int kStripHeight = 250;
    const std::unique_ptr<RadargramReader> reader = OpenRadargram(bench::SurveyDztPath());
    std::vector<TraceTie> ties;
    for (std::int64_t t = 0; t < bench::kSurveyTraces; t += 1000)
        ties.push_back({t, static_cast<double>(t) / 1000.0 + ((t / 1000) % 3 - 1) * 0.004});
    const TraceRegistration registration(ties, {});
    RasterStyle style;
    style.sampleNs = 60.0 / bench::kSurveySamples;
    style.timeZeroNs = 1.0;
    style.fullScale = FullScaleOf(*reader, 0);
    style.display.gain = state.range(1) == 0 ? GainKind::Exponential : GainKind::Agc;
    style.display.gainValue = 0.3;
    const double zoom = state.range(0) == 10 ? 0.1 : 1.0;
    // The middle of the line, at the section's 400 pixels a picket.
    LineAxis axis{500.0, 400.0 * zoom, 0.0};
    for (auto _ : state) {
        axis.leftX -= 40;
        const std::vector<TraceSpan> columns = TracesUnderColumns(axis, kStripWidth, registration);
        const ColumnRange traced = ColumnsWithTraces(columns, reader->info().traces);
        const std::vector<TraceSpan> used(columns.begin() + traced.first, columns.begin() + traced.last);
        const Picture picture = RenderRadargramColumns(*reader, 0, style, used, 0, bench::kSurveySamples, kStripHeight);
        benchmark::DoNotOptimize(picture.pixels.data());
    }
    state.counters["traces_per_pixel"] = 1000.0 / axis.pixelsPerPicket;
}
BENCHMARK(BM_StripScrollStep)->Args({1, 0})->Args({10, 0})->Args({1, 1})->Args({10, 1})->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
