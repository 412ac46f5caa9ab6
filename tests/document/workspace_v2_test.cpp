// A workspace file of version 2 (a layer filled with a soil hatch, which version 1 cannot hold)
// still opens into the same interpretation: a later program must keep reading the files users
// have.
//
// tests/document/data/workspace_v2.trassel is a golden fixture, written by the program of that
// version. Never regenerate it, never rewrite it with a newer writer.
#include "document/survey_document.h"
#include "document/workspace.h"
#include "drawing/hatches.h"
#include "layers/layers.h"

#include "support/error_text.h"

#include <gtest/gtest.h>

#include <string>

namespace trassel {
namespace {

const std::string kGolden = std::string(TRASSEL_SOURCE_DIR) + "/tests/document/data/workspace_v2.trassel";

TEST(WorkspaceVersion2, GoldenFileOpensWithItsHatchesAndTitleBlock)
{
    LoadedWorkspace loaded;
    ASSERT_EQ(errorText([&] { loaded = LoadWorkspace(kGolden); }), "(no error)");
    ASSERT_NE(loaded.document, nullptr);
    SurveyDocument& doc = *loaded.document;

    EXPECT_EQ(doc.depthTable().cell(2, 4), "310");
    EXPECT_EQ(doc.depthTable().cell(3, 4), "52");
    EXPECT_EQ(doc.depthTable().cell(5, 4), "152");
    EXPECT_EQ(doc.firstDataRow(), 2);
    EXPECT_EQ(doc.lastDataRow(), 7);
    const LayerManager& layers = doc.layers();
    ASSERT_EQ(layers.LayerCount(), 3);
    EXPECT_EQ(layers.Layers(0).DepthColumn, 3);
    EXPECT_EQ(layers.Layers(0).BrushStyle, kFirstHatchOrdinal + 5);
    EXPECT_NE(HatchOfOrdinal(layers.Layers(0).BrushStyle), 0);
    EXPECT_EQ(layers.Layers(1).BrushStyle, kFirstHatchOrdinal);
    EXPECT_EQ(layers.Layers(2).BrushStyle, 4);

    const ProjectForm& form = doc.projectForm();
    EXPECT_EQ(form.organisation, "ООО «Путеец»");
    EXPECT_EQ(form.object, "Перегон Лесная — Озёрная");
    EXPECT_EQ(form.line, "Главный путь");
    EXPECT_EQ(form.track, "1");
    EXPECT_EQ(form.developer, "Иванов");
    EXPECT_EQ(form.checker, "Петров");
    EXPECT_EQ(form.date, "10.12.2026");
    EXPECT_TRUE(form.deviationPlot);
}

} // namespace
} // namespace trassel
