// Pixels drawn by the Qt canvas: the effects the section drawing counts on.
#include "platform/qt_canvas.h"

#include "base/error.h"
#include "support/qt_app.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <functional>
#include <utility>

namespace trassel {
namespace {

[[maybe_unused]] auto* const kApp = ::testing::AddGlobalTestEnvironment(new testing::QtAppEnvironment<QGuiApplication>);

constexpr Color kGreen = 0x00FF00;
constexpr Color kRed = 0x0000FF;
constexpr Color kBlue = 0xFF0000;

Color At(const ImageCanvas& canvas, int x, int y) { return FromQRgb(canvas.image().pixel(x, y)); }

void Paint(ImageCanvas& canvas, Color color)
{
    canvas.setBrushStyle(BrushStyle::Solid);
    canvas.setBrushColor(color);
    canvas.fillRect(0, 0, canvas.width(), canvas.height());
}

int Count(const ImageCanvas& canvas, int left, int top, int right, int bottom, const std::function<bool(Color)>& pred)
{
    int n = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            n += pred(At(canvas, x, y)) ? 1 : 0;
    return n;
}

using Pattern = std::function<bool(int x, int y, int c1, int c2)>;

// True when the red pixels of the square [8, 32) are exactly the pattern for some pair of offsets.
bool RedIsPattern(const ImageCanvas& canvas, const Pattern& pattern)
{
    for (int c1 = 0; c1 < 8; ++c1)
        for (int c2 = 0; c2 < 8; ++c2) {
            bool all = true;
            for (int y = 8; y < 32 && all; ++y)
                for (int x = 8; x < 32 && all; ++x)
                    all = (At(canvas, x, y) == kRed) == pattern(x, y, c1, c2);
            if (all)
                return true;
        }
    return false;
}

int Mod8(int v) { return ((v % 8) + 8) % 8; }

TEST(ImageCanvas, HatchesDrawTheirLinesInTheBrushColourOverTheKeptBackground)
{
    const std::vector<std::pair<BrushStyle, Pattern>> styles = {
        {BrushStyle::Solid, [](int, int, int, int) { return true; }},
        {BrushStyle::Clear, [](int, int, int, int) { return false; }},
        {BrushStyle::Horizontal, [](int, int y, int c, int) { return Mod8(y) == c; }},
        {BrushStyle::Vertical, [](int x, int, int c, int) { return Mod8(x) == c; }},
        // Falling from the upper left to the lower right: x and y grow together.
        {BrushStyle::FDiagonal, [](int x, int y, int c, int) { return Mod8(x - y) == c; }},
        {BrushStyle::BDiagonal, [](int x, int y, int c, int) { return Mod8(x + y) == c; }},
        {BrushStyle::Cross, [](int x, int y, int c1, int c2) { return Mod8(y) == c1 || Mod8(x) == c2; }},
        {BrushStyle::DiagCross, [](int x, int y, int c1, int c2) { return Mod8(x - y) == c1 || Mod8(x + y) == c2; }},
    };
    for (const auto& [style, pattern] : styles) {
        SCOPED_TRACE(static_cast<int>(style));
        ImageCanvas canvas(40, 40);
        Paint(canvas, kGreen);
        canvas.setPenColor(kRed);
        canvas.setBrushColor(kRed);
        canvas.setBrushStyle(style);
        const std::vector<Point> square = {{4, 4}, {36, 4}, {36, 36}, {4, 36}};
        canvas.polygon(square);
        EXPECT_EQ(Count(canvas, 8, 8, 32, 32, [](Color c) { return c != kRed && c != kGreen; }), 0);
        EXPECT_TRUE(RedIsPattern(canvas, pattern));
        // The outline is drawn with the pen whatever the fill.
        EXPECT_EQ(At(canvas, 20, 4), kRed);

        // A rectangle fill uses the same brush.
        ImageCanvas rect(40, 40);
        Paint(rect, kGreen);
        rect.setBrushColor(kRed);
        rect.setBrushStyle(style);
        rect.fillRect(0, 0, 40, 40);
        EXPECT_TRUE(RedIsPattern(rect, pattern));
    }
}

TEST(ImageCanvas, PolygonInteriorFollowsTheEvenOddRule)
{
    ImageCanvas canvas(50, 50);
    canvas.setBrushColor(kBlue);
    canvas.setPenColor(kBlue);
    // An outer and an inner square traced the same way round: the inner one is a hole.
    const std::vector<Point> frame = {{0, 0},   {40, 0},  {40, 40}, {0, 40},  {0, 0},
                                      {10, 10}, {30, 10}, {30, 30}, {10, 30}, {10, 10}};
    canvas.polygon(frame);
    EXPECT_EQ(At(canvas, 5, 20), kBlue);
    EXPECT_EQ(At(canvas, 20, 20), kWhite);
    EXPECT_EQ(At(canvas, 45, 45), kWhite);
}

TEST(ImageCanvas, FillRectLeavesItsRightColumnAndBottomRow)
{
    ImageCanvas canvas(30, 30);
    canvas.setBrushColor(kBlue);
    canvas.fillRect(10, 10, 20, 15);
    EXPECT_EQ(At(canvas, 10, 10), kBlue);
    EXPECT_EQ(At(canvas, 19, 14), kBlue);
    EXPECT_EQ(At(canvas, 20, 14), kWhite);
    EXPECT_EQ(At(canvas, 19, 15), kWhite);
    EXPECT_EQ(At(canvas, 9, 10), kWhite);
    EXPECT_EQ(At(canvas, 10, 9), kWhite);
    EXPECT_EQ(Count(canvas, 0, 0, 30, 30, [](Color c) { return c == kBlue; }), 50);

    // The white fill ignores a hatched or empty brush.
    canvas.setBrushStyle(BrushStyle::DiagCross);
    canvas.whiteFill(0, 0, 30, 30);
    EXPECT_EQ(Count(canvas, 0, 0, 30, 30, [](Color c) { return c != kWhite; }), 0);
}

TEST(ImageCanvas, ThinLinesLeaveTheirEndPixelAndWideDashedLinesAreContinuous)
{
    ImageCanvas canvas(100, 60);
    canvas.moveTo(10, 10);
    canvas.lineTo(20, 10);
    EXPECT_EQ(At(canvas, 10, 10), kBlack);
    EXPECT_EQ(At(canvas, 19, 10), kBlack);
    EXPECT_EQ(At(canvas, 20, 10), kWhite);
    canvas.lineTo(20, 30);
    EXPECT_EQ(At(canvas, 20, 29), kBlack);
    EXPECT_EQ(At(canvas, 20, 30), kWhite);

    canvas.setPenStyle(PenStyle::Dashed);
    canvas.setPenColor(kBlue);
    canvas.setPenWidth(3);
    canvas.moveTo(10, 40);
    canvas.lineTo(90, 40);
    for (int y = 39; y <= 41; ++y)
        EXPECT_EQ(Count(canvas, 12, y, 89, y + 1, [](Color c) { return c != kBlue; }), 0) << "gap in row " << y;

    canvas.setPenWidth(1);
    canvas.moveTo(10, 50);
    canvas.lineTo(90, 50);
    const int gaps = Count(canvas, 10, 50, 90, 51, [](Color c) { return c == kWhite; });
    EXPECT_GT(gaps, 5);
    EXPECT_LT(gaps, 60);
}

TEST(ImageCanvas, TextStandsOnABoxOnlyUnderASolidBrush)
{
    const auto dark = [](Color c) {
        return (c & 0xFFU) < 0x80 && ((c >> 8) & 0xFFU) < 0x80 && ((c >> 16) & 0xFFU) < 0x80;
    };
    const auto green = [](Color c) { return c == kGreen; };
    const std::string text = "Песок 50";

    for (BrushStyle style : {BrushStyle::Solid, BrushStyle::Horizontal, BrushStyle::Clear}) {
        SCOPED_TRACE(static_cast<int>(style));
        ImageCanvas canvas(160, 60);
        Paint(canvas, kGreen);
        canvas.setFontSize(10);
        canvas.setBrushColor(kWhite);
        canvas.setBrushStyle(style);
        canvas.textOut(10, 20, text);
        const int width = canvas.textWidth(text);
        EXPECT_EQ(canvas.penPos(), (Point{10 + width, 20}));
        EXPECT_GT(width, 30);

        // The ink starts at the given top-left corner and stays within the box.
        EXPECT_GT(Count(canvas, 10, 20, 10 + width, 38, dark), 20);
        EXPECT_EQ(Count(canvas, 0, 0, 160, 20, dark), 0);
        EXPECT_EQ(Count(canvas, 0, 0, 10, 60, dark), 0);
        EXPECT_EQ(Count(canvas, 0, 40, 160, 60, dark), 0);
        EXPECT_EQ(At(canvas, 9, 25), kGreen);
        EXPECT_EQ(At(canvas, 10 + width + 1, 25), kGreen);

        const int greenInBox = Count(canvas, 10, 20, 10 + width, 20 + 13, green);
        if (style == BrushStyle::Solid)
            EXPECT_EQ(greenInBox, 0);
        else
            EXPECT_GT(greenInBox, width * 13 / 2);
    }
}

TEST(ImageCanvas, FontSizeAndStyleChangeTheText)
{
    ImageCanvas canvas(10, 10);
    canvas.setFontSize(7);
    const int small = canvas.textWidth("1050см");
    canvas.setFontSize(10);
    const int large = canvas.textWidth("1050см");
    canvas.setFontStyle(true, true);
    const int bold = canvas.textWidth("1050см");
    EXPECT_LT(small, large);
    EXPECT_LE(large, bold);
    canvas.setFontStyle(false, false);
    EXPECT_EQ(canvas.textWidth("1050см"), large);
    EXPECT_EQ(canvas.textWidth(""), 0);
}

TEST(ImageCanvas, PicketGlyphIsDrawnPixelForPixelWhiteIncluded)
{
    constexpr Color W = kWhite;
    constexpr Color K = kBlack;
    constexpr Color G = kGray;
    constexpr Color S = kSilver;
    std::vector<std::vector<Color>> rows = {
        {W, G, K, K, K, K, S, W}, {W, G, G, G, G, G, G, W}, {W, W, W, W, W, W, W, W}, {W, W, W, W, W, W, W, W},
        {W, W, W, W, K, W, W, W}, {W, W, W, W, K, W, W, W}, {W, W, W, W, S, W, W, W}, {W, W, W, W, W, W, W, W},
    };
    for (int i = 8; i <= 22; ++i)
        rows.push_back({W, K, K, K, K, K, K, W});
    rows.push_back({W, G, G, G, G, G, G, W});
    rows.push_back({W, W, W, W, W, W, W, W});

    ImageCanvas canvas(20, 40);
    Paint(canvas, kGreen);
    const Picture glyph = canvas.resourceBitmap("Bitmap_2");
    ASSERT_EQ(glyph.width, 8);
    ASSERT_EQ(glyph.height, 25);
    canvas.draw(3, 4, glyph);
    for (int y = 0; y < 25; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(At(canvas, 3 + x, 4 + y), rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)])
                << "pixel " << x << "," << y;
    EXPECT_EQ(At(canvas, 2, 4), kGreen);
    EXPECT_EQ(At(canvas, 11, 4), kGreen);
    EXPECT_EQ(At(canvas, 3, 29), kGreen);

    EXPECT_THROW(canvas.resourceBitmap("Bitmap_9"), Error);
}

TEST(ImageCanvas, ResizeKeepsTheSharedPixelsAndFillsTheRestWithTheBrushColour)
{
    ImageCanvas canvas(20, 10);
    Paint(canvas, kBlack);
    canvas.setBrushColor(kBlue);
    canvas.setSize(30, 15);
    EXPECT_EQ(canvas.image().size(), QSize(30, 15));
    EXPECT_EQ(At(canvas, 19, 9), kBlack);
    EXPECT_EQ(At(canvas, 20, 9), kBlue);
    EXPECT_EQ(At(canvas, 0, 10), kBlue);
    EXPECT_EQ(At(canvas, 29, 14), kBlue);

    canvas.setSize(10, 5);
    canvas.setBrushColor(kRed);
    canvas.setSize(20, 10);
    EXPECT_EQ(At(canvas, 9, 4), kBlack);
    EXPECT_EQ(At(canvas, 10, 4), kRed);
    EXPECT_EQ(At(canvas, 9, 5), kRed);

    // Refused sizes change nothing, and the canvas goes on drawing.
    EXPECT_THROW(canvas.setSize(2'000'000, 10), Error);
    EXPECT_EQ(canvas.image().size(), QSize(20, 10));
    EXPECT_EQ(At(canvas, 0, 0), kBlack);

    // A bitmap with no area takes drawing calls harmlessly and grows back.
    canvas.setSize(0, 10);
    EXPECT_TRUE(canvas.image().isNull());
    canvas.moveTo(0, 0);
    canvas.lineTo(5, 5);
    canvas.textOut(0, 0, "ПК1+00");
    canvas.fillRect(0, 0, 5, 5);
    canvas.setSize(4, 4);
    EXPECT_EQ(At(canvas, 3, 3), kRed);
}

TEST(ImageCanvas, FarOffCoordinatesAreClipped)
{
    ImageCanvas canvas(80000, 20);
    canvas.setBrushColor(kBlue);
    const std::vector<Point> band = {{-8'388'607, 0}, {79990, 0}, {79990, 10}, {8'388'607, 19}};
    canvas.polygon(band);
    EXPECT_EQ(At(canvas, 79980, 5), kBlue);
    EXPECT_EQ(At(canvas, 100, 1), kBlue);
    canvas.textOut(79995, 2, "+50");
    canvas.textOut(10, 500, "+50");
    canvas.moveTo(79000, 10);
    canvas.lineTo(79000, 19);
    EXPECT_EQ(At(canvas, 79000, 15), kBlack);
}

// The ink box of a label drawn through a painter scaled by (sx, sy), in device pixels.
QRect InkOfLabel(double sx, double sy)
{
    QImage image(600, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setTransform(QTransform::fromScale(sx, sy));
    {
        VectorCanvas canvas(painter, 200, 100);
        canvas.setFontSize(10);
        canvas.setBrushStyle(BrushStyle::Clear);
        canvas.textOut(10, 20, "Песок 50");
    }
    painter.end();
    QRect ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                ink |= QRect(x, y, 1, 1);
    return ink;
}

TEST(VectorCanvas, LabelsKeepTheirProportionsOnASheetScaledUnequally)
{
    const QRect plain = InkOfLabel(2.0, 2.0);
    ASSERT_FALSE(plain.isEmpty());
    const double aspect = static_cast<double>(plain.width()) / plain.height();
    for (const auto& [sx, sy] : {std::pair{6.0, 2.0}, std::pair{2.0, 5.0}}) {
        SCOPED_TRACE(sx / sy);
        const QRect ink = InkOfLabel(sx, sy);
        ASSERT_FALSE(ink.isEmpty());
        EXPECT_NEAR(static_cast<double>(ink.width()) / ink.height(), aspect, aspect * 0.15);
        // Drawn at the smaller scale from the label's own corner: as large as the plain one.
        EXPECT_NEAR(ink.height(), plain.height(), 2);
        EXPECT_NEAR(ink.left(), 10 * sx + (plain.left() - 20), 2);
        EXPECT_NEAR(ink.top(), 20 * sy + (plain.top() - 40), 2);
    }
}

} // namespace
} // namespace trassel
