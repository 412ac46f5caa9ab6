// The client's PDF report of a 100 km survey: 1,000,000 rows at 10 cm, two layers against the
// norms, a hundred sheets of a kilometre with their deviation plots. The time is the whole
// writing; peak_MB is the process's peak resident memory and report_MB what the writing added
// to the memory the survey itself holds (the sheets are drawn one at a time).
#include "document/survey_document.h"
#include "sheets/qt/report_pdf.h"
#include "table/grid.h"

#include "process_status.h"

#include <QString>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace trassel {
namespace {

constexpr int kRows = 1'000'000;

void MakeSurvey(SurveyDocument& doc)
{
    Grid grid(5, kRows + 2);
    grid.setCell(1, 1, "ПК");
    grid.setCell(3, 1, "Балласт");
    grid.setCell(4, 1, "Песок");
    std::string text;
    for (int i = 0; i < kRows; ++i) {
        const int row = i + 2;
        // 10 cm a row from picket 100: the picket's metres to the millimetre.
        const long long mm = 10'000'000LL + 100LL * i;
        text = std::to_string(mm / 100'000) + ".";
        std::string rest = std::to_string(mm % 100'000);
        text += std::string(5 - rest.size(), '0') + rest;
        grid.setCell(1, row, text);
        // The ballast wanders around its norm, thin for 30 m every 700 m.
        const int ballast = (i / 10) % 7000 < 300 ? 28 : 44 + (i / 37) % 5;
        grid.setCell(3, row, std::to_string(ballast));
        grid.setCell(4, row, std::to_string(ballast + 30 + (i / 53) % 7));
    }
    doc.depthTable().swap(grid);
    doc.setRange(2, kRows + 1);
    doc.select(3, 2);
    doc.addLayer();
    doc.select(4, 2);
    doc.addLayer();
    DesignNorms n;
    n.stretches = {{0, 1e8, 1, Sleeper::Wooden}};
    n.layers = {{4, "", 25.0}};
    n.toleranceCm = 1;
    n.minLengthM = 5;
    doc.setNorms(n);
    ProjectForm form;
    form.organisation = "ООО «Трасса»";
    form.object = "Обследование пути, 100 км";
    doc.setProjectForm(form);
}

void BM_ReportPdf100km(benchmark::State& state)
{
    SurveyDocument doc;
    MakeSurvey(doc);
    static_cast<void>(doc.compliance());
    const std::string path = (std::filesystem::temp_directory_path() / "trassel-bench-report.pdf").string();
    // The peak is counted from here: what the report adds to the survey in memory.
    {
        std::ofstream("/proc/self/clear_refs") << "5";
    }
    const long before = bench::statusKb("VmRSS:");
    for (auto _ : state)
        WriteReportPdf(doc, QString::fromStdString(path), "bench");
    state.counters["peak_MB"] = static_cast<double>(bench::statusKb("VmHWM:")) / 1024.0;
    state.counters["report_MB"] = static_cast<double>(bench::statusKb("VmHWM:") - before) / 1024.0;
    state.counters["pdf_MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1048576.0;
    std::filesystem::remove(path);
}
BENCHMARK(BM_ReportPdf100km)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace
} // namespace trassel
