#include "table/qt/table_binding.h"

#include "document/survey_document.h"
#include "table/qt/string_grid_view.h"

namespace trassel {

void BindTableView(StringGridView& view, SurveyDocument& doc, TableId id, const CommandGuard& guard)
{
    view.setCellWriter(
        [&doc, id, guard](int c, int r, const std::string& text) { guard([&] { doc.writeCell(id, c, r, text); }); });
    view.setLineMover([&doc, id, guard](bool row, int from, int to) {
        guard([&] { row ? doc.moveRow(id, from, to) : doc.moveColumn(id, from, to); });
    });
}

void ShowTableChange(StringGridView& view, SurveyDocument& doc, TableId id, const DocumentChange& change)
{
    if (change.table != id)
        return;
    switch (change.what) {
    case DocumentChange::What::Cells: view.refresh(); break;
    case DocumentChange::What::TableShape:
    case DocumentChange::What::TableReplaced:
        view.setFixedRows(doc.table(id).fixedRows());
        view.refresh();
        break;
    default: break;
    }
}

} // namespace trassel
