// The permittivity fitted to known depths: values recovered exactly from depths made with them,
// within the reported spread when the depths are noisy, and every degenerate point or layer
// left out with a note instead of a value that is not a number.
#include "radargram/calibration.h"

#include "base/error.h"
#include "base/numbers.h"
#include "radargram/radargram_sheets.h"
#include "support/error_text.h"
#include "table/grid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <string>

namespace trassel {
namespace {

// 1000 traces tied to pickets 10.00 .. 10.999 (a trace a metre).
RadargramModel Model(std::vector<double> bounds, std::vector<double> eps, double timeZero = 2.0)
{
    RadargramModel m;
    auto file = std::make_shared<RadargramFile>();
    file->path = "/line.dzt";
    file->traces = 1000;
    file->samples = 512;
    file->timeWindowNs = 100;
    m.file = file;
    m.ties = {{0, 10.0}, {999, 10.999}};
    m.timeZeroNs = timeZero;
    m.permittivity = {std::move(bounds), std::move(eps)};
    return m;
}

// Picket in column 1, three boundaries in columns 2..4, rows 1..n at a metre apart from 10.00.
struct Table {
    explicit Table(int rows) : grid(5, rows + 1)
    {
        for (int r = 1; r <= rows; ++r)
            grid.setCell(1, r, NumberToText(10.0 + (r - 1) * 0.01));
    }
    double picket(int row) const { return 10.0 + (row - 1) * 0.01; }
    Grid grid;
};

CalibrationSetup SetupOf(const Table& t, const RadargramModel& m) { return {&t.grid, 1, 1, t.grid.rowCount() - 1, &m}; }

// The true boundaries of row r, and the table's depths a model with `picking` would have read.
double TrueDepth(int column, int row)
{
    const double base[] = {0, 0, 30, 90, 160};
    return base[column] + 8 * std::sin(row * 0.37 + column) + 3 * std::cos(row * 0.11);
}

std::vector<KnownDepth> Fill(Table& t, const DepthModel& truth, const DepthModel& picking, int rows, double noiseCm = 0,
                             unsigned seed = 1)
{
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0, noiseCm > 0 ? noiseCm : 1);
    std::vector<KnownDepth> known;
    for (int r = 1; r <= rows; ++r)
        for (int c = 2; c <= 4; ++c) {
            const double d = TrueDepth(c, r);
            t.grid.setCell(c, r, NumberToText(picking.depthCm(truth.timeNs(d))));
            known.push_back({t.picket(r), c, d + (noiseCm > 0 ? noise(random) : 0.0), "скважина"});
        }
    return known;
}

TEST(Calibration, RecoversLayeredPermittivitiesExactly)
{
    const std::vector<double> bounds{50, 120};
    const RadargramModel current = Model(bounds, {6, 8, 12});
    const DepthModel truth(bounds, {5, 9, 16}, 2.0);
    Table t(40);
    const std::vector<KnownDepth> known = Fill(t, truth, current.depthModel(), 40);

    const CalibrationResult r = Calibrate(SetupOf(t, current), known);
    ASSERT_EQ(r.layers.size(), 3u);
    EXPECT_TRUE(r.notes.empty()) << r.notes.front();
    const double want[] = {5, 9, 16};
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(r.layers[i].fitted);
        EXPECT_EQ(r.layers[i].points, 40);
        EXPECT_NEAR(r.layers[i].eps, want[i], 1e-9) << "layer " << i;
        EXPECT_NEAR(r.permittivity.eps[i], want[i], 1e-9);
        EXPECT_NEAR(r.layers[i].epsError, 0, 1e-6);
        EXPECT_DOUBLE_EQ(r.layers[i].before, current.permittivity.eps[i]);
    }
    EXPECT_EQ(r.permittivity.boundariesCm, bounds);
    ASSERT_EQ(r.points.size(), known.size());
    for (const CalibratedPoint& p : r.points)
        EXPECT_NEAR(p.misfitCm, 0, 1e-9);
    // The misfit before the fit is what the picking model made of the true depths.
    EXPECT_GT(std::abs(r.points[0].pickedCm - r.points[0].knownCm), 1.0);
}

TEST(Calibration, NoisyDepthsLandWithinTheReportedSpread)
{
    // One permittivity for the whole profile and a layered one, noise of 2 cm on each depth.
    for (const bool layered : {false, true}) {
        const std::vector<double> bounds = layered ? std::vector<double>{50, 120} : std::vector<double>{};
        const std::vector<double> trueEps = layered ? std::vector<double>{5, 9, 16} : std::vector<double>{7.5};
        const RadargramModel current = Model(bounds, layered ? std::vector<double>{6, 6, 6} : std::vector<double>{6});
        Table t(200);
        const std::vector<KnownDepth> known = Fill(t, DepthModel(bounds, trueEps, 2.0), current.depthModel(), 200, 2.0,
                                                   layered ? 7 : 11);
        const CalibrationResult r = Calibrate(SetupOf(t, current), known);
        double misfit2 = 0;
        for (const CalibratedPoint& p : r.points)
            misfit2 += p.misfitCm * p.misfitCm;
        // The fit is about as good as the noise allows.
        EXPECT_NEAR(std::sqrt(misfit2 / static_cast<double>(r.points.size())), 2.0, 0.4);
        for (std::size_t i = 0; i < trueEps.size(); ++i) {
            const CalibratedLayer& l = r.layers[i];
            ASSERT_TRUE(l.fitted);
            EXPECT_GT(l.epsError, 0);
            EXPECT_LT(std::abs(l.eps - trueEps[i]), 3 * l.epsError) << "layer " << i << " of " << trueEps.size();
            EXPECT_NEAR(l.rmsMisfitCm, 2.0, 0.6);
        }
    }
}

TEST(Calibration, DegeneratePointsAndLayersAreLeftOutWithAReason)
{
    const RadargramModel current = Model({50, 120}, {6, 8, 12});
    Table t(10);
    for (int r = 1; r <= 10; ++r) {
        t.grid.setCell(2, r, "40");
        t.grid.setCell(3, r, "100");
    }
    t.grid.setCell(2, 3, "0"); // a boundary on the surface: no time after time zero
    t.grid.setCell(3, 5, "");  // no depth in the table
    const std::vector<KnownDepth> known{
        {10.00, 3, 110.0, "скважина"},        // the only point of the middle layer
        {10.02, 2, 30.0, "шурф"},             // zero time
        {10.04, 3, 95.0, "скважина"},         // no depth in the table there
        {9.5, 2, 45.0, "шурф"},               // before the first trace
        {10.01, 2, std::nullopt, "скважина"}, // not typed yet
        {10.03, 7, 45.0, "шурф"},             // no such column
        {10.06, 2, 40.0, "скважина"},
        {10.07, 2, 44.0, "скважина"},
    };
    const CalibrationResult r = Calibrate(SetupOf(t, current), known);
    const auto noted = [&](const std::string& part) {
        for (const std::string& n : r.notes)
            if (n.find(part) != std::string::npos)
                return true;
        return false;
    };
    EXPECT_TRUE(noted("время не позже нулевого"));
    EXPECT_TRUE(noted("в таблице нет глубины этой границы"));
    EXPECT_TRUE(noted("вне привязанной радарограммы"));
    EXPECT_TRUE(noted("глубина не задана"));
    EXPECT_TRUE(noted("нет такого столбца"));
    EXPECT_TRUE(noted("Слой 2: одна известная глубина"));
    EXPECT_TRUE(noted("Слой 3: нет известных глубин"));
    // The top layer's two points: 40 and 44 cm known where 40 was picked at ε 6.
    EXPECT_TRUE(r.layers[0].fitted);
    EXPECT_FALSE(r.layers[1].fitted);
    EXPECT_FALSE(r.layers[2].fitted);
    EXPECT_EQ(r.permittivity.eps[1], 8);
    EXPECT_EQ(r.permittivity.eps[2], 12);
    EXPECT_NEAR(r.permittivity.eps[0], 6 * std::pow(40.0 / 42.0, 2), 0.05);
    for (const double e : r.permittivity.eps)
        EXPECT_TRUE(std::isfinite(e));
    for (const CalibratedPoint& p : r.points)
        EXPECT_TRUE(std::isfinite(p.misfitCm));
    EXPECT_TRUE(r.anyFitted());

    // A single point anywhere fits nothing; known depths that would need a speed above light's
    // are refused as well, the former value kept.
    const CalibrationResult one = Calibrate(SetupOf(t, current), std::vector<KnownDepth>{known[6]});
    EXPECT_FALSE(one.anyFitted());
    const RadargramModel single = Model({}, {6});
    const CalibrationResult fast = Calibrate(SetupOf(t, single), std::vector<KnownDepth>{{10.06, 2, 400.0, "шурф"},
                                                                                         {10.07, 2, 410.0, "шурф"}});
    EXPECT_NE(fast.notes.back().find("вне пределов 1…100"), std::string::npos) << fast.notes.back();
    EXPECT_FALSE(fast.anyFitted());
    EXPECT_TRUE(std::isfinite(fast.permittivity.eps[0]));
}

TEST(Calibration, RefusesWithoutAPlacedRadargram)
{
    Table t(3);
    RadargramModel none;
    EXPECT_NE(errorText([&] { Calibrate(SetupOf(t, none), {}); }).find("нет радарограммы прибора"), std::string::npos);
    RadargramModel loose = Model({}, {6});
    loose.ties.clear();
    EXPECT_NE(errorText([&] { Calibrate(SetupOf(t, loose), {}); }).find("не привязаны к пикетам"), std::string::npos);
    // Pickets that fall cannot say which row a picket names.
    RadargramModel m = Model({}, {6});
    t.grid.setCell(1, 3, "9");
    EXPECT_NE(errorText([&] { Calibrate(SetupOf(t, m), {}); }).find("пикеты таблицы глубин убывают"),
              std::string::npos);
}

TEST(Calibration, BoreholesOfferTheirPicketsForEachLayer)
{
    Grid skv(6, 5);
    skv.setCell(1, 1, "ПК");
    skv.setCell(1, 2, "123.6");
    skv.setCell(2, 2, "Скв.1");
    skv.setCell(5, 2, "250");
    skv.setCell(1, 3, "128.9");
    skv.setCell(2, 3, "Шурф 3");
    skv.setCell(1, 4, "не пикет");
    const std::vector<int> columns{3, 4};
    const std::vector<KnownDepth> known = KnownDepthsFromBoreholes(skv, columns);
    EXPECT_EQ(known, (std::vector<KnownDepth>{{123.6, 3, std::nullopt, "скважина"},
                                              {123.6, 4, std::nullopt, "скважина"},
                                              {128.9, 3, std::nullopt, "шурф"},
                                              {128.9, 4, std::nullopt, "шурф"}}));
}

TEST(RadargramSheets, CutAlongTheLineFromTheSectionsOrigin)
{
    // Traces over pickets 10.00 .. 10.999; sheets of 0.25 picket from 9.9.
    const RadargramModel m = Model({}, {6});
    const std::vector<RadargramSheet> sheets = PlanRadargramSheets(m, 9.9, 12.0, 0.25);
    ASSERT_EQ(sheets.size(), 5u);
    EXPECT_EQ(sheets[0].number, 1);
    EXPECT_NEAR(sheets[0].fromPicket, 9.9, 1e-12);
    EXPECT_NEAR(sheets[0].firstTrace, 0, 1e-9);
    EXPECT_NEAR(sheets[0].traceCount, 150, 1e-6);
    EXPECT_EQ(sheets[4].number, 5);
    EXPECT_NEAR(sheets[4].firstTrace + sheets[4].traceCount, 999, 1e-6);
    // A working range the file does not reach, and a file not placed.
    EXPECT_NE(errorText([&] { PlanRadargramSheets(m, 20, 30, 1); }).find("не заходит в рабочий диапазон"),
              std::string::npos);
    RadargramModel loose = m;
    loose.ties.clear();
    EXPECT_NE(errorText([&] { PlanRadargramSheets(loose, 9, 12, 1); }).find("не привязаны"), std::string::npos);
}

} // namespace
} // namespace trassel
