// Reading the soil list file: the encodings its byte-order mark selects, the three line ends,
// and damaged text that must still read.
#include "dialogs/soil_list.h"

#include "base/error.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace trassel {
namespace {

using Lines = std::vector<std::string>;

std::string bytes(std::initializer_list<unsigned char> list) { return std::string(list.begin(), list.end()); }

TEST(SoilList, LineEndsAndTheLastLine)
{
    // "Глина" and "Торф" in Windows-1251, each ended by CR LF.
    const std::string glina = bytes({0xC3, 0xEB, 0xE8, 0xED, 0xE0});
    const std::string torf = bytes({0xD2, 0xEE, 0xF0, 0xF4});
    EXPECT_EQ(ReadSoilList(glina + "\r\n" + torf + "\r\n"), (Lines{"Глина", "Торф"}));

    EXPECT_EQ(ReadSoilList(""), Lines{});
    EXPECT_EQ(ReadSoilList("a"), (Lines{"a"}));
    EXPECT_EQ(ReadSoilList("a\n"), (Lines{"a"}));
    EXPECT_EQ(ReadSoilList("a\r"), (Lines{"a"}));
    EXPECT_EQ(ReadSoilList("a\r\nb"), (Lines{"a", "b"}));
    EXPECT_EQ(ReadSoilList("a\nb\rc\r\nd"), (Lines{"a", "b", "c", "d"}));
    // Only one line end is taken off the end; one more is an empty last line.
    EXPECT_EQ(ReadSoilList("a\r\n\r\n"), (Lines{"a", ""}));
    EXPECT_EQ(ReadSoilList("\r\n"), (Lines{""}));
    EXPECT_EQ(ReadSoilList("\n\n"), (Lines{"", ""}));
    // LF CR is two line ends, CR CR LF too.
    EXPECT_EQ(ReadSoilList("a\n\rb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(ReadSoilList("a\r\r\nb"), (Lines{"a", "", "b"}));
    // Empty lines in between and blanks are kept as they are.
    EXPECT_EQ(ReadSoilList("  a \r\n\r\n\tb\r\n "), (Lines{"  a ", "", "\tb", " "}));
    EXPECT_EQ(ReadSoilList(std::string("a\0b\n", 4)), (Lines{std::string("a\0b", 3)}));
}

TEST(SoilList, ByteOrderMarksSelectTheEncoding)
{
    // UTF-8 with a mark; the mark is not part of the first line.
    EXPECT_EQ(ReadSoilList("\xEF\xBB\xBFПесок\r\nСуглинок\r\n"), (Lines{"Песок", "Суглинок"}));
    EXPECT_EQ(ReadSoilList("\xEF\xBB\xBF"), Lines{});
    // The same bytes without the mark are Windows-1251 (each byte one letter).
    EXPECT_EQ(ReadSoilList("\xD0\x9F"), (Lines{"Рџ"}));
    // UTF-16 little endian: "Ил", CR LF, "Торф" with a character outside the basic plane.
    EXPECT_EQ(ReadSoilList(bytes({0xFF, 0xFE, 0x18, 0x04, 0x3B, 0x04, 0x0D, 0x00, 0x0A, 0x00, 0x22,
                                  0x04, 0x3E, 0x04, 0x40, 0x04, 0x44, 0x04, 0x3D, 0xD8, 0x00, 0xDE})),
              (Lines{"Ил", "Торф\xF0\x9F\x98\x80"}));
    // UTF-16 big endian, lines ended by CR and by LF; the bytes 0x0D and 0x0A inside a
    // character ("č" U+010D, "Ċ" U+010A) end no line.
    EXPECT_EQ(ReadSoilList(bytes({0xFE, 0xFF, 0x04, 0x1F, 0x00, 0x0D, 0x01, 0x0D, 0x00, 0x0A, 0x01, 0x0A})),
              (Lines{"П", "č", "Ċ"}));
    // Only the first mark is taken off: a second one is a character of the line (U+FEFF).
    EXPECT_EQ(ReadSoilList(bytes({0xFF, 0xFE, 0xFF, 0xFE, 0x41, 0x00})), (Lines{"\xEF\xBB\xBF"
                                                                                "A"}));
    EXPECT_EQ(ReadSoilList("\xEF\xBB\xBF\xEF\xBB\xBF"
                           "a"),
              (Lines{"\xEF\xBB\xBF"
                     "a"}));
    // Windows-1251 letters that are not Cyrillic: "№", and 0x98, which the code page leaves
    // unassigned and which is kept as U+0098.
    EXPECT_EQ(ReadSoilList(bytes({0xB9, 0x31, 0x98})), (Lines{"№1\xC2\x98"}));
}

TEST(SoilList, DamagedTextReadsWithQuestionMarks)
{
    // UTF-16: an odd last byte, a lone high surrogate before a line end, a lone low surrogate,
    // a high surrogate at the very end.
    EXPECT_EQ(ReadSoilList(bytes({0xFF, 0xFE, 0x41, 0x00, 0x42})), (Lines{"A?"}));
    EXPECT_EQ(ReadSoilList(bytes({0xFF, 0xFE, 0x3D, 0xD8, 0x0A, 0x00, 0x00, 0xDE, 0x41, 0x00})), (Lines{"?", "?A"}));
    EXPECT_EQ(ReadSoilList(bytes({0xFE, 0xFF, 0x00, 0x41, 0xD8, 0x3D})), (Lines{"A?"}));
    EXPECT_EQ(ReadSoilList(bytes({0xFE, 0xFF, 0x00})), (Lines{"?"}));
    // UTF-8 after its mark: a stray continuation byte, a truncated sequence before a line end
    // (which still ends the line), an overlong form, an encoded surrogate, a byte never used.
    EXPECT_EQ(ReadSoilList("\xEF\xBB\xBF"
                           "a\x80"
                           "b"),
              (Lines{"a?b"}));
    EXPECT_EQ(ReadSoilList("\xEF\xBB\xBF\xD0\r\n\xE2\x82\nz"), (Lines{"?", "?", "z"}));
    EXPECT_EQ(ReadSoilList("\xEF\xBB\xBF\xC0\xAF"), (Lines{"??"}));
    EXPECT_EQ(ReadSoilList("\xEF\xBB\xBF\xED\xA0\x80"), (Lines{"???"}));
    EXPECT_EQ(ReadSoilList("\xEF\xBB\xBF\xFF\xF4\x90\x80\x80"), (Lines{"?????"}));
    EXPECT_EQ(ReadSoilList("\xEF\xBB\xBF\xF0\x9F\x98\x80\xF0\x9F\x98"), (Lines{"\xF0\x9F\x98\x80?"}));
}

TEST(SoilList, AFileWhoseLinesWouldTakeTooMuchMemoryIsRefused)
{
    // With a limit of 1 KB beyond the file: four entries fit, five do not, in every encoding
    // and with every line end.
    const std::size_t slack = 1024;
    const std::size_t fit = (slack + 8) / kSoilEntryBytes;
    EXPECT_EQ(ReadSoilList(std::string(fit, '\n'), slack).size(), fit);
    const std::string many(fit + 1, '\n');
    auto refusal = [&](const std::string& text) {
        try {
            ReadSoilList(text, slack);
        } catch (const Error& e) {
            return std::string(e.what());
        }
        return std::string("(read)");
    };
    EXPECT_EQ(refusal(many), "Недостаточно памяти для списка грунтов из этого файла: " + std::to_string(fit + 1) +
                                 " строк заняли бы 1 МБ, а допускается не больше 0 МБ (размер файла и ещё 0 МБ)");
    std::string crlf;
    for (std::size_t i = 0; i < fit + 1; ++i)
        crlf += i % 2 == 0 ? "\r\n" : "\r";
    EXPECT_NE(refusal(crlf), "(read)");
    EXPECT_NE(refusal("\xEF\xBB\xBF" + many), "(read)");
    std::string utf16 = "\xFF\xFE";
    for (std::size_t i = 0; i < fit + 1; ++i)
        utf16 += std::string("\n\0", 2);
    EXPECT_NE(refusal(utf16), "(read)");
    // A CR LF pair is one line end, and a last line without an end counts too.
    std::string pairs;
    for (std::size_t i = 0; i < fit; ++i)
        pairs += "\r\n";
    EXPECT_EQ(ReadSoilList(pairs, slack).size(), fit);
    EXPECT_NE(refusal(pairs + "x"), "(read)");
    // The default allows a list of ordinary names many times over.
    std::string names;
    for (int i = 0; i < 100'000; ++i)
        names += "Суглинок тугопластичный\r\n";
    EXPECT_EQ(ReadSoilList(names).size(), 100'000U);
}

} // namespace
} // namespace trassel
