// The drawing record: what it keeps of each operation, replaying it, hiding annotation
// groups, cutting a cancelled drawing off, compaction, and the geometry that lets a tile draw
// only what it shows.
#include "drawing/drawing_record.h"

#include "support/probe_canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace trassel {
namespace {

using testing::ProbeCanvas;
using Kind = ProbeCanvas::Kind;

// Text metrics like the probe canvas's, so a replay onto it sees the widths the recording saw.
class FixedServices : public CanvasServices {
public:
    int textWidth(const FontState&, std::string_view utf8) override { return ProbeCanvas::widthOf(utf8); }
    int textHeight(const FontState&) override { return ProbeCanvas::kTextHeight; }
    Picture resourceBitmap(std::string_view) override { return {2, 1, {kBlack, kWhite}}; }
};

// A short drawing that uses every operation and changes the state between them.
void DrawSample(Canvas& canvas)
{
    canvas.setSize(300, 200);
    canvas.whiteFill(0, 0, 300, 200);
    canvas.setPenWidth(3);
    canvas.setPenColor(0x0000FF);
    canvas.moveTo(10, 10);
    canvas.lineTo(50, 60);
    canvas.setBrushColor(0x00FF00);
    canvas.setBrushStyle(BrushStyle::Cross);
    const Point triangle[] = {{10, 100}, {90, 120}, {40, 180}};
    canvas.polygon(triangle);
    canvas.setFontSize(11);
    canvas.setFontStyle(true, false);
    canvas.textOut(120, 30, "ПК12+00");
    canvas.draw(200, 40, canvas.resourceBitmap("Bitmap_2"));
    canvas.setBrushStyle(BrushStyle::Clear);
    canvas.setBrushColor(0x123456); // the no-fill brush turns solid
    canvas.fillRect(5, 5, 25, 15);
    canvas.setPenStyle(PenStyle::Dashed);
    canvas.lineTo(250, 150);
}

TEST(DrawingRecord, ReplayGivesTheSameOperationsInTheSameStates)
{
    ProbeCanvas direct(100, 50);
    DrawSample(direct);

    FixedServices services;
    DrawingRecord record(100, 50);
    RecordingCanvas recording(record, services);
    DrawSample(recording);
    EXPECT_EQ(record.width(), 300);
    EXPECT_EQ(record.height(), 200);
    EXPECT_EQ(recording.penPos(), direct.penPos());
    EXPECT_EQ(recording.brush(), direct.brush());

    ProbeCanvas replayed(record.startWidth(), record.startHeight());
    Replay(record, replayed, {0, 0, 1000, 1000});
    ASSERT_EQ(replayed.ops.size(), direct.ops.size());
    for (std::size_t i = 0; i < direct.ops.size(); ++i) {
        const auto& a = direct.ops[i];
        const auto& b = replayed.ops[i];
        EXPECT_EQ(a.kind, b.kind) << i;
        EXPECT_EQ(a.points, b.points) << i;
        EXPECT_EQ(a.text, b.text) << i;
        EXPECT_EQ(a.pen, b.pen) << i;
        EXPECT_EQ(a.brush, b.brush) << i;
        EXPECT_EQ(a.font, b.font) << i;
    }
    EXPECT_EQ(replayed.width(), 300);

    // Operations whose boxes miss the area are left out; a size change never is.
    ProbeCanvas corner(record.startWidth(), record.startHeight());
    Replay(record, corner, {180, 30, 220, 70});
    std::vector<Kind> kinds;
    for (const auto& op : corner.ops)
        kinds.push_back(op.kind);
    EXPECT_EQ(kinds, (std::vector<Kind>{Kind::Resize, Kind::WhiteFill, Kind::Picture, Kind::Line}));
}

TEST(DrawingRecord, HiddenGroupsTruncationAndCompaction)
{
    FixedServices services;
    DrawingRecord record(50, 40);
    RecordingCanvas canvas(record, services);
    canvas.fillRect(0, 0, 10, 10);
    canvas.setGroup(7);
    canvas.textOut(5, 5, "песок");
    canvas.setGroup(0);
    canvas.fillRect(20, 20, 30, 30);
    const std::uint64_t revision = record.revision();

    record.setGroupHidden(7, true);
    EXPECT_NE(record.revision(), revision);
    EXPECT_TRUE(record.groupHidden(7));
    EXPECT_FALSE(record.groupHidden(0));
    ProbeCanvas shown(50, 40);
    Replay(record, shown, {0, 0, 50, 40});
    EXPECT_EQ(shown.of(Kind::Text).size(), 0u);
    EXPECT_EQ(shown.of(Kind::FillRect).size(), 2u);
    record.setGroupHidden(7, false);
    ProbeCanvas again(50, 40);
    Replay(record, again, {0, 0, 50, 40});
    EXPECT_EQ(again.of(Kind::Text).size(), 1u);

    // A cancelled drawing: everything after the snapshot goes, state and size come back.
    const RecordingCanvas::Snapshot snap = canvas.snapshot();
    canvas.setSize(400, 300);
    canvas.setPenWidth(9);
    canvas.textOut(1, 1, "отменено");
    canvas.restore(snap);
    EXPECT_EQ(record.ops().size(), snap.ops);
    EXPECT_EQ(canvas.width(), 50);
    EXPECT_EQ(record.width(), 50);
    EXPECT_EQ(canvas.pen().width, 1);
    ProbeCanvas afterCut(50, 40);
    Replay(record, afterCut, {0, 0, 50, 40});
    EXPECT_EQ(afterCut.of(Kind::Text).size(), 1u);
    EXPECT_EQ(afterCut.of(Kind::Text)[0].text, "песок");

    // Compaction drops what a full white fill covers, and only that.
    canvas.setSize(60, 40);
    canvas.whiteFill(0, 0, 60, 40);
    canvas.textOut(2, 2, "после");
    const Point square[] = {{1, 1}, {9, 1}, {9, 9}};
    canvas.polygon(square);
    const std::size_t before = record.ops().size();
    record.compact();
    EXPECT_EQ(record.ops().size(), 2u);
    EXPECT_LT(record.ops().size(), before);
    EXPECT_EQ(record.startWidth(), 60);
    EXPECT_EQ(record.startHeight(), 40);
    ProbeCanvas compacted(60, 40);
    Replay(record, compacted, {0, 0, 60, 40});
    ASSERT_EQ(compacted.of(Kind::Text).size(), 1u);
    EXPECT_EQ(compacted.of(Kind::Text)[0].text, "после");
    EXPECT_EQ(compacted.of(Kind::Polygon)[0].points, (std::vector<Point>{{1, 1}, {9, 1}, {9, 9}}));
    // A white fill short of the whole bitmap keeps what is before it.
    canvas.whiteFill(0, 0, 59, 40);
    record.compact();
    EXPECT_EQ(record.ops().size(), 3u);
}

// Even-odd inside test of a pixel centre, the rule the fill follows.
bool Inside(const std::vector<Point>& polygon, double x, double y)
{
    bool in = false;
    for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const double xi = polygon[i].x, yi = polygon[i].y, xj = polygon[j].x, yj = polygon[j].y;
        if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi)
            in = !in;
    }
    return in;
}

TEST(DrawingGeometry, CollapsedPolygonKeepsTheInteriorInsideTheKeptRectangle)
{
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> step(-4, 4);
    for (int round = 0; round < 20; ++round) {
        std::vector<Point> polygon{{0, 10}};
        int depth = 30;
        for (int i = 0; i < 600; ++i) {
            depth = std::clamp(depth + step(rng), -5, 80);
            polygon.push_back({i / 3, 10 + depth});
        }
        polygon.push_back({200, 10});
        const Rect keep{60 + round, 15, 110 + round, 70};
        std::vector<Point> collapsed;
        CollapseOutside(polygon, keep, collapsed);
        EXPECT_LT(collapsed.size(), polygon.size() / 2);
        for (int y = keep.top; y < keep.bottom; ++y)
            for (int x = keep.left; x < keep.right; ++x)
                ASSERT_EQ(Inside(collapsed, x + 0.5, y + 0.5), Inside(polygon, x + 0.5, y + 0.5)) << x << "," << y;
    }
    // Vertices inside are kept as they are, in order.
    const std::vector<Point> inside{{1, 1}, {5, 2}, {3, 4}};
    std::vector<Point> out;
    CollapseOutside(inside, {0, 0, 10, 10}, out);
    EXPECT_EQ(out, inside);
}

TEST(DrawingGeometry, DashesFallAlongThePathWhateverPartIsAskedFor)
{
    // A horizontal line: dashes of 4 from every 6 pixels.
    const Point line[] = {{0, 5}, {30, 5}};
    std::vector<Segment> all;
    DashPieces(line, false, {0, 0, 100, 100}, all);
    ASSERT_EQ(all.size(), 5u);
    EXPECT_DOUBLE_EQ(all[0].x1, 0.0);
    EXPECT_DOUBLE_EQ(all[0].x2, 4.0);
    EXPECT_DOUBLE_EQ(all[1].x1, 6.0);
    EXPECT_DOUBLE_EQ(all[4].x2, 28.0);

    // Asking for a part gives the same pieces that reach into it, not pieces restarted there.
    std::vector<Segment> part;
    DashPieces(line, false, {13, 0, 20, 10}, part);
    ASSERT_FALSE(part.empty());
    for (const Segment& s : part) {
        const auto same = std::find_if(all.begin(), all.end(),
                                       [&](const Segment& a) { return a.x1 == s.x1 && a.x2 == s.x2; });
        EXPECT_NE(same, all.end()) << s.x1;
    }

    // The pattern runs on around corners and back to the start of a closed path.
    const Point square[] = {{0, 0}, {5, 0}, {5, 5}, {0, 5}};
    std::vector<Segment> closed;
    DashPieces(square, true, {-10, -10, 20, 20}, closed);
    double drawn = 0;
    for (const Segment& s : closed)
        drawn += std::hypot(s.x2 - s.x1, s.y2 - s.y1);
    EXPECT_NEAR(drawn, 4 + 3 + 1 + 4 + 2, 1e-9); // 20 pixels of path: dashes at 0-4, 6-10, 12-16, 18-20
    std::vector<Segment> none;
    DashPieces(line, false, {0, 50, 100, 60}, none);
    EXPECT_TRUE(none.empty());
}

} // namespace
} // namespace trassel
