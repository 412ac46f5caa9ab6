// The main window's depth table: the editing commands of its menu and keyboard, the range and
// header-row controls, the undo history, and the binding of views and controls to the document.
#include "app/mainform.h"

#include "app/qt_text.h"
#include "app/ui_services.h"
#include "app/undo_bridge.h"
#include "diagram/chart_view.h"
#include "layers/layer_manager_view.h"
#include "table/string_grid_view.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QUndoStack>

namespace trassel {
namespace {

std::string ClipboardUtf8()
{
    return QGuiApplication::clipboard()->text().toStdString();
}

} // namespace

void TFmMainForm::buildUndo()
{
    UndoStack = new QUndoStack;
    undoBridge_ = new UndoBridge(Document, UndoStack, [this](Follow follow) { followEdit(follow); });
    connect(undoBridge_, &UndoBridge::changed, this, [this] { updateUndoActions(); });
    updateUndoActions();
}

void TFmMainForm::buildTablePopup()
{
    PopupMenuSgSourceData = new QMenu(this);
    PopupMenuSgSourceData->setObjectName(QStringLiteral("PopupMenuSgSourceData"));
    auto separator = [this](const char* name) { PopupMenuSgSourceData->addSeparator()->setObjectName(QLatin1String(name)); };
    PopupMenuSgSourceData->addAction(J1);
    separator("N9");
    PopupMenuSgSourceData->addAction(acnCopySG);
    PopupMenuSgSourceData->addAction(acnPasteToSG);
    PopupMenuSgSourceData->addAction(acnClearRange);
    separator("N7");
    PopupMenuSgSourceData->addAction(N5);
    PopupMenuSgSourceData->addAction(N6);
    separator("N8");
    PopupMenuSgSourceData->addAction(N1);
    PopupMenuSgSourceData->addAction(N2);
    separator("N11");
    PopupMenuSgSourceData->addAction(acnLayerAdd);
    PopupMenuSgSourceData->addAction(acnMadeRowFirst);
    PopupMenuSgSourceData->addAction(acnMadeRowLast);
    sgSourceData->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(sgSourceData, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenuSgSourceData->popup(sgSourceData->mapToGlobal(pos)); });
}

void TFmMainForm::onDocumentChange(const DocumentChange& change)
{
    using What = DocumentChange::What;
    StringGridView* view = change.table == TableId::Depth ? sgSourceData : sgSkv;
    switch (change.what) {
    case What::Cells:
        view->refresh();
        break;
    case What::TableShape:
    case What::TableReplaced:
        refreshTables();
        break;
    case What::Settings: {
        // A change that came from the document (an undo, a settings file) shows in the
        // controls without running their handlers a second time.
        const TableSettings& s = Document.settings();
        const QSignalBlocker b1(seNumberOfHeaderRows), b2(cmbX), b3(cmbDelimiter);
        if (seNumberOfHeaderRows->value() != s.headerRowCount)
            seNumberOfHeaderRows->setValue(s.headerRowCount);
        if (toStdString(cmbX->currentText()) != s.picketColumnText)
            cmbX->setEditText(QString::fromStdString(s.picketColumnText));
        if (cmbDelimiter->currentIndex() != s.delimiterIndex)
            cmbDelimiter->setCurrentIndex(s.delimiterIndex);
        if (toStdString(cmbDelimiter->currentText()) != s.delimiterText)
            cmbDelimiter->setEditText(QString::fromStdString(s.delimiterText));
        break;
    }
    case What::Range: {
        const QSignalBlocker b1(seFirstRow), b2(seLastRow);
        seFirstRow->setValue(Document.firstDataRow());
        seLastRow->setValue(Document.lastDataRow());
        break;
    }
    case What::Layers:
        if (const std::optional<EntryId> selected = LayerData.selectedEntry())
            lwLayerManagerSelectItem(*selected);
        break;
    case What::Selection:
    case What::DiagramParams:
    case What::SectionParams:
        break;
    }
}

void TFmMainForm::followEdit(Follow follow)
{
    switch (follow) {
    case Follow::Nothing:
        break;
    case Follow::RebuildDiagram:
        acnBuildChart->trigger();
        break;
    case Follow::RedrawPictures:
        acnPlotRazrezPoligon->trigger();
        acnBuildChart->trigger();
        break;
    }
}

void TFmMainForm::updateUndoActions()
{
    const bool canUndo = undoBridge_->canUndo();
    acnUndo->setEnabled(canUndo);
    acnUndo->setText(canUndo ? QStringLiteral("Отменить: ") + UndoStack->undoText() : QStringLiteral("Отменить"));
    const bool canRedo = undoBridge_->canRedo();
    acnRedo->setEnabled(canRedo);
    acnRedo->setText(canRedo ? QStringLiteral("Повторить: ") + UndoStack->redoText() : QStringLiteral("Повторить"));
}

void TFmMainForm::acnUndoExecute()
{
    if (undoBridge_->canUndo())
        UndoStack->undo();
}

void TFmMainForm::acnRedoExecute()
{
    if (undoBridge_->canRedo())
        UndoStack->redo();
}

void TFmMainForm::sgSourceDataSelectCell(int col, int row)
{
    Document.select(col, row);
    sgSourceData->setEditingOption(false);
}

void TFmMainForm::seNumberOfHeaderRowsChange() { Document.setHeaderRowCount(seNumberOfHeaderRows->value()); }

void TFmMainForm::seFirstRowChange() { Document.setFirstDataRow(seFirstRow->value()); }

void TFmMainForm::seLastRowChange() { Document.setLastDataRow(seLastRow->value()); }

void TFmMainForm::btnAutoSizeColClick()
{
    sgSourceData->autoSizeColumns();
    sgSkv->autoSizeColumns();
}

void TFmMainForm::J1Click() { Document.clearTable(); }

void TFmMainForm::acnCopySGExecute()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(QString::fromStdString(Document.copyTable()));
}

void TFmMainForm::acnPasteToSGExecute()
{
    if (!Document.pasteTable(ClipboardUtf8()))
        services_->message(this, QStringLiteral("Необходимо скопировать данные!"));
}

void TFmMainForm::acnClearRangeExecute()
{
    const StringGridView::CellRect r = sgSourceData->selectionRect();
    Document.clearCells(TableId::Depth, {r.left, r.top, r.right, r.bottom});
}

void TFmMainForm::N5Click() { Document.insertRow(); }

void TFmMainForm::N6Click() { Document.deleteRow(); }

void TFmMainForm::N1Click() { Document.insertColumn(); }

void TFmMainForm::N2Click() { Document.deleteColumn(); }

void TFmMainForm::btnFindTargetClick()
{
    // Making the cell current selects it, so the next search goes on below it.
    if (const int row = Document.find(toStdString(txtTargetText->text())); row >= 0)
        sgSourceData->setCurrentCell(1, row);
}

void TFmMainForm::acnMadeRowFirstExecute() { Document.madeRowFirst(); }

void TFmMainForm::acnMadeRowLastExecute() { Document.madeRowLast(); }

void TFmMainForm::sgSourceDataCopyCells()
{
    const StringGridView::CellRect r = sgSourceData->selectionRect();
    QGuiApplication::clipboard()->setText(
        QString::fromStdString(Document.copyCells(TableId::Depth, {r.left, r.top, r.right, r.bottom})));
}

void TFmMainForm::sgSourceDataPasteCells()
{
    const QPoint at = sgSourceData->currentCell();
    if (at.x() < 0)
        return;
    Document.pasteCellsAt(TableId::Depth, at.x(), at.y(), ClipboardUtf8());
}

void TFmMainForm::sgSourceDataDeleteCells() { acnClearRangeExecute(); }

} // namespace trassel
