#include "thickness/stretches.h"

#include <algorithm>
#include <cmath>

namespace trassel {
namespace {

// The stretch of the points first..last of a line of `count` points at `posM`, their
// thicknesses and norms given (normCm nullptr: `constantNormCm` everywhere).
FailingStretch Measure(const double* posM, std::size_t count, const double* thicknessCm, const double* normCm,
                       double constantNormCm, const DesignNorms& norms, std::size_t first, std::size_t last)
{
    FailingStretch s;
    s.first = first;
    s.last = last;
    s.fromM = ShareFrom(posM, first);
    s.toM = ShareTo(posM, last, count);
    s.lengthM = s.toM - s.fromM;
    double dataM = 0;
    double deficit = 0;
    for (std::size_t i = first; i <= last; ++i) {
        const double t = thicknessCm[i];
        const double norm = normCm != nullptr ? normCm[i] : constantNormCm;
        if (std::isnan(t) || std::isnan(norm))
            continue;
        s.leastCm = std::isnan(s.leastCm) ? t : std::min(s.leastCm, t);
        const double share = ShareTo(posM, i, count) - ShareFrom(posM, i);
        dataM += share;
        deficit += DeficitCm(t, norm, norms.toleranceCm) * share;
    }
    s.meanDeficitCm = dataM > 0 ? deficit / dataM : 0.0;
    s.volumeM3 = deficit / 100.0 * norms.prismWidthM;
    return s;
}

} // namespace

void FailingRuns::close(std::size_t count)
{
    if (open_ && ShareTo(posM_, last_, count) - ShareFrom(posM_, first_) + kJoinSlackM >= norms_.minLengthM)
        out_.push_back(Measure(posM_, count, thicknessCm_, normCm_, constantNormCm_, norms_, first_, last_));
    open_ = false;
}

namespace {

// Whether point i fails and starts a run of its own: no failing point lies within the join gap
// before it. The scan holds nothing from before such a point.
bool StartsRun(const LinePoints& p, const DesignNorms& norms, std::size_t i, std::size_t previousFailing)
{
    return p.fromM(i) - p.toM(previousFailing) > norms.joinGapM + kJoinSlackM;
}

// The stretches of the points begin..end-1 into `out`, as if the line began at `begin`.
void Scan(const LinePoints& p, const LayerLine& layer, const DesignNorms& norms, std::size_t begin, std::size_t end,
          std::vector<FailingStretch>& out)
{
    FailingRuns runs(p, layer, norms, out);
    for (std::size_t i = begin; i < end; ++i)
        if (Fails(layer.thicknessCm[i], layer.normAt(i), norms.toleranceCm))
            runs.failing(i);
    runs.end(p.size());
}

} // namespace

std::vector<FailingStretch> FindFailingStretches(const LinePoints& p, const LayerLine& layer, const DesignNorms& norms)
{
    std::vector<FailingStretch> out;
    Scan(p, layer, norms, 0, p.size(), out);
    return out;
}

StretchesChange UpdateFailingStretches(const LinePoints& p, const LayerLine& layer, const DesignNorms& norms,
                                       std::size_t from, std::size_t to, std::vector<FailingStretch>& stretches)
{
    const auto fails = [&](std::size_t i) { return Fails(layer.thicknessCm[i], layer.normAt(i), norms.toleranceCm); };
    // The scan starts afresh at a failing point before the change with no failing point within
    // the join gap before it: nothing before that point depends on the changed points.
    std::size_t begin = 0;
    for (std::size_t i = from; i > 0;) {
        --i;
        if (!fails(i))
            continue;
        bool starts = true;
        std::size_t j = i;
        while (j > 0) {
            --j;
            // Shares follow one another: every point before j lies farther away still.
            if (StartsRun(p, norms, i, j))
                break;
            if (fails(j)) {
                starts = false;
                break;
            }
        }
        if (starts) {
            begin = i;
            break;
        }
        i = j + 1;
    }
    // It stops at a failing point after the change that starts a run with a failing point after
    // the change before it: the runs from there on are the same as before the change.
    std::size_t end = p.size();
    std::size_t lastFailing = p.size();
    for (std::size_t i = to; i < p.size(); ++i) {
        if (!fails(i))
            continue;
        if (lastFailing != p.size() && StartsRun(p, norms, i, lastFailing)) {
            end = i;
            break;
        }
        lastFailing = i;
    }
    const auto firstAt = [&](std::size_t point) {
        return std::lower_bound(stretches.begin(), stretches.end(), point,
                                [](const FailingStretch& f, std::size_t x) { return f.first < x; });
    };
    const auto a = firstAt(begin);
    const auto b = firstAt(end);
    std::vector<FailingStretch> found;
    Scan(p, layer, norms, begin, end, found);
    StretchesChange change;
    // The line the stretches that went covered, and that of those that came.
    for (auto it = a; it != b; ++it)
        change.add(*it);
    for (const FailingStretch& f : found)
        change.add(f);
    const auto at = stretches.erase(a, b);
    stretches.insert(at, found.begin(), found.end());
    return change;
}

} // namespace trassel
