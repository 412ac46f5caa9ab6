#pragma once
// The page "Диаграммы": the interpretation diagram. Keys and clicks on it go to the
// document, whose corrections are undoable edits of the depth table.
#include "base/atomic_file.h"
#include "diagram/diagram.h"
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

    void chtOverviewChartKeyDown(DiagramKey key);
    void chtOverviewChartClickSeries(int series, int index, Qt::MouseButton button);
    // The diagram as shown, scaled to the page's printable area keeping its proportions and
    // centred on it; lines and text stay vector on a PDF printer. Throws Error when the
    // printer will not begin or finish the page.
    void print(QPrinter& printer);
    // Writes the diagram as shown to `path`: ".png" a bitmap twice its size on the screen,
    // ".pdf" a vector page of its size. The file is written beside the target and renamed
    // into place, so a failure leaves an existing file as it was. Throws Error for another
    // extension, naming the kinds there are, and with the system's reason when it cannot write.
    void exportImage(const QString& path, ReadOnlyTarget readOnly = ReadOnlyTarget::Refuse);

Q_SIGNALS:
    // A key changed a cell: what it did, for the status bar.
    void corrected(const QString& text);

private:
    SurveyDocument* doc_;
    CommandGuard guard_;
};

} // namespace trassel
