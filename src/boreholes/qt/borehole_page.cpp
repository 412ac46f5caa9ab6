#include "boreholes/qt/borehole_page.h"

#include "document/survey_document.h"
#include "table/qt/string_grid_view.h"
#include "table/qt/table_binding.h"

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
    connect(sgSkv, &StringGridView::fixedCellClicked, this,
            [this](int c, int r) { guard_([this, c, r] { sgSkvFixedCellClick(c, r); }); });
    BindTableView(*sgSkv, doc, TableId::Boreholes, guard_);
    subscription_ = doc.subscribe(
        [this](const DocumentChange& change) { ShowTableChange(*sgSkv, *doc_, TableId::Boreholes, change); });
}

BoreholePage::~BoreholePage() = default;

void BoreholePage::sgSkvSelectCell(int col, int row) { doc_->select(col, row); }

void BoreholePage::sgSkvFixedCellClick(int col, int row)
{
    // Only the number cell above the picket column: a click elsewhere on the numbering (to
    // drag a row or a column) must not overwrite the column's title.
    if (col == 1 && row == 0)
        doc_->writeCell(TableId::Boreholes, 1, 1, "ПК");
}

} // namespace trassel
