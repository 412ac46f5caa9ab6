#include "thickness/analysis.h"

#include "base/error.h"
#include "base/numbers.h"
#include "table/grid.h"

#include <algorithm>
#include <bit>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <cmath>
#include <exception>
#include <mutex>
#include <span>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

namespace trassel {
namespace {

// Where the cell at p ends: its separator, or `end`. A cell shorter than eight bytes is passed in
// one step: cells of a few bytes of varying length would have a loop mispredict its end.
const char* CellEnd(const char* p, const char* end, char separator)
{
    if (end - p >= 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, p, 8);
        if constexpr (std::endian::native == std::endian::little) {
            constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
            constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
            const std::uint64_t x = word ^ (kOnes * static_cast<unsigned char>(separator));
            // The high bit of each byte that is the separator.
            const std::uint64_t found = ~(((x & ~kHigh) + ~kHigh) | x) & kHigh;
            if (found != 0)
                return p + std::countr_zero(found) / 8;
            p += 8;
        }
    }
    while (p != end && *p != separator)
        ++p;
    return p;
}

// Reads a row's picket and depths. A row of plain cells is read in one pass over its text, each
// wanted cell parsed while its end is found; any other row, and columns the grid does not have,
// are read cell by cell. Either way a cell reads as PicketMetres and TryReadStrict read it.
class RowReader {
public:
    RowReader(const Grid& grid, const ComplianceSetup& setup)
        : grid_(grid), picketColumn_(setup.picketColumn), columns_(setup.columns), depths_(setup.columns.size())
    {
        lastColumn_ = picketColumn_;
        bool inside = picketColumn_ >= 1;
        for (const int c : columns_) {
            lastColumn_ = std::max(lastColumn_, c);
            inside = inside && c >= 1;
        }
        inside = inside && lastColumn_ < grid.colCount();
        cells_.reserve(static_cast<std::size_t>(std::max(lastColumn_, 0)));
        if (!inside)
            return;
        // The slot each wanted column is read into; a column read twice has one slot.
        wanted_.assign(static_cast<std::size_t>(lastColumn_) + 1, -1);
        const auto slotOf = [&](int column) {
            int& slot = wanted_[static_cast<std::size_t>(column)];
            if (slot < 0) {
                slot = static_cast<int>(slots_.size());
                slots_.emplace_back();
            }
            return static_cast<std::size_t>(slot);
        };
        picketSlot_ = slotOf(picketColumn_);
        for (const int c : columns_)
            depthSlots_.push_back(slotOf(c));
    }

    // The picket in metres (NaN: unreadable) of row r; its depths are in depths() after it.
    double read(int r)
    {
        std::string_view text;
        char separator = 0;
        if (!wanted_.empty() && grid_.plainRowText(r, text, separator) && !PartOfANumber(separator))
            return readPlain(text, separator);
        return readCells(r);
    }
    const std::vector<double>& depths() const { return depths_; }

private:
    struct Slot {
        bool plain = false; // the cell is a plain decimal, read into `value`
        double value = 0;
        std::string_view text; // the cell otherwise
    };

    // A separator a number may hold (a file split at points or minus signs) leaves the cells
    // to be read one by one.
    static bool PartOfANumber(char c) { return (c >= '0' && c <= '9') || c == '.' || c == '+' || c == '-'; }
    static double Depth(std::optional<double> d) { return d && std::isfinite(*d) ? *d : kNoValue; }

    double readPlain(std::string_view text, char separator)
    {
        const char* p = text.data();
        const char* const end = p + text.size();
        bool more = !text.empty();
        for (int k = 1; k <= lastColumn_; ++k) {
            const int wanted = wanted_[static_cast<std::size_t>(k)];
            if (!more) {
                if (wanted >= 0)
                    slots_[static_cast<std::size_t>(wanted)] = Slot{};
                continue;
            }
            double value = 0;
            const char* stop = wanted >= 0 ? ReadPlainDecimalCell(p, end, separator, value) : nullptr;
            const bool plain = stop != nullptr;
            if (!plain)
                stop = CellEnd(p, end, separator);
            if (wanted >= 0) {
                Slot& s = slots_[static_cast<std::size_t>(wanted)];
                s.plain = plain;
                s.value = value;
                s.text = std::string_view(p, static_cast<std::size_t>(stop - p));
            }
            more = stop != end;
            p = more ? stop + 1 : end;
        }
        for (std::size_t c = 0; c < depthSlots_.size(); ++c) {
            const Slot& s = slots_[depthSlots_[c]];
            // A plain decimal of 15 digits is always finite.
            depths_[c] = s.plain ? s.value : Depth(TryReadStrict(s.text));
        }
        const Slot& picket = slots_[picketSlot_];
        const std::optional<double> x = picket.plain ? DecimalPicketMetres(picket.value) : PicketMetres(picket.text);
        return x ? *x : kNoValue;
    }

    double readCells(int r)
    {
        grid_.rowCells(r, lastColumn_, cells_);
        const auto cellOf = [&](int column) -> std::string_view {
            if (column <= 0)
                return grid_.cellView(column, r);
            const auto at = static_cast<std::size_t>(column - 1);
            return at < cells_.size() ? cells_[at] : std::string_view();
        };
        for (std::size_t c = 0; c < columns_.size(); ++c)
            depths_[c] = Depth(TryReadStrict(cellOf(columns_[c])));
        const std::optional<double> x = PicketMetres(cellOf(picketColumn_));
        return x ? *x : kNoValue;
    }

    const Grid& grid_;
    int picketColumn_;
    const std::vector<int>& columns_;
    int lastColumn_ = 0;
    std::vector<double> depths_;
    std::vector<std::string_view> cells_;
    std::vector<int> wanted_; // by column: its slot, -1 for a column not read; empty: cell by cell
    std::vector<Slot> slots_;
    std::size_t picketSlot_ = 0;
    std::vector<std::size_t> depthSlots_;
};

// The thickness of layer l from its row's depths: the lower boundary's depth minus the upper's,
// the first layer's upper boundary being the sleeper base. NaN on either side stays NaN: a gap
// is never a thickness.
double ThicknessOf(const std::vector<double>& depths, std::size_t l, double sleeperBaseCm)
{
    return depths[l] - (l == 0 ? sleeperBaseCm : depths[l - 1]);
}

// The ballast norm along the line (NormsAlong for the first layer), for positions that never go
// back: the design stretch is walked alongside them.
class BallastWalk {
public:
    BallastWalk(const DesignNorms& norms, double ownNorm) : norms_(norms), it_(norms.stretches.begin()), own_(ownNorm)
    {
        settle();
    }
    double at(double x)
    {
        if (it_ == norms_.stretches.end())
            return own_;
        if (it_->toM < x) {
            // As BallastNormAt: the first stretch ending at or after the position, when it
            // covers it.
            while (it_ != norms_.stretches.end() && it_->toM < x)
                ++it_;
            settle();
            if (it_ == norms_.stretches.end())
                return own_;
        }
        return it_->fromM <= x ? norm_ : own_;
    }

private:
    void settle()
    {
        if (it_ == norms_.stretches.end())
            return;
        const std::optional<double> ballast = norms_.ballast.at(it_->trackClass, it_->sleeper);
        norm_ = ballast ? *ballast : own_;
    }

    const DesignNorms& norms_;
    std::vector<DesignStretch>::const_iterator it_;
    double own_;
    double norm_ = kNoValue;
};

// The points the reading has made whole, handed over to the walk along the line on another
// thread.
class Handover : public PointsFeed {
public:
    std::size_t whole(std::size_t had, bool& all) override
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return whole_ > had || read_; });
        all = read_;
        return whole_;
    }
    // `whole` points are; more will come unless `read`.
    void made(std::size_t whole, bool read = false)
    {
        {
            const std::lock_guard lock(mutex_);
            whole_ = whole;
            read_ = read;
        }
        changed_.notify_one();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t whole_ = 0;
    bool read_ = false;
};

// The line is read and walked at once, on two threads, from this many rows on (and its layers
// walked apart after new norms, from this many points on); a shorter one costs less than a
// thread's start.
constexpr int kTwoThreadRows = 1 << 15;
// Rows read between two handovers.
constexpr int kHandoverRows = 1 << 13;

// An array emptied to be filled again with up to `capacity` elements: the memory it holds is used
// again, unless it is far more than needed (a range narrowed from a whole survey to a few rows).
template <class T>
void Refill(std::vector<T>& v, std::size_t capacity)
{
    if (v.capacity() / 2 > capacity)
        std::vector<T>().swap(v);
    v.clear();
    v.reserve(capacity);
}

// The layer's norm (layer number `index`): its own, held once, unless it is the ballast's under
// design stretches, which changes along the line and is made point by point. True for that one,
// its array emptied to be filled again with up to `points` norms.
bool PrepareNorms(LayerLine& line, std::size_t index, const DesignNorms& norms, std::size_t points)
{
    const LayerNorm* own = norms.layer(line.column);
    line.constantNormCm = own != nullptr && own->normCm ? *own->normCm : kNoValue;
    const bool along = index == 0 && !norms.stretches.empty();
    line.oneNorm = !along;
    Refill(line.normCm, along ? points : 0);
    return along;
}

// The setup with its range within the grid's rows (an empty range: last = first - 1).
ComplianceSetup Clamped(const Grid& grid, ComplianceSetup setup)
{
    const int first = std::max(setup.firstRow, 1);
    const int last = std::min(setup.lastRow, grid.rowCount() - 1);
    setup.firstRow = first;
    setup.lastRow = std::max(last, first - 1);
    return setup;
}

} // namespace

long long Compliance::pointOf(int row) const
{
    const auto it = std::lower_bound(points.rows.begin(), points.rows.end(), row);
    return it != points.rows.end() && *it == row ? it - points.rows.begin() : -1;
}

void ThicknessAnalysis::computeLine(const Grid& grid)
{
    const std::size_t rows = static_cast<std::size_t>(setup_.lastRow - setup_.firstRow + 1);
    const std::size_t layers = setup_.columns.size();
    const DesignNorms& norms = setup_.norms;
    LinePoints& p = result_.points;
    Refill(p.rows, rows);
    Refill(p.posM, rows);
    result_.layers.resize(layers);
    bool ballastAlong = false;
    for (std::size_t l = 0; l < layers; ++l) {
        LayerLine& line = result_.layers[l].line;
        line.column = setup_.columns[l];
        line.name = LayerName(norms, grid, line.column, setup_.titleRow);
        Refill(line.thicknessCm, rows);
        ballastAlong = PrepareNorms(line, l, norms, rows) || ballastAlong;
    }
    BallastWalk ballast(norms, layers > 0 ? result_.layers[0].line.constantNormCm : kNoValue);
    RowReader reader(grid, setup_);

    // Where the line begins and ends: the first and the last readable picket (if the pickets
    // between go back, the reading refuses the line).
    double lineFromM = kNoValue;
    double lineToM = kNoValue;
    for (int r = setup_.firstRow; r <= setup_.lastRow && std::isnan(lineFromM); ++r)
        lineFromM = reader.read(r);
    for (int r = setup_.lastRow; r >= setup_.firstRow && std::isnan(lineToM); --r)
        lineToM = reader.read(r);
    if (std::isnan(lineFromM)) {
        AnalyzeLayers(p, norms, result_.layers);
        return;
    }

    // The walk along the line follows the reading on a thread of its own, a few thousand rows
    // behind it: the two take about as long each.
    Handover handover;
    std::exception_ptr walkFailed;
    std::thread walk;
    if (static_cast<int>(rows) >= kTwoThreadRows && std::thread::hardware_concurrency() > 1) {
        try {
            // The walk reads a copy of the norms: the originals lie beside the arrays' ends,
            // which the reading moves at every row.
            walk = std::thread([&, walkNorms = norms] {
                try {
                    AnalyzeLayers(p, lineFromM, lineToM, handover, walkNorms, result_.layers);
                } catch (...) {
                    walkFailed = std::current_exception();
                }
            });
        } catch (const std::system_error&) {
            // No thread to be had (a system at its limit): the line is read and walked here.
        }
    }
    // The walk ends with the points it has when the reading fails.
    struct Join {
        Handover& handover;
        std::thread& walk;
        const LinePoints& p;
        ~Join()
        {
            if (!walk.joinable())
                return;
            handover.made(p.size(), true);
            walk.join();
        }
    } join{handover, walk, p};

    // The points as PointsOf makes them, each row's thicknesses and norms (NormsAlong) with it.
    for (int r = setup_.firstRow; r <= setup_.lastRow; ++r) {
        if (walk.joinable() && (r - setup_.firstRow) % kHandoverRows == 0 && p.size() > 1)
            handover.made(p.size() - 1); // the last point's share ends with the next point
        const double x = reader.read(r);
        if (std::isnan(x))
            continue;
        if (!p.posM.empty()) {
            const double before = p.posM.back();
            if (x < before)
                throw Error("Пикет строки " + IntToText(r) + " (" + PicketText(x) + ") меньше пикета строки " +
                            IntToText(p.rows.back()) + " (" + PicketText(before) +
                            "): пикеты должны идти по возрастанию.");
        }
        p.rows.push_back(r);
        p.posM.push_back(x);
        const std::vector<double>& depths = reader.depths();
        for (std::size_t l = 0; l < layers; ++l)
            result_.layers[l].line.thicknessCm.push_back(ThicknessOf(depths, l, norms.sleeperBaseCm));
        if (ballastAlong)
            result_.layers[0].line.normCm.push_back(ballast.at(x));
    }
    if (!walk.joinable()) {
        AnalyzeLayers(p, norms, result_.layers);
        return;
    }
    handover.made(p.size(), true);
    walk.join();
    if (walkFailed)
        std::rethrow_exception(walkFailed);
}

template <class Make>
const Compliance& ThicknessAnalysis::fill(Make&& make)
{
    try {
        make();
    } catch (...) {
        result_ = Compliance{};
        throw;
    }
    valid_ = true;
    return result_;
}

const Compliance& ThicknessAnalysis::compute(const Grid& grid, const ComplianceSetup& setup)
{
    valid_ = false;
    setup_ = Clamped(grid, setup);
    return fill([&] { computeLine(grid); });
}

namespace {

// Every layer's stretches and summaries, the layers shared between this thread and another on a
// long line: each layer is walked on its own, so the two halves need nothing of each other.
void AnalyzeLayersApart(const LinePoints& p, const DesignNorms& norms, std::vector<LayerCompliance>& layers)
{
    const std::span<LayerCompliance> all(layers);
    if (p.size() < static_cast<std::size_t>(kTwoThreadRows) || layers.size() < 2 ||
        std::thread::hardware_concurrency() < 2) {
        AnalyzeLayers(p, norms, all);
        return;
    }
    // The first layer (the ballast, whose norm may change at every point) and those after it
    // that make up half are walked here; the others on the second thread.
    const std::size_t here = (layers.size() + 1) / 2;
    std::exception_ptr failed;
    std::thread other;
    try {
        other = std::thread([&] {
            try {
                AnalyzeLayers(p, norms, all.subspan(here));
            } catch (...) {
                failed = std::current_exception();
            }
        });
    } catch (const std::system_error&) {
        AnalyzeLayers(p, norms, all);
        return;
    }
    struct Join {
        std::thread& other;
        ~Join()
        {
            if (other.joinable())
                other.join();
        }
    } join{other};
    AnalyzeLayers(p, norms, all.first(here));
    other.join();
    if (failed)
        std::rethrow_exception(failed);
}

} // namespace

const Compliance& ThicknessAnalysis::normsChanged(const Grid& grid, const ComplianceSetup& setup)
{
    ComplianceSetup same = Clamped(grid, setup);
    same.norms = setup_.norms;
    if (!valid_ || !(same == setup_) || setup.norms.sleeperBaseCm != setup_.norms.sleeperBaseCm)
        return compute(grid, setup);
    valid_ = false;
    setup_.norms = setup.norms;
    return fill([&] { measureAgain(grid); });
}

void ThicknessAnalysis::measureAgain(const Grid& grid)
{
    const DesignNorms& norms = setup_.norms;
    const LinePoints& p = result_.points;
    for (std::size_t l = 0; l < result_.layers.size(); ++l) {
        LayerLine& line = result_.layers[l].line;
        line.name = LayerName(norms, grid, line.column, setup_.titleRow);
        if (!PrepareNorms(line, l, norms, p.size()))
            continue;
        BallastWalk ballast(norms, line.constantNormCm);
        for (const double x : p.posM)
            line.normCm.push_back(ballast.at(x));
    }
    AnalyzeLayersApart(p, norms, result_.layers);
}

const Compliance& ThicknessAnalysis::rowsChanged(const Grid& grid, int first, int last)
{
    if (!valid_)
        return compute(grid, setup_);
    first = std::max(first, setup_.firstRow);
    last = std::min(last, setup_.lastRow);
    if (first > last)
        return result_;
    const LinePoints& p = result_.points;
    const auto from = std::lower_bound(p.rows.begin(), p.rows.end(), first) - p.rows.begin();
    const auto to = std::upper_bound(p.rows.begin(), p.rows.end(), last) - p.rows.begin();
    // A changed picket moves points and their shares: the line is made again. Otherwise the
    // changed rows' thicknesses are read again.
    RowReader reader(grid, setup_);
    auto point = static_cast<std::size_t>(from);
    for (int r = first; r <= last; ++r) {
        const double x = reader.read(r);
        const bool wasPoint = point < static_cast<std::size_t>(to) && p.rows[point] == r;
        if (!(wasPoint ? x == p.posM[point] : std::isnan(x)))
            return compute(grid, setup_);
        if (!wasPoint)
            continue;
        for (std::size_t l = 0; l < result_.layers.size(); ++l)
            result_.layers[l].line.thicknessCm[point] = ThicknessOf(reader.depths(), l, setup_.norms.sleeperBaseCm);
        ++point;
    }
    if (from == to)
        return result_;
    const double fromM = p.fromM(static_cast<std::size_t>(from));
    const double toM = p.toM(static_cast<std::size_t>(to - 1));
    for (LayerCompliance& lc : result_.layers) {
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
