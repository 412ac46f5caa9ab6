#include "base/error.h"
#include "table/grid.h"

#include "support/numbered_grid.h"

#include <gtest/gtest.h>

#include <string>

using namespace trassel;

TEST(Grid, NumberingAndClearingKeepTheHeaders)
{
    Grid g(3, 4);
    NumberGridHeaders(g);
    EXPECT_EQ(g.cell(0, 0), "0/0");
    EXPECT_EQ(g.cell(1, 0), "1");
    EXPECT_EQ(g.cell(2, 0), "2");
    EXPECT_EQ(g.cell(0, 1), "1");
    EXPECT_EQ(g.cell(0, 3), "3");
    g.setCell(1, 1, "a");
    g.setCell(2, 3, "b");
    ClearGridCells(g, 1, 1);
    EXPECT_EQ(g.cell(1, 1), "");
    EXPECT_EQ(g.cell(2, 3), "");
    EXPECT_EQ(g.cell(2, 0), "2");
    EXPECT_EQ(g.cell(0, 3), "3");
    EXPECT_EQ(g.colCount(), 3);
    EXPECT_EQ(g.rowCount(), 4);
}

TEST(Grid, CellsOutsideTheRectangleAreEmptyAndWritesThereAreIgnored)
{
    Grid g(10, 20);
    g.setCell(12, 1, "x");
    g.setCell(1, 25, "x");
    g.setCell(-1, 1, "x");
    EXPECT_EQ(g.cell(12, 1), "");
    EXPECT_EQ(g.cell(-3, -3), "");
    EXPECT_EQ(g.colCount(), 10);
    EXPECT_EQ(g.rowCount(), 20);
}

TEST(Grid, ShrinkingDiscardsCellsForGood)
{
    Grid g(10, 20);
    for (int r = 1; r < 20; ++r)
        for (int c = 1; c < 10; ++c)
            g.setCell(c, r, std::to_string(c * 100 + r));
    g.setRowCount(5);
    g.setRowCount(20);
    for (int r = 5; r < 20; ++r)
        EXPECT_EQ(g.cell(1, r), "") << r;
    EXPECT_EQ(g.cell(9, 4), "904");
    g.setColCount(3);
    g.setColCount(10);
    EXPECT_EQ(g.cell(2, 4), "204");
    EXPECT_EQ(g.cell(3, 4), "");
    EXPECT_EQ(g.cell(9, 1), "");
}

TEST(Grid, FixedRowsMustStayBelowTheRowCount)
{
    Grid g(10, 20);
    EXPECT_EQ(g.fixedRows(), 1);
    g.setFixedRows(11);
    EXPECT_EQ(g.fixedRows(), 11);
    try {
        g.setFixedRows(20);
        FAIL() << "accepted";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Fixed row count must be less than row count");
    }
    EXPECT_EQ(g.fixedRows(), 11);
}

TEST(Grid, TextIsStoredExactlyAndRewritesKeepTheNeighbours)
{
    Grid g(6, 3);
    g.setCell(2, 1, "  12.5 ");
    g.setCell(4, 1, "Песок\tс\r\nгравием");
    g.setCell(1, 1, "first");
    EXPECT_EQ(g.cell(2, 1), "  12.5 ");
    EXPECT_EQ(g.cell(4, 1), "Песок\tс\r\nгравием");
    EXPECT_EQ(g.cell(1, 1), "first");
    EXPECT_EQ(g.cell(3, 1), "");
    g.setCell(4, 1, "");
    EXPECT_EQ(g.cell(2, 1), "  12.5 ");
    g.setCell(2, 1, std::string_view{}); // a null view empties the cell like ""
    EXPECT_EQ(g.cell(2, 1), "");
    g.setCell(2, 1, "  12.5 ");
    EXPECT_EQ(g.cell(4, 1), "");
    // A cell may be written with a view of another cell of the same grid.
    g.setCell(5, 1, g.cellView(2, 1));
    EXPECT_EQ(g.cell(5, 1), "  12.5 ");
}

TEST(Grid, ColumnZeroKeepsNumbersAndTexts)
{
    Grid g(3, 5);
    g.setCell(0, 1, "7");
    g.setCell(0, 2, "007");
    g.setCell(0, 3, "ПК");
    g.setCell(0, 4, "");
    EXPECT_EQ(g.rowLabelNumber(1), 7);
    EXPECT_EQ(g.cell(0, 2), "007");
    EXPECT_EQ(g.cell(0, 3), "ПК");
    EXPECT_EQ(g.cell(0, 4), "");
    // Several number views may be held at once.
    const auto a = g.cellView(0, 1);
    g.setCell(0, 4, "12");
    const auto b = g.cellView(0, 4);
    EXPECT_EQ(a, "7");
    EXPECT_EQ(b, "12");
}

TEST(Grid, MovingRowsAndColumnsCarriesTheirHeaderCells)
{
    Grid g(4, 5);
    FillWithPositions(g);
    g.moveRow(1, 3);
    EXPECT_EQ(g.cell(0, 3), "1");
    EXPECT_EQ(g.cell(1, 3), "1:1");
    EXPECT_EQ(g.cell(1, 1), "1:2");
    EXPECT_EQ(g.cell(0, 1), "2");
    g.moveColumn(3, 1);
    EXPECT_EQ(g.cell(1, 0), "3");
    EXPECT_EQ(g.cell(1, 1), "3:2");
    EXPECT_EQ(g.cell(2, 1), "1:2");
    EXPECT_EQ(g.cell(3, 0), "2");
    EXPECT_EQ(g.cell(0, 1), "2"); // column 0 untouched by a data column move
}

TEST(Grid, ManyRewritesCompactWithoutLosingCells)
{
    Grid g(4, 2001);
    const std::string longText(200, 'x');
    for (int round = 0; round < 40; ++round)
        for (int r = 1; r < 2001; ++r)
            g.setCell(1 + round % 3, r, longText + std::to_string(round * 10000 + r));
    // Dead bytes from earlier rounds are dropped: far less than 40 rounds' worth is kept.
    EXPECT_LT(g.memoryBytes(), std::size_t{40} * 2000 * 200 / 4);
    EXPECT_EQ(g.cell(1, 7), longText + std::to_string(39 * 10000 + 7));
    EXPECT_EQ(g.cell(3, 2000), longText + std::to_string(38 * 10000 + 2000));
    EXPECT_EQ(g.cell(2, 1), longText + std::to_string(37 * 10000 + 1));
}

TEST(Grid, RowsLongerThanSixtyFourKilobytes)
{
    Grid g(4, 3);
    const std::string big(70000, 'a');
    g.setCell(1, 1, big);
    g.setCell(3, 1, "tail");
    EXPECT_EQ(g.cell(1, 1), big);
    EXPECT_EQ(g.cell(3, 1), "tail");
    g.compact();
    EXPECT_EQ(g.cell(1, 1), big);
    EXPECT_EQ(g.cell(3, 1), "tail");
}

TEST(Grid, EveryChangeMovesTheRevisionAndNoTwoGridsShareOne)
{
    Grid grid(4, 5);
    Grid other(4, 5);
    EXPECT_NE(grid.revision(), other.revision());
    const auto moves = [&](const char* what, auto&& change) {
        const auto before = grid.revision();
        change();
        EXPECT_NE(grid.revision(), before) << what;
    };
    moves("a cell", [&] { grid.setCell(1, 1, "7"); });
    moves("a row label", [&] { grid.setCell(0, 2, "x"); });
    moves("cells of a row", [&] {
        const std::string_view texts[] = {"1", "2"};
        grid.setCells(2, 1, texts, 2);
    });
    moves("a row inserted", [&] { grid.insertRow(1); });
    moves("a row removed", [&] { grid.removeRow(1); });
    moves("a row moved", [&] { grid.moveRow(1, 3); });
    moves("a column inserted", [&] { grid.insertColumn(1); });
    moves("a column removed", [&] { grid.removeColumn(1); });
    moves("a column moved", [&] { grid.moveColumn(1, 2); });
    moves("the row count", [&] { grid.setRowCount(8); });
    moves("the column count", [&] { grid.setColCount(6); });
    moves("cleared", [&] { grid.clearRange(1, 1); });
    const auto mine = grid.revision();
    const auto theirs = other.revision();
    grid.swap(other);
    EXPECT_NE(grid.revision(), mine);
    EXPECT_NE(grid.revision(), theirs);
    EXPECT_NE(other.revision(), mine);
    EXPECT_NE(other.revision(), theirs);
    // Reading changes nothing.
    const auto now = grid.revision();
    (void)grid.cellView(1, 1);
    grid.compact();
    EXPECT_EQ(grid.revision(), now);
}
