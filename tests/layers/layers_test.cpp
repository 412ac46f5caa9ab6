#include "layers/layers.h"

#include "base/error.h"

#include "support/error_text.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace trassel {
namespace {

std::vector<std::string> captions(const LayerManager& m)
{
    std::vector<std::string> out;
    for (int i = 0; i < m.entryCount(); ++i)
        out.push_back(m.entryAt(i).caption);
    return out;
}

std::vector<int> depthColumnsBySlot(const LayerManager& m)
{
    std::vector<int> out;
    for (int slot = 0; slot < m.LayerCount(); ++slot)
        out.push_back(m.Layers(slot).DepthColumn);
    return out;
}

TEST(LayerColors, SequenceStartsAfreshWithEachGenerator)
{
    LayerColorGenerator g;
    EXPECT_EQ(g.nextPointColor(), 0x528292u); // red 146, green 130, blue 82
    EXPECT_EQ(g.nextPointColor(), 0x11885Au); // red 90, green 136, blue 17
    for (int i = 0; i < 1000; ++i) {
        const Color c = g.nextPointColor();
        EXPECT_LT(c & 0xFF, 200u);
        EXPECT_LT((c >> 8) & 0xFF, 144u);
        EXPECT_LT(c >> 16, 100u);
    }
    LayerColorGenerator fresh;
    EXPECT_EQ(fresh.draw(), 346); // (1 * 22695477 + 1) >> 16
}

TEST(LayerManager, AddMakesACheckedLayerWithItsSeries)
{
    ChartModel chart;
    LayerManager m(chart);
    const SeriesId before = chart.createSeries(SeriesKind::Line);
    chart.attach(before);

    EXPECT_EQ(m.addLayer(" 1 ", 3), 0);
    ASSERT_EQ(m.LayerCount(), 1);
    const TLayer& a = m.Layers(0);
    EXPECT_EQ(a.PicketColumn, 1);
    EXPECT_EQ(a.DepthColumn, 3);
    EXPECT_EQ(a.LineWidth, 3);
    EXPECT_EQ(a.LineColor, 0u);
    EXPECT_EQ(a.BrushColor, 0xFFFFFFu);
    EXPECT_EQ(a.BrushStyle, 0);
    EXPECT_EQ(a.PointColor, 0x528292u);
    ASSERT_EQ(m.entryCount(), 1);
    EXPECT_EQ(m.entryAt(0).caption, "Слой по К№3");
    EXPECT_TRUE(m.entryAt(0).checked);
    EXPECT_FALSE(m.entryAt(0).selected);
    EXPECT_EQ(m.entryAt(0).id, a.Item);
    EXPECT_EQ(m.recordOf(a.Item), &a);

    EXPECT_EQ(chart.series(a.Series).name(), "Series0");
    EXPECT_EQ(chart.series(a.Series).kind(), SeriesKind::Point);
    EXPECT_EQ(chart.attached(), (std::vector<SeriesId>{before, a.Series}));

    // Column 0 (nothing selected yet) is accepted like any other.
    EXPECT_EQ(m.addLayer("7", 0), 1);
    EXPECT_EQ(m.Layers(1).PointColor, 0x11885Au);
    EXPECT_EQ(m.Layers(1).PicketColumn, 7);
    EXPECT_EQ(chart.series(m.Layers(1).Series).name(), "Series1");
    EXPECT_EQ(captions(m), (std::vector<std::string>{"Слой по К№0", "Слой по К№3"}));
}

TEST(LayerManager, BadPicketColumnAddsNothingAndDrawsNoColour)
{
    ChartModel chart;
    LayerManager m(chart);
    EXPECT_EQ(errorText([&] { m.addLayer("1a", 2); }), "'1a' is not a valid integer value");
    EXPECT_EQ(errorText([&] { m.addLayer("", 2); }), "'' is not a valid integer value");
    EXPECT_EQ(m.LayerCount(), 0);
    EXPECT_EQ(m.entryCount(), 0);
    EXPECT_TRUE(chart.attached().empty());
    m.addLayer("1", 2);
    EXPECT_EQ(m.Layers(0).PointColor, 0x528292u);
}

TEST(LayerManager, EntriesSortByCaptionBytesWhileSlotsKeepCreationOrder)
{
    ChartModel chart;
    LayerManager m(chart);
    m.addLayer("1", 2);
    m.addLayer("1", 3);
    m.addLayer("1", 10);
    EXPECT_EQ(captions(m), (std::vector<std::string>{"Слой по К№10", "Слой по К№2", "Слой по К№3"}));
    EXPECT_EQ(depthColumnsBySlot(m), (std::vector<int>{2, 3, 10}));

    // The record is found through the entry, never through its position.
    const EntryId second = m.entryAt(1).id;
    EXPECT_EQ(m.recordOf(second)->DepthColumn, 2);
    EXPECT_EQ(m.slotOf(second), 0);
    EXPECT_EQ(m.positionOf(second), 1);
    EXPECT_EQ(LayerPropertiesCaption(m.positionOf(second)), "Свойства (Слой 1)");
    EXPECT_EQ(m.positionOf(12345), -1);
    EXPECT_EQ(m.recordOf(12345), nullptr);

    // The same column again is an independent layer with the same caption.
    m.addLayer("1", 2);
    EXPECT_EQ(m.LayerCount(), 4);
    EXPECT_EQ(captions(m), (std::vector<std::string>{"Слой по К№10", "Слой по К№2", "Слой по К№2", "Слой по К№3"}));
    EXPECT_EQ(m.entryAt(1).id, second); // the older of two equal captions stays first
    EXPECT_NE(m.recordOf(m.entryAt(1).id)->Series, m.recordOf(m.entryAt(2).id)->Series);
}

TEST(LayerManager, SelectionIsSingleAndChecksAreKeptPerEntry)
{
    ChartModel chart;
    LayerManager m(chart);
    m.addLayer("1", 2);
    m.addLayer("1", 3);
    const EntryId a = m.Layers(0).Item;
    const EntryId b = m.Layers(1).Item;
    EXPECT_FALSE(m.selectedEntry());

    m.select(a);
    m.setSelected(b, true);
    EXPECT_EQ(m.selectedEntry(), b);
    EXPECT_FALSE(m.isSelected(a));
    m.setSelected(a, false); // deselecting another entry keeps b
    EXPECT_EQ(m.selectedEntry(), b);
    m.setSelected(b, false);
    EXPECT_FALSE(m.selectedEntry());
    m.select(a);
    m.clearSelection();
    EXPECT_FALSE(m.selectedEntry());

    m.setChecked(a, false);
    EXPECT_FALSE(m.isChecked(a));
    EXPECT_TRUE(m.isChecked(b));
}

TEST(LayerManager, DeleteRemovesTheSelectedLayerAndItsSeries)
{
    ChartModel chart;
    LayerManager m(chart);
    m.addLayer("1", 2);
    m.addLayer("1", 3);
    m.addLayer("1", 4);
    const TLayer& middle = m.Layers(1);
    const SeriesId middleSeries = middle.Series;
    const SeriesId lastSeries = m.Layers(2).Series;
    chart.series(middleSeries).addXY(1.0, 1.0);

    // Nothing selected: nothing changes.
    EXPECT_FALSE(m.deleteSelectedLayer());
    EXPECT_EQ(m.LayerCount(), 3);
    EXPECT_EQ(m.entryCount(), 3);

    m.select(middle.Item);
    EXPECT_TRUE(m.deleteSelectedLayer());
    EXPECT_EQ(m.LayerCount(), 2);
    EXPECT_EQ(depthColumnsBySlot(m), (std::vector<int>{2, 4}));
    EXPECT_EQ(captions(m), (std::vector<std::string>{"Слой по К№2", "Слой по К№4"}));
    EXPECT_FALSE(chart.exists(middleSeries));
    EXPECT_EQ(chart.attached().size(), 2u);
    EXPECT_EQ(m.Layers(1).Series, lastSeries);
    EXPECT_FALSE(m.selectedEntry());
    EXPECT_THROW(m.Layers(2), std::out_of_range);

    // A later layer takes the freed slot at the end; its series is named by the new count.
    m.addLayer("1", 5);
    EXPECT_EQ(depthColumnsBySlot(m), (std::vector<int>{2, 4, 5}));
    EXPECT_EQ(chart.series(m.Layers(2).Series).name(), "Series2");
}

TEST(LayerManager, The62ndLayerIsRefusedWithNothingChanged)
{
    ChartModel chart;
    LayerManager m(chart);
    for (int i = 0; i < LayerManager::kLayerSlots; ++i)
        m.addLayer("1", i + 2);
    const auto attached = chart.attached();
    int heard = 0;
    const Subscription listening = m.subscribe([&] { ++heard; });

    EXPECT_EQ(errorText([&] { m.addLayer("1", 99); }), "Нельзя добавить больше 61 слоя");
    EXPECT_EQ(m.LayerCount(), 61);
    EXPECT_EQ(m.entryCount(), 61);
    EXPECT_EQ(chart.attached(), attached);
    EXPECT_EQ(heard, 0);
    EXPECT_EQ(m.Layers(60).DepthColumn, 62);

    // Room again after a deletion.
    m.select(m.Layers(0).Item);
    m.deleteSelectedLayer();
    EXPECT_EQ(m.addLayer("1", 99), 60);
    EXPECT_EQ(m.LayerCount(), 61);
    EXPECT_EQ(heard, 3); // selection, deletion, addition
}

} // namespace
} // namespace trassel
