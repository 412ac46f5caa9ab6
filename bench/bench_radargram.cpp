// The radargram at survey scale: a 100,000 x 1,000 8-bit greyscale PNG (100 km at 1 px per
// metre) loaded and shown.
//
// BM_LoadRadargram is the reading alone; BM_PanelLoadFile is the command as the user waits for
// it (the same reading with its progress window, then the picture put into the panel);
// picture_bytes is what the picture takes in memory, which stays one byte a pixel.
// BM_PaintVisiblePart paints the part of imgRadarogramma a window shows, far into the picture:
// its cost follows the window, not the picture.
#include "radargram/qt/radargram_image.h"
#include "radargram/qt/radargram_panel.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>

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

} // namespace
