#pragma once
// The page "Разрез": the document's section scene in its white scroll box, the commands that
// draw, export and print it, and the annotation tools. The page shows the scene's record and
// runs the redraws the document asks for with a progress bar; it keeps no picture of its own.
#include "base/atomic_file.h"
#include "base/signal.h"
#include "document/section_scene.h"
#include "platform/qt_print_pages.h"
#include "section/section_renderer.h"

#include <QImage>
#include <QList>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class QPrinter;
class QTimer;

namespace trassel {

class QtCanvasServices;
class SectionImage;
class DeviationStrip;
class RadargramStrip;
class SectionView;
class SurveyDocument;
class AnnotationEdit;

// Which button of the section's tool bar is down.
enum class SectionTool { None, Cursor, WriteGround, Pen, Lastik };

class SectionPage : public QWidget {
    Q_OBJECT
public:
    explicit SectionPage(SurveyDocument& doc, QWidget* parent = nullptr);
    ~SectionPage() override;

    SectionView* scrbxTrassel = nullptr;
    SectionImage* imgSection = nullptr;
    // The layers' thickness against their norms, under the section (hidden without norms).
    DeviationStrip* deviations() const { return deviations_; }
    // The instrument radargram above the section (hidden unless asked for and registered).
    RadargramStrip* radargramStrip() const { return radargramStrip_; }
    // The section's canvas: its drawing state, and the record every drawing goes into.
    RecordingCanvas& canvas();
    const DrawingRecord& record() const;
    // The section bitmap as a whole (for tests and the raster export).
    QImage image() const;

    // "Построить разрез полигонами": every checked layer, the last one first. A drawing of a
    // long survey shows its progress and can be cancelled, which leaves the former section.
    void plotPolygons();
    // The same with the given progress; a progress that throws Cancelled cancels.
    void plotPolygons(const SectionProgress& progress);
    // The panels whose spin boxes redraw the section on every change: a key typed into one of
    // them stops a long drawing (the next one follows with the new value), so typing never waits.
    void setParameterEditors(QList<QPointer<QWidget>> editors) { parameterEditors_ = std::move(editors); }
    // "Построить разрез": gives the bitmap the width SectionWidth, draws nothing.
    void applyWidth();
    // "Выработки": the boreholes drawn over the section as it stands.
    void plotSkv();
    // Whether the section shown was drawn by "Построить разрез полигонами", and "Выработки" over it.
    bool drawn() const;
    bool boreholesDrawn() const;
    // By the name's extension: PDF and SVG as vectors, JPEG, PNG and BMP as the bitmap.
    void exportImage(const QString& fileName, ReadOnlyTarget readOnly = ReadOnlyTarget::Refuse);
    // The section as the printing needs it: its size, its transform and how to paint a part.
    SectionPrintSource printSource() const;
    // How the last printout met the sheets; the next preview starts from it.
    const SectionPrintOptions& printOptions() const { return printOptions_; }
    void setPrintOptions(const SectionPrintOptions& options) { printOptions_ = options; }
    void print(QPrinter& printer);

    // The annotation tools: the button down decides what a press and a move on the image do.
    void setTool(SectionTool tool) { tool_ = tool; }
    SectionTool tool() const { return tool_; }
    // A soil label at `at`, one undoable step.
    void writeSoil(QPoint at, const std::string& soil);
    void imgSectionMouseDown(QPoint at, Qt::MouseButton button);
    void imgSectionMouseMove(QPoint at, Qt::MouseButtons buttons);
    void imgSectionMouseUp(QPoint at, Qt::MouseButton button);
    // Where a drawing finished later than its command (the rest of a long section drawn after
    // the part on screen) reports a failure.
    void setFailureReport(std::function<void(const std::exception_ptr&)> report) { failureReport_ = std::move(report); }

Q_SIGNALS:
    // A press with "Подписи" down: the window writes the soil chosen in the soil list.
    void soilLabelRequested(QPoint at);

private:
    void showSizes();
    void shownChanged();
    void completeDrawing();
    // Runs a drawing of the scene: with a progress bar and Esc for a long survey.
    void runDrawing(const SectionScene::Job& job);
    SectionScene& scene();
    const SectionScene& scene() const;

    SurveyDocument* doc_;
    std::unique_ptr<QtCanvasServices> services_;
    SectionPrintOptions printOptions_;
    QList<QPointer<QWidget>> parameterEditors_;
    bool drawing_ = false;            // a drawing is under way (it lets the window repaint)
    bool redrawAgain_ = false;        // asked for again meanwhile
    std::uint64_t strokeDrawing_ = 0; // the drawing the stroke below was begun on
    SectionTool tool_ = SectionTool::Cursor;
    Subscription subscription_;
    DeviationStrip* deviations_ = nullptr;
    RadargramStrip* radargramStrip_ = nullptr;
    QTimer* completion_ = nullptr; // runs the rest of a section drawn first where it is seen
    std::function<void(const std::exception_ptr&)> failureReport_;
    std::unique_ptr<AnnotationEdit> stroke_; // the pen or eraser stroke being drawn
};

} // namespace trassel
