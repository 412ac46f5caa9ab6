#pragma once
// The interpretation diagram as data: series with their points and looks, two axes with
// their ranges, and the order in which series are drawn. The Qt view renders it; the logic
// changes it and never touches a widget.
#include "base/color.h"
#include "base/signal.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <optional>
#include <vector>

namespace trassel {

using SeriesId = int;

enum class SeriesKind { Line, Point };

// What a point's mark shows.
enum class MarkStyle { Value, XValue };

// The font of a series' marks.
struct MarkFont {
    bool bold = false;
    int size = 8;
    Color color = 0;
    bool operator==(const MarkFont&) const = default;
};

// Point labels of a series. drawEvery n puts a mark on points 0, n, 2n, ...; n <= 0 shows none.
// A negative arrow length puts the mark on the other side of the point.
struct SeriesMarks {
    bool visible = false;
    MarkStyle style = MarkStyle::Value;
    int drawEvery = 1;
    int arrowLength = 8;
    int angle = 0;
    bool transparent = false;
    MarkFont font;
    bool operator==(const SeriesMarks&) const = default;
};

// The marker drawn on each point: a rectangle 2 * horizSize wide and 2 * vertSize high.
struct SeriesPointer {
    bool visible = true;
    bool hasColor = false; // without a colour of its own the marker takes the series colour
    Color color = 0;
    int horizSize = 4;
    int vertSize = 4;
    bool operator==(const SeriesPointer&) const = default;
};

class ChartModel;

// One series: its look and its points, kept in ascending X order as parallel vectors.
class ChartSeries {
public:
    SeriesId id() const { return id_; }
    SeriesKind kind() const { return kind_; }

    const std::string& name() const { return name_; }
    void setName(std::string name);
    // A series has no colour until one is set; the view then picks one for it.
    bool hasColor() const { return hasColor_; }
    Color color() const { return color_; }
    void setColor(Color color);
    int penWidth() const { return penWidth_; }
    void setPenWidth(int width);
    bool hasBrushColor() const { return hasBrushColor_; }
    Color brushColor() const { return brushColor_; }
    void setBrushColor(Color color);

    const SeriesPointer& pointer() const { return pointer_; }
    void setPointerColor(Color color);
    void setPointerSize(int horizSize, int vertSize);
    void setPointerVisible(bool visible);

    const SeriesMarks& marks() const { return marks_; }
    void setMarksVisible(bool visible);
    void setMarksStyle(MarkStyle style);
    void setMarksDrawEvery(int n);
    void setMarksArrowLength(int pixels);
    void setMarksAngle(int degrees);
    void setMarksTransparent(bool transparent);
    void setMarksFont(const MarkFont& font);
    // Whether point `index` carries a mark (marks visible and index a multiple of drawEvery).
    bool hasMark(std::size_t index) const;
    // The text of point `index`'s mark, by the marks style.
    std::string markText(std::size_t index) const;

    std::size_t count() const { return xs_.size(); }
    const std::vector<double>& xs() const { return xs_; }
    const std::vector<double>& ys() const { return ys_; }
    // The depth-table row each point was built from, -1 for none.
    const std::vector<int>& rows() const { return rows_; }

    void clear();
    // Inserts after every point of equal or smaller X and returns the new point's index.
    // Appending in ascending X costs constant time.
    std::size_t addXY(double x, double y, int row = -1);
    // Removes point `index`; false (and nothing changes) when there is no such point.
    bool remove(std::size_t index);
    // Gives point `index` a new Y (its X and row stay); false when there is no such point.
    bool setY(std::size_t index, double y);
    void reserve(std::size_t count);

    // Grows by one on every change of the points, so a view copies them only when needed.
    std::uint64_t dataRevision() const { return dataRevision_; }
    // The point whose Y alone changed since `revision`, when that is all that changed: a view
    // then updates one point instead of copying them all.
    std::optional<std::size_t> onlyYChangedSince(std::uint64_t revision) const
    {
        if (lastY_.after == dataRevision_ && lastY_.before == revision)
            return lastY_.index;
        return std::nullopt;
    }

private:
    friend class ChartModel;
    ChartSeries(ChartModel& model, SeriesId id, SeriesKind kind);
    void styleChanged();
    void dataChanged();

    ChartModel* model_;
    SeriesId id_;
    SeriesKind kind_;
    std::string name_;
    bool hasColor_ = false;
    Color color_ = 0;
    int penWidth_ = 1;
    bool hasBrushColor_ = false;
    Color brushColor_ = 0;
    SeriesPointer pointer_;
    SeriesMarks marks_;
    std::vector<double> xs_;
    std::vector<double> ys_;
    std::vector<int> rows_;
    std::uint64_t dataRevision_ = 0;
    struct YChange {
        std::uint64_t before = 0;
        std::uint64_t after = 0; // 0: none (revisions after a change are never 0)
        std::size_t index = 0;
    } lastY_;
};

// One axis' range. Each bound is checked against the other when set on its own.
class ChartAxis {
public:
    double minimum() const { return min_; }
    double maximum() const { return max_; }
    // Error "Axis Minimum Value must be <= Maximum" when above the maximum; equal is fine.
    void setMinimum(double value);
    // Error "Axis Maximum Value must be >= Minimum" when below the minimum.
    void setMaximum(double value);
    // Both bounds at once, as a zoom or a pan gives them (swapped when given reversed).
    void setRange(double minimum, double maximum);

private:
    friend class ChartModel;
    ChartAxis(ChartModel& model, double minimum, double maximum);

    ChartModel* model_;
    double min_;
    double max_;
};

enum class AxisId { Bottom, Left };

// Owns every series of the diagram, attached or not, and the axes; tells listeners of changes.
class ChartModel {
public:
    // The diagram's ranges before the first build sets them.
    static constexpr double kInitialBottomMinimum = 10.2866093296148;
    static constexpr double kInitialBottomMaximum = 13.71339067038513;
    static constexpr double kInitialLeftMinimum = 326.8141505763047;
    static constexpr double kInitialLeftMaximum = 435.6858494236952;

    ChartModel();
    ChartModel(const ChartModel&) = delete;
    ChartModel& operator=(const ChartModel&) = delete;
    ~ChartModel();

    // A new empty series, not attached: it is not drawn until attach().
    SeriesId createSeries(SeriesKind kind);
    // Detaches and frees the series; later use of the id finds nothing.
    void destroySeries(SeriesId id);
    bool exists(SeriesId id) const;
    // The series of `id`; Error when there is none.
    ChartSeries& series(SeriesId id);
    const ChartSeries& series(SeriesId id) const;

    // Attaching an attached series changes nothing; a later attachment is drawn on top.
    void attach(SeriesId id);
    // Attaches at `position` of the drawing order (clamped), as a series restored by an undo
    // goes back under the ones that were above it.
    void attachAt(SeriesId id, std::size_t position);
    // Position of the series in the drawing order, -1 when it is not attached.
    int attachedPosition(SeriesId id) const;
    void detach(SeriesId id);
    bool isAttached(SeriesId id) const;
    // Attached series in drawing order (the first is drawn first, under the others).
    const std::vector<SeriesId>& attached() const { return attached_; }

    ChartAxis& axis(AxisId id) { return id == AxisId::Bottom ? bottom_ : left_; }
    const ChartAxis& axis(AxisId id) const { return id == AxisId::Bottom ? bottom_ : left_; }
    ChartAxis& bottomAxis() { return bottom_; }
    ChartAxis& leftAxis() { return left_; }
    const ChartAxis& bottomAxis() const { return bottom_; }
    const ChartAxis& leftAxis() const { return left_; }

    // Grows by one on every change of anything the view shows.
    std::uint64_t revision() const { return revision_; }
    // `listener` runs after each change; keep it cheap (a view should only note that it must resync).
    [[nodiscard]] Subscription subscribe(std::function<void()> listener)
    {
        return changed_.subscribe(std::move(listener));
    }

private:
    friend class ChartSeries;
    friend class ChartAxis;
    void changed();
    std::vector<std::unique_ptr<ChartSeries>>::const_iterator find(SeriesId id) const;

    std::vector<std::unique_ptr<ChartSeries>> series_; // by ascending id
    std::vector<SeriesId> attached_;
    ChartAxis bottom_;
    ChartAxis left_;
    SeriesId nextId_ = 1;
    std::uint64_t revision_ = 0;
    Signal<> changed_;
};

} // namespace trassel
