#include "table/packed_texts.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace trassel;

namespace {

std::vector<std::string> ReadBack(const PackedTexts& packed)
{
    std::vector<std::string> out;
    PackedTexts::Reader reader(packed);
    for (std::size_t i = 0; i < packed.size(); ++i)
        out.emplace_back(reader.next());
    return out;
}

PackedTexts Pack(const std::vector<std::string>& texts)
{
    PackedTexts packed;
    for (const std::string& t : texts)
        packed.append(t);
    packed.shrinkToFit();
    return packed;
}

} // namespace

TEST(PackedTexts, EveryTextComesBackByteForByte)
{
    // Texts the step must not take for numbers, numbers it writes one way only, and steps
    // across zero, across a power of ten, with decimals and backwards.
    const std::vector<std::string> texts = {"",
                                            "",
                                            "12,5",
                                            " 7",
                                            "7 ",
                                            "abc",
                                            "+5",
                                            "05",
                                            "5.",
                                            ".5",
                                            "-0",
                                            "-0.0",
                                            "0",
                                            "0",
                                            "1",
                                            "2",
                                            "3",
                                            "1.50",
                                            "1.75",
                                            "2.00",
                                            "2.25",
                                            "0.9",
                                            "1.0",
                                            "1.1",
                                            "1.2",
                                            "1.3",
                                            "9",
                                            "10",
                                            "11",
                                            "-2",
                                            "-1",
                                            "0",
                                            "1",
                                            "-0.2",
                                            "-0.1",
                                            "0.0",
                                            "0.1",
                                            "99999999999999999",
                                            "100000000000000000",
                                            "100000000000000001",
                                            "-99999999999999999",
                                            "1e5",
                                            "1E5",
                                            "Песок",
                                            std::string("a\0b", 3),
                                            "\t",
                                            "12\r\n",
                                            "3",
                                            "4",
                                            "5",
                                            "5",
                                            "5",
                                            "6"};
    const PackedTexts packed = Pack(texts);
    EXPECT_EQ(packed.size(), texts.size());
    EXPECT_EQ(ReadBack(packed), texts);
    // Past the last text a reader gives empty texts.
    PackedTexts::Reader reader(packed);
    for (std::size_t i = 0; i < texts.size(); ++i)
        reader.next();
    EXPECT_EQ(reader.next(), "");
}

TEST(PackedTexts, SurveyColumnsTakeAFewBitsARowAndOddOnesStayExact)
{
    // Kilometres repeating for 200 rows, metres counting up by 5 m and by 0.1 m.
    std::vector<std::string> km;
    std::vector<std::string> m;
    std::vector<std::string> tenths;
    for (int r = 0; r < 100'000; ++r) {
        km.push_back(std::to_string(100 + r / 200));
        m.push_back(std::to_string((r % 200) * 5));
        tenths.push_back(std::to_string(r / 10) + "." + std::to_string(r % 10));
    }
    for (const auto* column : {&km, &m, &tenths}) {
        const PackedTexts packed = Pack(*column);
        EXPECT_EQ(ReadBack(packed), *column);
        // Two bits a row and the texts that start a run: far below the texts themselves.
        EXPECT_LT(packed.bytes(), column->size() / 3);
    }

    // Random texts (no two alike, no step) cost about their own size, and come back exact.
    std::mt19937 rnd(9);
    std::vector<std::string> random;
    std::size_t total = 0;
    for (int i = 0; i < 2000; ++i) {
        std::string t(rnd() % 12, ' ');
        for (char& c : t)
            c = static_cast<char>(rnd());
        total += t.size();
        random.push_back(t);
    }
    const PackedTexts packed = Pack(random);
    EXPECT_EQ(ReadBack(packed), random);
    EXPECT_LT(packed.bytes(), total + random.size() * 2 + 256);
}
