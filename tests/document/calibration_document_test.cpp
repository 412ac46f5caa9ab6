// Calibration in the document: the table of known depths as an undoable step, the fitted
// permittivity applied as one step and taken back by its undo, refusals that change nothing, and
// the workspace file (and an older one) that keeps the table.
#include "document/survey_document.h"

#include "document/workspace.h"
#include "document_state.h"
#include "radargram/radargram_test_support.h"
#include "support/error_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace trassel {
namespace {

// A DZT of 1000 traces, 10 a metre, ε 6.25 in its header, marks at traces 100 and 600 tied to
// pickets 12.00 and 12.40; the depth table's rows 2..19 at pickets 12.00, 12.02, … with the
// boundary of column 2 at 50 cm.
void MakeSurvey(const test::ReaderDir& dir, SurveyDocument& doc)
{
    test::DztLayout layout;
    layout.traces = 1000;
    layout.samples = 16;
    layout.range = 50.0f;
    layout.scansPerMetre = 10.0f;
    layout.permittivity = 6.25f;
    layout.flagged = {100, 600};
    doc.openRadargramFile(dir.write("участок.dzt", test::WriteDzt(layout)));
    doc.setRadargramTies({{100, 12.00}, {600, 12.40}});
    Grid& g = doc.depthTable();
    for (int r = 2; r < g.rowCount(); ++r) {
        g.setCell(1, r, std::to_string(12.00 + 0.02 * (r - 2)));
        g.setCell(2, r, "50");
    }
    doc.setRange(2, g.rowCount() - 1);
}

TEST(CalibrationDocument, AppliedAsOneStepAndUndoneToTheFormerPermittivity)
{
    test::ReaderDir dir;
    SurveyDocument doc;
    MakeSurvey(dir, doc);
    EditRecorder history;
    doc.setEditSink(&history);

    const std::vector<KnownDepth> known{{12.02, 2, 45.0, "скважина"},
                                        {12.10, 2, 46.0, "шурф"},
                                        {12.21, 2, 44.0, "скважина"}};
    doc.setKnownDepths(known);
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history.last().text(), "Известные глубины");
    EXPECT_EQ(doc.knownDepths(), known);

    const CalibrationResult fit = doc.calibrate();
    ASSERT_TRUE(fit.anyFitted());
    // 50 cm picked at ε 6.25 and 45 cm known is a speed 0.9 times as high: ε / 0.81, and so on.
    const double speed = (45.0 + 46.0 + 44.0) / 150.0;
    EXPECT_NEAR(fit.permittivity.eps[0], 6.25 / (speed * speed), 1e-9);
    EXPECT_GT(fit.layers[0].epsError, 0);
    ASSERT_EQ(fit.points.size(), 3u);
    // Each point at 45 cm after the fit: 45, 46 and 44 known.
    EXPECT_NEAR(fit.points[0].misfitCm, 0, 1e-9);
    EXPECT_NEAR(fit.points[1].misfitCm, -1, 1e-9);
    EXPECT_NEAR(fit.points[2].misfitCm, 1, 1e-9);

    doc.applyCalibration(fit);
    ASSERT_EQ(history.size(), 2u);
    EXPECT_EQ(history.last().text(), "Калибровка ε");
    EXPECT_EQ(doc.radargramModel().permittivity, fit.permittivity);
    // The misfits reported are those the model now in force gives the reflections picked before.
    const double picked = DepthModel(6.25, doc.radargramModel().timeZeroNs).timeNs(50);
    EXPECT_NEAR(doc.radargramModel().depthModel().depthCm(picked), 45, 1e-9);

    doc.undo(history.last());
    EXPECT_EQ(doc.radargramModel().permittivity.eps, std::vector<double>{6.25});
    doc.redo(history.last());
    EXPECT_EQ(doc.radargramModel().permittivity, fit.permittivity);
    doc.undo(history.last());
    doc.undo(*history.edits[0]);
    EXPECT_TRUE(doc.knownDepths().empty());
}

TEST(CalibrationDocument, RefusalsLeaveTheTableAndThePermittivity)
{
    test::ReaderDir dir;
    SurveyDocument doc;
    MakeSurvey(dir, doc);
    EditRecorder history;
    doc.setEditSink(&history);
    const std::vector<KnownDepth> one{{12.02, 2, 45.0, "скважина"}};
    doc.setKnownDepths(one);

    EXPECT_EQ(errorText([&] {
                  doc.setKnownDepths({{NAN, 2, 45.0, ""}});
              }),
              "Известная глубина 1: пикет должен быть конечным числом.");
    EXPECT_EQ(errorText([&] {
                  doc.setKnownDepths({{12.0, 2, -3.0, ""}});
              }),
              "Известная глубина 1: глубина должна быть больше 0 см.");
    EXPECT_EQ(errorText([&] {
                  doc.setKnownDepths({{12.0, 0, 3.0, ""}});
              }),
              "Известная глубина 1: номер столбца слоя должен быть не меньше 1.");
    EXPECT_EQ(doc.knownDepths(), one);

    // One point fits nothing: there is nothing to apply, and no step is made.
    const CalibrationResult fit = doc.calibrate();
    EXPECT_FALSE(fit.anyFitted());
    EXPECT_EQ(errorText([&] { doc.applyCalibration(fit); }), "Калибровка не подобрала ни одной ε: применять нечего.");
    // A fit made for other layers of the depth model is not applied over the present ones.
    doc.setKnownDepths({{12.02, 2, 45.0, "скважина"}, {12.04, 2, 46.0, "скважина"}});
    const CalibrationResult stale = doc.calibrate();
    doc.setRadargramPermittivity(Permittivity{{30}, {6, 9}});
    EXPECT_NE(errorText([&] { doc.applyCalibration(stale); }).find("для других слоёв"), std::string::npos);
    EXPECT_EQ(doc.radargramModel().permittivity, (Permittivity{{30}, {6, 9}}));
    EXPECT_EQ(history.size(), 3u);
}

TEST(CalibrationDocument, WorkspaceKeepsTheTableOfKnownDepths)
{
    test::ReaderDir dir;
    SurveyDocument doc;
    MakeSurvey(dir, doc);
    const std::vector<KnownDepth> known{{12.02, 2, 45.25, "скважина"}, {12.10, 3, std::nullopt, "шурф 3"}};
    doc.setKnownDepths(known);
    const std::string file = dir.file("проект.trassel");
    SaveWorkspace(file, doc);
    const LoadedWorkspace loaded = LoadWorkspace(file);
    EXPECT_EQ(loaded.document->knownDepths(), known);
    SurveyDocument into;
    into.takeOver(*loaded.document);
    EXPECT_EQ(into.knownDepths(), known);

    // A project without known depths is written without the member.
    EXPECT_EQ(WorkspaceText(SurveyDocument{}, file).find("knownDepths"), std::string::npos);
    // A damaged depth is named.
    std::string text = WorkspaceText(doc, file);
    text.replace(text.find("45.25"), 5, "-1");
    EXPECT_NE(errorText([&] { ReadWorkspace(text, file); }).find("knownDepths[0].depthCm"), std::string::npos);
}

TEST(CalibrationDocument, GoldenFilesOpenWithTheirKnownDepths)
{
    const std::string data = std::string(TRASSEL_SOURCE_DIR) + "/tests/document/data/";
    // Written before the table existed: none.
    EXPECT_TRUE(LoadWorkspace(data + "workspace_v1.trassel").document->knownDepths().empty());
    const LoadedWorkspace loaded = LoadWorkspace(data + "workspace_v1_known_depths.trassel");
    EXPECT_EQ(loaded.document->knownDepths(),
              (std::vector<KnownDepth>{{1.1, 3, 33.5, "скважина"}, {1.2, 4, std::nullopt, "шурф"}}));
    // The rest of the file reads as it did.
    EXPECT_EQ(loaded.document->depthTable().cell(3, 2), "30");
}

} // namespace
} // namespace trassel
