// The instrument radargram in the document: opened from a DZT with marks, its marks tied to
// pickets, a permittivity and time zero set, every step undone and redone, refusals that
// leave the model as it was, and the workspace file that keeps all of it.
#include "document/survey_document.h"

#include "document/workspace.h"
#include "document_state.h"
#include "radargram/radargram_test_support.h"
#include "support/error_text.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <functional>
#include <string>
#include <vector>

namespace trassel {
namespace {

// A DZT of 1000 traces of 16 samples over 50 ns (3.125 ns a sample), 10 traces a metre
// (step 0.1 m), permittivity 6.25 in its header, marks flagged at traces 100 and 600.
std::string WriteSurvey(const test::ReaderDir& dir, const std::string& name = "участок.dzt")
{
    test::DztLayout layout;
    layout.traces = 1000;
    layout.samples = 16;
    layout.range = 50.0f;
    layout.scansPerMetre = 10.0f;
    layout.permittivity = 6.25f;
    layout.flagged = {100, 600};
    return dir.write(name, test::WriteDzt(layout));
}

struct Changes {
    explicit Changes(SurveyDocument& doc)
        : token(doc.subscribe([this](const DocumentChange& c) {
              if (c.what == DocumentChange::What::RadargramModel)
                  ++count;
          }))
    {
    }
    int count = 0;
    Subscription token;
};

TEST(RadargramDocument, MarksTiedToPicketsAndADepthScale)
{
    test::ReaderDir dir;
    const std::string path = WriteSurvey(dir);
    SurveyDocument doc;
    EditRecorder history;
    doc.setEditSink(&history);
    Changes changes(doc);
    doc.setRadargramPath("/pictures/участок.png");

    doc.openRadargramFile(path);
    const RadargramModel& m = doc.radargramModel();
    ASSERT_TRUE(m.open());
    EXPECT_EQ(m.file->path, path);
    EXPECT_EQ(m.file->marks, (std::vector<std::int64_t>{100, 600}));
    EXPECT_EQ(m.file->traces, 1000);
    EXPECT_DOUBLE_EQ(m.sampleNs(), 3.125);
    EXPECT_EQ(m.permittivity.eps, std::vector<double>{6.25}); // the header's
    // Time zero from the averaged trace, never on the instrument's two words of a DZT scan.
    EXPECT_GE(m.timeZeroNs, 2 * 3.125);
    EXPECT_LT(m.timeZeroNs, 50.0);
    const double foundZero = m.timeZeroNs;
    // The picture panel's radargram is another thing and stays.
    EXPECT_EQ(doc.radargramPath(), "/pictures/участок.png");

    // Before any tie the header places the traces: trace 350 at 35 m, picket 0.35.
    EXPECT_NEAR(*m.registration().picketOf(350), 0.35, 1e-12);

    // Mark 100 to picket 12.00, mark 600 to picket 12.40: 40 m over 500 traces is 0.08 m a
    // trace, 0.0008 picket. Trace 350 lies at 12.00 + 250 * 0.0008 = 12.20, trace 0 at
    // 12.00 - 100 * 0.0008 = 11.92, trace 999 at 12.40 + 399 * 0.0008 = 12.7192.
    doc.addRadargramTie({m.file->marks[0], 12.00});
    doc.addRadargramTie({m.file->marks[1], 12.40});
    EXPECT_NEAR(*doc.radargramModel().registration().picketOf(350), 12.20, 1e-12);
    EXPECT_NEAR(*doc.radargramModel().registration().picketOf(0), 11.92, 1e-12);
    EXPECT_NEAR(*doc.radargramModel().registration().picketOf(999), 12.7192, 1e-12);
    EXPECT_NEAR(*doc.radargramModel().registration().traceAt(12.30), 475.0, 1e-9);

    // eps 4: v = 0.2998 / 2 = 0.1499 m/ns = 14.99 cm/ns. Time zero moved by the user to 7.5 ns
    // (between samples: the averaged trace's onset lies on a sample, 3.125 ns apart). Sample 10
    // starts at 31.25 ns, 23.75 ns after time zero: depth 14.99 * 23.75 / 2 = 178.00625 cm. A
    // table depth of 30 cm comes back at 7.5 + 2 * 30 / 14.99 = 11.502668 ns.
    doc.setRadargramPermittivity(4.0);
    doc.setRadargramTimeZero(7.5);
    const DepthModel depth = doc.radargramModel().depthModel();
    EXPECT_NEAR(depth.depthCm(10 * doc.radargramModel().sampleNs()), 178.00625, 1e-9);
    EXPECT_NEAR(depth.timeNs(30.0), 7.5 + 60.0 / 14.99, 1e-9);
    EXPECT_NEAR(depth.depthCm(depth.timeNs(30.0)), 30.0, 1e-9);
    // Setting what is already there is no step.
    doc.setRadargramPermittivity(4.0);
    ASSERT_EQ(history.size(), 5U); // open, two ties, eps, time zero
    EXPECT_EQ(changes.count, 5);
    const RadargramModel done = doc.radargramModel();

    // Undone in the order the history undoes them.
    history.edits[4]->revert(doc);
    EXPECT_DOUBLE_EQ(doc.radargramModel().timeZeroNs, foundZero);
    history.edits[3]->revert(doc);
    EXPECT_EQ(doc.radargramModel().permittivity.eps, std::vector<double>{6.25});
    // Without the second tie one tie and the header's step (0.1 m = 0.001 picket a trace)
    // place trace 350 at 12.00 + 250 * 0.001 = 12.25.
    EXPECT_EQ(history.edits[2]->text(), "Привязать трассу");
    history.edits[2]->revert(doc);
    EXPECT_NEAR(*doc.radargramModel().registration().picketOf(350), 12.25, 1e-12);
    history.edits[1]->revert(doc);
    EXPECT_NEAR(*doc.radargramModel().registration().picketOf(350), 0.35, 1e-12);
    history.edits[0]->revert(doc);
    EXPECT_FALSE(doc.radargramModel().open());
    EXPECT_EQ(doc.radargramPath(), "/pictures/участок.png");
    history.applyAll(doc);
    EXPECT_TRUE(doc.radargramModel() == done);
    EXPECT_EQ(changes.count, 15);
}

TEST(RadargramDocument, RefusalsLeaveEverythingAsItWas)
{
    test::ReaderDir dir;
    const std::string path = WriteSurvey(dir);
    SurveyDocument doc;
    EditRecorder history;
    doc.setEditSink(&history);
    doc.openRadargramFile(path);
    doc.addRadargramTie({100, 12.0});
    const RadargramModel before = doc.radargramModel();
    Changes changes(doc);

    EXPECT_EQ(errorText([&] {
                  doc.addRadargramTie({100, 13.0});
              }),
              "Трасса 100 привязана дважды: оставьте одну привязку.");
    EXPECT_EQ(errorText([&] {
                  doc.addRadargramTie({1000, 13.0});
              }),
              "Трассы 1000 в файле радарограммы нет (трасс 1000).");
    EXPECT_EQ(errorText([&] { doc.setRadargramPermittivity(0.8); }),
              "Диэлектрическая проницаемость (0.8) не может быть меньше 1: медленнее света в пустоте волна не "
              "бывает.");
    EXPECT_EQ(errorText([&] { doc.setRadargramPermittivity(120.0); }),
              "Диэлектрическая проницаемость 120 больше 100: такой среды в пути не бывает.");
    EXPECT_EQ(errorText([&] { doc.setRadargramTimeZero(50.0); }),
              "Нулевое время 50 нс лежит вне развёртки трассы (0–50 нс).");
    EXPECT_EQ(errorText([&] { doc.setRadargramChannel(1); }), "Канала 2 в файле радарограммы нет (каналов 1).");
    RadargramDisplay display;
    display.contrast = 0;
    EXPECT_EQ(errorText([&] { doc.setRadargramDisplay(display); }), "Контраст должен быть положительным числом.");
    EXPECT_FALSE(doc.removeRadargramTie(5));

    // A file that is no radargram: the reader's message, and the former file stays.
    const std::string junk = dir.write("пусто.dzt", std::string(10, 'x'));
    const std::string message = errorText([&] { doc.openRadargramFile(junk); });
    EXPECT_NE(message, "(no error)");
    EXPECT_NE(message.find("пусто.dzt"), std::string::npos) << message;
    EXPECT_NE(errorText([&] { doc.openRadargramFile(dir.file("нет.dzt")); }), "(no error)");

    EXPECT_TRUE(doc.radargramModel() == before);
    EXPECT_EQ(history.size(), 2U);
    EXPECT_EQ(changes.count, 0);
}

TEST(RadargramDocument, WorkspaceKeepsTheRadargramAndItsChoices)
{
    test::ReaderDir dir;
    const std::string path = WriteSurvey(dir);
    SurveyDocument doc;
    doc.openRadargramFile(path);
    doc.setRadargramTies({{600, 12.40}, {100, 12.00}});
    doc.setRadargramTimeZero(6.25);
    doc.setRadargramPermittivity(Permittivity{{30.0, 80.5}, {4.5, 9.0, 16.25}});
    RadargramDisplay display;
    display.gain = GainKind::Agc;
    display.gainValue = 2.5;
    display.agcWindowNs = 12.0;
    display.contrast = 1.75;
    display.colors = ColorMap::Diverging;
    doc.setRadargramDisplay(display);
    doc.setRadargramSnap(true);

    const std::string workspace = dir.file("проект.trassel");
    SaveWorkspace(workspace, doc);
    const LoadedWorkspace loaded = LoadWorkspace(workspace);
    const RadargramModel& back = loaded.document->radargramModel();
    EXPECT_TRUE(back == doc.radargramModel());
    EXPECT_TRUE(back.snapToReflection);
    EXPECT_EQ(back.file->path, path);
    EXPECT_NEAR(*back.registration().picketOf(350), 12.20, 1e-12);

    // Put in place, the model is the document's and its change is told.
    SurveyDocument into;
    Changes changes(into);
    into.takeOver(*loaded.document);
    EXPECT_TRUE(into.radargramModel() == doc.radargramModel());
    EXPECT_EQ(changes.count, 1);

    // A project that never had one is written as before, without the member.
    EXPECT_EQ(WorkspaceText(SurveyDocument{}, workspace).find("instrumentRadargram"), std::string::npos);
    // A document with no instrument file keeps its display choices too.
    SurveyDocument plain;
    plain.setRadargramDisplay(display);
    const std::string text = WorkspaceText(plain, workspace);
    EXPECT_TRUE(ReadWorkspace(text, workspace).document->radargramModel() == plain.radargramModel());
    // Like the display, the snap stays when another file is opened, and it is one undoable step.
    EditRecorder history;
    doc.setEditSink(&history);
    doc.openRadargramFile(path);
    EXPECT_TRUE(doc.radargramModel().snapToReflection);
    doc.setRadargramSnap(false);
    ASSERT_EQ(history.size(), 2U);
    EXPECT_EQ(history.edits[1]->text(), "Притягивать к отражению");
    history.edits[1]->revert(doc);
    EXPECT_TRUE(doc.radargramModel().snapToReflection);
    doc.setEditSink(nullptr);
}

// The workspace's text of the survey above with `change` made to its JSON, read back.
std::string OpenEdited(const std::function<void(nlohmann::json&)>& change)
{
    test::ReaderDir dir;
    SurveyDocument doc;
    doc.openRadargramFile(WriteSurvey(dir));
    doc.setRadargramTies({{100, 12.0}, {600, 12.4}});
    const std::string file = dir.file("п.trassel");
    nlohmann::json j = nlohmann::json::parse(WorkspaceText(doc, file));
    change(j);
    return errorText([&] { ReadWorkspace(j.dump(), file); });
}

TEST(RadargramDocument, WorkspaceRefusesAbsurdValuesNamingTheField)
{
    const std::string prefix = "Файл проекта «";
    const auto endsWith = [](const std::string& text, const std::string& end) {
        return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
    };
    const auto at = [](nlohmann::json& j) -> nlohmann::json& { return j["instrumentRadargram"]; };
    EXPECT_EQ(OpenEdited([](nlohmann::json&) {}), "(no error)");

    std::string e = OpenEdited([&](nlohmann::json& j) { at(j)["permittivity"]["eps"][0] = 150; });
    EXPECT_TRUE(endsWith(e, "повреждён: значение поля «instrumentRadargram.permittivity.eps[0]» вне "
                            "допустимых пределов (1…100)."))
        << e;
    e = OpenEdited([&](nlohmann::json& j) { at(j)["permittivity"]["eps"][0] = 0.5; });
    EXPECT_TRUE(endsWith(e, "(1…100).")) << e;
    e = OpenEdited([&](nlohmann::json& j) { at(j)["permittivity"]["boundariesCm"] = {30}; });
    EXPECT_TRUE(endsWith(e, "повреждён: поле «instrumentRadargram»: Для 1 границ слоёв нужно 2 значений "
                            "диэлектрической проницаемости, дано 1."))
        << e;
    e = OpenEdited([&](nlohmann::json& j) {
        nlohmann::json ties = nlohmann::json::array();
        for (int i = 0; i <= 10'000; ++i)
            ties.push_back({{"trace", i}, {"picket", i}});
        at(j)["ties"] = ties;
    });
    EXPECT_TRUE(endsWith(e, "в поле «instrumentRadargram.ties» 10001 элементов, больше допустимых 10000.")) << e;
    e = OpenEdited([&](nlohmann::json& j) { at(j)["ties"][1]["picket"] = 12.0; });
    EXPECT_TRUE(endsWith(e, "поле «instrumentRadargram»: Трассы 100 и 600 привязаны к одному пикету 12.")) << e;
    e = OpenEdited([&](nlohmann::json& j) { at(j)["ties"][0]["picket"] = "nan"; });
    EXPECT_TRUE(endsWith(e, "«instrumentRadargram.ties[0].picket» вне допустимых пределов (-1000000…1000000).")) << e;
    e = OpenEdited([&](nlohmann::json& j) { at(j)["file"]["marks"] = {600, 100}; });
    EXPECT_TRUE(endsWith(e, "«instrumentRadargram.file.marks[1]» вне допустимых пределов (601…999).")) << e;
    e = OpenEdited([&](nlohmann::json& j) { at(j)["display"]["snapToReflection"] = 1; });
    EXPECT_TRUE(e.find("instrumentRadargram.display.snapToReflection") != std::string::npos) << e;
    e = OpenEdited([&](nlohmann::json& j) { at(j)["display"]["gain"] = "loud"; });
    EXPECT_TRUE(endsWith(e, "поле «instrumentRadargram.display.gain» содержит неизвестное значение «loud».")) << e;
    e = OpenEdited([&](nlohmann::json& j) { at(j)["file"]["stepM"] = -1; });
    EXPECT_TRUE(endsWith(e, "«instrumentRadargram.file.stepM» должно быть больше 0 и не больше 1000.")) << e;
    e = OpenEdited([&](nlohmann::json& j) { at(j)["timeZeroNs"] = 60; });
    EXPECT_TRUE(endsWith(e, "Нулевое время 60 нс лежит вне развёртки трассы (0–50 нс).")) << e;
    EXPECT_EQ(e.rfind(prefix, 0), 0U) << e;

    // A file written before the instrument radargram was kept opens without one.
    EXPECT_EQ(OpenEdited([](nlohmann::json& j) { j.erase("instrumentRadargram"); }), "(no error)");
}

} // namespace
} // namespace trassel
