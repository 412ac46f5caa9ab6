#include "table/qt/grid_table_model.h"

#include "table/grid.h"

#include <QSignalSpy>

#include "support/numbered_grid.h"

#include <gtest/gtest.h>

#include <string>

using trassel::Grid;
using trassel::GridTableModel;

namespace {

void fill(Grid& grid) { trassel::FillWithPositions(grid); }

QString text(const GridTableModel& model, int row, int col) { return model.data(model.index(row, col)).toString(); }

TEST(GridTableModel, MapsModelPositionsToGridCellsAndHeaders)
{
    Grid grid(4, 6);
    fill(grid);
    grid.setCell(2, 3, "глубина, см");
    GridTableModel body(&grid, 2, -1);
    GridTableModel header(&grid, 1, 2);

    EXPECT_EQ(body.rowCount(), 4);
    EXPECT_EQ(body.columnCount(), 3);
    EXPECT_EQ(header.rowCount(), 1);
    EXPECT_EQ(text(body, 0, 0), QStringLiteral("1:2"));
    EXPECT_EQ(text(body, 3, 2), QStringLiteral("3:5"));
    EXPECT_EQ(text(body, 1, 1), QStringLiteral("глубина, см"));
    EXPECT_EQ(text(header, 0, 2), QStringLiteral("3:1"));
    EXPECT_EQ(body.headerData(0, Qt::Horizontal).toString(), QStringLiteral("1"));
    EXPECT_EQ(body.headerData(2, Qt::Horizontal).toString(), QStringLiteral("3"));
    EXPECT_EQ(body.headerData(0, Qt::Vertical).toString(), QStringLiteral("2"));
    EXPECT_EQ(header.headerData(0, Qt::Vertical).toString(), QStringLiteral("1"));
    EXPECT_FALSE(body.data(body.index(0, 0), Qt::DecorationRole).isValid());

    // Only the cells asked for are read.
    body.resetReadStats();
    text(body, 2, 1);
    text(body, 3, 0);
    EXPECT_EQ(body.readStats().reads, 2);
    EXPECT_EQ(body.readStats().lowestRow, 2);
    EXPECT_EQ(body.readStats().highestRow, 3);
}

TEST(GridTableModel, EditsWriteTheGridCellExceptInTheHeaderBand)
{
    Grid grid(4, 6);
    fill(grid);
    GridTableModel body(&grid, 2, -1);
    GridTableModel header(&grid, 1, 2);
    header.setEditable(false);
    QSignalSpy edited(&body, &GridTableModel::cellEdited);
    QSignalSpy changed(&body, &QAbstractItemModel::dataChanged);

    EXPECT_TRUE(body.flags(body.index(0, 0)) & Qt::ItemIsEditable);
    ASSERT_TRUE(body.setData(body.index(1, 2), QStringLiteral("  12,5 ПК")));
    EXPECT_EQ(grid.cell(3, 3), "  12,5 ПК");
    ASSERT_EQ(edited.count(), 1);
    EXPECT_EQ(edited.at(0).at(0).toInt(), 3);
    EXPECT_EQ(edited.at(0).at(1).toInt(), 3);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_FALSE(body.setData(body.index(1, 2), QStringLiteral("x"), Qt::DisplayRole));

    EXPECT_FALSE(header.flags(header.index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_FALSE(header.flags(header.index(0, 0)) & Qt::ItemIsSelectable);
    EXPECT_FALSE(header.setData(header.index(0, 0), QStringLiteral("x")));
    EXPECT_EQ(grid.cell(1, 1), "1:1");
}

TEST(GridTableModel, RefreshAnnouncesSizeChangesAtTheEdges)
{
    Grid grid(4, 6);
    fill(grid);
    GridTableModel body(&grid, 1, -1);
    QSignalSpy inserted(&body, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&body, &QAbstractItemModel::rowsRemoved);
    QSignalSpy columnsInserted(&body, &QAbstractItemModel::columnsInserted);

    grid.setRowCount(9);
    grid.setColCount(6);
    // Nothing is announced, and nothing claimed, before refresh().
    EXPECT_EQ(body.rowCount(), 5);
    body.refresh();
    EXPECT_EQ(body.rowCount(), 8);
    EXPECT_EQ(body.columnCount(), 5);
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted.at(0).at(1).toInt(), 5);
    EXPECT_EQ(inserted.at(0).at(2).toInt(), 7);
    ASSERT_EQ(columnsInserted.count(), 1);
    EXPECT_EQ(columnsInserted.at(0).at(1).toInt(), 3);

    grid.setRowCount(3);
    body.refresh();
    EXPECT_EQ(body.rowCount(), 2);
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed.at(0).at(1).toInt(), 2);
    EXPECT_EQ(removed.at(0).at(2).toInt(), 7);

    // Moving the top edge down removes rows at the top; the rows below keep their cells.
    grid.setRowCount(6);
    fill(grid);
    body.refresh();
    removed.clear();
    inserted.clear();
    body.setRowWindow(3, -1);
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed.at(0).at(1).toInt(), 0);
    EXPECT_EQ(removed.at(0).at(2).toInt(), 1);
    EXPECT_EQ(body.rowCount(), 3);
    EXPECT_EQ(text(body, 0, 0), QStringLiteral("1:3"));
    body.setRowWindow(1, -1);
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted.at(0).at(1).toInt(), 0);
    EXPECT_EQ(inserted.at(0).at(2).toInt(), 1);
    EXPECT_EQ(body.rowCount(), 5);
    EXPECT_EQ(text(body, 0, 0), QStringLiteral("1:1"));

    // A band that ends before the grid does stays that size when the grid grows.
    GridTableModel header(&grid, 1, 3);
    grid.setRowCount(40);
    header.refresh();
    EXPECT_EQ(header.rowCount(), 2);
}

TEST(GridTableModel, MovesGoIntoTheGridWithTheirHeaderCells)
{
    Grid grid(5, 6);
    fill(grid);
    GridTableModel body(&grid, 2, -1);
    QSignalSpy moved(&body, &QAbstractItemModel::columnsMoved);

    // Column 1 to the place of column 3 (destination given as "before model column 3").
    ASSERT_TRUE(body.moveColumns(QModelIndex(), 0, 1, QModelIndex(), 3));
    EXPECT_EQ(moved.count(), 1);
    EXPECT_EQ(grid.cell(1, 0), "2");
    EXPECT_EQ(grid.cell(2, 0), "3");
    EXPECT_EQ(grid.cell(3, 0), "1");
    EXPECT_EQ(grid.cell(3, 4), "1:4");
    EXPECT_EQ(grid.cell(1, 4), "2:4");
    // And back leftwards.
    ASSERT_TRUE(body.moveColumns(QModelIndex(), 2, 1, QModelIndex(), 0));
    EXPECT_EQ(grid.cell(1, 0), "1");
    EXPECT_EQ(grid.cell(1, 5), "1:5");

    // Body row 0 is grid row 2; it goes below grid row 4. Its number goes with it.
    ASSERT_TRUE(body.moveRows(QModelIndex(), 0, 1, QModelIndex(), 3));
    EXPECT_EQ(grid.cell(0, 4), "2");
    EXPECT_EQ(grid.cell(1, 4), "1:2");
    EXPECT_EQ(grid.cell(0, 2), "3");
    EXPECT_EQ(grid.cell(1, 1), "1:1"); // the header band is untouched
    ASSERT_TRUE(body.moveRows(QModelIndex(), 2, 1, QModelIndex(), 0));
    EXPECT_EQ(grid.cell(0, 2), "2");

    // Two rows at once keep their order.
    ASSERT_TRUE(body.moveRows(QModelIndex(), 0, 2, QModelIndex(), 4));
    EXPECT_EQ(grid.cell(0, 4), "2");
    EXPECT_EQ(grid.cell(0, 5), "3");
    EXPECT_EQ(grid.cell(0, 2), "4");

    EXPECT_FALSE(body.moveRows(QModelIndex(), 3, 2, QModelIndex(), 0));
    EXPECT_FALSE(body.moveColumns(QModelIndex(), 0, 1, QModelIndex(), 9));
    EXPECT_FALSE(body.moveColumns(QModelIndex(), 1, 1, QModelIndex(), 1));
}

} // namespace
