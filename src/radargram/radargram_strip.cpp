#include "radargram/radargram_strip.h"

#include "radargram/radargram_scene.h"

#include <algorithm>
#include <cmath>

namespace trassel {

bool RadargramRegistered(const RadargramModel& model)
{
    if (!model.open())
        return false;
    try {
        return model.registration().placed();
    } catch (const std::exception&) {
        return false; // ties a checked model never holds
    }
}

std::vector<TraceSpan> TracesUnderColumns(const LineAxis& axis, int width, const TraceRegistration& registration)
{
    std::vector<TraceSpan> spans;
    if (width <= 0 || !registration.placed() || !(axis.pixelsPerPicket > 0) || !std::isfinite(axis.pixelsPerPicket))
        return spans;
    spans.reserve(static_cast<std::size_t>(width));
    // Each column edge is turned into a trace once and shared by the columns on either side, so
    // that neighbouring columns neither overlap nor leave a trace between them.
    std::optional<double> left = registration.traceAt(axis.picketAt(0));
    for (int k = 0; k < width; ++k) {
        const std::optional<double> right = registration.traceAt(axis.picketAt(k + 1));
        if (!left || !right)
            return {};
        spans.push_back({std::min(*left, *right), std::max(*left, *right)});
        left = right;
    }
    return spans;
}

ColumnRange ColumnsWithTraces(const std::vector<TraceSpan>& spans, std::int64_t traces)
{
    const auto holds = [traces](const TraceSpan& s) {
        // A column narrower than a trace shows the trace nearest its centre (see the renderer).
        const double lo = std::ceil(s.from);
        const double hi = std::ceil(s.to);
        const double t = hi > lo ? lo : std::floor((s.from + s.to) / 2.0);
        const double end = hi > lo ? hi : t + 1;
        return end > 0 && t < static_cast<double>(traces) &&
               std::max(t, 0.0) < std::min(end, static_cast<double>(traces));
    };
    ColumnRange range;
    const int n = static_cast<int>(spans.size());
    int first = 0;
    while (first < n && !holds(spans[static_cast<std::size_t>(first)]))
        ++first;
    int last = n;
    while (last > first && !holds(spans[static_cast<std::size_t>(last - 1)]))
        --last;
    range.first = first;
    range.last = std::max(first, last);
    return range;
}

std::vector<DepthTick> StripDepthTicks(const DepthModel& depth, double sampleNs, int samples, int height, double minGap)
{
    std::vector<DepthTick> ticks;
    if (!(sampleNs > 0) || samples <= 0 || height <= 0)
        return ticks;
    const double windowNs = sampleNs * samples;
    const double deepest = depth.depthCm(windowNs);
    if (!(deepest > 0) || !std::isfinite(deepest))
        return ticks;
    const double rowsPerNs = height / windowNs;
    // The scale is not linear where the layers' speeds differ: the step is chosen on the
    // slowest part so that no two labels come nearer than the gap.
    const double surfaceY = depth.timeNs(0) * rowsPerNs;
    const double cmPerRow = deepest / std::max(height - surfaceY, 1.0);
    double step = NiceStep(std::max(minGap, 1.0) * cmPerRow);
    for (int tries = 0; tries < 8; ++tries) {
        ticks.clear();
        bool tooClose = false;
        double lastY = -1e300;
        for (double k = 0; k * step <= deepest; ++k) {
            const double y = depth.timeNs(k * step) * rowsPerNs;
            if (y - lastY < minGap)
                tooClose = true;
            lastY = y;
            ticks.push_back({y, k * step});
        }
        if (!tooClose)
            break;
        step = NiceStep(step * 1.5);
    }
    return ticks;
}

} // namespace trassel
