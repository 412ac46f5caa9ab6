#pragma once
// The page "Таблица глубин": the search box and the depth table, bound to the document.
// Typing, dragging and the spreadsheet keys go through the document as undoable edits; the
// view follows every change of the depth table the document reports.
#include "base/signal.h"
#include "widgets/command_guard.h"

#include <QWidget>

class QLineEdit;
class QMenu;
class QPushButton;

namespace trassel {

class StringGridView;
class SurveyDocument;

class TablePage : public QWidget {
    Q_OBJECT
public:
    TablePage(SurveyDocument& doc, CommandGuard guard, QWidget* parent = nullptr);
    ~TablePage() override;

    QLineEdit* txtTargetText = nullptr;
    QPushButton* btnFindTarget = nullptr;
    StringGridView* sgSourceData = nullptr;
    // Filled with the commands of the table by the window that makes the actions.
    QMenu* PopupMenuSgSourceData = nullptr;

    void sgSourceDataSelectCell(int col, int row);
    void btnFindTargetClick();
    // "Очистить ячейки" over the selection rectangle.
    void clearSelectedCells();
    // Ctrl+C, Ctrl+V and Delete on the table.
    void copySelectedCells();
    void pasteAtCurrentCell();

private:
    SurveyDocument* doc_;
    CommandGuard guard_;
    Subscription subscription_;
};

} // namespace trassel
