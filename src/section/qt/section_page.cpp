#include "section/qt/section_page.h"
#include "widgets/status_progress.h"

#include "boreholes/boreholes.h"
#include "document/annotation_edits.h"
#include "document/survey_document.h"
#include "platform/image_export.h"
#include "base/error.h"
#include "platform/qt_canvas.h"
#include "platform/qt_print_pages.h"
#include "section/annotation_tools.h"
#include "section/qt/section_view.h"
#include "base/numbers.h"

#include <QPrinter>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace trassel {

SectionPage::SectionPage(SurveyDocument& doc, QWidget* parent)
    : QWidget(parent), doc_(&doc), record_(kSectionStartWidth, kSectionStartHeight),
      services_(std::make_unique<QtCanvasServices>()), canvas_(std::make_unique<RecordingCanvas>(record_, *services_))
{
    setObjectName(QStringLiteral("Разрез"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    scrbxTrassel = new SectionView(this);
    scrbxTrassel->setObjectName(QStringLiteral("scrbxTrassel"));
    imgSection = scrbxTrassel->imageControl();
    imgSection->setObjectName(QStringLiteral("imgSection"));
    scrbxTrassel->setRecord(&record_);
    showSizes();
    layout->addWidget(scrbxTrassel);
    doc.setSectionCanvas(canvas_.get());
    connect(imgSection, &SectionImage::mousePressed, this, [this](QPoint at, Qt::MouseButton b) { imgSectionMouseDown(at, b); });
    connect(imgSection, &SectionImage::mouseMoved, this, [this](QPoint at, Qt::MouseButtons b) { imgSectionMouseMove(at, b); });
    connect(imgSection, &SectionImage::mouseReleased, this, [this](QPoint at, Qt::MouseButton b) { imgSectionMouseUp(at, b); });
    subscription_ = doc.subscribe([this](const DocumentChange& change) {
        if (change.what == DocumentChange::What::SectionPicture)
            scrbxTrassel->refresh();
    });
}

SectionPage::~SectionPage()
{
    doc_->unsubscribe(subscription_);
    doc_->setSectionCanvas(nullptr);
    // The image control paints from the record: it forgets it before the record goes.
    scrbxTrassel->setRecord(nullptr);
}

void SectionPage::showSizes()
{
    const SectionState& state = doc_->sectionState();
    scrbxTrassel->setImageSize(state.imageWidth, state.imageHeight);
    scrbxTrassel->refresh();
}

QImage SectionPage::image() const { return RenderRecord(record_); }

namespace {

// Drawings of fewer rows than this (all layers together) take well under a second.
constexpr long long kRowsWorthProgress = 150'000;

} // namespace

void SectionPage::plotPolygons()
{
    // A timer or a held spin arrow may ask again while a long drawing lets the window
    // repaint: the request is kept and drawn once this drawing is over.
    if (drawing_) {
        redrawAgain_ = true;
        return;
    }
    drawing_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{drawing_};
    do {
        redrawAgain_ = false;
        const SectionParams params = doc_->sectionParams();
        const LayerManager& layerData = doc_->layers();
        long long rows = 0;
        for (int slot = 0; slot < layerData.LayerCount(); ++slot)
            if (layerData.isChecked(layerData.Layers(slot).Item))
                rows += std::max(0, params.LastDataRow - params.FirstDataRow + 1);
        if (rows < kRowsWorthProgress) {
            plotPolygons(SectionProgress{});
        } else {
            StatusProgress progress(this, QStringLiteral("Построение разреза"));
            progress.setTypingStops(parameterEditors_);
            plotPolygons(progress.report());
            if (progress.cancelled())
                return;
        }
    } while (redrawAgain_);
}

void SectionPage::plotPolygons(const SectionProgress& progress)
{
    const LayerManager& layerData = doc_->layers();
    std::vector<SectionLayer> layers;
    for (int slot = 0; slot < layerData.LayerCount(); ++slot) {
        const TLayer& layer = layerData.Layers(slot);
        layers.push_back(SectionLayer{layer.PicketColumn, layer.DepthColumn, layer.LineWidth, layer.LineColor,
                                      layer.BrushColor, layer.BrushStyle, layerData.isChecked(layer.Item)});
    }
    const RecordingCanvas::Snapshot before = canvas_->snapshot();
    const SectionState stateBefore = doc_->sectionState();
    canvas_->setGroup(0);
    try {
        PlotRazrezPoligon(*canvas_, doc_->sectionState(), doc_->depthTable(), doc_->sectionParams(), layers, progress);
    } catch (const Cancelled&) {
        // A cancelled drawing leaves the section as it was, annotations and all.
        canvas_->restore(before);
        doc_->sectionState() = stateBefore;
        showSizes();
        return;
    } catch (...) {
        // What was drawn before the failure stays visible; the image control keeps its width.
        doc_->sectionRedrawn();
        stroke_.reset();
        record_.compact();
        showSizes();
        throw;
    }
    // A new drawing removes the annotations: their steps no longer change the picture.
    doc_->sectionRedrawn();
    stroke_.reset();
    record_.compact();
    drawn_ = true;
    boreholesDrawn_ = false;
    showSizes();
}

void SectionPage::applyWidth()
{
    drawn_ = false;
    boreholesDrawn_ = false;
    doc_->sectionRedrawn();
    stroke_.reset();
    ApplySectionWidth(*canvas_, doc_->sectionState());
    showSizes();
}

void SectionPage::plotSkv()
{
    PlotSkv(*canvas_, doc_->depthTable(), doc_->boreholeTable(), doc_->sectionParams(), doc_->settings().picketColumnText);
    boreholesDrawn_ = drawn_;
    scrbxTrassel->refresh();
}

void SectionPage::restoreAnnotations(const std::vector<WorkspaceAnnotation>& annotations)
{
    DrawAnnotations(annotations, *canvas_, lastGroup_ + 1);
    lastGroup_ += static_cast<std::uint32_t>(annotations.size());
    scrbxTrassel->refresh();
}

void SectionPage::writeSoil(QPoint at, const std::string& soil)
{
    auto edit = std::make_unique<AnnotationEdit>("Подпись грунта", doc_->sectionDrawing(), newGroup());
    canvas_->setGroup(edit->group());
    WriteSoilLabel(*canvas_, at.x(), at.y(), soil);
    canvas_->setGroup(0);
    scrbxTrassel->refresh();
    doc_->commit(std::move(edit));
}

void SectionPage::imgSectionMouseDown(QPoint at, Qt::MouseButton button)
{
    if (tool_ == SectionTool::WriteGround) {
        emit soilLabelRequested(at);
        return;
    }
    // A pen or eraser stroke runs while the left button is held: one step from press to release.
    if ((tool_ == SectionTool::Pen || tool_ == SectionTool::Lastik) && button == Qt::LeftButton)
        stroke_ = std::make_unique<AnnotationEdit>(tool_ == SectionTool::Pen ? "Карандаш" : "Ластик", doc_->sectionDrawing(),
                                                   newGroup());
}

void SectionPage::imgSectionMouseMove(QPoint at, Qt::MouseButtons buttons)
{
    const bool active = stroke_ != nullptr && (buttons & Qt::LeftButton);
    if (active) {
        canvas_->setGroup(stroke_->group());
        if (tool_ == SectionTool::Pen)
            PenStroke(*canvas_, at.x(), at.y());
        if (tool_ == SectionTool::Lastik)
            EraserStroke(*canvas_, at.x(), at.y());
        canvas_->setGroup(0);
        scrbxTrassel->refresh();
    }
    // Whatever tool is down, the current position follows the mouse.
    canvas_->moveTo(at.x(), at.y());
}

void SectionPage::imgSectionMouseUp(QPoint, Qt::MouseButton button)
{
    if (button != Qt::LeftButton || stroke_ == nullptr)
        return;
    std::unique_ptr<AnnotationEdit> stroke = std::move(stroke_);
    if (!stroke->empty(*doc_))
        doc_->commit(std::move(stroke));
}

void SectionPage::exportImage(const QString& fileName)
{
    StatusProgress progress(this, QStringLiteral("Экспорт разреза"));
    ExportSectionRecord(record_, fileName, progress.report());
}

SectionPrintSource SectionPage::printSource() const
{
    const SectionParams params = doc_->sectionParams();
    SectionPrintSource source;
    source.width = record_.width();
    source.height = record_.height();
    source.leftX = params.Lleft + 60;
    source.pixelsPerCm = params.SY;
    // The pickets of the drawn layers: those of the first checked one in drawing order. A
    // section with no readable first picket prints without km and without a true scale.
    source.pixelsPerPicket = 0;
    const LayerManager& layers = doc_->layers();
    for (int slot = layers.LayerCount() - 1; slot >= 0; --slot) {
        const TLayer& layer = layers.Layers(slot);
        if (!layers.isChecked(layer.Item))
            continue;
        try {
            source.firstPicket = ReadStrict(doc_->depthTable().cellView(layer.PicketColumn, params.FirstDataRow));
            source.pixelsPerPicket = params.SX;
        } catch (const Error&) {
        }
        break;
    }
    const DrawingRecord* record = &record_;
    source.paint = [record](QPainter& painter, const QRect& area) { PaintRecord(*record, painter, area); };
    return source;
}

void SectionPage::print(QPrinter& printer) { PrintSection(printer, printSource(), printOptions_); }

} // namespace trassel
