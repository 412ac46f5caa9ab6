#pragma once
// What binds a grid view to one of the document's tables: typing and dragging go to the
// document as undoable edits, and the view follows every change of that table.
#include "widgets/command_guard.h"

namespace trassel {

class StringGridView;
class SurveyDocument;
enum class TableId;
struct DocumentChange;

// Sends the view's cell edits and row/column drags to the document's table `id`.
void BindTableView(StringGridView& view, SurveyDocument& doc, TableId id, const CommandGuard& guard);

// Shows `change` in the view when it concerns table `id`: cells repainted, a new shape or a
// replaced table laid out anew with its fixed rows.
void ShowTableChange(StringGridView& view, SurveyDocument& doc, TableId id, const DocumentChange& change);

} // namespace trassel
