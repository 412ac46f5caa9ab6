#include "document/layer_edits.h"

namespace trassel {
namespace {

std::string StyleText(SurveyDocument::Style style)
{
    switch (style) {
    case SurveyDocument::Style::LineWidth: return "Толщина линии";
    case SurveyDocument::Style::LineColor: return "Цвет линии";
    case SurveyDocument::Style::BrushStyle: return "Заливка";
    case SurveyDocument::Style::BrushColor: return "Цвет на разрезе";
    case SurveyDocument::Style::PointColor: return "Цвет на диаграмме";
    }
    return {};
}

} // namespace

LayerPresenceEdit::LayerPresenceEdit(std::string text, LayerSnapshot layer, bool added, std::uint32_t colorsBefore,
                                     std::uint32_t colorsAfter)
    : Edit(std::move(text)), layer_(std::move(layer)), added_(added), colorsBefore_(colorsBefore),
      colorsAfter_(colorsAfter)
{
}

void LayerPresenceEdit::put(SurveyDocument& doc, bool present)
{
    LayerManager& layers = doc.layers();
    if (present) {
        layers.restoreLayer(layer_);
    } else {
        // The series is made anew on the way back; keep its drawing position for then.
        layer_ = layers.snapshotOf(layer_.entry.id);
        layers.removeLayer(layer_.entry.id);
    }
    doc.notify({DocumentChange::What::Layers, TableId::Depth, {}});
}

void LayerPresenceEdit::apply(SurveyDocument& doc)
{
    put(doc, added_);
    if (added_)
        doc.layers().setColorState(colorsAfter_);
}

void LayerPresenceEdit::revert(SurveyDocument& doc)
{
    put(doc, !added_);
    if (added_)
        doc.layers().setColorState(colorsBefore_);
}

LayerCheckEdit::LayerCheckEdit(EntryId id, bool checked)
    : Edit(checked ? "Включить слой" : "Выключить слой"), id_(id), checked_(checked)
{
}

void LayerCheckEdit::apply(SurveyDocument& doc)
{
    doc.layers().setChecked(id_, checked_);
    doc.notify({DocumentChange::What::Layers, TableId::Depth, {}});
}

void LayerCheckEdit::revert(SurveyDocument& doc)
{
    doc.layers().setChecked(id_, !checked_);
    doc.notify({DocumentChange::What::Layers, TableId::Depth, {}});
}

LayerStyleEdit::LayerStyleEdit(EntryId id, SurveyDocument::Style style, std::uint32_t before, std::uint32_t after)
    : Edit(StyleText(style)), id_(id), style_(style), before_(before), after_(after)
{
}

bool LayerStyleEdit::mergeWith(const Edit& next)
{
    const auto* other = dynamic_cast<const LayerStyleEdit*>(&next);
    if (other == nullptr || other->id_ != id_ || other->style_ != style_)
        return false;
    after_ = other->after_;
    return true;
}

std::uint32_t LayerStyleEdit::read(const TLayer& layer, SurveyDocument::Style style)
{
    switch (style) {
    case SurveyDocument::Style::LineWidth: return static_cast<std::uint32_t>(layer.LineWidth);
    case SurveyDocument::Style::LineColor: return layer.LineColor;
    case SurveyDocument::Style::BrushStyle: return layer.BrushStyle;
    case SurveyDocument::Style::BrushColor: return layer.BrushColor;
    case SurveyDocument::Style::PointColor: return layer.PointColor;
    }
    return 0;
}

void LayerStyleEdit::write(TLayer& layer, SurveyDocument::Style style, std::uint32_t value)
{
    switch (style) {
    case SurveyDocument::Style::LineWidth: layer.LineWidth = static_cast<int>(value); break;
    case SurveyDocument::Style::LineColor: layer.LineColor = value; break;
    case SurveyDocument::Style::BrushStyle: layer.BrushStyle = static_cast<std::uint8_t>(value); break;
    case SurveyDocument::Style::BrushColor: layer.BrushColor = value; break;
    case SurveyDocument::Style::PointColor: layer.PointColor = value; break;
    }
}

void LayerStyleEdit::put(SurveyDocument& doc, std::uint32_t value)
{
    if (TLayer* layer = doc.layers().recordOf(id_)) {
        write(*layer, style_, value);
        doc.layers().notifyChanged();
    }
    doc.notify({DocumentChange::What::Layers, TableId::Depth, {}});
    // The point colour shows only on the diagram; the other styles on the section too.
    doc.notify({style_ == SurveyDocument::Style::PointColor ? DocumentChange::What::PointColor
                                                            : DocumentChange::What::LayerStyle,
                TableId::Depth,
                {}});
}

} // namespace trassel
