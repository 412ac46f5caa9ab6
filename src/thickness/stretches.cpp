#include "thickness/stretches.h"

#include <algorithm>
#include <cmath>

namespace trassel {
namespace {

// Lengths are sums and halves of positions in millimetres; a hair of slack keeps a stretch of
// exactly the minimum length (or a gap of exactly the join gap) on the side the rule says.
constexpr double kSlackM = 1e-6;

FailingStretch Measure(const LinePoints& p, const LayerLine& layer, const DesignNorms& norms, std::size_t first,
                       std::size_t last)
{
    FailingStretch s;
    s.first = first;
    s.last = last;
    s.fromM = p.fromM[first];
    s.toM = p.toM[last];
    s.lengthM = s.toM - s.fromM;
    double dataM = 0;
    double deficit = 0;
    for (std::size_t i = first; i <= last; ++i) {
        const double t = layer.thicknessCm[i];
        const double norm = layer.normCm[i];
        if (std::isnan(t) || std::isnan(norm))
            continue;
        s.leastCm = std::isnan(s.leastCm) ? t : std::min(s.leastCm, t);
        const double share = p.toM[i] - p.fromM[i];
        dataM += share;
        deficit += DeficitCm(t, norm, norms.toleranceCm) * share;
    }
    s.meanDeficitCm = dataM > 0 ? deficit / dataM : 0.0;
    s.volumeM3 = deficit / 100.0 * norms.prismWidthM;
    return s;
}

} // namespace

std::vector<FailingStretch> FindFailingStretches(const LinePoints& p, const LayerLine& layer, const DesignNorms& norms)
{
    std::vector<FailingStretch> out;
    const std::size_t n = p.size();
    bool open = false;
    std::size_t first = 0;
    std::size_t last = 0;
    const auto close = [&] {
        if (open && p.toM[last] - p.fromM[first] + kSlackM >= norms.minLengthM)
            out.push_back(Measure(p, layer, norms, first, last));
        open = false;
    };
    for (std::size_t i = 0; i < n; ++i) {
        if (!Fails(layer.thicknessCm[i], layer.normCm[i], norms.toleranceCm))
            continue;
        if (open && p.fromM[i] - p.toM[last] <= norms.joinGapM + kSlackM) {
            last = i;
            continue;
        }
        close();
        open = true;
        first = last = i;
    }
    close();
    return out;
}

} // namespace trassel
