#include "boreholes/borehole_page.h"

#include "document/survey_document.h"
#include "table/string_grid_view.h"

#include <QMenu>
#include <QVBoxLayout>

namespace trassel {

BoreholePage::BoreholePage(SurveyDocument& doc, CommandGuard guard, QWidget* parent)
    : QWidget(parent), doc_(&doc), guard_(std::move(guard))
{
    setObjectName(QStringLiteral("TabSheet1"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    sgSkv = new StringGridView(&doc.boreholeTable(), this);
    sgSkv->setObjectName(QStringLiteral("sgSkv"));
    sgSkv->setBlackBackground(true);
    sgSkv->setAlwaysEditable(true);
    sgSkv->setTabNavigation(false);
    sgSkv->setLiveScrolling(false);
    layout->addWidget(sgSkv);
    PopupMenuSgSkv = new QMenu(this);
    PopupMenuSgSkv->setObjectName(QStringLiteral("PopupMenuSgSkv"));
    sgSkv->setContextMenuPolicy(Qt::CustomContextMenu);

    connect(sgSkv, &StringGridView::cellSelected, this, [this](int c, int r) { sgSkvSelectCell(c, r); });
    sgSkv->setCellWriter([this](int c, int r, const std::string& text) {
        guard_([&] { doc_->writeCell(TableId::Boreholes, c, r, text); });
    });
    sgSkv->setLineMover([this](bool row, int from, int to) {
        guard_([&] { row ? doc_->moveRow(TableId::Boreholes, from, to) : doc_->moveColumn(TableId::Boreholes, from, to); });
    });
    subscription_ = doc.subscribe([this](const DocumentChange& change) { onDocumentChange(change); });
}

BoreholePage::~BoreholePage() { doc_->unsubscribe(subscription_); }

void BoreholePage::sgSkvSelectCell(int col, int row) { doc_->select(col, row); }

void BoreholePage::onDocumentChange(const DocumentChange& change)
{
    if (change.table != TableId::Boreholes)
        return;
    switch (change.what) {
    case DocumentChange::What::Cells:
        sgSkv->refresh();
        break;
    case DocumentChange::What::TableShape:
    case DocumentChange::What::TableReplaced:
        sgSkv->setFixedRows(doc_->boreholeTable().fixedRows());
        sgSkv->refresh();
        break;
    default:
        break;
    }
}

} // namespace trassel
