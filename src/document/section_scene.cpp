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

void SectionScene::redraw()
{
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
    const RecordingCanvas::Snapshot before = canvas_->snapshot();
    const SectionState stateBefore = doc_->sectionState();
    canvas_->setGroup(0);
    try {
        PlotRazrezPoligon(*canvas_, doc_->sectionState(), doc_->depthTable(), params, layers, readings_, progress);
    } catch (const Cancelled&) {
        // A stopped drawing leaves the section as it was, annotations and all.
        canvas_->restore(before);
        doc_->sectionState() = stateBefore;
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
    // The layers are drawn from the last checked one to the first, each sizing the bitmap by
    // its own pickets: the first checked one's placement is the one shown.
    placedBy_ = params;
    placedColumn_ = -1;
    for (const SectionLayer& layer : layers)
        if (layer.checked) {
            placedColumn_ = layer.picketColumn;
            break;
        }
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

void SectionScene::applyWidth()
{
    drawn_ = false;
    boreholesDrawn_ = false;
    ++drawing_;
    ApplySectionWidth(*canvas_, doc_->sectionState());
    doc_->notify({DocumentChange::What::SectionPicture, TableId::Depth, {}});
}

void SectionScene::plotSkv() { plotSkv(doc_->sectionParams()); }

void SectionScene::plotSkv(const SectionParams& params)
{
    PlotSkv(*canvas_, doc_->depthTable(), doc_->boreholeTable(), params, doc_->settings().picketColumnText);
    boreholesDrawn_ = drawn_;
    doc_->notify({DocumentChange::What::SectionPicture, TableId::Depth, {}});
}

std::vector<WorkspaceAnnotation> SectionScene::annotations() const
{
    if (restored_.drawn)
        return restored_.annotations;
    return AnnotationsOf(record_);
}

SectionScene::Saved SectionScene::saved() const
{
    if (restored_.drawn)
        return restored_;
    return Saved{drawn_, boreholesDrawn_, canvas_->font(), AnnotationsOf(record_)};
}

void SectionScene::restore(Saved saved)
{
    canvas_->setFont(saved.soilFont);
    restored_ = std::move(saved);
}

} // namespace trassel
