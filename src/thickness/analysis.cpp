#include "thickness/analysis.h"

#include "base/numbers.h"
#include "table/grid.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <vector>

namespace trassel {

long long Compliance::pointOf(int row) const
{
    const auto it = std::lower_bound(points.rows.begin(), points.rows.end(), row);
    return it != points.rows.end() && *it == row ? it - points.rows.begin() : -1;
}

void ThicknessAnalysis::readRows(const Grid& grid, int first, int last)
{
    // A row's cells are found in one pass over its text, up to the last column read.
    int lastColumn = setup_.picketColumn;
    for (const int c : setup_.columns)
        lastColumn = std::max(lastColumn, c);
    std::vector<std::string_view> cells;
    cells.reserve(static_cast<std::size_t>(std::max(lastColumn, 0)));
    const auto cellOf = [&](int column, int row) -> std::string_view {
        if (column <= 0)
            return grid.cellView(column, row);
        const auto at = static_cast<std::size_t>(column - 1);
        return at < cells.size() ? cells[at] : std::string_view();
    };
    for (int r = first; r <= last; ++r) {
        grid.rowCells(r, lastColumn, cells);
        const std::size_t i = static_cast<std::size_t>(r - setup_.firstRow);
        const std::optional<double> x = PicketMetres(cellOf(setup_.picketColumn, r));
        positions_[i] = x ? *x : kNoValue;
        for (std::size_t c = 0; c < setup_.columns.size(); ++c) {
            const std::optional<double> d = TryReadStrict(cellOf(setup_.columns[c], r));
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
        for (std::size_t i = 0; i < n; ++i)
            thicknessOf(l, i);
        lc.line.normCm = NormsAlong(setup_.norms, l, lc.line.column, result_.points.posM);
        AnalyzeLayer(result_.points, lc.line, setup_.norms, lc.stretches, lc.per100m, lc.perKm);
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
        // The segments the changed points' shares reach into, and those of every stretch that
        // came or went (a stretch is counted in every segment it reaches into).
        const StretchesChange moved = UpdateFailingStretches(p, lc.line, setup_.norms, static_cast<std::size_t>(from),
                                                             static_cast<std::size_t>(to), lc.stretches);
        const double lo = std::min(fromM, moved.fromM);
        const double hi = std::max(toM, moved.toM);
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
