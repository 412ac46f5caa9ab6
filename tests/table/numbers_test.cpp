#include "base/error.h"
#include "base/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <cstdlib>
#include <string>

using namespace trassel;

TEST(NumberReading, StrictAcceptsPlainDecimalsOnly)
{
    EXPECT_DOUBLE_EQ(ReadStrict(" 12.5 "), 12.5);
    EXPECT_DOUBLE_EQ(ReadStrict("-3"), -3.0);
    EXPECT_DOUBLE_EQ(ReadStrict("1e2"), 100.0);
    EXPECT_DOUBLE_EQ(ReadStrict("+2.5E-1"), 0.25);
    EXPECT_DOUBLE_EQ(ReadStrict(".5"), 0.5);
    for (const char* bad : {"12,5", "", "   ", "abc", "1e", "12.5.1", "123+46", "--1", "1 2", "\t1"}) {
        try {
            ReadStrict(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), std::string("'") + bad + "' is not a valid floating point value");
        }
    }
}

TEST(NumberReading, LenientTakesTheLeadingNumber)
{
    EXPECT_DOUBLE_EQ(ReadLenient("12,5"), 12.0);
    EXPECT_DOUBLE_EQ(ReadLenient(""), 0.0);
    EXPECT_DOUBLE_EQ(ReadLenient("км"), 0.0);
    EXPECT_DOUBLE_EQ(ReadLenient("  7abc"), 7.0);
    EXPECT_DOUBLE_EQ(ReadLenient("123+46"), 123.0);
    EXPECT_DOUBLE_EQ(ReadLenient("1e"), 1.0);
    EXPECT_DOUBLE_EQ(ReadLenient("-0.5e1x"), -5.0);
    EXPECT_DOUBLE_EQ(ReadLenient("-"), 0.0);
    EXPECT_DOUBLE_EQ(ReadLenient("1e999999"), 0.0); // no finite value: treated as no number
}

TEST(NumberReading, IntegerReadingAndItsMessage)
{
    EXPECT_EQ(ReadInteger("3"), 3);
    EXPECT_EQ(ReadInteger(" -12 "), -12);
    for (const char* bad : {"", "1.5", "x", "99999999999", "3a"}) {
        try {
            ReadInteger(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), std::string("'") + bad + "' is not a valid integer value");
        }
    }
}

TEST(NumberReading, TheQuestionFormsAnswerAsTheReadersDo)
{
    // Asking "is this a number?" gives what the throwing reader gives, for numbers and not.
    for (const char* text :
         {" 12.5 ", "-3", "1e2", ".5", "12,5", "", "abc", "1e", "1e999999", "\t1", "99999999999", " -12 ", "3a"}) {
        SCOPED_TRACE(text);
        const std::optional<double> strict = TryReadStrict(text);
        try {
            const double thrown = ReadStrict(text);
            ASSERT_TRUE(strict.has_value());
            EXPECT_EQ(*strict, thrown);
        } catch (const Error&) {
            EXPECT_FALSE(strict.has_value());
        }
        const std::optional<int> integer = TryReadInteger(text);
        try {
            const int thrown = ReadInteger(text);
            ASSERT_TRUE(integer.has_value());
            EXPECT_EQ(*integer, thrown);
        } catch (const Error&) {
            EXPECT_FALSE(integer.has_value());
        }
    }
    EXPECT_EQ(TryReadInteger("-2147483648"), std::numeric_limits<int>::min());
    EXPECT_EQ(TryReadInteger("2147483648"), std::nullopt);
}

TEST(NumberRounding, HalvesGoToTheEvenNeighbour)
{
    EXPECT_EQ(RoundTo(2.5, 0), 2.0);
    EXPECT_EQ(RoundTo(3.5, 0), 4.0);
    EXPECT_EQ(RoundTo(-2.5, 0), -2.0);
    EXPECT_EQ(RoundTo(117.4, 0), 117.0);
    EXPECT_EQ(RoundTo(12.125, 2), 12.12);
    EXPECT_EQ(RoundTo(12.3, 2), 12.3);
    // 12.345 is stored a hair above the half: the extended product sees it.
    EXPECT_EQ(RoundTo(12.345, 2), 12.35);
    EXPECT_EQ(RoundTo(123.456, 2), 123.46);
}

TEST(NumberToText, ShortestGeneralForm)
{
    EXPECT_EQ(NumberToText(123.5), "123.5");
    EXPECT_EQ(NumberToText(123.0), "123");
    EXPECT_EQ(NumberToText(0.05), "0.05");
    EXPECT_EQ(NumberToText(-9.5), "-9.5");
    EXPECT_EQ(NumberToText(0.0), "0");
    EXPECT_EQ(NumberToText(123.46), "123.46");
    EXPECT_EQ(NumberToText(0.1 + 0.2), "0.3"); // 15 significant digits hide the binary noise
    EXPECT_EQ(NumberToText(0.00001), "0.00001");
    EXPECT_EQ(NumberToText(0.000001), "1E-6");
    EXPECT_EQ(NumberToText(123456789012345.0), "123456789012345");
    EXPECT_EQ(NumberToText(1234567890123456.0), "1.23456789012346E15");
    EXPECT_EQ(NumberToText(-1.5e20), "-1.5E20");
    EXPECT_EQ(IntToText(-42), "-42");
}

TEST(NumberReading, AgreesWithTheLibraryParserOnManyDecimals)
{
    // The quick path for short decimals must give the correctly rounded value.
    std::uint64_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        return seed >> 33;
    };
    for (int i = 0; i < 20000; ++i) {
        const bool negative = next() % 4 == 0;
        std::string text = std::to_string(next() % 100000000);
        const auto decimals = static_cast<std::size_t>(next() % 9);
        if (decimals > 0)
            text.insert(text.size() > decimals ? text.size() - decimals : 0, ".");
        if (negative)
            text.insert(0, "-");
        const double expected = std::strtod(text.c_str(), nullptr);
        ASSERT_EQ(ReadStrict(text), expected) << text;
        ASSERT_EQ(ReadStrict(NumberToText(expected)), expected) << text;
    }
    EXPECT_EQ(ReadStrict("123456789012345.6"), 123456789012345.6);
    EXPECT_EQ(ReadStrict("0.1"), 0.1);
    EXPECT_EQ(ReadStrict("-0"), 0.0);
}

TEST(NumbersRoundTrip, LongDigitRunsAndTheExtremesReadBackAndPrintTheSame)
{
    // Twenty digits and more: no overflow of the fast path, the value of the digits.
    EXPECT_DOUBLE_EQ(ReadStrict("12345678901234567890"), 12345678901234567890.0);
    EXPECT_DOUBLE_EQ(ReadLenient("99999999999999999999999x"), 1e23);
    EXPECT_DOUBLE_EQ(ReadStrict(std::string(400, '0') + "1.5"), 1.5);
    EXPECT_DOUBLE_EQ(ReadStrict("0." + std::string(30, '9')), 1.0);
    for (const double v : {std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(),
                           std::numeric_limits<double>::min(), std::numeric_limits<double>::denorm_min(),
                           0.0000099999999999999995, 9.99999999999999e-6, 999999999999999.5, 1e15, 0.1 + 0.2}) {
        const std::string text = NumberToText(v);
        double back = 0;
        ASSERT_NO_THROW(back = ReadStrict(text)) << text;
        EXPECT_EQ(NumberToText(back), text) << v;
    }
    EXPECT_EQ(NumberToText(0.0000099999999999999995), "0.00001");
    EXPECT_EQ(NumberToText(9.99999999999999e-6), "9.99999999999999E-6");
}

// The text read bit for bit: -0 and 0 differ, as do two NaNs never met here.
bool SameReading(std::optional<double> a, std::optional<double> b)
{
    if (a.has_value() != b.has_value())
        return false;
    return !a || (*a == *b && std::signbit(*a) == std::signbit(*b));
}

TEST(NumberReading, TheOnePassReadingOfPlainCellsAgreesWithTheFullOne)
{
    // Table cells are read in one pass when they are a plain decimal with nothing around it; a
    // blank in front always takes the full reading, so the two can be set side by side.
    const auto full = [](const std::string& text) { return TryReadStrict(" " + text); };
    for (const char* text : {"0",
                             "-0",
                             "+0",
                             "00012.50",
                             "1.",
                             ".5",
                             "-.5",
                             "+.5",
                             ".",
                             "-",
                             "+",
                             "",
                             "25",
                             "123456789012345",
                             "1234567890123456",
                             "0.000000000000001",
                             "000000000000000000001",
                             "12,5",
                             "1e2",
                             "1E-2",
                             "1e",
                             "1.5.1",
                             "--1",
                             "+-1",
                             "1-",
                             "12 5",
                             "1\t",
                             "\t1",
                             "nan",
                             "inf",
                             "0x10",
                             "12+34",
                             "999999999999999.9",
                             "-999999999999999"}) {
        SCOPED_TRACE(text);
        EXPECT_TRUE(SameReading(TryReadStrict(text), full(text)));
    }
    EXPECT_TRUE(SameReading(TryReadStrict("-0"), -0.0));
    EXPECT_TRUE(SameReading(TryReadStrict("00012.50"), 12.5));
    EXPECT_FALSE(TryReadStrict("12,5").has_value());
    EXPECT_FALSE(TryReadStrict("").has_value());
    EXPECT_EQ(TryReadStrict(" 7 "), 7.0);

    // Random cells of the characters a survey's cells hold, right and wrong.
    std::uint64_t seed = 99;
    auto next = [&seed](std::uint64_t n) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        return (seed >> 33) % n;
    };
    const std::string alphabet = "0123456789012345678901234567890123456789..-+eE, x";
    for (int i = 0; i < 200000; ++i) {
        std::string text;
        const std::uint64_t length = next(22);
        for (std::uint64_t k = 0; k < length; ++k)
            text += alphabet[next(alphabet.size())];
        ASSERT_TRUE(SameReading(TryReadStrict(text), full(text))) << "'" << text << "'";
    }
}

TEST(NumberReading, ACellReadAWordAtATimeReadsAsOneReadAByteAtATime)
{
    // Cells of every length, before rows long enough to be read a word at a time and rows too
    // short for it, with the separators files use: the cell's end and its number must be what
    // the byte-by-byte reading finds, a cell it does not take being refused.
    std::uint64_t seed = 13;
    auto next = [&seed](std::uint64_t n) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        return (seed >> 33) % n;
    };
    const std::string alphabet = "0123456789012345678901234567890123456789..-+eE x\t;";
    for (int i = 0; i < 300000; ++i) {
        const char separator = "\t; ,"[next(4)];
        std::string row;
        const std::uint64_t length = next(12);
        for (std::uint64_t k = 0; k < length; ++k)
            row += alphabet[next(alphabet.size())];
        if (next(3) != 0)
            row += separator + std::string(next(12), '7');
        const char* const end = row.data() + row.size();
        double byByte = -1;
        const char* stop = ReadPlainDecimalPrefix(row.data(), end, byByte);
        if (stop != nullptr && stop != end && *stop != separator)
            stop = nullptr;
        double byWord = -2;
        const char* cell = ReadPlainDecimalCell(row.data(), end, separator, byWord);
        ASSERT_EQ(cell, stop) << "'" << row << "'";
        if (cell != nullptr) {
            ASSERT_TRUE(SameReading(byWord, byByte)) << "'" << row << "'";
        }
    }
    double value = 0;
    const std::string row = "1234.5\t67\t89";
    EXPECT_EQ(ReadPlainDecimalCell(row.data(), row.data() + row.size(), '\t', value), row.data() + 6);
    EXPECT_EQ(value, 1234.5);
    for (const char* cell : {"12.3.4\t5678", "12e4\t5678", ".\t5678901", "1234567\t8", "12345678\t9"}) {
        const std::string t = cell;
        const char* stop = ReadPlainDecimalCell(t.data(), t.data() + t.size(), '\t', value);
        EXPECT_EQ(stop == nullptr, t.starts_with("12.3") || t.starts_with("12e") || t.starts_with(".")) << cell;
        if (stop != nullptr) {
            EXPECT_EQ(*stop, '\t') << cell;
        }
    }
}

TEST(NumberReading, APlainCellReadWhileItsEndIsFoundReadsAsTheStrictReading)
{
    // A row reader parses a cell up to the first byte that is not part of a plain decimal: when
    // that byte is the separator (or the row's end), the cell must read exactly as the strict
    // reading reads it; anywhere else the reader falls back to the strict reading.
    const auto check = [](const std::string& cell) {
        for (const std::string& row : {cell + "\t12.5\t", cell}) {
            double value = -1;
            const char* const end = row.data() + row.size();
            const char* stop = ReadPlainDecimalPrefix(row.data(), end, value);
            const auto at = stop == nullptr ? std::string::npos : static_cast<std::size_t>(stop - row.data());
            if (at != cell.size())
                continue;
            const std::optional<double> strict = TryReadStrict(cell);
            if (!SameReading(value, strict))
                return false;
        }
        return true;
    };
    for (const char* cell : {"0", "-0", "+7", "00012.50", "1.", ".5", "-.5", "123456789012345", "999999999999999.9"})
        EXPECT_TRUE(check(cell)) << cell;
    double value = 0;
    const std::string row = "12.5\t7";
    EXPECT_EQ(ReadPlainDecimalPrefix(row.data(), row.data() + row.size(), value), row.data() + 4);
    EXPECT_EQ(value, 12.5);
    // No digit, or more than 15: no reading at all. A second point or a letter stops it.
    for (const char* none : {"", ".", "-", "+", "\t1", " 1", "1234567890123456", "0000000000000001"}) {
        const std::string t = none;
        EXPECT_EQ(ReadPlainDecimalPrefix(t.data(), t.data() + t.size(), value), nullptr) << none;
    }
    for (const char* stopped : {"1.5.1", "12a", "1e2", "12,5", "1 "}) {
        const std::string t = stopped;
        const char* stop = ReadPlainDecimalPrefix(t.data(), t.data() + t.size(), value);
        ASSERT_NE(stop, nullptr) << stopped;
        EXPECT_NE(stop, t.data() + t.size()) << stopped;
    }

    std::uint64_t seed = 7;
    auto next = [&seed](std::uint64_t n) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        return (seed >> 33) % n;
    };
    const std::string alphabet = "0123456789012345678901234567890123456789..-+eE, x";
    for (int i = 0; i < 100000; ++i) {
        std::string text;
        const std::uint64_t length = next(20);
        for (std::uint64_t k = 0; k < length; ++k)
            text += alphabet[next(alphabet.size())];
        ASSERT_TRUE(check(text)) << "'" << text << "'";
    }
}
