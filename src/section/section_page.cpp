#include "section/section_page.h"

#include "boreholes/boreholes.h"
#include "document/annotation_edits.h"
#include "document/survey_document.h"
#include "platform/image_export.h"
#include "platform/qt_canvas.h"
#include "platform/qt_print_pages.h"
#include "section/annotation_tools.h"
#include "section/section_view.h"

#include <QPrinter>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace trassel {

SectionPage::SectionPage(SurveyDocument& doc, QWidget* parent)
    : QWidget(parent), doc_(&doc), canvas_(std::make_unique<ImageCanvas>(kSectionStartWidth, kSectionStartHeight))
{
    setObjectName(QStringLiteral("Разрез"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    scrbxTrassel = new SectionView(this);
    scrbxTrassel->setObjectName(QStringLiteral("scrbxTrassel"));
    imgSection = scrbxTrassel->imageControl();
    imgSection->setObjectName(QStringLiteral("imgSection"));
    scrbxTrassel->setCanvas(canvas_.get());
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
    // The image control paints from the canvas: it forgets it before the canvas goes.
    scrbxTrassel->setCanvas(nullptr);
}

void SectionPage::showSizes()
{
    const SectionState& state = doc_->sectionState();
    scrbxTrassel->setImageSize(state.imageWidth, state.imageHeight);
    scrbxTrassel->refresh();
}

void SectionPage::plotPolygons()
{
    const LayerManager& layerData = doc_->layers();
    std::vector<SectionLayer> layers;
    for (int slot = 0; slot < layerData.LayerCount(); ++slot) {
        const TLayer& layer = layerData.Layers(slot);
        layers.push_back(SectionLayer{layer.PicketColumn, layer.DepthColumn, layer.LineWidth, layer.LineColor,
                                      layer.BrushColor, layer.BrushStyle, layerData.isChecked(layer.Item)});
    }
    // A new drawing removes the annotations: their steps no longer change the picture.
    doc_->sectionRedrawn();
    stroke_.reset();
    try {
        PlotRazrezPoligon(*canvas_, doc_->sectionState(), doc_->depthTable(), doc_->sectionParams(), layers);
    } catch (...) {
        // What was drawn before the failure stays visible; the image control keeps its width.
        showSizes();
        throw;
    }
    showSizes();
}

void SectionPage::applyWidth()
{
    doc_->sectionRedrawn();
    stroke_.reset();
    ApplySectionWidth(*canvas_, doc_->sectionState());
    showSizes();
}

void SectionPage::plotSkv()
{
    PlotSkv(*canvas_, doc_->depthTable(), doc_->boreholeTable(), doc_->sectionParams(), doc_->settings().picketColumnText);
    scrbxTrassel->refresh();
}

namespace {

// Makes one mark and keeps the pixels of its area before and after it.
template <class Mark>
void keepMark(AnnotationEdit& edit, ImageCanvas& canvas, const MarkArea& area, Mark&& mark)
{
    Picture before = canvas.grab(area.left, area.top, area.width, area.height);
    mark();
    const int left = std::max(area.left, 0);
    const int top = std::max(area.top, 0);
    edit.add(left, top, std::move(before), canvas.grab(area.left, area.top, area.width, area.height));
}

} // namespace

void SectionPage::writeSoil(QPoint at, const std::string& soil)
{
    auto edit = std::make_unique<AnnotationEdit>("Подпись грунта", doc_->sectionDrawing());
    keepMark(*edit, *canvas_, SoilLabelArea(*canvas_, at.x(), at.y(), soil),
             [&] { WriteSoilLabel(*canvas_, at.x(), at.y(), soil); });
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
        stroke_ = std::make_unique<AnnotationEdit>(tool_ == SectionTool::Pen ? "Карандаш" : "Ластик", doc_->sectionDrawing());
}

void SectionPage::imgSectionMouseMove(QPoint at, Qt::MouseButtons buttons)
{
    const bool active = stroke_ != nullptr && (buttons & Qt::LeftButton);
    if (active && tool_ == SectionTool::Pen)
        keepMark(*stroke_, *canvas_, PenStrokeArea(*canvas_, at.x(), at.y()), [&] { PenStroke(*canvas_, at.x(), at.y()); });
    if (active && tool_ == SectionTool::Lastik)
        keepMark(*stroke_, *canvas_, EraserArea(at.x(), at.y()), [&] { EraserStroke(*canvas_, at.x(), at.y()); });
    if (active)
        scrbxTrassel->refresh();
    // Whatever tool is down, the current position follows the mouse.
    canvas_->moveTo(at.x(), at.y());
}

void SectionPage::imgSectionMouseUp(QPoint, Qt::MouseButton button)
{
    if (button != Qt::LeftButton || stroke_ == nullptr)
        return;
    std::unique_ptr<AnnotationEdit> stroke = std::move(stroke_);
    if (!stroke->empty())
        doc_->commit(std::move(stroke));
}

void SectionPage::exportImage(const QString& fileName) { ExportSectionImage(canvas_->image(), fileName); }

void SectionPage::print(QPrinter& printer) { PrintSectionImage(canvas_->image(), printer); }

} // namespace trassel
