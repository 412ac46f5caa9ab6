#include "base/error.h"
#include "table/cell_block.h"
#include "table/column_widths.h"
#include "table/grid.h"
#include "table/grid_editing.h"

#include "support/error_text.h"
#include "support/numbered_grid.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace trassel;

TEST(GridEditing, PasteLinesSplitOnlyAtCrLfUnlessLfIsAllowed)
{
    using Lines = std::vector<std::string_view>;
    EXPECT_EQ(SplitPasteLines("a\tb\r\nc", false), (Lines{"a\tb", "c"}));
    EXPECT_EQ(SplitPasteLines("a\r\n", false), (Lines{"a"}));
    EXPECT_EQ(SplitPasteLines("a\r\n\r\n", false), (Lines{"a", ""}));
    EXPECT_EQ(SplitPasteLines("a\nb\rc\r\nd", false), (Lines{"a\nb\rc", "d"})); // a lone LF or CR is text
    EXPECT_EQ(SplitPasteLines("a\nb\r\nc\n", true), (Lines{"a", "b", "c"}));
    EXPECT_TRUE(SplitPasteLines("", false).empty());
    EXPECT_EQ(WidestLine({"a", "a\t\tb", ""}), 3);
}

TEST(GridEditing, RowsAndColumnsInsertedAndRemovedCarryTheirLabels)
{
    Grid g(4, 5);
    FillWithPositions(g);
    g.insertRow(2);
    EXPECT_EQ(g.rowCount(), 6);
    EXPECT_EQ(g.cell(0, 2), "");
    EXPECT_EQ(g.cell(1, 3), "1:2");
    EXPECT_EQ(g.cell(0, 3), "2");
    g.removeRow(0); // the numbering row goes; row 1 becomes the top
    EXPECT_EQ(g.cell(1, 0), "1:1");
    g.insertColumn(0); // every row's label becomes its first data cell
    EXPECT_EQ(g.colCount(), 5);
    EXPECT_EQ(g.cell(0, 0), "");
    EXPECT_EQ(g.cell(1, 0), "1");
    EXPECT_EQ(g.cell(2, 0), "1:1");
    g.removeColumn(0);
    EXPECT_EQ(g.cell(0, 0), "1");
    EXPECT_EQ(g.cell(1, 0), "1:1");

    Grid one(1, 1);
    EXPECT_NE(errorText([&] { one.removeRow(0); }), "(no error)");
    EXPECT_NE(errorText([&] { one.removeColumn(0); }), "(no error)");
    EXPECT_EQ(one.rowCount(), 1);
    EXPECT_EQ(one.colCount(), 1);

    Grid fixed(3, 3);
    fixed.setFixedRows(2);
    fixed.removeRow(1);
    EXPECT_EQ(fixed.fixedRows(), 1); // stays below the row count
}

TEST(GridEditing, CellBlocksPutBackExactlyWhatTheyKept)
{
    Grid g(5, 6);
    FillWithPositions(g);
    g.setCell(2, 2, std::string(300, 'x')); // a length past one varint byte
    g.setCell(3, 3, "Песок");
    const CellBlock block = CellBlock::capture(g, 0, 1, 5, 4);
    g.clearRange(0, 0);
    block.restore(g);
    EXPECT_EQ(g.cell(2, 2), std::string(300, 'x'));
    EXPECT_EQ(g.cell(3, 3), "Песок");
    EXPECT_EQ(g.cell(0, 4), "4");
    EXPECT_EQ(g.cell(1, 5), "");                                 // outside the block
    const CellBlock outside = CellBlock::capture(g, 3, 4, 4, 4); // reaches past the grid
    Grid small(2, 2);
    outside.restore(small); // places outside are skipped
    EXPECT_EQ(small.cell(1, 1), "");
}

TEST(GridEditing, CopyGoesThroughTheEightBitCodePage)
{
    Grid g(3, 3);
    g.setCell(1, 1, "Суглинок");
    g.setCell(2, 1, "✓");
    g.setCell(1, 2, "12.5");
    EXPECT_EQ(CopyGridText(g), "Суглинок\t?\r\n12.5\t\r\n");
    Grid narrow(1, 3); // no data column: each row's end takes the last character before it
    EXPECT_EQ(CopyGridText(narrow), "\r\r\n");
}

TEST(GridEditing, PasteAtACellGrowsTheGridAndRefusesWhatNoGridHolds)
{
    Grid g(3, 3);
    const CellRect r = PasteTextAt(g, 2, 2, SplitPasteLines("a\tb\nc", true));
    EXPECT_EQ(r, (CellRect{2, 2, 3, 3}));
    EXPECT_EQ(g.colCount(), 4);
    EXPECT_EQ(g.rowCount(), 4);
    EXPECT_EQ(g.cell(3, 2), "b");
    EXPECT_EQ(g.cell(2, 3), "c");
    const std::string wide(Grid::kMaxColumns, '\t');
    EXPECT_NE(errorText([&] { PasteGridText(g, SplitPasteLines(wide, false)); }), "(no error)");
    EXPECT_EQ(g.colCount(), 4);
    EXPECT_EQ(RectText(g, {2, 2, 3, 3}), "a\tb\r\nc\t\r\n");
}

TEST(ColumnWidths, LongestTextsAreTheOnesMeasured)
{
    Grid g(3, 200);
    NumberGridHeaders(g);
    for (int r = 1; r < 200; ++r)
        g.setCell(1, r, std::string(static_cast<std::size_t>(r % 50), 'a'));
    g.setCell(1, 77, "ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ"); // 56 letters, 112 bytes
    const auto rows = LongestCellRows(g, 3);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].size(), 3u);
    EXPECT_NE(std::find(rows[1].begin(), rows[1].end(), 77), rows[1].end());
    EXPECT_EQ(rows[2], std::vector<int>{0}); // only its number in row 0 has text
    ASSERT_EQ(rows[0].size(), 3u);
    for (const int r : rows[0])
        EXPECT_TRUE(r == 0 || r >= 100) << r << ": only \"0/0\" and three-digit numbers are the longest";
    Grid empty(2, 2);
    EXPECT_TRUE(LongestCellRows(empty)[1].empty());
    EXPECT_EQ(FittedColumnWidth(0, 1), 125);
    EXPECT_EQ(FittedColumnWidth(40, 1), 51);
}
