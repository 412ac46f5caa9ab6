// The picture of a radargram: gain curves, the automatic gain, the colour scales, and traces
// averaged or repeated into columns, checked against values worked out by hand.
#include "base/error.h"
#include "radargram/mala_reader.h"
#include "radargram/radargram_render.h"
#include "radargram_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace trassel {
namespace {

// An RD3 file in memory with the samples given, trace by trace; the RAD gives 5 samples a ns.
class Rd3 {
public:
    explicit Rd3(const std::vector<std::vector<std::int16_t>>& traces)
    {
        test::ByteWriter w;
        for (const auto& trace : traces)
            for (const std::int16_t v : trace)
                w.append(v);
        bytes_ = w.bytes;
        const int samples = static_cast<int>(traces.front().size());
        reader_ = std::make_unique<MalaReader>(test::MemorySource(bytes_, "a.rd3"),
                                               test::WriteRad(samples, std::to_string(traces.size())), "a.rad", false);
    }
    const RadargramReader& reader() const { return *reader_; }

private:
    std::string bytes_;
    std::unique_ptr<MalaReader> reader_;
};

RadargramDisplay Gain(GainKind kind, double value)
{
    RadargramDisplay d;
    d.gain = kind;
    d.gainValue = value;
    return d;
}

TEST(RadargramGain, CurvesStartAtOneOnTimeZeroAndFollowTheirLaw)
{
    EXPECT_DOUBLE_EQ(GainFactor(Gain(GainKind::Constant, 2.5), 0), 2.5);
    EXPECT_DOUBLE_EQ(GainFactor(Gain(GainKind::Constant, 2.5), 40), 2.5);
    EXPECT_DOUBLE_EQ(GainFactor(Gain(GainKind::Linear, 0.1), 0), 1.0);
    EXPECT_DOUBLE_EQ(GainFactor(Gain(GainKind::Linear, 0.1), 10), 2.0);
    EXPECT_DOUBLE_EQ(GainFactor(Gain(GainKind::Linear, 0.1), 35), 4.5);
    // Above the surface the factor of time zero holds.
    EXPECT_DOUBLE_EQ(GainFactor(Gain(GainKind::Linear, 0.1), -8), 1.0);
    // 1 dB per ns: 20 ns is 20 dB, ten times; 6 ns about twice.
    EXPECT_DOUBLE_EQ(GainFactor(Gain(GainKind::Exponential, 1.0), 20), 10.0);
    EXPECT_NEAR(GainFactor(Gain(GainKind::Exponential, 1.0), 6), 1.9953, 1e-4);
    EXPECT_DOUBLE_EQ(GainFactor(Gain(GainKind::Exponential, 1.0), -3), 1.0);
    EXPECT_DOUBLE_EQ(GainFactor(Gain(GainKind::Agc, 7.0), 12), 1.0);

    // On a trace: samples 2 ns apart, time zero at 4 ns (sample 2).
    std::vector<float> trace(6, 1.0f);
    ApplyGain(trace, Gain(GainKind::Linear, 0.5), 2.0, 4.0);
    EXPECT_EQ(trace, (std::vector<float>{1, 1, 1, 2, 3, 4}));
    std::vector<float> signs{-2, 2, -2, 2};
    ApplyGain(signs, Gain(GainKind::Exponential, 20.0), 0.5, 0.0); // 20 dB per ns: x10 a ns
    EXPECT_FLOAT_EQ(signs[0], -2.0f);
    EXPECT_FLOAT_EQ(signs[2], -20.0f);
    EXPECT_NEAR(signs[3], 2.0 * std::pow(10.0, 1.5), 1e-3);
    // Without a known time window the gain counts samples.
    std::vector<float> counted(4, 1.0f);
    ApplyGain(counted, Gain(GainKind::Linear, 1.0), 0.0, 0.0);
    EXPECT_EQ(counted, (std::vector<float>{1, 2, 3, 4}));
}

TEST(RadargramGain, AutomaticGainDividesByTheRmsOfTheWindowAroundEachSample)
{
    // Window 2 ns at 1 ns a sample: the sample and one on each side.
    RadargramDisplay agc = Gain(GainKind::Agc, 1.0);
    agc.agcWindowNs = 2.0;
    std::vector<float> trace{3, -3, 3, -3, 0, 0, 0, 0, 1, -1, 1, -1};
    ApplyGain(trace, agc, 1.0, 0.0);
    EXPECT_FLOAT_EQ(trace[0], 1.0f);                    // window {3, -3}: RMS 3
    EXPECT_NEAR(trace[3], -3.0 / std::sqrt(6.0), 1e-6); // {3, -3, 0}: RMS sqrt(6)
    EXPECT_FLOAT_EQ(trace[5], 0.0f);                    // silence stays silent
    EXPECT_NEAR(trace[8], std::sqrt(1.5), 1e-6);        // {0, 1, -1}: RMS sqrt(2 / 3)
    EXPECT_FLOAT_EQ(trace[9], -1.0f);                   // {1, -1, 1}
    EXPECT_FLOAT_EQ(trace[11], -1.0f);                  // cut at the end: {1, -1}
    // A loud and a quiet stretch of the same wave come out alike.
    std::vector<float> wave;
    for (int s = 0; s < 40; ++s)
        wave.push_back(static_cast<float>((s < 20 ? 1000.0 : 10.0) * (s % 2 == 0 ? 1 : -1)));
    agc.agcWindowNs = 4.0;
    ApplyGain(wave, agc, 1.0, 0.0);
    EXPECT_FLOAT_EQ(wave[6], wave[30]);
    EXPECT_FLOAT_EQ(wave[7], wave[31]);
}

TEST(RadargramColors, GreyAndDivergingScales)
{
    EXPECT_EQ(LevelColor(-1, ColorMap::Grey), 0x000000U);
    EXPECT_EQ(LevelColor(0, ColorMap::Grey), 0x808080U); // 127.5 rounds up
    EXPECT_EQ(LevelColor(1, ColorMap::Grey), 0xFFFFFFU);
    EXPECT_EQ(LevelColor(0.5, ColorMap::Grey), 0xBFBFBFU);   // 191.25
    EXPECT_EQ(LevelColor(-0.64, ColorMap::Grey), 0x2E2E2EU); // 45.9
    EXPECT_EQ(LevelColor(7, ColorMap::Grey), 0xFFFFFFU);
    EXPECT_EQ(LevelColor(-7, ColorMap::Grey), 0x000000U);
    EXPECT_EQ(LevelColor(std::nan(""), ColorMap::Grey), 0x808080U);
    // Colours are 0x00BBGGRR.
    EXPECT_EQ(LevelColor(-1, ColorMap::Diverging), 0xFF0000U); // blue
    EXPECT_EQ(LevelColor(0, ColorMap::Diverging), 0xFFFFFFU);
    EXPECT_EQ(LevelColor(1, ColorMap::Diverging), 0x0000FFU); // red
    EXPECT_EQ(LevelColor(0.5, ColorMap::Diverging), 0x8080FFU);
    EXPECT_EQ(LevelColor(-0.5, ColorMap::Diverging), 0xFF8080U);
    EXPECT_EQ(LevelColor(-2, ColorMap::Diverging), 0xFF0000U);
}

RasterStyle Plain(double fullScale)
{
    RasterStyle style;
    style.fullScale = fullScale;
    style.sampleNs = 0.2;
    return style;
}

TEST(RadargramRaster, OneTraceAColumnAndOneSampleARowShowTheSamples)
{
    const Rd3 file({{0, 50, -50, 100}, {-100, 25, 0, -25}});
    const Picture p = RenderRadargram(file.reader(), 0, Plain(100), {0, 2, 0, 4, 2, 4});
    ASSERT_EQ(p.width, 2);
    ASSERT_EQ(p.height, 4);
    EXPECT_EQ(p.pixel(0, 0), 0x808080U);
    EXPECT_EQ(p.pixel(0, 1), 0xBFBFBFU);
    EXPECT_EQ(p.pixel(0, 2), 0x404040U); // -0.5: 63.75
    EXPECT_EQ(p.pixel(0, 3), 0xFFFFFFU);
    EXPECT_EQ(p.pixel(1, 0), 0x000000U);
    EXPECT_EQ(p.pixel(1, 1), 0x9F9F9FU); // 0.25: 159.375

    // Contrast doubles the level; the diverging scale colours it.
    RasterStyle strong = Plain(100);
    strong.display.contrast = 2;
    strong.display.colors = ColorMap::Diverging;
    const Picture q = RenderRadargram(file.reader(), 0, strong, {0, 2, 0, 4, 2, 4});
    EXPECT_EQ(q.pixel(0, 1), 0x0000FFU); // 50 x 2 / 100: full red
    EXPECT_EQ(q.pixel(1, 1), 0x8080FFU); // 25 x 2 / 100 = 0.5
    EXPECT_EQ(q.pixel(1, 3), 0xFF8080U); // -25 x 2 / 100 = -0.5
}

TEST(RadargramRaster, ColumnsAverageTheTracesTheySpanAndRepeatATraceWhenZoomedIn)
{
    const Rd3 file({{100, 0}, {-60, 0}, {20, 0}, {40, 0}, {-100, 0}, {0, 0}});
    // Three columns of two traces: (100 - 60) / 2, (20 + 40) / 2, (-100 + 0) / 2.
    const Picture halves = RenderRadargram(file.reader(), 0, Plain(100), {0, 6, 0, 2, 3, 2});
    EXPECT_EQ(halves.pixel(0, 0), LevelColor(0.2, ColorMap::Grey));
    EXPECT_EQ(halves.pixel(1, 0), LevelColor(0.3, ColorMap::Grey));
    EXPECT_EQ(halves.pixel(2, 0), LevelColor(-0.5, ColorMap::Grey));
    EXPECT_EQ(halves.pixel(2, 0), 0x404040U);
    // From trace 2 on, two columns a trace: 20, 20, 40, 40.
    const Picture zoomed = RenderRadargram(file.reader(), 0, Plain(100), {2, 2, 0, 2, 4, 2});
    EXPECT_EQ(zoomed.pixel(0, 0), LevelColor(0.2, ColorMap::Grey));
    EXPECT_EQ(zoomed.pixel(1, 0), LevelColor(0.2, ColorMap::Grey));
    EXPECT_EQ(zoomed.pixel(2, 0), LevelColor(0.4, ColorMap::Grey));
    EXPECT_EQ(zoomed.pixel(3, 0), LevelColor(0.4, ColorMap::Grey));
    // Two rows a sample down the trace, and the place past the file's end is white.
    const Picture tall = RenderRadargram(file.reader(), 0, Plain(100), {4, 4, 0, 2, 4, 4});
    EXPECT_EQ(tall.pixel(0, 0), 0x000000U);
    EXPECT_EQ(tall.pixel(0, 1), 0x000000U);
    EXPECT_EQ(tall.pixel(0, 2), 0x808080U);
    EXPECT_EQ(tall.pixel(2, 0), kWhite);
    EXPECT_EQ(tall.pixel(3, 3), kWhite);
}

TEST(RadargramRaster, AFarZoomAveragesAFewTracesSpreadOverEachColumn)
{
    // 64 traces into one column: 4 of them, one in every 16, starting in the middle of the
    // first sixteen (traces 8, 24, 40, 56); those are 80, the others -80.
    ASSERT_EQ(kMaxTracesPerColumn, 4);
    std::vector<std::vector<std::int16_t>> traces(64, std::vector<std::int16_t>{-80, -80});
    for (int t = 8; t < 64; t += 16)
        traces[static_cast<std::size_t>(t)][0] = 80;
    const Rd3 file(traces);
    const Picture p = RenderRadargram(file.reader(), 0, Plain(100), {0, 64, 0, 2, 1, 2});
    EXPECT_EQ(p.pixel(0, 0), LevelColor(0.8, ColorMap::Grey));
    EXPECT_EQ(p.pixel(0, 1), LevelColor(-0.8, ColorMap::Grey));
}

TEST(RadargramRaster, GainFollowsTheTimeAfterTimeZeroAndFullScaleIsThreeRms)
{
    // Five samples a ns; time zero at sample 1 (0.2 ns); linear 5 a ns: sample 3 is 0.4 ns
    // after time zero, factor 3.
    const Rd3 file({{10, 10, 10, 10}});
    RasterStyle style = Plain(100);
    style.timeZeroNs = 0.2;
    style.display = Gain(GainKind::Linear, 5.0);
    const Picture p = RenderRadargram(file.reader(), 0, style, {0, 1, 0, 4, 1, 4});
    EXPECT_EQ(p.pixel(0, 0), LevelColor(0.1, ColorMap::Grey));
    EXPECT_EQ(p.pixel(0, 1), LevelColor(0.1, ColorMap::Grey));
    EXPECT_EQ(p.pixel(0, 3), LevelColor(0.3, ColorMap::Grey));
    // After the automatic gain full scale is 3: a steady trace is at 1/3.
    style.display = Gain(GainKind::Agc, 1.0);
    const Picture a = RenderRadargram(file.reader(), 0, style, {0, 1, 0, 4, 1, 4});
    EXPECT_EQ(a.pixel(0, 2), LevelColor(1.0 / 3.0, ColorMap::Grey));

    // RMS of {3, -4, 0, 0} and {0, 0, 4, -3}: sqrt(50 / 8) = 2.5.
    const Rd3 two({{3, -4, 0, 0}, {0, 0, 4, -3}});
    EXPECT_DOUBLE_EQ(FullScaleOf(two.reader(), 0), 7.5);
    const Rd3 silent({{0, 0}, {0, 0}});
    EXPECT_DOUBLE_EQ(FullScaleOf(silent.reader(), 0), 1.0);
}

TEST(RadargramRaster, DztInstrumentWordsTakeTheLevelOfTheSignalAfterThem)
{
    test::ReaderDir dir;
    test::DztLayout layout;
    layout.samples = 8;
    layout.traces = 3;
    layout.flagged = {1};
    const std::string path = dir.write("a.dzt", test::WriteDzt(layout));
    const auto reader = OpenRadargram(path);
    const Picture p = RenderRadargram(*reader, 0, Plain(100), {0, 3, 0, 8, 3, 8});
    for (int t = 0; t < 3; ++t) {
        SCOPED_TRACE(t);
        const Color signal = LevelColor(test::Pattern(0, t, 2) / 100.0, ColorMap::Grey);
        EXPECT_EQ(p.pixel(t, 0), signal);
        EXPECT_EQ(p.pixel(t, 1), signal);
        EXPECT_EQ(p.pixel(t, 5), LevelColor(test::Pattern(0, t, 5) / 100.0, ColorMap::Grey));
    }
}

TEST(RadargramRaster, EmptyWindowsGiveWhiteAndHugeOnesAreRefused)
{
    const Rd3 file({{10, 10}});
    const Picture none = RenderRadargram(file.reader(), 0, Plain(100), {0, 0, 0, 2, 3, 2});
    EXPECT_EQ(none.pixels, std::vector<Color>(6, kWhite));
    const Picture outside = RenderRadargram(file.reader(), 0, Plain(100), {5, 2, 0, 2, 2, 2});
    EXPECT_EQ(outside.pixels, std::vector<Color>(4, kWhite));
    EXPECT_THROW(RenderRadargram(file.reader(), 0, Plain(100), {0, 1, 0, 2, 2'000'000, 2}), Error);
}

} // namespace
} // namespace trassel
