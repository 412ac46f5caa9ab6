// The radargram scene: the view zoomed around a point and scrolled within the file, the picture
// made again only when what it shows changes, the scales placed by the registration and the
// permittivity, and a file that cannot be read.
#include "base/error.h"
#include "drawing/drawing_record.h"
#include "radargram/radargram_scene.h"
#include "radargram_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace trassel {
namespace {

using M = RadargramMargins;

// Text metrics of a plain face: 6 pixels a glyph, 12 a line at 8 points.
class PlainServices final : public CanvasServices {
public:
    int textWidth(const FontState&, std::string_view utf8) override
    {
        int glyphs = 0;
        for (const char c : utf8)
            glyphs += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
        return glyphs * 6;
    }
    int textHeight(const FontState&) override { return 12; }
    Picture resourceBitmap(std::string_view) override { return {}; }
};

// A survey of 1,000 traces 0.1 m apart (100 m), 64 samples over 50 ns, and a scene of it whose
// picture of the traces is 500 x 128 pixels.
class SceneTest : public ::testing::Test {
protected:
    SceneTest()
    {
        test::DztLayout layout;
        layout.samples = 64;
        layout.traces = 1000;
        layout.range = 50.0f;
        layout.scansPerMetre = 10.0f;
        layout.flagged = {250, 750};
        path = dir.write("line.dzt", test::WriteDzt(layout));
        const auto reader = OpenRadargram(path);
        model = ModelOfFile(path, reader->info(), {}, RadargramDisplay{});
        model.timeZeroNs = 0;
        model.permittivity.eps = {4.0};
        scene.setModel(model);
        scene.setSize(M::kLeft + 500 + M::kRight, M::kTop + 128 + M::kBottom);
    }

    // The texts drawn by the scales, with their top-left corners.
    std::vector<std::pair<std::string, Point>> texts()
    {
        DrawingRecord record(scene.width(), scene.height());
        RecordingCanvas canvas(record, services);
        scene.drawScales(canvas);
        std::vector<std::pair<std::string, Point>> out;
        for (const DrawOp& op : record.ops())
            if (op.kind == DrawOpKind::Text)
                out.emplace_back(std::string(record.text(op)), op.a);
        return out;
    }
    std::optional<Point> textAt(const std::string& text)
    {
        for (const auto& [t, at] : texts())
            if (t == text)
                return at;
        return std::nullopt;
    }

    test::ReaderDir dir;
    std::string path;
    RadargramModel model;
    RadargramScene scene;
    PlainServices services;
};

TEST(RadargramScales, NiceStepsAndPicketTexts)
{
    EXPECT_DOUBLE_EQ(NiceStep(0.3), 0.5);
    EXPECT_DOUBLE_EQ(NiceStep(1.0), 1.0);
    EXPECT_DOUBLE_EQ(NiceStep(1.01), 2.0);
    EXPECT_DOUBLE_EQ(NiceStep(37), 50.0);
    EXPECT_DOUBLE_EQ(NiceStep(0.07), 0.1);
    EXPECT_DOUBLE_EQ(NiceStep(600), 1000.0);
    EXPECT_DOUBLE_EQ(NiceStep(0), 1.0);
    EXPECT_EQ(PicketScaleText(123.45), "ПК123+45");
    EXPECT_EQ(PicketScaleText(123.05), "ПК123+05");
    EXPECT_EQ(PicketScaleText(123), "ПК123");
    EXPECT_EQ(PicketScaleText(123.999), "ПК124");
    EXPECT_EQ(PicketScaleText(0.2), "ПК0+20");

    EXPECT_DOUBLE_EQ(ReadPicketText("123.45"), 123.45);
    EXPECT_DOUBLE_EQ(ReadPicketText(" 123+45 "), 123.45);
    EXPECT_DOUBLE_EQ(ReadPicketText("123+5"), 123.05);
    EXPECT_DOUBLE_EQ(ReadPicketText("123+07.5"), 123.075);
    EXPECT_DOUBLE_EQ(ReadPicketText("-2.5"), -2.5);
    for (const char* bad : {"", "ПК12", "12+100", "12+-3", "-1+20", "1+2+3", "12,5", "nan", "inf", "+"})
        EXPECT_THROW(ReadPicketText(bad), Error) << bad;
}

TEST_F(SceneTest, ANewFileIsShownWholeAndStaysWholeWhenTheSizeChanges)
{
    ASSERT_TRUE(scene.ready()) << scene.fault();
    EXPECT_EQ(scene.view(), (RadargramViewport{0, 2, 0, 0.5}));
    EXPECT_EQ(scene.window(), (RasterWindow{0, 1000, 0, 64, 500, 128}));
    scene.setSize(M::kLeft + 250 + M::kRight, M::kTop + 64 + M::kBottom);
    EXPECT_EQ(scene.view(), (RadargramViewport{0, 4, 0, 1}));
}

TEST_F(SceneTest, ZoomKeepsThePointUnderTheMouseAndScrollStaysInTheFile)
{
    const int x = M::kLeft + 250;
    const int y = M::kTop + 64;
    EXPECT_DOUBLE_EQ(scene.traceAt(x), 500);
    EXPECT_DOUBLE_EQ(scene.sampleAt(y), 32);
    scene.zoomAt(x, y, 2, 2);
    EXPECT_EQ(scene.view(), (RadargramViewport{250, 1, 16, 0.25}));
    EXPECT_DOUBLE_EQ(scene.traceAt(x), 500);
    EXPECT_DOUBLE_EQ(scene.sampleAt(y), 32);
    EXPECT_EQ(scene.window(), (RasterWindow{250, 500, 16, 32, 500, 128}));

    scene.scrollBy(100, -20); // 100 traces on, 5 samples up
    EXPECT_EQ(scene.view(), (RadargramViewport{350, 1, 11, 0.25}));
    scene.scrollBy(10'000, 10'000); // no farther than the file's end
    EXPECT_EQ(scene.view(), (RadargramViewport{500, 1, 32, 0.25}));
    scene.scrollBy(-10'000, -10'000);
    EXPECT_EQ(scene.view(), (RadargramViewport{0, 1, 0, 0.25}));

    // Never closer than 16 pixels a trace, never farther than the whole file.
    scene.zoomAt(M::kLeft, M::kTop, 1000, 1);
    EXPECT_DOUBLE_EQ(scene.view().tracesPerPixel, 1.0 / 16.0);
    scene.zoomAt(x, y, 0.001, 0.001);
    EXPECT_EQ(scene.view(), (RadargramViewport{0, 2, 0, 0.5}));
    // A zoomed view keeps its zoom and first trace when the size changes.
    scene.zoomAt(x, y, 4, 1);
    const RadargramViewport zoomed = scene.view();
    scene.setSize(M::kLeft + 400 + M::kRight, M::kTop + 128 + M::kBottom);
    EXPECT_EQ(scene.view(), zoomed);
}

TEST_F(SceneTest, ThePictureIsMadeAgainOnlyWhenWhatItShowsChanges)
{
    const Picture first = scene.raster();
    EXPECT_EQ(first.width, 500);
    EXPECT_EQ(first.height, 128);
    const std::uint64_t made = scene.rasterRevision();
    scene.raster();
    EXPECT_EQ(scene.rasterRevision(), made);
    // Ties and the permittivity move the scales, not the traces.
    RadargramModel tied = model;
    tied.ties = {{0, 123}, {1000, 124}};
    tied.permittivity.eps = {9.0};
    scene.setModel(tied);
    scene.raster();
    EXPECT_EQ(scene.rasterRevision(), made);
    RadargramModel brighter = tied;
    brighter.display.contrast = 2;
    scene.setModel(brighter);
    const Color before = first.pixel(10, 60);
    const Picture& second = scene.raster();
    EXPECT_EQ(scene.rasterRevision(), made + 1);
    EXPECT_NE(second.pixel(10, 60), before);
    scene.scrollBy(0, 0); // nothing moved
    scene.raster();
    EXPECT_EQ(scene.rasterRevision(), made + 1);
    scene.zoomAt(M::kLeft, M::kTop, 2, 1);
    scene.raster();
    EXPECT_EQ(scene.rasterRevision(), made + 2);
}

TEST_F(SceneTest, ScalesFollowTheRegistrationAndThePermittivity)
{
    // From the header: 0.1 m a trace from 0; 2 traces a pixel make ticks every 20 m.
    ASSERT_TRUE(textAt("ПК0+20"));
    EXPECT_EQ(textAt("ПК0+20")->x, M::kLeft + 100 - 18); // trace 200, a label 36 wide centred
    EXPECT_TRUE(textAt("ПК0+80"));
    EXPECT_FALSE(textAt("ПК0+30"));
    // Tied: trace 0 at picket 123, trace 1000 at picket 124.
    RadargramModel tied = model;
    tied.ties = {{0, 123}, {1000, 124}};
    scene.setModel(tied);
    ASSERT_TRUE(textAt("ПК123+40"));
    EXPECT_EQ(textAt("ПК123+40")->x, M::kLeft + 200 - 24);
    // Against the chainage: the same picket at the other end.
    tied.ties = {{0, 124}, {1000, 123}};
    scene.setModel(tied);
    ASSERT_TRUE(textAt("ПК123+40"));
    EXPECT_EQ(textAt("ПК123+40")->x, M::kLeft + 300 - 24);

    // Time: 50 ns over 128 pixels, ticks every 20 ns; sample 0.78125 ns.
    ASSERT_TRUE(textAt("20"));
    EXPECT_EQ(textAt("40")->y, M::kTop + 102 - 6); // 40 ns is sample 51.2, pixel 102.4
    // Depth at eps 4: 14.99 cm a ns, 100 cm at 13.34 ns (sample 17.08, pixel 34.2).
    ASSERT_TRUE(textAt("100"));
    EXPECT_EQ(textAt("100")->y, M::kTop + 34 - 6);
    tied.permittivity.eps = {9.0}; // 9.99 cm a ns: 100 cm at 20.01 ns, pixel 51.2
    scene.setModel(tied);
    ASSERT_TRUE(textAt("100"));
    EXPECT_EQ(textAt("100")->y, M::kTop + 51 - 6);
    // Time zero moves depth 0 down with it: 10 ns is pixel 25.6.
    tied.timeZeroNs = 10;
    scene.setModel(tied);
    const auto drawn = texts();
    const auto zeros = std::count_if(drawn.begin(), drawn.end(), [](const auto& t) { return t.first == "0"; });
    EXPECT_EQ(zeros, 2); // 0 ns at the top and 0 cm at time zero
    bool depthZeroAtTimeZero = false;
    for (const auto& [text, at] : drawn)
        depthZeroAtTimeZero = depthZeroAtTimeZero || (text == "0" && at.y == M::kTop + 26 - 6 && at.x < 40);
    EXPECT_TRUE(depthZeroAtTimeZero);
}

TEST_F(SceneTest, MarksAndTiesAreStrokesUnderThePicketScale)
{
    RadargramModel tied = model;
    tied.ties = {{500, 3}, {1000, 4}};
    scene.setModel(tied);
    DrawingRecord record(scene.width(), scene.height());
    RecordingCanvas canvas(record, services);
    scene.drawScales(canvas);
    std::vector<std::pair<int, Color>> strokes;
    for (const DrawOp& op : record.ops())
        if (op.kind == DrawOpKind::Line && op.a.y == M::kTop - 7 && op.a.x == op.b.x)
            strokes.emplace_back(op.a.x, record.state(op).pen.color);
    // Marks at traces 250 and 750 in red, the tie of trace 500 in blue; trace 1000 lies past
    // the last pixel.
    EXPECT_EQ(strokes, (std::vector<std::pair<int, Color>>{{M::kLeft + 125, 0x0000C0},
                                                           {M::kLeft + 375, 0x0000C0},
                                                           {M::kLeft + 250, 0xC06000}}));
}

TEST_F(SceneTest, AFileThatCannotBeReadLeavesTheSceneEmptyWithTheReadersMessage)
{
    RadargramModel gone = model;
    auto file = std::make_shared<RadargramFile>(*model.file);
    file->path = dir.file("missing.dzt");
    gone.file = file;
    scene.setModel(gone);
    EXPECT_FALSE(scene.ready());
    EXPECT_NE(scene.fault().find("missing.dzt"), std::string::npos) << scene.fault();
    EXPECT_EQ(scene.raster().width, 0);
    ASSERT_TRUE(textAt(scene.fault()));
    // A display change of the same model keeps the message; the readable file comes back.
    gone.display.contrast = 3;
    scene.setModel(gone);
    EXPECT_FALSE(scene.fault().empty());
    scene.setModel(model);
    EXPECT_TRUE(scene.ready());
    EXPECT_TRUE(scene.fault().empty());
    // A channel the file lacks.
    RadargramModel second = model;
    second.channel = 1;
    scene.setModel(second);
    EXPECT_FALSE(scene.ready());
    EXPECT_NE(scene.fault().find("нет канала 2"), std::string::npos) << scene.fault();
    scene.setModel(model);
    EXPECT_TRUE(scene.ready()) << scene.fault();
    // No file: nothing, and no message.
    scene.setModel(RadargramModel{});
    EXPECT_FALSE(scene.ready());
    EXPECT_TRUE(scene.fault().empty());
}

} // namespace
} // namespace trassel
