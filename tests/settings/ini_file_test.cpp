#include "settings/ini_file.h"
#include "settings/options_file.h"

#include "support/error_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include "support/test_process.h"

using namespace trassel;
namespace fs = std::filesystem;

namespace {

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("trassel-ini-" + std::to_string(test::ProcessId()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        path = (dir / "TrasselOptions.ini").string();
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string bytes() const
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void put(const std::string& text) const { std::ofstream(path, std::ios::binary) << text; }

    fs::path dir;
    std::string path;
};

// The values the controls start with.
OptionValues StartingControls()
{
    OptionValues v;
    v.delimiterIndex = -1;
    v.picketColumnText = "1";
    v.cursorHorzSize = 10;
    v.cursorVertSize = 10;
    v.vertIncrement = "1";
    return v;
}

} // namespace

TEST_F(SettingsFile, ASaveFromTheStartWritesThreeSectionsTheLastWithACyrillicEs)
{
    IniFile file(path);
    SaveOptions(file, StartingControls());
    EXPECT_EQ(bytes(), "[SourceTable]\r\nDelimiter=-1\r\nNamberColX=1\r\n"
                       "[Cursor]\r\nHorizSize=10\r\nVertSize=10\r\nHorizMarkVisible=1\r\nVertMarkVisible=1\r\n"
                       "[\xD1ursor]\r\nVertIncrementDecrement=1\r\n");
    const OptionValues back = LoadOptions(file);
    EXPECT_EQ(back.delimiterIndex, -1);
    EXPECT_EQ(back.picketColumnText, "1");
    EXPECT_EQ(back.cursorHorzSize, 10);
    EXPECT_EQ(back.vertIncrement, "1");
}

TEST_F(SettingsFile, MissingAndUnreadableValuesGiveTheirDefaults)
{
    IniFile file(path);
    OptionValues v = LoadOptions(file); // no file at all
    EXPECT_EQ(v.delimiterIndex, 0);
    EXPECT_EQ(v.picketColumnText, "1");
    EXPECT_EQ(v.cursorHorzSize, 20);
    EXPECT_EQ(v.cursorVertSize, 20);
    EXPECT_TRUE(v.cursorHorizMarkVisible);
    EXPECT_TRUE(v.cursorVertMarkVisible);
    EXPECT_EQ(v.vertIncrement, "100");
    EXPECT_FALSE(fs::exists(path)); // reading creates nothing

    // Names in any letter case, blanks around values, a flag of 2, a size that is not a number.
    put("[sourcetable]\nDELIMITER = 2 \n[CURSOR]\nHorizSize=abc\nHorizMarkVisible=2\nVertMarkVisible=0\n"
        "[\xF1URSOR]\nvertincrementdecrement=  5 \n");
    v = LoadOptions(file);
    EXPECT_EQ(v.delimiterIndex, 2);
    EXPECT_EQ(v.cursorHorzSize, 20);
    EXPECT_TRUE(v.cursorHorizMarkVisible);
    EXPECT_FALSE(v.cursorVertMarkVisible);
    EXPECT_EQ(v.vertIncrement, "5");
    // The Latin "Cursor" is another section than the Cyrillic one.
    put("[Cursor]\nVertIncrementDecrement=7\n");
    EXPECT_EQ(LoadOptions(file).vertIncrement, "100");
}

TEST_F(SettingsFile, AWriteChangesOnlyItsKeyAndKeepsEveryOtherLine)
{
    put("; notes of the user\n[SourceTable]\nOther=x\nnambercolx=4\n\n[Cursor]\nHorizSize=3\n");
    IniFile file(path);
    file.writeInteger("SourceTable", "NamberColX", 9);          // in place, its name as written now
    file.writeInteger("SourceTable", "Delimiter", 1);           // appended to its section
    file.write("\xD0\xA1ursor", "VertIncrementDecrement", "Ж"); // a new section at the end
    EXPECT_EQ(bytes(),
              "; notes of the user\n[SourceTable]\nOther=x\nNamberColX=9\nDelimiter=1\r\n\n[Cursor]\nHorizSize=3\n"
              "[\xD1ursor]\r\nVertIncrementDecrement=\xC6\r\n");
    EXPECT_EQ(file.readString("\xD0\xA1ursor", "VertIncrementDecrement", ""), "Ж");
}

TEST_F(SettingsFile, FailuresStopTheSaveWhereTheyArise)
{
    // A picket column that is not an integer: "Delimiter" is written, the rest keeps its values.
    put("[SourceTable]\r\nDelimiter=3\r\nNamberColX=5\r\n");
    IniFile file(path);
    OptionValues v = StartingControls();
    v.picketColumnText = "abc";
    EXPECT_EQ(errorText([&] { SaveOptions(file, v); }), "'abc' is not a valid integer value");
    EXPECT_EQ(bytes(), "[SourceTable]\r\nDelimiter=-1\r\nNamberColX=5\r\n");

    // A file that cannot be written: the first write fails with the path, nothing is written.
    const std::string missing = (dir / "no such folder" / "TrasselOptions.ini").string();
    IniFile nowhere(missing);
    EXPECT_EQ(errorText([&] { SaveOptions(nowhere, StartingControls()); }), "Unable to write to " + missing);
    EXPECT_FALSE(fs::exists(dir / "no such folder"));
    // A write leaves no temporary file beside the settings.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}
