#include "table/qt/table_page.h"

#include "document/survey_document.h"
#include "platform/qt_convert.h"
#include "table/qt/string_grid_view.h"
#include "table/qt/table_binding.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

namespace trassel {

TablePage::TablePage(SurveyDocument& doc, CommandGuard guard, QWidget* parent)
    : QWidget(parent), doc_(&doc), guard_(std::move(guard))
{
    setObjectName(QStringLiteral("ТаблицаГлубин"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    auto* find = new QHBoxLayout;
    txtTargetText = new QLineEdit(this);
    txtTargetText->setObjectName(QStringLiteral("txtTargetText"));
    txtTargetText->setMaximumWidth(200);
    btnFindTarget = new QPushButton(QStringLiteral("Найти"), this);
    btnFindTarget->setObjectName(QStringLiteral("btnFindTarget"));
    find->addWidget(txtTargetText);
    find->addWidget(btnFindTarget);
    find->addStretch(1);
    layout->addLayout(find);
    sgSourceData = new StringGridView(&doc.depthTable(), this);
    sgSourceData->setObjectName(QStringLiteral("sgSourceData"));
    layout->addWidget(sgSourceData, 1);

    PopupMenuSgSourceData = new QMenu(this);
    PopupMenuSgSourceData->setObjectName(QStringLiteral("PopupMenuSgSourceData"));
    sgSourceData->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(sgSourceData, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenuSgSourceData->popup(sgSourceData->mapToGlobal(pos)); });

    connect(btnFindTarget, &QPushButton::clicked, this, [this] { guard_([this] { btnFindTargetClick(); }); });
    connect(sgSourceData, &StringGridView::cellSelected, this, [this](int c, int r) { sgSourceDataSelectCell(c, r); });
    connect(sgSourceData, &StringGridView::copyRequested, this, [this] { guard_([this] { copySelectedCells(); }); });
    connect(sgSourceData, &StringGridView::pasteRequested, this, [this] { guard_([this] { pasteAtCurrentCell(); }); });
    connect(sgSourceData, &StringGridView::deleteRequested, this, [this] { guard_([this] { clearSelectedCells(); }); });
    // Typing and dragging go through the document, so that they can be undone.
    BindTableView(*sgSourceData, doc, TableId::Depth, guard_);
    subscription_ = doc.subscribe(
        [this](const DocumentChange& change) { ShowTableChange(*sgSourceData, *doc_, TableId::Depth, change); });
}

TablePage::~TablePage() = default;

void TablePage::sgSourceDataSelectCell(int col, int row)
{
    doc_->select(col, row);
    sgSourceData->setEditingOption(false);
}

void TablePage::btnFindTargetClick()
{
    // Making the cell current selects it, so the next search goes on below it.
    if (const int row = doc_->find(toStdString(txtTargetText->text())); row >= 0)
        sgSourceData->setCurrentCell(1, row);
}

void TablePage::clearSelectedCells()
{
    const StringGridView::CellRect r = sgSourceData->selectionRect();
    doc_->clearCells(TableId::Depth, {r.left, r.top, r.right, r.bottom});
}

void TablePage::copySelectedCells()
{
    const StringGridView::CellRect r = sgSourceData->selectionRect();
    QGuiApplication::clipboard()->setText(
        QString::fromStdString(doc_->copyCells(TableId::Depth, {r.left, r.top, r.right, r.bottom})));
}

void TablePage::pasteAtCurrentCell()
{
    const QPoint at = sgSourceData->currentCell();
    if (at.x() < 0)
        return;
    doc_->pasteCellsAt(TableId::Depth, at.x(), at.y(), QGuiApplication::clipboard()->text().toStdString());
}

} // namespace trassel
