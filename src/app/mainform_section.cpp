// The main window's geological section: the page "Разрез", its parameter page, the layer
// style controls, and the commands that draw, export and print the section.
#include "app/mainform.h"

#include "app/ribbon.h"
#include "app/style_controls.h"
#include "app/ui_services.h"
#include "layers/layer_manager_view.h"
#include "platform/image_export.h"
#include "platform/qt_canvas.h"
#include "platform/qt_print_pages.h"
#include "section/section_view.h"

#include <QAction>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPrinter>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <vector>

namespace trassel {

QWidget* TFmMainForm::buildSectionProperties()
{
    auto* content = new QWidget;
    auto* form = new QFormLayout(content);
    seScaleX = makeSpinEdit(content, "seScaleX", 400, 50);
    seScaleY = makeSpinEdit(content, "seScaleY", 1, 1);
    seMaxDepth = makeSpinEdit(content, "seMaxDepth", 300, 50);
    seDHL = makeSpinEdit(content, "seDHL", 50, 25);
    seISSO = makeSpinEdit(content, "seISSO", 250, 50);
    sedH = makeSpinEdit(content, "sedH", 55, 5, 25, 150);
    sedLleft = makeSpinEdit(content, "sedLleft", 25, 10);
    sedLright = makeSpinEdit(content, "sedLright", 100, 10);
    form->addRow(QStringLiteral("Масштаб X"), seScaleX);
    form->addRow(QStringLiteral("Масштаб Y"), seScaleY);
    form->addRow(QStringLiteral("Максимальная глубина, см"), seMaxDepth);
    form->addRow(QStringLiteral("Шаг горизонтальных меток"), seDHL);
    form->addRow(QStringLiteral("Глубина подписей ИССО и скважин"), seISSO);
    form->addRow(QStringLiteral("Глубина поверхности"), sedH);
    form->addRow(QStringLiteral("Левый отступ"), sedLleft);
    form->addRow(QStringLiteral("Правый отступ"), sedLright);
    return content;
}

void TFmMainForm::buildLayerProperties()
{
    auto* layout = new QVBoxLayout(grbLayerProperties);
    auto* lines = new QGroupBox(QStringLiteral("Линии"), grbLayerProperties);
    auto* linesForm = new QFormLayout(lines);
    seLineWidth = makeSpinEdit(lines, "seLineWidth", 3, 1, 1, 100);
    clbLineColor = new ColorBox(0x000000, lines);
    clbLineColor->setObjectName(QStringLiteral("clbLineColor"));
    linesForm->addRow(QStringLiteral("толщина"), seLineWidth);
    linesForm->addRow(QStringLiteral("Цвет"), clbLineColor);
    layout->addWidget(lines);
    auto* fill = new QGroupBox(QStringLiteral("Заливка"), grbLayerProperties);
    auto* fillForm = new QFormLayout(fill);
    cmbBrushStyle = new BrushStyleBox(fill);
    cmbBrushStyle->setObjectName(QStringLiteral("cmbBrushStyle"));
    clbBrushColor = new ColorBox(0x000000, fill);
    clbBrushColor->setObjectName(QStringLiteral("clbBrushColor"));
    fillForm->addRow(cmbBrushStyle);
    fillForm->addRow(QStringLiteral("Цвет на разрезе"), clbBrushColor);
    layout->addWidget(fill);
    auto* pointForm = new QFormLayout;
    clbColorOfSeriesPoint = new ColorBox(0x008000, grbLayerProperties);
    clbColorOfSeriesPoint->setObjectName(QStringLiteral("clbColorOfSeriesPoint"));
    pointForm->addRow(QStringLiteral("Цвет на диаграмме"), clbColorOfSeriesPoint);
    layout->addLayout(pointForm);

    auto guard = [this](void (TFmMainForm::*handler)()) { return [this, handler] { runGuarded([this, handler] { (this->*handler)(); }); }; };
    connect(seLineWidth, &QSpinBox::valueChanged, this, guard(&TFmMainForm::seLineWidthChange));
    connect(clbLineColor, &ColorBox::colorChanged, this, guard(&TFmMainForm::clbLineColorChange));
    connect(cmbBrushStyle, &QComboBox::currentIndexChanged, this, guard(&TFmMainForm::cmbBrushStyleChange));
    connect(clbBrushColor, &ColorBox::colorChanged, this, guard(&TFmMainForm::clbBrushColorChange));
    connect(clbColorOfSeriesPoint, &ColorBox::colorChanged, this, guard(&TFmMainForm::clbColorOfSeriesPointChange));
    connect(lwLayerManager, &LayerManagerView::entrySelectionChanged, this,
            [this](int entry, bool) { runGuarded([this, entry] { lwLayerManagerSelectItem(entry); }); });
}

void TFmMainForm::buildSection()
{
    SectionCanvas = std::make_unique<ImageCanvas>(kSectionStartWidth, kSectionStartHeight);
    scrbxTrassel = new SectionView(pageSection);
    scrbxTrassel->setObjectName(QStringLiteral("scrbxTrassel"));
    imgSection = scrbxTrassel->imageControl();
    imgSection->setObjectName(QStringLiteral("imgSection"));
    scrbxTrassel->setCanvas(SectionCanvas.get());
    scrbxTrassel->setImageSize(SectionSizes.imageWidth, SectionSizes.imageHeight);
    pageSection->layout()->addWidget(scrbxTrassel);

    // Every change of a section parameter draws the section again, as the command would.
    auto redraw = [this] { acnPlotRazrezPoligon->trigger(); };
    for (QSpinBox* spin : {sedH, sedLleft, seScaleX, seScaleY, seMaxDepth, seDHL, sedLright, seISSO}) {
        connect(spin, &QSpinBox::valueChanged, this, [this] { pushSectionParams(); });
        if (spin != seISSO)
            connect(spin, &QSpinBox::valueChanged, this, redraw);
    }
    buildLayerProperties();
}

void TFmMainForm::pushSectionParams() { Document.setSectionParams(sectionParams()); }

SectionParams TFmMainForm::sectionParams() const
{
    SectionParams p;
    p.H = sedH->value();
    p.Lleft = sedLleft->value();
    p.R = sedLright->value();
    p.SX = seScaleX->value();
    p.SY = static_cast<float>(seScaleY->value());
    p.Dmax = seMaxDepth->value();
    p.step = seDHL->value();
    p.FirstDataRow = FirstDataRow();
    p.LastDataRow = LastDataRow();
    return p;
}

void TFmMainForm::acnPlotRazrezPoligonExecute()
{
    std::vector<SectionLayer> layers;
    for (int slot = 0; slot < LayerData.LayerCount(); ++slot) {
        const TLayer& layer = LayerData.Layers(slot);
        layers.push_back(SectionLayer{layer.PicketColumn, layer.DepthColumn, layer.LineWidth, layer.LineColor,
                                      layer.BrushColor, layer.BrushStyle, LayerData.isChecked(layer.Item)});
    }
    SectionSizes.sectionWidth = SectionWidth;
    try {
        PlotRazrezPoligon(*SectionCanvas, SectionSizes, SourceData, Document.sectionParams(), layers);
    } catch (...) {
        // What was drawn before the failure stays visible; the image control keeps its width.
        SectionWidth = SectionSizes.sectionWidth;
        scrbxTrassel->setImageSize(SectionSizes.imageWidth, SectionSizes.imageHeight);
        scrbxTrassel->refresh();
        throw;
    }
    SectionWidth = SectionSizes.sectionWidth;
    scrbxTrassel->setImageSize(SectionSizes.imageWidth, SectionSizes.imageHeight);
    scrbxTrassel->refresh();
}

void TFmMainForm::acnPlotRazrezLineExecute()
{
    showPageByCommand(pageSection);
    SectionSizes.sectionWidth = SectionWidth;
    ApplySectionWidth(*SectionCanvas, SectionSizes);
    scrbxTrassel->setImageSize(SectionSizes.imageWidth, SectionSizes.imageHeight);
    scrbxTrassel->refresh();
}

void TFmMainForm::acnExportDiagrammToJpgExecute()
{
    const QString name = services_->saveFileName(this, QStringLiteral("ГеологическаяМодель.jpg"), SectionImageFilter(),
                                                  QStringLiteral("jpg"));
    if (name.isEmpty())
        return;
    ExportSectionImage(SectionCanvas->image(), name);
}

void TFmMainForm::acnPrintImageExecute()
{
    QPrinter printer(QPrinter::HighResolution);
    if (!services_->printerSetup(this, printer))
        return;
    PrintSectionImage(SectionCanvas->image(), printer);
}

void TFmMainForm::lwLayerManagerSelectItem(int entry)
{
    const int position = LayerData.positionOf(entry);
    if (position < 0)
        return;
    grbLayerProperties->setTitle(QString::fromUtf8(LayerPropertiesCaption(position).c_str()));
    const TLayer* layer = LayerData.recordOf(entry);
    if (layer == nullptr)
        return;
    // Showing a layer's values changes no layer and draws nothing.
    const QSignalBlocker b1(seLineWidth), b2(clbLineColor), b3(cmbBrushStyle), b4(clbBrushColor), b5(clbColorOfSeriesPoint);
    seLineWidth->setValue(layer->LineWidth);
    clbLineColor->setColor(layer->LineColor);
    clbBrushColor->setColor(layer->BrushColor);
    cmbBrushStyle->setCurrentIndex(layer->BrushStyle);
    clbColorOfSeriesPoint->setColor(layer->PointColor);
}

void TFmMainForm::seLineWidthChange()
{
    Document.setSelectedLayerStyle(SurveyDocument::Style::LineWidth, static_cast<std::uint32_t>(seLineWidth->value()));
    acnPlotRazrezPoligon->trigger();
    acnBuildChart->trigger();
}

void TFmMainForm::clbLineColorChange()
{
    Document.setSelectedLayerStyle(SurveyDocument::Style::LineColor, clbLineColor->color());
    acnPlotRazrezPoligon->trigger();
    acnBuildChart->trigger();
}

void TFmMainForm::cmbBrushStyleChange()
{
    Document.setSelectedLayerStyle(SurveyDocument::Style::BrushStyle, static_cast<std::uint32_t>(cmbBrushStyle->brushStyle()));
    acnPlotRazrezPoligon->trigger();
    acnBuildChart->trigger();
}

void TFmMainForm::clbBrushColorChange()
{
    Document.setSelectedLayerStyle(SurveyDocument::Style::BrushColor, clbBrushColor->color());
    acnPlotRazrezPoligon->trigger();
    acnBuildChart->trigger();
}

void TFmMainForm::clbColorOfSeriesPointChange()
{
    Document.setSelectedLayerStyle(SurveyDocument::Style::PointColor, clbColorOfSeriesPoint->color());
    acnBuildChart->trigger();
}

} // namespace trassel
