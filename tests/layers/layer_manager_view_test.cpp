#include "layers/qt/layer_manager_view.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace trassel {
namespace {

void ensureApplication()
{
    static int argc = 1;
    static char name[] = "test_layer_manager_view";
    static char* argv[] = {name, nullptr};
    // Never destroyed: Qt's input devices must not outlive it at exit.
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
}

// First base, so that the application exists before any widget member is built.
struct WithApplication {
    WithApplication() { ensureApplication(); }
};

struct LayerManagerViewTest : WithApplication, ::testing::Test {
    ChartModel chart;
    LayerManager manager{chart};
    std::unique_ptr<LayerManagerView> view;

    LayerManagerViewTest()
    {
        manager.addLayer("1", 2);
        manager.addLayer("1", 3);
        view = std::make_unique<LayerManagerView>(manager);
        view->resize(300, 300);
        view->show();
        manager.addLayer("1", 10); // after the view exists: it follows by itself
    }

    QStringList texts() const
    {
        QStringList out;
        for (int i = 0; i < view->topLevelItemCount(); ++i)
            out << view->topLevelItem(i)->text(0);
        return out;
    }
    QPoint centreOf(int row) const { return view->visualItemRect(view->topLevelItem(row)).center(); }
};

TEST_F(LayerManagerViewTest, ShowsTheEntriesInTheManagersOrderWithCheckBoxes)
{
    EXPECT_EQ(view->objectName(), QStringLiteral("lwLayerManager"));
    EXPECT_EQ(view->headerItem()->text(0), QStringLiteral("Слой"));
    EXPECT_EQ(view->columnCount(), 1);
    EXPECT_EQ(view->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(texts(), (QStringList{QStringLiteral("Слой по К№10"), QStringLiteral("Слой по К№2"),
                                    QStringLiteral("Слой по К№3")}));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(view->topLevelItem(i)->checkState(0), Qt::Checked);
        EXPECT_EQ(view->entryAtRow(i), manager.entryAt(i).id);
    }
    EXPECT_EQ(view->entryAtRow(3), 0);

    // Changes made through the manager show at once.
    manager.setChecked(manager.entryAt(1).id, false);
    EXPECT_EQ(view->topLevelItem(1)->checkState(0), Qt::Unchecked);
    manager.select(manager.entryAt(2).id);
    ASSERT_EQ(view->selectedItems().size(), 1);
    EXPECT_EQ(view->selectedItems().front(), view->topLevelItem(2));
    manager.deleteSelectedLayer();
    EXPECT_EQ(texts(), (QStringList{QStringLiteral("Слой по К№10"), QStringLiteral("Слой по К№2")}));
    EXPECT_TRUE(view->selectedItems().isEmpty());
}

TEST_F(LayerManagerViewTest, UserChecksAndSelectionsReachTheManager)
{
    QSignalSpy checks(view.get(), &LayerManagerView::entryCheckChanged);
    QSignalSpy selections(view.get(), &LayerManagerView::entrySelectionChanged);
    const EntryId first = manager.entryAt(0).id;
    const EntryId second = manager.entryAt(1).id;

    view->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
    EXPECT_FALSE(manager.isChecked(second));
    EXPECT_TRUE(manager.isChecked(first));
    ASSERT_EQ(checks.count(), 1);
    EXPECT_EQ(checks[0][0].toInt(), second);
    EXPECT_FALSE(checks[0][1].toBool());

    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centreOf(0));
    EXPECT_EQ(manager.selectedEntry(), first);
    ASSERT_EQ(selections.count(), 1);
    EXPECT_EQ(selections[0][0].toInt(), first);
    EXPECT_TRUE(selections[0][1].toBool());

    // Moving the selection reports the entry that lost it, then the new one.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centreOf(1));
    EXPECT_EQ(manager.selectedEntry(), second);
    ASSERT_EQ(selections.count(), 3);
    EXPECT_EQ(selections[1][0].toInt(), first);
    EXPECT_FALSE(selections[1][1].toBool());
    EXPECT_EQ(selections[2][0].toInt(), second);
    EXPECT_TRUE(selections[2][1].toBool());

    // The record behind the selected line is the one of its own column.
    EXPECT_EQ(manager.recordOf(*manager.selectedEntry())->DepthColumn, 2);
    EXPECT_EQ(checks.count(), 1);
}

} // namespace
} // namespace trassel
