// "Радарограмма над разрезом" with the example survey and its radargram tied to pickets 123 and
// 143: the switch follows the registration, the strip lies on the section's axis and scrolls
// with it both ways, shows the cursor's line, goes away when switched off, the setting and the
// reflection snap come back with a saved project.
#include "document/section_scene.h"
#include "example_survey.h"
#include "radargram/qt/radargram_page.h"
#include "section/qt/radargram_strip.h"
#include "section/qt/section_page.h"
#include "section/qt/section_view.h"

#include <QCheckBox>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

#include <cmath>

using namespace trassel;

namespace {

class RadargramStripTest : public test::ExampleSurveyTest {
protected:
    void SetUp() override
    {
        test::ExampleSurveyTest::SetUp();
        // Before a file is open there is nothing to show above the section.
        EXPECT_FALSE(test::Action(form.get(), "acnRadargramOverSection")->isEnabled());
        services.nextOpenName = QStringLiteral(TRASSEL_SOURCE_DIR "/examples/survey_radargram.dzt");
        test::Action(form.get(), "acnOpenRadargram")->trigger();
        ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
        SurveyDocument& doc = form->document();
        doc.addRadargramTie({doc.radargramModel().file->marks.front(), 123.0});
        doc.addRadargramTie({doc.radargramModel().file->marks.back(), 143.0});
        test::Action(form.get(), "acnBuildChart")->trigger();
        test::Action(form.get(), "acnPlotRazrezPoligon")->trigger();
        section = test::Control<SectionPage>(form.get(), "Разрез");
        test::Control<QTabWidget>(form.get(), "PageControl1")->setCurrentWidget(section);
        form->resize(1200, 800);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        view = section->scrbxTrassel;
        strip = test::Control<RadargramStrip>(form.get(), "RadargramStrip");
    }

    // The picket at the viewport's left edge as the section shows it.
    double sectionPicketAtLeft() const
    {
        const LineAxis axis = *form->document().section().picketAxis();
        return axis.picketAt(view->visibleSection().left());
    }

    // The strip's column at the viewport's left edge.
    int viewportColumn() const
    {
        return view->viewport()->mapToGlobal(QPoint(0, 0)).x() - strip->mapToGlobal(QPoint(0, 0)).x();
    }

    SectionPage* section = nullptr;
    SectionView* view = nullptr;
    RadargramStrip* strip = nullptr;
};

} // namespace

TEST_F(RadargramStripTest, TheStripLiesOnTheSectionsAxisAndScrollsWithIt)
{
    QAction* command = test::Action(form.get(), "acnRadargramOverSection");
    ASSERT_TRUE(command->isEnabled());
    EXPECT_TRUE(command->isCheckable());
    EXPECT_FALSE(strip->isVisible());
    command->trigger();
    EXPECT_TRUE(command->isChecked());
    EXPECT_TRUE(form->document().pages().radargramAboveSection);
    QApplication::processEvents();
    ASSERT_TRUE(strip->isVisible());
    ASSERT_GT(strip->height(), 50);
    ASSERT_LT(strip->geometry().bottom(), view->geometry().top() + 1); // above the section

    // Each column shows the traces registered under its pickets on the section's axis.
    strip->prepare();
    const RadargramModel& model = form->document().radargramModel();
    const TraceRegistration registration = model.registration();
    const LineAxis axis = *strip->axis();
    ASSERT_EQ(strip->columns().size(), static_cast<std::size_t>(strip->width()));
    for (const int k : {viewportColumn() + 10, strip->width() / 2, strip->width() - 5})
        EXPECT_NEAR(strip->columns()[static_cast<std::size_t>(k)].from, *registration.traceAt(axis.picketAt(k)), 1e-6);
    // The strip's column at the viewport's edge is the section's picket there.
    EXPECT_NEAR(axis.picketAt(viewportColumn()), sectionPicketAtLeft(), 1e-9);
    // Each mark in view (one a picket) is shown in the column under its picket's x on the section.
    int marksSeen = 0;
    for (const std::int64_t mark : model.file->marks) {
        const double x = axis.x(*registration.picketOf(static_cast<double>(mark)));
        if (x < viewportColumn() || x >= strip->width())
            continue;
        const TraceSpan& under = strip->columns()[static_cast<std::size_t>(std::floor(x))];
        // About four pixels a trace here: the column shows the trace under its centre.
        EXPECT_EQ(std::floor((under.from + under.to) / 2), static_cast<double>(mark));
        ++marksSeen;
    }
    EXPECT_GE(marksSeen, 1);
    const std::uint64_t renders = strip->renders();
    strip->prepare();
    EXPECT_EQ(strip->renders(), renders); // nothing changed: the picture kept

    // Scrolling the section moves the strip's first column by the same picket.
    const double before = axis.picketAt(0);
    const double sectionBefore = sectionPicketAtLeft();
    view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->value() + 400);
    strip->prepare();
    EXPECT_GT(strip->renders(), renders);
    const double moved = strip->axis()->picketAt(0) - before;
    EXPECT_GT(moved, 0.5);
    EXPECT_NEAR(moved, sectionPicketAtLeft() - sectionBefore, 1e-9);
    // Zooming the section zooms the strip: the pickets per pixel follow.
    view->setZoom(0.5);
    EXPECT_NEAR(strip->axis()->pixelsPerPicket, axis.pixelsPerPicket * 0.5, 1e-9);
    view->setZoom(1.0);

    // Shift+wheel and a drag on the strip scroll the section.
    const int value = view->horizontalScrollBar()->value();
    QWheelEvent wheel(QPointF(300, 50), strip->mapToGlobal(QPointF(300, 50)), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::ShiftModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(strip, &wheel);
    EXPECT_GT(view->horizontalScrollBar()->value(), value);
    const int dragged = view->horizontalScrollBar()->value();
    QTest::mousePress(strip, Qt::LeftButton, Qt::NoModifier, QPoint(400, 60));
    QMouseEvent move(QEvent::MouseMove, QPointF(300, 60), strip->mapToGlobal(QPointF(300, 60)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(strip, &move);
    QTest::mouseRelease(strip, Qt::LeftButton, Qt::NoModifier, QPoint(300, 60));
    EXPECT_EQ(view->horizontalScrollBar()->value(), dragged + 100);

    // Tied to begin at picket 125, the strip follows the new ties; the columns before the first
    // trace are white, those after it show the traces.
    SurveyDocument& doc = form->document();
    doc.setRadargramTies({{model.file->marks.front(), 125.0}, {model.file->marks.back(), 143.0}});
    view->setZoom(0.25);
    view->horizontalScrollBar()->setValue(0);
    const QImage shown = strip->grab().toImage();
    const LineAxis start = *strip->axis();
    const int firstTraceX = static_cast<int>(std::floor(start.x(*doc.radargramModel().registration().picketOf(0))));
    ASSERT_GT(firstTraceX, viewportColumn() + 60);
    ASSERT_LT(firstTraceX, strip->width() - 40);
    for (int y = 0; y < shown.height(); y += 7)
        EXPECT_EQ(shown.pixelColor(firstTraceX - 10, y), QColor(Qt::white)) << y;
    int dark = 0;
    for (int y = 0; y < shown.height(); ++y)
        dark += shown.pixelColor(firstTraceX + 30, y).lightness() < 200 ? 1 : 0;
    EXPECT_GT(dark, 5);

    // Switched off: gone, and the section keeps its place.
    command->trigger();
    EXPECT_FALSE(command->isChecked());
    EXPECT_FALSE(strip->isVisible());
    EXPECT_FALSE(form->document().pages().radargramAboveSection);
}

TEST_F(RadargramStripTest, TheCursorsLineFollowsTheDiagramCursor)
{
    test::Action(form.get(), "acnRadargramOverSection")->trigger();
    QApplication::processEvents();
    SurveyDocument& doc = form->document();
    doc.moveChartCursor(60);
    ASSERT_TRUE(strip->cursorX());
    const auto expected = [&](int row) {
        return (*doc.section().xOfRow(row) - view->visibleSection().left()) * view->zoom() + viewportColumn();
    };
    EXPECT_NEAR(*strip->cursorX(), expected(60), 1e-9);
    doc.moveChartCursor(61);
    EXPECT_NEAR(*strip->cursorX(), expected(61), 1e-9);
    // Row 61 is 5 m on: at the section's 400 px a picket, 20 px to the right.
    const double x = *strip->cursorX();
    const QImage shown = strip->grab().toImage();
    const QColor line = shown.pixelColor(static_cast<int>(std::lround(x)), strip->height() - 3);
    EXPECT_EQ(line, QColor(255, 0, 0));
}

// The boreholes over the strip as over the radargram's page: a blue mark at each borehole's
// picket down to its depth, and none before the table has them.
TEST_F(RadargramStripTest, BoreholesStandAtTheirPicketsDownToTheirDepth)
{
    test::Action(form.get(), "acnRadargramOverSection")->trigger();
    view->setZoom(0.25);
    view->horizontalScrollBar()->setValue(0);
    QApplication::processEvents();
    const auto blueRows = [&](const QImage& image, int x) {
        int rows = 0;
        for (int y = 0; y < image.height(); ++y)
            rows += image.pixelColor(x, y) == QColor(0, 0, 255) ? 1 : 0;
        return rows;
    };
    // Borehole 1 of the example stands at picket 123.6, 250 cm deep.
    const OverlayPlacement placed = strip->placement(*strip->axis());
    const int x = static_cast<int>(std::lround(*placed.xOfPicket(123.6)));
    ASSERT_GT(x, viewportColumn());
    ASSERT_LT(x, strip->width());
    EXPECT_EQ(blueRows(strip->grab().toImage(), x), 0);

    services.nextOpenName = QStringLiteral(TRASSEL_SOURCE_DIR "/examples/boreholes.txt");
    test::Action(form.get(), "acnImportSkv")->trigger();
    ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    const QImage shown = strip->grab().toImage();
    const double top = placed.yOfSample(placed.sampleOfDepth(0));
    const double bottom = placed.yOfSample(placed.sampleOfDepth(250));
    ASSERT_GT(bottom - top, 5);
    ASSERT_LT(bottom, strip->height());
    // The mark runs from the surface to the depth's row, and stops there.
    EXPECT_GE(blueRows(shown, x), static_cast<int>(bottom - top) - 2);
    EXPECT_LE(blueRows(shown, x), static_cast<int>(bottom - top) + 3);
    EXPECT_EQ(blueRows(shown, x - 20), 0);
}

TEST_F(RadargramStripTest, TheSwitchAndTheSnapComeBackWithTheProject)
{
    test::Action(form.get(), "acnRadargramOverSection")->trigger();
    auto* page = test::Control<RadargramPage>(form.get(), "pageRadargram");
    page->cbSnap->setChecked(true);
    EXPECT_TRUE(form->document().radargramModel().snapToReflection);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("линия.trassel"));
    services.nextSaveName = path;
    test::Action(form.get(), "acnSaveProjectAs")->trigger();
    ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();

    test::FakeServices otherServices;
    TFmMainForm other(&otherServices);
    other.openProject(path);
    ASSERT_TRUE(otherServices.errors.isEmpty()) << otherServices.errors.join(QStringLiteral("\n")).toStdString();
    EXPECT_TRUE(other.document().pages().radargramAboveSection);
    EXPECT_TRUE(test::Action(&other, "acnRadargramOverSection")->isChecked());
    EXPECT_TRUE(test::Action(&other, "acnRadargramOverSection")->isEnabled());
    EXPECT_FALSE(test::Control<RadargramStrip>(&other, "RadargramStrip")->isHidden());
    EXPECT_TRUE(test::Control<RadargramPage>(&other, "pageRadargram")->cbSnap->isChecked());

    // Switched off and saved again, it opens off; a view setting is no step of the history.
    const int steps = form->undoStack()->count();
    test::Action(form.get(), "acnRadargramOverSection")->trigger();
    EXPECT_EQ(form->undoStack()->count(), steps);
    test::Action(form.get(), "acnSaveProject")->trigger();
    other.openProject(path);
    EXPECT_FALSE(test::Action(&other, "acnRadargramOverSection")->isChecked());
    EXPECT_TRUE(test::Control<RadargramStrip>(&other, "RadargramStrip")->isHidden());
}
