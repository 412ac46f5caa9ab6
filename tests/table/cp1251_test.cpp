#include "base/cp1251.h"

#include <gtest/gtest.h>

using namespace trassel;

TEST(Cp1251, DecodesAndEncodesTheWholeCodePage)
{
    EXPECT_EQ(DecodeCp1251("\xEA\xEC"), "км");
    EXPECT_EQ(DecodeCp1251("\xC1\xE0\xEB\xEB\xE0\xF1\xF2"), "Балласт");
    EXPECT_EQ(DecodeCp1251("\xA8\xB8\xB9"), "Ёё№");
    EXPECT_EQ(EncodeCp1251("Суглинок"), "\xD1\xF3\xE3\xEB\xE8\xED\xEE\xEA");
    // Every byte survives a round trip, the unassigned 0x98 included.
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(EncodeCp1251(DecodeCp1251(all)), all);
}

TEST(Cp1251, CharactersTheCodePageLacksBecomeQuestionMarks)
{
    EXPECT_EQ(EncodeCp1251("a€b"), "a\x88"
                                   "b"); // the euro sign is in the code page
    EXPECT_EQ(EncodeCp1251("日本"), "??");
    EXPECT_EQ(EncodeCp1251("x\xC3"), "x?"); // truncated UTF-8 sequence
    EXPECT_EQ(EncodeCp1251("\xFF"
                           "a"),
              "?a"); // not UTF-8 at all
    EXPECT_EQ(EncodeCp1251("😀"), "?");
    EXPECT_TRUE(IsAscii("12.5\t3"));
    EXPECT_FALSE(IsAscii("\xEA"));
}

TEST(Cp1251, MalformedUtf8BecomesAQuestionMarkNeverANul)
{
    EXPECT_EQ(EncodeCp1251(std::string("a\xC0\x80"
                                       "b",
                                       4)),
              "a?b");                                 // overlong NUL
    EXPECT_EQ(EncodeCp1251("\xE0\x80\xAF"), "?");     // overlong "/"
    EXPECT_EQ(EncodeCp1251("\xED\xA0\x80"), "?");     // a surrogate
    EXPECT_EQ(EncodeCp1251("\xF4\x90\x80\x80"), "?"); // past U+10FFFF
    EXPECT_EQ(EncodeCp1251("\xD0\x96"), "\xC6");      // "Ж" still encodes
}
