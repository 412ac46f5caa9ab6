// The workspace's numbers against what the window's controls hold: a value no control can hold
// is refused with the field's name and its limits, the controls' own extremes open, and the
// extremes the window itself can reach open and are drawn without overflowing anything.
#include "document/workspace.h"

#include "document/section_scene.h"
#include "document/survey_document.h"
#include "drawing/canvas.h"
#include "layers/layers.h"
#include "section/section_renderer.h"
#include "table/grid.h"
#include "table/grid_io.h"

#include "support/error_text.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <climits>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace trassel {
namespace {

std::unique_ptr<char[]> Bytes(const std::string& text)
{
    auto bytes = std::make_unique<char[]>(text.size());
    std::memcpy(bytes.get(), text.data(), text.size());
    return bytes;
}

// A short survey of three columns (pickets, two depths), a borehole and two layers.
void BuildSurvey(SurveyDocument& doc)
{
    const std::string table = "PK\tA\tB\r\n10\t30\t60\r\n10.5\t31\t61\r\n11\t32\t62\r\n";
    doc.importTable(Bytes(table), table.size());
    const std::string boreholes = "PK\tN\tName\t\tDepth\r\n10.2\t1\tSkv1\t\t250\r\n";
    doc.importBoreholes(Bytes(boreholes), boreholes.size());
    doc.setRange(2, 4); // the table keeps the start table's empty rows below
    for (const int col : {2, 3}) {
        doc.select(col, 2);
        doc.addLayer();
    }
}

// The survey's file with one change made to its JSON.
class EditedFile {
public:
    EditedFile()
    {
        BuildSurvey(doc_);
        json_ = nlohmann::json::parse(WorkspaceText(doc_, "p.trassel"));
    }
    int depthColumns() const { return doc_.depthTable().colCount(); }
    std::string with(const std::function<void(nlohmann::json&)>& change) const
    {
        nlohmann::json j = json_;
        change(j);
        return j.dump();
    }
    // What opening the changed file says, "(no error)" when it opens.
    std::string open(const std::function<void(nlohmann::json&)>& change) const
    {
        return errorText([&] { ReadWorkspace(with(change), "p"); });
    }

private:
    SurveyDocument doc_;
    nlohmann::json json_;
};

std::string OutOfRange(const std::string& field, long long lo, long long hi)
{
    return "Файл проекта «p» повреждён: значение поля «" + field + "» вне допустимых пределов (" + std::to_string(lo) +
           "…" + std::to_string(hi) + ").";
}

TEST(WorkspaceLimits, ValuesNoControlHoldsAreRefusedNamingTheField)
{
    const EditedFile file;
    const int lastColumn = file.depthColumns() - 1;
    ASSERT_GE(lastColumn, 3); // the pickets and the two layers' columns, and any the table kept
    struct Case {
        std::function<void(nlohmann::json&)> change;
        std::string message;
    };
    const Case cases[] = {
        // "Количество заголовочных строк" runs 0..10; "Разделитель" is one of four items or a typed text.
        {[](nlohmann::json& j) { j["settings"]["headerRowCount"] = 11; }, OutOfRange("settings.headerRowCount", 0, 10)},
        {[](nlohmann::json& j) { j["settings"]["headerRowCount"] = -1; }, OutOfRange("settings.headerRowCount", 0, 10)},
        {[](nlohmann::json& j) { j["settings"]["delimiterIndex"] = 4; }, OutOfRange("settings.delimiterIndex", -1, 3)},
        {[](nlohmann::json& j) { j["settings"]["delimiterIndex"] = INT_MIN; },
         OutOfRange("settings.delimiterIndex", -1, 3)},
        // A layer names a column a table can have.
        {[](nlohmann::json& j) { j["layers"]["items"][1]["depthColumn"] = 1'000'000'000; },
         OutOfRange("layers.items[1].depthColumn", 0, Grid::kMaxColumns - 1)},
        {[](nlohmann::json& j) { j["layers"]["items"][0]["depthColumn"] = -5; },
         OutOfRange("layers.items[0].depthColumn", 0, Grid::kMaxColumns - 1)},
        {[](nlohmann::json& j) { j["layers"]["items"][0]["depthColumn"] = Grid::kMaxColumns; },
         OutOfRange("layers.items[0].depthColumn", 0, Grid::kMaxColumns - 1)},
        {[](nlohmann::json& j) { j["layers"]["items"][0]["picketColumn"] = -5; },
         OutOfRange("layers.items[0].picketColumn", 0, Grid::kMaxColumns - 1)},
        // "толщина" runs 1..100; the fill is one of the eight patterns or the nine hatches.
        {[](nlohmann::json& j) { j["layers"]["items"][0]["lineWidth"] = 0; },
         OutOfRange("layers.items[0].lineWidth", 1, 100)},
        {[](nlohmann::json& j) { j["layers"]["items"][1]["lineWidth"] = 101; },
         OutOfRange("layers.items[1].lineWidth", 1, 100)},
        {[](nlohmann::json& j) { j["layers"]["items"][0]["brushStyle"] = 17; },
         OutOfRange("layers.items[0].brushStyle", 0, 16)},
        // "Глубина поверхности" runs 25..150.
        {[](nlohmann::json& j) { j["section"]["H"] = 24; }, OutOfRange("section.H", 25, 150)},
        {[](nlohmann::json& j) { j["section"]["H"] = 151; }, OutOfRange("section.H", 25, 150)},
        // "Масштаб Y" holds an integer: no infinity, no NaN, nothing beyond its range.
        {[](nlohmann::json& j) { j["section"]["SY"] = "nan"; }, OutOfRange("section.SY", INT_MIN, INT_MAX)},
        {[](nlohmann::json& j) { j["section"]["SY"] = "inf"; }, OutOfRange("section.SY", INT_MIN, INT_MAX)},
        {[](nlohmann::json& j) { j["section"]["SY"] = "-inf"; }, OutOfRange("section.SY", INT_MIN, INT_MAX)},
        {[](nlohmann::json& j) { j["section"]["SY"] = 1e10; }, OutOfRange("section.SY", INT_MIN, INT_MAX)},
        // The section's sizes are those of a bitmap the program can make.
        {[](nlohmann::json& j) { j["section"]["sectionWidth"] = -1; },
         OutOfRange("section.sectionWidth", 0, kMaxBitmapSide)},
        {[](nlohmann::json& j) { j["section"]["imageWidth"] = INT_MAX; },
         OutOfRange("section.imageWidth", 0, kMaxBitmapSide)},
        {[](nlohmann::json& j) { j["section"]["imageHeight"] = 1'000'001; },
         OutOfRange("section.imageHeight", 0, kMaxBitmapSide)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(file.open(c.change), c.message);
}

TEST(WorkspaceLimits, TheControlsOwnExtremesOpen)
{
    const EditedFile file;
    EXPECT_EQ(file.open([](nlohmann::json&) {}), "(no error)");
    const std::function<void(nlohmann::json&)> extremes[] = {
        [](nlohmann::json& j) { j["settings"]["headerRowCount"] = 0; },
        [](nlohmann::json& j) { j["settings"]["headerRowCount"] = 10; },
        [](nlohmann::json& j) { j["settings"]["delimiterIndex"] = -1; },
        [](nlohmann::json& j) { j["settings"]["delimiterIndex"] = 3; },
        [](nlohmann::json& j) { j["layers"]["items"][0]["depthColumn"] = 0; },
        [&](nlohmann::json& j) { j["layers"]["items"][0]["picketColumn"] = file.depthColumns() - 1; },
        // A column the table no longer has: the window saves such a layer after "Удалить столбец".
        [&](nlohmann::json& j) { j["layers"]["items"][0]["depthColumn"] = file.depthColumns(); },
        [](nlohmann::json& j) { j["layers"]["items"][1]["picketColumn"] = Grid::kMaxColumns - 1; },
        [](nlohmann::json& j) { j["layers"]["items"][0]["lineWidth"] = 1; },
        [](nlohmann::json& j) { j["layers"]["items"][1]["lineWidth"] = 100; },
        [](nlohmann::json& j) { j["layers"]["items"][1]["brushStyle"] = 7; },
        [](nlohmann::json& j) { j["section"]["H"] = 25; },
        [](nlohmann::json& j) { j["section"]["H"] = 150; },
        [](nlohmann::json& j) { j["section"]["SY"] = 1.5; },
        [](nlohmann::json& j) { j["section"]["SY"] = INT_MAX; },
        [](nlohmann::json& j) { j["section"]["SY"] = INT_MIN; },
        [](nlohmann::json& j) { j["section"]["imageHeight"] = kMaxBitmapSide; },
        [](nlohmann::json& j) { j["section"]["sectionWidth"] = 0; },
    };
    for (std::size_t i = 0; i < std::size(extremes); ++i)
        EXPECT_EQ(file.open(extremes[i]), "(no error)") << i;
}

TEST(WorkspaceLimits, ExtremesTheWindowHoldsOpenAndAreDrawnWithoutOverflow)
{
    const EditedFile file;
    // The label depth of "Выработки" and the left margin take any integer in the window.
    for (const auto& [key, value] : std::vector<std::pair<const char*, int>>{
             {"ISSO", INT_MAX}, {"ISSO", INT_MIN}, {"Lleft", INT_MAX}, {"R", INT_MIN}, {"SX", INT_MAX}}) {
        SCOPED_TRACE(std::string(key) + " = " + std::to_string(value));
        LoadedWorkspace loaded = ReadWorkspace(file.with([&](nlohmann::json& j) { j["section"][key] = value; }), "p");
        SurveyDocument doc;
        doc.takeOver(*loaded.document);
        if (key == std::string("ISSO")) {
            EXPECT_EQ(doc.sectionParams().ISSO, value);
        }
        // Drawing may refuse a bitmap too large, in words; it never overflows.
        const std::string drawn = errorText([&] { doc.section().draw(); });
        EXPECT_TRUE(drawn == "(no error)" || drawn.rfind("Рисунок слишком велик", 0) == 0 ||
                    drawn.rfind("Ширина разреза", 0) == 0)
            << drawn;
        EXPECT_EQ(errorText([&] { doc.section().plotSkv(); }), "(no error)");
    }

    // The working range's spin edits take any integer: the whole span of int reaches the
    // diagram, which refuses the first row it cannot read, and the section, which does the same.
    LoadedWorkspace loaded = ReadWorkspace(file.with([](nlohmann::json& j) {
        j["range"]["first"] = INT_MIN;
        j["range"]["last"] = INT_MAX;
    }),
                                           "p");
    SurveyDocument doc;
    doc.takeOver(*loaded.document);
    EXPECT_EQ(doc.firstDataRow(), INT_MIN);
    EXPECT_EQ(doc.lastDataRow(), INT_MAX);
    EXPECT_EQ(errorText([&] { doc.buildChart(); }), "'' is not a valid floating point value");
    EXPECT_EQ(errorText([&] { doc.section().draw(); }), "'' is not a valid floating point value");
    // A range ending on the last row the table can never have: the diagram stops at the first
    // row it cannot read, after the table's own rows.
    doc.setRange(2, INT_MAX);
    EXPECT_EQ(errorText([&] { doc.buildChart(); }), "'' is not a valid floating point value");

    // A layer on a column the table no longer has opens; building stops on its first cell, in
    // the words a cell that is no number gets, and nothing reads beyond the table.
    for (const int column : {file.depthColumns(), Grid::kMaxColumns - 1}) {
        SCOPED_TRACE(column);
        LoadedWorkspace missing = ReadWorkspace(file.with([&](nlohmann::json& j) {
            j["layers"]["items"][0]["depthColumn"] = column;
        }),
                                                "p");
        SurveyDocument stale;
        stale.takeOver(*missing.document);
        EXPECT_EQ(errorText([&] { stale.buildChart(); }), "'' is not a valid floating point value");
    }

    // The selection is kept as the file says: commands after it stay inside the table.
    LoadedWorkspace selected = ReadWorkspace(file.with([](nlohmann::json& j) {
        j["selection"]["col"] = INT_MAX;
        j["selection"]["row"] = INT_MAX;
    }),
                                             "p");
    SurveyDocument window;
    window.takeOver(*selected.document);
    const int rows = window.depthTable().rowCount();
    EXPECT_EQ(window.find("10"), -1); // searched from the row after the selection: none
    window.writeCell(TableId::Depth, 1, rows - 1, "end");
    window.insertRow(); // after the selection: at the table's end
    EXPECT_EQ(window.depthTable().rowCount(), rows + 1);
    EXPECT_EQ(window.depthTable().cell(1, rows - 1), "end");
    EXPECT_EQ(window.depthTable().cell(1, rows), "");
}

} // namespace
} // namespace trassel
