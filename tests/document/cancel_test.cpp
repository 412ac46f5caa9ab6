// Long commands stopped through their progress report change nothing, and told to the end
// they report a steady climb to the whole.
#include "base/error.h"
#include "base/progress.h"
#include "document/survey_document.h"
#include "document/workspace.h"
#include "table/grid_io.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace trassel {
namespace {

// A report that stops the command at its n-th call (counting from 1; 0 never stops) and keeps
// what it was told.
struct StopAt {
    explicit StopAt(int n) : stopAt(n) { }
    Progress report()
    {
        return [this](long long done, long long total) {
            told.push_back(done);
            EXPECT_EQ(total, ProgressMeter::kWhole);
            if (static_cast<int>(told.size()) == stopAt)
                throw Cancelled();
        };
    }
    // Every value no smaller than the one before, the last one the whole.
    bool climbsToTheWhole() const
    {
        for (std::size_t i = 1; i < told.size(); ++i)
            if (told[i] < told[i - 1])
                return false;
        return !told.empty() && told.front() == 0 && told.back() == ProgressMeter::kWhole;
    }
    int stopAt;
    std::vector<long long> told;
};

class CountingSink : public EditSink {
public:
    void push(std::unique_ptr<Edit> applied) override { edits.push_back(std::move(applied)); }
    std::vector<std::unique_ptr<Edit>> edits;
};

// A depth table of a title line and `rows` rows (row r + 1 of the table): kilometre, metre and
// three depths, CR LF lines.
std::string SurveyText(int rows)
{
    std::string text = "km\tm\tA\tB\tC\r\n";
    for (int r = 1; r <= rows; ++r)
        text += std::to_string(r / 1000) + "\t" + std::to_string(r % 1000) + "\t0." + std::to_string(r % 90 + 10) +
                "\t1.2\t2.75\r\n";
    return text;
}

std::unique_ptr<char[]> Bytes(const std::string& text)
{
    auto bytes = std::make_unique<char[]>(text.size());
    std::copy(text.begin(), text.end(), bytes.get());
    return bytes;
}

class TempDir {
public:
    TempDir()
    {
        path_ = std::filesystem::temp_directory_path() /
                ("trassel-cancel-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    std::vector<std::string> names() const
    {
        std::vector<std::string> out;
        for (const auto& entry : std::filesystem::directory_iterator(path_))
            out.push_back(entry.path().filename().string());
        return out;
    }

private:
    std::filesystem::path path_;
};

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

TEST(ProgressMeter, MapsAStageOntoItsShareAndAsksOnlyEveryStride)
{
    std::vector<long long> told;
    const Progress report = [&](long long done, long long) { told.push_back(done); };
    {
        ProgressMeter meter(report, 100, 0.5, 0.75, 10);
        for (long long i = 0; i < 100; ++i)
            meter.at(i);
        meter.finish();
    }
    // Told once on starting (at 0), then at 10, 20, … 90, and the whole stage at its end.
    ASSERT_EQ(told.size(), 11u);
    EXPECT_EQ(told.front(), 500);
    EXPECT_EQ(told[1], 525);
    EXPECT_EQ(told[9], 725);
    EXPECT_EQ(told.back(), 750);
    // A stage of nothing still tells its share, and no report is no work.
    told.clear();
    ProgressMeter empty(report, 0, 0.75, 1.0);
    empty.finish();
    EXPECT_EQ(told, (std::vector<long long>{750, 1000}));
    ProgressMeter silent(Progress{}, 10);
    silent.at(5);
    silent.finish();
}

TEST(CancelledCommand, ImportsStoppedHalfWayLeaveBothTablesAndTheHistoryAsTheyWere)
{
    SurveyDocument doc;
    CountingSink sink;
    doc.setEditSink(&sink);
    const std::string first = SurveyText(50);
    ASSERT_TRUE(doc.importTable(Bytes(first), first.size()));
    ASSERT_EQ(sink.edits.size(), 1u);
    const std::string depthBefore = GridExportText(doc.depthTable());
    const int lastBefore = doc.lastDataRow();

    // Over three megabytes: the read is told of its progress several times and stopped after
    // the first megabyte, with most of the new table read.
    const std::string big = SurveyText(150'000);
    ASSERT_GT(big.size(), std::size_t{3} << 20);
    StopAt stop(2);
    EXPECT_THROW(doc.importTable(Bytes(big), big.size(), stop.report()), Cancelled);
    EXPECT_EQ(stop.told.size(), 2u);
    EXPECT_EQ(GridExportText(doc.depthTable()), depthBefore);
    EXPECT_EQ(doc.lastDataRow(), lastBefore);
    EXPECT_EQ(sink.edits.size(), 1u);

    const std::string boreholesBefore = GridExportText(doc.table(TableId::Boreholes));
    StopAt atOnce(1);
    const std::string skv = "N\tПК\tГлубина\r\n1\t10.5\t3\r\n";
    EXPECT_THROW(doc.importBoreholes(Bytes(skv), skv.size(), atOnce.report()), Cancelled);
    EXPECT_EQ(GridExportText(doc.table(TableId::Boreholes)), boreholesBefore);
    EXPECT_EQ(sink.edits.size(), 1u);

    // Not stopped, the same import climbs to the whole and replaces the table in one step.
    StopAt never(0);
    EXPECT_TRUE(doc.importTable(Bytes(big), big.size(), never.report()));
    EXPECT_TRUE(never.climbsToTheWhole());
    EXPECT_GE(never.told.size(), 4u);
    EXPECT_EQ(doc.depthTable().rowCount(), 150'002);
    EXPECT_EQ(sink.edits.size(), 2u);
}

TEST(CancelledCommand, PicketRecalculationStoppedHalfWayPutsEveryCellBackAndRecordsNothing)
{
    SurveyDocument doc;
    CountingSink sink;
    doc.setEditSink(&sink);
    const std::string text = SurveyText(10'000);
    ASSERT_TRUE(doc.importTable(Bytes(text), text.size()));
    const std::size_t steps = sink.edits.size();
    const std::string before = GridExportText(doc.depthTable());
    std::vector<DocumentChange::What> told;
    const Subscription listening = doc.subscribe([&](const DocumentChange& change) { told.push_back(change.what); });

    // Stopped at the third report: rows 0 … 8191 have been rewritten by then.
    StopAt stop(3);
    EXPECT_THROW(doc.recalcPickets(stop.report()), Cancelled);
    EXPECT_EQ(GridExportText(doc.depthTable()), before);
    EXPECT_EQ(sink.edits.size(), steps);
    // The views are told to show the cells again, as they may have painted the rewritten ones.
    EXPECT_NE(std::find(told.begin(), told.end(), DocumentChange::What::Cells), told.end());

    StopAt never(0);
    doc.recalcPickets(never.report());
    EXPECT_TRUE(never.climbsToTheWhole());
    EXPECT_EQ(doc.depthTable().cell(1, 1501), "15"); // 1 km 500 m
    EXPECT_EQ(doc.depthTable().cell(2, 1502), "15+01");
    EXPECT_EQ(sink.edits.size(), steps + 1);
}

TEST(CancelledCommand, APasteThatGrowsTheTableStoppedHalfWayGivesBackItsShapeAndCells)
{
    SurveyDocument doc;
    CountingSink sink;
    doc.setEditSink(&sink);
    const std::string text = SurveyText(30);
    ASSERT_TRUE(doc.importTable(Bytes(text), text.size()));
    const std::size_t steps = sink.edits.size();
    const std::string before = GridExportText(doc.depthTable());
    const int rows = doc.depthTable().rowCount();
    const int cols = doc.depthTable().colCount();
    const int last = doc.lastDataRow();

    // Twenty thousand lines, wider than the table: the table has grown when the paste stops.
    std::string paste;
    for (int r = 0; r < 20'000; ++r)
        paste += std::to_string(r) + "\t1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\r\n";
    StopAt stop(3);
    EXPECT_THROW(doc.pasteTable(paste, stop.report()), Cancelled);
    EXPECT_EQ(doc.depthTable().rowCount(), rows);
    EXPECT_EQ(doc.depthTable().colCount(), cols);
    EXPECT_EQ(GridExportText(doc.depthTable()), before);
    EXPECT_EQ(doc.lastDataRow(), last);
    EXPECT_EQ(sink.edits.size(), steps);

    StopAt never(0);
    EXPECT_TRUE(doc.pasteTable(paste, never.report()));
    EXPECT_TRUE(never.climbsToTheWhole());
    EXPECT_EQ(doc.depthTable().rowCount(), 20'001);
    EXPECT_EQ(sink.edits.size(), steps + 1);
}

TEST(CancelledCommand, StoppedExportsAndSavesLeaveTheFormerFileAndNoTemporaryOne)
{
    TempDir dir;
    SurveyDocument doc;
    const std::string text = SurveyText(200'000);
    ASSERT_TRUE(doc.importTable(Bytes(text), text.size()));

    const std::string table = dir.file("table.txt");
    {
        std::ofstream(table, std::ios::binary) << "former export";
    }
    StopAt stopExport(3);
    EXPECT_THROW(ExportGridToTextFile(doc.depthTable(), table, stopExport.report()), Cancelled);
    EXPECT_EQ(ReadBytes(table), "former export");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"table.txt"});

    const std::string project = dir.file("p.trassel");
    {
        std::ofstream(project, std::ios::binary) << "former project";
    }
    // The last report before the file is renamed into place: the whole text has been made and
    // most of it written to the temporary file.
    StopAt count(0);
    SaveWorkspace(dir.file("whole.trassel"), doc, count.report());
    EXPECT_TRUE(count.climbsToTheWhole());
    StopAt late(static_cast<int>(count.told.size()) - 1);
    EXPECT_THROW(SaveWorkspace(project, doc, late.report()), Cancelled);
    EXPECT_EQ(ReadBytes(project), "former project");
    std::vector<std::string> names = dir.names();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"p.trassel", "table.txt", "whole.trassel"}));

    // Opening: stopped anywhere it throws Cancelled; told to the end it gives the table back.
    StopAt stopOpen(3);
    EXPECT_THROW(LoadWorkspace(dir.file("whole.trassel"), stopOpen.report()), Cancelled);
    StopAt never(0);
    const LoadedWorkspace loaded = LoadWorkspace(dir.file("whole.trassel"), never.report());
    EXPECT_TRUE(never.climbsToTheWhole());
    EXPECT_EQ(GridExportText(loaded.document->depthTable()), GridExportText(doc.depthTable()));
}

} // namespace
} // namespace trassel
