// Traces on the line's axis: the header's start and step, ties interpolated and extrapolated,
// a run against the chainage, the inverse a view scrolls by, and the ties refused.
#include "radargram/registration.h"

#include "support/error_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace trassel {
namespace {

TEST(Registration, HeaderStepAndStartPlaceEveryTrace)
{
    // Start 5 m, step 0.1 m: trace 100 lies at 5 + 100 * 0.1 = 15 m = picket 0.15.
    const TraceRegistration reg({}, HeaderPlacement{0.1, 5.0});
    ASSERT_TRUE(reg.placed());
    EXPECT_NEAR(*reg.picketOf(0), 0.05, 1e-12);
    EXPECT_NEAR(*reg.picketOf(100), 0.15, 1e-12);
    EXPECT_NEAR(*reg.traceAt(0.15), 100.0, 1e-9);
    // Without a start the first trace is at 0.
    EXPECT_NEAR(*TraceRegistration({}, HeaderPlacement{0.5, std::nullopt}).picketOf(1000), 5.0, 1e-12);
}

TEST(Registration, NothingPlacesTracesWithoutAStepOrTwoTies)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const HeaderPlacement header :
         {HeaderPlacement{}, HeaderPlacement{0.0, 1.0}, HeaderPlacement{-0.1, 0.0}, HeaderPlacement{nan, 0.0}}) {
        const TraceRegistration none({}, header);
        EXPECT_FALSE(none.placed());
        EXPECT_FALSE(none.picketOf(10).has_value());
        EXPECT_FALSE(none.traceAt(1.0).has_value());
        // One tie tells where, not how far apart.
        EXPECT_FALSE(TraceRegistration({{50, 10.0}}, header).placed());
    }
    EXPECT_FALSE(TraceRegistration().placed());
}

TEST(Registration, OneTieGoesAlongTheChainageAtTheHeaderStep)
{
    // Trace 50 at picket 100; step 0.5 m = 0.005 picket a trace: trace 250 at 100 + 200 * 0.005.
    const TraceRegistration reg({{50, 100.0}}, HeaderPlacement{0.5, 7.0});
    EXPECT_NEAR(*reg.picketOf(50), 100.0, 1e-12);
    EXPECT_NEAR(*reg.picketOf(250), 101.0, 1e-12);
    EXPECT_NEAR(*reg.picketOf(0), 99.75, 1e-12);
    EXPECT_NEAR(*reg.traceAt(101.0), 250.0, 1e-9);
}

TEST(Registration, TiesInterpolateAndTheOuterPairsExtrapolate)
{
    // Given out of order. Pairs: traces 0..100 over pickets 10..11 (0.01 a trace),
    // 100..200 over 11..13 (0.02 a trace). The header's step is ignored with two ties.
    const TraceRegistration reg({{200, 13.0}, {0, 10.0}, {100, 11.0}}, HeaderPlacement{1.0, 0.0});
    ASSERT_EQ(reg.ties().front().trace, 0);
    EXPECT_NEAR(*reg.picketOf(50), 10.5, 1e-12);
    EXPECT_NEAR(*reg.picketOf(100), 11.0, 1e-12);
    EXPECT_NEAR(*reg.picketOf(150), 12.0, 1e-12);
    EXPECT_NEAR(*reg.picketOf(100.5), 11.01, 1e-12); // fractional traces for a zoomed view
    // Beyond: trace 250 at 13 + 50 * 0.02 = 14; trace -50 at 10 - 50 * 0.01 = 9.5.
    EXPECT_NEAR(*reg.picketOf(250), 14.0, 1e-12);
    EXPECT_NEAR(*reg.picketOf(-50), 9.5, 1e-12);
    EXPECT_NEAR(*reg.traceAt(12.0), 150.0, 1e-9);
    EXPECT_NEAR(*reg.traceAt(14.0), 250.0, 1e-9);
    EXPECT_NEAR(*reg.traceAt(9.5), -50.0, 1e-9);
}

TEST(Registration, RunAgainstTheChainage)
{
    // Trace 0 at picket 20, trace 1000 at 19: 0.001 picket less each trace.
    const TraceRegistration reg({{0, 20.0}, {1000, 19.0}, {2000, 17.0}}, {});
    EXPECT_NEAR(*reg.picketOf(500), 19.5, 1e-12);
    EXPECT_NEAR(*reg.picketOf(1500), 18.0, 1e-12);
    EXPECT_NEAR(*reg.traceAt(19.25), 750.0, 1e-9);
    EXPECT_NEAR(*reg.traceAt(18.0), 1500.0, 1e-9);
    EXPECT_NEAR(*reg.traceAt(21.0), -1000.0, 1e-9); // before the start, at the first pair's slope
    EXPECT_NEAR(*reg.traceAt(16.0), 2500.0, 1e-9);  // past the end, at the last pair's slope
}

TEST(Registration, TraceAtIsTheInverseOfPicketOf)
{
    std::vector<TraceTie> ties;
    for (int i = 0; i < 200; ++i)
        ties.push_back({i * 97 + (i % 3) * 11, 100.0 - i * 0.37 - (i % 5) * 0.01});
    const TraceRegistration reg(ties, {});
    for (double trace = -500; trace < 20000; trace += 13.7) {
        const double picket = *reg.picketOf(trace);
        EXPECT_NEAR(*reg.traceAt(picket), trace, 1e-6) << trace;
    }
    // Strictly falling along the traces, as the ties say.
    double before = *reg.picketOf(-1);
    for (double trace = 0; trace < 20000; trace += 50) {
        const double now = *reg.picketOf(trace);
        EXPECT_LT(now, before) << trace;
        before = now;
    }
}

TEST(Registration, RefusesTiesThatCannotRegister)
{
    const auto refused = [](std::vector<TraceTie> ties) {
        return errorText([&] { TraceRegistration reg(std::move(ties), HeaderPlacement{0.1, 0.0}); });
    };
    EXPECT_EQ(refused({{10, 1.0}, {10, 1.0}, {20, 2.0}}), "Трасса 10 привязана дважды: оставьте одну привязку.");
    EXPECT_EQ(refused({{20, 2.0}, {10, 1.0}, {10, 1.5}}), "Трасса 10 привязана дважды: оставьте одну привязку.");
    EXPECT_EQ(refused({{10, 1.0}, {20, 1.0}}), "Трассы 10 и 20 привязаны к одному пикету 1.");
    EXPECT_EQ(refused({{0, 1.0}, {10, 2.0}, {20, 1.5}}),
              "Привязки идут не по порядку пикетов: трасса 20 на пикете 1.5 нарушает ход профиля от трассы 10 "
              "(пикет 2).");
    EXPECT_EQ(refused({{-1, 1.0}}), "Привязка трассы -1: номер трассы не может быть отрицательным.");
    EXPECT_EQ(refused({{3, std::numeric_limits<double>::infinity()}}),
              "Привязка трассы 3: пикет должен быть конечным числом.");
    EXPECT_EQ(refused({{0, 1.0}, {10, 1.1}}), "(no error)");
}

} // namespace
} // namespace trassel
