#include "section/section_page.h"

#include "boreholes/boreholes.h"
#include "document/survey_document.h"
#include "platform/image_export.h"
#include "platform/qt_canvas.h"
#include "platform/qt_print_pages.h"
#include "section/section_view.h"

#include <QPrinter>
#include <QVBoxLayout>

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
}

SectionPage::~SectionPage()
{
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
    ApplySectionWidth(*canvas_, doc_->sectionState());
    showSizes();
}

void SectionPage::plotSkv()
{
    PlotSkv(*canvas_, doc_->depthTable(), doc_->boreholeTable(), doc_->sectionParams(), doc_->settings().picketColumnText);
    scrbxTrassel->refresh();
}

void SectionPage::exportImage(const QString& fileName) { ExportSectionImage(canvas_->image(), fileName); }

void SectionPage::print(QPrinter& printer) { PrintSectionImage(canvas_->image(), printer); }

} // namespace trassel
