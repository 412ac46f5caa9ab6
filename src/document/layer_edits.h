#pragma once
// The edits of the layers: a layer added or deleted, checked or unchecked, restyled.
#include "document/edit.h"
#include "document/survey_document.h"
#include "layers/layers.h"

namespace trassel {

// "Добавить слой" and "Удалить слой": the whole layer kept, so that it comes back in its
// slot with its entry, series name and styles; an added layer also gives back its colour.
class LayerPresenceEdit : public Edit {
public:
    LayerPresenceEdit(std::string text, LayerSnapshot layer, bool added, std::uint32_t colorsBefore,
                      std::uint32_t colorsAfter);
    void apply(SurveyDocument& doc) override;
    void revert(SurveyDocument& doc) override;
    std::size_t bytes() const override { return sizeof(*this) + layer_.entry.caption.capacity(); }

private:
    void put(SurveyDocument& doc, bool present);

    LayerSnapshot layer_;
    bool added_;
    std::uint32_t colorsBefore_;
    std::uint32_t colorsAfter_;
};

// A layer's check box in the layer manager.
class LayerCheckEdit : public Edit {
public:
    LayerCheckEdit(EntryId id, bool checked);
    void apply(SurveyDocument& doc) override;
    void revert(SurveyDocument& doc) override;
    std::size_t bytes() const override { return sizeof(*this); }

private:
    EntryId id_;
    bool checked_;
};

// One style of one layer; consecutive changes of the same style of the same layer (a spin
// edit stepped several times) are one step.
class LayerStyleEdit : public Edit {
public:
    LayerStyleEdit(EntryId id, SurveyDocument::Style style, std::uint32_t before, std::uint32_t after);
    void apply(SurveyDocument& doc) override { put(doc, after_); }
    void revert(SurveyDocument& doc) override { put(doc, before_); }
    std::size_t bytes() const override { return sizeof(*this); }
    int mergeKey() const override { return 1000 + static_cast<int>(style_); }
    bool mergeWith(const Edit& next) override;

    static std::uint32_t read(const TLayer& layer, SurveyDocument::Style style);
    static void write(TLayer& layer, SurveyDocument::Style style, std::uint32_t value);

private:
    void put(SurveyDocument& doc, std::uint32_t value);

    EntryId id_;
    SurveyDocument::Style style_;
    std::uint32_t before_;
    std::uint32_t after_;
};

} // namespace trassel
