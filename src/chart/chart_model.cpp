#include "chart/chart_model.h"

#include "base/error.h"
#include "base/numbers.h"

#include <algorithm>
#include <utility>

namespace trassel {
namespace {

// Assigns and reports whether the value changed, so that repeated settings cost no resync.
template <typename T>
bool assign(T& field, const T& value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

} // namespace

// ---- ChartSeries ----

ChartSeries::ChartSeries(ChartModel& model, SeriesId id, SeriesKind kind) : model_(&model), id_(id), kind_(kind) { }

void ChartSeries::styleChanged() { model_->changed(); }

void ChartSeries::dataChanged()
{
    ++dataRevision_;
    model_->changed();
}

void ChartSeries::setName(std::string name)
{
    if (assign(name_, name))
        styleChanged();
}

void ChartSeries::setColor(Color color)
{
    const bool changed = !hasColor_ || color_ != color;
    hasColor_ = true;
    color_ = color;
    if (changed)
        styleChanged();
}

void ChartSeries::setPenWidth(int width)
{
    if (assign(penWidth_, width))
        styleChanged();
}

void ChartSeries::setBrushColor(Color color)
{
    const bool changed = !hasBrushColor_ || brushColor_ != color;
    hasBrushColor_ = true;
    brushColor_ = color;
    if (changed)
        styleChanged();
}

void ChartSeries::setPointerColor(Color color)
{
    const bool changed = !pointer_.hasColor || pointer_.color != color;
    pointer_.hasColor = true;
    pointer_.color = color;
    if (changed)
        styleChanged();
}

void ChartSeries::setPointerSize(int horizSize, int vertSize)
{
    const bool a = assign(pointer_.horizSize, horizSize);
    const bool b = assign(pointer_.vertSize, vertSize);
    if (a || b)
        styleChanged();
}

void ChartSeries::setPointerVisible(bool visible)
{
    if (assign(pointer_.visible, visible))
        styleChanged();
}

void ChartSeries::setMarksVisible(bool visible)
{
    if (assign(marks_.visible, visible))
        styleChanged();
}

void ChartSeries::setMarksStyle(MarkStyle style)
{
    if (assign(marks_.style, style))
        styleChanged();
}

void ChartSeries::setMarksDrawEvery(int n)
{
    if (assign(marks_.drawEvery, n))
        styleChanged();
}

void ChartSeries::setMarksArrowLength(int pixels)
{
    if (assign(marks_.arrowLength, pixels))
        styleChanged();
}

void ChartSeries::setMarksAngle(int degrees)
{
    if (assign(marks_.angle, degrees))
        styleChanged();
}

void ChartSeries::setMarksTransparent(bool transparent)
{
    if (assign(marks_.transparent, transparent))
        styleChanged();
}

void ChartSeries::setMarksFont(const MarkFont& font)
{
    if (assign(marks_.font, font))
        styleChanged();
}

bool ChartSeries::hasMark(std::size_t index) const
{
    if (!marks_.visible || marks_.drawEvery <= 0 || index >= xs_.size())
        return false;
    return index % static_cast<std::size_t>(marks_.drawEvery) == 0;
}

std::string ChartSeries::markText(std::size_t index) const
{
    if (index >= xs_.size())
        return {};
    return NumberToText(marks_.style == MarkStyle::XValue ? xs_[index] : ys_[index]);
}

void ChartSeries::clear()
{
    if (xs_.empty())
        return;
    // The capacity stays: a rebuild refills the same series with about as many points.
    xs_.clear();
    ys_.clear();
    rows_.clear();
    dataChanged();
}

std::size_t ChartSeries::addXY(double x, double y, int row)
{
    std::size_t index = xs_.size();
    if (xs_.empty() || !(x < xs_.back())) {
        xs_.push_back(x);
        ys_.push_back(y);
        rows_.push_back(row);
    } else {
        // Only a decreasing X pays for the search and the shift.
        index = static_cast<std::size_t>(std::upper_bound(xs_.begin(), xs_.end(), x) - xs_.begin());
        const auto at = static_cast<std::ptrdiff_t>(index);
        xs_.insert(xs_.begin() + at, x);
        ys_.insert(ys_.begin() + at, y);
        rows_.insert(rows_.begin() + at, row);
    }
    dataChanged();
    return index;
}

bool ChartSeries::remove(std::size_t index)
{
    if (index >= xs_.size())
        return false;
    const auto at = static_cast<std::ptrdiff_t>(index);
    xs_.erase(xs_.begin() + at);
    ys_.erase(ys_.begin() + at);
    rows_.erase(rows_.begin() + at);
    dataChanged();
    return true;
}

bool ChartSeries::setY(std::size_t index, double y)
{
    if (index >= ys_.size())
        return false;
    ys_[index] = y;
    const std::uint64_t before = dataRevision_;
    dataChanged();
    lastY_ = {before, dataRevision_, index};
    return true;
}

void ChartSeries::reserve(std::size_t count)
{
    xs_.reserve(count);
    ys_.reserve(count);
    rows_.reserve(count);
}

// ---- ChartAxis ----

ChartAxis::ChartAxis(ChartModel& model, double minimum, double maximum) : model_(&model), min_(minimum), max_(maximum)
{
}

void ChartAxis::setMinimum(double value)
{
    if (value > max_)
        throw Error("Axis Minimum Value must be <= Maximum");
    if (assign(min_, value))
        model_->changed();
}

void ChartAxis::setMaximum(double value)
{
    if (value < min_)
        throw Error("Axis Maximum Value must be >= Minimum");
    if (assign(max_, value))
        model_->changed();
}

void ChartAxis::setRange(double minimum, double maximum)
{
    if (minimum > maximum)
        std::swap(minimum, maximum);
    const bool a = assign(min_, minimum);
    const bool b = assign(max_, maximum);
    if (a || b)
        model_->changed();
}

// ---- ChartModel ----

ChartModel::ChartModel()
    : bottom_(*this, kInitialBottomMinimum, kInitialBottomMaximum),
      left_(*this, kInitialLeftMinimum, kInitialLeftMaximum)
{
}

ChartModel::~ChartModel() = default;

std::vector<std::unique_ptr<ChartSeries>>::const_iterator ChartModel::find(SeriesId id) const
{
    const auto it = std::lower_bound(series_.begin(), series_.end(), id,
                                     [](const std::unique_ptr<ChartSeries>& s, SeriesId v) { return s->id() < v; });
    return (it != series_.end() && (*it)->id() == id) ? it : series_.end();
}

SeriesId ChartModel::createSeries(SeriesKind kind)
{
    const SeriesId id = nextId_++;
    // Ids only grow, so appending keeps series_ sorted by id.
    series_.push_back(std::unique_ptr<ChartSeries>(new ChartSeries(*this, id, kind)));
    return id;
}

void ChartModel::destroySeries(SeriesId id)
{
    const auto it = find(id);
    if (it == series_.end())
        return;
    detach(id);
    series_.erase(it);
}

bool ChartModel::exists(SeriesId id) const { return find(id) != series_.end(); }

ChartSeries& ChartModel::series(SeriesId id)
{
    const auto it = find(id);
    if (it == series_.end())
        throw Error("No chart series " + std::to_string(id));
    return **it;
}

const ChartSeries& ChartModel::series(SeriesId id) const
{
    const auto it = find(id);
    if (it == series_.end())
        throw Error("No chart series " + std::to_string(id));
    return **it;
}

void ChartModel::attach(SeriesId id)
{
    if (!exists(id) || isAttached(id))
        return;
    attached_.push_back(id);
    changed();
}

void ChartModel::attachAt(SeriesId id, std::size_t position)
{
    if (!exists(id) || isAttached(id))
        return;
    attached_.insert(attached_.begin() + static_cast<std::ptrdiff_t>(std::min(position, attached_.size())), id);
    changed();
}

int ChartModel::attachedPosition(SeriesId id) const
{
    const auto it = std::find(attached_.begin(), attached_.end(), id);
    return it == attached_.end() ? -1 : static_cast<int>(it - attached_.begin());
}

void ChartModel::detach(SeriesId id)
{
    const auto it = std::find(attached_.begin(), attached_.end(), id);
    if (it == attached_.end())
        return;
    attached_.erase(it);
    changed();
}

bool ChartModel::isAttached(SeriesId id) const
{
    return std::find(attached_.begin(), attached_.end(), id) != attached_.end();
}

void ChartModel::changed()
{
    ++revision_;
    changed_.send();
}

} // namespace trassel
