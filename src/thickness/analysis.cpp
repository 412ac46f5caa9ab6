#include "thickness/analysis.h"

#include "base/numbers.h"
#include "table/grid.h"

#include <algorithm>
#include <cmath>

namespace trassel {

long long Compliance::pointOf(int row) const
{
    const auto it = std::lower_bound(points.rows.begin(), points.rows.end(), row);
    return it != points.rows.end() && *it == row ? it - points.rows.begin() : -1;
}

void ThicknessAnalysis::readRows(const Grid& grid, int first, int last)
{
    for (int r = first; r <= last; ++r) {
        const std::size_t i = static_cast<std::size_t>(r - setup_.firstRow);
        const std::optional<double> x = PicketMetres(grid.cellView(setup_.picketColumn, r));
        positions_[i] = x ? *x : kNoValue;
        for (std::size_t c = 0; c < setup_.columns.size(); ++c) {
            const std::optional<double> d = TryReadStrict(grid.cellView(setup_.columns[c], r));
            depths_[c][i] = d && std::isfinite(*d) ? *d : kNoValue;
        }
    }
}

void ThicknessAnalysis::thicknessOf(std::size_t layer, std::size_t point)
{
    const std::size_t i = static_cast<std::size_t>(result_.points.rows[point] - setup_.firstRow);
    const double lower = depths_[layer][i];
    const double upper = layer == 0 ? setup_.norms.sleeperBaseCm : depths_[layer - 1][i];
    // NaN on either side stays NaN: a gap is never a thickness.
    result_.layers[layer].line.thicknessCm[point] = lower - upper;
}

const Compliance& ThicknessAnalysis::compute(const Grid& grid, const ComplianceSetup& setup)
{
    valid_ = false;
    setup_ = setup;
    const int first = std::max(setup_.firstRow, 1);
    const int last = std::min(setup_.lastRow, grid.rowCount() - 1);
    setup_.firstRow = first;
    setup_.lastRow = std::max(last, first - 1);
    const std::size_t rows = static_cast<std::size_t>(setup_.lastRow - first + 1);
    positions_.assign(rows, kNoValue);
    depths_.assign(setup_.columns.size(), std::vector<double>(rows, kNoValue));
    readRows(grid, first, setup_.lastRow);

    Compliance c;
    c.points = PointsOf(positions_, first);
    const std::size_t n = c.points.size();
    c.layers.resize(setup_.columns.size());
    result_ = std::move(c);
    for (std::size_t l = 0; l < setup_.columns.size(); ++l) {
        LayerCompliance& lc = result_.layers[l];
        lc.line.column = setup_.columns[l];
        lc.line.name = LayerName(setup_.norms, grid, lc.line.column, setup_.titleRow);
        lc.line.thicknessCm.resize(n);
        lc.line.normCm.resize(n);
        for (std::size_t i = 0; i < n; ++i) {
            thicknessOf(l, i);
            lc.line.normCm[i] = NormOf(setup_.norms, l, lc.line.column, result_.points.posM[i]);
        }
        lc.stretches = FindFailingStretches(result_.points, lc.line, setup_.norms);
        lc.per100m = Summarize(result_.points, lc.line, lc.stretches, setup_.norms, kHundredMetres);
        lc.perKm = Summarize(result_.points, lc.line, lc.stretches, setup_.norms, kKilometre);
    }
    valid_ = true;
    return result_;
}

const Compliance& ThicknessAnalysis::rowsChanged(const Grid& grid, int first, int last)
{
    if (!valid_)
        return compute(grid, setup_);
    first = std::max(first, setup_.firstRow);
    last = std::min(last, setup_.lastRow);
    if (first > last)
        return result_;
    // A changed picket moves points and their shares: the line is made again.
    for (int r = first; r <= last; ++r) {
        const std::optional<double> x = PicketMetres(grid.cellView(setup_.picketColumn, r));
        const double before = positions_[static_cast<std::size_t>(r - setup_.firstRow)];
        if (!(x ? *x == before : std::isnan(before)))
            return compute(grid, setup_);
    }
    readRows(grid, first, last);
    const LinePoints& p = result_.points;
    const auto from = std::lower_bound(p.rows.begin(), p.rows.end(), first) - p.rows.begin();
    const auto to = std::upper_bound(p.rows.begin(), p.rows.end(), last) - p.rows.begin();
    if (from == to)
        return result_;
    const double fromM = p.fromM[static_cast<std::size_t>(from)];
    const double toM = p.toM[static_cast<std::size_t>(to - 1)];
    for (std::size_t l = 0; l < result_.layers.size(); ++l) {
        LayerCompliance& lc = result_.layers[l];
        // A boundary bounds the layer above it and the layer below it.
        for (std::size_t i = static_cast<std::size_t>(from); i < static_cast<std::size_t>(to); ++i)
            thicknessOf(l, i);
        std::vector<FailingStretch> stretches = FindFailingStretches(p, lc.line, setup_.norms);
        // The segments the changed points' shares reach into, and those of every stretch that
        // came or went (a stretch is counted in every segment it reaches into).
        double lo = fromM;
        double hi = toM;
        std::size_t same = 0;
        const std::size_t most = std::min(stretches.size(), lc.stretches.size());
        while (same < most && stretches[same] == lc.stretches[same])
            ++same;
        std::size_t tail = 0;
        while (tail < most - same &&
               stretches[stretches.size() - 1 - tail] == lc.stretches[lc.stretches.size() - 1 - tail])
            ++tail;
        for (const std::vector<FailingStretch>* list : {&stretches, &lc.stretches})
            for (std::size_t i = same; i + tail < list->size(); ++i) {
                lo = std::min(lo, (*list)[i].fromM);
                hi = std::max(hi, (*list)[i].toM);
            }
        lc.stretches = std::move(stretches);
        for (const auto& [segmentM, summary] :
             {std::pair{kHundredMetres, &lc.per100m}, std::pair{kKilometre, &lc.perKm}}) {
            const long long a = SegmentsOf(lo, lo, segmentM).first;
            const long long b = SegmentsOf(lo, hi, segmentM).second;
            SummarizeSegments(p, lc.line, lc.stretches, setup_.norms, segmentM, a, b, *summary);
        }
    }
    return result_;
}

} // namespace trassel
