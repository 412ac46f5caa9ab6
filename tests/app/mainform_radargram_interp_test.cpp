// Interpreting on the page "Радарограмма" with the example survey and its radargram: the
// layers' boundaries drawn over the reflections in their diagram colours, the arrow keys
// correcting as on the diagram with the same status line and undo, a click moving the diagram
// cursor (marked on the section too), a Ctrl+click setting a depth, snapped to the reflection.
#include "document/section_scene.h"
#include "example_survey.h"
#include "radargram/qt/radargram_page.h"
#include "section/qt/section_view.h"

#include <QCheckBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>

#include <cmath>

using namespace trassel;

namespace {

class RadargramInterpretationTest : public test::ExampleSurveyTest {
protected:
    void SetUp() override
    {
        test::ExampleSurveyTest::SetUp();
        services.nextOpenName = QStringLiteral(TRASSEL_SOURCE_DIR "/examples/survey_radargram.dzt");
        test::Action(form.get(), "acnOpenRadargram")->trigger();
        ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
        SurveyDocument& doc = form->document();
        ASSERT_EQ(doc.radargramModel().file->marks.size(), 21u);
        // The first and the last mark lie on pickets 123 and 143 (see the README's walk).
        doc.addRadargramTie({doc.radargramModel().file->marks.front(), 123.0});
        doc.addRadargramTie({doc.radargramModel().file->marks.back(), 143.0});
        page = test::Control<RadargramPage>(form.get(), "pageRadargram");
        showPage();
        selectLayerOfColumn(3); // the ballast
    }

    // The page in front with a picture of 800 x 400 (the offscreen window is small), 2.5 traces
    // a pixel: a click then lands within a row's 5 m.
    void showPage()
    {
        test::Control<QTabWidget>(form.get(), "PageControl1")->setCurrentWidget(page);
        page->imgRadargram->setFixedSize(RadargramMargins::kLeft + 800 + RadargramMargins::kRight,
                                         RadargramMargins::kTop + 400 + RadargramMargins::kBottom);
        page->imgRadargram->grab(); // the scene learns its size
    }

    // The x of row `row` on the radargram, and the y of `depth` cm there.
    QPoint pointOf(int row, double depth)
    {
        const OverlayPlacement p = PlacementOf(page->scene());
        const double picket = *page->overlay().picketOfRow(row);
        return {static_cast<int>(std::lround(*p.xOfPicket(picket))),
                static_cast<int>(std::lround(p.yOfSample(p.sampleOfDepth(depth))))};
    }

    double cell(int col, int row) { return std::stod(form->document().depthTable().cell(col, row)); }

    RadargramPage* page = nullptr;
};

} // namespace

TEST_F(RadargramInterpretationTest, TheBoundariesLieOnTheReflectionsInTheirDiagramColours)
{
    const QImage shown = page->imgRadargram->grab().toImage();
    const LayerManager& layers = form->document().layers();
    int drawn = 0;
    for (int slot = 0; slot < layers.LayerCount(); ++slot) {
        const TLayer& layer = layers.Layers(slot);
        const Color c = layer.PointColor;
        const QColor colour(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                            static_cast<int>((c >> 16) & 0xFF));
        // Row 202 (picket 133): the boundary passes through the depth the table gives.
        const QPoint at = pointOf(202, cell(layer.DepthColumn, 202));
        bool found = false;
        for (int dy = -1; dy <= 1 && !found; ++dy)
            found = shown.pixelColor(at.x(), at.y() + dy) == colour;
        EXPECT_TRUE(found) << "layer of column " << layer.DepthColumn;
        drawn += found ? 1 : 0;
    }
    EXPECT_EQ(drawn, 3);

    // With the reflection snap, a Ctrl+click 8 pixels above the ballast boundary comes back to
    // the reflection the file holds there: the table's depth within a couple of centimetres.
    page->cbSnap->setChecked(true);
    const double ballast = cell(3, 202);
    const QPoint above = pointOf(202, ballast) - QPoint(0, 8);
    QTest::mouseClick(page->imgRadargram, Qt::LeftButton, Qt::ControlModifier, above);
    EXPECT_EQ(form->document().diagram().cursor().Row, 202);
    EXPECT_NEAR(cell(3, 202), ballast, 2.0);
}

TEST_F(RadargramInterpretationTest, ArrowKeysCorrectAsOnTheDiagramAndAClickMovesTheCursorEverywhere)
{
    test::Action(form.get(), "acnBuildChart")->trigger();
    test::Action(form.get(), "acnPlotRazrezPoligon")->trigger();
    ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    showPage();

    // A click on row 150's trace: the cursor goes there, on the diagram and on the section.
    QTest::mouseClick(page->imgRadargram, Qt::LeftButton, Qt::NoModifier, pointOf(150, 100));
    SurveyDocument& doc = form->document();
    EXPECT_EQ(doc.diagram().cursor().Row, 150);
    auto* section = test::Control<SectionView>(form.get(), "scrbxTrassel");
    ASSERT_TRUE(section->imageControl()->marker());
    EXPECT_DOUBLE_EQ(*section->imageControl()->marker(), *doc.section().xOfRow(150));

    // Down deepens the ballast by the step, with the diagram's status line; Ctrl+Z takes it back.
    const double before = cell(3, 150);
    page->imgRadargram->setFocus();
    QTest::keyClick(page->imgRadargram, Qt::Key_Down);
    EXPECT_DOUBLE_EQ(cell(3, 150), std::round(before) + 1); // a correction writes whole centimetres
    EXPECT_TRUE(form->statusBar()->currentMessage().contains(QStringLiteral("строка 150")))
        << form->statusBar()->currentMessage().toStdString();
    test::Action(form.get(), "acnUndo")->trigger();
    EXPECT_DOUBLE_EQ(cell(3, 150), before);

    // Right moves the cursor; the section's mark follows.
    QTest::keyClick(page->imgRadargram, Qt::Key_Right);
    EXPECT_EQ(doc.diagram().cursor().Row, 151);
    EXPECT_DOUBLE_EQ(*section->imageControl()->marker(), *doc.section().xOfRow(151));

    // Ctrl+click without the snap: the depth under the mouse, as one undoable step.
    page->cbSnap->setChecked(false);
    const double former = cell(3, 160);
    QTest::mouseClick(page->imgRadargram, Qt::LeftButton, Qt::ControlModifier, pointOf(160, 75));
    EXPECT_EQ(doc.diagram().cursor().Row, 160);
    EXPECT_NEAR(cell(3, 160), 75, 1.0);
    test::Action(form.get(), "acnUndo")->trigger();
    EXPECT_DOUBLE_EQ(cell(3, 160), former);
}
