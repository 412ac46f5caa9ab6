#include "base/file_path.h"
#include "thickness/report_files.h"

#include "base/atomic_file.h"
#include "support/error_text.h"
#include "thickness/survey_grid.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sys/stat.h>

namespace trassel {
namespace {

// The survey of the per-100 m case: points at 90, 100, 110, 120 and 205 m with a ballast of
// 40, 20, 30, 10 and 50 cm against a norm of 30 cm, prism 2 m wide.
struct Survey {
    std::unique_ptr<Grid> grid = test::SurveyGrid(
        {"ПК", "Балласт"}, {{"0.90", "40"}, {"1+00", "20"}, {"1.10", "30"}, {"1.20", "10"}, {"2.05", "50"}});
    ThicknessAnalysis analysis;
    DesignNorms norms;
    Survey()
    {
        norms.layers = {{2, "", 30.0}};
        norms.prismWidthM = 2;
        ComplianceSetup setup;
        setup.firstRow = 2;
        setup.lastRow = 6;
        setup.titleRow = 1;
        setup.columns = {2};
        setup.norms = norms;
        analysis.compute(*grid, setup);
    }
};

struct TempDir {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("trassel-report-" + std::to_string(::getpid()) + "-" +
                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    ~TempDir() { std::filesystem::remove_all(path); }
};

std::string Read(const std::filesystem::path& file)
{
    const FileBytes bytes = ReadWholeFile(file.string());
    return std::string(bytes.data.get(), bytes.size);
}

// One member of a zip, as `unzip -p` gives it.
std::string Unzipped(const std::filesystem::path& zip, const std::string& member)
{
    const std::string command = "unzip -p '" + zip.string() + "' '" + member + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    std::string out;
    std::array<char, 4096> buffer{};
    std::size_t n = 0;
    while (pipe && (n = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0)
        out.append(buffer.data(), n);
    return out;
}

TEST(ReportFiles, CsvTablesUseSemicolonsCommasAndAByteOrderMark)
{
    const Survey s;
    const auto tables = ReportTables(s.analysis.result(), s.norms, "участок");
    ASSERT_EQ(tables.size(), 4u);
    const std::string csv = CsvText(tables[0]);
    ASSERT_EQ(csv.substr(0, 3), "\xEF\xBB\xBF");
    const std::size_t firstEnd = csv.find("\r\n");
    EXPECT_EQ(csv.substr(3, firstEnd - 3),
              "Слой;Пикет;Начало, м;Конец, м;С данными, м;Норма, см;Мин. толщина, см;Сред. толщина, см;"
              "Макс. толщина, см;Ниже нормы, м;Доля ниже нормы, %;Участков ниже нормы;Объём дефицита, м³;"
              "Состояние");
    // Segment PK1: 100 m with data, mean 27.5, 52.5 m below the norm, 20 m³ of deficit.
    EXPECT_NE(csv.find("\r\nБалласт;ПК1;100;200;100;30;10;27,5;50;52,5;52,5;2;20;требует ремонта\r\n"),
              std::string::npos)
        << csv;
    EXPECT_NE(csv.find("\r\nБалласт;ПК2;200;300;5;30;50;50;50;0;0;0;0;хорошее\r\n"), std::string::npos) << csv;

    const std::string stretches = CsvText(tables[2]);
    EXPECT_NE(stretches.find("\r\nБалласт;1;0+95;1+05;95;105;10;20;30;10;2\r\n"), std::string::npos) << stretches;
    EXPECT_NE(stretches.find("\r\nБалласт;2;1+15;1+62.5;115;162,5;47,5;10;30;20;19\r\n"), std::string::npos)
        << stretches;

    // Texts holding the separator or quotes are quoted.
    ReportTable t;
    t.header = {"a;b", "c\"d"};
    t.rows = {{ReportCell{std::string("x"), false, 1}, ReportCell{-1.25, true, 2}}};
    EXPECT_EQ(CsvText(t), "\xEF\xBB\xBF\"a;b\";\"c\"\"d\"\r\nx;-1,25\r\n");
}

TEST(ReportFiles, WorkbookHoldsNumberCellsFrozenHeadersAndRedValues)
{
    const Survey s;
    const TempDir dir;
    // Named in UTF-8 on every system: a narrow literal is the ANSI code page's on Windows.
    const std::filesystem::path folder = dir.path / PathFromUtf8("отчёт");
    const auto written = WriteReport(PathToUtf8(folder), s.analysis.result(), s.norms, "участок");
    ASSERT_EQ(written.size(), 5u);
    const std::filesystem::path book = folder / PathFromUtf8(kWorkbookName);
    ASSERT_TRUE(std::filesystem::exists(book));
    // The CSV files written beside it are the tables' texts.
    const auto tables = ReportTables(s.analysis.result(), s.norms, "участок");
    for (const ReportTable& t : tables)
        EXPECT_EQ(Read(folder / PathFromUtf8(t.file)), CsvText(t)) << t.file;
#ifdef _WIN32
    // The parts are read with unzip, which Windows lacks; scripts/test-windows compares the
    // Windows workbook with this system's part for part instead.
    return;
#endif

    const std::string workbook = Unzipped(book, "xl/workbook.xml");
    EXPECT_NE(workbook.find("name=\"По 100 м\""), std::string::npos) << workbook;
    EXPECT_NE(workbook.find("name=\"Нормы\""), std::string::npos);
    const std::string sheet = Unzipped(book, "xl/worksheets/sheet1.xml");
    // Two header rows frozen.
    EXPECT_NE(sheet.find("<pane ySplit=\"2\" topLeftCell=\"A3\""), std::string::npos) << sheet.substr(0, 800);
    // Row 4 is segment PK1: its mean (H4) and its volume (M4) are numbers, not text.
    EXPECT_NE(sheet.find("<c r=\"H4\" s=\""), std::string::npos);
    EXPECT_NE(sheet.find("><v>27.5</v></c>"), std::string::npos) << sheet;
    EXPECT_NE(sheet.find("<c r=\"M4\" s=\""), std::string::npos);
    EXPECT_EQ(sheet.find("<c r=\"H4\" t=\"s\""), std::string::npos); // not a shared string
    // The mean below the norm is red: its style's font carries the colour.
    const std::size_t h4 = sheet.find("<c r=\"H4\" s=\"");
    const int style = std::stoi(sheet.substr(h4 + 13));
    const std::size_t g5 = sheet.find("<c r=\"H5\" s=\""); // PK2: 50 cm, not below
    const int plain = std::stoi(sheet.substr(g5 + 13));
    EXPECT_NE(style, plain);
    const std::string styles = Unzipped(book, "xl/styles.xml");
    EXPECT_NE(styles.find("FFFF0000"), std::string::npos);
}

TEST(ReportFiles, AFailureLeavesNoHalfFile)
{
    const Survey s;
    const TempDir dir;
    std::filesystem::create_directories(dir.path);
    // A folder standing where the folder of the report should be made.
    // Named in UTF-8 on every system: a narrow literal is the ANSI code page's on Windows.
    const std::filesystem::path blocker = dir.path / PathFromUtf8("занято");
    std::ofstream(blocker).close();
    ASSERT_TRUE(std::filesystem::is_regular_file(blocker));
    EXPECT_NE(errorText([&] { WriteReport(PathToUtf8(blocker), s.analysis.result(), s.norms, ""); }), "(no error)");
    EXPECT_TRUE(std::filesystem::is_regular_file(blocker));
    EXPECT_EQ(std::filesystem::file_size(blocker), 0u);
}

} // namespace
} // namespace trassel
