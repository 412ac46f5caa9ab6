// The radargram at survey scale: a 100,000 x 1,000 8-bit greyscale PNG (100 km at 1 px per
// metre) loaded and shown.
//
// BM_LoadRadargram is the reading alone; BM_PanelLoadFile is the command as the user waits for
// it (the same reading with its progress window, then the picture put into the panel);
// picture_bytes is what the picture takes in memory, which stays one byte a pixel.
// BM_PaintVisiblePart paints the part of imgRadarogramma a window shows, far into the picture:
// its cost follows the window, not the picture.
// BM_LoadPlannedRadargram reads the largest radargram the program plans for, 1,000,000 x 1,000
// in greyscale (1 GB at one byte a pixel, which Qt's decoders alone refuse: they count four
// bytes a pixel against their limit); peak_MB is the memory the reading takes at its peak
// above the process before it, picture_MB the picture's own.
//
// The instrument file at survey scale: a 100 km line at 0.1 m, 1,000,000 traces x 512 samples x
// 16 bits in a DZT (about 1 GB, written once per run into a temporary folder and removed at the
// end), with a mark flagged in every thousandth trace and no DZX, so that opening it scans every
// trace for marks. BM_OpenSurveyDzt opens it (header, trace count, the mark scan) and reports
// peak_MB, the resident memory the opening added at its peak; BM_ReadVisibleBlock reads the
// 2,000 traces a window shows at a random place as floats.
#include "radargram/qt/radargram_image.h"
#include "process_status.h"
#include "survey_dzt.h"
#include "radargram/qt/radargram_panel.h"
#include "radargram/radargram_reader.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <QImageWriter>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>
#include <unistd.h>

using namespace trassel;

namespace {

constexpr int kWidth = 100'000;
constexpr int kHeight = 1'000;

// Bands that wander along the line, with noise: compresses about as a real radargram does.
QImage makeRadargram()
{
    QImage image(kWidth, kHeight, QImage::Format_Grayscale8);
    std::uint32_t seed = 12345;
    for (int y = 0; y < kHeight; ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < kWidth; ++x) {
            seed = seed * 1664525U + 1013904223U;
            const double wave = std::sin((y + 6.0 * std::sin(x / 900.0)) / 4.0) * 90.0 * std::exp(-y / 600.0);
            line[x] = static_cast<uchar>(128 + static_cast<int>(wave) + static_cast<int>(seed >> 29) - 4);
        }
    }
    return image;
}

const QString& radargramFile()
{
    static const QString path = [] {
        const QString file = QDir::temp().filePath(QStringLiteral("trassel_bench_radargram.png"));
        if (!makeRadargram().save(file, "png"))
            qFatal("cannot write the benchmark's radargram");
        return file;
    }();
    return path;
}

void BM_LoadRadargram(benchmark::State& state)
{
    const QString& file = radargramFile();
    qint64 bytes = 0;
    for (auto _ : state) {
        const QImage image = LoadRadargram(file);
        bytes = image.sizeInBytes();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["picture_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_LoadRadargram)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PanelLoadFile(benchmark::State& state)
{
    const QString& file = radargramFile();
    RadargramPanel panel;
    panel.resize(1500, 400);
    panel.show();
    for (auto _ : state) {
        panel.loadFile(file);
        QApplication::processEvents();
    }
    state.counters["picture_bytes"] = static_cast<double>(panel.picture().sizeInBytes());
}
BENCHMARK(BM_PanelLoadFile)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PaintVisiblePart(benchmark::State& state)
{
    RadargramPanel panel;
    panel.resize(1500, 400);
    panel.setPicture(LoadRadargram(radargramFile()));
    panel.show();
    QApplication::processEvents();
    panel.scrbxRadarogramma->horizontalScrollBar()->setValue(kWidth / 2);
    QWidget* viewport = panel.scrbxRadarogramma->viewport();
    // The part of the picture the viewport shows, in the image control's coordinates.
    const QRect visible(panel.imgRadarogramma->mapFrom(viewport, QPoint(0, 0)), viewport->size());
    QImage window(visible.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        panel.imgRadarogramma->render(&window, QPoint(), QRegion(visible), QWidget::RenderFlags());
        benchmark::DoNotOptimize(window.constBits());
    }
    state.counters["window_px"] = static_cast<double>(visible.width()) * visible.height();
}
BENCHMARK(BM_PaintVisiblePart)->Unit(benchmark::kMicrosecond);

constexpr int kPlannedWidth = 1'000'000;

// Bands along the line, cheap to make at a billion pixels.
const QString& plannedRadargramFile()
{
    static const QString path = [] {
        const QString file = QDir::temp().filePath(QStringLiteral("trassel_bench_radargram_1e6.png"));
        QImage image(kPlannedWidth, kHeight, QImage::Format_Grayscale8);
        if (image.isNull())
            qFatal("no memory for the benchmark's radargram");
        for (int y = 0; y < kHeight; ++y) {
            uchar* line = image.scanLine(y);
            std::memset(line, 128 + static_cast<int>(90.0 * std::sin(y / 4.0) * std::exp(-y / 600.0)), kPlannedWidth);
            for (int x = y % 97; x < kPlannedWidth; x += 97)
                line[x] = static_cast<uchar>(x >> 12);
        }
        QImageWriter writer(file, "png");
        writer.setQuality(80); // the lightest compression: the file is made quickly
        if (!writer.write(image))
            qFatal("cannot write the benchmark's planned radargram");
        return file;
    }();
    return path;
}

using trassel::bench::statusKb;

void BM_LoadPlannedRadargram(benchmark::State& state)
{
    const QString& file = plannedRadargramFile();
    double peak = 0;
    qint64 bytes = 0;
    for (auto _ : state) {
        std::ofstream("/proc/self/clear_refs") << "5"; // the peak starts again from here
        const long before = statusKb("VmRSS:");
        {
            const QImage image = LoadRadargram(file);
            bytes = image.sizeInBytes();
            if (image.format() != QImage::Format_Grayscale8)
                state.SkipWithError("the picture was converted");
            benchmark::DoNotOptimize(image.constBits());
        }
        peak = static_cast<double>(statusKb("VmHWM:") - before) / 1024.0;
    }
    state.counters["picture_MB"] = static_cast<double>(bytes) / (1024.0 * 1024.0);
    state.counters["peak_MB"] = peak;
}
BENCHMARK(BM_LoadPlannedRadargram)->Unit(benchmark::kMillisecond)->Iterations(1);

using ::bench::kSurveySamples;
using ::bench::kSurveyTraces;
using ::bench::SurveyDztPath;
constexpr std::int64_t kVisibleTraces = 2'000;

void BM_OpenSurveyDzt(benchmark::State& state)
{
    const std::string& path = SurveyDztPath();
    double peak = 0;
    std::int64_t traces = 0;
    std::size_t marks = 0;
    for (auto _ : state) {
        std::ofstream("/proc/self/clear_refs") << "5"; // the peak starts again from here
        const long before = statusKb("VmRSS:");
        const std::unique_ptr<RadargramReader> reader = OpenRadargram(path);
        peak = static_cast<double>(statusKb("VmHWM:") - before) / 1024.0;
        traces = reader->info().traces;
        marks = reader->info().marks.size();
    }
    if (traces != kSurveyTraces || marks != static_cast<std::size_t>(kSurveyTraces / 1000))
        state.SkipWithError("the survey was not read whole");
    state.counters["peak_MB"] = peak;
    state.counters["traces"] = static_cast<double>(traces);
    state.counters["marks"] = static_cast<double>(marks);
}
BENCHMARK(BM_OpenSurveyDzt)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReadVisibleBlock(benchmark::State& state)
{
    const std::unique_ptr<RadargramReader> reader = OpenRadargram(SurveyDztPath());
    std::vector<float> block(static_cast<std::size_t>(kVisibleTraces) * kSurveySamples);
    std::mt19937_64 random(42);
    std::uniform_int_distribution<std::int64_t> place(0, kSurveyTraces - kVisibleTraces);
    for (auto _ : state) {
        reader->readTraces(0, place(random), kVisibleTraces, block);
        benchmark::DoNotOptimize(block.data());
    }
    state.counters["traces"] = static_cast<double>(kVisibleTraces);
}
BENCHMARK(BM_ReadVisibleBlock)->Unit(benchmark::kMillisecond);

} // namespace
