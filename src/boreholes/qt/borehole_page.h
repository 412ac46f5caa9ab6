#pragma once
// The page "Выработки": the borehole table, always editable, bound to the document. Its
// selection is the same SelCol/SelRow the depth table's commands read.
#include "base/signal.h"
#include "widgets/command_guard.h"

#include <QWidget>

class QMenu;

namespace trassel {

class StringGridView;
class SurveyDocument;

class BoreholePage : public QWidget {
    Q_OBJECT
public:
    BoreholePage(SurveyDocument& doc, CommandGuard guard, QWidget* parent = nullptr);
    ~BoreholePage() override;

    StringGridView* sgSkv = nullptr;
    QMenu* PopupMenuSgSkv = nullptr; // without items

    void sgSkvSelectCell(int col, int row);
    // A click on the number cell of column 1 titles that column "ПК", the picket mark.
    void sgSkvFixedCellClick(int col, int row);

private:
    SurveyDocument* doc_;
    CommandGuard guard_;
    Subscription subscription_;
};

} // namespace trassel
