#pragma once
// The on-screen table of a trassel::Grid: numbering row and column, frozen header rows and a
// scrolling body, built for survey tables of a million rows.
#include <QFrame>
#include <QPoint>

#include <functional>
#include <string>

class QAbstractButton;
class QHeaderView;
class QModelIndex;
class QTableView;

namespace trassel {

class Grid;
class GridTableModel;

// Shows a Grid with row 0 as the column header and column 0 as the row header (neither
// scrolls; the corner shows cell (0, 0)), the header rows 1..fixedRows-1 frozen above the body
// (they scroll sideways with it but never up or down), and the body below. Every position in
// the interface is in grid coordinates (column, row).
//
// Nothing is copied out of the grid: cells are read when they are painted. After changing the
// grid elsewhere, call refresh().
//
// Editing follows an "editing option": it is switched off whenever a cell is selected and on
// by any key press in the grid, so a click only selects and a typed key or F2 opens the cell
// editor. With alwaysEditable the editor opens without it.
class StringGridView : public QFrame {
    Q_OBJECT
    Q_PROPERTY(bool blackBackground READ blackBackground WRITE setBlackBackground)
    Q_PROPERTY(bool alwaysEditable READ alwaysEditable WRITE setAlwaysEditable)
    Q_PROPERTY(bool tabNavigation READ tabNavigation WRITE setTabNavigation)
    Q_PROPERTY(bool liveScrolling READ liveScrolling WRITE setLiveScrolling)
public:
    static constexpr int kDefaultColumnWidth = 64;
    static constexpr int kDefaultRowHeight = 24;
    static constexpr int kGridLineWidth = 1;
    // Width given by autoSizeColumns() to a column whose cells are all empty.
    static constexpr int kEmptyColumnWidth = 125;

    // The grid must outlive the view.
    explicit StringGridView(Grid* grid, QWidget* parent = nullptr);
    ~StringGridView() override;

    Grid* grid() const { return grid_; }

    // Shows the grid as it is now: its size, fixed rows, cells and header cells. Column widths
    // and row heights stay with the columns and rows that are still there.
    void refresh();
    // Sets the grid's fixed-row count (row 0 plus the header rows) and shows it. Throws
    // trassel::Error, changing nothing, when the count is not below the row count.
    void setFixedRows(int count);
    int fixedRows() const { return fixedRows_; }

    // Makes a body cell current (and the selection that one cell) and scrolls it into view;
    // emits cellSelected when the current cell changes. Cells outside the body are ignored.
    void setCurrentCell(int col, int row);
    // The current cell: the first body cell at start, (-1, -1) when the body is empty.
    QPoint currentCell() const;

    // The selected rectangle, bounds included; without a selection, the current cell.
    struct CellRect {
        int left = 0;
        int top = 0;
        int right = 0;
        int bottom = 0;
        bool operator==(const CellRect&) const = default;
    };
    CellRect selectionRect() const;

    bool editingOption() const { return editingOption_; }
    void setEditingOption(bool on) { editingOption_ = on; }
    bool alwaysEditable() const { return alwaysEditable_; }
    void setAlwaysEditable(bool on);
    bool tabNavigation() const;
    void setTabNavigation(bool on);
    bool liveScrolling() const;
    void setLiveScrolling(bool on);
    bool blackBackground() const { return blackBackground_; }
    void setBlackBackground(bool on);

    // Column widths and row heights in grid coordinates: column 0 is the row-number column,
    // row 0 the column-number row.
    int columnWidth(int col) const;
    void setColumnWidth(int col, int width);
    int rowHeight(int row) const;
    void setRowHeight(int row, int height);

    // Fits every column to its widest text: width = text width + grid line width + 10, or
    // kEmptyColumnWidth for a column without text. Only the few longest texts of each column
    // are measured, so a million-row table is sized in one quick pass.
    void autoSizeColumns();

    // Moves a column or a body row of the grid as a drag of its header cell does; the header
    // cell moves with it and nothing is renumbered.
    void moveColumn(int from, int to);
    void moveRow(int from, int to);

    // The parts, for wiring context menus and for tests.
    QTableView* bodyView() const;
    QTableView* headerRowsView() const;
    GridTableModel* bodyModel() const { return bodyModel_; }
    GridTableModel* headerModel() const { return headerModel_; }
    // Sends cell edits and row/column drags of both bands to the given handlers.
    void setCellWriter(const std::function<void(int, int, const std::string&)>& writer);
    void setLineMover(const std::function<void(bool, int, int)>& mover);

Q_SIGNALS:
    // The current cell changed (mouse, keyboard or program); grid coordinates.
    void cellSelected(int col, int row);
    // A fixed cell (numbering row or column, header row or the corner) was clicked.
    void fixedCellClicked(int col, int row);
    // A cell was written by the cell editor.
    void cellEdited(int col, int row);
    // The spreadsheet keys on the body outside the cell editor: Ctrl+C, Ctrl+V, Delete.
    void copyRequested();
    void pasteRequested();
    void deleteRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    class BodyView;
    friend class BodyView;

    void configureViews();
    void updateRowHeaderWidth();
    void updateHeaderRowsHeight();
    void updateScrollBarSpacer();
    void applyPalette();
    void onColumnDragged(int fromVisual, int toVisual);
    void onRowDragged(int fromVisual, int toVisual);
    void paintCorner(QAbstractButton* corner);
    void reportCellSelected(const QModelIndex& index);
    void watchRowNumberClick(QEvent* event);

    Grid* grid_;
    GridTableModel* headerModel_ = nullptr;
    GridTableModel* bodyModel_ = nullptr;
    QTableView* top_ = nullptr;
    BodyView* body_ = nullptr;
    QWidget* scrollBarSpacer_ = nullptr;
    QAbstractButton* corner_ = nullptr;
    int fixedRows_ = 1;
    int rowHeaderWidth_ = -1; // set by autoSizeColumns(); otherwise the numbers decide
    int pressedRowNumber_ = -1;
    bool rowDraggedSincePress_ = false;
    bool editingOption_ = false;
    // The current cell is the user's choice only once the user has clicked or typed in the
    // body, or when the program chose it (setCurrentCell): Qt's own move to the first cell when
    // rows arrive or the view first takes the focus chooses nothing.
    bool userMoves_ = false;
    bool programMove_ = false;
    bool alwaysEditable_ = false;
    bool blackBackground_ = false;
};

} // namespace trassel
