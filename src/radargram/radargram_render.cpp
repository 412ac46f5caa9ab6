#include "radargram/radargram_render.h"

#include "radargram/radargram_reader.h"

#include <algorithm>
#include <cmath>

namespace trassel {

namespace {

// The first two samples of a DZT scan are the instrument's words, not signal.
constexpr std::size_t kDztWords = 2;

void HideInstrumentWords(const RadargramReader& reader, std::span<float> trace)
{
    if (reader.info().format == RadargramFormat::Dzt && trace.size() > kDztWords)
        std::fill(trace.begin(), trace.begin() + kDztWords, trace[kDztWords]);
}

// Rounds half away from zero as std::lround does, without its call: every pixel goes through it.
inline std::uint32_t Channel(double v) { return static_cast<std::uint32_t>(std::clamp(v, 0.0, 255.0) + 0.5); }

inline Color Rgb(double r, double g, double b) { return Channel(r) | (Channel(g) << 8) | (Channel(b) << 16); }

// Reads the traces a picture asks for, in increasing order: a block of neighbours at once when
// the columns are dense, a trace alone when they are far apart.
class TraceFeed {
public:
    TraceFeed(const RadargramReader& reader, int channel, bool dense, bool falling)
        : reader_(reader), channel_(channel), dense_(dense), falling_(falling),
          samples_(static_cast<std::size_t>(std::max(reader.info().samples, 0)))
    {
    }

    std::span<const float> trace(std::int64_t t)
    {
        if (t < first_ || t >= first_ + count_) {
            constexpr std::int64_t kBlock = 256;
            // Columns running against the trace order ask for falling traces: the block then
            // ends at the trace asked for, so that the next columns find theirs in it.
            first_ = dense_ && falling_ ? std::max<std::int64_t>(0, t - kBlock + 1) : t;
            count_ = dense_ ? std::min(kBlock, reader_.info().traces - first_) : 1;
            block_.resize(static_cast<std::size_t>(count_) * samples_);
            reader_.readTraces(channel_, first_, count_, block_);
        }
        return std::span<const float>(block_).subspan(static_cast<std::size_t>(t - first_) * samples_, samples_);
    }

private:
    const RadargramReader& reader_;
    int channel_;
    bool dense_;
    bool falling_;
    std::size_t samples_;
    std::int64_t first_ = 0;
    std::int64_t count_ = 0;
    std::vector<float> block_;
};

} // namespace

double GainFactor(const RadargramDisplay& display, double tNs)
{
    const double t = std::max(tNs, 0.0);
    switch (display.gain) {
    case GainKind::Constant: return display.gainValue;
    case GainKind::Linear: return 1.0 + display.gainValue * t;
    case GainKind::Exponential: return std::pow(10.0, display.gainValue * t / 20.0);
    case GainKind::Agc: return 1.0;
    }
    return 1.0;
}

void ApplyGain(std::span<float> trace, const RadargramDisplay& display, double sampleNs, double timeZeroNs)
{
    const std::size_t n = trace.size();
    // A file that does not say its time window is gained by sample number.
    const double dt = sampleNs > 0 ? sampleNs : 1.0;
    if (display.gain != GainKind::Agc) {
        for (std::size_t s = 0; s < n; ++s)
            trace[s] = static_cast<float>(trace[s] * GainFactor(display, static_cast<double>(s) * dt - timeZeroNs));
        return;
    }
    if (n == 0)
        return;
    // Half the window in samples; a window shorter than a sample is the sample itself.
    const double windowSamples = display.agcWindowNs / dt;
    const auto half = static_cast<std::ptrdiff_t>(std::max(0.0, std::floor(windowSamples / 2.0)));
    // Running sums of squares, so that the window costs the same however long it is; the
    // buffer is kept from one trace to the next (a picture gains a trace a column).
    thread_local std::vector<double> sums;
    sums.resize(n + 1);
    sums[0] = 0.0;
    for (std::size_t s = 0; s < n; ++s)
        sums[s + 1] = sums[s] + static_cast<double>(trace[s]) * trace[s];
    const auto last = static_cast<std::ptrdiff_t>(n) - 1;
    for (std::ptrdiff_t s = 0; s <= last; ++s) {
        const std::ptrdiff_t from = std::max<std::ptrdiff_t>(0, s - half);
        const std::ptrdiff_t to = std::min(last, s + half);
        const double mean = (sums[static_cast<std::size_t>(to + 1)] - sums[static_cast<std::size_t>(from)]) /
                            static_cast<double>(to - from + 1);
        const double rms = std::sqrt(std::max(mean, 0.0));
        trace[static_cast<std::size_t>(s)] = rms > 0 ? static_cast<float>(trace[static_cast<std::size_t>(s)] / rms)
                                                     : 0.0f;
    }
}

Color LevelColor(double level, ColorMap colors)
{
    const double v = std::isnan(level) ? 0.0 : std::clamp(level, -1.0, 1.0);
    if (colors == ColorMap::Grey) {
        const double grey = (v + 1.0) * 127.5;
        return Rgb(grey, grey, grey);
    }
    // White at zero, towards blue below and red above.
    const double fade = 255.0 * (1.0 - std::abs(v));
    return v < 0 ? Rgb(fade, fade, 255.0) : Rgb(255.0, fade, fade);
}

double FullScaleOf(const RadargramReader& reader, int channel, int blocks)
{
    const RadargramInfo& info = reader.info();
    if (info.traces <= 0 || info.samples <= 0 || blocks <= 0)
        return 1.0;
    constexpr std::int64_t kBlock = 4;
    const auto samples = static_cast<std::size_t>(info.samples);
    double squares = 0;
    std::size_t count = 0;
    std::int64_t next = 0;
    for (int b = 0; b < blocks && next < info.traces; ++b) {
        const std::int64_t first = std::max(next, info.traces * b / blocks);
        const std::int64_t n = std::min(kBlock, info.traces - first);
        if (n <= 0)
            break;
        std::vector<float> block = reader.readTraces(channel, first, n);
        for (std::int64_t t = 0; t < n; ++t) {
            const std::span<float> trace = std::span<float>(block).subspan(static_cast<std::size_t>(t) * samples,
                                                                           samples);
            HideInstrumentWords(reader, trace);
            for (const float v : trace)
                squares += static_cast<double>(v) * v;
            count += samples;
        }
        next = first + n;
    }
    const double rms = count > 0 ? std::sqrt(squares / static_cast<double>(count)) : 0.0;
    return rms > 0 && std::isfinite(rms) ? 3.0 * rms : 1.0;
}

Picture RenderRadargram(const RadargramReader& reader, int channel, const RasterStyle& style,
                        const RasterWindow& window)
{
    CheckBitmapSize(window.width, window.height);
    std::vector<TraceSpan> columns;
    if (window.width > 0 && window.traceCount > 0) {
        const double tracesPerColumn = window.traceCount / window.width;
        columns.reserve(static_cast<std::size_t>(window.width));
        for (int x = 0; x < window.width; ++x) {
            const double from = window.firstTrace + x * tracesPerColumn;
            columns.push_back({from, from + tracesPerColumn});
        }
    }
    Picture picture = RenderRadargramColumns(reader, channel, style, columns, window.firstSample, window.sampleCount,
                                             window.height);
    // A window without traces is white over its whole width all the same.
    if (picture.width != std::max(window.width, 0)) {
        picture.width = std::max(window.width, 0);
        picture.pixels.assign(static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height),
                              kWhite);
    }
    return picture;
}

Picture RenderRadargramColumns(const RadargramReader& reader, int channel, const RasterStyle& style,
                               const std::vector<TraceSpan>& columns, double firstSample, double sampleCount,
                               int height)
{
    const int width = static_cast<int>(columns.size());
    if (width > 0)
        CheckBitmapSize(width, height);
    Picture picture;
    picture.width = width;
    picture.height = std::max(height, 0);
    picture.pixels.assign(static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height), kWhite);
    const RadargramInfo& info = reader.info();
    if (picture.pixels.empty() || info.traces <= 0 || info.samples <= 0 || !(sampleCount > 0))
        return picture;

    const bool agc = style.display.gain == GainKind::Agc;
    const double full = agc ? kAgcFullScale : style.fullScale;
    const double scale = style.display.contrast / (full > 0 ? full : 1.0);
    const double dt = style.sampleNs > 0 ? style.sampleNs : 1.0;
    // The sample each row shows (-1 outside the trace; a DZT's instrument words show the first
    // sample of signal), and what multiplies it: the gain at its time and the contrast. The
    // automatic gain depends on the trace, so it is applied to each column instead.
    const std::size_t words = reader.info().format == RadargramFormat::Dzt && info.samples > 2 ? kDztWords : 0;
    const double samplesPerRow = sampleCount / picture.height;
    std::vector<int> rowSample(static_cast<std::size_t>(picture.height));
    std::vector<double> rowScale(static_cast<std::size_t>(picture.height), scale);
    for (int y = 0; y < picture.height; ++y) {
        const double s = std::floor(firstSample + (y + 0.5) * samplesPerRow);
        const int sample = s >= 0 && s < info.samples ? static_cast<int>(s) : -1;
        rowSample[static_cast<std::size_t>(y)] = sample >= 0 && static_cast<std::size_t>(sample) < words
                                                     ? static_cast<int>(words)
                                                     : sample;
        if (!agc && sample >= 0)
            rowScale[static_cast<std::size_t>(y)] = scale * GainFactor(style.display, sample * dt - style.timeZeroNs);
    }

    // Blocks are read when the columns are dense on the whole; a column far wider than the rest
    // (a tie far off) still takes at most kMaxTracesPerColumn traces.
    const double spanned = std::abs(columns.back().to - columns.front().from);
    const bool falling = columns.back().from < columns.front().from;
    TraceFeed feed(reader, channel, spanned <= static_cast<double>(kMaxTracesPerColumn) * width, falling);
    const auto samples = static_cast<std::size_t>(info.samples);
    std::vector<float> column(samples);
    for (int x = 0; x < picture.width; ++x) {
        const double from = columns[static_cast<std::size_t>(x)].from;
        const double to = columns[static_cast<std::size_t>(x)].to;
        // The traces whose index lies in [from, to); a column narrower than a trace shows the
        // trace under its centre.
        auto lo = static_cast<std::int64_t>(std::ceil(from));
        auto hi = static_cast<std::int64_t>(std::ceil(to)); // exclusive
        if (hi <= lo) {
            lo = static_cast<std::int64_t>(std::floor((from + to) / 2.0));
            hi = lo + 1;
        }
        lo = std::max<std::int64_t>(lo, 0);
        hi = std::min(hi, info.traces);
        if (hi <= lo)
            continue;
        const std::int64_t span = hi - lo;
        const std::int64_t used = std::min<std::int64_t>(span, kMaxTracesPerColumn);
        std::span<const float> shown;
        if (used == 1 && !agc) {
            shown = feed.trace(lo); // nothing to average or change: the samples as read
        } else {
            std::fill(column.begin(), column.end(), 0.0f);
            for (std::int64_t i = 0; i < used; ++i) {
                // In the order the feed reads its blocks.
                const std::int64_t k = falling ? used - 1 - i : i;
                const std::int64_t t = used == span ? lo + k : lo + (2 * k + 1) * span / (2 * used);
                const std::span<const float> trace = feed.trace(t);
                for (std::size_t s = 0; s < samples; ++s)
                    column[s] += trace[s];
            }
            if (used > 1)
                for (float& v : column)
                    v /= static_cast<float>(used);
            if (agc) {
                HideInstrumentWords(reader, column);
                ApplyGain(column, style.display, style.sampleNs, style.timeZeroNs);
            }
            shown = column;
        }
        Color* out = picture.pixels.data() + x;
        for (int y = 0; y < picture.height; ++y, out += picture.width) {
            const int s = rowSample[static_cast<std::size_t>(y)];
            if (s >= 0)
                *out = LevelColor(shown[static_cast<std::size_t>(s)] * rowScale[static_cast<std::size_t>(y)],
                                  style.display.colors);
        }
    }
    return picture;
}

} // namespace trassel
