#pragma once
// Failing stretches: the maximal runs of points where a layer is thinner than its norm minus
// the tolerance. A stretch runs from where its first failing point's share begins to where its
// last one's ends, so its length is the sum of the shares it covers. Two runs are one stretch
// when the line between them (points that pass or have no data) is at most the join gap long;
// a stretch shorter than the minimum length, after joining, is left out.
#include "thickness/thickness.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>
#include <vector>

namespace trassel {

struct FailingStretch {
    std::size_t first = 0; // the first and last failing point it holds
    std::size_t last = 0;
    double fromM = 0;
    double toM = 0;
    double lengthM = 0;
    double leastCm = kNoValue; // the least thickness of its points with data
    double meanDeficitCm = 0;  // the deficit averaged over its length with data
    double volumeM3 = 0;       // deficit x share x prism width, summed
    bool operator==(const FailingStretch&) const = default;
};

// Whether a point fails: thinner than norm - tolerance (a point without data never does).
inline bool Fails(double thicknessCm, double normCm, double toleranceCm) { return thicknessCm < normCm - toleranceCm; }

// `value` when `condition` holds, +0 otherwise, chosen without a branch: which points of a poor
// track bed fail follows no pattern a processor could predict.
inline double OnlyIf(bool condition, double value)
{
    return std::bit_cast<double>(std::bit_cast<std::uint64_t>(value) & -static_cast<std::uint64_t>(condition));
}

// The deficit a failing point adds: norm - thickness, in cm; 0 for any other point.
inline double DeficitCm(double thicknessCm, double normCm, double toleranceCm)
{
    return OnlyIf(Fails(thicknessCm, normCm, toleranceCm), normCm - thicknessCm);
}

std::vector<FailingStretch> FindFailingStretches(const LinePoints& points, const LayerLine& layer,
                                                 const DesignNorms& norms);

// Lengths are sums and halves of positions in millimetres; a hair of slack keeps a stretch of
// exactly the minimum length (or a gap of exactly the join gap) on the side the rule says.
inline constexpr double kJoinSlackM = 1e-6;

// The search behind FindFailingStretches, told of the failing points in order: a pass that
// visits every point for another reason finds the stretches on its way. It reads the points
// through their arrays' data alone, never through the vectors that hold them, so a walk may
// follow points that another thread is still adding (into reserved capacity).
class FailingRuns {
public:
    FailingRuns(const LinePoints& points, const LayerLine& layer, const DesignNorms& norms,
                std::vector<FailingStretch>& out)
        : posM_(points.posM.data()), thicknessCm_(layer.thicknessCm.data()),
          normCm_(layer.oneNorm ? nullptr : layer.normCm.data()), constantNormCm_(layer.constantNormCm), norms_(norms),
          out_(out)
    {
    }
    void failing(std::size_t i)
    {
        // A point after the last failing one: that one's share ends half-way to its successor.
        if (open_ && ShareFrom(posM_, i) - ShareTo(posM_, last_, kMore) <= norms_.joinGapM + kJoinSlackM) {
            last_ = i;
            return;
        }
        close(kMore);
        open_ = true;
        first_ = last_ = i;
    }
    // After the last of the line's `count` points.
    void end(std::size_t count) { close(count); }

private:
    // A count of points beyond any index: the point after the last failing one is there.
    static constexpr std::size_t kMore = static_cast<std::size_t>(-1);
    void close(std::size_t count);

    const double* posM_;
    const double* thicknessCm_;
    const double* normCm_; // nullptr: the constant norm
    double constantNormCm_;
    const DesignNorms& norms_;
    std::vector<FailingStretch>& out_;
    bool open_ = false;
    std::size_t first_ = 0;
    std::size_t last_ = 0;
};

// Where the stretches that went and came after a change lie (fromM > toM: nowhere).
struct StretchesChange {
    double fromM = std::numeric_limits<double>::infinity();
    double toM = -std::numeric_limits<double>::infinity();
    void add(const FailingStretch& s)
    {
        fromM = std::min(fromM, s.fromM);
        toM = std::max(toM, s.toM);
    }
};

// `stretches`, found for the layer before the points from..to-1 changed their thickness, made
// what FindFailingStretches gives now. Only the runs the changed points can reach are scanned
// again: from the last run before them that no failing point joins from the left to the first
// one after them that starts afresh.
StretchesChange UpdateFailingStretches(const LinePoints& points, const LayerLine& layer, const DesignNorms& norms,
                                       std::size_t from, std::size_t to, std::vector<FailingStretch>& stretches);

} // namespace trassel
