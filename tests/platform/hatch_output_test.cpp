// Soil hatches on the Qt canvases: a hatched section stays vector in SVG and PDF (strokes, no
// embedded bitmap), its tiles are the whole bitmap's pixels, and the eight plain fills draw
// exactly the pixels they drew before hatches existed.
#include "drawing/hatches.h"
#include "platform/image_export.h"
#include "platform/qt_canvas.h"

#include "support/qt_app.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace trassel {
namespace {

[[maybe_unused]] auto* const kApp = ::testing::AddGlobalTestEnvironment(new testing::QtAppEnvironment<QGuiApplication>);

// A band like a layer's: an irregular polygon across the picture.
void DrawBand(Canvas& canvas, int ordinal, bool byOrdinal)
{
    canvas.setSize(400, 200);
    canvas.whiteFill(0, 0, 400, 200);
    canvas.setPenWidth(2);
    canvas.setPenColor(0x0000FF);
    canvas.setBrushColor(0x80C0E0);
    if (byOrdinal)
        canvas.setBrushOrdinal(ordinal);
    else
        canvas.setBrushStyle(BrushStyleFromOrdinal(ordinal));
    const Point band[] = {{10, 30}, {120, 20}, {250, 45}, {390, 25}, {390, 170}, {200, 150}, {10, 180}};
    canvas.polygon(band);
}

DrawingRecord Record(int ordinal, bool byOrdinal, QtCanvasServices& services)
{
    DrawingRecord record(400, 200);
    RecordingCanvas canvas(record, services);
    DrawBand(canvas, ordinal, byOrdinal);
    return record;
}

QByteArray Read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(HatchOutput, PlainFillsKeepTheirPixelsAndHatchesTheirTiles)
{
    QtCanvasServices services;
    for (int ordinal = 0; ordinal < 8; ++ordinal) {
        // Through the ordinal (the way a layer now sets its fill) and through the style alone.
        ImageCanvas a(400, 200);
        DrawBand(a, ordinal, true);
        ImageCanvas b(400, 200);
        DrawBand(b, ordinal, false);
        EXPECT_TRUE(a.image() == b.image()) << ordinal;
        EXPECT_TRUE(RenderRecord(Record(ordinal, true, services)) == b.image()) << ordinal;
    }
    for (int ordinal = kFirstHatchOrdinal; ordinal < FillOrdinalCount(); ++ordinal) {
        SCOPED_TRACE(HatchName(ordinal));
        const DrawingRecord record = Record(ordinal, true, services);
        const QImage whole = RenderRecord(record);
        // Black strokes over the fill colour inside (a 100 x 40 block holds several tiles);
        // outside stays white.
        int black = 0;
        int fill = 0;
        for (int y = 80; y < 120; ++y)
            for (int x = 150; x < 250; ++x) {
                black += (whole.pixel(x, y) & 0xFFFFFF) == 0 ? 1 : 0;
                fill += (whole.pixel(x, y) & 0xFFFFFF) == (qRgb(0xE0, 0xC0, 0x80) & 0xFFFFFF) ? 1 : 0;
            }
        EXPECT_GT(black, 20);
        EXPECT_GT(fill, 2000);
        EXPECT_EQ(whole.pixel(5, 5), qRgb(255, 255, 255));
        for (const QRect& tile : {QRect(0, 0, 137, 200), QRect(137, 13, 151, 101), QRect(301, 0, 99, 200)})
            EXPECT_TRUE(RenderTile(record, tile) == whole.copy(tile)) << tile.x() << "," << tile.y();
    }
}

TEST(HatchOutput, AHatchIsVectorInSvgAndPdf)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QtCanvasServices services;
    const DrawingRecord hatched = Record(kFirstHatchOrdinal + 4, true, services); // gravel: rings of strokes
    const QString svg = dir.filePath(QStringLiteral("h.svg"));
    ExportSectionRecord(hatched, svg);
    const QByteArray text = Read(svg);
    ASSERT_FALSE(text.isEmpty());
    EXPECT_FALSE(text.contains("<image"));
    // The fill, the outline and the hatch's strokes are paths; the strokes make many of them.
    const QByteArray plainText = [&] {
        const QString plain = dir.filePath(QStringLiteral("p.svg"));
        ExportSectionRecord(Record(0, true, services), plain);
        return Read(plain);
    }();
    EXPECT_GT(text.count("<path") + text.count("<polyline"),
              plainText.count("<path") + plainText.count("<polyline") + 10);

    const QString pdf = dir.filePath(QStringLiteral("h.pdf"));
    ExportSectionRecord(hatched, pdf);
    const QByteArray bytes = Read(pdf);
    ASSERT_TRUE(bytes.startsWith("%PDF"));
    EXPECT_FALSE(bytes.contains("/Subtype /Image"));
}

} // namespace
} // namespace trassel
