// Workspaces in the window: an interpretation saved and opened again in a new window comes
// back whole; damaged files, unsaved work, the recent list and dropped files.
#include "app/mainform.h"
#include "support/controls.h"
#include "dialogs/qt/list.h"
#include "example_survey.h"
#include "section/qt/section_page.h"
#include "table/grid_io.h"

#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QUrl>

#include <gtest/gtest.h>

#include <string>

using namespace trassel;

namespace {

class WorkspaceFormTest : public test::ExampleSurveyTest {
protected:
    static std::string ExportText(const Grid& grid)
    {
        std::string out;
        WriteGridExport(grid, [&](std::string_view part) { out += part; });
        return out;
    }
    QString labelText() const { return test::Control<QLabel>(form.get(), "lblProject")->text(); }
};

} // namespace

TEST_F(WorkspaceFormTest, AnInterpretationSavedAndOpenedInANewWindowComesBackWhole)
{
    QTemporaryDir dir;
    TFmList soils(form.get());
    form->setSecondaryWindows(nullptr, &soils, nullptr, nullptr);
    soils.lbxGrunts->addItem(QStringLiteral("песок"));
    soils.lbxGrunts->addItem(QStringLiteral("суглинок"));
    // A correction, a style, a parameter, the section with a soil label on it.
    form->Document.writeCell(TableId::Depth, 3, 5, "61");
    selectLayerOfColumn(4);
    form->Document.setSelectedLayerStyle(SurveyDocument::Style::BrushStyle, 4);
    form->Document.setSelectedLayerStyle(SurveyDocument::Style::BrushColor, 0x2060A0);
    SectionParams params = form->Document.sectionParams();
    params.H = 70;
    form->Document.setSectionParams(params);
    form->acnBuildChart->trigger();
    form->acnPlotRazrezPoligon->trigger();
    form->sectionPage->writeSoil(QPoint(150, 120), "песок");
    form->PageControl1->setCurrentWidget(form->pageSection);
    EXPECT_NE(labelText().indexOf(QStringLiteral("несохранённые")), -1);

    const QString path = dir.filePath(QStringLiteral("линия 12.trassel"));
    services.nextSaveName = path;
    form->acnSaveProject->trigger();  // no project yet: asks for the name
    ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_TRUE(form->UndoStack->isClean());
    EXPECT_EQ(labelText(), QStringLiteral("Проект: линия 12.trassel"));
    EXPECT_EQ(services.recent.value(0), path);

    test::FakeServices otherServices;
    TFmMainForm other(&otherServices);
    TFmList otherSoils(&other);
    other.setSecondaryWindows(nullptr, &otherSoils, nullptr, nullptr);
    other.openProject(path);
    ASSERT_TRUE(otherServices.errors.isEmpty()) << otherServices.errors.join(QStringLiteral("\n")).toStdString();
    EXPECT_EQ(ExportText(other.SourceData), ExportText(form->SourceData));
    EXPECT_EQ(ExportText(other.SkvData), ExportText(form->SkvData));
    EXPECT_EQ(other.FirstDataRow(), form->FirstDataRow());
    EXPECT_EQ(other.LastDataRow(), form->LastDataRow());
    ASSERT_EQ(other.LayerData.LayerCount(), form->LayerData.LayerCount());
    for (int slot = 0; slot < form->LayerData.LayerCount(); ++slot) {
        const TLayer& a = form->LayerData.Layers(slot);
        const TLayer& b = other.LayerData.Layers(slot);
        EXPECT_EQ(a.DepthColumn, b.DepthColumn);
        EXPECT_EQ(a.BrushStyle, b.BrushStyle);
        EXPECT_EQ(a.BrushColor, b.BrushColor);
        EXPECT_EQ(form->LayerData.isChecked(a.Item), other.LayerData.isChecked(b.Item));
    }
    EXPECT_EQ(other.Document.sectionParams().H, 70);
    EXPECT_EQ(test::Control<QSpinBox>(&other, "sedH")->value(), 70);
    ASSERT_EQ(otherSoils.lbxGrunts->count(), soils.lbxGrunts->count());
    EXPECT_EQ(otherSoils.lbxGrunts->item(soils.lbxGrunts->count() - 1)->text(), QStringLiteral("суглинок"));
    EXPECT_EQ(other.PageControl1->currentWidget(), other.pageSection);
    // The section is drawn again, the soil label on it: pixel for pixel the saved picture.
    EXPECT_EQ(other.sectionPage->image(), form->sectionPage->image());
    EXPECT_TRUE(other.UndoStack->isClean());
    EXPECT_EQ(other.projectPath(), path);
    // The diagram is built again: the same points in every layer's series.
    for (int slot = 0; slot < form->LayerData.LayerCount(); ++slot)
        EXPECT_EQ(other.ChartData.series(other.LayerData.Layers(slot).Series).count(),
                  form->ChartData.series(form->LayerData.Layers(slot).Series).count());
}

TEST_F(WorkspaceFormTest, ADamagedFileOrACancelLeavesTheWorkAsItIs)
{
    QTemporaryDir dir;
    const std::string before = ExportText(form->SourceData);
    const QString broken = dir.filePath(QStringLiteral("broken.trassel"));
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{\"format\": \"trassel-workspace\", \"version\": 1, \"tables\": {\"dep");
    file.close();
    services.nextOpenName = broken;
    form->acnOpenProject->trigger();
    ASSERT_EQ(services.errors.size(), 1);
    EXPECT_NE(services.errors[0].indexOf(QStringLiteral("broken.trassel")), -1);
    EXPECT_EQ(ExportText(form->SourceData), before);
    EXPECT_EQ(form->LayerData.LayerCount(), 3);

    // Unsaved work: opening asks first, and a cancel leaves everything.
    const QString good = dir.filePath(QStringLiteral("good.trassel"));
    form->saveProject(good);
    form->Document.writeCell(TableId::Depth, 3, 5, "99");
    ASSERT_FALSE(form->UndoStack->isClean());
    services.saveAnswer = UiServices::SaveAnswer::Cancel;
    services.nextOpenName = good;
    const qsizetype asked = services.questions.size();
    form->acnOpenProject->trigger();
    EXPECT_EQ(services.questions.size(), asked + 1);
    EXPECT_EQ(form->SourceData.cell(3, 5), "99");
    EXPECT_FALSE(form->close());  // closing asks too, and stays open
    EXPECT_EQ(services.questions.size(), asked + 2);
    // "Сохранить" saves to the project's file first, then goes on.
    services.saveAnswer = UiServices::SaveAnswer::Save;
    form->acnOpenProject->trigger();
    EXPECT_EQ(form->SourceData.cell(3, 5), "99");
    EXPECT_TRUE(form->UndoStack->isClean());
}

TEST_F(WorkspaceFormTest, DroppedFilesOpenOrImportAndTheRecentListRemembers)
{
    QTemporaryDir dir;
    const QString project = dir.filePath(QStringLiteral("a.trassel"));
    form->saveProject(project);
    form->saveProject(dir.filePath(QStringLiteral("b.trassel")));
    form->saveProject(project);
    EXPECT_EQ(services.recent, (QStringList{project, dir.filePath(QStringLiteral("b.trassel"))}));

    // A table file dropped on the window is imported as the depth table.
    const QString table = dir.filePath(QStringLiteral("t.txt"));
    QFile file(table);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("km\tdepth\r\n10\t30\r\n11\t40\r\n");
    file.close();
    form->openDroppedFile(table);
    EXPECT_EQ(form->SourceData.cell(2, 3), "40");
    // A project dropped on it is opened.
    form->openDroppedFile(project);
    EXPECT_EQ(form->LayerData.LayerCount(), 3);
    EXPECT_EQ(form->SourceData.cell(1, 2), "123");
    EXPECT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
}

TEST_F(WorkspaceFormTest, ASaveOnClosingThatFailsSaysWhyAndKeepsTheWindowOpen)
{
    QTemporaryDir dir;
    form->Document.writeCell(TableId::Depth, 3, 5, "99");
    ASSERT_FALSE(form->UndoStack->isClean());
    services.saveAnswer = UiServices::SaveAnswer::Save;
    services.nextSaveName = dir.filePath(QStringLiteral("нет такой папки/p.trassel"));
    EXPECT_FALSE(form->close());
    ASSERT_EQ(services.errors.size(), 1);
    EXPECT_TRUE(services.errors[0].startsWith(QStringLiteral("Не удалось записать файл"))) << services.errors[0].toStdString();
    EXPECT_EQ(form->SourceData.cell(3, 5), "99");
    EXPECT_FALSE(form->UndoStack->isClean());
}
