#include "app/mainform.h"
#include "app/action_handler.h"
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
        test::Action(form.get(), "acnImportSkv")->trigger();
        ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    }
};

} // namespace

TEST_F(BoreholeFormTest, CommandsSitInTheirGroupsAndTheImportUsesTheSharedDialog)
{
    EXPECT_EQ(
        test::Control<Ribbon>(form.get(), "Ribbon1")->actionsOf(QStringLiteral("Таблицы"), QStringLiteral("Скважины")),
        QList<QAction*>{test::Action(form.get(), "acnImportSkv")});
    EXPECT_TRUE(test::Control<Ribbon>(form.get(), "Ribbon1")
                    ->actionsOf(QStringLiteral("Диаграмма"), QStringLiteral("Диаграмма"))
                    .contains(test::Action(form.get(), "acnBuildSkv")));
    // "Выработки" follows the drawing commands; only "Основная надпись" and the switch of the
    // radargram above the section come after it.
    EXPECT_EQ(test::Control<Ribbon>(form.get(), "Ribbon1")
                  ->actionsOf(QStringLiteral("Разрез"), QStringLiteral("Разрез"))
                  .indexOf(test::Action(form.get(), "acnPlotSkv")),
              test::Control<Ribbon>(form.get(), "Ribbon1")
                      ->actionsOf(QStringLiteral("Разрез"), QStringLiteral("Разрез"))
                      .size() -
                  3);
    EXPECT_EQ(test::Control<Ribbon>(form.get(), "Ribbon1")->screenTip(test::Action(form.get(), "acnImportSkv")).header,
              QStringLiteral("Импорт скважин"));
    EXPECT_EQ(
        test::Control<Ribbon>(form.get(), "Ribbon1")->screenTip(test::Action(form.get(), "acnImportSkv")).description,
        QStringLiteral("Импорт цифровой модели скважин"));
    // The borehole import sets no filter of its own: the dialog keeps the table import's.
    EXPECT_EQ(services.lastFilter, importTableFilter());

    const Grid& skv = form->document().boreholeTable();
    EXPECT_EQ(skv.fixedRows(), 2);
    EXPECT_EQ(test::Control<StringGridView>(form.get(), "sgSkv")->fixedRows(), 2);
    EXPECT_GT(skv.rowCount(), 4);
    // A click on the number cell of column 1 titles the picket column; undo takes it back.
    form->document().writeCell(TableId::Boreholes, 1, 1, "Пикет");
    const std::string title = skv.cell(1, 1);
    Q_EMIT test::Control<StringGridView>(form.get(), "sgSkv")->fixedCellClicked(1, 0);
    EXPECT_EQ(skv.cell(1, 1), "ПК");
    const std::string third = skv.cell(3, 1);
    const int steps = form->undoStack()->count();
    Q_EMIT test::Control<StringGridView>(form.get(), "sgSkv")->fixedCellClicked(3, 0);
    Q_EMIT test::Control<StringGridView>(form.get(), "sgSkv")->fixedCellClicked(0, 4);
    EXPECT_EQ(skv.cell(3, 1), third); // elsewhere nothing is written
    EXPECT_EQ(form->undoStack()->count(), steps);
    test::Action(form.get(), "acnUndo")->trigger();
    EXPECT_EQ(skv.cell(1, 1), title);
    test::Action(form.get(), "acnUndo")->trigger(); // the typed title
    test::Action(form.get(), "acnUndo")->trigger(); // the import itself
    EXPECT_EQ(skv.rowCount(), 2);
}

TEST_F(BoreholeFormTest, BoreholesGoOnTheDiagramAndOverTheSection)
{
    test::Action(form.get(), "acnBuildChart")->trigger();
    test::Action(form.get(), "acnBuildSkv")->trigger();
    test::Action(form.get(), "acnBuildSkv")->trigger();
    const ChartSeries& skvSeries = form->document().chart().series(form->document().diagram().SkvSeries());
    EXPECT_GT(skvSeries.count(), 0u);
    EXPECT_LT(skvSeries.count(), static_cast<std::size_t>(form->document().boreholeTable().rowCount()));
    test::Action(form.get(), "acnBuildChart")->trigger(); // the diagram build leaves the boreholes alone
    EXPECT_GT(form->document().chart().series(form->document().diagram().SkvSeries()).count(), 0u);

    test::Action(form.get(), "acnPlotRazrezPoligon")->trigger();
    test::Control<QTabWidget>(form.get(), "PageControl1")->setCurrentWidget(test::Control(form.get(), "ТаблицаГлубин"));
    const QImage before = test::Control<SectionPage>(form.get(), "Разрез")->image().copy();
    test::Action(form.get(), "acnPlotSkv")->trigger();
    ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    EXPECT_EQ(test::Control<QTabWidget>(form.get(), "PageControl1")->currentWidget(),
              test::Control(form.get(), "ТаблицаГлубин")); // the page is not switched
    const QImage& after = test::Control<SectionPage>(form.get(), "Разрез")->image();
    ASSERT_EQ(after.size(), before.size());
    EXPECT_NE(after, before);
    // The first borehole's stem: black pixels down from the surface at its picket.
    const Grid& skv = form->document().boreholeTable();
    const double p0 = std::stod(form->document().depthTable().cell(1, form->document().firstDataRow()));
    const int x = static_cast<int>((std::stod(skv.cell(1, 2)) - p0) * 400 + 85);
    EXPECT_EQ(after.pixel(x, 60) & 0xFFFFFF, 0u);
}

TEST_F(BoreholeFormTest, TheRadargramLoadsThroughTheSharedDialogAndAlignsTheSection)
{
    EXPECT_EQ(test::Control<Ribbon>(form.get(), "Ribbon1")->quickAccessActions().value(3),
              test::Action(form.get(), "acnLoadPicture"));
    EXPECT_EQ(test::Control<Ribbon>(form.get(), "Ribbon1")->actionsOf(QStringLiteral("Файл"), QStringLiteral("Файл")),
              (QList<QAction*>{test::Action(form.get(), "acnLoadPicture"), test::Action(form.get(), "acnOpenRadargram"),
                               test::Action(form.get(), "acnCalibration"), test::Action(form.get(), "acnOpenProject"),
                               test::Action(form.get(), "acnSaveProject"), test::Action(form.get(), "acnSaveProjectAs"),
                               test::Action(form.get(), "acnRecentProjects")}));
    EXPECT_FALSE(
        test::Control<Ribbon>(form.get(), "Ribbon1")->screenTip(test::Action(form.get(), "acnLoadPicture")).footer);
    form->resize(1400, 900);
    form->show();
    services.nextOpenName = QStringLiteral(TRASSEL_SOURCE_DIR "/examples/radargram.png");
    test::Action(form.get(), "acnLoadPicture")->trigger();
    ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    EXPECT_EQ(services.lastFilter, importTableFilter()); // the filter the table import left
    RadargramPanel* panel = test::Control<RadargramPanel>(form.get(), "pnlRadarogramma");
    EXPECT_GT(panel->picture().width(), 8000);
    EXPECT_EQ(panel->picture().format(), QImage::Format_Grayscale8);

    // A file the panel refuses leaves the picture.
    services.nextOpenName = QStringLiteral(TRASSEL_SOURCE_DIR "/examples/boreholes.txt");
    test::Action(form.get(), "acnLoadPicture")->trigger();
    EXPECT_EQ(services.errors.size(), 1);
    EXPECT_GT(panel->picture().width(), 8000);

    test::Action(form.get(), "acnPlotRazrezPoligon")->trigger();
    panel->scrbxRadarogramma->horizontalScrollBar()->setValue(100);
    QTest::mouseClick(panel->imgRadarogramma, Qt::LeftButton, {}, QPoint(200, 50));
    EXPECT_EQ(test::Control<SectionPage>(form.get(), "Разрез")->scrbxTrassel->imageLeft(), -97);
    panel->scrbxRadarogramma->horizontalScrollBar()->setValue(0);
    QTest::mouseClick(panel->imgRadarogramma, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(test::Control<SectionPage>(form.get(), "Разрез")->scrbxTrassel->imageLeft(), 3);
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
