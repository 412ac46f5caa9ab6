// Lookups a radargram view makes for every trace and sample it paints: the picket of a trace
// and the trace of a picket over a 100 km line tied every 100 m (1,000 ties, 10^6 traces), and
// time to depth and back over a profile of four layers. Each is O(log ties) or O(log layers);
// the benchmarks show the cost per lookup (items_per_second) at 10, 1,000 and 10,000 ties (the
// most a project file may hold). On the loaded 2-core build machine, -O2: about 7, 40 and 75 ns
// a lookup either way, 4 ns for a depth and its time back: a 2,000-trace window costs well
// under a millisecond.
#include "radargram/depth_model.h"
#include "radargram/registration.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

using namespace trassel;

namespace {

// A line of `ties` ties 1,000 traces apart whose spacing wanders by up to 2 %.
TraceRegistration Line(std::int64_t ties)
{
    std::vector<TraceTie> list;
    std::mt19937 random(7);
    std::uniform_real_distribution<double> wander(0.98, 1.02);
    double picket = 100.0;
    for (std::int64_t i = 0; i < ties; ++i) {
        list.push_back({i * 1000, picket});
        picket += wander(random);
    }
    return TraceRegistration(std::move(list), {});
}

void PicketOfTrace(benchmark::State& state)
{
    const std::int64_t ties = state.range(0);
    const TraceRegistration reg = Line(ties);
    std::mt19937 random(11);
    std::uniform_real_distribution<double> trace(0, static_cast<double>(ties * 1000));
    std::vector<double> traces(4096);
    for (double& t : traces)
        t = trace(random);
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(reg.picketOf(traces[i++ & 4095]));
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(PicketOfTrace)->Arg(10)->Arg(1'000)->Arg(10'000);

void TraceOfPicket(benchmark::State& state)
{
    const std::int64_t ties = state.range(0);
    const TraceRegistration reg = Line(ties);
    std::mt19937 random(13);
    std::uniform_real_distribution<double> picket(100.0, 100.0 + 0.98 * static_cast<double>(ties));
    std::vector<double> pickets(4096);
    for (double& p : pickets)
        p = picket(random);
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(reg.traceAt(pickets[i++ & 4095]));
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(TraceOfPicket)->Arg(10)->Arg(1'000)->Arg(10'000);

void DepthOfTimeAndBack(benchmark::State& state)
{
    const DepthModel model({25.0, 45.0, 80.0, 150.0}, {4.5, 6.0, 9.0, 16.0, 25.0}, 3.5);
    double t = 0;
    for (auto _ : state) {
        t = t > 60.0 ? 0.0 : t + 0.117;
        benchmark::DoNotOptimize(model.timeNs(model.depthCm(t)));
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(DepthOfTimeAndBack);

} // namespace

BENCHMARK_MAIN();
