#pragma once
// Summaries of a layer by segments of the line: per 100 m (a segment from one whole picket to
// the next, [k*100, (k+1)*100) metres) and per kilometre ([k*1000, (k+1)*1000)). Each point's
// share is cut at the segments' ends and every piece counts in its own segment: the minimum and
// maximum thickness of the pieces, their mean weighted by length, the length below the norm
// (failing points) over the length with data, the deficit volume, and the failing stretches that
// reach into the segment.
#include "thickness/stretches.h"

#include <span>
#include <vector>

namespace trassel {

struct SegmentSummary {
    long long index = 0; // k: the segment [k*length, (k+1)*length)
    double fromM = 0;
    double toM = 0;
    double dataM = 0; // length of the pieces with a thickness and a norm
    double minCm = kNoValue;
    double meanCm = kNoValue;
    double maxCm = kNoValue;
    double normCm = kNoValue;       // the norm averaged by length over the pieces with data
    double belowM = 0;              // length of failing pieces
    double sharePercent = kNoValue; // belowM / dataM
    int stretches = 0;
    double volumeM3 = 0;
    int condition = -1; // index of the condition class, -1 without data
    bool operator==(const SegmentSummary&) const = default;
};

inline constexpr double kHundredMetres = 100;
inline constexpr double kKilometre = 1000;

// Every segment from the one holding the line's start to the one holding its end, those
// without data too.
std::vector<SegmentSummary> Summarize(const LinePoints& points, const LayerLine& layer,
                                      const std::vector<FailingStretch>& stretches, const DesignNorms& norms,
                                      double segmentM);

// A layer's failing stretches and both its summaries in one pass over the points: what
// FindFailingStretches and Summarize per 100 m and per kilometre give.
void AnalyzeLayer(const LinePoints& points, const LayerLine& layer, const DesignNorms& norms,
                  std::vector<FailingStretch>& stretches, std::vector<SegmentSummary>& per100m,
                  std::vector<SegmentSummary>& perKm);

struct LayerCompliance {
    LayerLine line;
    std::vector<FailingStretch> stretches;
    std::vector<SegmentSummary> per100m;
    std::vector<SegmentSummary> perKm;
};

// AnalyzeLayer for every layer of `layers` (their lines given) in one pass over the points:
// where a point's share falls is found once for all of them.
void AnalyzeLayers(const LinePoints& points, const DesignNorms& norms, std::span<LayerCompliance> layers);

// The points of a line that is still being read, as they become whole (their share's end known).
class PointsFeed {
public:
    virtual ~PointsFeed() = default;
    // How many points are whole (the point after the last of them is there, or the line is read
    // to its end: `all`), once more than `had` are or the line is read.
    virtual std::size_t whole(std::size_t had, bool& all) = 0;
};

// AnalyzeLayers walking the points while they are made on another thread: a point is read only
// once `feed` counts it whole, and the arrays of `points` and of the layers' lines are not
// moved meanwhile (their capacity is reserved). The line runs from `lineFromM` (its first
// point's position) to `lineToM` (its last one's), known before its points are: the segments
// are laid out for it beforehand.
void AnalyzeLayers(const LinePoints& points, double lineFromM, double lineToM, PointsFeed& feed,
                   const DesignNorms& norms, std::vector<LayerCompliance>& layers);

// The segment indices a point's share reaches into.
std::pair<long long, long long> SegmentsOf(double fromM, double toM, double segmentM);

// Fills `out` (the segments from `out.front().index` on) again for segments first..last. The
// points are those PointsOf makes: each share begins where the one before it ends.
void SummarizeSegments(const LinePoints& points, const LayerLine& layer, const std::vector<FailingStretch>& stretches,
                       const DesignNorms& norms, double segmentM, long long first, long long last,
                       std::vector<SegmentSummary>& out);

} // namespace trassel
