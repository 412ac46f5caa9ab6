#include "app/mainform.h"
#include "app/ribbon.h"
#include "boreholes/qt/skv.h"
#include "support/controls.h"
#include "diagram/diagram.h"
#include "example_survey.h"
#include "platform/qt_canvas.h"
#include "radargram/qt/radargram_panel.h"
#include "section/qt/section_page.h"
#include "section/qt/section_view.h"
#include "table/qt/string_grid_view.h"

#include <QAction>
#include <QScrollBar>
#include <QTest>
#include <QTabWidget>
#include <QUndoStack>

#include <gtest/gtest.h>

using namespace trassel;

namespace {

// The example survey with its pickets and layers, and the example boreholes imported.
class BoreholeFormTest : public test::ExampleSurveyTest {
protected:
    void SetUp() override
    {
        ExampleSurveyTest::SetUp();
        services.nextOpenName = QStringLiteral(TRASSEL_SOURCE_DIR "/examples/boreholes.txt");
        form->acnImportSkv->trigger();
        ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    }
};

} // namespace

TEST_F(BoreholeFormTest, CommandsSitInTheirGroupsAndTheImportUsesTheSharedDialog)
{
    EXPECT_EQ(form->Ribbon1->actionsOf(QStringLiteral("Таблицы"), QStringLiteral("Скважины")), QList<QAction*>{form->acnImportSkv});
    EXPECT_TRUE(form->Ribbon1->actionsOf(QStringLiteral("Диаграмма"), QStringLiteral("Диаграмма")).contains(form->acnBuildSkv));
    EXPECT_EQ(form->Ribbon1->actionsOf(QStringLiteral("Разрез"), QStringLiteral("Разрез")).last(), form->acnPlotSkv);
    EXPECT_EQ(form->Ribbon1->screenTip(form->acnImportSkv).header, QStringLiteral("Импорт скважин"));
    EXPECT_EQ(form->Ribbon1->screenTip(form->acnImportSkv).description, QStringLiteral("Импорт цифровой модели скважин"));
    // The borehole import sets no filter of its own: the dialog keeps the table import's.
    EXPECT_EQ(services.lastFilter, importTableFilter());

    const Grid& skv = form->SkvData;
    EXPECT_EQ(skv.fixedRows(), 2);
    EXPECT_EQ(test::Control<StringGridView>(form.get(), "sgSkv")->fixedRows(), 2);
    EXPECT_GT(skv.rowCount(), 4);
    // A click on the number cell of column 1 titles the picket column; undo takes it back.
    form->Document.writeCell(TableId::Boreholes, 1, 1, "Пикет");
    const std::string title = skv.cell(1, 1);
    emit test::Control<StringGridView>(form.get(), "sgSkv")->fixedCellClicked(1, 0);
    EXPECT_EQ(skv.cell(1, 1), "ПК");
    const std::string third = skv.cell(3, 1);
    const int steps = form->UndoStack->count();
    emit test::Control<StringGridView>(form.get(), "sgSkv")->fixedCellClicked(3, 0);
    emit test::Control<StringGridView>(form.get(), "sgSkv")->fixedCellClicked(0, 4);
    EXPECT_EQ(skv.cell(3, 1), third);  // elsewhere nothing is written
    EXPECT_EQ(form->UndoStack->count(), steps);
    form->acnUndo->trigger();
    EXPECT_EQ(skv.cell(1, 1), title);
    form->acnUndo->trigger();  // the typed title
    form->acnUndo->trigger();  // the import itself
    EXPECT_EQ(skv.rowCount(), 2);
}

TEST_F(BoreholeFormTest, BoreholesGoOnTheDiagramAndOverTheSection)
{
    form->acnBuildChart->trigger();
    form->acnBuildSkv->trigger();
    form->acnBuildSkv->trigger();
    const ChartSeries& skvSeries = form->ChartData.series(form->Document.diagram().SkvSeries());
    EXPECT_GT(skvSeries.count(), 0u);
    EXPECT_LT(skvSeries.count(), static_cast<std::size_t>(form->SkvData.rowCount()));
    form->acnBuildChart->trigger();  // the diagram build leaves the boreholes alone
    EXPECT_GT(form->ChartData.series(form->Document.diagram().SkvSeries()).count(), 0u);

    form->acnPlotRazrezPoligon->trigger();
    form->PageControl1->setCurrentWidget(form->pageDepthTable);
    const QImage before = form->sectionPage->image().copy();
    form->acnPlotSkv->trigger();
    ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    EXPECT_EQ(form->PageControl1->currentWidget(), form->pageDepthTable);  // the page is not switched
    const QImage& after = form->sectionPage->image();
    ASSERT_EQ(after.size(), before.size());
    EXPECT_NE(after, before);
    // The first borehole's stem: black pixels down from the surface at its picket.
    const Grid& skv = form->SkvData;
    const double p0 = std::stod(form->SourceData.cell(1, form->FirstDataRow()));
    const int x = static_cast<int>((std::stod(skv.cell(1, 2)) - p0) * 400 + 85);
    EXPECT_EQ(after.pixel(x, 60) & 0xFFFFFF, 0u);
}

TEST_F(BoreholeFormTest, TheRadargramLoadsThroughTheSharedDialogAndAlignsTheSection)
{
    EXPECT_EQ(form->Ribbon1->quickAccessActions().value(3), form->acnLoadPicture);
    EXPECT_EQ(form->Ribbon1->actionsOf(QStringLiteral("Файл"), QStringLiteral("Файл")),
              (QList<QAction*>{form->acnLoadPicture, form->acnOpenProject, form->acnSaveProject, form->acnSaveProjectAs,
                               form->acnRecentProjects}));
    EXPECT_FALSE(form->Ribbon1->screenTip(form->acnLoadPicture).footer);
    form->resize(1400, 900);
    form->show();
    services.nextOpenName = QStringLiteral(TRASSEL_SOURCE_DIR "/examples/radargram.png");
    form->acnLoadPicture->trigger();
    ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    EXPECT_EQ(services.lastFilter, importTableFilter());  // the filter the table import left
    RadargramPanel* panel = form->pnlRadarogramma;
    EXPECT_GT(panel->picture().width(), 8000);
    EXPECT_EQ(panel->picture().format(), QImage::Format_Grayscale8);

    // A file the panel refuses leaves the picture.
    services.nextOpenName = QStringLiteral(TRASSEL_SOURCE_DIR "/examples/boreholes.txt");
    form->acnLoadPicture->trigger();
    EXPECT_EQ(services.errors.size(), 1);
    EXPECT_GT(panel->picture().width(), 8000);

    form->acnPlotRazrezPoligon->trigger();
    panel->scrbxRadarogramma->horizontalScrollBar()->setValue(100);
    QTest::mouseClick(panel->imgRadarogramma, Qt::LeftButton, {}, QPoint(200, 50));
    EXPECT_EQ(form->sectionPage->scrbxTrassel->imageLeft(), -97);
    panel->scrbxRadarogramma->horizontalScrollBar()->setValue(0);
    QTest::mouseClick(panel->imgRadarogramma, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(form->sectionPage->scrbxTrassel->imageLeft(), 3);
}

TEST(BoreholeWindow, IsCreatedHiddenWithItsCaptionAndSize)
{
    TFmSkv skv;
    EXPECT_EQ(skv.objectName(), QStringLiteral("FmSkv"));
    EXPECT_EQ(skv.windowTitle(), QStringLiteral("Скважины"));
    EXPECT_EQ(skv.size(), QSize(540, 327));
    EXPECT_FALSE(skv.isVisible());
    EXPECT_TRUE(skv.findChildren<QWidget*>().isEmpty());
}
