// Saving and opening a workspace at survey scale: the reference depth table (1,000,000 rows x
// 12 numeric fields, see reference_table.h) with three layers, written to a temporary folder.
//
// Counters: file_MB is the workspace's size, export_MB the size of the table's own text
// ("Экспорт таблицы"), size_ratio the one over the other.
#include "document/section_scene.h"
#include "document/survey_document.h"
#include "document/workspace.h"
#include "table/grid_io.h"

#include "reference_table.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

using namespace trassel;

namespace {

struct Sample {
    SurveyDocument doc;
    std::string path;

    Sample()
    {
        const std::string text = bench::ReferenceTableText();
        auto bytes = std::make_unique_for_overwrite<char[]>(text.size());
        std::memcpy(bytes.get(), text.data(), text.size());
        doc.importTable(std::move(bytes), text.size());
        for (const int col : {3, 4, 5}) {
            doc.select(col, 2);
            doc.addLayer();
        }
        path = (std::filesystem::temp_directory_path() / ("bench-" + std::to_string(::getpid()) + ".trassel")).string();
    }
    ~Sample() { std::filesystem::remove(path); }
};

Sample& sample()
{
    static Sample s;
    return s;
}

template <class F>
double secondsOf(F&& f)
{
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_SaveWorkspace(benchmark::State& state)
{
    Sample& s = sample();
    for (auto _ : state)
        state.SetIterationTime(secondsOf([&] { SaveWorkspace(s.path, s.doc); }));
    std::size_t exportBytes = 0;
    WriteGridExport(s.doc.depthTable(), [&](std::string_view piece) { exportBytes += piece.size(); });
    const auto fileBytes = static_cast<double>(std::filesystem::file_size(s.path));
    state.counters["file_MB"] = fileBytes / 1e6;
    state.counters["export_MB"] = static_cast<double>(exportBytes) / 1e6;
    state.counters["size_ratio"] = fileBytes / static_cast<double>(exportBytes);
}
BENCHMARK(BM_SaveWorkspace)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

// Reading the file into a document of its own and handing it to the window's document, as
// "Открыть проект" does.
void BM_OpenWorkspace(benchmark::State& state)
{
    Sample& s = sample();
    if (!std::filesystem::exists(s.path))
        SaveWorkspace(s.path, s.doc);
    SurveyDocument window;
    for (auto _ : state) {
        state.SetIterationTime(secondsOf([&] {
            LoadedWorkspace loaded = LoadWorkspace(s.path);
            window.takeOver(*loaded.document);
        }));
    }
    if (window.depthTable().rowCount() != s.doc.depthTable().rowCount() ||
        window.depthTable().cell(7, 500'000) != s.doc.depthTable().cell(7, 500'000) ||
        window.layers().LayerCount() != 3)
        state.SkipWithError("the opened table is not the saved one");
}
BENCHMARK(BM_OpenWorkspace)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

// Saving a project whose section carries 10^5 annotation steps, each a pen stroke of three
// lines in a colour of its own, drawn onto the section's record as the tools draw them.
void BM_SaveAnnotationSteps(benchmark::State& state)
{
    const auto count = static_cast<int>(state.range(0));
    SurveyDocument doc;
    std::vector<WorkspaceAnnotation> steps;
    for (int i = 0; i < count; ++i) {
        WorkspaceAnnotation step{"Карандаш", {}};
        for (int k = 0; k < 3; ++k) {
            WorkspaceMark m;
            m.pen.color = static_cast<Color>(i);
            m.a = {i % 1000, k};
            m.b = {i % 1000 + 2, k + 1};
            step.marks.push_back(m);
        }
        steps.push_back(std::move(step));
    }
    DrawAnnotations(steps, doc.section().canvas(), 1);
    if (doc.section().annotations() != steps)
        state.SkipWithError("the record does not hold the steps drawn");
    const std::string path =
        (std::filesystem::temp_directory_path() / ("bench-steps-" + std::to_string(::getpid()) + ".trassel")).string();
    for (auto _ : state)
        state.SetIterationTime(secondsOf([&] { SaveWorkspace(path, doc); }));
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
    std::filesystem::remove(path);
}
BENCHMARK(BM_SaveAnnotationSteps)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);

} // namespace

BENCHMARK_MAIN();
