#pragma once
// Layers: one record per depth column turned into a layer, and the manager that keeps the
// records in creation order and their checkable entries in caption order.
#include "base/signal.h"
#include "chart/chart_model.h"
#include "section/section_renderer.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trassel {

using EntryId = int;

// A layer's line width as "толщина" offers it, in pixels.
inline constexpr int kMinLineWidth = 1;
inline constexpr int kMaxLineWidth = 100;

// One layer: the columns it reads, its look on the section and its series on the diagram.
struct TLayer {
    EntryId Item = 0; // the layer's entry in the manager's list
    int PicketColumn = 0;
    int DepthColumn = 0;
    int LineWidth = 3;
    Color LineColor = 0;
    Color BrushColor = 0xFFFFFF;
    std::uint8_t BrushStyle =
        0; // fill pattern 0..7: solid, none, horizontal, vertical, two diagonals, cross, diagonal cross
    SeriesId Series = 0;
    Color PointColor = 0;
};

// Deterministic colours for new layers' points: the same sequence in every run, starting
// afresh with each generator.
class LayerColorGenerator {
public:
    // A number from 0 to 32767.
    int draw();
    // Red below 200, green below 144, blue below 100, drawn in that order.
    Color nextPointColor();
    // The generator's state, so that undoing "Добавить слой" also takes back its colour.
    std::uint32_t state() const { return state_; }
    void setState(std::uint32_t state) { state_ = state; }

private:
    std::uint32_t state_ = 1;
};

// One line of the layer list as the user sees it.
struct LayerEntry {
    EntryId id = 0;
    std::string caption;
    bool checked = false;
    bool selected = false;
};

// Everything that makes up one layer, kept by an edit that removes it so that it can come
// back exactly: in its slot, with its entry, series name, drawing position and styles.
struct LayerSnapshot {
    int slot = 0;
    TLayer record;
    LayerEntry entry;
    std::string seriesName;
    int attachedAt = -1; // position in the chart's drawing order, -1 when not attached
};

// Owns the layer records (creation order, at most 61) and the entry list (sorted by caption
// in byte order, single selection); creates and destroys each layer's point series.
class LayerManager {
public:
    static constexpr int kLayerSlots = 61;

    explicit LayerManager(ChartModel& chart);
    LayerManager(const LayerManager&) = delete;
    LayerManager& operator=(const LayerManager&) = delete;
    ~LayerManager();

    int LayerCount() const { return layerCount_; }
    // The record in `slot`, 0 <= slot < LayerCount() (slots keep creation order).
    TLayer& Layers(int slot) { return *slots_.at(checkedSlot(slot)); }
    const TLayer& Layers(int slot) const { return *slots_.at(checkedSlot(slot)); }

    // Adds a layer for column `selCol`, its pickets read from the column typed as
    // `picketColumnText`. Returns the new slot. Errors, with nothing changed: the text is not
    // an integer ("'<text>' is not a valid integer value"), or all slots are used.
    int addLayer(std::string_view picketColumnText, int selCol);
    // Deletes the layer of the selected entry and its series; false when nothing is selected.
    bool deleteSelectedLayer();

    // The layer of entry `id` as a removal would take it away; Error when there is none.
    LayerSnapshot snapshotOf(EntryId id) const;
    // Removes the layer of entry `id` (entry, record and series); later layers move down a slot.
    void removeLayer(EntryId id);
    // Puts a removed layer back: its record in its slot (later ones move up), its entry in
    // caption order, a new series of the same name at its former drawing position.
    void restoreLayer(const LayerSnapshot& snapshot);
    // Colour generator state (see LayerColorGenerator::state).
    std::uint32_t colorState() const { return colors_.state(); }
    void setColorState(std::uint32_t state) { colors_.setState(state); }
    // Tells the listeners that a record's fields changed (its styles).
    void notifyChanged() { changed(); }

    // Entries in list order (sorted by caption).
    int entryCount() const { return static_cast<int>(entries_.size()); }
    const LayerEntry& entryAt(int position) const { return entries_.at(static_cast<std::size_t>(position)); }
    // Position of the entry in the list, -1 when there is no such entry.
    int positionOf(EntryId id) const;
    bool isChecked(EntryId id) const;
    void setChecked(EntryId id, bool checked);
    bool isSelected(EntryId id) const;
    // Selects the entry and deselects any other; an unknown id clears the selection.
    void select(EntryId id);
    void setSelected(EntryId id, bool selected);
    void clearSelection();
    std::optional<EntryId> selectedEntry() const;

    // The slot of the record whose Item is `id`, -1 when none.
    int slotOf(EntryId id) const;
    TLayer* recordOf(EntryId id);
    const TLayer* recordOf(EntryId id) const;

    ChartModel& chart() { return *chart_; }

    // `listener` runs after every change of the entries or the records' number.
    [[nodiscard]] Subscription subscribe(std::function<void()> listener)
    {
        return changed_.subscribe(std::move(listener));
    }

private:
    std::size_t checkedSlot(int slot) const;
    LayerEntry* findEntry(EntryId id);
    const LayerEntry* findEntry(EntryId id) const;
    void changed();

    ChartModel* chart_;
    std::array<std::unique_ptr<TLayer>, kLayerSlots> slots_;
    int layerCount_ = 0;
    std::vector<LayerEntry> entries_;
    EntryId nextEntryId_ = 1;
    LayerColorGenerator colors_;
    Signal<> changed_;
};

// The caption "Свойства (Слой <position>)" of the style group for the entry at `position`.
std::string LayerPropertiesCaption(int position);

// "Слой по К№<column>", the caption of a new layer's entry.
std::string LayerCaption(int column);

// The layers as the section draws them, in slot order, each with its columns, styles and check.
std::vector<SectionLayer> SectionLayersOf(const LayerManager& layers);

} // namespace trassel
