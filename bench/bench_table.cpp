// Depth table at survey scale: importing, exporting and recalculating a million rows.
//
// The reference file has 1,000,000 rows x 12 numeric fields, tab-separated with CR LF (about
// 66 MB). BM_ReadAndSplitBaseline is the least any import can do (read the file and record
// where every cell starts); BM_ImportTable is the real import into the grid, of the reference
// file (/1000000) and of its ten-million-row sibling (/10000000, about 670 MB, written once per
// run into the temporary folder when it is not there yet). Peak memory of the import above the
// idle process is reported as the counter peak_over_file (x file size).
#include "table/grid.h"
#include "process_status.h"
#include "table/grid_io.h"
#include "table/pickets.h"

#include "reference_table.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

using namespace trassel;

namespace {

// The reference table of `rows` rows in a file, written when missing or of another size.
std::string referenceFile(int rows = 1'000'000)
{
    const std::string name = rows == 1'000'000 ? "trassel_bench_1m.txt"
                                               : "trassel_bench_" + std::to_string(rows) + ".txt";
    const std::string p = (std::filesystem::temp_directory_path() / name).string();
    // Every row is 60 to 70 bytes: a file outside that is from something else, or cut short.
    std::error_code ec;
    const auto size = std::filesystem::file_size(p, ec);
    if (!ec && size > static_cast<std::uintmax_t>(rows) * 60 && size < static_cast<std::uintmax_t>(rows) * 70)
        return p;
    if (!bench::WriteReferenceTable(p, rows))
        std::fprintf(stderr, "cannot write %s\n", p.c_str());
    return p;
}

using trassel::bench::statusKb;

void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

void BM_ReadAndSplitBaseline(benchmark::State& state)
{
    const std::string path = referenceFile();
    for (auto _ : state) {
        FileBytes bytes = ReadWholeFile(path);
        std::vector<std::uint32_t> cellStarts;
        const char* p = bytes.data.get();
        cellStarts.push_back(0);
        for (std::size_t i = 0; i < bytes.size; ++i)
            if (p[i] == '\t' || p[i] == '\n')
                cellStarts.push_back(static_cast<std::uint32_t>(i + 1));
        benchmark::DoNotOptimize(cellStarts.data());
    }
}
BENCHMARK(BM_ReadAndSplitBaseline)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ImportTable(benchmark::State& state)
{
    const int rows = static_cast<int>(state.range(0));
    const std::string path = referenceFile(rows);
    const double fileBytes = static_cast<double>(std::filesystem::file_size(path));
    double peakOverFile = 0;
    double gridBytes = 0;
    for (auto _ : state) {
        // What the runs before freed goes back to the system first: reused, it would hide part
        // of this run's peak. The largest peak of the runs is reported; the freeing is not timed.
        state.PauseTiming();
        malloc_trim(0);
        const long idle = statusKb("VmRSS:");
        resetPeak();
        state.ResumeTiming();
        auto grid = std::make_unique<Grid>(10, 20);
        ClearGridCells(*grid, 1, 1);
        LoadGridFromTextFile(*grid, ReadWholeFile(path), '\t');
        NumberGridHeaders(*grid);
        grid->setFixedRows(2);
        benchmark::DoNotOptimize(grid->cellView(5, rows - 1).data());
        state.PauseTiming();
        peakOverFile = std::max(peakOverFile, static_cast<double>(statusKb("VmHWM:") - idle) * 1024.0 / fileBytes);
        gridBytes = static_cast<double>(grid->memoryBytes());
        grid.reset();
        state.ResumeTiming();
    }
    state.counters["peak_over_file"] = peakOverFile;
    state.counters["grid_MB"] = gridBytes / 1e6;
}
BENCHMARK(BM_ImportTable)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->Iterations(5);

struct LoadedTable {
    Grid grid{10, 20};
    LoadedTable()
    {
        LoadGridFromTextFile(grid, ReadWholeFile(referenceFile()), '\t');
        NumberGridHeaders(grid);
    }
};

void BM_ExportTable(benchmark::State& state)
{
    LoadedTable table;
    const std::string out = (std::filesystem::temp_directory_path() / "trassel_bench_export.txt").string();
    for (auto _ : state)
        ExportGridToTextFile(table.grid, out);
    std::filesystem::remove(out);
}
BENCHMARK(BM_ExportTable)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_RecalcPickets(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto table = std::make_unique<LoadedTable>();
        state.ResumeTiming();
        RecalcPickets(table->grid, 0);
        benchmark::DoNotOptimize(table->grid.cellView(1, 500'000).data());
        state.PauseTiming();
        table.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RecalcPickets)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same commands as the window runs them, told of their progress: the cost of the reports
// (a compare per row between them) and how often the window would be asked to repaint.
void BM_ReportedCommands(benchmark::State& state)
{
    long long reports = 0;
    const Progress report = [&reports](long long, long long) { ++reports; };
    const std::string out = (std::filesystem::temp_directory_path() / "trassel_bench_export.txt").string();
    for (auto _ : state) {
        reports = 0;
        Grid grid(10, 20);
        LoadGridFromTextFile(grid, ReadWholeFile(referenceFile()), '\t', report);
        NumberGridHeaders(grid);
        RecalcPickets(grid, 0, report);
        ExportGridToTextFile(grid, out, report);
    }
    std::filesystem::remove(out);
    state.counters["reports"] = static_cast<double>(reports);
}
BENCHMARK(BM_ReportedCommands)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
