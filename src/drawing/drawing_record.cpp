#include "drawing/drawing_record.h"

#include <algorithm>
#include <optional>
#include <climits>
#include <cmath>

namespace trassel {
namespace {

// Beyond its measured box a text may reach a little further: underline, glyph overhangs.
constexpr int kTextMargin = 8;
constexpr int kEverywhere = INT_MAX / 2;

int Grow(int v, int by)
{
    return static_cast<int>(std::clamp<long long>(static_cast<long long>(v) + by, -kEverywhere, kEverywhere));
}

} // namespace

Rect Rect::intersected(const Rect& o) const
{
    return {std::max(left, o.left), std::max(top, o.top), std::min(right, o.right), std::min(bottom, o.bottom)};
}

Rect DrawingRecord::bounds(const DrawOp& op) const
{
    const int pen = states_[op.state].pen.width / 2 + 2;
    switch (op.kind) {
    case DrawOpKind::Resize: return {-kEverywhere, -kEverywhere, kEverywhere, kEverywhere};
    case DrawOpKind::Line:
    case DrawOpKind::Polygon:
        return {Grow(std::min(op.a.x, op.b.x), -pen), Grow(std::min(op.a.y, op.b.y), -pen),
                Grow(std::max(op.a.x, op.b.x), pen + 1), Grow(std::max(op.a.y, op.b.y), pen + 1)};
    case DrawOpKind::Text:
        return {Grow(op.a.x, -kTextMargin), Grow(op.a.y, -kTextMargin), Grow(op.b.x, kTextMargin),
                Grow(op.b.y, kTextMargin)};
    case DrawOpKind::Picture:
    case DrawOpKind::FillRect:
    case DrawOpKind::WhiteFill: return {op.a.x, op.a.y, op.b.x, op.b.y};
    }
    return {};
}

void DrawingRecord::setGroupHidden(std::uint32_t group, bool hidden)
{
    const auto it = std::lower_bound(hidden_.begin(), hidden_.end(), group);
    const bool now = it != hidden_.end() && *it == group;
    if (now == hidden)
        return;
    if (hidden)
        hidden_.insert(it, group);
    else
        hidden_.erase(it);
    ++revision_;
}

bool DrawingRecord::groupHidden(std::uint32_t group) const
{
    return group != 0 && std::binary_search(hidden_.begin(), hidden_.end(), group);
}

void DrawingRecord::truncate(std::size_t count, int width, int height)
{
    if (count >= ops_.size()) {
        setSize(width, height);
        return;
    }
    ops_.resize(count);
    // Vertices, texts and pictures past the last kept operation are dropped with it. Vertices
    // and texts are appended in the order of their operations, so the last operation of each
    // tells where its data ends: a search from the end stops there instead of walking the
    // millions of operations of a long section on every cancelled or partial drawing. Pictures
    // are shared by the operations that draw the same glyph: only when the last picture drawn
    // is the newest kept is the search over; otherwise every kept operation is asked.
    std::optional<std::size_t> points;
    std::optional<std::size_t> chars;
    std::optional<std::size_t> pictures;
    for (std::size_t i = ops_.size(); i-- > 0 && !(points && chars && pictures);) {
        const DrawOp& op = ops_[i];
        if (op.kind == DrawOpKind::Polygon && !points)
            points = op.offset + op.count;
        else if (op.kind == DrawOpKind::Text && !chars)
            chars = op.offset + op.count;
        else if (op.kind == DrawOpKind::Picture && !pictures)
            pictures = op.offset + 1;
    }
    if (pictures && *pictures < pictures_.size()) {
        for (const DrawOp& op : ops_)
            if (op.kind == DrawOpKind::Picture)
                pictures = std::max<std::size_t>(*pictures, op.offset + 1);
    }
    points_.resize(points.value_or(0));
    chars_.resize(chars.value_or(0));
    pictures_.resize(pictures.value_or(0));
    setSize(width, height);
    ++revision_;
}

void DrawingRecord::compact()
{
    // Replaying from the start, find the size before each operation and the last white fill
    // that covers the whole bitmap as it is then.
    int w = startWidth_;
    int h = startHeight_;
    std::size_t cut = 0;
    int cutW = w;
    int cutH = h;
    for (std::size_t i = 0; i < ops_.size(); ++i) {
        const DrawOp& op = ops_[i];
        if (op.kind == DrawOpKind::Resize) {
            w = op.a.x;
            h = op.a.y;
        } else if (op.kind == DrawOpKind::WhiteFill && op.group == 0 && op.a.x <= 0 && op.a.y <= 0 && op.b.x >= w &&
                   op.b.y >= h) {
            cut = i + 1;
            cutW = w;
            cutH = h;
        }
    }
    if (cut == 0)
        return;
    // Vertices and texts are stored in the order of their operations, so those of the dropped
    // operations are a prefix of each store and go in one move.
    ops_.erase(ops_.begin(), ops_.begin() + static_cast<std::ptrdiff_t>(cut));
    std::size_t firstPoint = points_.size();
    std::size_t firstChar = chars_.size();
    for (const DrawOp& op : ops_) {
        if (op.kind == DrawOpKind::Polygon)
            firstPoint = std::min<std::size_t>(firstPoint, op.offset);
        if (op.kind == DrawOpKind::Text)
            firstChar = std::min<std::size_t>(firstChar, op.offset);
    }
    points_.erase(points_.begin(), points_.begin() + static_cast<std::ptrdiff_t>(firstPoint));
    chars_.erase(0, firstChar);
    std::vector<Picture> pictures;
    for (DrawOp& op : ops_) {
        if (op.kind == DrawOpKind::Polygon) {
            op.offset -= static_cast<std::uint32_t>(firstPoint);
        } else if (op.kind == DrawOpKind::Text) {
            op.offset -= static_cast<std::uint32_t>(firstChar);
        } else if (op.kind == DrawOpKind::Picture) {
            const Picture& picture = pictures_[op.offset];
            const auto it = std::find_if(pictures.begin(), pictures.end(), [&](const Picture& p) {
                return p.width == picture.width && p.height == picture.height && p.pixels == picture.pixels;
            });
            if (it == pictures.end()) {
                pictures.push_back(picture);
                op.offset = static_cast<std::uint32_t>(pictures.size() - 1);
            } else {
                op.offset = static_cast<std::uint32_t>(it - pictures.begin());
            }
        }
    }
    pictures_ = std::move(pictures);
    startWidth_ = cutW;
    startHeight_ = cutH;
    hidden_.clear();
    ++revision_;
}

std::size_t DrawingRecord::bytes() const
{
    std::size_t n = sizeof(*this) + ops_.capacity() * sizeof(DrawOp) + states_.capacity() * sizeof(DrawState) +
                    points_.capacity() * sizeof(Point) + chars_.capacity();
    for (const Picture& p : pictures_)
        n += sizeof(Picture) + p.pixels.capacity() * sizeof(Color);
    return n;
}

std::uint32_t DrawingRecord::addState(const DrawState& state)
{
    if (!states_.empty() && states_.back() == state)
        return static_cast<std::uint32_t>(states_.size() - 1);
    states_.push_back(state);
    return static_cast<std::uint32_t>(states_.size() - 1);
}

void DrawingRecord::add(const DrawOp& op, std::span<const Point> vertices, std::string_view text)
{
    DrawOp stored = op;
    if (op.kind == DrawOpKind::Polygon) {
        stored.offset = static_cast<std::uint32_t>(points_.size());
        stored.count = static_cast<std::uint32_t>(vertices.size());
        points_.insert(points_.end(), vertices.begin(), vertices.end());
    } else if (op.kind == DrawOpKind::Text) {
        stored.offset = static_cast<std::uint32_t>(chars_.size());
        stored.count = static_cast<std::uint32_t>(text.size());
        chars_.append(text);
    }
    ops_.push_back(stored);
}

std::uint32_t DrawingRecord::addPicture(const Picture& picture)
{
    pictures_.push_back(picture);
    return static_cast<std::uint32_t>(pictures_.size() - 1);
}

RecordingCanvas::RecordingCanvas(DrawingRecord& record, CanvasServices& services)
    : record_(&record), services_(&services)
{
    initSize(record.width(), record.height());
}

Picture RecordingCanvas::resourceBitmap(std::string_view name) { return services_->resourceBitmap(name); }

int RecordingCanvas::measureTextHeight() { return services_->textHeight(font()); }

RecordingCanvas::Snapshot RecordingCanvas::snapshot() const
{
    return {{pen(), brush(), font()}, penPos(), width(), height(), record_->ops().size()};
}

void RecordingCanvas::restore(const Snapshot& snapshot)
{
    record_->truncate(snapshot.ops, snapshot.width, snapshot.height);
    initSize(snapshot.width, snapshot.height);
    setPenWidth(snapshot.state.pen.width);
    setPenColor(snapshot.state.pen.color);
    setPenStyle(snapshot.state.pen.style);
    setBrushColor(snapshot.state.brush.color);
    setBrushStyle(snapshot.state.brush.style);
    setBrushHatch(snapshot.state.brush.hatch);
    setFont(snapshot.state.font);
    moveTo(snapshot.pos.x, snapshot.pos.y);
}

DrawOp RecordingCanvas::op(DrawOpKind kind)
{
    if (pen_ != penVersion() || brush_ != brushVersion() || font_ != fontVersion()) {
        state_ = record_->addState({pen(), brush(), font()});
        pen_ = penVersion();
        brush_ = brushVersion();
        font_ = fontVersion();
    }
    DrawOp o;
    o.kind = kind;
    o.state = state_;
    o.group = group_;
    return o;
}

void RecordingCanvas::resizeBitmap(int width, int height)
{
    DrawOp o = op(DrawOpKind::Resize);
    o.a = {width, height};
    o.b = {this->width(), this->height()};
    record_->add(o);
    record_->setSize(width, height);
}

void RecordingCanvas::drawLine(Point from, Point to)
{
    DrawOp o = op(DrawOpKind::Line);
    o.a = from;
    o.b = to;
    record_->add(o);
}

void RecordingCanvas::drawPolygon(std::span<const Point> vertices)
{
    DrawOp o = op(DrawOpKind::Polygon);
    Point lo{INT_MAX, INT_MAX};
    Point hi{INT_MIN, INT_MIN};
    for (const Point& p : vertices) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y)};
    }
    o.a = lo;
    o.b = hi;
    record_->add(o, vertices);
}

int RecordingCanvas::drawText(int x, int y, std::string_view utf8)
{
    const int w = services_->textWidth(font(), utf8);
    DrawOp o = op(DrawOpKind::Text);
    o.a = {x, y};
    o.b = {Grow(x, w), Grow(y, services_->textHeight(font()))};
    record_->add(o, {}, utf8);
    return w;
}

int RecordingCanvas::measureText(std::string_view utf8) { return services_->textWidth(font(), utf8); }

void RecordingCanvas::drawPicture(int x, int y, const Picture& picture)
{
    DrawOp o = op(DrawOpKind::Picture);
    o.a = {x, y};
    o.b = {Grow(x, picture.width), Grow(y, picture.height)};
    // The same glyph drawn again and again is kept once.
    const bool same = lastPictureIndex_ < record_->pictureCount() && [&] {
        const Picture& last = record_->pictureAt(lastPictureIndex_);
        return last.width == picture.width && last.height == picture.height && last.pixels == picture.pixels;
    }();
    if (!same)
        lastPictureIndex_ = record_->addPicture(picture);
    o.offset = lastPictureIndex_;
    record_->add(o);
}

void RecordingCanvas::fillRectangle(int left, int top, int right, int bottom)
{
    if (brush().style == BrushStyle::Clear)
        return;
    DrawOp o = op(DrawOpKind::FillRect);
    o.a = {left, top};
    o.b = {right, bottom};
    record_->add(o);
}

void RecordingCanvas::fillWhite(int left, int top, int right, int bottom)
{
    DrawOp o = op(DrawOpKind::WhiteFill);
    o.a = {left, top};
    o.b = {right, bottom};
    record_->add(o);
}

void Replay(const DrawingRecord& record, Canvas& target, const Rect& area, std::size_t from, const Progress& progress)
{
    const std::span<const DrawOp> ops = record.ops();
    // What a white fill over the whole bitmap covers is never seen: a drawing made after
    // another one that is not compacted yet (the part of a section drawn first) is replayed
    // without the former one, only its sizes.
    std::size_t cover = 0;
    {
        int w = record.startWidth();
        int h = record.startHeight();
        for (std::size_t i = 0; i < ops.size(); ++i) {
            const DrawOp& op = ops[i];
            if (op.kind == DrawOpKind::Resize) {
                w = op.a.x;
                h = op.a.y;
            } else if (i >= from && op.kind == DrawOpKind::WhiteFill && op.group == 0 && op.a.x <= 0 && op.a.y <= 0 &&
                       op.b.x >= w && op.b.y >= h) {
                cover = i;
            }
        }
    }
    std::uint32_t applied = UINT32_MAX;
    ProgressMeter meter(progress, static_cast<long long>(ops.size() - std::min(from, ops.size())), 0.0, 1.0, 1024);
    for (std::size_t i = from; i < ops.size(); ++i) {
        meter.at(static_cast<long long>(i - from));
        const DrawOp& op = ops[i];
        if (record.groupHidden(op.group) || (i < cover && op.kind != DrawOpKind::Resize))
            continue;
        if (op.kind != DrawOpKind::Resize && !record.bounds(op).intersects(area))
            continue;
        if (op.state != applied) {
            const DrawState& s = record.state(op);
            target.setPenWidth(s.pen.width);
            target.setPenColor(s.pen.color);
            target.setPenStyle(s.pen.style);
            // The colour first: giving a colour to the no-fill brush would make it solid.
            target.setBrushColor(s.brush.color);
            target.setBrushStyle(s.brush.style);
            target.setBrushHatch(s.brush.hatch);
            target.setFont(s.font);
            applied = op.state;
        }
        switch (op.kind) {
        case DrawOpKind::Resize: target.setSize(op.a.x, op.a.y); break;
        case DrawOpKind::Line:
            target.moveTo(op.a.x, op.a.y);
            target.lineTo(op.b.x, op.b.y);
            break;
        case DrawOpKind::Polygon: target.polygon(record.vertices(op)); break;
        case DrawOpKind::Text: target.textOut(op.a.x, op.a.y, record.text(op)); break;
        case DrawOpKind::Picture: target.draw(op.a.x, op.a.y, record.picture(op)); break;
        case DrawOpKind::FillRect: target.fillRect(op.a.x, op.a.y, op.b.x, op.b.y); break;
        case DrawOpKind::WhiteFill: target.whiteFill(op.a.x, op.a.y, op.b.x, op.b.y); break;
        }
    }
    meter.finish();
}

void CollapseOutside(std::span<const Point> vertices, const Rect& keep, std::vector<Point>& out)
{
    out.clear();
    const auto side = [&](const Point& p) {
        if (p.x < keep.left)
            return 1;
        if (p.x >= keep.right)
            return 2;
        if (p.y < keep.top)
            return 3;
        if (p.y >= keep.bottom)
            return 4;
        return 0;
    };
    const std::size_t n = vertices.size();
    std::size_t i = 0;
    while (i < n) {
        const int s = side(vertices[i]);
        out.push_back(vertices[i]);
        if (s == 0) {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j + 1 < n && side(vertices[j + 1]) == s)
            ++j;
        if (j > i)
            out.push_back(vertices[j]);
        i = j + 1;
    }
}

namespace {

// The part [t0, t1] of the segment from p to q (t from 0 to 1) inside the rectangle, by
// clipping against its four sides; false when the segment misses it.
bool ClipSegment(double px, double py, double qx, double qy, const Rect& r, double& t0, double& t1)
{
    t0 = 0.0;
    t1 = 1.0;
    const double dx = qx - px;
    const double dy = qy - py;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {px - r.left, r.right - px, py - r.top, r.bottom - py};
    for (int k = 0; k < 4; ++k) {
        if (p[k] == 0.0) {
            if (q[k] < 0.0)
                return false;
            continue;
        }
        const double t = q[k] / p[k];
        if (p[k] < 0.0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return false;
    }
    return true;
}

} // namespace

void DashPieces(std::span<const Point> path, bool closed, const Rect& area, std::vector<Segment>& out)
{
    out.clear();
    const std::size_t n = path.size();
    if (n < 2)
        return;
    constexpr double period = kDashOn + kDashOff;
    // A piece may touch pixels a little outside its own line.
    const Rect wide{Grow(area.left, -2), Grow(area.top, -2), Grow(area.right, 2), Grow(area.bottom, 2)};
    double travelled = 0.0;
    const std::size_t edges = closed ? n : n - 1;
    for (std::size_t e = 0; e < edges; ++e) {
        const Point& a = path[e];
        const Point& b = path[(e + 1) % n];
        const double dx = static_cast<double>(b.x) - a.x;
        const double dy = static_cast<double>(b.y) - a.y;
        const double len = std::hypot(dx, dy);
        if (len == 0.0)
            continue;
        double t0 = 0.0;
        double t1 = 0.0;
        if (ClipSegment(a.x, a.y, b.x, b.y, wide, t0, t1)) {
            // Dashes that start before the visible part may reach into it.
            const double s0 = travelled + t0 * len;
            const double s1 = travelled + t1 * len;
            for (double k = std::floor(s0 / period); k * period < s1; k += 1.0) {
                const double d0 = std::max(k * period, travelled);
                const double d1 = std::min(k * period + kDashOn, travelled + len);
                if (d1 <= d0)
                    continue;
                const double u0 = (d0 - travelled) / len;
                const double u1 = (d1 - travelled) / len;
                out.push_back({a.x + dx * u0, a.y + dy * u0, a.x + dx * u1, a.y + dy * u1});
            }
        }
        travelled += len;
    }
}

} // namespace trassel
