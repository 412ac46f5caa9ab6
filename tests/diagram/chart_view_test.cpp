#include "diagram/qt/chart_view.h"

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cmath>

namespace trassel {
namespace {

struct ChartViewTest : ::testing::Test {
    ChartModel model;
    SeriesId line = 0;
    SeriesId points = 0;
    QWidget window;
    QLineEdit* edit = nullptr; // holds the focus before the chart is pressed
    ChartView* view = nullptr;

    ChartViewTest()
    {
        line = model.createSeries(SeriesKind::Line);
        points = model.createSeries(SeriesKind::Point);
        model.attach(line);
        model.attach(points);
        model.bottomAxis().setRange(10.0, 14.0);
        model.leftAxis().setRange(0.0, 400.0);
        ChartSeries& l = model.series(line);
        for (int i = 0; i <= 8; ++i)
            l.addXY(10.0 + 0.5 * i, 0.0, 2 + i);
        ChartSeries& p = model.series(points);
        // Added with falling X: indices follow X, not the order of adding.
        p.addXY(13.0, 300.0, 2);
        p.addXY(12.0, 200.0, 3);
        p.addXY(11.0, 100.0, 4);
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        edit = new QLineEdit(&window);
        view = new ChartView(model, &window);
        layout->addWidget(edit);
        layout->addWidget(view, 1);
        window.resize(800, 640);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        edit->setFocus();
        view->syncFromModel();
        view->replot(QCustomPlot::rpImmediateRefresh);
    }

    QPoint at(SeriesId id, std::size_t index) const { return view->pixelOf(id, index).toPoint(); }
};

TEST_F(ChartViewTest, ShowsTheModelWithDepthGrowingDownward)
{
    ASSERT_NE(view->graphOf(line), nullptr);
    EXPECT_EQ(view->graphOf(line)->dataCount(), 9);
    EXPECT_EQ(view->graphOf(points)->dataCount(), 3);
    EXPECT_EQ(view->graphOf(line)->lineStyle(), QCPGraph::lsLine);
    EXPECT_EQ(view->graphOf(points)->lineStyle(), QCPGraph::lsNone);
    EXPECT_TRUE(view->yAxis->rangeReversed());
    EXPECT_FALSE(view->legend->visible());
    EXPECT_EQ(view->xAxis->range().lower, 10.0);
    EXPECT_EQ(view->yAxis->range().upper, 400.0);
    // Depth 100 is drawn above depth 300.
    EXPECT_LT(at(points, 0).y(), at(points, 2).y());

    // Changes reach the plot on the next pass of the event loop.
    const SeriesId later = model.createSeries(SeriesKind::Point);
    model.series(points).addXY(11.5, 50.0);
    model.detach(line);
    model.attach(later);
    model.leftAxis().setRange(20.0, 220.0);
    EXPECT_TRUE(view->syncPending());
    QCoreApplication::processEvents();
    EXPECT_FALSE(view->syncPending());
    EXPECT_EQ(view->graphOf(line), nullptr);
    EXPECT_EQ(view->graphOf(points)->dataCount(), 4);
    ASSERT_NE(view->graphOf(later), nullptr);
    EXPECT_EQ(view->yAxis->range().lower, 20.0);
    EXPECT_EQ(view->yAxis->range().upper, 220.0);
}

TEST_F(ChartViewTest, PressOnAPointReportsItsIndexInXOrderAndTakesTheFocus)
{
    QSignalSpy clicks(view, &ChartView::clickSeries);
    ASSERT_TRUE(edit->hasFocus());
    QTest::mouseClick(view, Qt::LeftButton, {}, at(points, 0) + QPoint(2, -1));
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks[0][0].toInt(), points);
    EXPECT_EQ(clicks[0][1].toInt(), 0);
    EXPECT_EQ(clicks[0][2].value<Qt::MouseButton>(), Qt::LeftButton);
    EXPECT_TRUE(view->hasFocus());
    EXPECT_FALSE(edit->hasFocus());

    QTest::mouseClick(view, Qt::RightButton, {}, at(points, 2));
    ASSERT_EQ(clicks.count(), 2);
    EXPECT_EQ(clicks[1][1].toInt(), 2);
    EXPECT_EQ(clicks[1][2].value<Qt::MouseButton>(), Qt::RightButton);

    // The picket line's point at 12.5 (index 5).
    QTest::mouseClick(view, Qt::LeftButton, {}, at(line, 5));
    ASSERT_EQ(clicks.count(), 3);
    EXPECT_EQ(clicks[2][0].toInt(), line);
    EXPECT_EQ(clicks[2][1].toInt(), 5);

    // Between the points, and outside the plot area, nothing is hit.
    const QPoint between = (at(points, 0) + at(points, 1)) / 2;
    QTest::mouseClick(view, Qt::LeftButton, {}, between);
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(clicks.count(), 3);
}

TEST_F(ChartViewTest, TheNearestPointWinsAndABigMarkerWidensItsReach)
{
    // A cross bar 2 * 20 pixels wide on top of the point at 12, 200.
    const SeriesId bar = model.createSeries(SeriesKind::Point);
    model.series(bar).addXY(12.0, 200.0);
    model.series(bar).setPointerSize(20, 2);
    model.attach(bar);
    view->syncFromModel();

    const QPoint centre = at(bar, 0);
    // On the shared spot the series drawn on top is taken.
    std::optional<ChartHit> hit = view->pointAt(centre);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->series, bar);
    // 15 pixels to the right only the bar reaches.
    hit = view->pointAt(centre + QPoint(15, 0));
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->series, bar);
    EXPECT_FALSE(view->pointAt(centre + QPoint(25, 0)));
    // A few pixels above the thin bar still count; well away they do not.
    EXPECT_TRUE(view->pointAt(centre + QPoint(0, 6)));
    EXPECT_FALSE(view->pointAt(centre + QPoint(0, 12)));

    // A point just left of the visible range is not drawn and so cannot be hit at the border.
    model.series(points).addXY(9.985, 200.0);
    view->syncFromModel();
    const QPoint border(view->axisRect()->rect().left(), centre.y());
    EXPECT_FALSE(view->pointAt(border));
    EXPECT_FALSE(view->pointAt(border + QPoint(-2, 0)));
    model.series(points).remove(0);
    view->syncFromModel();

    // Nearer to another point than to the bar's centre: the other point wins.
    model.series(points).addXY(12.02, 200.0, 9); // a few pixels right of the bar's centre
    view->syncFromModel();
    hit = view->pointAt(at(points, 2) + QPoint(1, 0));
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->series, points);
    EXPECT_EQ(hit->index, 2u);
}

TEST_F(ChartViewTest, APressAFewPixelsOffASquareIsAPressOnItsPoint)
{
    const SeriesId square = model.createSeries(SeriesKind::Point);
    model.series(square).addXY(13.0, 150.0);
    model.series(square).setPointerSize(9, 9);
    model.attach(square);
    view->syncFromModel();
    const QPoint centre = at(square, 0);
    // 6 pixels off the 9-pixel square's right edge: 4 + 6 from its centre.
    const std::optional<ChartHit> hit = view->pointAt(centre + QPoint(10, 0));
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->series, square);
    EXPECT_TRUE(view->pointAt(centre + QPoint(-10, 10)));
    EXPECT_FALSE(view->pointAt(centre + QPoint(20, 0)));
}

TEST_F(ChartViewTest, KeysAreReportedAsTheDiagramsOwnKeys)
{
    QSignalSpy keys(view, &ChartView::keyDown);
    QWidget* const focused = nullptr; // QTest then delivers to the focus widget
    QTest::keyClick(focused, Qt::Key_Left);
    EXPECT_EQ(keys.count(), 0); // the line edit has the focus

    // A press anywhere on the chart gives it the keys.
    QTest::mouseClick(view, Qt::LeftButton, {}, view->axisRect()->rect().center() + QPoint(3, 7));
    for (Qt::Key key : {Qt::Key_Left, Qt::Key_Up, Qt::Key_Right, Qt::Key_Down, Qt::Key_Delete, Qt::Key_A})
        QTest::keyClick(focused, key);
    ASSERT_EQ(keys.count(), 6);
    const DiagramKey expected[] = {DiagramKey::Left, DiagramKey::Up,     DiagramKey::Right,
                                   DiagramKey::Down, DiagramKey::Delete, DiagramKey::Other};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(keys[i][0].value<DiagramKey>(), expected[i]);
}

TEST_F(ChartViewTest, WheelZoomAndRangeChangesGoBackIntoTheModel)
{
    const QPointF centre = view->axisRect()->rect().center();
    QWheelEvent wheel(centre, view->mapToGlobal(centre), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(view, &wheel);
    const double width = model.bottomAxis().maximum() - model.bottomAxis().minimum();
    const double height = model.leftAxis().maximum() - model.leftAxis().minimum();
    EXPECT_LT(width, 4.0 * 0.99);
    EXPECT_LT(height, 400.0 * 0.99);
    EXPECT_NEAR(width, view->xAxis->range().size(), 1e-9);
    EXPECT_NEAR(height, view->yAxis->range().size(), 1e-9);

    // A resync from the model keeps the zoom instead of undoing it.
    view->syncFromModel();
    EXPECT_NEAR(view->xAxis->range().size(), width, 1e-9);
}

TEST_F(ChartViewTest, CursorPointerIsDrawnAsARedRectangleOfItsOwnSize)
{
    const SeriesId cursor = model.createSeries(SeriesKind::Point);
    model.series(cursor).addXY(12.3, 235.0); // away from the grid lines
    model.series(cursor).setPointerColor(255);
    model.series(cursor).setPointerSize(10, 2);
    model.attach(cursor);
    view->syncFromModel();
    const QImage image = view->toPixmap(view->width(), view->height()).toImage();
    const QPoint c = at(cursor, 0);
    EXPECT_EQ(QColor(image.pixel(c + QPoint(7, 0))), QColor(Qt::red));
    EXPECT_EQ(QColor(image.pixel(c + QPoint(-7, 0))), QColor(Qt::red));
    EXPECT_EQ(QColor(image.pixel(c + QPoint(0, 6))), QColor(Qt::white));
    EXPECT_EQ(QColor(image.pixel(c + QPoint(14, 0))), QColor(Qt::white));
}

TEST_F(ChartViewTest, OnlyMarksOfVisiblePointsAreDrawnEveryNth)
{
    const SeriesId many = model.createSeries(SeriesKind::Point);
    ChartSeries& s = model.series(many);
    for (int i = 0; i < 100000; ++i)
        s.addXY(i * 0.01, 100.0 + (i % 7) * 30.0, i);
    s.setMarksVisible(true);
    s.setMarksDrawEvery(10);
    s.setMarksFont({false, 8, 0});
    model.attach(many);
    // 10.00 .. 14.00 holds points 1000..1400, of which 41 carry a mark.
    view->syncFromModel();
    view->toPixmap(view->width(), view->height());
    EXPECT_GT(view->marksDrawn(), 0u);
    EXPECT_LE(view->marksDrawn(), 41u);

    // Everything visible: piled-up marks are left out, so the count stays near the window's size.
    model.bottomAxis().setRange(0.0, 1000.0);
    view->syncFromModel();
    view->toPixmap(view->width(), view->height());
    EXPECT_GT(view->marksDrawn(), 41u);
    EXPECT_LT(view->marksDrawn(), 2000u);

    s.setMarksDrawEvery(0);
    view->syncFromModel();
    view->toPixmap(view->width(), view->height());
    EXPECT_EQ(view->marksDrawn(), 0u);
}

} // namespace
} // namespace trassel
