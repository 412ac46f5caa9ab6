#pragma once
// The page "Диаграммы": the interpretation diagram. Keys and clicks on it go to the
// document, whose corrections are undoable edits of the depth table.
#include "widgets/command_guard.h"

#include <QWidget>

class QPrinter;

namespace trassel {

class ChartView;
class SurveyDocument;

class DiagramPage : public QWidget {
    Q_OBJECT
public:
    DiagramPage(SurveyDocument& doc, CommandGuard guard, QWidget* parent = nullptr);

    ChartView* chtOverviewChart = nullptr;

    void chtOverviewChartKeyDown(int key);
    void chtOverviewChartClickSeries(int series, int index, Qt::MouseButton button);
    // The diagram as shown, scaled to the page keeping its proportions.
    void print(QPrinter& printer);

private:
    SurveyDocument* doc_;
    CommandGuard guard_;
};

} // namespace trassel
