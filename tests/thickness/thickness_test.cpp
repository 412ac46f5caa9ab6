#include "base/numbers.h"
#include "thickness/analysis.h"
#include "thickness/norms.h"
#include "thickness/thickness.h"

#include "support/error_text.h"
#include "thickness/survey_grid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace trassel {
namespace {

TEST(Thickness, PicketsReadAsTheProgramWritesThem)
{
    EXPECT_EQ(PicketMetres("123.45"), 12345.0);
    EXPECT_EQ(PicketMetres("123+45"), 12345.0);
    EXPECT_EQ(PicketMetres(" 123.05 "), 12305.0); // 123.05 * 100 is not exact in a double
    EXPECT_EQ(PicketMetres("123+05"), 12305.0);
    // "Пересчет в ПК" writes 123.5 as "123+5": fifty metres, not five.
    EXPECT_EQ(PicketMetres("123+5"), 12350.0);
    EXPECT_EQ(PicketMetres("7"), 700.0);
    EXPECT_EQ(PicketMetres("-1+50"), -150.0);
    EXPECT_EQ(PicketMetres("0.001"), 0.1);
    EXPECT_EQ(PicketMetres("+5"), 500.0); // a sign, as the strict reading takes it
    for (const char* bad : {"", " ", "abc", "12+ab", "12+", "+-5", "1+2+3", "1-+2", "12,5", "1e400", "nan"})
        EXPECT_FALSE(PicketMetres(bad).has_value()) << bad;

    EXPECT_EQ(LinePositionMetres("12 км 345 м"), 12345.0);
    EXPECT_EQ(LinePositionMetres("12км345"), 12345.0);
    EXPECT_EQ(LinePositionMetres("3 км"), 3000.0);
    EXPECT_EQ(LinePositionMetres("123+45"), 12345.0);
    EXPECT_FALSE(LinePositionMetres("км 5").has_value());
    EXPECT_FALSE(LinePositionMetres("12 км -5 м").has_value());

    EXPECT_EQ(PicketText(12345), "123+45");
    EXPECT_EQ(PicketText(12305.5), "123+05.5");
    EXPECT_EQ(PicketText(100), "1+00");
    EXPECT_EQ(PicketText(-150), "-1+50");
    // What PicketText writes reads back, a fraction of a metre included.
    for (const double m : {12345.0, 12305.5, 12399.999, 100.0, -150.25, 0.5})
        EXPECT_EQ(LinePositionMetres(PicketText(m)), m) << PicketText(m);
    EXPECT_EQ(PicketMetres("123+45.5"), 12345.5);
    for (const char* bad : {"123+5.5", "123+455.5", "123+45.", "123+45.5.1", "12a+45.5", "123+4a.5"})
        EXPECT_FALSE(PicketMetres(bad).has_value()) << bad;
}

TEST(Thickness, PicketsRoundToTheMillimetreHalvesAwayFromZero)
{
    // Decimal pickets of up to nine decimals (fractions of a millimetre), of both signs: the
    // millimetre is the nearest one, a half going away from zero, and -0 stays -0.
    std::mt19937 random(21);
    for (int i = 0; i < 200000; ++i) {
        const long long whole = static_cast<long long>(random() % 2'000'000) - 1'000'000;
        const long long fraction = random() % 1'000'000'000;
        std::string text = std::to_string(std::llabs(whole)) + "." + std::to_string(1'000'000'000 + fraction).substr(1);
        if (whole < 0 || random() % 7 == 0)
            text = "-" + text;
        const std::optional<double> read = TryReadStrict(text);
        ASSERT_TRUE(read.has_value()) << text;
        const std::optional<double> m = PicketMetres(text);
        if (std::fabs(*read) > kMaxLineM / 100) {
            EXPECT_FALSE(m.has_value()) << text;
            continue;
        }
        const double expected = std::round(*read * 100.0 * 1000.0) / 1000.0;
        ASSERT_TRUE(m.has_value()) << text;
        ASSERT_EQ(*m, expected) << text;
        ASSERT_EQ(std::signbit(*m), std::signbit(expected)) << text;
    }
    EXPECT_TRUE(std::signbit(*PicketMetres("-0.000001")));
    EXPECT_EQ(PicketMetres("0.000005"), 0.001);
    EXPECT_EQ(PicketMetres("-0.000005"), -0.001);
    EXPECT_EQ(PicketMetres("-0.0000049"), -0.0);
}

TEST(Thickness, LayersBetweenBoundariesWithGapsNeverZeros)
{
    // Sleeper base 10 cm below zero; ballast down to column 2, sand down to column 3.
    const auto grid = test::SurveyGrid({"ПК", "Балласт", "Песок"}, {
                                                                       {"0.00", "50", "80"},
                                                                       {"0.10", "", "90"},
                                                                       {"0.20", "x", "85"},
                                                                       {"0.30", "45", ""},
                                                                       {"abc", "1", "2"},
                                                                       {"0.40", "0", "0"},
                                                                   });
    ComplianceSetup setup;
    setup.firstRow = 2;
    setup.lastRow = 7;
    setup.titleRow = 1;
    setup.columns = {2, 3};
    setup.norms.sleeperBaseCm = 10;
    setup.norms.layers = {{3, "Песчаная подушка", 20.0}};
    ThicknessAnalysis analysis;
    const Compliance& c = analysis.compute(*grid, setup);

    // The row whose picket cannot be read is no point of the line.
    ASSERT_EQ(c.points.rows, (std::vector<int>{2, 3, 4, 5, 7}));
    EXPECT_EQ(c.points.posM, (std::vector<double>{0, 10, 20, 30, 40}));
    EXPECT_EQ(test::Shares(c.points), (std::vector<double>{0, 5, 15, 25, 35}));
    EXPECT_EQ(test::Shares(c.points, true), (std::vector<double>{5, 15, 25, 35, 40}));
    EXPECT_EQ(c.pointOf(6), -1);
    EXPECT_EQ(c.pointOf(7), 4);

    ASSERT_EQ(c.layers.size(), 2u);
    EXPECT_EQ(c.layers[0].line.name, "Балласт"); // the column's title
    EXPECT_EQ(c.layers[1].line.name, "Песчаная подушка");
    const std::vector<double>& ballast = c.layers[0].line.thicknessCm;
    const std::vector<double>& sand = c.layers[1].line.thicknessCm;
    EXPECT_EQ(ballast[0], 40);
    EXPECT_TRUE(std::isnan(ballast[1])); // empty cell
    EXPECT_TRUE(std::isnan(ballast[2])); // not a number
    EXPECT_EQ(ballast[3], 35);
    EXPECT_EQ(ballast[4], -10); // a written 0 is a depth
    EXPECT_EQ(sand[0], 30);
    EXPECT_TRUE(std::isnan(sand[1])); // its upper boundary is missing
    EXPECT_TRUE(std::isnan(sand[2]));
    EXPECT_TRUE(std::isnan(sand[3])); // its own boundary is missing
    EXPECT_EQ(sand[4], 0);

    // The ballast has no norm (no design stretch, none of its own); the sand's is 20 cm.
    EXPECT_TRUE(std::isnan(c.layers[0].line.deviationCm(0)));
    EXPECT_EQ(c.layers[1].line.deviationCm(0), 10);
    EXPECT_EQ(c.layers[1].line.deviationCm(4), -20);
    EXPECT_TRUE(std::isnan(c.layers[1].line.deviationCm(1)));
}

TEST(Thickness, NamesFallBackToTheColumnNumber)
{
    const auto grid = test::SurveyGrid({"ПК", "  "}, {{"0", "10"}});
    DesignNorms norms;
    EXPECT_EQ(LayerName(norms, *grid, 2, 1), "К№2");
    EXPECT_EQ(LayerName(norms, *grid, 1, 1), "ПК");
    EXPECT_EQ(LayerName(norms, *grid, 1, 0), "К№1"); // a table without titles
}

TEST(Thickness, PicketsOutOfOrderAreRefusedNamingTheRows)
{
    const auto grid = test::SurveyGrid({"ПК", "Балласт"}, {{"1.00", "40"}, {"", "40"}, {"0.90", "40"}});
    ComplianceSetup setup;
    setup.firstRow = 2;
    setup.lastRow = 4;
    setup.columns = {2};
    ThicknessAnalysis analysis;
    EXPECT_EQ(errorText([&] { analysis.compute(*grid, setup); }),
              "Пикет строки 4 (0+90) меньше пикета строки 2 (1+00): пикеты должны идти по возрастанию.");
    EXPECT_FALSE(analysis.valid());
}

TEST(Norms, BallastNormComesFromTheStretchCoveringThePoint)
{
    DesignNorms n;
    n.stretches = {{0, 100, 1, Sleeper::Wooden}, {100, 200, 4, Sleeper::Concrete}, {300, 400, 3, Sleeper::Concrete}};
    EXPECT_EQ(BallastNormAt(n, 0), 35.0);
    EXPECT_EQ(BallastNormAt(n, 100), 35.0);          // a shared end belongs to the earlier stretch
    EXPECT_FALSE(BallastNormAt(n, 150).has_value()); // class 4 on concrete is left to the user
    EXPECT_FALSE(BallastNormAt(n, 250).has_value()); // no stretch
    EXPECT_EQ(BallastNormAt(n, 400), 30.0);
    EXPECT_FALSE(BallastNormAt(n, 400.001).has_value());
    EXPECT_FALSE(BallastNormAt(n, -1).has_value());

    // The ballast falls back to its own norm where no stretch gives one; other layers use theirs.
    n.layers = {{2, "", 33.0}, {3, "", 15.0}};
    EXPECT_EQ(NormOf(n, 0, 2, 50), 35);
    EXPECT_EQ(NormOf(n, 0, 2, 150), 33);
    EXPECT_EQ(NormOf(n, 1, 3, 50), 15);
    EXPECT_TRUE(std::isnan(NormOf(n, 1, 4, 50)));

    n.ballast.set(4, Sleeper::Concrete, 25.0);
    EXPECT_EQ(BallastNormAt(n, 150), 25.0);
    EXPECT_EQ(DefaultBallastTable().at(2, Sleeper::Concrete), 40.0);
    EXPECT_EQ(DefaultBallastTable().at(3, Sleeper::Wooden), 25.0);
    EXPECT_EQ(DefaultBallastTable().at(5, Sleeper::Wooden), 15.0);
    EXPECT_FALSE(DefaultBallastTable().at(6, Sleeper::Wooden).has_value());
}

TEST(Norms, NormsAlongTheLineAreThoseOfEachPoint)
{
    // Walking the stretches alongside the points gives what looking each point up gives: at
    // shared ends, in gaps, before the first and after the last stretch, where a table cell
    // is empty, and with no stretches at all.
    DesignNorms n;
    n.stretches = {{0, 100, 1, Sleeper::Wooden},
                   {100, 200, 4, Sleeper::Concrete},
                   {200, 200, 3, Sleeper::Wooden},
                   {300, 400, 3, Sleeper::Concrete},
                   {400.5, 401, 2, Sleeper::Wooden}};
    n.layers = {{2, "", 33.0}, {3, "", 15.0}};
    std::mt19937 random(3);
    std::vector<double> positions = {-5, 0, 0, 100, 100, 150, 200, 250, 300, 400, 400.25, 400.5, 401, 500};
    for (int i = 0; i < 300; ++i)
        positions.push_back(static_cast<double>(random() % 5000) / 10.0 - 20.0);
    std::sort(positions.begin(), positions.end());
    for (const auto& [index, column] : {std::pair<std::size_t, int>{0, 2}, {0, 4}, {1, 3}, {2, 4}}) {
        const std::vector<double> along = NormsAlong(n, index, column, positions);
        ASSERT_EQ(along.size(), positions.size());
        for (std::size_t i = 0; i < positions.size(); ++i) {
            const double one = NormOf(n, index, column, positions[i]);
            EXPECT_TRUE(std::isnan(one) ? std::isnan(along[i]) : along[i] == one)
                << "layer " << index << " at " << positions[i];
        }
    }
    n.stretches.clear();
    EXPECT_EQ(NormsAlong(n, 0, 2, {1, 2}), (std::vector<double>{33, 33}));
    EXPECT_TRUE(NormsAlong(n, 0, 2, {}).empty());
}

TEST(Norms, AbsurdValuesAreRefusedNamingTheField)
{
    const auto refused = [](const std::function<void(DesignNorms&)>& spoil) {
        DesignNorms n;
        n.stretches = {{0, 100, 1, Sleeper::Wooden}, {100, 200, 2, Sleeper::Concrete}};
        spoil(n);
        return errorText([&] { CheckNorms(n); });
    };
    EXPECT_EQ(refused([](DesignNorms&) {}), "(no error)");
    EXPECT_EQ(refused([](DesignNorms& n) { n.toleranceCm = -1; }),
              "Поле «допуск»: значение -1 см вне пределов 0…10000.");
    EXPECT_EQ(refused([](DesignNorms& n) { n.prismWidthM = std::nan(""); }),
              "Поле «ширина призмы»: значение не является числом.");
    EXPECT_EQ(refused([](DesignNorms& n) { n.stretches[1].toM = 50; }),
              "Поле «участок норм 2»: конец (50 м) раньше начала (100 м).");
    EXPECT_EQ(refused([](DesignNorms& n) { n.stretches[1].fromM = 99; }),
              "Поле «участок норм 2»: участок начинается (99 м) раньше конца предыдущего (100 м).");
    EXPECT_EQ(refused([](DesignNorms& n) { n.stretches[0].trackClass = 6; }),
              "Поле «участок норм 1, класс пути»: класс пути 6 не существует (допустимо 1–5).");
    EXPECT_EQ(refused([](DesignNorms& n) { n.ballast.cm[2][1] = -5.0; }),
              "Поле «норма балласта, класс 3, железобетон»: значение -5 см вне пределов 0…10000.");
    EXPECT_EQ(refused([](DesignNorms& n) {
                  n.layers = {{3, "", 10.0}, {3, "", 12.0}};
              }),
              "Поле «слой 2, колонка»: колонка 3 уже задана у слоя 1.");
    EXPECT_EQ(refused([](DesignNorms& n) {
                  n.layers = {{3, std::string(201, 'a'), 10.0}};
              }),
              "Поле «слой 1, название»: название длиннее 200 байт.");
    EXPECT_EQ(refused([](DesignNorms& n) { n.classes[1].maxSharePercent = 0; }),
              "Поле «класс состояния 2, доля ниже нормы»: 0 % не больше, чем у предыдущего класса.");
    EXPECT_EQ(refused([](DesignNorms& n) { n.classes.back().maxSharePercent = 90; }),
              "Поле «класс состояния 3, доля ниже нормы»: последний класс должен доходить до 100 %.");
    EXPECT_EQ(refused([](DesignNorms& n) { n.minLengthM = 1e9; }),
              "Поле «наименьшая длина участка»: значение 1000000000 м вне пределов 0…100000000.");

    EXPECT_EQ(ConditionOf(DefaultConditionClasses(), 0), 0);
    EXPECT_EQ(ConditionOf(DefaultConditionClasses(), 0.01), 1);
    EXPECT_EQ(ConditionOf(DefaultConditionClasses(), 20), 1);
    EXPECT_EQ(ConditionOf(DefaultConditionClasses(), 20.5), 2);
    EXPECT_EQ(ConditionOf({}, 50), -1);
}

} // namespace
} // namespace trassel
