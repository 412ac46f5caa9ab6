#include "table/qt/string_grid_view.h"

#include "table/column_widths.h"
#include "table/grid.h"
#include "table/qt/grid_table_model.h"

#include <QAbstractButton>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyleOptionHeader>
#include <QStylePainter>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <climits>
#include <vector>

namespace trassel {

namespace {

void configureHeaderSections(QHeaderView* header, int defaultSize)
{
    header->setMinimumSectionSize(4);
    header->setDefaultSectionSize(defaultSize);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setHighlightSections(false);
}

} // namespace

// The scrolling body: gates the cell editor behind the editing option and keeps the option in
// step with clicks and key presses.
class StringGridView::BodyView : public QTableView {
public:
    BodyView(StringGridView* owner, QWidget* parent) : QTableView(parent), owner_(owner) { }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        // Without Tab navigation the Tab key belongs to the window (focus), not to the grid,
        // and must not reach the cell editor as a typed character.
        if ((event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) && !tabKeyNavigation()) {
            event->ignore();
            return;
        }
        if (state() != QAbstractItemView::EditingState) {
            if (event->matches(QKeySequence::Copy)) {
                Q_EMIT owner_->copyRequested();
                event->accept();
                return;
            }
            if (event->matches(QKeySequence::Paste)) {
                Q_EMIT owner_->pasteRequested();
                event->accept();
                return;
            }
            if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
                Q_EMIT owner_->deleteRequested();
                event->accept();
                return;
            }
        }
        // Any key in the grid allows editing; a key that then moves the cell switches it off again.
        owner_->editingOption_ = true;
        QTableView::keyPressEvent(event);
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        // Only the left button selects: a right click opens the context menu on the cells
        // chosen before, as the commands of that menu act on the last selected cell.
        if (event->button() != Qt::LeftButton) {
            event->ignore();
            return;
        }
        const QModelIndex hit = indexAt(event->position().toPoint());
        if (hit.isValid())
            owner_->editingOption_ = false;
        const QModelIndex before = currentIndex();
        QTableView::mousePressEvent(event);
        // A click selects its cell even when that cell is already current; the change of
        // current cell reports every other click.
        if (hit.isValid() && hit == before && currentIndex() == before)
            owner_->reportCellSelected(hit);
    }

    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() != Qt::LeftButton) {
            event->ignore();
            return;
        }
        QTableView::mouseReleaseEvent(event);
    }

    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        if (event->button() != Qt::LeftButton) {
            event->ignore();
            return;
        }
        QTableView::mouseDoubleClickEvent(event);
    }

    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index, const QEvent* event) const override
    {
        // The selection is one rectangle from the anchor: Shift extends it, every other click
        // or key starts it anew at the cell (Ctrl adds no second area).
        if (event && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress)) {
            const auto* input = static_cast<const QInputEvent*>(event);
            if (!(input->modifiers() & Qt::ShiftModifier))
                return QItemSelectionModel::ClearAndSelect;
        }
        return QTableView::selectionCommand(index, event);
    }

    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override
    {
        // AllEditTriggers is an explicit request from code, which is always honoured.
        if (trigger != AllEditTriggers && trigger != NoEditTriggers && !owner_->alwaysEditable_ &&
            !owner_->editingOption_)
            return false;
        return QTableView::edit(index, trigger, event);
    }

private:
    StringGridView* owner_;
};

StringGridView::StringGridView(Grid* grid, QWidget* parent) : QFrame(parent), grid_(grid)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    fixedRows_ = std::clamp(grid_->fixedRows(), 1, std::max(1, grid_->rowCount()));
    headerModel_ = new GridTableModel(grid_, 1, fixedRows_, this);
    headerModel_->setEditable(false);
    bodyModel_ = new GridTableModel(grid_, fixedRows_, -1, this);

    top_ = new QTableView(this);
    body_ = new BodyView(this, this);
    scrollBarSpacer_ = new QWidget(this);
    scrollBarSpacer_->setAutoFillBackground(true);
    scrollBarSpacer_->setBackgroundRole(QPalette::Button);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(frameWidth(), frameWidth(), frameWidth(), frameWidth());
    column->setSpacing(0);
    auto* topLine = new QHBoxLayout;
    topLine->setContentsMargins(0, 0, 0, 0);
    topLine->setSpacing(0);
    topLine->addWidget(top_, 1);
    topLine->addWidget(scrollBarSpacer_);
    column->addLayout(topLine);
    column->addWidget(body_, 1);

    configureViews();
    applyPalette();
    updateRowHeaderWidth();
    updateHeaderRowsHeight();
    updateScrollBarSpacer();
}

StringGridView::~StringGridView()
{
    // The parts are destroyed after this object: they must not call back into it meanwhile.
    body_->verticalScrollBar()->removeEventFilter(this);
    body_->verticalHeader()->viewport()->removeEventFilter(this);
    if (corner_)
        corner_->removeEventFilter(this);
    for (QObject* child : findChildren<QObject*>())
        child->blockSignals(true);
}

void StringGridView::configureViews()
{
    top_->setObjectName(QStringLiteral("headerRowsView"));
    body_->setObjectName(QStringLiteral("bodyView"));
    for (QTableView* view : {top_, static_cast<QTableView*>(body_)}) {
        view->setFrameShape(QFrame::NoFrame);
        view->setShowGrid(true);
        view->setWordWrap(false);
        view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
        view->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
        view->setCornerButtonEnabled(view == top_);
        configureHeaderSections(view->horizontalHeader(), kDefaultColumnWidth);
        configureHeaderSections(view->verticalHeader(), kDefaultRowHeight);
        view->verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    }

    // Header rows: frozen, not selectable, never scrolled by themselves.
    top_->setModel(headerModel_);
    top_->setSelectionMode(QAbstractItemView::NoSelection);
    top_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    top_->setFocusPolicy(Qt::NoFocus);
    top_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    top_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    top_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    QHeaderView* columnHeader = top_->horizontalHeader();
    columnHeader->setSectionsMovable(true);
    columnHeader->setSectionsClickable(true);
    columnHeader->setFixedHeight(std::max(kDefaultRowHeight, columnHeader->sizeHint().height()));
    top_->verticalHeader()->setSectionsClickable(true);

    // The body. Like any grid it starts with its first cell current, which is not a selection
    // by the user and so is not reported.
    body_->setModel(bodyModel_);
    body_->selectionModel()->setCurrentIndex(bodyModel_->index(0, 0), QItemSelectionModel::NoUpdate);
    body_->horizontalHeader()->hide();
    body_->setSelectionMode(QAbstractItemView::ContiguousSelection);
    body_->setSelectionBehavior(QAbstractItemView::SelectItems);
    body_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed);
    body_->setTabKeyNavigation(true);
    QHeaderView* rowHeader = body_->verticalHeader();
    rowHeader->setSectionsMovable(true);
    // A click on a row number is a fixed-cell click, not a row selection: the header is not
    // clickable (so the view does not select the row) and its clicks are watched here instead.
    rowHeader->setSectionsClickable(false);
    rowHeader->viewport()->installEventFilter(this);

    // One set of column widths: the visible column header leads, the body follows.
    connect(columnHeader, &QHeaderView::sectionResized, this,
            [this](int logical, int, int size) { body_->setColumnWidth(logical, size); });
    connect(columnHeader, &QHeaderView::sectionMoved, this,
            [this](int, int from, int to) { onColumnDragged(from, to); });
    connect(rowHeader, &QHeaderView::sectionMoved, this, [this](int, int from, int to) { onRowDragged(from, to); });
    connect(top_->verticalHeader(), &QHeaderView::sectionResized, this, [this] { updateHeaderRowsHeight(); });

    // One horizontal scroll position for both parts.
    QScrollBar* bodyBar = body_->horizontalScrollBar();
    QScrollBar* topBar = top_->horizontalScrollBar();
    connect(bodyBar, &QScrollBar::valueChanged, topBar, &QScrollBar::setValue);
    connect(topBar, &QScrollBar::valueChanged, bodyBar, &QScrollBar::setValue);
    connect(bodyBar, &QScrollBar::rangeChanged, topBar, [topBar, bodyBar] { topBar->setValue(bodyBar->value()); });

    // Fixed-cell clicks, in grid coordinates.
    connect(columnHeader, &QHeaderView::sectionClicked, this,
            [this](int section) { Q_EMIT fixedCellClicked(GridTableModel::gridColumn(section), 0); });
    connect(top_->verticalHeader(), &QHeaderView::sectionClicked, this,
            [this](int section) { Q_EMIT fixedCellClicked(0, headerModel_->gridRow(section)); });
    connect(top_, &QTableView::clicked, this, [this](const QModelIndex& index) {
        Q_EMIT fixedCellClicked(GridTableModel::gridColumn(index.column()), headerModel_->gridRow(index.row()));
    });
    corner_ = top_->findChild<QAbstractButton*>();
    if (corner_) {
        corner_->installEventFilter(this);
        connect(corner_, &QAbstractButton::clicked, this, [this] { Q_EMIT fixedCellClicked(0, 0); });
    }

    connect(body_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { reportCellSelected(current); });
    connect(bodyModel_, &GridTableModel::cellEdited, this, &StringGridView::cellEdited);

    // The spacer stands in for the body's vertical scroll bar so that both parts have the same
    // width of cells and therefore the same horizontal scroll range.
    body_->verticalScrollBar()->installEventFilter(this);
    body_->installEventFilter(this);
    body_->viewport()->installEventFilter(this);
}

void StringGridView::reportCellSelected(const QModelIndex& index)
{
    if (!index.isValid() || !(userMoves_ || programMove_))
        return;
    editingOption_ = false;
    Q_EMIT cellSelected(GridTableModel::gridColumn(index.column()), bodyModel_->gridRow(index.row()));
}

QTableView* StringGridView::bodyView() const { return body_; }

QTableView* StringGridView::headerRowsView() const { return top_; }

void StringGridView::refresh()
{
    fixedRows_ = std::clamp(grid_->fixedRows(), 1, std::max(1, grid_->rowCount()));
    headerModel_->setRowWindow(1, fixedRows_);
    bodyModel_->setRowWindow(fixedRows_, -1);
    // Both parts were told the new column count; keep their widths equal.
    QHeaderView* columnHeader = top_->horizontalHeader();
    for (int c = 0; c < columnHeader->count(); ++c)
        body_->setColumnWidth(c, columnHeader->sectionSize(c));
    if (corner_)
        corner_->update();
    updateRowHeaderWidth();
    updateHeaderRowsHeight();
}

void StringGridView::setFixedRows(int count)
{
    grid_->setFixedRows(count);
    refresh();
}

void StringGridView::setCellWriter(const std::function<void(int, int, const std::string&)>& writer)
{
    bodyModel_->setCellWriter(writer);
    headerModel_->setCellWriter(writer);
}

void StringGridView::setLineMover(const std::function<void(bool, int, int)>& mover)
{
    bodyModel_->setLineMover(mover);
    headerModel_->setLineMover(mover);
}

void StringGridView::setCurrentCell(int col, int row)
{
    if (col < 1 || col >= grid_->colCount() || row < fixedRows_ || row >= grid_->rowCount())
        return;
    const QModelIndex index = bodyModel_->index(row - fixedRows_, col - 1);
    if (!index.isValid())
        return;
    programMove_ = true;
    body_->setCurrentIndex(index);
    programMove_ = false;
    body_->scrollTo(index);
}

QPoint StringGridView::currentCell() const
{
    const QModelIndex index = body_->currentIndex();
    if (!index.isValid())
        return QPoint(-1, -1);
    return QPoint(GridTableModel::gridColumn(index.column()), bodyModel_->gridRow(index.row()));
}

StringGridView::CellRect StringGridView::selectionRect() const
{
    const QItemSelection selection = body_->selectionModel()->selection();
    if (selection.isEmpty()) {
        const QPoint current = currentCell();
        if (current.x() < 0)
            return CellRect{1, fixedRows_, 1, fixedRows_};
        return CellRect{current.x(), current.y(), current.x(), current.y()};
    }
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    for (const QItemSelectionRange& range : selection) {
        left = std::min(left, range.left());
        top = std::min(top, range.top());
        right = std::max(right, range.right());
        bottom = std::max(bottom, range.bottom());
    }
    return CellRect{GridTableModel::gridColumn(left), bodyModel_->gridRow(top), GridTableModel::gridColumn(right),
                    bodyModel_->gridRow(bottom)};
}

void StringGridView::setAlwaysEditable(bool on)
{
    alwaysEditable_ = on;
    QAbstractItemView::EditTriggers triggers = QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                               QAbstractItemView::AnyKeyPressed;
    if (on)
        triggers |= QAbstractItemView::SelectedClicked;
    body_->setEditTriggers(triggers);
}

bool StringGridView::tabNavigation() const { return body_->tabKeyNavigation(); }

void StringGridView::setTabNavigation(bool on) { body_->setTabKeyNavigation(on); }

bool StringGridView::liveScrolling() const { return body_->verticalScrollBar()->hasTracking(); }

void StringGridView::setLiveScrolling(bool on)
{
    body_->verticalScrollBar()->setTracking(on);
    body_->horizontalScrollBar()->setTracking(on);
}

void StringGridView::setBlackBackground(bool on)
{
    blackBackground_ = on;
    applyPalette();
}

void StringGridView::applyPalette()
{
    // The header rows are fixed cells and look like the numbering around them.
    QPalette fixed = palette();
    fixed.setColor(QPalette::Base, fixed.color(QPalette::Button));
    fixed.setColor(QPalette::Text, fixed.color(QPalette::ButtonText));
    top_->setPalette(fixed);

    QPalette cells = palette();
    if (blackBackground_) {
        // Light text keeps the cells readable on the black ground; grid lines stay visible.
        cells.setColor(QPalette::Base, Qt::black);
        cells.setColor(QPalette::AlternateBase, Qt::black);
        cells.setColor(QPalette::Text, Qt::white);
        cells.setColor(QPalette::Mid, QColor(0x5A, 0x5A, 0x5A));
    }
    body_->setPalette(cells);
    body_->verticalHeader()->setPalette(palette());
}

void StringGridView::changeEvent(QEvent* event)
{
    QFrame::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        QHeaderView* columnHeader = top_->horizontalHeader();
        columnHeader->setFixedHeight(std::max(kDefaultRowHeight, columnHeader->sizeHint().height()));
        updateRowHeaderWidth();
        updateHeaderRowsHeight();
    } else if (event->type() == QEvent::PaletteChange) {
        applyPalette();
    }
}

void StringGridView::updateRowHeaderWidth()
{
    int width = rowHeaderWidth_;
    if (width < 0) {
        // The header's own size hint looks only at its first and last sections, so this stays
        // cheap for a million rows.
        const std::string_view cornerText = grid_->cellView(0, 0);
        const int cornerWidth = body_->fontMetrics().horizontalAdvance(
                                    QString::fromUtf8(cornerText.data(), static_cast<qsizetype>(cornerText.size()))) +
                                12;
        // The widest number is the longest one, and row numbers grow with the row count; the
        // header's hint only looks at a few sections and misses a long number in the middle.
        const QString widestNumber(QString::number(std::max(grid_->rowCount() - 1, 1)).size(), QLatin1Char('0'));
        const int numberWidth = body_->verticalHeader()->fontMetrics().horizontalAdvance(widestNumber) + 12;
        width = std::max({top_->verticalHeader()->sizeHint().width(), body_->verticalHeader()->sizeHint().width(),
                          cornerWidth, numberWidth, 24});
    }
    top_->verticalHeader()->setFixedWidth(width);
    body_->verticalHeader()->setFixedWidth(width);
}

void StringGridView::updateHeaderRowsHeight()
{
    const int height = top_->horizontalHeader()->height() + top_->verticalHeader()->length();
    top_->setFixedHeight(height);
    scrollBarSpacer_->setFixedHeight(height);
}

void StringGridView::updateScrollBarSpacer()
{
    QScrollBar* bar = body_->verticalScrollBar();
    scrollBarSpacer_->setFixedWidth(bar->sizeHint().width());
    scrollBarSpacer_->setVisible(bar->isVisibleTo(body_));
}

bool StringGridView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == body_->verticalScrollBar() && (event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
        updateScrollBarSpacer();
    } else if (watched == corner_ && event->type() == QEvent::Paint) {
        paintCorner(corner_);
        return true;
    } else if (watched == body_->verticalHeader()->viewport()) {
        watchRowNumberClick(event);
    }
    if ((watched == body_ || watched == body_->viewport() || watched == body_->verticalHeader()->viewport()) &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress))
        userMoves_ = true;
    return QFrame::eventFilter(watched, event);
}

void StringGridView::paintCorner(QAbstractButton* corner)
{
    QStylePainter painter(corner);
    QStyleOptionHeader option;
    option.initFrom(corner);
    option.rect = corner->rect();
    option.orientation = Qt::Horizontal;
    option.position = QStyleOptionHeader::OnlyOneSection;
    option.textAlignment = Qt::AlignCenter;
    option.state |= QStyle::State_Raised | QStyle::State_Horizontal;
    const std::string_view text = grid_->cellView(0, 0);
    option.text = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    painter.drawControl(QStyle::CE_Header, option);
}

void StringGridView::watchRowNumberClick(QEvent* event)
{
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonRelease)
        return;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton)
        return;
    const int section = body_->verticalHeader()->logicalIndexAt(mouse->position().toPoint());
    if (event->type() == QEvent::MouseButtonPress) {
        pressedRowNumber_ = section;
        rowDraggedSincePress_ = false;
    } else {
        // A release that ends a drag has moved the row; only a press and release on the same
        // number without a move is a click.
        if (section >= 0 && section == pressedRowNumber_ && !rowDraggedSincePress_)
            Q_EMIT fixedCellClicked(0, bodyModel_->gridRow(section));
        pressedRowNumber_ = -1;
    }
}

int StringGridView::columnWidth(int col) const
{
    if (col == 0)
        return body_->verticalHeader()->width();
    return top_->horizontalHeader()->sectionSize(col - 1);
}

void StringGridView::setColumnWidth(int col, int width)
{
    if (col == 0) {
        rowHeaderWidth_ = width;
        updateRowHeaderWidth();
    } else if (col >= 1 && col < grid_->colCount()) {
        top_->horizontalHeader()->resizeSection(col - 1, width);
    }
}

int StringGridView::rowHeight(int row) const
{
    if (row == 0)
        return top_->horizontalHeader()->height();
    if (row < fixedRows_)
        return top_->verticalHeader()->sectionSize(row - 1);
    return body_->verticalHeader()->sectionSize(row - fixedRows_);
}

void StringGridView::setRowHeight(int row, int height)
{
    if (row == 0) {
        top_->horizontalHeader()->setFixedHeight(height);
        updateHeaderRowsHeight();
    } else if (row < fixedRows_) {
        top_->verticalHeader()->resizeSection(row - 1, height);
    } else if (row < grid_->rowCount()) {
        body_->verticalHeader()->resizeSection(row - fixedRows_, height);
    }
}

void StringGridView::autoSizeColumns()
{
    // The core picks the few longest texts of each column; only they are measured in pixels.
    const std::vector<std::vector<int>> candidates = LongestCellRows(*grid_);
    const QFontMetrics metrics(body_->font());
    for (int c = 0; c < static_cast<int>(candidates.size()); ++c) {
        int widest = 0;
        for (const int r : candidates[static_cast<std::size_t>(c)]) {
            const std::string_view text = grid_->cellView(c, r);
            widest = std::max(widest, metrics.horizontalAdvance(
                                          QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))));
        }
        setColumnWidth(c, FittedColumnWidth(widest, kGridLineWidth));
    }
}

void StringGridView::onColumnDragged(int fromVisual, int toVisual)
{
    // The header only shows the move; put its sections back and move the grid's column instead,
    // so that the order on screen is always the grid's order.
    QHeaderView* header = top_->horizontalHeader();
    {
        const QSignalBlocker blocker(header);
        header->moveSection(toVisual, fromVisual);
    }
    moveColumn(fromVisual + 1, toVisual + 1);
}

void StringGridView::onRowDragged(int fromVisual, int toVisual)
{
    rowDraggedSincePress_ = true;
    QHeaderView* header = body_->verticalHeader();
    {
        const QSignalBlocker blocker(header);
        header->moveSection(toVisual, fromVisual);
    }
    moveRow(bodyModel_->gridRow(fromVisual), bodyModel_->gridRow(toVisual));
}

void StringGridView::moveColumn(int from, int to)
{
    const int cols = grid_->colCount();
    if (from < 1 || to < 1 || from >= cols || to >= cols || from == to)
        return;
    QHeaderView* header = top_->horizontalHeader();
    std::vector<int> widths(static_cast<std::size_t>(header->count()));
    for (int c = 0; c < header->count(); ++c)
        widths[static_cast<std::size_t>(c)] = header->sectionSize(c);

    const int source = from - 1;
    const int target = to - 1;
    bodyModel_->moveColumns(QModelIndex(), source, 1, QModelIndex(), target > source ? target + 1 : target);

    // The width travels with its column.
    if (source < target)
        std::rotate(widths.begin() + source, widths.begin() + source + 1, widths.begin() + target + 1);
    else
        std::rotate(widths.begin() + target, widths.begin() + source, widths.begin() + source + 1);
    for (int c = 0; c < header->count(); ++c)
        header->resizeSection(c, widths[static_cast<std::size_t>(c)]);
    headerModel_->refresh();
    if (corner_)
        corner_->update();
}

void StringGridView::moveRow(int from, int to)
{
    const int rows = grid_->rowCount();
    if (from < fixedRows_ || to < fixedRows_ || from >= rows || to >= rows || from == to)
        return;
    const int source = from - fixedRows_;
    const int target = to - fixedRows_;
    bodyModel_->moveRows(QModelIndex(), source, 1, QModelIndex(), target > source ? target + 1 : target);
}

} // namespace trassel
