#pragma once
// The page "Разрез": the section bitmap in its white scroll box, and the commands that draw,
// export and print it from the document's table, layers and section parameters.
#include <QPoint>
#include <QString>
#include <QWidget>

#include <memory>
#include <string>

class QPrinter;

namespace trassel {

class ImageCanvas;
class SectionImage;
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
    ImageCanvas& canvas() { return *canvas_; }

    // "Построить разрез полигонами": every checked layer, the last one first.
    void plotPolygons();
    // "Построить разрез": gives the bitmap the width SectionWidth, draws nothing.
    void applyWidth();
    // "Выработки": the boreholes drawn over the section as it stands.
    void plotSkv();
    void exportImage(const QString& fileName);
    void print(QPrinter& printer);

    // The annotation tools: the button down decides what a press and a move on the image do.
    void setTool(SectionTool tool) { tool_ = tool; }
    SectionTool tool() const { return tool_; }
    // A soil label at `at`, one undoable step.
    void writeSoil(QPoint at, const std::string& soil);
    void imgSectionMouseDown(QPoint at, Qt::MouseButton button);
    void imgSectionMouseMove(QPoint at, Qt::MouseButtons buttons);
    void imgSectionMouseUp(QPoint at, Qt::MouseButton button);

signals:
    // A press with "Подписи" down: the window writes the soil chosen in the soil list.
    void soilLabelRequested(QPoint at);

private:
    void showSizes();

    SurveyDocument* doc_;
    std::unique_ptr<ImageCanvas> canvas_;  // the section bitmap and its canvas
    SectionTool tool_ = SectionTool::Cursor;
    int subscription_ = 0;
    std::unique_ptr<AnnotationEdit> stroke_;  // the pen or eraser stroke being drawn
};

} // namespace trassel
