// Thickness against the design on the reference survey: the whole analysis of 1,000,000 rows
// (three layers, pickets from "Пересчет в ПК", norms by stretches; read and walked on two
// threads) afresh and in the analysis a document keeps, the analysis again after a correction
// typed into one cell and after new norms, and the workbook and CSVs of a 100 km survey.
#include "document/survey_document.h"
#include "table/grid_io.h"
#include "table/pickets.h"
#include "thickness/analysis.h"
#include "thickness/report_files.h"

#include "reference_table.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

namespace trassel {
namespace {

// The reference table, its kilometres and metres turned into pickets: 5 m a row.
std::unique_ptr<Grid> SurveyGrid(int rows)
{
    auto grid = std::make_unique<Grid>(2, 2);
    const std::string text = bench::ReferenceTableText(rows);
    auto bytes = std::make_unique<char[]>(text.size());
    std::copy(text.begin(), text.end(), bytes.get());
    std::string refusal;
    ImportTableFile(*grid, {std::move(bytes), text.size()}, '\t', 0, refusal);
    RecalcPickets(*grid, 0);
    return grid;
}

DesignNorms Norms(int rows)
{
    DesignNorms n;
    // One stretch a kilometre, classes 1 to 3 and the sleepers in turn, over the whole line
    // (the reference line starts at km 100).
    const double lineM = rows * 5.0;
    for (int k = 100; k * 1000.0 < 100'000 + lineM + 1000; ++k)
        n.stretches.push_back(
            {k * 1000.0 + 0.001, (k + 1) * 1000.0, 1 + k % 3, k % 2 == 0 ? Sleeper::Concrete : Sleeper::Wooden});
    n.layers = {{4, "Песок", 20.0}, {5, "Суглинок", 30.0}};
    n.sleeperBaseCm = 10;
    n.toleranceCm = 2;
    n.minLengthM = 10;
    n.joinGapM = 5;
    return n;
}

ComplianceSetup Setup(const Grid& grid, int rows)
{
    ComplianceSetup s;
    s.picketColumn = 1;
    s.firstRow = 1;
    s.lastRow = grid.rowCount() - 1;
    s.columns = {3, 4, 5};
    s.norms = Norms(rows);
    return s;
}

void BM_ThicknessWhole(benchmark::State& state)
{
    const int rows = static_cast<int>(state.range(0));
    const auto grid = SurveyGrid(rows);
    const ComplianceSetup setup = Setup(*grid, rows);
    std::size_t stretches = 0;
    for (auto _ : state) {
        auto analysis = std::make_unique<ThicknessAnalysis>();
        const Compliance& c = analysis->compute(*grid, setup);
        stretches = c.layers[0].stretches.size() + c.layers[1].stretches.size() + c.layers[2].stretches.size();
        benchmark::DoNotOptimize(stretches);
        // Its memory (some 80 MB) is given back untimed: the figure is that of the analysis, into
        // memory never used before, as when a document is first analysed.
        state.PauseTiming();
        analysis.reset();
        state.ResumeTiming();
    }
    state.counters["stretches"] = static_cast<double>(stretches);
}
BENCHMARK(BM_ThicknessWhole)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// The whole analysis made again by the analysis a document keeps (after a change of the norms,
// the range or the layers): its arrays are filled again in place.
void BM_ThicknessWholeAgain(benchmark::State& state)
{
    const int rows = static_cast<int>(state.range(0));
    const auto grid = SurveyGrid(rows);
    ComplianceSetup setup = Setup(*grid, rows);
    ThicknessAnalysis analysis;
    analysis.compute(*grid, setup);
    int i = 0;
    for (auto _ : state) {
        setup.norms.toleranceCm = i++ % 2 == 0 ? 3 : 2;
        benchmark::DoNotOptimize(analysis.compute(*grid, setup).layers[0].stretches.size());
    }
}
BENCHMARK(BM_ThicknessWholeAgain)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// The reference survey in `doc`, its whole range taken and its three layers added.
void OpenSurvey(SurveyDocument& doc, int rows)
{
    {
        auto grid = SurveyGrid(rows);
        doc.depthTable().swap(*grid);
    }
    doc.setRange(1, doc.depthTable().rowCount() - 1);
    for (const int col : {3, 4, 5}) {
        doc.select(col, 1);
        doc.addLayer();
    }
}

// A cell typed through the document (the edit, its change event) and the analysis asked again.
void BM_ThicknessAfterCorrection(benchmark::State& state)
{
    const int rows = static_cast<int>(state.range(0));
    SurveyDocument doc;
    OpenSurvey(doc, rows);
    doc.setNorms(Norms(rows));
    benchmark::DoNotOptimize(doc.compliance());
    int i = 0;
    for (auto _ : state) {
        const int row = 2 + (i * 7919) % (rows - 1);
        doc.writeCell(TableId::Depth, 3 + i % 3, row, i % 2 == 0 ? "25" : "60");
        benchmark::DoNotOptimize(doc.compliance().layers[0].stretches.size());
        ++i;
    }
}
BENCHMARK(BM_ThicknessAfterCorrection)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// New norms set through the document (the edit, its change event) and the analysis asked again:
// the thicknesses are kept, the norms and everything measured against them made anew.
void BM_ThicknessNewNorms(benchmark::State& state)
{
    const int rows = static_cast<int>(state.range(0));
    SurveyDocument doc;
    OpenSurvey(doc, rows);
    DesignNorms norms = Norms(rows);
    doc.setNorms(norms);
    benchmark::DoNotOptimize(doc.compliance());
    int i = 0;
    for (auto _ : state) {
        norms.toleranceCm = i++ % 2 == 0 ? 3 : 2;
        doc.setNorms(norms);
        benchmark::DoNotOptimize(doc.compliance().layers[0].stretches.size());
    }
}
BENCHMARK(BM_ThicknessNewNorms)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// 100 km at 5 m: 20,000 rows.
void BM_ReportWorkbook(benchmark::State& state)
{
    const int rows = static_cast<int>(state.range(0));
    const auto grid = SurveyGrid(rows);
    ThicknessAnalysis analysis;
    const ComplianceSetup setup = Setup(*grid, rows);
    analysis.compute(*grid, setup);
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "trassel-bench-report";
    std::size_t stretches = 0;
    for (const LayerCompliance& l : analysis.result().layers)
        stretches += l.stretches.size();
    for (auto _ : state)
        benchmark::DoNotOptimize(WriteReport(dir.string(), analysis.result(), setup.norms, "bench"));
    state.counters["stretches"] = static_cast<double>(stretches);
    state.counters["xlsx_bytes"] = static_cast<double>(std::filesystem::file_size(dir / kWorkbookName));
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ReportWorkbook)->Arg(20'000)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace trassel

BENCHMARK_MAIN();
