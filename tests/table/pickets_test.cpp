#include "base/error.h"
#include "base/numbers.h"
#include "table/pickets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

using namespace trassel;

TEST(RecalcPickets, WorkedRows)
{
    struct Case {
        const char* km;
        const char* m;
        const char* p;
        const char* plus;
    };
    const Case cases[] = {
        {"12", "345.6", "123.46", "123+46"},
        {"12", "300", "123", "123"},
        {"12", "350", "123.5", "123+5"},
        {"0", "5", "0.05", "0+05"},
        {"7", "1250", "82.5", "82+5"},
        {"12.3", "45", "123.45", "123+45"},
        {"-1", "50", "-9.5", "-9+5"},
        {"12,5", "40", "120.4", "120+4"},
        {"", "", "0", "0"},
        {"км", "м", "0", "0"},
    };
    const int n = static_cast<int>(std::size(cases));
    Grid g(4, n + 2);
    g.setCell(1, 1, "км");
    g.setCell(2, 1, "м");
    g.setCell(3, 2, "depth kept");
    for (int i = 0; i < n; ++i) {
        g.setCell(1, i + 2, cases[i].km);
        g.setCell(2, i + 2, cases[i].m);
    }
    RecalcPickets(g, 1);
    EXPECT_EQ(g.cell(1, 1), "км");
    EXPECT_EQ(g.cell(3, 2), "depth kept");
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(g.cell(1, i + 2), cases[i].p) << i;
        EXPECT_EQ(g.cell(2, i + 2), cases[i].plus) << i;
    }
    // Rows past the data turn into zeros.
    EXPECT_EQ(g.cell(1, n + 1), "0");
}

TEST(RecalcPickets, HeaderRowsAreNeverOverwrittenWhateverTheirNumber)
{
    Grid g(3, 5);
    g.setCell(1, 1, "Участок");
    g.setCell(1, 2, "км");
    g.setCell(1, 3, "12");
    g.setCell(2, 3, "345.6");
    RecalcPickets(g, 2);
    EXPECT_EQ(g.cell(1, 1), "Участок");
    EXPECT_EQ(g.cell(1, 2), "км");
    EXPECT_EQ(g.cell(1, 3), "123.46");

    Grid none(3, 3); // no header row: row 1 is data
    none.setCell(1, 1, "1");
    none.setCell(2, 1, "5");
    RecalcPickets(none, 0);
    EXPECT_EQ(none.cell(1, 1), "10.05");
    EXPECT_EQ(none.cell(2, 1), "10+05");
}

TEST(RecalcPickets, RunningTwiceTreatsPicketsAsKilometres)
{
    Grid g(3, 3);
    g.setCell(1, 2, "12");
    g.setCell(2, 2, "345.6");
    RecalcPickets(g, 1);
    RecalcPickets(g, 1);
    EXPECT_EQ(g.cell(1, 2), "1235.83");
    EXPECT_EQ(g.cell(2, 2), "1235+83");
}

TEST(PicketLabel, MetreAndWholePicketLabels)
{
    EXPECT_EQ(PicketLabel("123.46"), "+46");
    EXPECT_EQ(PicketLabel("123"), "ПК123+00");
    EXPECT_EQ(PicketLabel("123.5"), "+50");
    EXPECT_EQ(PicketLabel("123.05"), "+5");
    EXPECT_EQ(PicketLabel("0.99"), "+99");
    EXPECT_EQ(PicketLabel("12.345"), "+35");
    EXPECT_EQ(PicketLabel("10.00"), "ПК10.00+00");
    EXPECT_EQ(PicketLabel("10.004"), "ПК10.004+00");
    EXPECT_EQ(PicketLabel("10.996"), "+100");
    EXPECT_THROW(PicketLabel("123+46"), Error);
}

TEST(RecalcPickets, WholeKilometresAndMetresGiveTheTextOfTheGeneralRule)
{
    // Whole kilometres and metres are spelled from the whole number of metres: every text must
    // be the general rule's (the picket rounded to two decimals, then its shortest text).
    std::vector<std::pair<long long, long long>> pairs;
    for (long long km = -3000; km <= 3000; km += 37)
        for (long long m = -50; m <= 1100; m += 7)
            pairs.emplace_back(km, m);
    std::mt19937_64 rnd(5);
    for (int i = 0; i < 5000; ++i) {
        const long long scale = 1LL << (rnd() % 40);
        pairs.emplace_back(static_cast<long long>(rnd() % (2 * scale)) - scale,
                           static_cast<long long>(rnd() % (2 * scale)) - scale);
    }
    pairs.emplace_back(99'999'999'999LL, 99'999'999'999LL);   // the largest the short way takes
    pairs.emplace_back(100'000'000'000LL, 5);                 // the general way
    pairs.emplace_back(999'999'999'999LL, 999'999'999'999LL); // fifteen digits and more: fewer decimals
    Grid g(3, static_cast<int>(pairs.size()) + 1);
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        g.setCell(1, static_cast<int>(i) + 1, std::to_string(pairs[i].first));
        g.setCell(2, static_cast<int>(i) + 1, std::to_string(pairs[i].second));
    }
    RecalcPickets(g, 0);
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        const std::string want = NumberToText(
            PicketFromKmM(static_cast<double>(pairs[i].first), static_cast<double>(pairs[i].second)));
        ASSERT_EQ(g.cell(1, static_cast<int>(i) + 1), want) << pairs[i].first << " km " << pairs[i].second << " m";
        std::string plus = want;
        std::replace(plus.begin(), plus.end(), '.', '+');
        ASSERT_EQ(g.cell(2, static_cast<int>(i) + 1), plus);
    }
}
