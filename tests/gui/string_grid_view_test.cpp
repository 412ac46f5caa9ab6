#include "table/qt/string_grid_view.h"

#include "base/error.h"
#include "table/grid.h"
#include "table/qt/grid_table_model.h"

#include <QAbstractButton>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include "support/numbered_grid.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

using trassel::Grid;
using trassel::StringGridView;

namespace {

void fill(Grid& grid) { trassel::FillWithPositions(grid); }

// Presses at `from`, drags to `to` with the button held and releases, as a user's drag does.
void drag(QWidget* target, QPoint from, QPoint to)
{
    auto send = [target](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(at), QPointF(target->mapToGlobal(at)),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    };
    send(QEvent::MouseButtonPress, from, Qt::LeftButton);
    const QPoint step = (to - from) / 4;
    for (int i = 1; i <= 4; ++i)
        send(QEvent::MouseMove, i == 4 ? to : from + step * i, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, to, Qt::NoButton);
}

// A double click as the platform delivers it: press, release, press, double click, release.
void doubleClick(QWidget* target, QPoint at)
{
    const QPointF local(at);
    const QPointF global(target->mapToGlobal(at));
    const QEvent::Type sequence[] = {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonPress,
                                     QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease};
    for (const QEvent::Type type : sequence) {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, local, global, Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
}

// The cell editor open in the view, if any.
QLineEdit* openEditor(const QTableView* view)
{
    for (QLineEdit* editor : view->viewport()->findChildren<QLineEdit*>()) {
        if (editor->isVisible())
            return editor;
    }
    return nullptr;
}

// The depth table at its start size: 10 columns, 20 rows, numbered, each cell saying "c:r".
class StringGridViewTest : public testing::Test {
protected:
    StringGridViewTest() : grid(10, 20)
    {
        fill(grid);
        view = std::make_unique<StringGridView>(&grid);
        view->resize(640, 420);
        view->show();
        QApplication::processEvents();
    }

    QTableView* body() const { return view->bodyView(); }
    QTableView* top() const { return view->headerRowsView(); }
    // Centre of a body cell, in the body's viewport.
    QPoint cellCentre(int col, int row) const
    {
        const QModelIndex index = body()->model()->index(row - view->fixedRows(), col - 1);
        body()->scrollTo(index);
        return body()->visualRect(index).center();
    }
    void click(int col, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::mouseClick(body()->viewport(), Qt::LeftButton, modifiers, cellCentre(col, row));
    }

    Grid grid;
    std::unique_ptr<StringGridView> view;
};

TEST_F(StringGridViewTest, HeadersShowRowZeroAndColumnZeroAndTheCornerCell)
{
    QAbstractItemModel* columns = top()->model();
    EXPECT_EQ(columns->headerData(0, Qt::Horizontal).toString(), QStringLiteral("1"));
    EXPECT_EQ(columns->headerData(8, Qt::Horizontal).toString(), QStringLiteral("9"));
    EXPECT_EQ(body()->model()->headerData(0, Qt::Vertical).toString(), QStringLiteral("1"));
    EXPECT_EQ(body()->model()->columnCount(), 9);
    EXPECT_EQ(body()->model()->rowCount(), 19);
    EXPECT_TRUE(body()->horizontalHeader()->isHidden());
    EXPECT_TRUE(top()->horizontalHeader()->isVisible());
    EXPECT_EQ(top()->model()->rowCount(), 0);

    // The corner paints cell (0, 0): its picture changes when that text does.
    auto* corner = top()->findChild<QAbstractButton*>();
    ASSERT_NE(corner, nullptr);
    ASSERT_TRUE(corner->isVisible());
    const QImage withText = corner->grab().toImage();
    grid.setCell(0, 0, "");
    view->refresh();
    EXPECT_NE(corner->grab().toImage(), withText);

    // Header texts follow the grid after a refresh, numbering as it stands.
    grid.setCell(4, 0, "ПК");
    grid.setCell(0, 7, "семь");
    view->refresh();
    EXPECT_EQ(columns->headerData(3, Qt::Horizontal).toString(), QStringLiteral("ПК"));
    EXPECT_EQ(body()->model()->headerData(6, Qt::Vertical).toString(), QStringLiteral("семь"));
}

TEST_F(StringGridViewTest, HeaderRowsStayFrozenAboveTheScrollingBody)
{
    view->resize(420, 300);
    QApplication::processEvents();
    grid.setCell(2, 1, "Глубина");
    view->setFixedRows(3);
    EXPECT_EQ(grid.fixedRows(), 3);
    EXPECT_EQ(view->fixedRows(), 3);
    ASSERT_EQ(top()->model()->rowCount(), 2);
    EXPECT_EQ(top()->model()->index(0, 1).data().toString(), QStringLiteral("Глубина"));
    EXPECT_EQ(top()->model()->headerData(1, Qt::Vertical).toString(), QStringLiteral("2"));
    EXPECT_EQ(body()->model()->index(0, 0).data().toString(), QStringLiteral("1:3"));
    EXPECT_EQ(body()->model()->headerData(0, Qt::Vertical).toString(), QStringLiteral("3"));
    // The header rows are shown whole.
    EXPECT_EQ(top()->height(), view->rowHeight(0) + view->rowHeight(1) + view->rowHeight(2));

    // Scrolling the body down leaves the header rows in place; scrolling sideways moves both.
    const QRect firstHeaderRow = top()->visualRect(top()->model()->index(0, 0));
    body()->scrollToBottom();
    QApplication::processEvents();
    EXPECT_GT(body()->verticalScrollBar()->value(), 0);
    EXPECT_EQ(top()->visualRect(top()->model()->index(0, 0)), firstHeaderRow);
    body()->horizontalScrollBar()->setValue(body()->horizontalScrollBar()->maximum());
    QApplication::processEvents();
    EXPECT_GT(body()->horizontalScrollBar()->value(), 0);
    EXPECT_EQ(top()->horizontalScrollBar()->value(), body()->horizontalScrollBar()->value());
    EXPECT_EQ(top()->visualRect(top()->model()->index(0, 8)).left(),
              body()->visualRect(body()->model()->index(0, 8)).left());
    // Both parts have the same width of cells, so their right edges line up at the end too.
    EXPECT_EQ(top()->viewport()->width(), body()->viewport()->width());

    // A fixed-row count that reaches the row count is refused and changes nothing.
    try {
        view->setFixedRows(20);
        FAIL() << "no error";
    } catch (const trassel::Error& e) {
        EXPECT_STREQ(e.what(), "Fixed row count must be less than row count");
    }
    EXPECT_EQ(view->fixedRows(), 3);
    EXPECT_EQ(top()->model()->rowCount(), 2);

    // Back to one fixed row: the header rows return to the body.
    view->setFixedRows(1);
    EXPECT_EQ(top()->model()->rowCount(), 0);
    EXPECT_EQ(body()->model()->index(0, 1).data().toString(), QStringLiteral("Глубина"));
}

TEST_F(StringGridViewTest, SelectingACellReportsItInGridCoordinates)
{
    view->setFixedRows(2);
    QSignalSpy selected(view.get(), &StringGridView::cellSelected);
    // Like any grid it starts with its first body cell current, which nobody selected.
    body()->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(view->currentCell(), QPoint(1, 2));
    EXPECT_EQ(view->selectionRect(), (StringGridView::CellRect{1, 2, 1, 2}));
    EXPECT_EQ(selected.count(), 0);
    // A click on the current cell still selects it.
    click(1, 2);
    ASSERT_EQ(selected.count(), 1);
    EXPECT_EQ(selected.at(0).at(1).toInt(), 2);
    selected.clear();

    click(4, 6);
    ASSERT_EQ(selected.count(), 1);
    EXPECT_EQ(selected.at(0).at(0).toInt(), 4);
    EXPECT_EQ(selected.at(0).at(1).toInt(), 6);
    EXPECT_EQ(view->selectionRect(), (StringGridView::CellRect{4, 6, 4, 6}));

    body()->setFocus();
    QTest::keyClick(body(), Qt::Key_Down);
    ASSERT_EQ(selected.count(), 2);
    EXPECT_EQ(selected.at(1).at(1).toInt(), 7);
    QTest::keyClick(body(), Qt::Key_Tab);
    ASSERT_EQ(selected.count(), 3);
    EXPECT_EQ(selected.at(2).at(0).toInt(), 5);
    EXPECT_EQ(selected.at(2).at(1).toInt(), 7);
    EXPECT_EQ(view->currentCell(), QPoint(5, 7));

    // Without Tab navigation the key leaves the grid alone.
    view->setTabNavigation(false);
    QTest::keyClick(body(), Qt::Key_Tab);
    EXPECT_EQ(view->currentCell(), QPoint(5, 7));

    view->setCurrentCell(1, 15);
    ASSERT_EQ(selected.count(), 4);
    EXPECT_EQ(selected.at(3).at(0).toInt(), 1);
    EXPECT_EQ(selected.at(3).at(1).toInt(), 15);
    // Fixed cells cannot become current.
    view->setCurrentCell(0, 5);
    view->setCurrentCell(3, 1);
    view->setCurrentCell(3, 20);
    EXPECT_EQ(selected.count(), 4);
    EXPECT_EQ(view->currentCell(), QPoint(1, 15));
}

TEST_F(StringGridViewTest, ARightClickOpensTheMenuWithoutSelecting)
{
    click(3, 7);
    QSignalSpy selected(view.get(), &StringGridView::cellSelected);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    QSignalSpy menu(view.get(), &QWidget::customContextMenuRequested);

    const QPoint at = cellCentre(6, 12);
    QTest::mouseClick(body()->viewport(), Qt::RightButton, Qt::NoModifier, at);
    QContextMenuEvent request(QContextMenuEvent::Mouse, at, body()->viewport()->mapToGlobal(at));
    QApplication::sendEvent(body()->viewport(), &request);

    EXPECT_EQ(menu.count(), 1);
    EXPECT_EQ(selected.count(), 0);
    EXPECT_EQ(view->currentCell(), QPoint(3, 7));
    EXPECT_EQ(view->selectionRect(), (StringGridView::CellRect{3, 7, 3, 7}));
}

TEST_F(StringGridViewTest, SelectionIsOneRectangle)
{
    click(5, 9);
    click(2, 3, Qt::ShiftModifier);
    EXPECT_EQ(view->selectionRect(), (StringGridView::CellRect{2, 3, 5, 9}));

    // Dragging across cells selects the rectangle they span.
    drag(body()->viewport(), cellCentre(3, 4), cellCentre(6, 7));
    EXPECT_EQ(view->selectionRect(), (StringGridView::CellRect{3, 4, 6, 7}));
    // Shift and arrow keys grow it from the anchor.
    body()->setFocus();
    QTest::keyClick(body(), Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(view->selectionRect(), (StringGridView::CellRect{3, 4, 7, 7}));

    // Ctrl-click does not add a second area.
    click(9, 18, Qt::ControlModifier);
    EXPECT_EQ(view->selectionRect(), (StringGridView::CellRect{9, 18, 9, 18}));
}

TEST_F(StringGridViewTest, AClickOnlySelectsAndAKeyOpensTheEditor)
{
    QSignalSpy edited(view.get(), &StringGridView::cellEdited);
    click(2, 3);
    EXPECT_FALSE(view->editingOption());
    doubleClick(body()->viewport(), cellCentre(2, 3));
    EXPECT_EQ(openEditor(body()), nullptr);

    // A typed character opens the editor with that character; Enter writes the cell.
    body()->setFocus();
    QTest::keyClick(body(), Qt::Key_7);
    EXPECT_TRUE(view->editingOption());
    QLineEdit* editor = openEditor(body());
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, QStringLiteral("5,5"));
    editor->insert(QStringLiteral(" м"));
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(grid.cell(2, 3), "75,5 м");
    ASSERT_EQ(edited.count(), 1);
    EXPECT_EQ(edited.at(0).at(0).toInt(), 2);
    EXPECT_EQ(edited.at(0).at(1).toInt(), 3);

    // Selecting another cell switches the option off again; F2 opens the editor.
    click(4, 5);
    EXPECT_FALSE(view->editingOption());
    body()->setFocus();
    QTest::keyClick(body(), Qt::Key_F2);
    editor = openEditor(body());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), QStringLiteral("4:5"));
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_EQ(grid.cell(4, 5), "4:5");

    // An arrow key moves the cell, which ends in the option being off.
    QTest::keyClick(body(), Qt::Key_Down);
    EXPECT_FALSE(view->editingOption());

    // The always-editable grid opens the editor from a double click.
    view->setAlwaysEditable(true);
    doubleClick(body()->viewport(), cellCentre(6, 8));
    EXPECT_NE(openEditor(body()), nullptr);
}

TEST_F(StringGridViewTest, DraggingAColumnHeaderMovesTheGridColumn)
{
    view->setColumnWidth(1, 100);
    QHeaderView* header = top()->horizontalHeader();
    const int y = header->height() / 2;
    drag(header->viewport(), QPoint(header->sectionViewportPosition(0) + 20, y),
         QPoint(header->sectionViewportPosition(2) + header->sectionSize(2) - 5, y));

    // The grid itself changed; its header cell went along and nothing was renumbered.
    EXPECT_EQ(grid.cell(3, 0), "1");
    EXPECT_EQ(grid.cell(1, 0), "2");
    EXPECT_EQ(grid.cell(3, 7), "1:7");
    EXPECT_EQ(grid.cell(2, 7), "3:7");
    // The screen shows the grid's order, and the width went with the column.
    for (int i = 0; i < header->count(); ++i)
        EXPECT_EQ(header->logicalIndex(i), i);
    EXPECT_EQ(top()->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("1"));
    EXPECT_EQ(body()->model()->index(6, 2).data().toString(), QStringLiteral("1:7"));
    EXPECT_EQ(view->columnWidth(3), 100);
    EXPECT_EQ(body()->columnWidth(2), 100);
    EXPECT_EQ(view->columnWidth(1), StringGridView::kDefaultColumnWidth);

    // A plain click on a header cell is a fixed-cell click and moves nothing.
    QSignalSpy fixedClicks(view.get(), &StringGridView::fixedCellClicked);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(header->sectionViewportPosition(4) + 10, y));
    ASSERT_EQ(fixedClicks.count(), 1);
    EXPECT_EQ(fixedClicks.at(0).at(0).toInt(), 5);
    EXPECT_EQ(fixedClicks.at(0).at(1).toInt(), 0);
    EXPECT_EQ(grid.cell(5, 0), "5");
}

TEST_F(StringGridViewTest, DraggingARowHeaderMovesTheGridRow)
{
    QSignalSpy fixedClicks(view.get(), &StringGridView::fixedCellClicked);
    QHeaderView* header = body()->verticalHeader();
    const int x = header->width() / 2;
    view->setRowHeight(2, 40);
    drag(header->viewport(), QPoint(x, header->sectionViewportPosition(1) + 5),
         QPoint(x, header->sectionViewportPosition(4) + header->sectionSize(4) - 3));

    EXPECT_EQ(grid.cell(0, 5), "2");
    EXPECT_EQ(grid.cell(4, 5), "4:2");
    EXPECT_EQ(grid.cell(0, 2), "3");
    EXPECT_EQ(body()->model()->headerData(4, Qt::Vertical).toString(), QStringLiteral("2"));
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(header->logicalIndex(i), i);
    EXPECT_EQ(view->rowHeight(5), 40);
    EXPECT_EQ(fixedClicks.count(), 0);

    // A click on a row number neither selects the row nor moves it.
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(x, header->sectionViewportPosition(7) + 5));
    ASSERT_EQ(fixedClicks.count(), 1);
    EXPECT_EQ(fixedClicks.at(0).at(0).toInt(), 0);
    EXPECT_EQ(fixedClicks.at(0).at(1).toInt(), 8);
    EXPECT_TRUE(body()->selectionModel()->selection().isEmpty());
}

TEST_F(StringGridViewTest, AutoSizeFitsTheWidestTextOrGivesEmptyColumns125)
{
    grid.setRowCount(3000);
    trassel::NumberGridHeaders(grid);
    ClearGridCells(grid, 1, 1);
    // Column 2: many short numbers and, far down, the widest text. Column 3: a Cyrillic word
    // that is wider on screen than a longer run of narrow letters, so more than the single
    // longest text must be measured. Column 5: empty but for its number in row 0, which
    // counts as text.
    for (int r = 1; r < 3000; ++r)
        grid.setCell(2, r, std::to_string(r % 97));
    grid.setCell(2, 2950, "123456.789");
    grid.setCell(3, 10, "Щебень");
    grid.setCell(3, 11, "ab12");
    grid.setCell(3, 12, "iiiiiiiii");
    view->refresh();
    view->autoSizeColumns();

    const QFontMetrics fm(body()->font());
    EXPECT_EQ(view->columnWidth(2), fm.horizontalAdvance(QStringLiteral("123456.789")) + 11);
    EXPECT_EQ(view->columnWidth(3), fm.horizontalAdvance(QStringLiteral("Щебень")) + 11);
    EXPECT_EQ(view->columnWidth(0), fm.horizontalAdvance(QStringLiteral("2999")) + 11);
    EXPECT_EQ(view->columnWidth(5), fm.horizontalAdvance(QStringLiteral("5")) + 11);
    EXPECT_EQ(body()->columnWidth(1), view->columnWidth(2));
    EXPECT_EQ(top()->verticalHeader()->width(), view->columnWidth(0));

    // An all-empty column, its number cell included, gets 125.
    grid.setCell(6, 0, "");
    view->autoSizeColumns();
    EXPECT_EQ(view->columnWidth(6), StringGridView::kEmptyColumnWidth);
}

TEST(StringGridViewScale, AMillionRowsShowAndScrollReadingOnlyTheRowsOnScreen)
{
    // 1,000,000 data rows of 11 fields, loaded the way an import does.
    constexpr int kRows = 1000000;
    const std::string line = "1.25\t0.4\t35\t52.5\t60\t71\t80\t91.5\t102\t118\t130\r\n";
    const std::size_t size = line.size() * kRows;
    auto bytes = std::make_unique<char[]>(size);
    for (std::size_t i = 0; i < kRows; ++i)
        std::memcpy(bytes.get() + i * line.size(), line.data(), line.size());
    Grid grid(12, 1);
    ASSERT_EQ(grid.loadDelimited(std::move(bytes), size, '\t'), static_cast<std::size_t>(kRows));
    trassel::NumberGridHeaders(grid);
    ASSERT_EQ(grid.rowCount(), kRows + 1);

    StringGridView view(&grid);
    view.resize(800, 500);
    view.show();
    QApplication::processEvents();
    QTableView* body = view.bodyView();
    EXPECT_EQ(body->model()->rowCount(), kRows);
    EXPECT_EQ(body->verticalHeader()->defaultSectionSize(), StringGridView::kDefaultRowHeight);

    view.bodyModel()->resetReadStats();
    QSignalSpy selected(&view, &StringGridView::cellSelected);
    body->setFocus();
    view.setCurrentCell(2, 1);
    QTest::keyClick(body, Qt::Key_End, Qt::ControlModifier);
    QApplication::processEvents();
    (void)view.grab();
    ASSERT_GE(selected.count(), 2);
    EXPECT_EQ(selected.last().at(1).toInt(), kRows);
    EXPECT_EQ(body->verticalScrollBar()->value(), body->verticalScrollBar()->maximum());

    const auto stats = view.bodyModel()->readStats();
    EXPECT_GT(stats.reads, 0);
    // Only rows near the end were read after the jump (plus the first rows painted before it).
    const int visibleRows = body->viewport()->height() / StringGridView::kDefaultRowHeight + 2;
    EXPECT_LT(stats.reads, 4LL * visibleRows * 11);
    body->verticalScrollBar()->setValue(body->verticalScrollBar()->maximum() / 2);
    view.bodyModel()->resetReadStats();
    (void)view.grab();
    EXPECT_GE(view.bodyModel()->readStats().lowestRow, kRows / 2 - visibleRows);
    EXPECT_LE(view.bodyModel()->readStats().highestRow, kRows / 2 + 2 * visibleRows);

    // Auto-size reads every cell once but measures only a few of them.
    view.autoSizeColumns();
    EXPECT_EQ(view.columnWidth(1), QFontMetrics(body->font()).horizontalAdvance(QStringLiteral("1.25")) + 11);
    EXPECT_EQ(view.columnWidth(0), QFontMetrics(body->font()).horizontalAdvance(QStringLiteral("1000000")) + 11);
}

TEST(StringGridViewLook, BlackBackgroundAndScrollingOptions)
{
    Grid grid(5, 2);
    trassel::NumberGridHeaders(grid);
    grid.setCell(1, 1, "скв");
    StringGridView view(&grid);
    view.setBlackBackground(true);
    view.setLiveScrolling(false);
    view.resize(400, 200);
    view.show();
    QApplication::processEvents();
    EXPECT_TRUE(view.property("blackBackground").toBool());
    EXPECT_FALSE(view.liveScrolling());
    EXPECT_FALSE(view.bodyView()->verticalScrollBar()->hasTracking());

    // An empty cell paints black; its text is light.
    QTableView* body = view.bodyView();
    const QRect emptyCell = body->visualRect(body->model()->index(0, 2));
    const QImage image = body->viewport()->grab().toImage();
    EXPECT_EQ(QColor(image.pixel(emptyCell.center())), QColor(Qt::black));
    EXPECT_EQ(QColor(image.pixel(body->viewport()->width() - 3, body->viewport()->height() - 3)), QColor(Qt::black));
    const QRect textCell = body->visualRect(body->model()->index(0, 0));
    int light = 0;
    for (int y = textCell.top(); y <= textCell.bottom(); ++y)
        for (int x = textCell.left(); x <= textCell.right(); ++x)
            light += QColor(image.pixel(x, y)).lightness() > 160;
    EXPECT_GT(light, 5);

    view.setBlackBackground(false);
    const QImage white = body->viewport()->grab().toImage();
    EXPECT_NE(QColor(white.pixel(emptyCell.center())), QColor(Qt::black));
}

} // namespace
