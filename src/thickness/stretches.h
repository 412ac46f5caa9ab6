#pragma once
// Failing stretches: the maximal runs of points where a layer is thinner than its norm minus
// the tolerance. A stretch runs from where its first failing point's share begins to where its
// last one's ends, so its length is the sum of the shares it covers. Two runs are one stretch
// when the line between them (points that pass or have no data) is at most the join gap long;
// a stretch shorter than the minimum length, after joining, is left out.
#include "thickness/thickness.h"

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

// The deficit a failing point adds: norm - thickness, in cm; 0 for any other point.
inline double DeficitCm(double thicknessCm, double normCm, double toleranceCm)
{
    return Fails(thicknessCm, normCm, toleranceCm) ? normCm - thicknessCm : 0.0;
}

std::vector<FailingStretch> FindFailingStretches(const LinePoints& points, const LayerLine& layer,
                                                 const DesignNorms& norms);

} // namespace trassel
