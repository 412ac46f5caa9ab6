// Files that are plainly not a text table are told from the tables the program reads.
#include "table/text_sniff.h"

#include <gtest/gtest.h>

#include <string>

namespace trassel {
namespace {

using namespace std::string_literals;

TEST(TextSniff, PicturesArchivesAndProgramsAreNotTextTablesAre)
{
    for (const std::string& binary : {"\x89PNG\r\n\x1A\n"s, "\xFF\xD8\xFF\xE0"s, "GIF89a\x01"s, "PK\x03\x04\x14"s,
                                      "\x1F\x8B\x08"s, "%PDF-1.7\n"s, "\xD0\xCF\x11\xE0\xA1\xB1"s,
                                      "\x7F"
                                      "ELF\x02"s,
                                      "MZ\x90\x00\x03"s, "km\tm\r\n12\t0\0\r\n"s})
        EXPECT_TRUE(LooksBinary(binary)) << binary.substr(0, 4);
    // Tables in Windows-1251 and in UTF-8, with tabs and CR LF; a table whose first word only
    // looks like a signature; an empty file.
    for (const std::string& text : {"\xEA\xEC\t\xEC\t\xC1\xE0\xEB\xEB\xE0\xF1\xF2\r\n12\t300\t51.2\r\n"s,
                                    "км\tм\tБалласт\r\n12\t300\t51,2\r\n"s, "MZ-1\t2\r\n3\t4\r\n"s, "RIFF\t10\n"s, ""s})
        EXPECT_FALSE(LooksBinary(text)) << text.substr(0, 4);
    // Only the first kilobytes are looked at: a NUL far into a long table does not count.
    std::string longTable(kSniffBytes + 10, 'a');
    longTable.back() = '\0';
    EXPECT_FALSE(LooksBinary(longTable));
}

} // namespace
} // namespace trassel
