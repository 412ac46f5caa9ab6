#pragma once
// "Участки": the failing stretches of every layer in one sortable table, made again
// when the document reports a change of what the analysis reads. A click on a stretch puts the
// diagram's cursor on its first row and asks the window to show the section there.
#include "base/signal.h"
#include "widgets/command_guard.h"

#include <QWidget>

class QLabel;
class QSortFilterProxyModel;
class QTableView;

namespace trassel {

class StretchesModel;
class SurveyDocument;

class StretchesPage : public QWidget {
    Q_OBJECT
public:
    StretchesPage(SurveyDocument& doc, CommandGuard guard, QWidget* parent = nullptr);
    ~StretchesPage() override;

    // Reads the analysis again now (the page does it itself when shown after a change).
    void refresh();
    // The stretch in row `row` of the table as sorted: its table row becomes the cursor's.
    void chooseRow(int row);

    QTableView* tvStretches = nullptr;
    QLabel* lblStretches = nullptr; // how many stretches, or why there is no analysis

Q_SIGNALS:
    // A stretch was chosen: its start, in metres from the first point of the line.
    void stretchChosen(double offsetM);

protected:
    void showEvent(QShowEvent* event) override;

private:
    SurveyDocument* doc_;
    CommandGuard guard_;
    StretchesModel* model_ = nullptr;
    QSortFilterProxyModel* sorted_ = nullptr;
    bool stale_ = true;
    Subscription subscription_;
};

} // namespace trassel
