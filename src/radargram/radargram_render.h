#pragma once
// The picture of a part of a radargram: traces read from the file in blocks (never the whole
// file), amplified by the display's gain as a function of the time after time zero, scaled by
// the contrast and mapped to grey or to a blue-white-red scale. A picture asks for only as many
// traces as it has columns, a few more when it is zoomed far out, so its cost follows the
// picture's size, not the file's.
#include "base/color.h"
#include "drawing/canvas.h"
#include "radargram/radargram_model.h"
#include "radargram/radargram_strip.h"

#include <cstdint>
#include <span>
#include <vector>

namespace trassel {

class RadargramReader;

// What a picture shows: traces [firstTrace, firstTrace + traceCount) across `width` columns and
// samples [firstSample, firstSample + sampleCount) down `height` rows. Fractional, so that a
// zoom step keeps the point under the mouse where it was.
struct RasterWindow {
    double firstTrace = 0;
    double traceCount = 0;
    double firstSample = 0;
    double sampleCount = 0;
    int width = 0;
    int height = 0;
    bool operator==(const RasterWindow&) const = default;
};

// How the samples become colours.
struct RasterStyle {
    RadargramDisplay display;
    double sampleNs = 0;   // the duration of one sample; 0 when unknown (then gain by sample number)
    double timeZeroNs = 0; // gain starts here
    // The amplitude shown as full white (or full red) at contrast 1, before gain. After an
    // automatic gain the signal's local RMS is 1, so its full scale is kAgcFullScale instead.
    double fullScale = 1;
    bool operator==(const RasterStyle&) const = default;
};

// Full scale after the automatic gain: three times the local RMS.
inline constexpr double kAgcFullScale = 3.0;
// At most this many traces are averaged into one column; a column that spans more takes this
// many spread evenly over its span.
// Four keep a screen of a 100 km survey seen whole within a frame (bench_radargram_view).
inline constexpr int kMaxTracesPerColumn = 4;

// The factor of a constant, linear or exponential gain at `tNs` after time zero: the constant
// factor; 1 + value·t for the linear gain, 10^(value·t / 20) for the exponential one (value in
// dB per ns). Both start at 1 on time zero, so the direct wave and the ballast near the surface
// keep their level and only the deeper, weaker reflections are raised. Before time zero (t < 0)
// the factor at time zero holds. The automatic gain has no fixed curve: 1.
double GainFactor(const RadargramDisplay& display, double tNs);

// Applies the display's gain to one trace in place, sample s lying at s·sampleNs. The
// automatic gain divides each sample by the RMS of the samples in a window of agcWindowNs
// centred on it (cut at the trace's ends); a silent window gives 0.
void ApplyGain(std::span<float> trace, const RadargramDisplay& display, double sampleNs, double timeZeroNs);

// The colour of a level in [-1, 1] (clamped outside): grey from black (-1) through mid grey (0)
// to white (1); the diverging scale from blue (-1) through white (0) to red (1).
Color LevelColor(double level, ColorMap colors);

// Three times the RMS of the samples of up to `blocks` blocks of traces spread over the file:
// the amplitude a picture without gain shows as full scale. 1 for a file without signal.
double FullScaleOf(const RadargramReader& reader, int channel, int blocks = 16);

// The picture of `window` of `channel`: `window.width` × `window.height` pixels, row by row.
// Each column averages the traces it spans (at most kMaxTracesPerColumn of them, spread evenly),
// or shows the nearest trace when it spans less than one; each row shows the nearest sample.
// Places outside the file are white. Error for a size beyond CheckBitmapSize's limits.
Picture RenderRadargram(const RadargramReader& reader, int channel, const RasterStyle& style,
                        const RasterWindow& window);

// The same picture with the traces of each column given: column k shows the traces of
// `columns[k]` (as a column of RenderRadargram shows its share of the window), the samples
// [firstSample, firstSample + sampleCount) down `height` rows. The columns may run against the
// trace order (a survey run against the chainage); each block of traces is read once either way.
Picture RenderRadargramColumns(const RadargramReader& reader, int channel, const RasterStyle& style,
                               const std::vector<TraceSpan>& columns, double firstSample, double sampleCount,
                               int height);

} // namespace trassel
