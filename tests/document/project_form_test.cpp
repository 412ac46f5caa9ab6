// The project form (the title block's texts): one undoable step, kept in the workspace file byte
// for byte, absent from projects that never filled it, refused by name when damaged.
#include "document/survey_document.h"

#include "document/workspace.h"
#include "document_state.h"
#include "support/error_text.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>

namespace trassel {
namespace {

std::string TempFile(const std::string& name)
{
    return (std::filesystem::temp_directory_path() / ("trassel-form-" + name)).string();
}

ProjectForm Filled()
{
    ProjectForm f;
    f.organisation = "ООО «Трасса-Георадар»";
    f.object = "Капитальный ремонт пути, перегон Луга – Толмачёво";
    f.line = "Санкт-Петербург – Луга";
    f.track = "2";
    f.developer = "Иванова А. С.";
    f.checker = "Петров И. И.";
    f.date = "12.2026";
    f.deviationPlot = true;
    return f;
}

TEST(ProjectForm, TheFormIsOneUndoableStep)
{
    SurveyDocument doc;
    EditRecorder history;
    doc.setEditSink(&history);
    int told = 0;
    const Subscription token = doc.subscribe([&](const DocumentChange& c) {
        if (c.what == DocumentChange::What::ProjectForm)
            ++told;
    });
    doc.setProjectForm(Filled());
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history.last().text(), "Основная надпись");
    EXPECT_EQ(doc.projectForm(), Filled());
    EXPECT_GT(history.last().bytes(), Filled().object.size());

    ProjectForm changed = Filled();
    changed.checker = "Сидоров П. П.";
    doc.setProjectForm(changed);
    ASSERT_EQ(history.size(), 2u);
    history.last().revert(doc);
    EXPECT_EQ(doc.projectForm(), Filled());
    history.edits[0]->revert(doc);
    EXPECT_EQ(doc.projectForm(), ProjectForm{});
    history.edits[0]->apply(doc);
    history.last().apply(doc);
    EXPECT_EQ(doc.projectForm(), changed);
    EXPECT_EQ(told, 6);

    // The same form again is no step.
    doc.setProjectForm(changed);
    EXPECT_EQ(history.size(), 2u);
}

TEST(ProjectForm, TheWorkspaceKeepsTheFormByteForByte)
{
    SurveyDocument doc;
    ProjectForm f = Filled();
    f.date = std::string("12\xFF\x01.2026\t\n", 11); // bytes no UTF-8 text holds come back too
    f.track = "";
    doc.setProjectForm(f);

    const std::string file = TempFile("форма.trassel");
    SaveWorkspace(file, doc);
    const LoadedWorkspace loaded = LoadWorkspace(file);
    std::filesystem::remove(file);
    EXPECT_EQ(loaded.document->projectForm(), f);

    // An open tells the pages, as every other member.
    SurveyDocument into;
    int told = 0;
    const Subscription token = into.subscribe([&](const DocumentChange& c) {
        if (c.what == DocumentChange::What::ProjectForm)
            ++told;
    });
    into.takeOver(*loaded.document);
    EXPECT_EQ(into.projectForm(), f);
    EXPECT_EQ(told, 1);

    // A project that never filled the form is written as before, and older files open with an
    // empty one.
    const std::string plain = WorkspaceText(SurveyDocument{}, file);
    EXPECT_EQ(plain.find("projectForm"), std::string::npos);
    EXPECT_EQ(ReadWorkspace(plain, file).document->projectForm(), ProjectForm{});

    // A form alone leaves the file at version 1: programs before it open it and skip the form.
    EXPECT_EQ(nlohmann::json::parse(WorkspaceText(doc, file))["version"], 1);
    // A layer filled with a soil hatch makes it version 2, which they refuse as later.
    SurveyDocument layered;
    ASSERT_TRUE(layered.pasteTable("ПК\tБалласт\r\n1\t30\r\n2\t40\r\n"));
    layered.setRange(2, 3);
    layered.select(2, 2);
    layered.addLayer();
    EXPECT_EQ(nlohmann::json::parse(WorkspaceText(layered, file))["version"], 1);
    layered.layers().select(layered.layers().Layers(0).Item);
    layered.setSelectedLayerStyle(SurveyDocument::Style::BrushStyle, 12);
    const std::string hatched = WorkspaceText(layered, file);
    EXPECT_EQ(nlohmann::json::parse(hatched)["version"], 2);
    EXPECT_EQ(ReadWorkspace(hatched, file).document->layers().Layers(0).BrushStyle, 12);

    // A damaged form is refused by the member's place.
    nlohmann::json j = nlohmann::json::parse(WorkspaceText(doc, file));
    j["projectForm"]["checker"] = 5;
    EXPECT_NE(errorText([&] { ReadWorkspace(j.dump(), file); }).find("projectForm.checker"), std::string::npos);
    j = nlohmann::json::parse(WorkspaceText(doc, file));
    j["projectForm"].erase("deviationPlot");
    EXPECT_NE(errorText([&] { ReadWorkspace(j.dump(), file); }).find("projectForm"), std::string::npos);
}

} // namespace
} // namespace trassel
