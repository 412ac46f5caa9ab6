// Time to depth: one permittivity or one per layer, time zero, the inverse, the refusals, and
// time zero found on the first break of the averaged trace.
#include "radargram/depth_model.h"

#include "support/error_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace trassel {
namespace {

TEST(DepthModel, OnePermittivityAfterTimeZero)
{
    // eps 4: v = 0.2998 / 2 = 0.1499 m/ns = 14.99 cm/ns. 10 ns after time zero (2 ns) the
    // wave went 149.9 cm there and back: depth 74.95 cm.
    const DepthModel model(4.0, 2.0);
    EXPECT_NEAR(model.depthCm(12.0), 74.95, 1e-9);
    EXPECT_NEAR(model.timeNs(74.95), 12.0, 1e-9);
    EXPECT_NEAR(model.depthCm(2.0), 0.0, 1e-12);
    // Before time zero the reflection would lie above the surface.
    EXPECT_NEAR(model.depthCm(0.0), -14.99, 1e-9);
    // eps 1 (air): 29.98 cm/ns, 1 ns gives 14.99 cm.
    EXPECT_NEAR(DepthModel(1.0, 0.0).depthCm(1.0), 14.99, 1e-12);
}

TEST(DepthModel, PermittivityPerLayerAcrossABoundary)
{
    // Ballast eps 4 (14.99 cm/ns) to 30 cm, then eps 9 (29.98 / 3 = 9.99333 cm/ns) to 80 cm,
    // then eps 16 (7.495 cm/ns). Time zero 1 ns.
    // The first boundary after 2 * 30 / 14.99 = 4.002668 ns, the second after
    // 4.002668 + 2 * 50 / 9.993333 = 14.009339 ns.
    const DepthModel model({30.0, 80.0}, {4.0, 9.0, 16.0}, 1.0);
    const double t30 = 1.0 + 60.0 / 14.99;
    const double t80 = t30 + 100.0 / (29.98 / 3.0);
    EXPECT_NEAR(model.timeNs(30.0), t30, 1e-9);
    EXPECT_NEAR(model.timeNs(80.0), t80, 1e-9);
    EXPECT_NEAR(model.depthCm(t30), 30.0, 1e-9);
    EXPECT_NEAR(model.depthCm(t80), 80.0, 1e-9);
    // 6 ns past the first boundary: 30 + 9.99333 * 6 / 2 = 59.98 cm.
    EXPECT_NEAR(model.depthCm(t30 + 6.0), 59.98, 1e-9);
    // 2 ns past the second: 80 + 7.495 * 2 / 2 = 87.495 cm.
    EXPECT_NEAR(model.depthCm(t80 + 2.0), 87.495, 1e-9);
    // Continuous at the boundary: just above and just below meet.
    EXPECT_NEAR(model.depthCm(t30 - 1e-9), model.depthCm(t30 + 1e-9), 1e-7);
    // A slower layer below takes more time per centimetre.
    EXPECT_GT(model.timeNs(31.0) - model.timeNs(30.0), model.timeNs(30.0) - model.timeNs(29.0));
}

TEST(DepthModel, DepthAndTimeAreInversePairsAndRiseStrictly)
{
    const DepthModel model({12.5, 40.0, 41.0, 200.0}, {3.0, 5.5, 81.0, 7.0, 12.0}, 4.25);
    double before = -std::numeric_limits<double>::infinity();
    for (double t = -5.0; t < 200.0; t += 0.173) {
        const double d = model.depthCm(t);
        EXPECT_GT(d, before) << t;
        before = d;
        EXPECT_NEAR(model.timeNs(d), t, 1e-9) << t;
    }
    for (double d = -20.0; d < 500.0; d += 0.71)
        EXPECT_NEAR(model.depthCm(model.timeNs(d)), d, 1e-9) << d;
}

TEST(DepthModel, RefusesWhatNoGroundIs)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(errorText([] { DepthModel(0.5, 0.0); }),
              "Диэлектрическая проницаемость (0.5) не может быть меньше 1: медленнее света в пустоте волна не "
              "бывает.");
    EXPECT_EQ(errorText([&] { DepthModel(nan, 0.0); }), "Диэлектрическая проницаемость должна быть конечным числом.");
    EXPECT_EQ(errorText([&] { DepthModel(inf, 0.0); }), "Диэлектрическая проницаемость должна быть конечным числом.");
    EXPECT_EQ(errorText([&] { DepthModel(4.0, nan); }), "Нулевое время должно быть конечным числом.");
    EXPECT_EQ(errorText([] {
                  DepthModel({30.0}, {4.0, 0.9}, 0.0);
              }),
              "Диэлектрическая проницаемость слоя 2 (0.9) не может быть меньше 1: медленнее света в пустоте волна "
              "не бывает.");
    EXPECT_EQ(errorText([] { DepthModel({30.0}, {4.0}, 0.0); }),
              "Для 1 границ слоёв нужно 2 значений диэлектрической проницаемости, дано 1.");
    EXPECT_EQ(errorText([] {
                  DepthModel({30.0, 30.0}, {4.0, 5.0, 6.0}, 0.0);
              }),
              "Граница слоя 2 (30 см) должна лежать глубже предыдущей (30 см).");
    EXPECT_EQ(errorText([] {
                  DepthModel({0.0}, {4.0, 5.0}, 0.0);
              }),
              "Граница слоя 1 должна лежать ниже поверхности (глубина больше 0 см).");
    EXPECT_EQ(errorText([] { DepthModel(1.0, 0.0); }), "(no error)");
}

TEST(FirstBreak, FindsTheOnsetOfTheStrongestArrivalAboveTheMeanLevel)
{
    // A level of 1000 (an unsigned file's zero not taken away), a weak precursor at sample 5,
    // the direct wave rising over samples 8..10 to 1000 above the level.
    std::vector<float> trace(64, 1000.0f);
    trace[5] = 1300.0f;
    trace[8] = 1200.0f;
    trace[9] = 1600.0f;
    trace[10] = 2000.0f;
    trace[11] = 200.0f;
    // The mean level of 64 samples is 1000 + (300 + 200 + 600 + 1000 - 800) / 64 = 1020.3; the
    // peak magnitude is 1000 - 20.3 = 979.7 (sample 10), half of it 489.8: sample 9 (579.7) is
    // the first to reach it, the precursor (279.7) is not.
    EXPECT_EQ(FirstBreakSample(trace), 9U);
    EXPECT_EQ(FirstBreakSample(trace, 0.25), 5U);
    EXPECT_EQ(FirstBreakSample(trace, 1.0), 10U);
    EXPECT_EQ(FirstBreakSample(std::vector<float>(16, 7.0f)), 0U);
    EXPECT_EQ(FirstBreakSample({}), 0U);
}

} // namespace
} // namespace trassel
