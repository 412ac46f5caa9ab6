// The design norms in the document: set as one undoable step, refused whole when absurd, kept
// in the workspace file; and the thickness analysis that follows the table, the layers and the
// norms whichever road a change took.
#include "document/survey_document.h"

#include "document/workspace.h"
#include "document_state.h"
#include "support/error_text.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <utility>

namespace trassel {
namespace {

// A survey of 100 m at 10 m: ballast bottom in column 3, sand bottom in column 4, with layers
// for both. Sleeper base at 0: the ballast is as thick as its column says.
void MakeSurvey(SurveyDocument& doc)
{
    std::string text = "ПК\tПК+\tБалласт\tПесок\r\n";
    for (int i = 0; i <= 10; ++i)
        text += (i < 10 ? "0." + std::to_string(i) + "0" : std::string("1")) + "\t\t" +
                std::to_string(i == 4 || i == 5 ? 30 : 45) + "\t70\r\n";
    ASSERT_TRUE(doc.pasteTable(text));
    doc.setRange(2, 12);
    doc.select(3, 2);
    doc.addLayer();
    doc.select(4, 2);
    doc.addLayer();
}

DesignNorms Norms()
{
    DesignNorms n;
    n.stretches = {{0, 100, 1, Sleeper::Wooden}}; // 35 cm of ballast
    n.layers = {{4, "Песчаная подушка", 20.0}};
    n.toleranceCm = 1;
    n.prismWidthM = 2;
    return n;
}

TEST(NormsDocument, NormsAreOneUndoableStepAndTheAnalysisFollows)
{
    SurveyDocument doc;
    MakeSurvey(doc);
    EditRecorder history;
    doc.setEditSink(&history);
    int told = 0;
    const Subscription token = doc.subscribe([&](const DocumentChange& c) {
        if (c.what == DocumentChange::What::Norms) {
            ++told;
            // A listener may ask at once and sees the new norms at work.
            static_cast<void>(doc.compliance());
        }
    });

    // Without norms nothing fails.
    const Compliance& none = doc.compliance();
    ASSERT_EQ(none.layers.size(), 2u);
    EXPECT_EQ(none.points.size(), 11u);
    EXPECT_EQ(none.layers[0].line.name, "Балласт");
    EXPECT_TRUE(none.layers[0].stretches.empty());

    doc.setNorms(Norms());
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history.last().text(), "Нормы проектирования");
    EXPECT_EQ(told, 1);
    const Compliance& c = doc.compliance();
    EXPECT_EQ(c.layers[1].line.name, "Песчаная подушка");
    // Points 40 and 50 m hold 30 cm of ballast against 35: one stretch from 35 to 55 m.
    ASSERT_EQ(c.layers[0].stretches.size(), 1u);
    EXPECT_EQ(c.layers[0].stretches[0].fromM, 35);
    EXPECT_EQ(c.layers[0].stretches[0].toM, 55);
    EXPECT_NEAR(c.layers[0].stretches[0].volumeM3, 0.05 * 20 * 2, 1e-12);
    EXPECT_EQ(c.layers[0].line.deviationCm(4), -5);
    // The sand between 30 and 70 cm: 40 cm under its 20 cm norm, 25 where the ballast is thinner.
    EXPECT_EQ(c.layers[1].line.thicknessCm[4], 40);
    EXPECT_EQ(c.layers[1].line.thicknessCm[0], 25);
    EXPECT_TRUE(c.layers[1].stretches.empty());

    // A correction of one cell is read again: the stretch grows by the point at 60 m.
    doc.writeCell(TableId::Depth, 3, 8, "20");
    ASSERT_EQ(doc.compliance().layers[0].stretches.size(), 1u);
    EXPECT_EQ(doc.compliance().layers[0].stretches[0].toM, 65);
    EXPECT_EQ(doc.compliance().layers[0].stretches[0].leastCm, 20);
    history.last().revert(doc);
    EXPECT_EQ(doc.compliance().layers[0].stretches[0].toM, 55);

    // The norms' undo and redo take the same road.
    history.edits[0]->revert(doc);
    EXPECT_TRUE(doc.norms() == DesignNorms{});
    EXPECT_TRUE(doc.compliance().layers[0].stretches.empty());
    history.edits[0]->apply(doc);
    EXPECT_TRUE(doc.norms() == Norms());
    EXPECT_EQ(doc.compliance().layers[0].stretches.size(), 1u);
    EXPECT_EQ(told, 3);

    // Setting the same norms again is no step.
    doc.setNorms(Norms());
    EXPECT_EQ(history.size(), 2u);

    // The range and the layers are read afresh: without the stretch's rows there is none.
    doc.setRange(2, 5);
    EXPECT_EQ(doc.compliance().points.size(), 4u);
    EXPECT_TRUE(doc.compliance().layers[0].stretches.empty());
}

TEST(NormsDocument, AbsurdNormsChangeNothing)
{
    SurveyDocument doc;
    EditRecorder history;
    doc.setEditSink(&history);
    doc.setNorms(Norms());
    DesignNorms bad = Norms();
    bad.stretches.push_back({50, 200, 2, Sleeper::Concrete});
    EXPECT_EQ(errorText([&] { doc.setNorms(bad); }),
              "Поле «участок норм 2»: участок начинается (50 м) раньше конца предыдущего (100 м).");
    bad = Norms();
    bad.prismWidthM = 1000;
    EXPECT_EQ(errorText([&] { doc.setNorms(bad); }), "Поле «ширина призмы»: значение 1000 м вне пределов 0…100.");
    EXPECT_TRUE(doc.norms() == Norms());
    EXPECT_EQ(history.size(), 1u);
}

TEST(NormsDocument, PicketsOutOfOrderAreReportedAndTheAnalysisRecovers)
{
    SurveyDocument doc;
    MakeSurvey(doc);
    doc.setNorms(Norms());
    ASSERT_EQ(doc.compliance().layers[0].stretches.size(), 1u);
    doc.writeCell(TableId::Depth, 1, 6, "0.1");
    EXPECT_EQ(errorText([&] { doc.compliance(); }),
              "Пикет строки 6 (0+10) меньше пикета строки 5 (0+30): пикеты должны идти по возрастанию.");
    doc.writeCell(TableId::Depth, 1, 6, "0.4");
    EXPECT_EQ(doc.compliance().layers[0].stretches.size(), 1u);
}

bool Same(double a, double b) { return (std::isnan(a) && std::isnan(b)) || a == b; }

// "" when the document's kept analysis is the one made afresh from its table, to the last bit.
std::string Difference(SurveyDocument& doc)
{
    const Compliance& kept = doc.compliance();
    ThicknessAnalysis fresh;
    const Compliance& made = fresh.compute(doc.depthTable(), doc.complianceSetup());
    if (kept.points.rows != made.points.rows || kept.points.posM != made.points.posM)
        return "points";
    if (kept.layers.size() != made.layers.size())
        return "layers";
    for (std::size_t l = 0; l < kept.layers.size(); ++l) {
        const LayerCompliance& a = kept.layers[l];
        const LayerCompliance& b = made.layers[l];
        const std::string layer = "layer " + std::to_string(l) + ": ";
        if (a.line.name != b.line.name || a.line.thicknessCm.size() != b.line.thicknessCm.size())
            return layer + "line";
        for (std::size_t i = 0; i < a.line.thicknessCm.size(); ++i)
            if (!Same(a.line.thicknessCm[i], b.line.thicknessCm[i]) || !Same(a.line.normAt(i), b.line.normAt(i)))
                return layer + "point " + std::to_string(i);
        if (a.stretches != b.stretches)
            return layer + "stretches";
        for (const auto& [x, y] : {std::pair{&a.per100m, &b.per100m}, std::pair{&a.perKm, &b.perKm}}) {
            if (x->size() != y->size())
                return layer + "segments";
            for (std::size_t k = 0; k < x->size(); ++k) {
                const SegmentSummary& s = (*x)[k];
                const SegmentSummary& t = (*y)[k];
                if (s.index != t.index || s.dataM != t.dataM || !Same(s.minCm, t.minCm) || !Same(s.meanCm, t.meanCm) ||
                    !Same(s.maxCm, t.maxCm) || !Same(s.normCm, t.normCm) || s.belowM != t.belowM ||
                    !Same(s.sharePercent, t.sharePercent) || s.stretches != t.stretches || s.volumeM3 != t.volumeM3 ||
                    s.condition != t.condition)
                    return layer + "segment " + std::to_string(s.index);
            }
        }
    }
    return "";
}

TEST(NormsDocument, CorrectionsKeepTheAnalysisAsAFreshOneWouldBe)
{
    // 1.2 km at 4 m with three boundaries about their norms, corrected at random through the
    // document: cells of every layer (thin and thick, gaps, text, comma decimals), pickets
    // (moved, emptied, given back), blocks of cells emptied, new norms (alone or after a cell),
    // and steps undone and done again. After each the kept analysis must be the one made afresh.
    const auto picket = [](int metres) {
        return std::to_string(metres / 100) + "." + (metres % 100 < 10 ? "0" : "") + std::to_string(metres % 100);
    };
    std::string text = "ПК\tПК+\tБалласт\tПесок\tСуглинок\r\n";
    std::mt19937 random(5);
    for (int i = 0; i < 300; ++i)
        text += picket(i * 4) + "\t\t" + std::to_string(30 + random() % 20) + "\t" +
                std::to_string(70 + random() % 20) + "\t" + std::to_string(110 + random() % 20) + "\r\n";
    SurveyDocument doc;
    ASSERT_TRUE(doc.pasteTable(text));
    doc.setRange(2, 301);
    for (const int col : {3, 4, 5}) {
        doc.select(col, 2);
        doc.addLayer();
    }
    DesignNorms norms;
    norms.stretches = {{0, 600, 1, Sleeper::Wooden}, {600, 1200, 3, Sleeper::Concrete}};
    norms.layers = {{4, "", 30.0}, {5, "", 35.0}};
    norms.sleeperBaseCm = 5;
    norms.toleranceCm = 1;
    norms.minLengthM = 8;
    norms.joinGapM = 10;
    doc.setNorms(norms);
    EditRecorder history;
    doc.setEditSink(&history);
    ASSERT_EQ(Difference(doc), "");
    for (int step = 0; step < 400; ++step) {
        SCOPED_TRACE(step);
        const int row = 2 + static_cast<int>(random() % 300);
        const int kind = static_cast<int>(random() % 22);
        if (kind >= 20) {
            // New norms, which the analysis measures against the thicknesses it has; a cell
            // typed just before them makes it read the rows again.
            if (kind == 21)
                doc.writeCell(TableId::Depth, 3, row, std::to_string(20 + random() % 30));
            DesignNorms n = doc.norms();
            n.toleranceCm = static_cast<double>(random() % 4);
            n.layers[0].normCm = 25.0 + static_cast<double>(random() % 15);
            n.stretches = random() % 3 == 0 ? std::vector<DesignStretch>{} : norms.stretches;
            n.sleeperBaseCm = random() % 4 == 0 ? 7 : 5;
            n.joinGapM = static_cast<double>(random() % 12);
            doc.setNorms(n);
        } else if (kind < 14) {
            const int col = 3 + static_cast<int>(random() % 3);
            const int base = col == 3 ? 30 : col == 4 ? 70 : 110;
            const int pick = static_cast<int>(random() % 12);
            doc.writeCell(TableId::Depth, col, row,
                          pick == 0   ? ""
                          : pick == 1 ? "нет"
                          : pick == 2 ? std::to_string(base + 5) + ",5"
                                      : std::to_string(base + static_cast<int>(random() % 40) - 10));
        } else if (kind < 16) {
            // A picket between its neighbours keeps the order; an empty one drops the point.
            doc.writeCell(TableId::Depth, 1, row, kind == 14 ? "" : picket((row - 2) * 4 + 1));
        } else if (kind < 17) {
            doc.clearCells(TableId::Depth, {3, row, 3 + static_cast<int>(random() % 3), std::min(row + 3, 301)});
        } else if (!history.edits.empty()) {
            Edit& last = history.last();
            last.revert(doc);
            if (kind == 17) {
                ASSERT_EQ(Difference(doc), "");
                last.apply(doc);
            } else {
                history.edits.pop_back();
            }
        }
        ASSERT_EQ(Difference(doc), "");
    }
}

std::string TempFile(const std::string& name)
{
    return (std::filesystem::temp_directory_path() / ("trassel-norms-" + name)).string();
}

TEST(NormsDocument, WorkspaceKeepsTheNorms)
{
    SurveyDocument doc;
    MakeSurvey(doc);
    DesignNorms n = Norms();
    n.ballast.set(4, Sleeper::Concrete, 22.5);
    n.stretches.push_back({100, 250.5, 4, Sleeper::Concrete});
    n.layers.push_back({3, "", std::nullopt});
    n.sleeperBaseCm = -3;
    n.minLengthM = 5;
    n.joinGapM = 2.5;
    n.classes = {{"годно", 10}, {"негодно", 100}};
    doc.setNorms(n);

    const std::string file = TempFile("проект.trassel");
    SaveWorkspace(file, doc);
    const LoadedWorkspace loaded = LoadWorkspace(file);
    std::filesystem::remove(file);
    EXPECT_TRUE(loaded.document->norms() == n);

    SurveyDocument into;
    int told = 0;
    const Subscription token = into.subscribe([&](const DocumentChange& c) {
        if (c.what == DocumentChange::What::Norms)
            ++told;
    });
    into.takeOver(*loaded.document);
    EXPECT_TRUE(into.norms() == n);
    EXPECT_EQ(told, 1);
    EXPECT_EQ(into.compliance().layers[0].stretches.size(), 1u);

    // A project with the default norms is written as before, and older files open with them.
    const std::string plain = WorkspaceText(SurveyDocument{}, file);
    EXPECT_EQ(plain.find("designNorms"), std::string::npos);
    EXPECT_TRUE(ReadWorkspace(plain, file).document->norms() == DesignNorms{});
}

std::string OpenEdited(const std::function<void(nlohmann::json&)>& change)
{
    SurveyDocument doc;
    doc.setNorms(Norms());
    const std::string file = "п.trassel";
    nlohmann::json j = nlohmann::json::parse(WorkspaceText(doc, file));
    change(j["designNorms"]);
    const std::string e = errorText([&] { ReadWorkspace(j.dump(), file); });
    const std::string cut = "повреждён: ";
    const std::size_t at = e.find(cut);
    return at == std::string::npos ? e : e.substr(at + cut.size());
}

TEST(NormsDocument, WorkspaceRefusesAbsurdNormsNamingTheField)
{
    EXPECT_EQ(OpenEdited([](nlohmann::json&) {}), "(no error)");
    EXPECT_EQ(OpenEdited([](nlohmann::json& j) { j["toleranceCm"] = -2; }),
              "поле «designNorms»: Поле «допуск»: значение -2 см вне пределов 0…10000.");
    EXPECT_EQ(OpenEdited([](nlohmann::json& j) { j["stretches"][0]["sleeper"] = "steel"; }),
              "поле «designNorms.stretches[0].sleeper» содержит неизвестное значение «steel».");
    // Refusals of the reader's own name the member too.
    EXPECT_NE(OpenEdited([](nlohmann::json& j) {
                  j["stretches"][0]["trackClass"] = 9;
              }).find("«designNorms.stretches[0].trackClass»"),
              std::string::npos);
    EXPECT_EQ(OpenEdited([](nlohmann::json& j) { j["ballastCm"][1][0] = "много"; }),
              "поле «designNorms.ballastCm[1][0]» должно быть числом или null.");
    EXPECT_EQ(OpenEdited([](nlohmann::json& j) { j["ballastCm"].erase(4); }),
              "в поле «designNorms.ballastCm» должно быть 5 строк.");
    EXPECT_EQ(OpenEdited([](nlohmann::json& j) { j["stretches"][0]["toM"] = -1; }),
              "поле «designNorms»: Поле «участок норм 1»: конец (-1 м) раньше начала (0 м).");
    EXPECT_EQ(
        OpenEdited([](nlohmann::json& j) {
            j["classes"] = nlohmann::json::array({{{"name", "x"}, {"maxSharePercent", 50}}});
        }),
        "поле «designNorms»: Поле «класс состояния 1, доля ниже нормы»: последний класс должен доходить до 100 %.");
    EXPECT_NE(OpenEdited([](nlohmann::json& j) { j.erase("prismWidthM"); }).find("«designNorms.prismWidthM»"),
              std::string::npos);
}

} // namespace
} // namespace trassel
