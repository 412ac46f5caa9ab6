#include "base/error.h"
#include "base/cp1251.h"
#include "table/grid_io.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

using namespace trassel;
namespace fs = std::filesystem;

namespace {

FileBytes bytesOf(const std::string& text)
{
    FileBytes b;
    b.data = std::make_unique<char[]>(text.size() + 1);
    std::memcpy(b.data.get(), text.data(), text.size());
    b.size = text.size();
    return b;
}

// The import command's course: read, then empty the body, load, renumber, fix the header rows.
LoadResult importText(Grid& g, const std::string& text, char delimiter, int headerRows = 1)
{
    FileBytes bytes = bytesOf(text);
    if (bytes.size == 0)
        return LoadResult::Empty;
    ClearGridCells(g, 1, 1);
    const LoadResult r = LoadGridFromTextFile(g, std::move(bytes), delimiter);
    NumberGridHeaders(g);
    g.setFixedRows(headerRows + 1);
    return r;
}

class TempDir : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() /
              ("trassel_io_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string readAll(const fs::path& p)
    {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    fs::path dir;
};

} // namespace

TEST(TableImport, ThreeLinesIntoTheInitialTable)
{
    for (const std::string ending : {"\r\n", ""}) {
        Grid g(10, 20);
        NumberGridHeaders(g);
        importText(g, EncodeCp1251("км\tм\tБалласт\r\n12\t345.6\t40\r\n12\t350\t41" + ending), '\t');
        EXPECT_EQ(g.colCount(), 10);
        EXPECT_EQ(g.rowCount(), 20);
        EXPECT_EQ(g.cell(1, 1), "км");
        EXPECT_EQ(g.cell(3, 1), "Балласт");
        EXPECT_EQ(g.cell(2, 2), "345.6");
        EXPECT_EQ(g.cell(3, 3), "41");
        EXPECT_EQ(g.cell(4, 3), "");
        EXPECT_EQ(g.cell(1, 4), "");
        EXPECT_EQ(g.fixedRows(), 2);
    }
}

TEST(TableImport, GrowsToFitAndNeverShrinks)
{
    Grid g(10, 20);
    std::string text;
    for (int r = 0; r < 25; ++r) {
        for (int c = 0; c < 12; ++c)
            text += (c ? "\t" : "") + std::to_string(r * 100 + c);
        text += "\r\n";
    }
    importText(g, text, '\t');
    EXPECT_EQ(g.colCount(), 13);
    EXPECT_EQ(g.rowCount(), 26);
    EXPECT_EQ(g.cell(0, 25), "25");
    EXPECT_EQ(g.cell(12, 0), "12");
    EXPECT_EQ(g.cell(12, 25), "2411");
    importText(g, "a\r\nb\r\nc\r\n", '\t');
    EXPECT_EQ(g.rowCount(), 26);
    EXPECT_EQ(g.cell(1, 3), "c");
    EXPECT_EQ(g.cell(1, 4), "");
    EXPECT_EQ(g.cell(5, 2), "");
}

TEST(TableImport, DelimitersHaveNoQuotingAndLoneLineFeedsStayInCells)
{
    Grid g(10, 20);
    importText(g, "1;;3;\r\n", ';');
    EXPECT_EQ(g.cell(1, 1), "1");
    EXPECT_EQ(g.cell(2, 1), "");
    EXPECT_EQ(g.cell(3, 1), "3");
    EXPECT_EQ(g.cell(4, 1), "");
    importText(g, "1  2", ' ');
    EXPECT_EQ(g.cell(1, 1), "1");
    EXPECT_EQ(g.cell(2, 1), "");
    EXPECT_EQ(g.cell(3, 1), "2");
    importText(g, "a\tb\nc\td\n", '\t');
    EXPECT_EQ(g.cell(2, 1), "b\nc");
    EXPECT_EQ(g.cell(3, 1), "d\n");
    EXPECT_EQ(g.cell(1, 2), "");
    importText(g, "x\ry\r\n\"q;w\"", ';');
    EXPECT_EQ(g.cell(1, 1), "x\ry");
    EXPECT_EQ(g.cell(1, 2), "\"q");
    EXPECT_EQ(g.cell(2, 2), "w\"");
}

TEST(TableImport, EmptyFileAndSingleLineEnd)
{
    Grid g(10, 20);
    g.setCell(1, 3, "kept");
    EXPECT_EQ(importText(g, "", '\t'), LoadResult::Empty);
    EXPECT_EQ(g.cell(1, 3), "kept");
    importText(g, "\r\n", '\t');
    EXPECT_EQ(g.cell(1, 1), "");
    EXPECT_EQ(g.cell(1, 3), "");
}

TEST(TableImport, AnEmptyLineOnlyWritesColumnOne)
{
    Grid g(10, 20);
    g.setCell(1, 2, "old1");
    g.setCell(2, 2, "old2");
    LoadGridFromTextFile(g, bytesOf("a\tb\r\n\r\nc"), '\t');
    EXPECT_EQ(g.cell(1, 2), "");
    EXPECT_EQ(g.cell(2, 2), "old2");
    EXPECT_EQ(g.cell(1, 3), "c");
}

TEST(TableImport, CyrillicLinesAreDecodedToUtf8)
{
    Grid g(10, 20);
    importText(g, "\xEA\xEC\t\xEC\t\xC1\xE0\xEB\xEB\xE0\xF1\xF2\r\n1\t2\t3\r\n", '\t');
    EXPECT_EQ(g.cell(1, 1), "км");
    EXPECT_EQ(g.cell(2, 1), "м");
    EXPECT_EQ(g.cell(3, 1), "Балласт");
    EXPECT_EQ(g.cell(3, 2), "3");
}

TEST_F(TempDir, UnreadableFileIsReportedWithItsNameAndChangesNothing)
{
    Grid g(10, 20);
    g.setCell(1, 1, "kept");
    const std::string missing = (dir / "нет.txt").string();
    try {
        FileBytes b = ReadWholeFile(missing);
        FAIL() << "read a missing file";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find(missing), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("нет такого файла или папки"), std::string::npos);
    }
    EXPECT_THROW(ReadWholeFile(dir.string()), Error);
    EXPECT_EQ(g.cell(1, 1), "kept");
}

TEST_F(TempDir, ExportWritesEveryRowWithTabsAndCrLf)
{
    Grid g(10, 20);
    NumberGridHeaders(g);
    g.setCell(1, 1, "км");
    g.setCell(2, 1, "Суглинок");
    const fs::path out = dir / "ЦифроваяМодель.txt";
    ExportGridToTextFile(g, out.string());
    const std::string text = readAll(out);
    std::string expected = "\xEA\xEC\t\xD1\xF3\xE3\xEB\xE8\xED\xEE\xEA\t\t\t\t\t\t\t\r\n";
    for (int r = 2; r < 20; ++r)
        expected += "\t\t\t\t\t\t\t\t\r\n";
    EXPECT_EQ(text, expected);

    Grid narrow(1, 4);
    EXPECT_EQ(GridExportText(narrow), "\r\n\r\n\r\n");
}

TEST_F(TempDir, ExportThenImportGivesTheSameBody)
{
    Grid g(6, 30);
    NumberGridHeaders(g);
    for (int r = 1; r < 30; ++r)
        for (int c = 1; c < 6; ++c)
            g.setCell(c, r, r == 1 ? "Слой " + std::to_string(c) : std::to_string(r * 7.25 + c));
    const fs::path out = dir / "t.txt";
    ExportGridToTextFile(g, out.string());
    Grid back(10, 20);
    ClearGridCells(back, 1, 1);
    LoadGridFromTextFile(back, ReadWholeFile(out.string()), SelectedDelimiter(0));
    for (int r = 1; r < 30; ++r)
        for (int c = 1; c < 6; ++c)
            ASSERT_EQ(back.cell(c, r), g.cell(c, r)) << c << "," << r;
}

TEST_F(TempDir, FailedExportKeepsTheOldFile)
{
    Grid g(3, 3);
    g.setCell(1, 1, "new");
    EXPECT_THROW(ExportGridToTextFile(g, (dir / "no" / "such" / "dir.txt").string()), Error);
    // The target is a folder: the rename fails, and neither it nor a temporary file is left changed.
    fs::create_directories(dir / "target");
    std::ofstream(dir / "target" / "inside.txt") << "old";
    EXPECT_THROW(ExportGridToTextFile(g, (dir / "target").string()), Error);
    EXPECT_EQ(readAll(dir / "target" / "inside.txt"), "old");
    int files = 0;
    for (const auto& e : fs::directory_iterator(dir))
        files += e.is_regular_file();
    EXPECT_EQ(files, 0);
}

TEST(TableImport, SelectedDelimiterMapsTheItems)
{
    EXPECT_EQ(SelectedDelimiter(-1), '\t');
    EXPECT_EQ(SelectedDelimiter(0), '\t');
    EXPECT_EQ(SelectedDelimiter(1), ';');
    EXPECT_EQ(SelectedDelimiter(2), ',');
    EXPECT_EQ(SelectedDelimiter(3), ' ');
    EXPECT_EQ(SelectedDelimiter(4), '\t');
    // The names of the items, in the order the user picks from; none beyond them.
    EXPECT_EQ(DelimiterName(0), "табуляция");
    EXPECT_EQ(DelimiterName(1), "точка с запятой");
    EXPECT_EQ(DelimiterName(2), "запятая");
    EXPECT_EQ(DelimiterName(3), "пробел");
    EXPECT_EQ(DelimiterName(-1), "");
    EXPECT_EQ(DelimiterName(kDelimiterCount), "");
}
