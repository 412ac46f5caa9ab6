#include "thickness/summaries.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace trassel {

std::pair<long long, long long> SegmentsOf(double fromM, double toM, double segmentM)
{
    const long long a = static_cast<long long>(std::floor(fromM / segmentM));
    // A share ending exactly at a segment's start does not reach into it.
    const long long b = std::max(a, static_cast<long long>(std::ceil(toM / segmentM)) - 1);
    return {a, b};
}

namespace {

// The least position x whose quotient x / segmentM (as the division rounds it) reaches `q`
// (is above it when `above`); NaN when it is not within a few steps of q * segmentM, which
// only a segment at the very zero of the line may see. The quotient never falls as x grows,
// so every x from there on reaches q and none before it does.
double FirstReaching(double q, double segmentM, bool above)
{
    const auto reaches = [&](double x) { return above ? x / segmentM > q : x / segmentM >= q; };
    constexpr int kSteps = 16;
    double x = q * segmentM;
    for (int i = 0; reaches(x); ++i) {
        if (i == kSteps)
            return kNoValue;
        x = std::nextafter(x, -std::numeric_limits<double>::infinity());
    }
    for (int i = 0; !reaches(x); ++i) {
        if (i == kSteps)
            return kNoValue;
        x = std::nextafter(x, std::numeric_limits<double>::infinity());
    }
    return x;
}

// SegmentsOf for shares that follow one another along the line. Each answer holds for the
// positions between two bounds found once per segment, so the points of one segment are
// placed by comparisons alone; the quotients are formed only where a bound is passed.
class SegmentWalk {
public:
    explicit SegmentWalk(double segmentM) : segmentM_(segmentM) { }
    std::pair<long long, long long> of(double fromM, double toM)
    {
        if (!(fromM >= floorFrom_ && fromM < floorTo_)) {
            const double q = std::floor(fromM / segmentM_);
            floor_ = static_cast<long long>(q);
            floorFrom_ = FirstReaching(q, segmentM_, false);
            floorTo_ = FirstReaching(q + 1, segmentM_, false);
        }
        if (!(toM >= ceilFrom_ && toM < ceilTo_)) {
            const double q = std::ceil(toM / segmentM_);
            ceil_ = static_cast<long long>(q);
            ceilFrom_ = FirstReaching(q - 1, segmentM_, true);
            ceilTo_ = FirstReaching(q, segmentM_, true);
        }
        return {floor_, std::max(floor_, ceil_ - 1)};
    }

private:
    double segmentM_;
    long long floor_ = 0; // floor(fromM / segmentM) for fromM in [floorFrom_, floorTo_)
    double floorFrom_ = kNoValue;
    double floorTo_ = kNoValue;
    long long ceil_ = 0; // ceil(toM / segmentM) for toM in [ceilFrom_, ceilTo_)
    double ceilFrom_ = kNoValue;
    double ceilTo_ = kNoValue;
};

// What one segment gathers while its pieces come in; it goes into the summary once the walk
// has passed the segment. Sums are taken in the order of the points, as a segment taken on its
// own would take them, so they come out the same to the last bit.
struct Gathered {
    double minCm = kNoValue;
    double maxCm = kNoValue;
    double dataM = 0;
    double belowM = 0;
    double volumeM3 = 0;
    double weighted = 0;
    double plain = 0;
    double weightedNorm = 0;
    double plainNorm = 0;
    std::size_t counted = 0;
};

// A whole segment's summary from what it gathered (at least one piece).
void Fill(SegmentSummary& s, const Gathered& g, const DesignNorms& norms)
{
    s.minCm = g.minCm;
    s.maxCm = g.maxCm;
    s.dataM = g.dataM;
    s.belowM = g.belowM;
    s.volumeM3 = g.volumeM3;
    const auto counted = static_cast<double>(g.counted);
    s.meanCm = s.dataM > 0 ? g.weighted / s.dataM : g.plain / counted;
    s.normCm = s.dataM > 0 ? g.weightedNorm / s.dataM : g.plainNorm / counted;
    s.sharePercent = s.dataM > 0 ? s.belowM / s.dataM * 100.0 : 0.0;
    s.condition = ConditionOf(norms.classes, s.sharePercent);
}

// Cuts the shares of points handed in order at the ends of the segments first..last of one
// length. The segment open is the one the last piece fell in; `turn()` is called while it is
// still open, before the cut moves on to another, and `piece(w)` gets each piece's length (a
// point of no length counts as a piece of 0 where it lies).
class SegmentCut {
public:
    SegmentCut(double segmentM, long long first, long long last)
        : segmentM_(segmentM), walk_(segmentM), first_(first), last_(last)
    {
        moveTo(first);
    }
    long long first() const { return first_; }
    long long last() const { return last_; }
    long long open() const { return open_; }

    template <class Turn, class Piece>
    void cut(double pointFrom, double pointTo, Turn&& turn, Piece&& piece)
    {
        const auto [a, b] = walk_.of(pointFrom, pointTo);
        for (long long k = std::max(a, first_); k <= std::min(b, last_); ++k) {
            if (k != open_) {
                turn();
                moveTo(k);
            }
            const double length = std::min(pointTo, openTo_) - std::max(pointFrom, openFrom_);
            if (length <= 0 && !(pointTo == pointFrom))
                continue;
            piece(std::max(length, 0.0));
        }
    }

private:
    void moveTo(long long k)
    {
        open_ = k;
        openFrom_ = static_cast<double>(k) * segmentM_;
        openTo_ = static_cast<double>(k + 1) * segmentM_;
    }

    double segmentM_;
    SegmentWalk walk_;
    long long first_;
    long long last_;
    long long open_ = 0;
    double openFrom_ = 0;
    double openTo_ = 0;
};

// The segments first..last of `out` of one length, made again from the points handed in order.
// A share begins where the one before it ends, so the segments a point reaches into never lie
// before the last one the point before it reached: a segment's pieces come from a run of
// points, and once the walk is past it, it is whole.
class Segments {
public:
    Segments(std::vector<SegmentSummary>& out, double segmentM, long long first, long long last,
             const DesignNorms& norms)
        : out_(out), segmentM_(segmentM), base_(out.empty() ? 0 : out.front().index), first_(std::max(first, base_)),
          last_(out.empty() ? first_ - 1 : std::min(last, out.back().index)), cut_(segmentM, first_, last_),
          norms_(norms)
    {
        for (long long k = first_; k <= last_; ++k) {
            SegmentSummary& s = at(k);
            s = SegmentSummary{};
            s.index = k;
            s.fromM = static_cast<double>(k) * segmentM;
            s.toM = static_cast<double>(k + 1) * segmentM;
        }
    }
    bool empty() const { return first_ > last_; }
    double fromM() const { return static_cast<double>(first_) * segmentM_; }
    double toM() const { return static_cast<double>(last_ + 1) * segmentM_; }

    void add(double pointFrom, double pointTo, double t, double norm, bool fails, double deficit)
    {
        const auto turn = [&] {
            finish();
            g_ = Gathered{};
        };
        cut_.cut(pointFrom, pointTo, turn, [&](double w) {
            g_.minCm = std::isnan(g_.minCm) ? t : std::min(g_.minCm, t);
            g_.maxCm = std::isnan(g_.maxCm) ? t : std::max(g_.maxCm, t);
            g_.dataM += w;
            g_.weighted += t * w;
            g_.plain += t;
            g_.weightedNorm += norm * w;
            g_.plainNorm += norm;
            ++g_.counted;
            if (fails)
                g_.belowM += w;
            g_.volumeM3 += deficit / 100.0 * w * norms_.prismWidthM;
        });
    }

    // After the last point: the open segment is whole, and the stretches are counted.
    void end(const std::vector<FailingStretch>& stretches)
    {
        if (empty())
            return;
        finish();
        // Stretches reaching into a segment; one of no length counts where it lies.
        const auto reach = std::lower_bound(stretches.begin(), stretches.end(), fromM(),
                                            [](const FailingStretch& f, double x) { return f.toM < x; });
        for (auto it = reach; it != stretches.end() && it->fromM <= toM(); ++it) {
            const auto [a, b] = SegmentsOf(it->fromM, it->toM, segmentM_);
            for (long long k = std::max(a, first_); k <= std::min(b, last_); ++k)
                ++at(k).stretches;
        }
    }

private:
    SegmentSummary& at(long long k) { return out_[static_cast<std::size_t>(k - base_)]; }
    void finish()
    {
        if (g_.counted == 0)
            return;
        Fill(at(cut_.open()), g_, norms_);
    }

    std::vector<SegmentSummary>& out_;
    double segmentM_;
    long long base_;
    long long first_;
    long long last_;
    SegmentCut cut_;
    const DesignNorms& norms_;
    Gathered g_;
};

// Hands the points from `begin` whose shares start at or before `toM` to `segments`.
void Walk(const LinePoints& p, const LayerLine& layer, const DesignNorms& norms, std::size_t begin, double toM,
          Segments& segments)
{
    const double tolerance = norms.toleranceCm;
    for (std::size_t i = begin; i < p.size() && p.fromM(i) <= toM; ++i) {
        const double t = layer.thicknessCm[i];
        const double norm = layer.normAt(i);
        if (std::isnan(t) || std::isnan(norm))
            continue;
        segments.add(p.fromM(i), p.toM(i), t, norm, Fails(t, norm, tolerance), DeficitCm(t, norm, tolerance));
    }
}

// `out` made the blank segments of a line from `fromM` to `toM`, each with its index and ends,
// the memory it holds used again. Each is written once: on a long line they are megabytes.
void Blank(double fromM, double toM, double segmentM, std::vector<SegmentSummary>& out)
{
    out.clear();
    const long long first = SegmentsOf(fromM, fromM, segmentM).first;
    const long long last = SegmentsOf(fromM, toM, segmentM).second;
    const auto count = static_cast<std::size_t>(last - first + 1);
    // Far more memory than the line needs (a line much shorter than before) is given back.
    if (out.capacity() / 2 > count)
        std::vector<SegmentSummary>().swap(out);
    out.reserve(count);
    for (long long k = first; k <= last; ++k) {
        SegmentSummary& s = out.emplace_back();
        s.index = k;
        s.fromM = static_cast<double>(k) * segmentM;
        s.toM = static_cast<double>(k + 1) * segmentM;
    }
}

} // namespace

void SummarizeSegments(const LinePoints& p, const LayerLine& layer, const std::vector<FailingStretch>& stretches,
                       const DesignNorms& norms, double segmentM, long long first, long long last,
                       std::vector<SegmentSummary>& out)
{
    if (out.empty() || first > last)
        return;
    Segments segments(out, segmentM, first, last, norms);
    if (segments.empty())
        return;
    // The points whose shares reach into the segments: from the first share ending after the
    // first segment's start.
    const std::size_t begin = p.firstEndingFrom(segments.fromM(), p.size());
    Walk(p, layer, norms, begin, segments.toM(), segments);
    segments.end(stretches);
}

std::vector<SegmentSummary> Summarize(const LinePoints& p, const LayerLine& layer,
                                      const std::vector<FailingStretch>& stretches, const DesignNorms& norms,
                                      double segmentM)
{
    std::vector<SegmentSummary> out;
    if (p.size() == 0)
        return out;
    Blank(p.fromM(0), p.toM(p.size() - 1), segmentM, out);
    SummarizeSegments(p, layer, stretches, norms, segmentM, out.front().index, out.back().index, out);
    return out;
}

namespace {

// Where one layer's results go.
struct LayerTarget {
    const LayerLine* line;
    std::vector<FailingStretch>* stretches;
    std::vector<SegmentSummary>* per100m;
    std::vector<SegmentSummary>* perKm;
};

// A layer at the point the pass is at.
struct LayerPoint {
    bool data = false; // a thickness and a norm
    bool fails = false;
    double t = 0;
    double norm = 0;
    double deficitM = 0; // the deficit in metres
};

// The segments of one length over the whole line, for every layer at once: the walk places each
// share once, and each layer gathers its pieces as Segments would. `outs` are the layers' blank
// segments as Blank lays them out: their arrays' data, read and written through that alone (see
// FailingRuns).
class LineSegments {
public:
    LineSegments(double segmentM, const std::vector<std::vector<SegmentSummary>*>& outs, const DesignNorms& norms)
        : segmentM_(segmentM), first_(outs.front()->front().index), last_(outs.front()->back().index),
          cut_(segmentM, first_, last_), gathered_(outs.size()), norms_(norms)
    {
        for (std::vector<SegmentSummary>* out : outs)
            outs_.push_back(out->data());
        clear();
    }

    void add(double pointFrom, double pointTo, const std::vector<LayerPoint>& layers)
    {
        const auto turn = [&] {
            finish();
            clear();
        };
        cut_.cut(pointFrom, pointTo, turn, [&](double w) {
            for (std::size_t l = 0; l < layers.size(); ++l) {
                const LayerPoint& x = layers[l];
                if (!x.data)
                    continue;
                Gathered& g = gathered_[l];
                g.minCm = std::min(g.minCm, x.t);
                g.maxCm = std::max(g.maxCm, x.t);
                g.dataM += w;
                g.weighted += x.t * w;
                g.plain += x.t;
                g.weightedNorm += x.norm * w;
                g.plainNorm += x.norm;
                ++g.counted;
                // belowM is never -0, so adding +0 for a passing piece leaves it as it is.
                g.belowM += OnlyIf(x.fails, w);
                g.volumeM3 += x.deficitM * w * norms_.prismWidthM;
            }
        });
    }

    // A stretch of layer l, counted in every segment it reaches into (one of no length where it
    // lies). Stretches are counted as they are found, while the walk goes on.
    void count(std::size_t l, const FailingStretch& stretch)
    {
        const auto [a, b] = SegmentsOf(stretch.fromM, stretch.toM, segmentM_);
        for (long long k = std::max(a, first_); k <= std::min(b, last_); ++k)
            ++outs_[l][static_cast<std::size_t>(k - first_)].stretches;
    }

    // After the last point: the open segment is whole.
    void end() { finish(); }

private:
    // Every layer's gathering begun afresh, with infinities: the first piece's thickness replaces
    // them.
    void clear()
    {
        Gathered none;
        none.minCm = std::numeric_limits<double>::infinity();
        none.maxCm = -std::numeric_limits<double>::infinity();
        std::fill(gathered_.begin(), gathered_.end(), none);
    }
    void finish()
    {
        for (std::size_t l = 0; l < gathered_.size(); ++l) {
            const Gathered& g = gathered_[l];
            if (g.counted == 0)
                continue;
            Fill(outs_[l][static_cast<std::size_t>(cut_.open() - first_)], g, norms_);
        }
    }

    double segmentM_;
    long long first_;
    long long last_;
    SegmentCut cut_;
    std::vector<SegmentSummary*> outs_;
    std::vector<Gathered> gathered_;
    const DesignNorms& norms_;
};

// Every point of the line handed over at once.
class AllPoints : public PointsFeed {
public:
    explicit AllPoints(std::size_t count) : count_(count) { }
    std::size_t whole(std::size_t, bool& all) override
    {
        all = true;
        return count_;
    }

private:
    std::size_t count_;
};

// The line from lineFromM to lineToM (NaN: a line of no points).
void Analyze(const LinePoints& p, double lineFromM, double lineToM, PointsFeed& feed, const DesignNorms& norms,
             const std::vector<LayerTarget>& targets)
{
    const bool none = std::isnan(lineFromM);
    for (const LayerTarget& t : targets) {
        t.stretches->clear();
        t.per100m->clear();
        t.perKm->clear();
        if (none)
            continue;
        Blank(lineFromM, lineToM, kHundredMetres, *t.per100m);
        Blank(lineFromM, lineToM, kKilometre, *t.perKm);
    }
    if (none || targets.empty())
        return;
    std::vector<std::vector<SegmentSummary>*> hundredsOut;
    std::vector<std::vector<SegmentSummary>*> kilometresOut;
    // The stretches are found into vectors of the walk's own (their memory taken from the
    // layers' and given back after): the layers' vectors lie beside their lines', which another
    // thread may be filling.
    std::vector<std::vector<FailingStretch>> found(targets.size());
    std::vector<FailingRuns> runs;
    runs.reserve(targets.size());
    for (std::size_t l = 0; l < targets.size(); ++l) {
        const LayerTarget& t = targets[l];
        hundredsOut.push_back(t.per100m);
        kilometresOut.push_back(t.perKm);
        found[l].swap(*t.stretches);
        runs.emplace_back(p, *t.line, norms, found[l]);
    }
    // Every point reaches into the segments of the whole line.
    LineSegments hundreds(kHundredMetres, hundredsOut, norms);
    LineSegments kilometres(kKilometre, kilometresOut, norms);
    std::vector<LayerPoint> at(targets.size());
    // The points are read through their arrays' data alone (see FailingRuns).
    const double* const posM = p.posM.data();
    std::vector<const double*> thickness;
    std::vector<const double*> normCm; // nullptr: the layer's constant norm
    std::vector<double> constantNormCm;
    for (const LayerTarget& t : targets) {
        thickness.push_back(t.line->thicknessCm.data());
        normCm.push_back(t.line->oneNorm ? nullptr : t.line->normCm.data());
        constantNormCm.push_back(t.line->constantNormCm);
    }
    // The failing points of each layer are noted without a branch on whether the point fails
    // (as often as not on a poor track bed) and handed to the runs a batch at a time.
    constexpr std::size_t kBatch = 1024;
    std::vector<std::size_t> failing(targets.size() * (kBatch + 1));
    std::vector<std::size_t> noted(targets.size());
    // The stretches each layer has, counted in the segments so far.
    std::vector<std::size_t> counted(targets.size());
    const auto countFound = [&](std::size_t l) {
        for (; counted[l] < found[l].size(); ++counted[l]) {
            hundreds.count(l, found[l][counted[l]]);
            kilometres.count(l, found[l][counted[l]]);
        }
    };
    const auto hand = [&](std::size_t l) {
        const std::size_t* first = failing.data() + l * (kBatch + 1);
        for (std::size_t k = 0; k < noted[l]; ++k)
            runs[l].failing(first[k]);
        noted[l] = 0;
        countFound(l);
    };
    const double tolerance = norms.toleranceCm;
    // The points come in runs, each whole once `feed` says so.
    std::size_t count = 0;
    for (bool all = false; !all;) {
        const std::size_t had = count;
        count = feed.whole(had, all);
        // Until the line is read to its end, the point after the run is there.
        const std::size_t line = all ? count : static_cast<std::size_t>(-1);
        for (std::size_t i = had; i < count; ++i) {
            bool any = false;
            for (std::size_t l = 0; l < targets.size(); ++l) {
                LayerPoint& x = at[l];
                x.t = thickness[l][i];
                x.norm = normCm[l] != nullptr ? normCm[l][i] : constantNormCm[l];
                x.data = !std::isnan(x.t) && !std::isnan(x.norm);
                // A point without data never fails.
                x.fails = Fails(x.t, x.norm, tolerance);
                failing[l * (kBatch + 1) + noted[l]] = i;
                noted[l] += x.fails ? 1 : 0;
                if (noted[l] == kBatch)
                    hand(l);
                if (!x.data)
                    continue;
                any = true;
                x.deficitM = DeficitCm(x.t, x.norm, tolerance) / 100.0;
            }
            if (!any)
                continue;
            const double from = ShareFrom(posM, i);
            const double to = ShareTo(posM, i, line);
            hundreds.add(from, to, at);
            kilometres.add(from, to, at);
        }
    }
    for (std::size_t l = 0; l < targets.size(); ++l) {
        hand(l);
        runs[l].end(count);
        countFound(l);
        targets[l].stretches->swap(found[l]);
    }
    hundreds.end();
    kilometres.end();
}

} // namespace

namespace {

double LineFrom(const LinePoints& p) { return p.size() == 0 ? kNoValue : p.fromM(0); }
double LineTo(const LinePoints& p) { return p.size() == 0 ? kNoValue : p.toM(p.size() - 1); }

std::vector<LayerTarget> TargetsOf(std::span<LayerCompliance> layers)
{
    std::vector<LayerTarget> targets;
    targets.reserve(layers.size());
    for (LayerCompliance& l : layers)
        targets.push_back({&l.line, &l.stretches, &l.per100m, &l.perKm});
    return targets;
}

} // namespace

void AnalyzeLayer(const LinePoints& p, const LayerLine& layer, const DesignNorms& norms,
                  std::vector<FailingStretch>& stretches, std::vector<SegmentSummary>& per100m,
                  std::vector<SegmentSummary>& perKm)
{
    AllPoints all(p.size());
    Analyze(p, LineFrom(p), LineTo(p), all, norms, {{&layer, &stretches, &per100m, &perKm}});
}

void AnalyzeLayers(const LinePoints& p, const DesignNorms& norms, std::span<LayerCompliance> layers)
{
    AllPoints all(p.size());
    Analyze(p, LineFrom(p), LineTo(p), all, norms, TargetsOf(layers));
}

void AnalyzeLayers(const LinePoints& p, double lineFromM, double lineToM, PointsFeed& feed, const DesignNorms& norms,
                   std::vector<LayerCompliance>& layers)
{
    Analyze(p, lineFromM, lineToM, feed, norms, TargetsOf(layers));
}

} // namespace trassel
