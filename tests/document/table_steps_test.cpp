// The steps of "Пересчет в ПК" and "Вставить" on large tables: what they keep, and that undo and
// redo give back every byte, texts that are not clean numbers included.
#include "document/survey_document.h"

#include "base/cp1251.h"
#include "table/grid_io.h"

#include "document/document_state.h"

#include <gtest/gtest.h>

#include <string>

namespace trassel {
namespace {

// A survey of `rows` lines at 5 m spacing, a title line first, with odd cells among them: a
// comma for the point, blanks, empty cells, letters, a number written with a trailing zero.
std::string Survey(int rows)
{
    std::string text = "км\tм\tБалласт\tПесок\r\n";
    const char* odd[] = {"12,5", " 7", "", "abc", "1.50", "7 ", "-0", "+3", "05"};
    for (int r = 0; r < rows; ++r) {
        std::string km = std::to_string(100 + r / 200);
        std::string m = std::to_string((r % 200) * 5);
        if (r % 997 == 3)
            km = odd[(r / 997) % 9];
        if (r % 991 == 5)
            m = odd[(r / 991 + 4) % 9];
        text += km + "\t" + m + "\t" + std::to_string(30 + r % 40) + "\t" + (r % 13 == 0 ? "" : "60") + "\r\n";
    }
    text += "\t\t\t\r\n"; // a line of empty cells
    text += "Песок\r\n";  // a line of one cell
    return EncodeCp1251(text);
}

class TableSteps : public ::testing::Test {
protected:
    void SetUp() override
    {
        doc.setEditSink(&edits);
        ASSERT_TRUE(Import(doc, Survey(20'000)));
        edits.edits.clear();
        imported = CaptureTable(doc);
    }

    // Undo, redo and undo again of the last step: back to `before`, forward to `after`.
    void checkUndoRedo(const TableState& before, const TableState& after)
    {
        edits.last().revert(doc);
        EXPECT_EQ(Difference(before, CaptureTable(doc)), "") << "undo";
        edits.last().apply(doc);
        EXPECT_EQ(Difference(after, CaptureTable(doc)), "") << "redo";
        edits.last().revert(doc);
        EXPECT_EQ(Difference(before, CaptureTable(doc)), "") << "second undo";
        edits.last().apply(doc);
    }

    SurveyDocument doc;
    EditRecorder edits;
    TableState imported;
};

TEST_F(TableSteps, PicketRecountKeepsTheFormerKilometresAndMetresPackedAndPutsThemBackExactly)
{
    doc.recalcPickets();
    ASSERT_EQ(edits.size(), 1u);
    const TableState recounted = CaptureTable(doc);
    EXPECT_EQ(doc.depthTable().cell(1, 2), "1000");
    EXPECT_EQ(doc.depthTable().cell(2, 3), "1000+05");
    EXPECT_EQ(doc.depthTable().cell(1, 1), "км"); // the title row is not touched
    // "12,5" reads as 12 km, as the recount always read it.
    EXPECT_EQ(doc.depthTable().cell(1, 5), "120.15");
    checkUndoRedo(imported, recounted);

    // Two columns of 20,000 cells would be over 200 KB before and after; the step keeps the
    // texts before, packed: a few bits a row and the odd ones as they were.
    EXPECT_LT(edits.last().bytes(), std::size_t{16} << 10);

    // A second recount reads the pickets as kilometres; undone, the first recount's texts are back.
    doc.recalcPickets();
    ASSERT_EQ(edits.size(), 2u);
    checkUndoRedo(recounted, CaptureTable(doc));
}

TEST_F(TableSteps, ARecountThatChangesNothingIsNoStep)
{
    // Columns already holding what the recount writes ("0" and "0" for empty cells).
    SurveyDocument zeros;
    EditRecorder steps;
    zeros.setEditSink(&steps);
    ASSERT_TRUE(Import(zeros, "t\r\n\t\t5\r\n\t\t6\r\n"));
    steps.edits.clear();
    zeros.recalcPickets();
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(zeros.depthTable().cell(1, 2), "0");
    EXPECT_EQ(zeros.depthTable().cell(2, 3), "0");
    zeros.recalcPickets();
    EXPECT_EQ(steps.size(), 1u);
}

TEST_F(TableSteps, PastingTheTableBackWithCorrectionsKeepsOnlyTheCorrectedCells)
{
    // The table as the clipboard has it, with four cells changed into texts that are no
    // clean numbers and one into an empty cell.
    std::string text = doc.copyTable();
    ASSERT_TRUE(doc.pasteTable(text));
    EXPECT_EQ(edits.size(), 0u) << "the same text changes nothing";
    const auto replaceLine = [&](int line, const std::string& with) {
        std::size_t at = 0;
        for (int i = 1; i < line; ++i)
            at = text.find("\r\n", at) + 2;
        const std::size_t end = text.find("\r\n", at);
        text.replace(at, end - at, with);
    };
    replaceLine(2, "12,5\t 7\t\tabc");
    replaceLine(10'000, "x\t" + doc.depthTable().cell(2, 10'000) + "\t" + doc.depthTable().cell(3, 10'000) + "\t");
    ASSERT_TRUE(doc.pasteTable(text));
    ASSERT_EQ(edits.size(), 1u);
    const TableState pasted = CaptureTable(doc);
    EXPECT_EQ(doc.depthTable().cell(1, 2), "12,5");
    EXPECT_EQ(doc.depthTable().cell(2, 2), " 7");
    EXPECT_EQ(doc.depthTable().cell(3, 2), "");
    EXPECT_EQ(doc.depthTable().cell(4, 10'000), "");
    checkUndoRedo(imported, pasted);
    // Two rows changed: the step is small, not the table twice (over a megabyte).
    EXPECT_LT(edits.last().bytes(), std::size_t{2} << 10);
}

TEST_F(TableSteps, APasteThatChangesEveryRowOrGrowsTheTableComesBackExactly)
{
    // Every row's first cell changed: the step keeps that column's cells, not the rows.
    std::string text;
    std::size_t changedBytes = 0;
    const int rows = doc.depthTable().rowCount();
    for (int r = 1; r < rows; ++r) {
        const std::string first = "n" + std::to_string(r);
        text += first;
        for (int c = 2; c < doc.depthTable().colCount(); ++c)
            text += "\t" + doc.depthTable().cell(c, r);
        text += "\r\n";
        changedBytes += first.size() + doc.depthTable().cell(1, r).size();
    }
    ASSERT_TRUE(doc.pasteTable(text));
    ASSERT_EQ(edits.size(), 1u);
    const TableState everyRow = CaptureTable(doc);
    checkUndoRedo(imported, everyRow);
    // The texts before and after of the changed cells, and a few bytes a row saying where.
    EXPECT_LT(edits.last().bytes(), changedBytes + 8 * static_cast<std::size_t>(rows) + 4096);

    // Wider and longer than the table: the added rows and columns go with the undo.
    std::string wide; // two fields more than the table has columns after column 0
    for (int c = 0; c <= everyRow.cols; ++c)
        wide += (c > 0 ? "\t" : "") + std::string(1, static_cast<char>('a' + c % 26));
    ASSERT_TRUE(doc.pasteTable(text + wide + "\r\n\r\nlast"));
    ASSERT_EQ(edits.size(), 2u);
    const TableState grown = CaptureTable(doc);
    EXPECT_EQ(grown.cols, everyRow.cols + 2);
    EXPECT_EQ(grown.rows, everyRow.rows + 3);
    checkUndoRedo(everyRow, grown);
}

} // namespace
} // namespace trassel
