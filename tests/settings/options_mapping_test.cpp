// The saved settings taken from the document and put back into it, alone and through the
// settings file.
#include "settings/options_mapping.h"

#include "document/survey_document.h"
#include "settings/ini_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

using namespace trassel;

namespace {

bool Same(const OptionValues& a, const OptionValues& b)
{
    return a.delimiterIndex == b.delimiterIndex && a.picketColumnText == b.picketColumnText &&
           a.cursorHorzSize == b.cursorHorzSize && a.cursorVertSize == b.cursorVertSize &&
           a.cursorHorizMarkVisible == b.cursorHorizMarkVisible && a.cursorVertMarkVisible == b.cursorVertMarkVisible &&
           a.vertIncrement == b.vertIncrement;
}

OptionValues Chosen()
{
    OptionValues v;
    v.delimiterIndex = 2;
    v.picketColumnText = "3";
    v.cursorHorzSize = 31;
    v.cursorVertSize = 7;
    v.cursorHorizMarkVisible = false;
    v.cursorVertMarkVisible = true;
    v.vertIncrement = "2,5";
    return v;
}

} // namespace

TEST(OptionsMapping, TakesTheTableSettingsAndTheCursorFromTheDocument)
{
    SurveyDocument doc;
    doc.setDelimiter(1, "точка с запятой");
    doc.setPicketColumnText("4");
    DiagramParams diagram = doc.diagramParams();
    diagram.CursorHorzSize = 12;
    diagram.CursorVertSize = 34;
    diagram.CursorHorizMarkVisible = false;
    diagram.CursorVertMarkVisible = false;
    diagram.VertIncrement = "5";
    doc.setDiagramParams(diagram);

    const OptionValues v = OptionsOf(doc);
    EXPECT_EQ(v.delimiterIndex, 1);
    EXPECT_EQ(v.picketColumnText, "4");
    EXPECT_EQ(v.cursorHorzSize, 12);
    EXPECT_EQ(v.cursorVertSize, 34);
    EXPECT_FALSE(v.cursorHorizMarkVisible);
    EXPECT_FALSE(v.cursorVertMarkVisible);
    EXPECT_EQ(v.vertIncrement, "5");
}

TEST(OptionsMapping, PutsEveryValueBackAndNothingElse)
{
    SurveyDocument doc;
    DiagramParams before = doc.diagramParams();
    before.WindowWidth = 7;
    doc.setDiagramParams(before);
    const TableSettings settingsBefore = doc.settings();
    const std::string cell = doc.depthTable().cell(1, 2);
    std::vector<DocumentChange::What> changes;
    Subscription token = doc.subscribe([&](const DocumentChange& c) { changes.push_back(c.what); });

    ApplyOptions(doc, Chosen());
    token.reset();
    EXPECT_TRUE(Same(OptionsOf(doc), Chosen()));
    EXPECT_EQ(doc.settings().delimiterText, "запятая");
    EXPECT_EQ(doc.delimiter(), ',');
    // The rest of the diagram's parameters, the header rows and the data stay as they were.
    EXPECT_EQ(doc.diagramParams().WindowWidth, 7);
    EXPECT_EQ(doc.diagramParams().WindowHeight, before.WindowHeight);
    EXPECT_EQ(doc.settings().headerRowCount, settingsBefore.headerRowCount);
    EXPECT_EQ(doc.depthTable().cell(1, 2), cell);
    for (DocumentChange::What what : changes)
        EXPECT_TRUE(what == DocumentChange::What::Settings || what == DocumentChange::What::DiagramParams);
    EXPECT_FALSE(changes.empty());
}

TEST(OptionsMapping, ADelimiterOutsideTheItemsChoosesNone)
{
    for (const int stored : {-1, 4, 99, -7}) {
        SCOPED_TRACE(stored);
        SurveyDocument doc;
        doc.setDelimiter(3, "пробел");
        OptionValues v = Chosen();
        v.delimiterIndex = stored;
        ApplyOptions(doc, v);
        EXPECT_EQ(doc.settings().delimiterIndex, -1);
        EXPECT_EQ(doc.settings().delimiterText, "");
        EXPECT_EQ(doc.delimiter(), '\t');
        EXPECT_EQ(OptionsOf(doc).delimiterIndex, -1);
    }
    // Each item by its own name.
    for (const auto& [item, name] : {std::pair{0, "табуляция"}, {1, "точка с запятой"}, {3, "пробел"}}) {
        SurveyDocument doc;
        OptionValues v = Chosen();
        v.delimiterIndex = item;
        ApplyOptions(doc, v);
        EXPECT_EQ(doc.settings().delimiterText, name);
    }
}

TEST(OptionsMapping, ASavedFileBringsTheSameSettingsIntoAnotherDocument)
{
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("trassel-options-mapping-" + std::to_string(::getpid()) + ".ini");
    std::filesystem::remove(path);
    SurveyDocument first;
    ApplyOptions(first, Chosen());
    {
        IniFile file(path.string());
        SaveOptions(file, OptionsOf(first));
    }
    SurveyDocument second;
    ApplyOptions(second, LoadOptions(IniFile(path.string())));
    std::filesystem::remove(path);
    EXPECT_TRUE(Same(OptionsOf(second), OptionsOf(first)));
    EXPECT_EQ(second.settings().delimiterText, first.settings().delimiterText);
}
