#include "document/section_scene.h"

#include "base/error.h"
#include "base/numbers.h"
#include "boreholes/boreholes.h"
#include "document/survey_document.h"
#include "layers/layers.h"

#include <algorithm>
#include <string_view>

namespace trassel {
namespace {

// Metrics of a plain monospaced face: what the scene measures with before a toolkit gives it
// the real ones, so that a document without a window can still be drawn and tested.
class PlainCanvasServices final : public CanvasServices {
public:
    int textWidth(const FontState& font, std::string_view utf8) override
    {
        int glyphs = 0;
        for (const char c : utf8)
            glyphs += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
        return glyphs * std::max(font.size, 1) * 3 / 4;
    }
    int textHeight(const FontState& font) override { return std::max(font.size, 1) * 3 / 2; }
    Picture resourceBitmap(std::string_view) override { return {}; }
};

} // namespace

SectionScene::SectionScene(SurveyDocument& doc)
    : doc_(&doc), record_(kSectionStartWidth, kSectionStartHeight),
      plainServices_(std::make_unique<PlainCanvasServices>()),
      canvas_(std::make_unique<RecordingCanvas>(record_, *plainServices_))
{
}

SectionScene::~SectionScene() = default;

void SectionScene::setServices(CanvasServices* services)
{
    canvas_->setServices(services != nullptr ? *services : *plainServices_);
}

namespace {

// Below this many rows (all layers together) the whole section is drawn within a frame or two.
constexpr long long kRowsShownFirst = 100'000;

} // namespace

SectionScene::Start SectionScene::start() const
{
    if (partial_)
        return partialStart_;
    return {canvas_->snapshot(), doc_->sectionState()};
}

bool SectionScene::drawShownFirst()
{
    if (!deferrer_ || window_.whole() || restored_.drawn)
        return false;
    const SectionParams params = doc_->sectionParams();
    const std::vector<SectionLayer> layers = SectionLayersOf(doc_->layers());
    const long long rows = std::max(0, params.LastDataRow - params.FirstDataRow + 1);
    const auto checked = std::count_if(layers.begin(), layers.end(), [](const SectionLayer& l) { return l.checked; });
    if (rows * checked < kRowsShownFirst)
        return false;
    const Start before = start();
    // A part drawn before is replaced, not covered: the record keeps one drawing's worth.
    if (partial_) {
        canvas_->restore(before.canvas);
        doc_->sectionState() = before.state;
    }
    canvas_->setGroup(0);
    try {
        PlotRazrezPoligon(*canvas_, doc_->sectionState(), doc_->depthTable(), params, layers, readings_, {}, window_);
    } catch (...) {
        // The whole drawing says what is wrong, as it always does.
        canvas_->restore(before.canvas);
        doc_->sectionState() = before.state;
        partial_ = false;
        return false;
    }
    partial_ = true;
    partialStart_ = before;
    drawnWindow_ = window_;
    place(params, layers);
    // A new drawing: the annotations are gone with the former one.
    ++drawing_;
    drawn_ = true;
    boreholesDrawn_ = false;
    doc_->notify({DocumentChange::What::SectionPicture, TableId::Depth, {}});
    deferrer_([this] { complete(); });
    return true;
}

void SectionScene::complete()
{
    if (!partial_)
        return;
    const Job job = [this](const SectionProgress& progress) { draw(progress); };
    if (runner_)
        runner_(job);
    else
        job({});
}

void SectionScene::redraw()
{
    if (drawShownFirst())
        return;
    const Job job = [this](const SectionProgress& progress) { draw(progress); };
    if (runner_)
        runner_(job);
    else
        job({});
}

void SectionScene::draw(const SectionProgress& progress)
{
    draw(doc_->sectionParams(), SectionLayersOf(doc_->layers()), progress);
}

void SectionScene::draw(const SectionParams& params, const std::vector<SectionLayer>& layers,
                        const SectionProgress& progress)
{
    // A part drawn first makes way: the whole drawing starts from the section before it, so
    // that it is the drawing a redraw without that part makes. Stopped, it goes back there.
    const Start before = start();
    if (partial_) {
        canvas_->restore(before.canvas);
        doc_->sectionState() = before.state;
        partial_ = false;
    }
    canvas_->setGroup(0);
    try {
        PlotRazrezPoligon(*canvas_, doc_->sectionState(), doc_->depthTable(), params, layers, readings_, progress);
    } catch (const Cancelled&) {
        // A stopped drawing leaves the section as it was, annotations and all.
        canvas_->restore(before.canvas);
        doc_->sectionState() = before.state;
        doc_->notify({DocumentChange::What::SectionPicture, TableId::Depth, {}});
        throw;
    } catch (...) {
        // What was drawn before the failure stays visible; the annotations are gone with it.
        finishDrawing();
        throw;
    }
    finishDrawing();
    drawn_ = true;
    boreholesDrawn_ = false;
    place(params, layers);
    if (restored_.drawn) {
        // The project's section as it was left: the boreholes, then each annotation step.
        Saved saved = std::move(restored_);
        restored_ = Saved{};
        if (saved.boreholesDrawn)
            plotSkv(params);
        DrawAnnotations(saved.annotations, *canvas_, lastGroup_ + 1);
        canvas_->setGroup(0);
        lastGroup_ += static_cast<std::uint32_t>(saved.annotations.size());
    }
    doc_->notify({DocumentChange::What::SectionPicture, TableId::Depth, {}});
}

void SectionScene::place(const SectionParams& params, const std::vector<SectionLayer>& layers)
{
    // The layers are drawn from the last checked one to the first, each sizing the bitmap by
    // its own pickets: the first checked one's placement is the one shown.
    placedBy_ = params;
    placedColumn_ = -1;
    for (const SectionLayer& layer : layers)
        if (layer.checked) {
            placedColumn_ = layer.picketColumn;
            break;
        }
}

void SectionScene::finishDrawing()
{
    // A new drawing removes the annotations: their steps no longer change the picture.
    ++drawing_;
    record_.compact();
}

std::optional<double> SectionScene::xOfRow(int row) const
{
    const Grid& grid = doc_->depthTable();
    if (!drawn_ || placedColumn_ < 0 || placedColumn_ >= grid.colCount() || row < 0 || row >= grid.rowCount() ||
        placedBy_.FirstDataRow < 0 || placedBy_.FirstDataRow >= grid.rowCount())
        return std::nullopt;
    const std::optional<double> p1 = TryReadStrict(grid.cellView(placedColumn_, placedBy_.FirstDataRow));
    const std::optional<double> p = TryReadStrict(grid.cellView(placedColumn_, row));
    if (!p1 || !p)
        return std::nullopt;
    return (RoundTo(*p, 2) - *p1) * placedBy_.SX + placedBy_.Lleft + 60.0;
}

std::optional<LineAxis> SectionScene::picketAxis() const
{
    const Grid& grid = doc_->depthTable();
    if (!drawn_ || placedColumn_ < 0 || placedColumn_ >= grid.colCount() || placedBy_.FirstDataRow < 0 ||
        placedBy_.FirstDataRow >= grid.rowCount() || !(placedBy_.SX > 0))
        return std::nullopt;
    const std::optional<double> p1 = TryReadStrict(grid.cellView(placedColumn_, placedBy_.FirstDataRow));
    if (!p1)
        return std::nullopt;
    return LineAxis{*p1, static_cast<double>(placedBy_.SX), placedBy_.Lleft + 60.0};
}

void SectionScene::applyWidth()
{
    complete();
    drawn_ = false;
    boreholesDrawn_ = false;
    ++drawing_;
    ApplySectionWidth(*canvas_, doc_->sectionState());
    doc_->notify({DocumentChange::What::SectionPicture, TableId::Depth, {}});
}

void SectionScene::plotSkv() { plotSkv(doc_->sectionParams()); }

void SectionScene::plotSkv(const SectionParams& params)
{
    complete();
    PlotSkv(*canvas_, doc_->depthTable(), doc_->boreholeTable(), params, doc_->settings().picketColumnText);
    boreholesDrawn_ = drawn_;
    doc_->notify({DocumentChange::What::SectionPicture, TableId::Depth, {}});
}

std::vector<WorkspaceAnnotation> SectionScene::annotations() const
{
    if (restored_.drawn)
        return restored_.annotations;
    // A part drawn first is a new drawing: the former one's annotations are covered.
    if (partial_)
        return {};
    return AnnotationsOf(record_);
}

SectionScene::Saved SectionScene::saved() const
{
    if (restored_.drawn)
        return restored_;
    return Saved{drawn_, boreholesDrawn_, canvas_->font(), annotations()};
}

void SectionScene::restore(Saved saved)
{
    canvas_->setFont(saved.soilFont);
    restored_ = std::move(saved);
}

} // namespace trassel
