#include "app/mainform.h"
#include "support/controls.h"
#include "diagram/qt/chart_view.h"
#include "example_survey.h"
#include "layers/qt/layer_manager_view.h"
#include "table/qt/string_grid_view.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace trassel;

namespace {

// The example survey on the diagram page of a shown, active window (keys need the focus).
class DiagramFormTest : public test::ExampleSurveyTest {
protected:
    void SetUp() override
    {
        ExampleSurveyTest::SetUp();
        form->resize(1400, 900);
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        test::Control<QTabWidget>(form.get(), "PageControl1")->setCurrentWidget(test::Control(form.get(), "Диаграммы"));
    }
    Diagram& diagram() { return form->document().diagram(); }
    const ChartSeries& layerSeries(int slot)
    {
        return form->document().chart().series(form->document().layers().Layers(slot).Series);
    }
};

} // namespace

TEST_F(DiagramFormTest, BuildDrawsEveryCheckedLayerAndTheCursorWindow)
{
    EXPECT_EQ(form->document().layers().LayerCount(), 3);
    EXPECT_EQ(test::Control<LayerManagerView>(form.get(), "lwLayerManager")->topLevelItemCount(), 3);
    EXPECT_EQ(test::Control<QTabWidget>(form.get(), "PageControl2")->currentWidget(),
              test::Control(form.get(), "scrbxPropertiesDiagramma"));
    test::Action(form.get(), "acnBuildChart")->trigger();
    ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    const int rows = form->document().lastDataRow() - form->document().firstDataRow() + 1;
    EXPECT_EQ(form->document().chart().series(diagram().PicketSeries()).count(), static_cast<std::size_t>(rows));
    for (int slot = 0; slot < 3; ++slot)
        EXPECT_EQ(layerSeries(slot).count(), static_cast<std::size_t>(rows)) << slot;
    // The cursor sits on row 2, column 2 by default: picket 123, the metre column's value.
    EXPECT_DOUBLE_EQ(diagram().cursor().X, 123.0);
    EXPECT_DOUBLE_EQ(form->document().chart().bottomAxis().minimum(), 122.0);
    EXPECT_DOUBLE_EQ(form->document().chart().bottomAxis().maximum(), 124.0);
    EXPECT_TRUE(form->document().chart().isAttached(diagram().cursor().HorzSeries));
    test::Control<ChartView>(form.get(), "chtOverviewChart")->syncFromModel();
    EXPECT_NE(
        test::Control<ChartView>(form.get(), "chtOverviewChart")->graphOf(form->document().layers().Layers(0).Series),
        nullptr);
}

TEST_F(DiagramFormTest, ArrowKeysOnTheChartCorrectTheTable)
{
    selectLayerOfColumn(4); // "Песок": the keys edit that column
    test::Action(form.get(), "acnBuildChart")->trigger();
    const std::string before = form->document().depthTable().cell(4, 2);
    const double value = std::stod(before);
    test::Control<ChartView>(form.get(), "chtOverviewChart")->setFocus();
    QTest::keyClick(test::Control<ChartView>(form.get(), "chtOverviewChart"), Qt::Key_Right);
    EXPECT_EQ(diagram().cursor().Row, 3);
    EXPECT_EQ(diagram().cursor().Col, 4);
    const double at3 = std::stod(form->document().depthTable().cell(4, 3));
    QTest::keyClick(test::Control<ChartView>(form.get(), "chtOverviewChart"), Qt::Key_Down);
    EXPECT_DOUBLE_EQ(std::stod(form->document().depthTable().cell(4, 3)), std::nearbyint(at3) + 1);
    QTest::keyClick(test::Control<ChartView>(form.get(), "chtOverviewChart"), Qt::Key_Up);
    QTest::keyClick(test::Control<ChartView>(form.get(), "chtOverviewChart"), Qt::Key_Up);
    EXPECT_DOUBLE_EQ(std::stod(form->document().depthTable().cell(4, 3)), std::nearbyint(at3) - 1);
    QTest::keyClick(test::Control<ChartView>(form.get(), "chtOverviewChart"), Qt::Key_Left);
    QTest::keyClick(test::Control<ChartView>(form.get(), "chtOverviewChart"),
                    Qt::Key_Left); // already at the first row: stays
    EXPECT_EQ(diagram().cursor().Row, 2);
    EXPECT_EQ(form->document().depthTable().cell(4, 2), before);
    QTest::keyClick(test::Control<ChartView>(form.get(), "chtOverviewChart"), Qt::Key_Delete);
    EXPECT_EQ(form->document().depthTable().cell(4, 2), "");
    QTest::keyClick(test::Control<ChartView>(form.get(), "chtOverviewChart"),
                    Qt::Key_Right); // an empty cell stops every key silently
    EXPECT_EQ(diagram().cursor().Row, 2);
    EXPECT_TRUE(services.errors.isEmpty());
    (void)value;
}

TEST_F(DiagramFormTest, ClicksOnPointsMoveTheCursorOrHideThePoint)
{
    test::Action(form.get(), "acnBuildChart")->trigger();
    test::Control<ChartView>(form.get(), "chtOverviewChart")->syncFromModel();
    const SeriesId layer = form->document().layers().Layers(0).Series;
    const ChartSeries& points = form->document().chart().series(layer);
    // The point of the cursor's next row lies inside the window around the cursor.
    const std::size_t index = 1;
    const int row = points.rows()[index];
    QTest::mouseClick(test::Control<ChartView>(form.get(), "chtOverviewChart"), Qt::LeftButton, {},
                      test::Control<ChartView>(form.get(), "chtOverviewChart")->pixelOf(layer, index).toPoint());
    EXPECT_EQ(diagram().cursor().Row, row);
    EXPECT_EQ(row, 3);
    EXPECT_TRUE(test::Control<ChartView>(form.get(), "chtOverviewChart")->hasFocus());

    test::Control<ChartView>(form.get(), "chtOverviewChart")->syncFromModel();
    const std::size_t before = points.count();
    QTest::mouseClick(test::Control<ChartView>(form.get(), "chtOverviewChart"), Qt::RightButton, {},
                      test::Control<ChartView>(form.get(), "chtOverviewChart")->pixelOf(layer, 3).toPoint());
    EXPECT_EQ(points.count(), before - 1);
    test::Action(form.get(), "acnBuildChart")->trigger();
    EXPECT_EQ(points.count(), before);
}

TEST_F(DiagramFormTest, LayersAreDeletedFromTheSelectedEntryOnly)
{
    test::Control<LayerManagerView>(form.get(), "lwLayerManager")->clearSelection();
    test::Action(form.get(), "acnLayerDelete")->trigger();
    EXPECT_EQ(form->document().layers().LayerCount(), 3);
    test::Control<LayerManagerView>(form.get(), "lwLayerManager")
        ->setCurrentItem(test::Control<LayerManagerView>(form.get(), "lwLayerManager")->topLevelItem(1));
    const SeriesId removed = form->document()
                                 .layers()
                                 .recordOf(test::Control<LayerManagerView>(form.get(), "lwLayerManager")->entryAtRow(1))
                                 ->Series;
    test::Action(form.get(), "acnLayerDelete")->trigger();
    EXPECT_EQ(form->document().layers().LayerCount(), 2);
    EXPECT_EQ(test::Control<LayerManagerView>(form.get(), "lwLayerManager")->topLevelItemCount(), 2);
    EXPECT_FALSE(form->document().chart().exists(removed));
    // A picket column that is not a number refuses the new layer with the conversion error.
    test::Control<QComboBox>(form.get(), "cmbX")->setEditText(QStringLiteral("x"));
    test::Action(form.get(), "acnLayerAdd")->trigger();
    ASSERT_EQ(services.errors.size(), 1);
    EXPECT_EQ(services.errors[0], QStringLiteral("'x' is not a valid integer value"));
    EXPECT_EQ(form->document().layers().LayerCount(), 2);
}

TEST_F(DiagramFormTest, PrintsTheDiagramToThePrinter)
{
    QTemporaryDir dir;
    test::Action(form.get(), "acnBuildChart")->trigger();
    services.printFile = dir.filePath(QStringLiteral("diagram.pdf"));
    test::Action(form.get(), "acnPrintOverviewChart")->trigger();
    ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    QFile pdf(services.printFile);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(4) == "%PDF");
    EXPECT_GT(pdf.size(), 2000);
    services.acceptPrinter = false;
    services.printFile = dir.filePath(QStringLiteral("cancelled.pdf"));
    test::Action(form.get(), "acnPrintOverviewChart")->trigger();
    EXPECT_FALSE(QFile::exists(services.printFile));

    // "Экспорт диаграммы" writes the kind the name asks for; a cancelled dialog writes nothing.
    services.nextSaveName = dir.filePath(QStringLiteral("diagram.png"));
    test::Action(form.get(), "acnExportChart")->trigger();
    EXPECT_EQ(QImage(services.nextSaveName).isNull(), false);
    EXPECT_EQ(services.lastProposedName, QStringLiteral("Диаграмма.png"));
    services.nextSaveName = dir.filePath(QStringLiteral("diagram.pdf"));
    test::Action(form.get(), "acnExportChart")->trigger();
    QFile exported(services.nextSaveName);
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    EXPECT_TRUE(exported.read(4) == "%PDF");
    services.nextSaveName.clear();
    test::Action(form.get(), "acnExportChart")->trigger();
    EXPECT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
}

TEST_F(DiagramFormTest, CtrlZUndoesACorrectionInTheTableAndOnTheDiagram)
{
    selectLayerOfColumn(4);
    test::Action(form.get(), "acnBuildChart")->trigger();
    const std::string before = form->document().depthTable().cell(4, 2);
    const auto pointY = [&] {
        const ChartSeries& s = layerSeries(1);
        for (std::size_t i = 0; i < s.count(); ++i)
            if (s.rows()[i] == 2)
                return s.ys()[i];
        return -1.0;
    };
    const double shown = pointY();
    const int steps = form->undoStack()->index();
    test::Control<ChartView>(form.get(), "chtOverviewChart")->setFocus();
    QTest::keyClick(test::Control<ChartView>(form.get(), "chtOverviewChart"), Qt::Key_Down);
    QTest::keyClick(test::Control<ChartView>(form.get(), "chtOverviewChart"), Qt::Key_Down);
    QTest::keyClick(test::Control<ChartView>(form.get(), "chtOverviewChart"), Qt::Key_Down);
    EXPECT_DOUBLE_EQ(pointY(), std::nearbyint(shown) + 3);
    EXPECT_EQ(form->undoStack()->index(), steps + 1);
    // The status bar says what the last key did.
    const QString said = form->statusBar()->currentMessage();
    EXPECT_TRUE(said.startsWith(QStringLiteral("Слой по К№4, строка 2: "))) << said.toStdString();
    EXPECT_TRUE(said.endsWith(QStringLiteral(" → ") + QString::fromStdString(form->document().depthTable().cell(4, 2))))
        << said.toStdString();
    QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier); // the three steps are one
    EXPECT_EQ(form->document().depthTable().cell(4, 2), before);
    EXPECT_DOUBLE_EQ(pointY(), shown);
    EXPECT_EQ(form->undoStack()->index(), steps);
    QTest::keyClick(form.get(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(pointY(), std::nearbyint(shown) + 3);
    EXPECT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
}

// Right after an import nobody has chosen a cell: the table view's own move of its current cell
// is not the user's selection, so "Вставить строку" inserts before the first data row, and the
// first diagram's cursor reads a depth of the chosen layer (not the picket, which after
// "Пересчет в ПК" is no number at all).
TEST(DiagramAfterImport, TheSelectionStaysUnchosenAndTheCursorReadsTheLayersDepth)
{
    test::FakeServices services;
    TFmMainForm form(&services);
    form.resize(1400, 900);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const int selRow = form.document().selRow();
    const int selCol = form.document().selCol();
    services.nextOpenName = QStringLiteral(TRASSEL_SOURCE_DIR "/examples/survey_depths.txt");
    test::Action(&form, "acnImportTable")->trigger();
    QApplication::processEvents();
    EXPECT_EQ(form.document().selRow(), selRow);
    EXPECT_EQ(form.document().selCol(), selCol);
    const std::string firstRow = form.document().depthTable().cell(3, 1);
    ASSERT_FALSE(firstRow.empty());
    test::Action(&form, "N5")->trigger();
    EXPECT_EQ(form.document().depthTable().cell(3, 1), "");
    EXPECT_EQ(form.document().depthTable().cell(3, 2), firstRow);
    form.undoStack()->undo();
    EXPECT_EQ(form.document().depthTable().cell(3, 1), firstRow);

    test::Action(&form, "acnReCalcPK")->trigger();
    test::Control<StringGridView>(&form, "sgSourceData")->setCurrentCell(4, 2);
    test::Action(&form, "acnLayerAdd")->trigger();
    test::Action(&form, "acnBuildChart")->trigger();
    ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    const ChartCursor& cursor = form.document().diagram().cursor();
    EXPECT_EQ(cursor.Col, 4);
    EXPECT_DOUBLE_EQ(cursor.Y, std::nearbyint(std::stod(form.document().depthTable().cell(4, cursor.Row))));
}
