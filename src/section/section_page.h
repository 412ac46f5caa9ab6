#pragma once
// The page "Разрез": the section bitmap in its white scroll box, and the commands that draw,
// export and print it from the document's table, layers and section parameters.
#include <QString>
#include <QWidget>

#include <memory>

class QPrinter;

namespace trassel {

class ImageCanvas;
class SectionImage;
class SectionView;
class SurveyDocument;

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

private:
    void showSizes();

    SurveyDocument* doc_;
    std::unique_ptr<ImageCanvas> canvas_;  // the section bitmap and its canvas
};

} // namespace trassel
