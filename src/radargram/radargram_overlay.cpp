#include "radargram/radargram_overlay.h"

#include "base/numbers.h"
#include "layers/layers.h"
#include "table/grid.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace trassel {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// Points far off the picture are held here: the painter clips them, the integers never wrap.
constexpr double kCoordLimit = 1.0e6;

int Pixel(double v) { return static_cast<int>(std::lround(std::clamp(v, -kCoordLimit, kCoordLimit))); }

float DepthOf(std::string_view text)
{
    const std::optional<double> value = TryReadStrict(text);
    return value && std::isfinite(*value) ? static_cast<float>(*value) : std::numeric_limits<float>::quiet_NaN();
}

} // namespace

std::vector<OverlayLayer> OverlayLayersOf(const LayerManager& layers)
{
    std::vector<OverlayLayer> result;
    for (int slot = 0; slot < layers.LayerCount(); ++slot) {
        const TLayer& layer = layers.Layers(slot);
        if (layers.isChecked(layer.Item))
            result.push_back({layer.PicketColumn, layer.DepthColumn, layer.PointColor});
    }
    return result;
}

std::optional<double> OverlayPlacement::xOfPicket(double picket) const
{
    if (!placed())
        return std::nullopt;
    if (line)
        return line->x(picket);
    const std::optional<double> trace = registration.traceAt(picket);
    if (!trace)
        return std::nullopt;
    return xOfTrace(*trace);
}

std::optional<double> OverlayPlacement::picketOfX(double x) const
{
    if (!placed())
        return std::nullopt;
    if (line)
        return line->picketAt(x);
    return registration.picketOf(traceOfX(x));
}

OverlayPlacement PlacementOf(const RadargramScene& scene)
{
    OverlayPlacement p;
    p.view = scene.view();
    p.plotWidth = scene.plotWidth();
    p.plotHeight = scene.plotHeight();
    const RadargramModel& model = scene.model();
    if (!scene.ready() || !model.open())
        return p;
    p.registration = model.registration();
    p.depth = model.depthModel();
    p.sampleNs = model.sampleNs();
    return p;
}

// ---- reading the table ----

void RadargramOverlay::readColumn(const Grid& grid, Column& column, int first, int last)
{
    column.pickets.clear();
    if (last < first)
        return;
    column.pickets.reserve(static_cast<std::size_t>(last - first) + 1);
    double before = -std::numeric_limits<double>::infinity();
    for (int row = first; row <= last; ++row) {
        const std::optional<double> p = row < grid.rowCount() ? TryReadStrict(grid.cellView(column.col, row))
                                                              : std::nullopt;
        if (p && std::isfinite(*p))
            before = RoundTo(*p, 2);
        column.pickets.push_back(before);
    }
    column.rising = isRising(column.pickets);
}

bool RadargramOverlay::isRising(std::span<const double> pickets)
{
    return std::is_sorted(pickets.begin(), pickets.end());
}

std::size_t RadargramOverlay::columnIndex(int col)
{
    for (std::size_t i = 0; i < columns_.size(); ++i)
        if (columns_[i].col == col)
            return i;
    columns_.push_back(Column{col, {}, true});
    return columns_.size() - 1;
}

void RadargramOverlay::read(const Grid& grid)
{
    ++reads_;
    columns_.clear();
    tracks_.clear();
    cursorTrack_ = columnIndex(cursorColumn_);
    for (const OverlayLayer& layer : layers_)
        tracks_.push_back(Track{layer, columnIndex(layer.picketColumn), {}});
    for (Column& column : columns_)
        readColumn(grid, column, first_, last_);
    for (Track& track : tracks_) {
        if (last_ < first_)
            continue;
        track.depths.reserve(static_cast<std::size_t>(last_ - first_) + 1);
        for (int row = first_; row <= last_; ++row)
            track.depths.push_back(row < grid.rowCount() ? DepthOf(grid.cellView(track.layer.depthColumn, row))
                                                         : std::numeric_limits<float>::quiet_NaN());
        const std::size_t blocks = (track.depths.size() + kBlock - 1) / kBlock;
        track.blockLo.assign(blocks, 0);
        track.blockHi.assign(blocks, 0);
        track.blockGap.assign(blocks, 0);
        for (std::size_t b = 0; b < blocks; ++b)
            track.summarize(b);
    }
}

void RadargramOverlay::Track::summarize(std::size_t block)
{
    const std::size_t from = block * kBlock;
    const std::size_t to = std::min(depths.size(), from + kBlock);
    float lo = std::numeric_limits<float>::infinity();
    float hi = -std::numeric_limits<float>::infinity();
    bool gap = false;
    for (std::size_t i = from; i < to; ++i) {
        gap = gap || std::isnan(depths[i]);
        lo = std::min(lo, depths[i]);
        hi = std::max(hi, depths[i]);
    }
    blockLo[block] = lo;
    blockHi[block] = hi;
    blockGap[block] = gap ? 1 : 0;
}

bool RadargramOverlay::mend(const Grid& grid)
{
    const std::optional<Grid::CellAt> cell = grid.onlyCellWrittenSince(revision_);
    if (!cell)
        return false;
    if (cell->row < first_ || cell->row > last_)
        return true; // outside the range: nothing drawn changed
    const auto index = static_cast<std::size_t>(cell->row - first_);
    for (Track& track : tracks_)
        if (track.layer.depthColumn == cell->col) {
            track.depths[index] = DepthOf(grid.cellView(cell->col, cell->row));
            track.summarize(index / kBlock);
        }
    for (Column& column : columns_)
        if (column.col == cell->col)
            readColumn(grid, column, first_, last_); // a picket moved: rare, and its run may change
    return true;
}

void RadargramOverlay::update(const Grid& grid, const std::vector<OverlayLayer>& layers, int cursorPicketColumn,
                              int first, int last)
{
    const bool same = grid_ == &grid && layers == layers_ && cursorPicketColumn == cursorColumn_ && first == first_ &&
                      last == last_;
    if (same && grid.revision() == revision_)
        return;
    if (!same || !mend(grid)) {
        layers_ = layers;
        cursorColumn_ = cursorPicketColumn;
        first_ = first;
        last_ = last;
        read(grid);
    }
    grid_ = &grid;
    revision_ = grid.revision();
}

// ---- drawing ----

std::vector<OverlayPath> RadargramOverlay::paths(const OverlayPlacement& placement) const
{
    std::vector<OverlayPath> result;
    if (!placement.placed())
        return result;
    const int width = placement.plotWidth;
    // The pickets of the pixel columns' edges, rising: column k spans edges k..k+1 (counted from
    // the right when the pickets fall along the traces).
    std::vector<double> edges(static_cast<std::size_t>(width) + 1);
    for (int k = 0; k <= width; ++k) {
        const std::optional<double> p = placement.picketOfX(placement.left + k);
        if (!p)
            return result;
        edges[static_cast<std::size_t>(k)] = *p;
    }
    const bool falling = edges.front() > edges.back();
    if (falling)
        std::reverse(edges.begin(), edges.end());

    for (const Track& track : tracks_) {
        const Column& column = columns_[track.column];
        OverlayPath path{track.layer.color, {}};
        if (!column.rising || column.pickets.empty()) {
            result.push_back(std::move(path));
            continue;
        }
        const std::vector<double>& pickets = column.pickets;
        const std::vector<float>& depths = track.depths;
        std::vector<Point> run;
        const auto endRun = [&] {
            if (run.size() >= 2)
                path.runs.push_back(std::move(run));
            run.clear();
        };
        const auto exact = [&](std::size_t i) {
            const std::optional<double> x = placement.xOfPicket(pickets[i]);
            if (x)
                run.push_back({Pixel(*x), Pixel(placement.yOfSample(placement.sampleOfDepth(depths[i])))});
        };
        const auto yOf = [&](float depth) { return Pixel(placement.yOfSample(placement.sampleOfDepth(depth))); };
        // One pixel column's rows [from, to), split where a depth is missing.
        const auto columnRows = [&](std::size_t from, std::size_t to, int x) {
            std::size_t count = 0;
            std::size_t firstRow = from;
            float lo = 0;
            float hi = 0;
            const auto flush = [&](std::size_t end) {
                if (count == 0)
                    return;
                if (count <= 2) {
                    for (std::size_t i = firstRow; i < end; ++i)
                        exact(i);
                } else if (depths[firstRow] <= depths[end - 1]) {
                    // The column's extremes in the order the line runs through them, so that
                    // the line comes in near its first row and goes on from near its last.
                    run.push_back({x, yOf(lo)});
                    run.push_back({x, yOf(hi)});
                } else {
                    run.push_back({x, yOf(hi)});
                    run.push_back({x, yOf(lo)});
                }
                count = 0;
            };
            for (std::size_t i = from; i < to; ++i) {
                // A whole block without a gap counts by its summary.
                if (i % kBlock == 0 && i + kBlock <= to && track.blockGap[i / kBlock] == 0) {
                    const std::size_t b = i / kBlock;
                    if (count == 0) {
                        firstRow = i;
                        lo = track.blockLo[b];
                        hi = track.blockHi[b];
                    } else {
                        lo = std::min(lo, track.blockLo[b]);
                        hi = std::max(hi, track.blockHi[b]);
                    }
                    count += kBlock;
                    i += kBlock - 1;
                    continue;
                }
                const float d = depths[i];
                if (std::isnan(d)) {
                    flush(i);
                    endRun();
                    firstRow = i + 1;
                    continue;
                }
                if (count == 0) {
                    firstRow = i;
                    lo = hi = d;
                } else {
                    lo = std::min(lo, d);
                    hi = std::max(hi, d);
                }
                ++count;
            }
            flush(to);
        };

        auto at = std::lower_bound(pickets.begin(), pickets.end(), edges.front());
        const auto rowOf = [&](std::vector<double>::const_iterator it) {
            return static_cast<std::size_t>(it - pickets.begin());
        };
        // The row before the view, so that the line comes in from the edge.
        if (at != pickets.begin())
            columnRows(rowOf(at) - 1, rowOf(at), 0);
        for (int k = 0; k < width; ++k) {
            const auto next = std::lower_bound(at, pickets.end(), edges[static_cast<std::size_t>(k) + 1]);
            if (next != at) {
                const int pixel = falling ? width - 1 - k : k;
                columnRows(rowOf(at), rowOf(next), placement.left + pixel);
            }
            at = next;
        }
        // The row after the view.
        if (at != pickets.end())
            columnRows(rowOf(at), rowOf(at) + 1, 0);
        endRun();
        result.push_back(std::move(path));
    }
    return result;
}

void RadargramOverlay::draw(Canvas& canvas, const OverlayPlacement& placement, int width) const
{
    canvas.setPenStyle(PenStyle::Solid);
    canvas.setPenWidth(width);
    for (const OverlayPath& path : paths(placement)) {
        canvas.setPenColor(path.color);
        for (const std::vector<Point>& run : path.runs) {
            canvas.moveTo(run.front().x, run.front().y);
            for (std::size_t i = 1; i < run.size(); ++i)
                canvas.lineTo(run[i].x, run[i].y);
        }
    }
}

std::optional<double> RadargramOverlay::picketOfRow(int row) const
{
    if (columns_.empty() || row < first_ || row > last_)
        return std::nullopt;
    const std::vector<double>& pickets = columns_[cursorTrack_].pickets;
    const double p = pickets[static_cast<std::size_t>(row - first_)];
    return std::isfinite(p) ? std::optional<double>(p) : std::nullopt;
}

std::optional<int> RadargramOverlay::nearestRow(double picket) const
{
    if (columns_.empty() || !std::isfinite(picket))
        return std::nullopt;
    const Column& column = columns_[cursorTrack_];
    const std::vector<double>& pickets = column.pickets;
    std::size_t best = pickets.size();
    if (column.rising) {
        const auto it = std::lower_bound(pickets.begin(), pickets.end(), picket);
        const auto after = static_cast<std::size_t>(it - pickets.begin());
        for (const std::size_t i : {after == 0 ? after : after - 1, after})
            if (i < pickets.size() && std::isfinite(pickets[i]) &&
                (best == pickets.size() || std::abs(pickets[i] - picket) < std::abs(pickets[best] - picket)))
                best = i;
    } else {
        for (std::size_t i = 0; i < pickets.size(); ++i)
            if (std::isfinite(pickets[i]) &&
                (best == pickets.size() || std::abs(pickets[i] - picket) < std::abs(pickets[best] - picket)))
                best = i;
    }
    if (best == pickets.size())
        return std::nullopt;
    // Rows of one picket (an unreadable one repeats the one before): the first of them.
    while (best > 0 && pickets[best - 1] == pickets[best])
        --best;
    return first_ + static_cast<int>(best);
}

// ---- boreholes ----

std::vector<OverlayBorehole> BoreholesOf(const Grid& boreholes)
{
    std::vector<OverlayBorehole> result;
    if (boreholes.colCount() <= 5)
        return result;
    for (int r = 2; r < boreholes.rowCount(); ++r) {
        const std::optional<double> picket = TryReadStrict(boreholes.cellView(1, r));
        const std::optional<double> depth = TryReadStrict(boreholes.cellView(5, r));
        if (picket && depth && std::isfinite(*picket) && std::isfinite(*depth))
            result.push_back({*picket, *depth, std::string(boreholes.cellView(5, r))});
    }
    return result;
}

void DrawBoreholes(Canvas& canvas, const OverlayPlacement& placement, const std::vector<OverlayBorehole>& boreholes)
{
    if (!placement.placed())
        return;
    constexpr Color kBoreholeColor = 0xFF0000; // blue
    canvas.setPenStyle(PenStyle::Solid);
    canvas.setPenColor(kBoreholeColor);
    canvas.setFontColor(kBoreholeColor);
    canvas.setBrushStyle(BrushStyle::Clear);
    canvas.setFontStyle(true, false);
    const int right = placement.left + placement.plotWidth;
    for (const OverlayBorehole& b : boreholes) {
        const std::optional<double> x = placement.xOfPicket(b.picket);
        if (!x || *x < placement.left || *x >= right)
            continue;
        const int xi = Pixel(*x);
        // A borehole deeper than the time window shown runs to the picture's bottom edge, without
        // its tick and depth: a sheet has no painter to clip a mark reaching into its margins.
        const int plotTop = placement.top;
        const int plotBottom = placement.top + placement.plotHeight - 1;
        const int top = std::clamp(Pixel(placement.yOfSample(placement.sampleOfDepth(0))), plotTop, plotBottom);
        const int bottom = Pixel(placement.yOfSample(placement.sampleOfDepth(b.depthCm)));
        canvas.setPenWidth(2);
        canvas.moveTo(xi, top);
        canvas.lineTo(xi, std::clamp(bottom, plotTop, plotBottom));
        if (bottom < plotTop || bottom > plotBottom)
            continue;
        canvas.moveTo(xi - 6, bottom);
        canvas.lineTo(xi + 6, bottom);
        canvas.textOut(xi + 8, bottom - canvas.textHeight() / 2, b.depthText);
    }
    canvas.setFontStyle(false, false);
}

// ---- following the cursor, snapping ----

RadargramViewport ViewKeepingTrace(const RadargramViewport& view, double trace, int plotWidth)
{
    RadargramViewport kept = view;
    if (!std::isfinite(trace) || !(view.tracesPerPixel > 0) || plotWidth <= 0)
        return kept;
    const double span = plotWidth * view.tracesPerPixel;
    const double margin = span / 10.0;
    if (trace < view.firstTrace + margin || trace > view.firstTrace + span - margin)
        kept.firstTrace = trace - span / 2.0; // centred: the next steps along stay in view longer
    return kept;
}

double SnapToReflection(std::span<const float> trace, double sample, double halfWindow)
{
    const auto n = static_cast<long long>(trace.size());
    if (n == 0 || !std::isfinite(sample) || !(halfWindow >= 0))
        return sample;
    const long long from = std::max(0LL, static_cast<long long>(std::ceil(sample - halfWindow)));
    const long long to = std::min(n - 1, static_cast<long long>(std::floor(sample + halfWindow)));
    if (from > to)
        return sample;
    double mean = 0;
    for (const float v : trace)
        mean += v;
    mean /= static_cast<double>(n);
    // The quadrature part from a Hilbert filter of odd taps 2 / (pi k), Hamming-windowed.
    constexpr int kHalfTaps = 15;
    const auto value = [&](long long i) { return i < 0 || i >= n ? 0.0 : trace[static_cast<std::size_t>(i)] - mean; };
    const auto envelope = [&](long long i) {
        double q = 0;
        for (int k = 1; k <= kHalfTaps; k += 2) {
            const double w = 0.54 + 0.46 * std::cos(std::numbers::pi * k / (kHalfTaps + 1));
            q += 2.0 / (std::numbers::pi * k) * w * (value(i - k) - value(i + k));
        }
        const double x = value(i);
        return std::sqrt(x * x + q * q);
    };
    long long best = from;
    double bestValue = -1;
    std::vector<double> env(static_cast<std::size_t>(to - from + 1));
    for (long long i = from; i <= to; ++i) {
        env[static_cast<std::size_t>(i - from)] = envelope(i);
        if (env[static_cast<std::size_t>(i - from)] > bestValue) {
            bestValue = env[static_cast<std::size_t>(i - from)];
            best = i;
        }
    }
    if (!(bestValue > 0))
        return sample;
    // Between samples: the vertex of the parabola through the peak and its neighbours.
    if (best > from && best < to) {
        const double a = env[static_cast<std::size_t>(best - from - 1)];
        const double b = env[static_cast<std::size_t>(best - from)];
        const double c = env[static_cast<std::size_t>(best - from + 1)];
        const double denom = a - 2 * b + c;
        if (denom < 0)
            return static_cast<double>(best) + 0.5 * (a - c) / denom;
    }
    return static_cast<double>(best);
}

} // namespace trassel
