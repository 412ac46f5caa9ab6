#include "thickness/summaries.h"

#include <algorithm>
#include <cmath>

namespace trassel {

std::pair<long long, long long> SegmentsOf(double fromM, double toM, double segmentM)
{
    const long long a = static_cast<long long>(std::floor(fromM / segmentM));
    // A share ending exactly at a segment's start does not reach into it.
    const long long b = std::max(a, static_cast<long long>(std::ceil(toM / segmentM)) - 1);
    return {a, b};
}

void SummarizeSegments(const LinePoints& p, const LayerLine& layer, const std::vector<FailingStretch>& stretches,
                       const DesignNorms& norms, double segmentM, long long first, long long last,
                       std::vector<SegmentSummary>& out)
{
    if (out.empty() || first > last)
        return;
    const long long base = out.front().index;
    first = std::max(first, base);
    last = std::min(last, out.back().index);
    if (first > last)
        return;
    std::vector<double> weighted(static_cast<std::size_t>(last - first + 1), 0.0);
    std::vector<std::size_t> counted(weighted.size(), 0);
    std::vector<double> plain(weighted.size(), 0.0);
    std::vector<double> weightedNorm(weighted.size(), 0.0);
    std::vector<double> plainNorm(weighted.size(), 0.0);
    for (long long k = first; k <= last; ++k) {
        SegmentSummary& s = out[static_cast<std::size_t>(k - base)];
        s = SegmentSummary{};
        s.index = k;
        s.fromM = static_cast<double>(k) * segmentM;
        s.toM = static_cast<double>(k + 1) * segmentM;
    }
    // The points whose shares reach into the segments: from the first share ending after the
    // first segment's start.
    const double fromM = static_cast<double>(first) * segmentM;
    const double toM = static_cast<double>(last + 1) * segmentM;
    std::size_t i = static_cast<std::size_t>(std::lower_bound(p.toM.begin(), p.toM.end(), fromM) - p.toM.begin());
    for (; i < p.size() && p.fromM[i] <= toM; ++i) {
        const double t = layer.thicknessCm[i];
        const double norm = layer.normCm[i];
        if (std::isnan(t) || std::isnan(norm))
            continue;
        const bool fails = Fails(t, norm, norms.toleranceCm);
        const double deficit = DeficitCm(t, norm, norms.toleranceCm);
        const auto [a, b] = SegmentsOf(p.fromM[i], p.toM[i], segmentM);
        for (long long k = std::max(a, first); k <= std::min(b, last); ++k) {
            SegmentSummary& s = out[static_cast<std::size_t>(k - base)];
            const double piece = std::min(p.toM[i], s.toM) - std::max(p.fromM[i], s.fromM);
            // A point of no length (a line of one point) still counts where it lies.
            if (piece <= 0 && !(p.toM[i] == p.fromM[i]))
                continue;
            const std::size_t j = static_cast<std::size_t>(k - first);
            s.minCm = std::isnan(s.minCm) ? t : std::min(s.minCm, t);
            s.maxCm = std::isnan(s.maxCm) ? t : std::max(s.maxCm, t);
            const double w = std::max(piece, 0.0);
            s.dataM += w;
            weighted[j] += t * w;
            plain[j] += t;
            weightedNorm[j] += norm * w;
            plainNorm[j] += norm;
            ++counted[j];
            if (fails)
                s.belowM += w;
            s.volumeM3 += deficit / 100.0 * w * norms.prismWidthM;
        }
    }
    for (long long k = first; k <= last; ++k) {
        SegmentSummary& s = out[static_cast<std::size_t>(k - base)];
        const std::size_t j = static_cast<std::size_t>(k - first);
        if (counted[j] == 0)
            continue;
        s.meanCm = s.dataM > 0 ? weighted[j] / s.dataM : plain[j] / static_cast<double>(counted[j]);
        s.normCm = s.dataM > 0 ? weightedNorm[j] / s.dataM : plainNorm[j] / static_cast<double>(counted[j]);
        s.sharePercent = s.dataM > 0 ? s.belowM / s.dataM * 100.0 : 0.0;
        s.condition = ConditionOf(norms.classes, s.sharePercent);
    }
    // Stretches reaching into a segment; one of no length counts where it lies.
    const auto reach = std::lower_bound(stretches.begin(), stretches.end(), fromM,
                                        [](const FailingStretch& f, double x) { return f.toM < x; });
    for (auto it = reach; it != stretches.end() && it->fromM <= toM; ++it) {
        const auto [a, b] = SegmentsOf(it->fromM, it->toM, segmentM);
        for (long long k = std::max(a, first); k <= std::min(b, last); ++k)
            ++out[static_cast<std::size_t>(k - base)].stretches;
    }
}

std::vector<SegmentSummary> Summarize(const LinePoints& p, const LayerLine& layer,
                                      const std::vector<FailingStretch>& stretches, const DesignNorms& norms,
                                      double segmentM)
{
    std::vector<SegmentSummary> out;
    if (p.size() == 0)
        return out;
    const long long first = SegmentsOf(p.fromM.front(), p.fromM.front(), segmentM).first;
    const long long last = SegmentsOf(p.fromM.front(), p.toM.back(), segmentM).second;
    out.resize(static_cast<std::size_t>(last - first + 1));
    out.front().index = first;
    out.back().index = last;
    SummarizeSegments(p, layer, stretches, norms, segmentM, first, last, out);
    return out;
}

} // namespace trassel
