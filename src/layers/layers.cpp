#include "layers/layers.h"

#include "base/error.h"
#include "base/numbers.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace trassel {

// ---- LayerColorGenerator ----

int LayerColorGenerator::draw()
{
    state_ = state_ * 22695477u + 1u; // modulo 2^32 by unsigned wrap-around
    return static_cast<int>((state_ >> 16) & 0x7FFFu);
}

Color LayerColorGenerator::nextPointColor()
{
    const auto red = static_cast<Color>(draw() % 200);
    const auto green = static_cast<Color>(draw() % 144);
    const auto blue = static_cast<Color>(draw() % 100);
    return red + green * 256u + blue * 65536u;
}

// ---- captions ----

std::string LayerCaption(int column) { return "Слой по К№" + IntToText(column); }

std::string LayerPropertiesCaption(int position) { return "Свойства (Слой " + IntToText(position) + ")"; }

// ---- LayerManager ----

LayerManager::LayerManager(ChartModel& chart) : chart_(&chart) { }

LayerManager::~LayerManager() = default;

std::size_t LayerManager::checkedSlot(int slot) const
{
    if (slot < 0 || slot >= layerCount_)
        throw std::out_of_range("layer slot");
    return static_cast<std::size_t>(slot);
}

int LayerManager::addLayer(std::string_view picketColumnText, int selCol)
{
    const int picketColumn = ReadInteger(picketColumnText);
    if (layerCount_ >= kLayerSlots)
        throw Error("Нельзя добавить больше 61 слоя");

    auto layer = std::make_unique<TLayer>();
    LayerEntry entry;
    entry.id = nextEntryId_++;
    entry.caption = LayerCaption(selCol);
    entry.checked = true;
    // Byte order of UTF-8 is code point order; equal captions keep their order of creation.
    const auto at = std::upper_bound(entries_.begin(), entries_.end(), entry.caption,
                                     [](const std::string& caption, const LayerEntry& e) {
                                         return caption < e.caption;
                                     });
    entries_.insert(at, entry);

    layer->Item = entry.id;
    layer->PicketColumn = picketColumn;
    layer->DepthColumn = selCol;
    layer->PointColor = colors_.nextPointColor();
    layer->Series = chart_->createSeries(SeriesKind::Point);
    chart_->series(layer->Series).setName("Series" + IntToText(layerCount_));
    chart_->attach(layer->Series);

    const int slot = layerCount_;
    slots_[static_cast<std::size_t>(slot)] = std::move(layer);
    ++layerCount_;
    changed();
    return slot;
}

bool LayerManager::deleteSelectedLayer()
{
    const std::optional<EntryId> selected = selectedEntry();
    if (!selected)
        return false;
    // Later layers move down one slot and so keep their creation order.
    removeLayer(*selected);
    return true;
}

LayerSnapshot LayerManager::snapshotOf(EntryId id) const
{
    const int slot = slotOf(id);
    const LayerEntry* entry = findEntry(id);
    if (slot < 0 || entry == nullptr)
        throw Error("Слой не найден");
    LayerSnapshot s;
    s.slot = slot;
    s.record = *slots_[static_cast<std::size_t>(slot)];
    s.entry = *entry;
    if (chart_->exists(s.record.Series)) {
        s.seriesName = chart_->series(s.record.Series).name();
        s.attachedAt = chart_->attachedPosition(s.record.Series);
    }
    return s;
}

void LayerManager::removeLayer(EntryId id)
{
    const int slot = slotOf(id);
    std::erase_if(entries_, [&](const LayerEntry& e) { return e.id == id; });
    if (slot >= 0) {
        chart_->destroySeries(slots_[static_cast<std::size_t>(slot)]->Series);
        std::move(slots_.begin() + slot + 1, slots_.begin() + layerCount_, slots_.begin() + slot);
        --layerCount_;
        slots_[static_cast<std::size_t>(layerCount_)].reset();
    }
    changed();
}

void LayerManager::restoreLayer(const LayerSnapshot& snapshot)
{
    if (layerCount_ >= kLayerSlots)
        throw Error("Нельзя добавить больше 61 слоя");
    const int slot = std::clamp(snapshot.slot, 0, layerCount_);
    auto layer = std::make_unique<TLayer>(snapshot.record);
    layer->Series = chart_->createSeries(SeriesKind::Point);
    chart_->series(layer->Series).setName(snapshot.seriesName);
    if (snapshot.attachedAt >= 0)
        chart_->attachAt(layer->Series, static_cast<std::size_t>(snapshot.attachedAt));
    std::move_backward(slots_.begin() + slot, slots_.begin() + layerCount_, slots_.begin() + layerCount_ + 1);
    slots_[static_cast<std::size_t>(slot)] = std::move(layer);
    ++layerCount_;

    LayerEntry entry = snapshot.entry;
    if (entry.selected)
        for (LayerEntry& e : entries_)
            e.selected = false;
    // Back among the entries of the same caption in the order of their records' ids, which is
    // their order of creation.
    const auto at = std::find_if(entries_.begin(), entries_.end(), [&](const LayerEntry& e) {
        return entry.caption < e.caption || (entry.caption == e.caption && entry.id < e.id);
    });
    entries_.insert(at, entry);
    changed();
}

LayerEntry* LayerManager::findEntry(EntryId id)
{
    const auto it = std::find_if(entries_.begin(), entries_.end(), [id](const LayerEntry& e) { return e.id == id; });
    return it == entries_.end() ? nullptr : &*it;
}

const LayerEntry* LayerManager::findEntry(EntryId id) const
{
    const auto it = std::find_if(entries_.begin(), entries_.end(), [id](const LayerEntry& e) { return e.id == id; });
    return it == entries_.end() ? nullptr : &*it;
}

int LayerManager::positionOf(EntryId id) const
{
    const LayerEntry* e = findEntry(id);
    return e ? static_cast<int>(e - entries_.data()) : -1;
}

bool LayerManager::isChecked(EntryId id) const
{
    const LayerEntry* e = findEntry(id);
    return e && e->checked;
}

void LayerManager::setChecked(EntryId id, bool checked)
{
    LayerEntry* e = findEntry(id);
    if (!e || e->checked == checked)
        return;
    e->checked = checked;
    changed();
}

bool LayerManager::isSelected(EntryId id) const
{
    const LayerEntry* e = findEntry(id);
    return e && e->selected;
}

void LayerManager::select(EntryId id)
{
    bool any = false;
    for (LayerEntry& e : entries_) {
        const bool want = e.id == id;
        any = any || e.selected != want;
        e.selected = want;
    }
    if (any)
        changed();
}

void LayerManager::setSelected(EntryId id, bool selected)
{
    if (selected) {
        select(id);
        return;
    }
    LayerEntry* e = findEntry(id);
    if (!e || !e->selected)
        return;
    e->selected = false;
    changed();
}

void LayerManager::clearSelection() { select(0); }

std::optional<EntryId> LayerManager::selectedEntry() const
{
    for (const LayerEntry& e : entries_)
        if (e.selected)
            return e.id;
    return std::nullopt;
}

int LayerManager::slotOf(EntryId id) const
{
    for (int slot = 0; slot < layerCount_; ++slot)
        if (slots_[static_cast<std::size_t>(slot)]->Item == id)
            return slot;
    return -1;
}

TLayer* LayerManager::recordOf(EntryId id)
{
    const int slot = slotOf(id);
    return slot < 0 ? nullptr : slots_[static_cast<std::size_t>(slot)].get();
}

const TLayer* LayerManager::recordOf(EntryId id) const
{
    const int slot = slotOf(id);
    return slot < 0 ? nullptr : slots_[static_cast<std::size_t>(slot)].get();
}

void LayerManager::changed() { changed_.send(); }

std::vector<SectionLayer> SectionLayersOf(const LayerManager& layers)
{
    std::vector<SectionLayer> result;
    result.reserve(static_cast<std::size_t>(layers.LayerCount()));
    for (int slot = 0; slot < layers.LayerCount(); ++slot) {
        const TLayer& layer = layers.Layers(slot);
        result.push_back(SectionLayer{layer.PicketColumn, layer.DepthColumn, layer.LineWidth, layer.LineColor,
                                      layer.BrushColor, layer.BrushStyle, layers.isChecked(layer.Item)});
    }
    return result;
}

} // namespace trassel
