#pragma once
// A drawing kept as the ordered list of canvas operations that made it, each with the pen,
// brush and font it was drawn with. Replaying the list onto a bitmap canvas gives the pixels
// of drawing directly; replaying it onto other canvases gives vector files, printed pages and
// tiles of pictures too wide for one bitmap. Annotation steps are groups of operations that
// can be hidden and shown again, so undoing one never needs the pixels under it.
#include "base/progress.h"
#include "drawing/canvas.h"

#include <climits>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace trassel {

// A rectangle with its right column and bottom row excluded.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool empty() const { return right <= left || bottom <= top; }
    bool intersects(const Rect& o) const
    {
        return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
    }
    bool contains(const Rect& o) const
    {
        return left <= o.left && top <= o.top && o.right <= right && o.bottom <= bottom;
    }
    Rect intersected(const Rect& o) const;
    bool operator==(const Rect&) const = default;
};

// What a recording canvas needs from the toolkit that will show the drawing: text metrics of
// its fonts and the program's resource bitmaps.
class CanvasServices {
public:
    virtual ~CanvasServices() = default;
    virtual int textWidth(const FontState& font, std::string_view utf8) = 0;
    // Height in pixels of a line of text in the font (the box a text stands on).
    virtual int textHeight(const FontState& font) = 0;
    virtual Picture resourceBitmap(std::string_view name) = 0;
};

enum class DrawOpKind : std::uint8_t { Resize, Line, Polygon, Text, Picture, FillRect, WhiteFill };

struct DrawState {
    PenState pen;
    BrushState brush;
    FontState font;
    bool operator==(const DrawState&) const = default;
};

struct DrawOp {
    DrawOpKind kind = DrawOpKind::Line;
    std::uint32_t state = 0; // index of the pen, brush and font it was drawn with
    std::uint32_t group = 0; // 0 for the drawing itself, one number per annotation step
    // Line: from (a.x, a.y) to (b.x, b.y). FillRect, WhiteFill: left, top, right, bottom.
    // Text, Picture: top-left, and right, bottom of its box. Resize: new width, height, and
    // the size before it in b.
    Point a;
    Point b;
    std::uint32_t offset = 0; // first vertex (Polygon), first byte (Text), picture index
    std::uint32_t count = 0;  // vertices (Polygon), bytes (Text)
};

class DrawingRecord {
public:
    // A record of a white bitmap of this size.
    DrawingRecord(int width = 0, int height = 0)
        : startWidth_(width), startHeight_(height), width_(width), height_(height)
    {
    }

    // The size of the white bitmap the operations start from, and the size they end with.
    int startWidth() const { return startWidth_; }
    int startHeight() const { return startHeight_; }
    int width() const { return width_; }
    int height() const { return height_; }

    std::span<const DrawOp> ops() const { return ops_; }
    const DrawState& state(const DrawOp& op) const { return states_[op.state]; }
    std::span<const Point> vertices(const DrawOp& op) const { return {points_.data() + op.offset, op.count}; }
    std::string_view text(const DrawOp& op) const { return {chars_.data() + op.offset, op.count}; }
    const Picture& picture(const DrawOp& op) const { return pictures_[op.offset]; }
    // The box an operation may paint, for skipping it when a tile lies elsewhere; pen widths
    // and text overhangs are included.
    Rect bounds(const DrawOp& op) const;

    // Hidden groups are skipped on replay: an undone annotation step.
    void setGroupHidden(std::uint32_t group, bool hidden);
    bool groupHidden(std::uint32_t group) const;

    // Moves whenever what a replay paints may have changed in another way than by operations
    // added at the end (a hidden group, a cut, a compaction).
    std::uint64_t revision() const { return revision_; }

    // Removes the operations from `count` on (a cancelled drawing) and restores the size.
    void truncate(std::size_t count, int width, int height);
    // Drops every operation before the last white fill that covers the whole bitmap: they can
    // no longer be seen. Groups among them are gone for good.
    void compact();
    // Memory held, for the budget of the history and the benchmarks.
    std::size_t bytes() const;

    // Appending, used by the recording canvas.
    std::uint32_t addState(const DrawState& state);
    void add(const DrawOp& op, std::span<const Point> vertices = {}, std::string_view text = {});
    std::uint32_t addPicture(const Picture& picture);
    std::uint32_t pictureCount() const { return static_cast<std::uint32_t>(pictures_.size()); }
    const Picture& pictureAt(std::uint32_t index) const { return pictures_[index]; }
    void setSize(int width, int height)
    {
        width_ = width;
        height_ = height;
    }

private:
    int startWidth_;
    int startHeight_;
    int width_;
    int height_;
    std::vector<DrawOp> ops_;
    std::vector<DrawState> states_;
    std::vector<Point> points_;
    std::string chars_;
    std::vector<Picture> pictures_;
    std::vector<std::uint32_t> hidden_; // sorted
    std::uint64_t revision_ = 0;
};

// The canvas the section draws on in the window: it keeps the drawing state like any canvas
// and appends every operation to a record instead of painting pixels.
class RecordingCanvas final : public Canvas {
public:
    RecordingCanvas(DrawingRecord& record, CanvasServices& services);
    // The toolkit that measures text from now on (the section's drawing carries over).
    void setServices(CanvasServices& services) { services_ = &services; }

    DrawingRecord& record() { return *record_; }
    const DrawingRecord& record() const { return *record_; }
    // The group the next operations belong to (0: the drawing itself).
    void setGroup(std::uint32_t group) { group_ = group; }
    std::uint32_t group() const { return group_; }

    Picture resourceBitmap(std::string_view name) override;

    // The whole state of the canvas, to put it back after a cancelled drawing.
    struct Snapshot {
        DrawState state;
        Point pos;
        int width = 0;
        int height = 0;
        std::size_t ops = 0;
    };
    Snapshot snapshot() const;
    void restore(const Snapshot& snapshot);

protected:
    void resizeBitmap(int width, int height) override;
    void drawLine(Point from, Point to) override;
    void drawPolygon(std::span<const Point> vertices) override;
    int drawText(int x, int y, std::string_view utf8) override;
    int measureText(std::string_view utf8) override;
    int measureTextHeight() override;
    void drawPicture(int x, int y, const Picture& picture) override;
    void fillRectangle(int left, int top, int right, int bottom) override;
    void fillWhite(int left, int top, int right, int bottom) override;

private:
    DrawOp op(DrawOpKind kind);

    DrawingRecord* record_;
    CanvasServices* services_;
    std::uint32_t group_ = 0;
    std::uint32_t state_ = 0;
    std::uint64_t pen_ = ~std::uint64_t{0};
    std::uint64_t brush_ = ~std::uint64_t{0};
    std::uint64_t font_ = ~std::uint64_t{0};
    std::uint32_t lastPictureIndex_ = UINT32_MAX;
};

// Replays the operations whose boxes meet `area` onto `target`, which must start with the
// record's start size (and white): the target ends as the record's drawing. Operations from
// `from` on only, for painting what was added since a tile was made. `progress` is told by
// operations and may stop the replay (Cancelled), leaving the target half drawn.
void Replay(const DrawingRecord& record, Canvas& target, const Rect& area, std::size_t from = 0,
            const Progress& progress = {});

// Geometry the toolkit canvases use to draw long outlines quickly and the same in every tile.

// The vertices of a closed polygon that matter inside `keep`: every run of consecutive
// vertices lying wholly on the far side of one edge of `keep` is replaced by its first and
// last vertex. The straight edge that replaces the run stays on that side, so the even-odd
// interior and the outline inside `keep` are those of the whole polygon.
void CollapseOutside(std::span<const Point> vertices, const Rect& keep, std::vector<Point>& out);

// A dashed thin line as its dashes: pieces of 4 pixels drawn and 2 left out, measured along
// the path from its first point, so a dash falls in the same place whatever part of the path
// is painted. `closed` continues the path back to its first point. Only pieces that may touch
// `area` are given.
struct Segment {
    double x1, y1, x2, y2;
};
void DashPieces(std::span<const Point> path, bool closed, const Rect& area, std::vector<Segment>& out);

inline constexpr double kDashOn = 4.0;
inline constexpr double kDashOff = 2.0;

} // namespace trassel
