// The workspace reader's bounds: values nested too deep, values that would take more memory
// than the file and the reader's slack, and tables whose rows would cost more than their text
// are refused with a message that names the limit; a file within them opens as before. The
// limits are made small here so that the cases stay small.
#include "document/workspace.h"

#include "document/section_scene.h"
#include "document/survey_document.h"
#include "document/workspace_annotations.h"
#include "document/workspace_json.h"
#include "document/workspace_schema.h"
#include "table/grid.h"

#include "support/error_text.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <set>
#include <string>
#include <vector>

namespace trassel {
namespace {

using namespace workspace;

const std::string kDamaged = "Файл проекта «p» повреждён: ";

// The text of a fresh document, parsed for editing.
nlohmann::json EmptyProject()
{
    SurveyDocument doc;
    return nlohmann::json::parse(WorkspaceText(doc, "p"));
}

// Reads `text` as the file "p" with the given limits, the annotation marks taken out of the
// parse as the reader does or left in it: the message of its refusal, or "(no error)" with the
// document in `out`.
enum class Marks { Taken, LeftAsJson };
std::string Open(const std::string& text, const ReadLimits& limits, LoadedWorkspace* out = nullptr,
                 Marks marks = Marks::Taken)
{
    return errorText([&] {
        const Progress none;
        const Reader in("p", none, limits);
        MarkTaker taker(in);
        MarkTaker* taken = marks == Marks::Taken ? &taker : nullptr;
        const ParsedJson parsed = ParseJson(text, in, taken);
        LoadedWorkspace loaded = DocumentOf(parsed, in, taken);
        if (out != nullptr)
            *out = std::move(loaded);
    });
}

// `steps` annotation steps of `marks` pen lines each, drawn in as many colours as `colours`.
std::vector<WorkspaceAnnotation> Steps(int steps, int marks, int colours)
{
    std::vector<WorkspaceAnnotation> out;
    for (int i = 0; i < steps; ++i) {
        WorkspaceAnnotation a;
        a.name = "Карандаш";
        for (int k = 0; k < marks; ++k) {
            WorkspaceMark m;
            m.pen.color = static_cast<Color>((i * 7 + k) % colours);
            m.a = {i, k};
            m.b = {i + 3, k + 4};
            a.marks.push_back(m);
        }
        out.push_back(std::move(a));
    }
    return out;
}

TEST(WorkspaceBounds, ValuesNestedDeeperThanTheLimitAreRefused)
{
    const nlohmann::json project = EmptyProject();
    // A member the reader does not know, holding arrays `depth` deep; the root is a level too.
    auto withNested = [&](std::size_t depth) {
        std::string text = project.dump();
        text.insert(text.size() - 1, ",\"deep\":" + std::string(depth, '[') + std::string(depth, ']'));
        return text;
    };
    const ReadLimits limits;
    ASSERT_EQ(limits.depth, 64U);
    EXPECT_EQ(Open(withNested(63), limits), "(no error)");
    EXPECT_EQ(Open(withNested(64), limits), kDamaged + "значения вложены глубже 64 уровней.");
    // Ten million levels are refused at the 65th, whatever follows; bytes that are no
    // workspace are not one, however deep.
    EXPECT_EQ(errorText([&] { ReadWorkspace(withNested(1'000'000), "p"); }),
              kDamaged + "значения вложены глубже 64 уровней.");
    EXPECT_EQ(errorText([&] { ReadWorkspace(std::string(1'000'000, '[') + std::string(1'000'000, ']'), "p"); }),
              "Файл «p» не является проектом Trassel.");
    // Objects count as arrays do; a smaller limit refuses sooner.
    std::string objects = project.dump();
    objects.insert(objects.size() - 1, ",\"deep\":{\"a\":{\"b\":{\"c\":1}}}");
    EXPECT_EQ(Open(objects, ReadLimits{4, ReadLimits{}.slack}), "(no error)");
    EXPECT_EQ(Open(objects, ReadLimits{3, ReadLimits{}.slack}), kDamaged + "значения вложены глубже 3 уровней.");
}

TEST(WorkspaceBounds, ValuesThatWouldTakeMoreThanTheFileAndTheSlackAreRefused)
{
    // Many small marks cost the parse several times their bytes as JSON.
    SurveyDocument doc;
    SectionScene::Saved section;
    section.drawn = true;
    section.annotations = Steps(400, 5, 3);
    doc.section().restore(section);
    const std::string text = WorkspaceText(doc, "p");

    const std::string refusal = Open(text, ReadLimits{64, 0}, nullptr, Marks::LeftAsJson);
    EXPECT_EQ(refusal.rfind(kDamaged + "его значения заняли бы в памяти больше ", 0), 0U) << refusal;
    EXPECT_NE(refusal.find(" МБ (размер файла и ещё 0 МБ)."), std::string::npos) << refusal;
    // The same with long strings taken out of the text first (a table's text).
    SurveyDocument table;
    table.setSoils({std::string(10'000, 'x')});
    table.section().restore(section);
    EXPECT_EQ(Open(WorkspaceText(table, "p"), ReadLimits{64, 0}, nullptr, Marks::LeftAsJson)
                  .rfind(kDamaged + "его значения заняли бы", 0),
              0U);

    // Taken out of the parse one by one, the marks cost about their bytes: the file opens
    // within twice its size, with every step as it was.
    for (const std::string& file : {text, WorkspaceText(table, "p")}) {
        LoadedWorkspace loaded;
        ASSERT_EQ(Open(file, ReadLimits{64, file.size()}, &loaded), "(no error)");
        EXPECT_EQ(loaded.document->section().annotations(), section.annotations);
    }
    // With room for them as JSON it opens too, and under the real limits of course.
    LoadedWorkspace loaded;
    ASSERT_EQ(Open(text, ReadLimits{64, std::size_t{16} << 20}, &loaded, Marks::LeftAsJson), "(no error)");
    EXPECT_EQ(loaded.document->section().annotations(), section.annotations);
    EXPECT_EQ(errorText([&] { ReadWorkspace(text, "p"); }), "(no error)");
    // Values no taker takes are counted as JSON whatever the reader: a thousand objects in a
    // member the reader does not know.
    nlohmann::json project = EmptyProject();
    project["unknown"] = std::vector<nlohmann::json>(1000, nlohmann::json{{"a", 1}, {"b", 2}});
    EXPECT_EQ(Open(project.dump(), ReadLimits{64, 0}).rfind(kDamaged + "его значения заняли бы", 0), 0U);
}

TEST(WorkspaceBounds, MarksTakenOutOfTheParseReadAsThoseLeftInIt)
{
    // Every fault of a mark is told as before, in the order of the file: the marks before it
    // were taken, the rest are read from the tree.
    SurveyDocument doc;
    SectionScene::Saved section;
    section.drawn = true;
    section.annotations = Steps(3, 3, 2);
    section.annotations[1].marks[1].kind = WorkspaceMark::Kind::Text;
    section.annotations[1].marks[1].text = "Песок";
    // A text of bytes that are no UTF-8 is written as its bytes: read the long way.
    section.annotations[2].marks[0].kind = WorkspaceMark::Kind::Text;
    section.annotations[2].marks[0].text = std::string("\xff\xfe глина", 13);
    doc.section().restore(section);
    const nlohmann::json good = nlohmann::json::parse(WorkspaceText(doc, "p"));
    const ReadLimits limits;
    auto both = [&](const nlohmann::json& j) {
        const std::string taken = Open(j.dump(), limits);
        EXPECT_EQ(taken, Open(j.dump(), limits, nullptr, Marks::LeftAsJson)) << j["extras"]["annotations"].dump();
        return taken;
    };
    EXPECT_EQ(both(good), "(no error)");
    LoadedWorkspace opened;
    ASSERT_EQ(Open(good.dump(), limits, &opened), "(no error)");
    EXPECT_EQ(opened.document->section().annotations(), section.annotations);
    nlohmann::json j = good;
    j["extras"]["annotations"]["steps"][1]["marks"][2]["kind"] = "circle";
    EXPECT_EQ(both(j), kDamaged + "неизвестный вид пометки «circle» в «extras.annotations.steps[1].marks[2]».");
    j = good;
    j["extras"]["annotations"]["steps"][2]["marks"][0]["state"] = 2;
    EXPECT_NE(both(j), "(no error)");
    j = good;
    j["extras"]["annotations"]["steps"][0]["marks"][1]["a"] = {1};
    EXPECT_EQ(both(j), kDamaged + "поле «extras.annotations.steps[0].marks[1].a» должно быть парой чисел.");
    j = good;
    j["extras"]["annotations"]["steps"][2]["name"] = 5;
    EXPECT_NE(both(j), "(no error)");
    j = good;
    j["extras"]["annotations"]["states"][0]["pen"]["style"] = 99;
    EXPECT_NE(both(j), "(no error)");
    // A later version is told as such, whatever its marks hold.
    j = good;
    j["version"] = 3;
    j["extras"]["annotations"]["steps"][0]["marks"][0] = {{"shape", "new"}};
    EXPECT_EQ(both(j), "Файл проекта «p» записан более новой версией программы (версия 3).");

    // States written after the steps (by hand): the marks are read from the tree, the same.
    std::string text = good.dump();
    const std::string states = "\"states\":" + good["extras"]["annotations"]["states"].dump() + ",";
    const std::size_t at = text.find(states);
    ASSERT_NE(at, std::string::npos);
    text.erase(at, states.size());
    const std::string stepsEnd = good["extras"]["annotations"]["steps"].dump();
    const std::size_t after = text.find(stepsEnd) + stepsEnd.size();
    text.insert(after, "," + states.substr(0, states.size() - 1));
    LoadedWorkspace loaded;
    ASSERT_EQ(Open(text, limits, &loaded), "(no error)");
    EXPECT_EQ(loaded.document->section().annotations(), section.annotations);
}

TEST(WorkspaceBounds, TableRowsThatWouldCostMoreThanTheirTextAreRefusedBeforeAnyIsMade)
{
    nlohmann::json project = EmptyProject();
    nlohmann::json& depth = project["tables"]["depth"];
    const int rows = 200'000;
    depth["rows"] = rows;
    depth["cols"] = 3;
    depth["labels"] = "";
    depth["cells"] = std::string(rows, '\n');
    const std::string text = project.dump();

    // 200,000 empty rows are 200 KB of text and about 3.5 MB of rows.
    const std::size_t need = Grid::recordBytes(rows + 1, rows);
    ASSERT_GT(need, std::size_t{3} << 20);
    EXPECT_EQ(Open(text, ReadLimits{64, std::size_t{1} << 20}),
              kDamaged + "таблица «tables.depth» из 200000 строк заняла бы в памяти 4 МБ, а допускается не больше 1 МБ "
                         "(размер её текста и ещё 1 МБ).");
    // Rows holding cells of a survey's length pay their records with their text.
    std::string cells;
    for (int r = 0; r < rows; ++r)
        cells += "1234.25\t30.5000000000000\n";
    depth["cells"] = cells;
    LoadedWorkspace loaded;
    ASSERT_EQ(Open(project.dump(), ReadLimits{64, std::size_t{1} << 20}, &loaded), "(no error)");
    EXPECT_EQ(loaded.document->depthTable().rowCount(), rows);
    EXPECT_EQ(loaded.document->depthTable().cell(2, rows - 1), "30.5000000000000");
    // Empty rows open under the real limits too: 5 MB is well within them.
    EXPECT_EQ(errorText([&] { ReadWorkspace(text, "p"); }), "(no error)");
}

TEST(WorkspaceBounds, ASoilListWhoseEntriesWouldTakeMoreThanTheSlackIsRefused)
{
    // 200 KB hold 800 entries of the soil window.
    const ReadLimits limits{64, 200 * 1024};
    nlohmann::json project = EmptyProject();
    project["extras"]["soils"] = std::vector<std::string>(800, "");
    LoadedWorkspace loaded;
    ASSERT_EQ(Open(project.dump(), limits, &loaded), "(no error)");
    EXPECT_EQ(loaded.document->soils().size(), 800U);
    project["extras"]["soils"] = std::vector<std::string>(801, "");
    EXPECT_EQ(Open(project.dump(), limits), kDamaged + "список грунтов из 801 строк занял бы в памяти больше 0 МБ.");
}

TEST(WorkspaceBounds, SavedStatesAreListedOnceInTheOrderOfFirstUse)
{
    // Steps in a thousand colours: each state once, the first used first, and read back the same.
    const std::vector<WorkspaceAnnotation> steps = Steps(3000, 2, 1000);
    const OutJson json = AnnotationsJson(steps);
    const auto& states = json["states"];
    ASSERT_EQ(states.size(), 1000U);
    std::vector<Color> order;
    std::set<Color> seen;
    for (const WorkspaceAnnotation& a : steps)
        for (const WorkspaceMark& m : a.marks)
            if (seen.insert(m.pen.color).second)
                order.push_back(m.pen.color);
    for (std::size_t i = 0; i < order.size(); ++i)
        EXPECT_EQ(states[i]["pen"]["color"].get<Color>(), order[i]) << i;
    const Progress none;
    const Reader in("p", none);
    const Json parsed = Json::parse(json.dump());
    EXPECT_EQ(ReadAnnotations(in, parsed, "extras.annotations"), steps);
}

} // namespace
} // namespace trassel
