#include "chart/chart_model.h"

#include "base/error.h"

#include "support/error_text.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace trassel {
namespace {

TEST(ChartModel, PointsStayInXOrderAndRememberTheirRows)
{
    ChartModel chart;
    ChartSeries& s = chart.series(chart.createSeries(SeriesKind::Point));
    EXPECT_EQ(s.addXY(5.0, 50.0, 5), 0u);
    EXPECT_EQ(s.addXY(3.0, 30.0, 3), 0u); // decreasing X goes in front
    EXPECT_EQ(s.addXY(4.0, 40.0, 4), 1u);
    EXPECT_EQ(s.addXY(7.0, 70.0, 7), 3u);
    // An equal X goes after the points that already have it.
    EXPECT_EQ(s.addXY(4.0, 41.0, 9), 2u);
    EXPECT_EQ(s.addXY(4.0, 42.0), 3u);

    EXPECT_EQ(s.xs(), (std::vector<double>{3, 4, 4, 4, 5, 7}));
    EXPECT_EQ(s.ys(), (std::vector<double>{30, 40, 41, 42, 50, 70}));
    EXPECT_EQ(s.rows(), (std::vector<int>{3, 4, 9, -1, 5, 7}));

    EXPECT_TRUE(s.remove(1));
    EXPECT_EQ(s.ys(), (std::vector<double>{30, 41, 42, 50, 70}));
    EXPECT_EQ(s.rows(), (std::vector<int>{3, 9, -1, 5, 7}));
    EXPECT_FALSE(s.remove(5));
    EXPECT_EQ(s.count(), 5u);

    s.clear();
    EXPECT_EQ(s.count(), 0u);
    EXPECT_TRUE(s.rows().empty());
    EXPECT_TRUE(s.ys().empty());
    EXPECT_EQ(s.addXY(1.0, 1.0), 0u);
}

TEST(ChartModel, AxisBoundsAreCheckedAgainstEachOther)
{
    ChartModel chart;
    ChartAxis& bottom = chart.bottomAxis();
    EXPECT_DOUBLE_EQ(bottom.minimum(), 10.2866093296148);
    EXPECT_DOUBLE_EQ(bottom.maximum(), 13.71339067038513);
    EXPECT_DOUBLE_EQ(chart.leftAxis().minimum(), 326.8141505763047);
    EXPECT_DOUBLE_EQ(chart.leftAxis().maximum(), 435.6858494236952);

    EXPECT_EQ(errorText([&] { bottom.setMinimum(14.0); }), "Axis Minimum Value must be <= Maximum");
    EXPECT_DOUBLE_EQ(bottom.minimum(), 10.2866093296148);
    EXPECT_EQ(errorText([&] { bottom.setMaximum(10.0); }), "Axis Maximum Value must be >= Minimum");
    EXPECT_DOUBLE_EQ(bottom.maximum(), 13.71339067038513);

    // Equal bounds are a valid (empty) window.
    bottom.setMinimum(13.71339067038513);
    bottom.setMaximum(13.71339067038513);
    EXPECT_EQ(bottom.minimum(), bottom.maximum());

    chart.leftAxis().setRange(500.0, 100.0);
    EXPECT_EQ(chart.leftAxis().minimum(), 100.0);
    EXPECT_EQ(chart.leftAxis().maximum(), 500.0);
    EXPECT_EQ(&chart.axis(AxisId::Left), &chart.leftAxis());
}

TEST(ChartModel, AttachOrderIsDrawOrderAndAttachingTwiceChangesNothing)
{
    ChartModel chart;
    const SeriesId a = chart.createSeries(SeriesKind::Line);
    const SeriesId b = chart.createSeries(SeriesKind::Point);
    const SeriesId c = chart.createSeries(SeriesKind::Point);
    EXPECT_TRUE(chart.attached().empty()); // new series are not drawn until attached
    EXPECT_FALSE(chart.series(a).hasColor());
    chart.attach(b);
    chart.attach(a);
    chart.attach(b);
    chart.attach(c);
    chart.attach(a);
    EXPECT_EQ(chart.attached(), (std::vector<SeriesId>{b, a, c}));

    chart.detach(a);
    EXPECT_EQ(chart.attached(), (std::vector<SeriesId>{b, c}));
    EXPECT_TRUE(chart.exists(a));
    chart.attach(a); // re-attached on top
    EXPECT_EQ(chart.attached(), (std::vector<SeriesId>{b, c, a}));

    chart.destroySeries(c);
    EXPECT_FALSE(chart.exists(c));
    EXPECT_EQ(chart.attached(), (std::vector<SeriesId>{b, a}));
    EXPECT_THROW(chart.series(c), Error);
    chart.attach(c); // a destroyed series cannot come back
    EXPECT_EQ(chart.attached(), (std::vector<SeriesId>{b, a}));
    chart.destroySeries(c); // twice is harmless
    EXPECT_TRUE(chart.exists(a));
    EXPECT_TRUE(chart.exists(b));
}

TEST(ChartModel, MarksFollowDrawEveryAndStyle)
{
    ChartModel chart;
    ChartSeries& s = chart.series(chart.createSeries(SeriesKind::Point));
    for (int i = 0; i < 7; ++i)
        s.addXY(10.25 + i, 100.0 + i);
    EXPECT_FALSE(s.hasMark(0)); // hidden by default

    s.setMarksVisible(true);
    s.setMarksDrawEvery(3);
    std::vector<std::size_t> marked;
    for (std::size_t i = 0; i < 8; ++i)
        if (s.hasMark(i))
            marked.push_back(i);
    EXPECT_EQ(marked, (std::vector<std::size_t>{0, 3, 6}));

    s.setMarksDrawEvery(0);
    EXPECT_FALSE(s.hasMark(0));
    s.setMarksDrawEvery(-2);
    EXPECT_FALSE(s.hasMark(0));
    s.setMarksDrawEvery(1);
    EXPECT_TRUE(s.hasMark(5));

    EXPECT_EQ(s.markText(1), "101");
    s.setMarksStyle(MarkStyle::XValue);
    EXPECT_EQ(s.markText(1), "11.25");
    EXPECT_EQ(s.markText(99), "");
}

TEST(ChartModel, ListenersHearEveryRealChangeOnly)
{
    ChartModel chart;
    int heard = 0;
    Subscription token = chart.subscribe([&] { ++heard; });
    const SeriesId id = chart.createSeries(SeriesKind::Point);
    ChartSeries& s = chart.series(id);

    const auto rev0 = chart.revision();
    const auto data0 = s.dataRevision();
    s.addXY(1.0, 2.0);
    EXPECT_GT(chart.revision(), rev0);
    EXPECT_GT(s.dataRevision(), data0);
    EXPECT_EQ(heard, 1);

    // Style changes reach the view but do not ask it to copy the points again.
    const auto data1 = s.dataRevision();
    s.setColor(0x112233);
    s.setPointerSize(2, 10);
    s.setMarksFont({true, 14, 0});
    EXPECT_EQ(heard, 4);
    EXPECT_EQ(s.dataRevision(), data1);

    // Setting what is already set is no change.
    s.setColor(0x112233);
    s.setPointerSize(2, 10);
    s.setMarksFont({true, 14, 0});
    chart.attach(id);
    chart.attach(id);
    chart.bottomAxis().setMaximum(chart.bottomAxis().maximum());
    EXPECT_EQ(heard, 5);

    // The first colour counts even when it equals the default value.
    ChartSeries& t = chart.series(chart.createSeries(SeriesKind::Point));
    t.setColor(0);
    EXPECT_TRUE(t.hasColor());
    EXPECT_EQ(heard, 6);

    token.reset();
    s.clear();
    EXPECT_EQ(heard, 6);
}

} // namespace
} // namespace trassel
