#include "section/qt/section_page.h"

#include "section/qt/section_cursor.h"
#include "widgets/status_progress.h"

#include "boreholes/boreholes.h"
#include "document/annotation_edits.h"
#include "document/survey_document.h"
#include "platform/image_export.h"
#include "base/error.h"
#include "platform/qt_canvas.h"
#include "platform/qt_print_pages.h"
#include "section/annotation_tools.h"
#include "section/qt/deviation_strip.h"
#include "section/qt/radargram_strip.h"
#include "section/qt/section_view.h"
#include "base/numbers.h"

#include <QPrinter>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace trassel {
namespace {

// Drawings of fewer rows than this (all layers together) take well under a second.
constexpr long long kRowsWorthProgress = 150'000;
// How long after a parameter change the rest of a long section waits for another change.
constexpr int kCompletionDelayMs = 300;

} // namespace

SectionPage::SectionPage(SurveyDocument& doc, QWidget* parent)
    : QWidget(parent), doc_(&doc), services_(std::make_unique<QtCanvasServices>())
{
    setObjectName(QStringLiteral("Разрез"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    scrbxTrassel = new SectionView(this);
    scrbxTrassel->setObjectName(QStringLiteral("scrbxTrassel"));
    imgSection = scrbxTrassel->imageControl();
    imgSection->setObjectName(QStringLiteral("imgSection"));
    scene().setServices(services_.get());
    scene().setRunner([this](const SectionScene::Job& job) { runDrawing(job); });
    scrbxTrassel->setRecord(&std::as_const(scene()).record());
    // A redraw of a long section shows the columns in view at once and the rest a moment
    // later, unless the user asks again meanwhile (a spin arrow held down).
    completion_ = new QTimer(this);
    completion_->setSingleShot(true);
    completion_->setInterval(kCompletionDelayMs);
    connect(completion_, &QTimer::timeout, this, &SectionPage::completeDrawing);
    scene().setDeferrer([this](const std::function<void()>&) { completion_->start(); });
    connect(scrbxTrassel, &SectionView::shownChanged, this, &SectionPage::shownChanged);
    showSizes();
    // The radargram above the section, the user choosing how the height is shared.
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->setObjectName(QStringLiteral("splRadargramSection"));
    splitter->setChildrenCollapsible(false);
    radargramStrip_ = new RadargramStrip(doc, *scrbxTrassel, splitter);
    splitter->addWidget(radargramStrip_);
    splitter->addWidget(scrbxTrassel);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({RadargramStrip::kDefaultHeight, 400});
    layout->addWidget(splitter, 1);
    deviations_ = new DeviationStrip(doc, *scrbxTrassel, this);
    layout->addWidget(deviations_);
    new SectionCursor(doc, *scrbxTrassel, this);
    connect(imgSection, &SectionImage::mousePressed, this,
            [this](QPoint at, Qt::MouseButton b) { imgSectionMouseDown(at, b); });
    connect(imgSection, &SectionImage::mouseMoved, this,
            [this](QPoint at, Qt::MouseButtons b) { imgSectionMouseMove(at, b); });
    connect(imgSection, &SectionImage::mouseReleased, this,
            [this](QPoint at, Qt::MouseButton b) { imgSectionMouseUp(at, b); });
    subscription_ = doc.subscribe([this](const DocumentChange& change) {
        if (change.what != DocumentChange::What::SectionPicture)
            return;
        // A new drawing removes the annotations, the stroke being drawn among them.
        if (stroke_ != nullptr && scene().drawing() != strokeDrawing_)
            stroke_.reset();
        showSizes();
    });
}

SectionPage::~SectionPage()
{
    // The image control paints from the scene's record, which stays with the document.
    scrbxTrassel->setRecord(nullptr);
    scene().setDeferrer({});
    scene().setShownColumns({});
    scene().setRunner({});
    scene().setServices(nullptr);
}

SectionScene& SectionPage::scene() { return doc_->section(); }
const SectionScene& SectionPage::scene() const { return doc_->section(); }
RecordingCanvas& SectionPage::canvas() { return scene().canvas(); }
// Exports and prints take the whole section.
const DrawingRecord& SectionPage::record() const { return doc_->section().record(); }
bool SectionPage::drawn() const { return scene().drawn(); }
bool SectionPage::boreholesDrawn() const { return scene().boreholesDrawn(); }

void SectionPage::showSizes()
{
    const SectionState& state = doc_->sectionState();
    scrbxTrassel->setImageSize(state.imageWidth, state.imageHeight);
    scrbxTrassel->refresh();
    // The ruler repeats the drawing's depth scale; a page with nothing drawn has none.
    DepthRulerScale ruler;
    if (scene().drawn()) {
        const SectionParams params = doc_->sectionParams();
        ruler = {params.H, params.SY, params.step};
    }
    scrbxTrassel->setDepthScale(ruler);
}

QImage SectionPage::image() const { return RenderRecord(record()); }

void SectionPage::shownChanged()
{
    const QRectF shown = scrbxTrassel->visibleSection();
    const SectionWindow window{static_cast<int>(std::floor(shown.left())), static_cast<int>(std::ceil(shown.right()))};
    scene().setShownColumns(window);
    // Scrolled past the part drawn first: the rest is drawn now.
    const SectionWindow& drawn = scene().drawnColumns();
    if (scene().partial() && (window.left < drawn.left || window.right > drawn.right))
        completeDrawing();
}

void SectionPage::completeDrawing()
{
    completion_->stop();
    try {
        scene().complete();
    } catch (const Cancelled&) {
    } catch (...) {
        if (failureReport_)
            failureReport_(std::current_exception());
    }
}

void SectionPage::plotPolygons() { scene().redraw(); }

void SectionPage::plotPolygons(const SectionProgress& progress)
{
    try {
        scene().draw(progress);
    } catch (const Cancelled&) {
    }
}

void SectionPage::runDrawing(const SectionScene::Job& job)
{
    // A timer or a held spin arrow may ask again while a long drawing lets the window
    // repaint: the request is kept and drawn once this drawing is over.
    if (drawing_) {
        redrawAgain_ = true;
        return;
    }
    drawing_ = true;
    // The rest of a section drawn first where it is seen: the part on screen stays as it is
    // until the whole is there, rather than the former section coming back meanwhile.
    const bool finishing = scene().partial();
    if (finishing)
        scrbxTrassel->setUpdatesEnabled(false);
    // While the drawing runs the image control may already have the new size and the record
    // the former drawing: shown at its own scale, not stretched to the new size.
    scrbxTrassel->imageControl()->setRedrawing(true);
    struct Done {
        bool& flag;
        SectionView* view;
        ~Done()
        {
            flag = false;
            view->setUpdatesEnabled(true);
            view->imageControl()->setRedrawing(false);
        }
    } done{drawing_, scrbxTrassel};
    do {
        redrawAgain_ = false;
        const SectionParams params = doc_->sectionParams();
        const LayerManager& layerData = doc_->layers();
        long long rows = 0;
        for (int slot = 0; slot < layerData.LayerCount(); ++slot)
            if (layerData.isChecked(layerData.Layers(slot).Item))
                rows += std::max(0, params.LastDataRow - params.FirstDataRow + 1);
        if (rows < kRowsWorthProgress) {
            job(SectionProgress{});
        } else {
            StatusProgress progress(this, QStringLiteral("Построение разреза"));
            progress.setTypingStops(parameterEditors_);
            try {
                job(progress.report());
            } catch (const Cancelled&) {
                // The former section stays; a key typed into a parameter asks for the next one.
                if (!redrawAgain_)
                    return;
            }
        }
    } while (redrawAgain_);
}

void SectionPage::applyWidth() { scene().applyWidth(); }

void SectionPage::plotSkv() { scene().plotSkv(); }

void SectionPage::writeSoil(QPoint at, const std::string& soil)
{
    auto edit = std::make_unique<AnnotationEdit>("Подпись грунта", scene().drawing(), scene().newGroup());
    canvas().setGroup(edit->group());
    WriteSoilLabel(canvas(), at.x(), at.y(), soil);
    canvas().setGroup(0);
    scrbxTrassel->refresh();
    doc_->commit(std::move(edit));
}

void SectionPage::imgSectionMouseDown(QPoint at, Qt::MouseButton button)
{
    if (tool_ == SectionTool::WriteGround) {
        Q_EMIT soilLabelRequested(at);
        return;
    }
    // A pen or eraser stroke runs while the left button is held: one step from press to release.
    if ((tool_ == SectionTool::Pen || tool_ == SectionTool::Lastik) && button == Qt::LeftButton) {
        strokeDrawing_ = scene().drawing();
        stroke_ = std::make_unique<AnnotationEdit>(tool_ == SectionTool::Pen ? "Карандаш" : "Ластик", strokeDrawing_,
                                                   scene().newGroup());
    }
}

void SectionPage::imgSectionMouseMove(QPoint at, Qt::MouseButtons buttons)
{
    const bool active = stroke_ != nullptr && (buttons & Qt::LeftButton);
    if (active) {
        canvas().setGroup(stroke_->group());
        if (tool_ == SectionTool::Pen)
            PenStroke(canvas(), at.x(), at.y());
        if (tool_ == SectionTool::Lastik)
            EraserStroke(canvas(), at.x(), at.y());
        canvas().setGroup(0);
        scrbxTrassel->refresh();
    }
    // Whatever tool is down, the current position follows the mouse.
    canvas().moveTo(at.x(), at.y());
}

void SectionPage::imgSectionMouseUp(QPoint, Qt::MouseButton button)
{
    if (button != Qt::LeftButton || stroke_ == nullptr)
        return;
    std::unique_ptr<AnnotationEdit> stroke = std::move(stroke_);
    if (!stroke->empty(*doc_))
        doc_->commit(std::move(stroke));
}

void SectionPage::exportImage(const QString& fileName, ReadOnlyTarget readOnly)
{
    StatusProgress progress(this, QStringLiteral("Экспорт разреза"));
    ExportSectionRecord(record(), fileName, progress.report(), readOnly);
}

SectionPrintSource SectionPage::printSource() const
{
    const SectionParams params = doc_->sectionParams();
    SectionPrintSource source;
    source.width = record().width();
    source.height = record().height();
    source.leftX = SectionPixel(static_cast<long double>(params.Lleft) + 60); // where the first picket was drawn
    source.pixelsPerCm = params.SY;
    source.surfaceY = params.H;
    source.depthStep = params.step;
    source.depthLabelX = params.Lleft;
    // The pickets of the drawn layers: those of the first checked one in drawing order. A
    // section with no readable first picket prints without km and without a true scale.
    source.pixelsPerPicket = 0;
    const LayerManager& layers = doc_->layers();
    for (int slot = layers.LayerCount() - 1; slot >= 0; --slot) {
        const TLayer& layer = layers.Layers(slot);
        if (!layers.isChecked(layer.Item))
            continue;
        if (const auto first = TryReadStrict(doc_->depthTable().cellView(layer.PicketColumn, params.FirstDataRow))) {
            source.firstPicket = *first;
            source.pixelsPerPicket = params.SX;
            if (const auto last = TryReadStrict(doc_->depthTable().cellView(layer.PicketColumn, params.LastDataRow)))
                source.lastPicket = *last;
        }
        break;
    }
    source.form = doc_->projectForm();
    source.legend = LegendOf(*doc_);
    // The analysis is asked for only when the sheets show it; a table it cannot read (pickets out
    // of order) prints without the plot rather than not at all.
    if (source.form.deviationPlot) {
        try {
            source.compliance = &doc_->compliance();
        } catch (const Error&) {
            source.compliance = nullptr;
        }
    }
    const DrawingRecord* shown = &record();
    source.paint = [shown](QPainter& painter, const QRect& area) { PaintRecord(*shown, painter, area); };
    return source;
}

void SectionPage::print(QPrinter& printer) { PrintSection(printer, printSource(), printOptions_); }

} // namespace trassel
