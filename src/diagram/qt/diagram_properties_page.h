#pragma once
// The parameter page "Диаграмма": the axis window, the marks and the cursor. Every change
// writes the diagram parameters of the document.
#include "base/signal.h"
#include "diagram/diagram.h"

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QSpinBox;

namespace trassel {

class SurveyDocument;

class DiagramPropertiesPage : public QWidget {
    Q_OBJECT
public:
    explicit DiagramPropertiesPage(SurveyDocument& doc, QWidget* parent = nullptr);
    ~DiagramPropertiesPage() override;

    QCheckBox* chkDinamicDiapazonAxes = nullptr;
    QSpinBox* seChtOverviewChartHeight = nullptr;
    QSpinBox* seChtOverviewChartWidth = nullptr;
    QCheckBox* chkSeriesMarksVisible = nullptr;
    QSpinBox* seSeriesFrequencyMarks = nullptr;
    QLineEdit* ltxtVertIncrementDecrement = nullptr;
    QCheckBox* chkCursorHorizMarkVisible = nullptr;
    QCheckBox* chkCursorVertMarkVisible = nullptr;
    QSpinBox* seCursorHorzSize = nullptr;
    QSpinBox* seCursorVertSize = nullptr;

    // The controls' values (the picket column and the range are the document's).
    DiagramParams params() const;
    // Writes the controls' values into the document.
    void push();

private:
    // Shows parameters that came from the document (a settings file) without writing them back.
    void show(const DiagramParams& p);

    SurveyDocument* doc_;
    Subscription subscription_;
};

} // namespace trassel
