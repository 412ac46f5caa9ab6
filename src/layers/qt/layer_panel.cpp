#include "layers/qt/layer_panel.h"

#include "document/survey_document.h"
#include "layers/qt/layer_manager_view.h"
#include "platform/qt_convert.h"
#include "widgets/style_controls.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

namespace trassel {

LayerPanel::LayerPanel(SurveyDocument& doc, CommandGuard guard, QWidget* parent)
    : QWidget(parent), doc_(&doc), guard_(std::move(guard))
{
    setObjectName(QStringLiteral("ScrollBox3"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Колонка пикетов"), this));
    cmbX = new QComboBox(this);
    cmbX->setObjectName(QStringLiteral("cmbX"));
    cmbX->setEditable(true);
    cmbX->setInsertPolicy(QComboBox::NoInsert);
    cmbX->setEditText(QString::fromStdString(doc.settings().picketColumnText));
    layout->addWidget(cmbX);
    lwLayerManager = new LayerManagerView(doc.layers(), this);
    lwLayerManager->setObjectName(QStringLiteral("lwLayerManager"));
    layout->addWidget(lwLayerManager, 1);
    layout->addWidget(buildLayerProperties());

    PopupMenuLV = new QMenu(this);
    PopupMenuLV->setObjectName(QStringLiteral("PopupMenuLV"));
    lwLayerManager->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lwLayerManager, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenuLV->popup(lwLayerManager->viewport()->mapToGlobal(pos)); });

    connect(cmbX, &QComboBox::editTextChanged, this,
            [this](const QString& text) { doc_->setPicketColumnText(toStdString(text)); });
    lwLayerManager->setCheckHandler(
        [this](EntryId id, bool checked) { guard_([&] { doc_->setLayerChecked(id, checked); }); });
    connect(lwLayerManager, &LayerManagerView::entrySelectionChanged, this,
            [this](int entry, bool) { guard_([this, entry] { lwLayerManagerSelectItem(entry); }); });
    subscription_ = doc.subscribe([this](const DocumentChange& change) { onDocumentChange(change); });
}

LayerPanel::~LayerPanel() = default;

QWidget* LayerPanel::buildLayerProperties()
{
    grbLayerProperties = new QGroupBox(QStringLiteral("Свойства слоя"), this);
    grbLayerProperties->setObjectName(QStringLiteral("grbLayerProperties"));
    auto* layout = new QVBoxLayout(grbLayerProperties);
    auto* lines = new QGroupBox(QStringLiteral("Линии"), grbLayerProperties);
    auto* linesForm = new QFormLayout(lines);
    seLineWidth = makeSpinEdit(lines, "seLineWidth", 3, 1, kMinLineWidth, kMaxLineWidth);
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

    auto guarded = [this](void (LayerPanel::*handler)()) {
        return [this, handler] { guard_([this, handler] { (this->*handler)(); }); };
    };
    connect(seLineWidth, &QSpinBox::valueChanged, this, guarded(&LayerPanel::seLineWidthChange));
    connect(clbLineColor, &ColorBox::colorChanged, this, guarded(&LayerPanel::clbLineColorChange));
    connect(cmbBrushStyle, &QComboBox::currentIndexChanged, this, guarded(&LayerPanel::cmbBrushStyleChange));
    connect(clbBrushColor, &ColorBox::colorChanged, this, guarded(&LayerPanel::clbBrushColorChange));
    connect(clbColorOfSeriesPoint, &ColorBox::colorChanged, this, guarded(&LayerPanel::clbColorOfSeriesPointChange));
    return grbLayerProperties;
}

void LayerPanel::onDocumentChange(const DocumentChange& change)
{
    if (change.what == DocumentChange::What::Layers) {
        // An undone style or a layer brought back shows in the controls of the selected layer.
        if (const std::optional<EntryId> selected = doc_->layers().selectedEntry())
            lwLayerManagerSelectItem(*selected);
    } else if (change.what == DocumentChange::What::Settings) {
        const std::string& text = doc_->settings().picketColumnText;
        if (toStdString(cmbX->currentText()) != text) {
            const QSignalBlocker blocker(cmbX);
            cmbX->setEditText(QString::fromStdString(text));
        }
    }
}

void LayerPanel::lwLayerManagerSelectItem(int entry)
{
    const LayerManager& layers = doc_->layers();
    const int position = layers.positionOf(entry);
    if (position < 0)
        return;
    grbLayerProperties->setTitle(QString::fromUtf8(LayerPropertiesCaption(position).c_str()));
    const TLayer* layer = layers.recordOf(entry);
    if (layer == nullptr)
        return;
    // Showing a layer's values changes no layer and draws nothing.
    const QSignalBlocker b1(seLineWidth), b2(clbLineColor), b3(cmbBrushStyle), b4(clbBrushColor),
        b5(clbColorOfSeriesPoint);
    seLineWidth->setValue(layer->LineWidth);
    clbLineColor->setColor(layer->LineColor);
    clbBrushColor->setColor(layer->BrushColor);
    cmbBrushStyle->setCurrentIndex(layer->BrushStyle);
    clbColorOfSeriesPoint->setColor(layer->PointColor);
}

void LayerPanel::seLineWidthChange()
{
    doc_->setSelectedLayerStyle(SurveyDocument::Style::LineWidth, static_cast<std::uint32_t>(seLineWidth->value()));
}

void LayerPanel::clbLineColorChange()
{
    doc_->setSelectedLayerStyle(SurveyDocument::Style::LineColor, clbLineColor->color());
}

void LayerPanel::cmbBrushStyleChange()
{
    doc_->setSelectedLayerStyle(SurveyDocument::Style::BrushStyle,
                                static_cast<std::uint32_t>(cmbBrushStyle->brushStyle()));
}

void LayerPanel::clbBrushColorChange()
{
    doc_->setSelectedLayerStyle(SurveyDocument::Style::BrushColor, clbBrushColor->color());
}

void LayerPanel::clbColorOfSeriesPointChange()
{
    doc_->setSelectedLayerStyle(SurveyDocument::Style::PointColor, clbColorOfSeriesPoint->color());
}

} // namespace trassel
