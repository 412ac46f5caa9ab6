#include "table/qt/grid_table_model.h"

#include "table/grid.h"

#include <algorithm>

namespace trassel {

GridTableModel::GridTableModel(Grid* grid, int firstRow, int endRow, QObject* parent)
    : QAbstractTableModel(parent), grid_(grid), firstRow_(firstRow), endRow_(endRow)
{
    rows_ = gridRowsInWindow();
    cols_ = gridColumnsShown();
}

int GridTableModel::gridRowsInWindow() const
{
    const int end = endRow_ < 0 ? grid_->rowCount() : std::min(endRow_, grid_->rowCount());
    return std::max(0, end - firstRow_);
}

int GridTableModel::gridColumnsShown() const { return std::max(0, grid_->colCount() - 1); }

void GridTableModel::setRowWindow(int firstRow, int endRow)
{
    // The top edge first: rows leaving or joining there shift every row below, and the views
    // must hear it as removals or insertions at row 0 so that row heights stay with their rows.
    if (firstRow > firstRow_) {
        const int gone = std::min(firstRow - firstRow_, rows_);
        if (gone > 0) {
            beginRemoveRows(QModelIndex(), 0, gone - 1);
            firstRow_ = firstRow;
            rows_ -= gone;
            endRemoveRows();
        }
    } else if (firstRow < firstRow_) {
        const int added = firstRow_ - firstRow;
        beginInsertRows(QModelIndex(), 0, added - 1);
        firstRow_ = firstRow;
        rows_ += added;
        endInsertRows();
    }
    firstRow_ = firstRow;
    endRow_ = endRow;
    refresh();
}

void GridTableModel::refresh()
{
    const int rows = gridRowsInWindow();
    if (rows > rows_) {
        beginInsertRows(QModelIndex(), rows_, rows - 1);
        rows_ = rows;
        endInsertRows();
    } else if (rows < rows_) {
        beginRemoveRows(QModelIndex(), rows, rows_ - 1);
        rows_ = rows;
        endRemoveRows();
    }
    const int cols = gridColumnsShown();
    if (cols > cols_) {
        beginInsertColumns(QModelIndex(), cols_, cols - 1);
        cols_ = cols;
        endInsertColumns();
    } else if (cols < cols_) {
        beginRemoveColumns(QModelIndex(), cols, cols_ - 1);
        cols_ = cols;
        endRemoveColumns();
    }
    if (rows_ > 0 && cols_ > 0)
        Q_EMIT dataChanged(index(0, 0), index(rows_ - 1, cols_ - 1), {Qt::DisplayRole, Qt::EditRole});
    if (cols_ > 0)
        Q_EMIT headerDataChanged(Qt::Horizontal, 0, cols_ - 1);
    if (rows_ > 0)
        Q_EMIT headerDataChanged(Qt::Vertical, 0, rows_ - 1);
}

int GridTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int GridTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : cols_; }

QVariant GridTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return QVariant();
    ++stats_.reads;
    stats_.lowestRow = std::min(stats_.lowestRow, index.row());
    stats_.highestRow = std::max(stats_.highestRow, index.row());
    const std::string_view text = grid_->cellView(gridColumn(index.column()), gridRow(index.row()));
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool GridTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || !editable_)
        return false;
    const int col = gridColumn(index.column());
    const int row = gridRow(index.row());
    const QByteArray utf8 = value.toString().toUtf8();
    if (writer_) {
        writer_(col, row, utf8.toStdString());
        Q_EMIT cellEdited(col, row);
        return true;
    }
    grid_->setCell(col, row, std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
    Q_EMIT dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    Q_EMIT cellEdited(col, row);
    return true;
}

QVariant GridTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || section < 0)
        return QVariant();
    const std::string_view text = orientation == Qt::Horizontal ? grid_->cellView(gridColumn(section), 0)
                                                                : grid_->cellView(0, gridRow(section));
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

Qt::ItemFlags GridTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (!editable_)
        return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

bool GridTableModel::moveRows(const QModelIndex& sourceParent, int sourceRow, int count,
                              const QModelIndex& destinationParent, int destinationChild)
{
    if (sourceParent.isValid() || destinationParent.isValid() || count < 1 || sourceRow < 0 ||
        sourceRow + count > rows_ || destinationChild < 0 || destinationChild > rows_)
        return false;
    const int from = gridRow(sourceRow);
    const int dest = gridRow(destinationChild);
    if (mover_) {
        for (int i = 0; i < count; ++i)
            mover_(true, dest > from ? from : from + i, dest > from ? dest - 1 : dest + i);
        return true;
    }
    if (!beginMoveRows(sourceParent, sourceRow, sourceRow + count - 1, destinationParent, destinationChild))
        return false;
    for (int i = 0; i < count; ++i) {
        if (dest > from)
            grid_->moveRow(from, dest - 1);
        else
            grid_->moveRow(from + i, dest + i);
    }
    endMoveRows();
    return true;
}

bool GridTableModel::moveColumns(const QModelIndex& sourceParent, int sourceColumn, int count,
                                 const QModelIndex& destinationParent, int destinationChild)
{
    if (sourceParent.isValid() || destinationParent.isValid() || count < 1 || sourceColumn < 0 ||
        sourceColumn + count > cols_ || destinationChild < 0 || destinationChild > cols_)
        return false;
    const int from = gridColumn(sourceColumn);
    const int dest = gridColumn(destinationChild);
    if (mover_) {
        for (int i = 0; i < count; ++i)
            mover_(false, dest > from ? from : from + i, dest > from ? dest - 1 : dest + i);
        return true;
    }
    if (!beginMoveColumns(sourceParent, sourceColumn, sourceColumn + count - 1, destinationParent, destinationChild))
        return false;
    for (int i = 0; i < count; ++i) {
        if (dest > from)
            grid_->moveColumn(from, dest - 1);
        else
            grid_->moveColumn(from + i, dest + i);
    }
    endMoveColumns();
    return true;
}

} // namespace trassel
