#pragma once
// The instrument radargram laid along another picture's horizontal axis (the section's): each
// pixel column shows the traces whose places on the line fall in that column, found through the
// traces' registration, so that a registration spread unevenly between ties still puts every
// trace under its own picket. The strip shows the whole time window down its height, with a
// small depth scale from the depth model.
#include "radargram/depth_model.h"
#include "radargram/radargram_model.h"
#include "radargram/registration.h"

#include <vector>

namespace trassel {

// A picture laid along the line at a constant scale: picket `firstPicket` at x `leftX`,
// `pixelsPerPicket` pixels a picket to the right.
struct LineAxis {
    double firstPicket = 0;
    double pixelsPerPicket = 1;
    double leftX = 0;
    double x(double picket) const { return leftX + (picket - firstPicket) * pixelsPerPicket; }
    double picketAt(double x) const { return firstPicket + (x - leftX) / pixelsPerPicket; }
    bool operator==(const LineAxis&) const = default;
};

// The (fractional) trace indices one pixel column spans, `from` <= `to`: a trace t lies in the
// column when from <= t < to (see RenderRadargramColumns).
struct TraceSpan {
    double from = 0;
    double to = 0;
    bool operator==(const TraceSpan&) const = default;
};

// Whether a model has traces placed on the line: a file open and a registration that places it.
bool RadargramRegistered(const RadargramModel& model);

// The traces under each of the `width` pixel columns [k, k + 1) of `axis`. Empty when nothing is
// placed or the axis has no scale. Columns beyond the file's traces get spans outside
// [0, traces), which show nothing; a run against the chainage gives falling spans across.
std::vector<TraceSpan> TracesUnderColumns(const LineAxis& axis, int width, const TraceRegistration& registration);

// The first and one past the last column whose span holds a trace of a file of `traces`;
// first == last when none does.
struct ColumnRange {
    int first = 0;
    int last = 0;
};
ColumnRange ColumnsWithTraces(const std::vector<TraceSpan>& spans, std::int64_t traces);

// One label of the strip's depth scale: its row and its depth (cm).
struct DepthTick {
    double y = 0;
    double cm = 0;
};

// The depths of a scale for the whole time window of `samples` samples of `sampleNs` shown over
// `height` rows: round depths (1, 2 or 5 times a power of ten cm) at least `minGap` rows
// apart, from the surface (time zero) down to the window's end. Empty without a time window.
std::vector<DepthTick> StripDepthTicks(const DepthModel& depth, double sampleNs, int samples, int height,
                                       double minGap);

} // namespace trassel
