// The calibration of the permittivity by known depths: 1,000 known depths spread over a 20 km
// line, a third on each of three boundaries, read against a depth table of 4,001 rows at 5 m
// and a radargram tied every 100 m. The target is 10 ms for 1,000 points, the whole of
// Calibrate: the table's picket index, each point's table depth and trace, the fit and the
// misfits. The figures are in the README.
#include "radargram/calibration.h"
#include "table/grid.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace trassel;

namespace {

constexpr int kRows = 4001; // 20 km at 5 m

struct Survey {
    Grid table{5, kRows + 1};
    RadargramModel model;
    std::vector<KnownDepth> known;
};

void Make(Survey& s, std::size_t points, std::vector<double> bounds, std::vector<double> eps)
{
    for (int r = 1; r <= kRows; ++r) {
        s.table.setCell(1, r, std::to_string(100.0 + (r - 1) * 0.05));
        s.table.setCell(2, r, std::to_string(45 + 5 * std::sin(r * 0.01)));
        s.table.setCell(3, r, std::to_string(110 + 8 * std::sin(r * 0.007)));
        s.table.setCell(4, r, std::to_string(170 + 10 * std::cos(r * 0.003)));
    }
    auto file = std::make_shared<RadargramFile>();
    file->path = "/line.dzt";
    file->traces = 200'001;
    file->samples = 512;
    file->timeWindowNs = 100;
    s.model.file = file;
    for (int i = 0; i <= 200; ++i)
        s.model.ties.push_back({i * 1000, 100.0 + i});
    s.model.timeZeroNs = 3;
    s.model.permittivity = {std::move(bounds), std::move(eps)};
    std::mt19937 random(5);
    std::uniform_real_distribution<double> picket(100.0, 300.0);
    std::normal_distribution<double> noise(0, 2);
    const double base[] = {0, 0, 42, 100, 160};
    for (std::size_t i = 0; i < points; ++i) {
        const int column = 2 + static_cast<int>(i % 3);
        s.known.push_back({picket(random), column, base[column] + noise(random), "скважина"});
    }
}

void CalibrateKnownDepths(benchmark::State& state)
{
    const bool layered = state.range(1) != 0;
    Survey s;
    Make(s, static_cast<std::size_t>(state.range(0)), layered ? std::vector<double>{50, 130} : std::vector<double>{},
         layered ? std::vector<double>{6, 9, 14} : std::vector<double>{6});
    const CalibrationSetup setup{&s.table, 1, 1, kRows, &s.model};
    for (auto _ : state) {
        const CalibrationResult r = Calibrate(setup, s.known);
        benchmark::DoNotOptimize(r.permittivity.eps.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(CalibrateKnownDepths)->Args({1'000, 0})->Args({1'000, 1})->Args({10'000, 1})->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
