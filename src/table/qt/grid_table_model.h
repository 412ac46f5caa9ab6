#pragma once
// Item-model adapter that shows a band of rows of a trassel::Grid to Qt's item views.
#include <QAbstractTableModel>

#include <functional>
#include <limits>
#include <string>

namespace trassel {

class Grid;

// A virtual view on the grid: no cell is copied, each cell is read from the grid when a view
// asks for it (that is, only for the cells on screen). Model column c is grid column c + 1;
// model row r is grid row firstRow + r. Row 0 and column 0 of the grid are the headers.
//
// The model reports the sizes it last announced; after the grid has been changed behind its
// back, refresh() announces the new sizes and contents, keeping the views' column widths and
// row heights for the rows and columns that stay.
class GridTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Rows from `firstRow` up to (not including) `endRow`; endRow < 0 means to the grid's end.
    GridTableModel(Grid* grid, int firstRow, int endRow, QObject* parent = nullptr);

    Grid* grid() const { return grid_; }
    int firstRow() const { return firstRow_; }
    int gridRow(int modelRow) const { return firstRow_ + modelRow; }
    static int gridColumn(int modelColumn) { return modelColumn + 1; }

    // Moves the band of rows shown, announcing the rows that leave or join at each edge.
    void setRowWindow(int firstRow, int endRow);
    // Announces size changes and that every cell and header may have changed.
    void refresh();
    // Whether the cells accept edits (the header band does not).
    void setEditable(bool editable) { editable_ = editable; }
    // With a writer, a cell typed in the editor and a row or column dragged by its header go
    // to it (the document, which makes them undoable and tells the views) instead of straight
    // into the grid.
    using CellWriter = std::function<void(int col, int row, const std::string& text)>;
    void setCellWriter(CellWriter writer) { writer_ = std::move(writer); }
    using LineMover = std::function<void(bool row, int from, int to)>;
    void setLineMover(LineMover mover) { mover_ = std::move(mover); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Moves go into the grid itself: its header cells travel with the row or column.
    bool moveRows(const QModelIndex& sourceParent, int sourceRow, int count, const QModelIndex& destinationParent,
                  int destinationChild) override;
    bool moveColumns(const QModelIndex& sourceParent, int sourceColumn, int count, const QModelIndex& destinationParent,
                     int destinationChild) override;

    // Cell reads since the last reset, with the lowest and highest model row read; lets a
    // test or benchmark see that only the rows on screen are read.
    struct ReadStats {
        long long reads = 0;
        int lowestRow = std::numeric_limits<int>::max();
        int highestRow = -1;
    };
    ReadStats readStats() const { return stats_; }
    void resetReadStats() { stats_ = ReadStats(); }

Q_SIGNALS:
    // A cell was written through the model (by the cell editor), in grid coordinates.
    void cellEdited(int col, int row);

private:
    int gridRowsInWindow() const;
    int gridColumnsShown() const;

    Grid* grid_;
    int firstRow_;
    int endRow_;
    int rows_ = 0;
    int cols_ = 0;
    bool editable_ = true;
    CellWriter writer_;
    LineMover mover_;
    mutable ReadStats stats_;
};

} // namespace trassel
