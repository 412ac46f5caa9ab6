#pragma once
// The parameter page "Таблица": header rows, the delimiter of the import, the column
// auto-size and the working range. Bound both ways to the document: a control's change
// writes the document; a change of the document (an undo, a command) shows in the controls
// without running their handlers again.
#include "base/signal.h"
#include "widgets/command_guard.h"

#include <QWidget>

class QComboBox;
class QCommandLinkButton;
class QSpinBox;

namespace trassel {

class StringGridView;
class SurveyDocument;
struct DocumentChange;

class TablePropertiesPage : public QWidget {
    Q_OBJECT
public:
    TablePropertiesPage(SurveyDocument& doc, CommandGuard guard, QWidget* parent = nullptr);
    ~TablePropertiesPage() override;

    // The grids "Авторазмер ширины колонок" fits, in its order.
    void setAutoSizedGrids(StringGridView* first, StringGridView* second);

    QSpinBox* seNumberOfHeaderRows = nullptr;
    QComboBox* cmbDelimiter = nullptr;
    QCommandLinkButton* btnAutoSizeCol = nullptr;
    QSpinBox* seFirstRow = nullptr;
    QSpinBox* seLastRow = nullptr;

    void seNumberOfHeaderRowsChange();
    void seFirstRowChange();
    void seLastRowChange();
    void btnAutoSizeColClick();

private:
    void onDocumentChange(const DocumentChange& change);

    SurveyDocument* doc_;
    CommandGuard guard_;
    StringGridView* autoSized_[2] = {nullptr, nullptr};
    Subscription subscription_;
};

} // namespace trassel
