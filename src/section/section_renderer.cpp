#include "section/section_renderer.h"
#include "section/picket_columns.h"

#include "base/error.h"
#include "drawing/drawing_record.h"
#include "table/grid.h"
#include "base/numbers.h"
#include "table/pickets.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cmath>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace trassel {
namespace {

int Px(long double v) { return SectionPixel(v); }

constexpr Color kGuideColor = kGray;
constexpr int kRowFontSize = 7;
constexpr int kScaleFontSize = 10;

// Bitmap size of one layer's drawing, computed before anything is changed.
struct SectionGeometry {
    double p1 = 0.0;
    int width = 0;
    int height = 0;
};

long double LeftOf(const SectionParams& params) { return static_cast<long double>(params.Lleft) + 60.0L; }

SectionGeometry ComputeGeometry(const SectionParams& params, double p1, double pn)
{
    const long double w = std::trunc((static_cast<long double>(pn) - p1) * params.SX + LeftOf(params) + params.R);
    const long double h = std::trunc(static_cast<long double>(params.Dmax) * params.SY + params.H);
    // No number converts to no size: said in words before anything is converted.
    if (std::isnan(w))
        throw Error("Ширина разреза не получается числом. Проверьте пикеты, масштаб X и отступы. Разрез не построен.");
    if (std::isnan(h))
        throw Error(
            "Высота разреза не получается числом. Проверьте максимальную глубину и масштаб Y. Разрез не построен.");
    if (w < 0) {
        if (params.FirstDataRow > params.LastDataRow)
            throw Error("Начальная строка диапазона (" + IntToText(params.FirstDataRow) + ") стоит после последней (" +
                        IntToText(params.LastDataRow) +
                        "), и ширина разреза получается отрицательной. Разрез не построен.");
        if (pn < p1 && params.SX > 0)
            throw Error("Пикеты убывают от первой строки диапазона к последней (строка " +
                        IntToText(params.FirstDataRow) + ": " + NumberToText(p1) + ", строка " +
                        IntToText(params.LastDataRow) + ": " + NumberToText(pn) + "). Разрез не построен.");
        throw Error("Ширина разреза получается отрицательной (" + NumberToText(static_cast<double>(w)) +
                    " пикселей). Проверьте масштаб X и отступы. Разрез не построен.");
    }
    if (h < 0)
        throw Error("Высота разреза получается отрицательной (" + NumberToText(static_cast<double>(h)) +
                    " пикселей). Проверьте максимальную глубину и масштаб Y. Разрез не построен.");
    // Clamp before converting so that an absurd scale is reported, not overflowed.
    const auto limit = static_cast<long double>(kMaxBitmapSide) * 4;
    CheckBitmapSize(static_cast<long long>(std::min(w, limit)), static_cast<long long>(std::min(h, limit)));
    return {p1, static_cast<int>(w), static_cast<int>(h)};
}

SectionGeometry ReadGeometry(const Grid& grid, const SectionParams& params, const SectionLayer& layer)
{
    const double p1 = ReadStrict(grid.cellView(layer.picketColumn, params.FirstDataRow));
    const double pn = ReadStrict(grid.cellView(layer.picketColumn, params.LastDataRow));
    return ComputeGeometry(params, p1, pn);
}

void DrawDepthScale(Canvas& canvas, const SectionState& state, const SectionParams& params)
{
    const long double left = LeftOf(params);
    const int x1 = Px(left);
    const int x2 = Px(static_cast<long double>(state.sectionWidth) - params.R);
    const int labelX = Px(left - 60.0L);
    std::string text;
    for (long long d = 0; d <= kDepthScaleLimitCm; d += params.step) {
        const int y = Px(static_cast<long double>(params.SY) * static_cast<long double>(d) + params.H);
        DrawRazrezLine(canvas, x1, y, x2, y, 1, kGuideColor, PenStyle::Dashed);
        canvas.setFontSize(kScaleFontSize);
        canvas.setBrushColor(kWhite);
        text = IntToText(d);
        text += "см";
        canvas.textOut(labelX, y, text);
        // A step of 0 or less would never reach the limit: the 0 cm line stands alone.
        if (params.step <= 0)
            break;
    }
}

} // namespace

int SectionPixel(long double v)
{
    if (std::isnan(v))
        return 0;
    v = std::clamp(v, -kSectionCoordLimit, kSectionCoordLimit);
    // Truncation toward zero without converting the extended value to an integer directly: on
    // x86 that switches the floating-point unit's rounding mode twice, which stalls it, and a
    // section computes a few coordinates for each of a million rows. The nearest double is an
    // integer or within one of the answer at these magnitudes, and is corrected exactly.
    int i = static_cast<int>(static_cast<double>(v));
    if (v >= 0) {
        if (static_cast<long double>(i) > v)
            --i;
    } else if (static_cast<long double>(i) < v) {
        ++i;
    }
    return i;
}

void ClearRazrez(Canvas& canvas, const SectionState& state)
{
    canvas.whiteFill(0, 0, canvas.width(), state.imageHeight);
}

void DrawRazrezLine(Canvas& canvas, int x1, int y1, int x2, int y2, int width, Color color, PenStyle style)
{
    canvas.setPenWidth(width);
    canvas.setPenColor(color);
    canvas.setPenStyle(style);
    canvas.moveTo(x1, y1);
    canvas.lineTo(x2, y2);
}

namespace {

// The box of the last row label drawn of one kind on a layer: a label that would overlap it, or
// come closer to it than a small gap, is left out, so that rows closer than a label's width stay
// readable instead of overprinting or running into one number ("50" beside "50" reads "5050").
struct LabelBox {
    bool drawn = false;
    int left = 0;
    int right = 0;
    int top = 0;

    // Whether a label at (x, y), `height` high, would overlap; `width` is asked for only when
    // the answer needs it (a label left of the last one, when pickets run backwards).
    template <class Width>
    bool overlaps(int x, int y, int height, Width&& width) const
    {
        if (!drawn || y >= top + height || top >= y + height || x >= right + kSectionLabelGap)
            return false;
        return x >= left || static_cast<long long>(x) + width() + kSectionLabelGap > left;
    }
    void keep(int x, int y, int endX)
    {
        drawn = true;
        left = x;
        right = endX;
        top = y;
    }
};

constexpr long long kProgressEvery = 8192;

using Picket = SectionReadings::Picket;

Picket ReadPicket(std::string_view cell)
{
    Picket picket;
    const std::optional<double> strict = TryReadStrict(cell);
    picket.readable = strict.has_value();
    picket.rounded = RoundTo(picket.readable ? *strict : ReadLenient(cell), 2);
    if (picket.readable) {
        const PicketParts parts = SplitPicket(*strict, picket.rounded);
        picket.whole = parts.whole;
        picket.metres = parts.metres;
    }
    return picket;
}

// The reading of row `index` of a range: from `kept` when a drawing got that far before, else
// read now and kept when it is the next one.
template <class T, class Read>
T ReadingAt(std::vector<T>& kept, std::size_t index, Read&& read)
{
    if (index < kept.size())
        return kept[index];
    T value = read();
    if (index == kept.size())
        kept.push_back(value);
    return value;
}

void PlotLayer(Canvas& canvas, SectionState& state, const Grid& grid, const SectionParams& params,
               const SectionLayer& layer, const SectionProgress& progress, SectionReadings& readings,
               const SectionWindow& window = {}, const std::function<bool()>& ordered = {});

} // namespace

void PlotRazrezLayer(Canvas& canvas, SectionState& state, const Grid& grid, const SectionParams& params,
                     const SectionLayer& layer, const SectionProgress& progress)
{
    SectionReadings readings;
    PlotLayer(canvas, state, grid, params, layer, progress, readings);
}

namespace {

// How far from a window's edge what is drawn may still reach into it: a row label's width, the
// picket glyph, a wide outline's half width. Generous: drawing a little more costs little.
constexpr long long kWindowMargin = 512;

// The widths of a layer's row labels by the number they spell: a dense survey repeats the same
// few hundred depths and metre marks, and asking the toolkit for each costs more than the rest
// of a row. Kept while the canvas font stays the same.
class LabelWidths {
public:
    template <class Spell>
    int of(Canvas& canvas, double value, Spell&& spell)
    {
        if (canvas.fontVersion() != version_) {
            if (!(canvas.font() == font_)) {
                widths_.clear();
                font_ = canvas.font();
            }
            version_ = canvas.fontVersion();
        }
        const auto [it, added] = widths_.try_emplace(value, 0);
        if (added)
            it->second = canvas.textWidth(spell());
        return it->second;
    }

private:
    std::uint64_t version_ = UINT64_MAX;
    FontState font_;
    std::unordered_map<double, int> widths_;
};

// The band's outline as the rows give it. Inside a window's columns, every run of vertices lying
// wholly left or wholly right of them keeps only its first and last vertex: the straight edge
// that replaces the run stays on its side, so the even-odd interior and the outline within the
// columns are those of the whole band, without a million vertices to keep and draw.
class BandOutline {
public:
    BandOutline(long long keepLeft, long long keepRight) : keepLeft_(keepLeft), keepRight_(keepRight) { }

    void reserve(std::size_t n) { points_.reserve(n); }
    void add(Point p)
    {
        const int side = p.x < keepLeft_ ? 1 : (p.x > keepRight_ ? 2 : 0);
        if (side != 0 && side == runSide_) {
            runLast_ = p;
            runLonger_ = true;
            return;
        }
        closeRun();
        points_.push_back(p);
        runSide_ = side;
    }
    const std::vector<Point>& points()
    {
        closeRun();
        return points_;
    }

private:
    void closeRun()
    {
        if (runLonger_)
            points_.push_back(runLast_);
        runLonger_ = false;
        runSide_ = 0;
    }

    long long keepLeft_;
    long long keepRight_;
    std::vector<Point> points_;
    int runSide_ = 0;
    Point runLast_;
    bool runLonger_ = false;
};

// Where a label at x, `width` wide, ends, as textOut would leave the pen.
int LabelEnd(int x, int width)
{
    return static_cast<int>(std::clamp<long long>(static_cast<long long>(x) + width, INT_MIN, INT_MAX));
}

// Whether every picket of rows first..last was read before, can be read, and never falls: then
// the rows' columns never run back to the left, and a drawing of a window can stop where the
// rows pass it.
bool PicketsRise(SectionReadings& readings, const Grid& grid, int column, long long first, long long last)
{
    if (last < first)
        return false;
    const std::vector<Picket>& pickets = readings.pickets(grid, column, first);
    const auto rows = static_cast<std::size_t>(std::min<long long>(last - first, grid.rowCount()) + 1);
    if (pickets.size() < rows)
        return false;
    for (std::size_t i = 0; i < rows; ++i)
        if (!pickets[i].readable || !(i == 0 || pickets[i].rounded >= pickets[i - 1].rounded))
            return false;
    return true;
}

// The y of a boundary at `depth` cm, Px(sy * depth + h). Depths are whole centimetres within a
// few metres, repeated down a million rows: each is converted once.
class YOfDepth {
public:
    YOfDepth(long double sy, int h) : sy_(sy), h_(h) { }
    int operator()(double depth)
    {
        if (depth >= 0 && depth < static_cast<double>(kCached)) {
            const auto k = static_cast<std::size_t>(depth);
            if (static_cast<double>(k) == depth) {
                if (cache_.empty())
                    cache_.assign(kCached, kUnknown);
                int& y = cache_[k];
                if (y == kUnknown)
                    y = Px(sy_ * depth + h_);
                return y;
            }
        }
        return Px(sy_ * depth + h_);
    }

private:
    static constexpr std::size_t kCached = 4096;
    static constexpr int kUnknown = INT_MIN;
    long double sy_;
    int h_;
    std::vector<int> cache_;
};

void PlotLayer(Canvas& canvas, SectionState& state, const Grid& grid, const SectionParams& params,
               const SectionLayer& layer, const SectionProgress& progress, SectionReadings& readings,
               const SectionWindow& window, const std::function<bool()>& ordered)
{
    const SectionGeometry geometry = ReadGeometry(grid, params, layer);
    canvas.setSize(geometry.width, geometry.height);
    state.sectionWidth = geometry.width;
    state.imageHeight = geometry.height;

    const long double left = LeftOf(params);
    const long double p1 = geometry.p1;
    const long double sx = params.SX;
    const long double sy = params.SY;
    const int h = params.H;
    const int surfaceY = Px(h);

    const long long first = params.FirstDataRow;
    const long long last = params.LastDataRow;
    // Labels outside the window are not drawn but still thin the ones after them. A thin
    // patterned outline is kept whole: its dashes are counted along the path from its start.
    const long long margin = kWindowMargin + std::max(layer.lineWidth, 0);
    const long long keepLeft = window.whole() ? LLONG_MIN : window.left - margin;
    const long long keepRight = window.whole() ? LLONG_MAX : window.right + margin;
    const auto shown = [&](int x) { return x >= keepLeft && x <= keepRight; };
    const bool thinOutline = layer.lineWidth <= 1;
    // Rows whose columns only grow: once one lies right of the window, so do all after it.
    const bool mayStop = ordered && !window.whole() && params.SX > 0;
    BandOutline vertices = thinOutline ? BandOutline(LLONG_MIN, LLONG_MAX) : BandOutline(keepLeft, keepRight);
    std::vector<Picket>& pickets = readings.pickets(grid, layer.picketColumn, first);
    std::vector<double>& depths = readings.depths(grid, layer.depthColumn, first);
    if (last >= first) {
        const auto rows = static_cast<std::size_t>(std::min<long long>(last - first, grid.rowCount()) + 1);
        if (window.whole() || thinOutline)
            vertices.reserve(rows + 2);
        pickets.reserve(rows);
        depths.reserve(rows);
    }
    // The band starts on the surface line at the first picket, not at picket 0: with pickets in
    // the hundreds that point lies far off the bitmap and would drag the fill across its left edge.
    vertices.add({Px(left), surfaceY});

    std::optional<Picture> glyph;
    std::string text;
    LabelBox depthBox;
    LabelBox metreBox;
    LabelWidths depthWidths;
    LabelWidths metreWidths;
    int rowTextHeight = -1;
    const PicketColumns columnOf(geometry.p1, params.SX, left);
    const int metreLabelY = Px(static_cast<long double>(h) - 15);
    YOfDepth yOf(sy, h);
    // A picket's mark (its name, glyph and dashed guide line) outside the window touches none of
    // its pixels; left out, it still leaves the pen as its guide line does, since the band's
    // outline is drawn in whatever pen style that is.
    const auto skipPicketMark = [&](int x) {
        canvas.setPenWidth(1);
        canvas.setPenColor(kGuideColor);
        canvas.setPenStyle(PenStyle::Dashed);
        canvas.moveTo(x, state.imageHeight);
    };
    for (long long r = first; r <= last; ++r) {
        if (progress && (r - first) % kProgressEvery == 0)
            progress(r - first, last - first + 1);
        const int row = static_cast<int>(r);
        canvas.setFontSize(kRowFontSize);
        if (rowTextHeight < 0)
            rowTextHeight = canvas.textHeight();
        const auto index = static_cast<std::size_t>(r - first);
        const Picket picketRow = ReadingAt(pickets, index,
                                           [&] { return ReadPicket(grid.cellView(layer.picketColumn, row)); });
        const bool readable = picketRow.readable;
        const double picket = picketRow.rounded;
        const double depth = ReadingAt(depths, index,
                                       [&] { return RoundTo(ReadLenient(grid.cellView(layer.depthColumn, row)), 0); });
        const int x = columnOf(picket);
        const int vertexY = yOf(depth);
        vertices.add({x, vertexY});
        if (x > keepRight && mayStop && ordered()) {
            // Nothing right of the window is drawn, and no label there thins one inside it:
            // what remains is the far end of the band's outline (the run this row starts
            // collapses to its ends) and the pen as the last picket mark passed would leave it.
            std::size_t lastMark = picketRow.whole ? index : SIZE_MAX;
            if (!thinOutline && r < last) {
                const auto lastIndex = static_cast<std::size_t>(last - first);
                const Picket end = ReadingAt(pickets, lastIndex, [&] {
                    return ReadPicket(grid.cellView(layer.picketColumn, static_cast<int>(last)));
                });
                const double endDepth = ReadingAt(depths, lastIndex, [&] {
                    return RoundTo(ReadLenient(grid.cellView(layer.depthColumn, static_cast<int>(last))), 0);
                });
                vertices.add({Px((static_cast<long double>(end.rounded) - p1) * sx + left), Px(sy * endDepth + h)});
                for (std::size_t i = lastIndex; i > index; --i) {
                    if (pickets[i].whole) {
                        lastMark = i;
                        break;
                    }
                }
                r = last;
            }
            if (lastMark != SIZE_MAX)
                skipPicketMark(Px((static_cast<long double>(pickets[lastMark].rounded) - p1) * sx + left));
            continue;
        }

        if (depth != 0) {
            canvas.setBrushColor(kWhite);
            // Five below the vertex: adding 5 to a non-negative coordinate this small is exact,
            // so the truncation is the vertex's plus 5 without converting again.
            // (A vertex from 1 to the limit less 6 has its depth's y from 0 to the limit less 5.)
            const int y = vertexY >= 1 && vertexY <= static_cast<int>(kSectionCoordLimit) - 6 ? vertexY + 5
                                                                                              : Px(sy * depth + h + 5);
            // The text is spelled only for a label that may be drawn: most rows of a dense
            // survey are decided by their position alone.
            const auto width = [&] { return depthWidths.of(canvas, depth, [&] { return NumberToText(depth); }); };
            if (!depthBox.overlaps(x, y, rowTextHeight, width)) {
                if (shown(x)) {
                    text = NumberToText(depth);
                    canvas.textOut(x, y, text);
                    depthBox.keep(x, y, canvas.penPos().x);
                } else {
                    depthBox.keep(x, y, LabelEnd(x, width()));
                }
            }
        }

        if (!readable)
            ReadStrict(grid.cellView(layer.picketColumn, row)); // the conversion error of this row's picket
        if (!picketRow.whole) {
            const int y = metreLabelY;
            const auto spell = [&] {
                text = "+";
                text += NumberToText(picketRow.metres);
                return text;
            };
            const auto width = [&] { return metreWidths.of(canvas, picketRow.metres, spell); };
            if (!metreBox.overlaps(x, y, rowTextHeight, width)) {
                if (shown(x)) {
                    canvas.textOut(x, y, spell());
                    metreBox.keep(x, y, canvas.penPos().x);
                } else {
                    metreBox.keep(x, y, LabelEnd(x, width()));
                }
            }
            continue;
        }
        if (!shown(x)) {
            skipPicketMark(x);
            continue;
        }
        text = "ПК";
        text += grid.cellView(layer.picketColumn, row);
        text += "+00";
        canvas.setFontStyle(true, true);
        canvas.textOut(x, Px(static_cast<long double>(h) - 35), text);
        canvas.setFontStyle(false, false);
        if (!glyph)
            glyph = canvas.resourceBitmap(kPicketGlyphName);
        canvas.draw(Px((static_cast<long double>(picket) - p1) * sx + left - 4), Px(static_cast<long double>(h) - 25),
                    *glyph);
        DrawRazrezLine(canvas, x, surfaceY, x, state.imageHeight, 1, kGuideColor, PenStyle::Dashed);
    }
    vertices.add({Px(static_cast<long double>(state.sectionWidth) - params.R), surfaceY});

    // The outline keeps whatever pen style the canvas has: a wide dashed pen draws continuous.
    canvas.setPenWidth(layer.lineWidth);
    canvas.setPenColor(layer.lineColor);
    canvas.setBrushColor(layer.brushColor);
    canvas.setBrushOrdinal(layer.brushStyle);
    // A range whose first row lies after its last visits no row and has no band to draw.
    if (last >= first)
        canvas.polygon(vertices.points());

    DrawDepthScale(canvas, state, params);
}

} // namespace

void PlotRazrezPoligon(Canvas& canvas, SectionState& state, const Grid& grid, const SectionParams& params,
                       std::span<const SectionLayer> layers, const SectionProgress& progress)
{
    SectionReadings readings;
    PlotRazrezPoligon(canvas, state, grid, params, layers, readings, progress);
}

void PlotRazrezPoligon(Canvas& canvas, SectionState& state, const Grid& grid, const SectionParams& params,
                       std::span<const SectionLayer> layers, SectionReadings& readings, const SectionProgress& progress,
                       const SectionWindow& window)
{
    // Refuse an impossible size before the section is cleared. A picket cell that cannot be read
    // is left to the drawing itself, which reports it at its turn after the earlier layers.
    for (auto it = layers.rbegin(); it != layers.rend(); ++it) {
        if (!it->checked)
            continue;
        const std::optional<double> p1 = TryReadStrict(grid.cellView(it->picketColumn, params.FirstDataRow));
        const std::optional<double> pn = TryReadStrict(grid.cellView(it->picketColumn, params.LastDataRow));
        if (!p1 || !pn)
            break;
        ComputeGeometry(params, *p1, *pn);
    }

    ClearRazrez(canvas, state);
    const long long count = std::count_if(layers.begin(), layers.end(),
                                          [](const SectionLayer& l) { return l.checked; });
    long long done = 0;
    std::map<int, bool> rising;
    for (auto it = layers.rbegin(); it != layers.rend(); ++it) {
        if (!it->checked)
            continue;
        // The whole command's share of each layer, so one bar runs from start to end.
        SectionProgress layerProgress;
        if (progress)
            layerProgress = [&](long long rows, long long total) { progress(done * total + rows, count * total); };
        // Layers on the same picket column read its cells once.
        // Asked only when a row passes the view, and once for layers on the same picket column.
        const auto ordered = [&, column = it->picketColumn] {
            const auto [known, added] = rising.try_emplace(column, false);
            if (added)
                known->second = PicketsRise(readings, grid, column, params.FirstDataRow, params.LastDataRow);
            return known->second;
        };
        PlotLayer(canvas, state, grid, params, *it, layerProgress, readings, window, ordered);
        ++done;
    }
    ApplySectionWidth(canvas, state);
}

void SectionReadings::check(const Grid& grid)
{
    if (grid_ != &grid || revision_ != grid.revision()) {
        clear();
        grid_ = &grid;
        revision_ = grid.revision();
    }
}

template <class T>
std::vector<T>& SectionReadings::column(std::map<int, Column<T>>& columns, int column, long long first)
{
    Column<T>& c = columns[column];
    if (c.first != first) {
        c.first = first;
        c.values.clear();
    }
    return c.values;
}

std::vector<SectionReadings::Picket>& SectionReadings::pickets(const Grid& grid, int column, long long first)
{
    check(grid);
    return SectionReadings::column(pickets_, column, first);
}

std::vector<double>& SectionReadings::depths(const Grid& grid, int column, long long first)
{
    check(grid);
    return SectionReadings::column(depths_, column, first);
}

std::size_t SectionReadings::bytes() const
{
    std::size_t bytes = 0;
    for (const auto& [column, c] : pickets_)
        bytes += c.values.capacity() * sizeof(Picket);
    for (const auto& [column, c] : depths_)
        bytes += c.values.capacity() * sizeof(double);
    return bytes;
}

void SectionReadings::clear()
{
    grid_ = nullptr;
    revision_ = 0;
    pickets_.clear();
    depths_.clear();
}

void ApplySectionWidth(Canvas& canvas, SectionState& state)
{
    state.imageWidth = state.sectionWidth;
    canvas.setWidth(state.sectionWidth);
}

} // namespace trassel
