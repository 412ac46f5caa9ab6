#include "table/grid_io.h"
#include "thickness/analysis.h"
#include "thickness/stretches.h"
#include "thickness/summaries.h"

#include "thickness/survey_grid.h"

#include "base/error.h"
#include "base/numbers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace trassel {
namespace {

// A line of points at `positions` metres with one layer of the given thicknesses and norm.
struct Line {
    LinePoints points;
    LayerLine layer;
};

Line MakeLine(const std::vector<double>& positions, const std::vector<double>& thickness, double norm)
{
    Line l{PointsOf(positions, 2), {}};
    l.layer.column = 2;
    l.layer.thicknessCm = thickness;
    l.layer.normCm.assign(thickness.size(), norm);
    return l;
}

// 21 points a metre apart (0..20 m), 30 cm thick but where `thin` says otherwise.
Line Metres(const std::vector<std::pair<std::size_t, double>>& thin)
{
    std::vector<double> pos;
    std::vector<double> t(21, 30.0);
    for (int i = 0; i <= 20; ++i)
        pos.push_back(i);
    for (const auto& [i, v] : thin)
        t[i] = v;
    return MakeLine(pos, t, 30);
}

DesignNorms Rules(double tolerance, double minLength, double joinGap, double width = 3.4)
{
    DesignNorms n;
    n.toleranceCm = tolerance;
    n.minLengthM = minLength;
    n.joinGapM = joinGap;
    n.prismWidthM = width;
    return n;
}

TEST(Stretches, ToleranceIsAStrictBound)
{
    // Norm 30, tolerance 2: 28 passes, 27.99 fails.
    const Line l = Metres({{5, 28}, {10, 27.99}});
    const auto s = FindFailingStretches(l.points, l.layer, Rules(2, 0, 0));
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].first, 10u);
    EXPECT_EQ(s[0].fromM, 9.5);
    EXPECT_EQ(s[0].toM, 10.5);
    EXPECT_EQ(s[0].lengthM, 1);
}

TEST(Stretches, MinimumLengthKeepsAStretchOfExactlyThatLength)
{
    // Points 3, 4, 5 fail: their shares run 2.5 .. 5.5, three metres.
    const Line l = Metres({{3, 25}, {4, 20}, {5, 25}});
    auto s = FindFailingStretches(l.points, l.layer, Rules(0, 3, 0, 3.4));
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].fromM, 2.5);
    EXPECT_EQ(s[0].toM, 5.5);
    EXPECT_EQ(s[0].lengthM, 3);
    EXPECT_EQ(s[0].leastCm, 20);
    // Deficits 5, 10, 5 cm over a metre each.
    EXPECT_NEAR(s[0].meanDeficitCm, 20.0 / 3.0, 1e-12);
    EXPECT_NEAR(s[0].volumeM3, 0.20 * 3.4, 1e-12);
    EXPECT_TRUE(FindFailingStretches(l.points, l.layer, Rules(0, 3.001, 0)).empty());
}

TEST(Stretches, JoinGapJoinsRunsExactlyThatFarApart)
{
    // Runs 3..5 (to 5.5 m) and 8..9 (from 7.5 m): two metres of passing line between them.
    const Line l = Metres({{3, 25}, {4, 20}, {5, 25}, {8, 26}, {9, 26}});
    auto joined = FindFailingStretches(l.points, l.layer, Rules(0, 0, 2, 3.4));
    ASSERT_EQ(joined.size(), 1u);
    EXPECT_EQ(joined[0].first, 3u);
    EXPECT_EQ(joined[0].last, 9u);
    EXPECT_EQ(joined[0].lengthM, 7);
    // The passing points between count with no deficit: (5 + 10 + 5 + 0 + 0 + 4 + 4) / 7.
    EXPECT_NEAR(joined[0].meanDeficitCm, 4.0, 1e-12);
    EXPECT_NEAR(joined[0].volumeM3, 0.28 * 3.4, 1e-12);

    const auto apart = FindFailingStretches(l.points, l.layer, Rules(0, 0, 1.999));
    ASSERT_EQ(apart.size(), 2u);
    EXPECT_EQ(apart[1].fromM, 7.5);
    EXPECT_EQ(apart[1].lengthM, 2);
    // The minimum length is applied to the joined stretch: 7 m stays, the parts alone would go.
    EXPECT_EQ(FindFailingStretches(l.points, l.layer, Rules(0, 7, 2)).size(), 1u);
    EXPECT_TRUE(FindFailingStretches(l.points, l.layer, Rules(0, 3.5, 1.999)).empty());
}

TEST(Stretches, GapsNeitherFailNorBreakTheMeanDeficit)
{
    Line l = Metres({{3, 20}, {5, 20}});
    l.layer.thicknessCm[4] = kNoValue;
    const auto s = FindFailingStretches(l.points, l.layer, Rules(0, 0, 1));
    ASSERT_EQ(s.size(), 1u); // the metre without data is within the join gap
    EXPECT_EQ(s[0].lengthM, 3);
    EXPECT_NEAR(s[0].meanDeficitCm, 10.0, 1e-12); // over the two metres with data
    // Without the join the gap splits them.
    EXPECT_EQ(FindFailingStretches(l.points, l.layer, Rules(0, 0, 0)).size(), 2u);
    // A point without a norm is not judged.
    l.layer.normCm[3] = kNoValue;
    l.layer.normCm[5] = kNoValue;
    EXPECT_TRUE(FindFailingStretches(l.points, l.layer, Rules(0, 0, 1)).empty());
}

TEST(Stretches, StretchesTouchingTheEndsOfTheRange)
{
    const Line l = Metres({{0, 10}, {1, 10}, {19, 10}, {20, 10}});
    const auto s = FindFailingStretches(l.points, l.layer, Rules(0, 1.5, 0, 1));
    ASSERT_EQ(s.size(), 2u);
    // The first point's share starts at its own position, the last one's ends at its own.
    EXPECT_EQ(s[0].fromM, 0);
    EXPECT_EQ(s[0].toM, 1.5);
    EXPECT_EQ(s[1].fromM, 18.5);
    EXPECT_EQ(s[1].toM, 20);
    EXPECT_NEAR(s[1].volumeM3, 0.2 * 1.5, 1e-12);
    EXPECT_TRUE(FindFailingStretches(l.points, l.layer, Rules(0, 1.6, 0)).empty());

    // A line of a single failing point has a stretch of no length, kept without a minimum.
    const Line one = MakeLine({500}, {10}, 30);
    const auto single = FindFailingStretches(one.points, one.layer, Rules(0, 0, 0));
    ASSERT_EQ(single.size(), 1u);
    EXPECT_EQ(single[0].lengthM, 0);
    EXPECT_EQ(single[0].volumeM3, 0);
}

TEST(Summaries, HundredMetreSegmentsSplitSharesAtWholePickets)
{
    // Points at 90, 100, 110, 120 and 205 m; shares 90-95, 95-105, 105-115, 115-162.5, 162.5-205.
    const Line l = MakeLine({90, 100, 110, 120, 205}, {40, 20, 30, 10, 50}, 30);
    const DesignNorms n = Rules(0, 0, 0, 2);
    const auto stretches = FindFailingStretches(l.points, l.layer, n);
    ASSERT_EQ(stretches.size(), 2u);
    const auto seg = Summarize(l.points, l.layer, stretches, n, kHundredMetres);
    ASSERT_EQ(seg.size(), 3u);

    EXPECT_EQ(seg[0].index, 0);
    EXPECT_EQ(seg[0].fromM, 0);
    EXPECT_EQ(seg[0].toM, 100);
    EXPECT_EQ(seg[0].dataM, 10);
    EXPECT_EQ(seg[0].minCm, 20);
    EXPECT_EQ(seg[0].maxCm, 40);
    EXPECT_EQ(seg[0].meanCm, 30);
    EXPECT_EQ(seg[0].belowM, 5);
    EXPECT_EQ(seg[0].sharePercent, 50);
    EXPECT_NEAR(seg[0].volumeM3, 1.0, 1e-12); // 10 cm over 5 m, 2 m wide
    EXPECT_EQ(seg[0].stretches, 1);
    EXPECT_EQ(seg[0].condition, 2);

    EXPECT_EQ(seg[1].index, 1);
    EXPECT_EQ(seg[1].dataM, 100);
    EXPECT_EQ(seg[1].minCm, 10);
    EXPECT_EQ(seg[1].maxCm, 50);
    EXPECT_NEAR(seg[1].meanCm, 27.5, 1e-12);
    EXPECT_EQ(seg[1].belowM, 52.5);
    EXPECT_NEAR(seg[1].sharePercent, 52.5, 1e-12);
    EXPECT_NEAR(seg[1].volumeM3, 20.0, 1e-12);
    EXPECT_EQ(seg[1].stretches, 2); // the first stretch runs over picket 1

    EXPECT_EQ(seg[2].dataM, 5);
    EXPECT_EQ(seg[2].meanCm, 50);
    EXPECT_EQ(seg[2].sharePercent, 0);
    EXPECT_EQ(seg[2].stretches, 0);
    EXPECT_EQ(seg[2].condition, 0);

    const auto km = Summarize(l.points, l.layer, stretches, n, kKilometre);
    ASSERT_EQ(km.size(), 1u);
    EXPECT_EQ(km[0].dataM, 115);
    EXPECT_EQ(km[0].belowM, 57.5);
    EXPECT_NEAR(km[0].volumeM3, 21.0, 1e-12);
    EXPECT_NEAR(km[0].volumeM3, stretches[0].volumeM3 + stretches[1].volumeM3, 1e-12);
    EXPECT_EQ(km[0].stretches, 2);
}

TEST(Summaries, ALineEndingOnAWholePicketMakesNoEmptySegmentAfterIt)
{
    const Line l = MakeLine({0, 100}, {30, 30}, 30);
    const auto seg = Summarize(l.points, l.layer, {}, Rules(0, 0, 0), kHundredMetres);
    ASSERT_EQ(seg.size(), 1u);
    EXPECT_EQ(seg[0].dataM, 100);
    // Segments without data are listed with nothing in them.
    const Line far = MakeLine({0, 300}, {30, kNoValue}, 30);
    const auto gaps = Summarize(far.points, far.layer, {}, Rules(0, 0, 0), kHundredMetres);
    ASSERT_EQ(gaps.size(), 3u);
    EXPECT_EQ(gaps[0].dataM, 100);
    EXPECT_EQ(gaps[0].sharePercent, 0);
    EXPECT_EQ(gaps[1].dataM, 50);
    EXPECT_EQ(gaps[2].dataM, 0);
    EXPECT_TRUE(std::isnan(gaps[2].meanCm));
    EXPECT_EQ(gaps[2].condition, -1);
    // Negative positions fall into negative segments.
    const Line before = MakeLine({-150, -50}, {30, 30}, 30);
    const auto neg = Summarize(before.points, before.layer, {}, Rules(0, 0, 0), kHundredMetres);
    ASSERT_EQ(neg.size(), 2u);
    EXPECT_EQ(neg[0].index, -2);
    EXPECT_EQ(neg[0].dataM, 50);
}

TEST(Stretches, OnlyAFailingPointHasADeficit)
{
    EXPECT_EQ(DeficitCm(20, 30, 2), 10);
    EXPECT_EQ(DeficitCm(27.5, 30, 2), 2.5);
    EXPECT_EQ(DeficitCm(28, 30, 2), 0); // at the bound it passes
    // A passing point adds +0 (never the negative difference, nor -0), a point without data 0.
    for (const auto& [t, norm] : {std::pair{40.0, 30.0}, {30.0, 30.0}, {kNoValue, 30.0}, {20.0, kNoValue}}) {
        EXPECT_EQ(DeficitCm(t, norm, 0), 0.0);
        EXPECT_FALSE(std::signbit(DeficitCm(t, norm, 0)));
    }
}

bool Same(double a, double b) { return (std::isnan(a) && std::isnan(b)) || a == b; }

void ExpectSameSegments(const std::vector<SegmentSummary>& a, const std::vector<SegmentSummary>& b)
{
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(a[i].index, b[i].index);
        EXPECT_TRUE(Same(a[i].minCm, b[i].minCm));
        EXPECT_TRUE(Same(a[i].meanCm, b[i].meanCm));
        EXPECT_TRUE(Same(a[i].maxCm, b[i].maxCm));
        EXPECT_TRUE(Same(a[i].sharePercent, b[i].sharePercent));
        EXPECT_EQ(a[i].dataM, b[i].dataM);
        EXPECT_EQ(a[i].belowM, b[i].belowM);
        EXPECT_TRUE(Same(a[i].normCm, b[i].normCm));
        EXPECT_EQ(a[i].volumeM3, b[i].volumeM3);
        EXPECT_EQ(a[i].stretches, b[i].stretches);
        EXPECT_EQ(a[i].condition, b[i].condition);
    }
}

TEST(Stretches, UpdatingAfterAChangeGivesWhatAFreshSearchGives)
{
    // Uneven spacing with holes in the line, thicknesses about the norm with gaps, and runs of
    // points changed at once: joins and splits of stretches, short runs that come to count and
    // runs that stop counting, changes at both ends of the line.
    std::mt19937 random(11);
    for (int line = 0; line < 40; ++line) {
        SCOPED_TRACE(line);
        std::vector<double> positions;
        double at = -20;
        for (int i = 0; i < 150; ++i) {
            at += random() % 20 == 0 ? 10.0 + random() % 30 : 1.0 + random() % 3;
            positions.push_back(at);
        }
        const auto thickness = [&] {
            const unsigned pick = random() % 10;
            return pick == 0 ? kNoValue : 26.0 + static_cast<double>(pick);
        };
        std::vector<double> t;
        for (std::size_t i = 0; i < positions.size(); ++i)
            t.push_back(thickness());
        Line l = MakeLine(positions, t, 30);
        const DesignNorms rules = Rules(static_cast<double>(random() % 3), static_cast<double>(random() % 8),
                                        static_cast<double>(random() % 12), 2);
        std::vector<FailingStretch> kept = FindFailingStretches(l.points, l.layer, rules);
        // The one pass over a layer finds what the searches one by one find.
        std::vector<FailingStretch> together;
        std::vector<SegmentSummary> per100m;
        std::vector<SegmentSummary> perKm;
        AnalyzeLayer(l.points, l.layer, rules, together, per100m, perKm);
        EXPECT_EQ(together, kept);
        ExpectSameSegments(per100m, Summarize(l.points, l.layer, kept, rules, kHundredMetres));
        ExpectSameSegments(perKm, Summarize(l.points, l.layer, kept, rules, kKilometre));
        for (int step = 0; step < 60; ++step) {
            SCOPED_TRACE(step);
            const std::size_t from = random() % positions.size();
            const std::size_t to = std::min(positions.size(), from + 1 + random() % 6);
            for (std::size_t i = from; i < to; ++i)
                l.layer.thicknessCm[i] = thickness();
            const std::vector<FailingStretch> before = kept;
            const StretchesChange change = UpdateFailingStretches(l.points, l.layer, rules, from, to, kept);
            const std::vector<FailingStretch> fresh = FindFailingStretches(l.points, l.layer, rules);
            ASSERT_EQ(kept, fresh);
            // Every stretch that went or came lies within the line said to have changed.
            for (const auto* list : {&before, &fresh})
                for (const FailingStretch& s : *list)
                    if (std::find(before.begin(), before.end(), s) == before.end() ||
                        std::find(fresh.begin(), fresh.end(), s) == fresh.end()) {
                        EXPECT_LE(change.fromM, s.fromM);
                        EXPECT_GE(change.toM, s.toM);
                    }
        }
    }
}

TEST(Analysis, ACorrectionGivesWhatAFreshComputationGives)
{
    // Three kilometres at 5 m with a ballast and a sand boundary, corrected cell by cell at
    // random: after each, the kept analysis must equal one made from scratch.
    std::mt19937 random(7);
    std::vector<std::vector<std::string>> rows;
    for (int i = 0; i < 600; ++i)
        rows.push_back({std::to_string(i * 5 / 100) + "." + (i * 5 % 100 < 10 ? "0" : "") + std::to_string(i * 5 % 100),
                        std::to_string(40 + static_cast<int>(random() % 12) - 6),
                        std::to_string(70 + static_cast<int>(random() % 12) - 6)});
    const auto grid = test::SurveyGrid({"ПК", "Балласт", "Песок"}, rows);
    ComplianceSetup setup;
    setup.firstRow = 2;
    setup.lastRow = grid->rowCount() - 1;
    setup.titleRow = 1;
    setup.columns = {2, 3};
    setup.norms.stretches = {{0, 3000, 1, Sleeper::Wooden}};
    setup.norms.layers = {{3, "", 28.0}};
    setup.norms.toleranceCm = 1;
    setup.norms.minLengthM = 10;
    setup.norms.joinGapM = 15;
    ThicknessAnalysis kept;
    kept.compute(*grid, setup);
    for (int step = 0; step < 300; ++step) {
        SCOPED_TRACE(step);
        const int row = 2 + static_cast<int>(random() % 600);
        const int col = 2 + static_cast<int>(random() % 2);
        const int kind = static_cast<int>(random() % 10);
        const std::string text = kind == 0 ? "" : std::to_string((col == 2 ? 30 : 60) + random() % 20);
        grid->setCell(col, row, text);
        const Compliance& a = kept.rowsChanged(*grid, row, row);
        ThicknessAnalysis fresh;
        const Compliance& b = fresh.compute(*grid, setup);
        ASSERT_EQ(a.layers.size(), b.layers.size());
        for (std::size_t l = 0; l < a.layers.size(); ++l) {
            ASSERT_EQ(a.layers[l].line.thicknessCm.size(), b.layers[l].line.thicknessCm.size());
            for (std::size_t i = 0; i < a.layers[l].line.thicknessCm.size(); ++i)
                ASSERT_TRUE(Same(a.layers[l].line.thicknessCm[i], b.layers[l].line.thicknessCm[i]));
            EXPECT_EQ(a.layers[l].stretches, b.layers[l].stretches);
            ExpectSameSegments(a.layers[l].per100m, b.layers[l].per100m);
            ExpectSameSegments(a.layers[l].perKm, b.layers[l].perKm);
        }
    }
    // A changed picket moves the points; the analysis follows.
    grid->setCell(1, 300, "");
    const Compliance& moved = kept.rowsChanged(*grid, 300, 300);
    EXPECT_EQ(moved.pointOf(300), -1);
    EXPECT_EQ(moved.points.size(), 599u);
}

// The analysis taken step by step from its definitions: each cell read on its own, the norm
// of each point looked up on its own, the stretches searched and each summary made apart.
Compliance StepByStep(const Grid& grid, const ComplianceSetup& setup)
{
    std::vector<double> positions;
    std::vector<std::vector<double>> depths(setup.columns.size());
    for (int r = setup.firstRow; r <= setup.lastRow; ++r) {
        positions.push_back(PicketMetres(grid.cellView(setup.picketColumn, r)).value_or(kNoValue));
        for (std::size_t c = 0; c < setup.columns.size(); ++c) {
            const std::optional<double> d = TryReadStrict(grid.cellView(setup.columns[c], r));
            depths[c].push_back(d && std::isfinite(*d) ? *d : kNoValue);
        }
    }
    Compliance c;
    c.points = PointsOf(positions, setup.firstRow);
    for (std::size_t l = 0; l < setup.columns.size(); ++l) {
        LayerCompliance layer;
        layer.line.column = setup.columns[l];
        for (std::size_t i = 0; i < c.points.size(); ++i) {
            const auto row = static_cast<std::size_t>(c.points.rows[i] - setup.firstRow);
            const double upper = l == 0 ? setup.norms.sleeperBaseCm : depths[l - 1][row];
            layer.line.thicknessCm.push_back(depths[l][row] - upper);
            layer.line.normCm.push_back(NormOf(setup.norms, l, layer.line.column, c.points.posM[i]));
        }
        layer.stretches = FindFailingStretches(c.points, layer.line, setup.norms);
        layer.per100m = Summarize(c.points, layer.line, layer.stretches, setup.norms, kHundredMetres);
        layer.perKm = Summarize(c.points, layer.line, layer.stretches, setup.norms, kKilometre);
        c.layers.push_back(std::move(layer));
    }
    return c;
}

void ExpectSameCompliance(const Compliance& a, const Compliance& b)
{
    ASSERT_EQ(a.points.rows, b.points.rows);
    EXPECT_EQ(a.points.posM, b.points.posM);
    ASSERT_EQ(a.layers.size(), b.layers.size());
    for (std::size_t l = 0; l < a.layers.size(); ++l) {
        SCOPED_TRACE(l);
        const LayerLine& x = a.layers[l].line;
        const LayerLine& y = b.layers[l].line;
        EXPECT_EQ(x.column, y.column);
        ASSERT_EQ(x.thicknessCm.size(), y.thicknessCm.size());
        ASSERT_EQ(x.made(), y.made());
        for (std::size_t i = 0; i < x.thicknessCm.size(); ++i) {
            ASSERT_TRUE(Same(x.thicknessCm[i], y.thicknessCm[i])) << i;
            ASSERT_TRUE(Same(x.normAt(i), y.normAt(i))) << i;
        }
        EXPECT_EQ(a.layers[l].stretches, b.layers[l].stretches);
        ExpectSameSegments(a.layers[l].per100m, b.layers[l].per100m);
        ExpectSameSegments(a.layers[l].perKm, b.layers[l].perKm);
    }
}

// A random survey of `rows` rows: pickets mostly rising (as decimals, in the plus form, with
// blanks, unreadable or missing, repeated, with jumps of kilometres), depths with gaps, text,
// blanks, exponents and long digit runs, and rows whose cells hold a tab.
std::unique_ptr<Grid> RoughSurvey(std::mt19937& random, int rows, int depthColumns, bool goesBack)
{
    std::vector<std::vector<std::string>> cells;
    long long centimetres = static_cast<long long>(random() % 200'000) - 50'000;
    // The step back lies well inside any range the tests take, on a readable picket.
    const int back = goesBack ? rows / 4 + static_cast<int>(random() % static_cast<unsigned>(rows / 2)) : -1;
    for (int r = 0; r < rows; ++r) {
        const unsigned jump = random() % 40;
        if (jump == 1 && !cells.empty() && r != back) {
            cells.push_back(cells.back()); // the same picket again: a share of no length
            continue;
        }
        // Signed steps: the generator's numbers are 32 bits wide on Windows, where -5000 made
        // unsigned would step far forward instead of back.
        centimetres += r == back   ? -5'000LL
                       : jump == 0 ? static_cast<long long>(100'000 + random() % 300'000)
                                   : static_cast<long long>(100 + random() % 900);
        const long long metres = centimetres / 100;
        const long long picket = metres / 100;
        const std::string rest = std::to_string(100 + std::abs(metres % 100)).substr(1);
        std::string p = (metres < 0 && picket == 0 ? "-" : "") + std::to_string(picket);
        switch (r == back ? 0 : random() % 12) {
        case 0: p += "+" + rest; break;
        case 1: p = " " + p + "." + rest + " "; break;
        case 2: p = ""; break;
        case 3: p = "ПК" + p; break;
        default: p += "." + rest + std::to_string(std::abs(centimetres % 100) / 10);
        }
        std::vector<std::string> row{p};
        for (int c = 0; c < depthColumns; ++c) {
            const unsigned kind = random() % 30;
            const std::string value = std::to_string(20 + random() % 150) + "." + std::to_string(random() % 10);
            row.push_back(kind == 0   ? ""
                          : kind == 1 ? "x"
                          : kind == 2 ? " " + value
                          : kind == 3 ? "4e1"
                          : kind == 4 ? "00000000000000000" + value
                          : kind == 5 ? value + "\t1"
                          : kind == 6 ? "-" + value
                                      : value);
        }
        cells.push_back(std::move(row));
    }
    std::vector<std::string> titles{"ПК"};
    for (int c = 0; c < depthColumns; ++c)
        titles.push_back("Г" + std::to_string(c + 1));
    return test::SurveyGrid(titles, cells);
}

// A random setup over `grid`: a range a few rows short of the whole, layers in any order, norms
// by design stretches and of the layers' own.
ComplianceSetup RandomSetup(std::mt19937& random, const Grid& grid)
{
    ComplianceSetup setup;
    setup.firstRow = 2 + static_cast<int>(random() % 3);
    setup.lastRow = grid.rowCount() - 1 - static_cast<int>(random() % 3);
    setup.titleRow = 1;
    // Layers in any order, a column read twice, one the table does not have (a layer
    // without data), and now and then the picket column read as a boundary too.
    setup.columns = {2, 3, 4, 5};
    std::shuffle(setup.columns.begin(), setup.columns.end(), random);
    setup.columns.resize(1 + random() % 4);
    if (random() % 3 == 0)
        setup.columns.push_back(setup.columns.front());
    if (random() % 4 == 0)
        setup.columns.push_back(grid.colCount() + static_cast<int>(random() % 3));
    if (random() % 5 == 0)
        setup.columns.push_back(1);
    DesignNorms& n = setup.norms;
    n.sleeperBaseCm = static_cast<double>(random() % 20);
    n.toleranceCm = static_cast<double>(random() % 5);
    n.minLengthM = static_cast<double>(random() % 30);
    n.joinGapM = static_cast<double>(random() % 20);
    n.prismWidthM = 3.4;
    // Design stretches over parts of the line, with classes whose ballast cell is empty; now and
    // then none, the ballast's norm being its own all along.
    double at = random() % 4 == 0 ? 5e5 : -2000;
    while (at < 5e5) {
        const double from = at + static_cast<double>(random() % 3000);
        const double to = from + static_cast<double>(random() % 20000);
        n.stretches.push_back(
            {from, to, 1 + static_cast<int>(random() % 5), random() % 2 == 0 ? Sleeper::Wooden : Sleeper::Concrete});
        at = to + static_cast<double>(random() % 2);
    }
    // Some layers have a norm of their own, some none.
    for (int c = 2; c <= 5; ++c)
        if (random() % 3 != 0)
            n.layers.push_back({c, "", random() % 4 == 0 ? std::nullopt : std::optional<double>(20 + c)});

    return setup;
}

TEST(Analysis, TheWholeAnalysisIsWhatItsDefinitionsGiveStepByStep)
{
    // The one pass over the rows (cells parsed as they are found, thicknesses, norms, stretches
    // and both summaries of all layers at once) must give every number the definitions give,
    // to the last bit, before and after corrections.
    std::mt19937 random(5);
    for (int survey = 0; survey < 30; ++survey) {
        SCOPED_TRACE(survey);
        const auto grid = RoughSurvey(random, 300 + static_cast<int>(random() % 300), 4, survey % 6 == 5);
        ComplianceSetup setup = RandomSetup(random, *grid);
        ThicknessAnalysis analysis;
        try {
            ExpectSameCompliance(analysis.compute(*grid, setup), StepByStep(*grid, setup));
        } catch (const Error&) {
            // Pickets out of order (a picket that went back): refused by both, nothing kept.
            EXPECT_THROW(StepByStep(*grid, setup), Error);
            EXPECT_FALSE(analysis.valid());
            EXPECT_EQ(analysis.result().points.size(), 0u);
            EXPECT_TRUE(analysis.result().layers.empty());
            continue;
        }
        // Corrections, the pickets' too, some of them into a refusal and back out of it.
        for (int step = 0; step < 20; ++step) {
            const int row = setup.firstRow +
                            static_cast<int>(random() % static_cast<unsigned>(setup.lastRow - setup.firstRow + 1));
            const int col = 1 + static_cast<int>(random() % 5);
            const std::string before = grid->cell(col, row);
            const std::string text = random() % 4 == 0 ? "" : std::to_string(random() % 150) + ".5";
            grid->setCell(col, row, col == 1 && random() % 2 == 0 ? before : text);
            try {
                analysis.rowsChanged(*grid, row, row);
            } catch (const Error&) {
                grid->setCell(col, row, before);
                analysis.rowsChanged(*grid, row, row);
            }
            ExpectSameCompliance(analysis.result(), StepByStep(*grid, setup));
        }
        // The same analysis used again for another setup fills its arrays afresh: other
        // layers, a few rows of the range (the memory of the whole given back), all of it again.
        setup.columns = {5, 2};
        ExpectSameCompliance(analysis.compute(*grid, setup), StepByStep(*grid, setup));
        const int lastRow = setup.lastRow;
        setup.lastRow = setup.firstRow + 4;
        ExpectSameCompliance(analysis.compute(*grid, setup), StepByStep(*grid, setup));
        EXPECT_LE(analysis.result().points.rows.capacity(), 5u);
        setup.lastRow = lastRow;
        ExpectSameCompliance(analysis.compute(*grid, setup), StepByStep(*grid, setup));
    }
}

TEST(Analysis, AFileSplitAtPointsOrMinusSignsIsReadCellByCell)
{
    // A delimiter a number may hold: "-5" split at minus signs is an empty picket and 5, not
    // the number -5, and "1.50" split at points is 1 and 50.
    for (const char delimiter : {'-', '.', '+', '7'}) {
        SCOPED_TRACE(delimiter);
        std::string text;
        for (const char* line : {"0_40_70", "_45_80", "1_50_75", "2_x_90", "3__", "4_44_88", "5_41_"}) {
            for (const char* c = line; *c != 0; ++c)
                text += *c == '_' ? delimiter : *c;
            text += "\r\n";
        }
        auto bytes = std::make_unique<char[]>(text.size());
        std::copy(text.begin(), text.end(), bytes.get());
        Grid grid(2, 2);
        std::string refusal;
        ImportTableFile(grid, {std::move(bytes), text.size()}, delimiter, 0, refusal);
        ASSERT_EQ(grid.rowCount(), 8);
        ComplianceSetup setup;
        setup.firstRow = 1;
        setup.lastRow = grid.rowCount() - 1;
        setup.columns = {2, 3};
        setup.norms.layers = {{2, "", 45.0}, {3, "", 30.0}};
        ThicknessAnalysis analysis;
        const Compliance& c = analysis.compute(grid, setup);
        ExpectSameCompliance(c, StepByStep(grid, setup));
        EXPECT_EQ(c.pointOf(1), 0);
        EXPECT_EQ(c.pointOf(2), -1); // the row begins with the delimiter: no picket
    }
}

TEST(Analysis, AllLayersInOnePassGiveWhatEachGivesAlone)
{
    // Layers with their gaps in different places: one layer may have data where another has
    // none, so a segment may hold pieces of one and not of the other.
    std::mt19937 random(3);
    for (int line = 0; line < 30; ++line) {
        SCOPED_TRACE(line);
        std::vector<double> positions;
        double at = -150;
        for (int i = 0; i < 400; ++i) {
            at += random() % 30 == 0 ? 200.0 + random() % 2000 : random() % 10 == 0 ? 0.0 : 1.0 + random() % 9;
            positions.push_back(at);
        }
        const LinePoints points = PointsOf(positions, 1);
        const DesignNorms rules = Rules(static_cast<double>(random() % 3), static_cast<double>(random() % 8),
                                        static_cast<double>(random() % 12), 2);
        std::vector<LayerCompliance> layers(1 + random() % 4);
        for (LayerCompliance& l : layers) {
            const unsigned gaps = random() % 4;
            for (std::size_t i = 0; i < positions.size(); ++i) {
                const bool gap = gaps > 0 && random() % (gaps * 3) == 0;
                l.line.thicknessCm.push_back(gap ? kNoValue : 26.0 + static_cast<double>(random() % 10));
                l.line.normCm.push_back(random() % 50 == 0 ? kNoValue : 30.0);
            }
        }
        AnalyzeLayers(points, rules, layers);
        for (const LayerCompliance& l : layers) {
            std::vector<FailingStretch> alone;
            std::vector<SegmentSummary> per100m;
            std::vector<SegmentSummary> perKm;
            AnalyzeLayer(points, l.line, rules, alone, per100m, perKm);
            EXPECT_EQ(l.stretches, FindFailingStretches(points, l.line, rules));
            EXPECT_EQ(l.stretches, alone);
            ExpectSameSegments(l.per100m, Summarize(points, l.line, l.stretches, rules, kHundredMetres));
            ExpectSameSegments(l.perKm, Summarize(points, l.line, l.stretches, rules, kKilometre));
        }
    }
}

TEST(Analysis, ALongLineIsReadAndWalkedAtOnceToTheSameNumbers)
{
    // A line of many rows is walked on a second thread while its rows are still being read: every
    // number must still be what the definitions give, whether the analysis is fresh or made again
    // in the arrays of a longer or a shorter line, and a line refused half-way (a picket going
    // back) must leave nothing and name the same rows.
    std::mt19937 random(11);
    ThicknessAnalysis analysis;
    for (int survey = 0; survey < 4; ++survey) {
        SCOPED_TRACE(survey);
        const bool goesBack = survey == 2;
        const auto grid = RoughSurvey(random, 60'000 + static_cast<int>(random() % 60'000), 4, goesBack);
        const ComplianceSetup setup = RandomSetup(random, *grid);
        if (!goesBack) {
            ExpectSameCompliance(analysis.compute(*grid, setup), StepByStep(*grid, setup));
            continue;
        }
        std::string refusal;
        try {
            StepByStep(*grid, setup);
        } catch (const Error& e) {
            refusal = e.what();
        }
        ASSERT_FALSE(refusal.empty());
        try {
            analysis.compute(*grid, setup);
            ADD_FAILURE() << "a picket going back was not refused";
        } catch (const Error& e) {
            EXPECT_EQ(e.what(), refusal);
        }
        EXPECT_FALSE(analysis.valid());
        EXPECT_EQ(analysis.result().points.size(), 0u);
        EXPECT_TRUE(analysis.result().layers.empty());
    }
}

TEST(Analysis, NewNormsAreMeasuredAgainstTheThicknessesKept)
{
    // New norms are measured against the points and thicknesses the analysis keeps, on lines
    // long enough for the layers to be walked on two threads and on short ones: every number must
    // be what the definitions give for the new norms. A new sleeper base, or a setup that differs
    // in more than its norms, is read again, to the same end.
    std::mt19937 random(13);
    ThicknessAnalysis analysis;
    for (int survey = 0; survey < 6; ++survey) {
        SCOPED_TRACE(survey);
        const int rows = survey % 2 == 0 ? 40'000 + static_cast<int>(random() % 20'000)
                                         : 300 + static_cast<int>(random() % 300);
        const auto grid = RoughSurvey(random, rows, 4, false);
        ComplianceSetup setup = RandomSetup(random, *grid);
        analysis.compute(*grid, setup);
        for (int change = 0; change < 3; ++change) {
            SCOPED_TRACE(change);
            ComplianceSetup next = setup;
            next.norms = RandomSetup(random, *grid).norms;
            if (change < 2)
                next.norms.sleeperBaseCm = setup.norms.sleeperBaseCm;
            ExpectSameCompliance(analysis.normsChanged(*grid, next), StepByStep(*grid, next));
            EXPECT_EQ(analysis.setup(), next);
            setup = next;
        }
        const ComplianceSetup other = RandomSetup(random, *grid);
        ExpectSameCompliance(analysis.normsChanged(*grid, other), StepByStep(*grid, other));
    }
}

TEST(Analysis, ALongTableWithFewReadablePicketsIsALineOfThosePoints)
{
    // The line's ends are found before its rows are read: a long table whose pickets are blank
    // but for a few rows (none at its ends), and one with none at all.
    std::vector<std::vector<std::string>> cells(50'000, std::vector<std::string>{"", "30.5", "62"});
    for (const auto& [row, picket] : {std::pair{7'000, "10.5"}, {20'000, "12+30"}, {41'000, "15"}})
        cells[static_cast<std::size_t>(row)][0] = picket;
    cells[20'000][1] = "x";
    const auto grid = test::SurveyGrid({"ПК", "Балласт", "Песок"}, cells);
    ComplianceSetup setup;
    setup.firstRow = 2;
    setup.lastRow = grid->rowCount() - 1;
    setup.titleRow = 1;
    setup.columns = {2, 3};
    setup.norms.sleeperBaseCm = 10;
    setup.norms.layers = {{2, "", 40.0}, {3, "", 20.0}};
    ThicknessAnalysis analysis;
    const Compliance& c = analysis.compute(*grid, setup);
    ExpectSameCompliance(c, StepByStep(*grid, setup));
    ASSERT_EQ(c.points.size(), 3u);
    EXPECT_EQ(c.points.posM, (std::vector<double>{1050, 1230, 1500}));
    EXPECT_EQ(test::Shares(c.points), (std::vector<double>{1050, 1140, 1365}));
    EXPECT_EQ(test::Shares(c.points, true), (std::vector<double>{1140, 1365, 1500}));
    // Ballast 30.5 - 10 = 20.5 against 40 fails over its first share; the second point has none.
    ASSERT_EQ(c.layers[0].stretches.size(), 2u);
    EXPECT_EQ(c.layers[0].stretches[0].toM, 1140);
    EXPECT_EQ(c.layers[0].stretches[1].fromM, 1365);

    for (auto& row : cells)
        row[0] = "";
    const auto blank = test::SurveyGrid({"ПК", "Балласт", "Песок"}, cells);
    const Compliance& none = analysis.compute(*blank, setup);
    EXPECT_EQ(none.points.size(), 0u);
    ASSERT_EQ(none.layers.size(), 2u);
    EXPECT_TRUE(none.layers[0].stretches.empty());
    EXPECT_TRUE(none.layers[0].per100m.empty());
    EXPECT_TRUE(none.layers[1].perKm.empty());
}

} // namespace
} // namespace trassel
