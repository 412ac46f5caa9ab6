#pragma once
// The drawing surfaces on Qt paint devices: a whole bitmap, a tile of a bitmap too wide to
// hold at once, and any vector device (PDF, SVG, printer) through a painter. All of them draw
// a canvas operation the same way, so a tile of a replayed record is pixel for pixel the same
// part of the whole bitmap.
#include "drawing/canvas.h"
#include "drawing/drawing_record.h"
#include "drawing/hatches.h"
#include "platform/qt_convert.h"

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QRegion>
#include <QStaticText>

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace trassel {

// The Qt font of a canvas font: the size in points at 96 dots per inch.
QFont MakeQFont(const FontState& state);
// The program's resource bitmap by name; throws Error when there is none.
Picture LoadResourceBitmap(std::string_view name);

// Text metrics and resources for a recording canvas, measured as the painting canvases draw.
class QtCanvasServices final : public CanvasServices {
public:
    QtCanvasServices();
    ~QtCanvasServices() override;
    int textWidth(const FontState& font, std::string_view utf8) override;
    int textHeight(const FontState& font) override;
    Picture resourceBitmap(std::string_view name) override;

private:
    struct Metrics {
        FontState state;
        std::unique_ptr<QFontMetrics> metrics;
        std::unordered_map<std::string, int> widths;
    };
    Metrics& metricsOf(const FontState& font);

    std::vector<std::unique_ptr<Metrics>> fonts_;
    Metrics* last_ = nullptr;
    std::map<std::string, Picture, std::less<>> resources_;
};

// Drawing through a QPainter in the canvas's own pixel coordinates.
class PainterCanvas : public Canvas {
public:
    ~PainterCanvas() override;
    Picture resourceBitmap(std::string_view name) override;

    // Polygons with more vertices than this are drawn in vertical strips, each with only the
    // vertices near it: Qt's scan conversion slows down much faster than the vertex count.
    static constexpr std::size_t kStripFrom = 1500;
    static constexpr int kStripWidth = 512;
    // Off: every polygon in one call, the straightforward way the strips must equal.
    void setStrips(bool on) { strips_ = on; }
    // The part a vector device will show (a printed page's share of the canvas): polygons are
    // cut down to the vertices that shape them there. Empty: all of them.
    void setInterest(QRect interest) { interest_ = interest; }

protected:
    // `area`: the part of the canvas the device shows, in canvas pixels; `raster`: pixels are
    // what counts (dashes are cut by hand so that every tile cuts them alike), else vectors.
    PainterCanvas(QPainter* painter, QRect area, bool raster);
    void setPainter(QPainter* painter);
    QPainter* painter() const { return painter_; }
    QRect area() const { return area_; }
    void setArea(QRect area) { area_ = area; }
    // Clips to the canvas's bitmap within the device's area; called after every size change.
    virtual void applyClip();
    // Paints the area a size change adds (inside the device's area) in the brush colour.
    void fillAdded(int oldWidth, int oldHeight, int width, int height);

    void drawLine(Point from, Point to) override;
    void drawPolygon(std::span<const Point> vertices) override;
    int drawText(int x, int y, std::string_view utf8) override;
    int measureText(std::string_view utf8) override;
    int measureTextHeight() override;
    void drawPicture(int x, int y, const Picture& picture) override;
    void fillRectangle(int left, int top, int right, int bottom) override;
    void fillWhite(int left, int top, int right, int bottom) override;

private:
    // Laid-out texts of one font, so that the many repeated labels of a section are shaped once.
    struct CachedText {
        QStaticText text;
        int width = 0;
    };
    struct FontEntry {
        FontState state;
        QFont font; // without its underline, which is drawn by hand (below)
        int height = 0;
        int underlineTop = 0; // from the text's top
        int underlineHeight = 0;
        std::unique_ptr<QFontMetrics> metrics;
        std::unordered_map<std::string, CachedText> texts;
    };
    enum class PainterPen { None, Line, Text, Dash };

    void usePen();
    void useDashPen();
    void useTextPen(const FontEntry& font);
    void useBrush();
    bool thinDashed() const { return raster_ && pen().style == PenStyle::Dashed && pen().width <= 1; }
    void drawDashes(std::span<const Point> path, bool closed);
    // A polygon under a soil hatch: the fill colour, the hatch's strokes clipped to the
    // interior, then the outline.
    void drawHatched(std::span<const Point> vertices);
    FontEntry& currentFont();
    CachedText& layOut(FontEntry& font, std::string_view utf8);
    const QImage& imageOf(const Picture& picture);

    QPainter* painter_ = nullptr;
    QRect area_;
    bool raster_ = true;
    bool strips_ = true;
    QRect interest_;
    PainterPen painterPen_ = PainterPen::None;
    std::uint64_t appliedPenVersion_ = ~std::uint64_t{0};
    Color appliedTextColor_ = 0;
    std::uint64_t appliedBrushVersion_ = ~std::uint64_t{0};
    QBrush brush_;
    std::uint64_t fontVersion_ = ~std::uint64_t{0};
    FontEntry* font_ = nullptr;
    bool painterFontSet_ = false;
    std::vector<std::unique_ptr<FontEntry>> fonts_;
    std::map<std::string, Picture, std::less<>> resources_;
    std::vector<std::pair<Picture, QImage>> images_;
    std::vector<Point> strip_;
    std::vector<Segment> dashes_;
    std::vector<QLineF> lines_;
    std::vector<HatchStroke> hatchLines_;
    std::vector<Point> hatchDots_;
};

// A bitmap and its canvas; the image is saved as a 24-bit picture.
class ImageCanvas final : public PainterCanvas {
public:
    // A white bitmap of the given size (checked against the size limits).
    ImageCanvas(int width, int height);
    ~ImageCanvas() override;

    // The live bitmap: it keeps changing as the canvas draws. Copy it for a snapshot.
    const QImage& image() const { return image_; }

protected:
    void resizeBitmap(int width, int height) override;

private:
    void begin();
    void end();

    QImage image_;
    std::unique_ptr<QPainter> own_;
};

// One tile of a bitmap of `width` × `height` canvas pixels: the pixels of `tile` only, drawn
// exactly as the whole bitmap would have them.
class TileCanvas final : public PainterCanvas {
public:
    TileCanvas(int width, int height, QRect tile);
    ~TileCanvas() override;
    const QImage& image() const { return image_; }
    QRect tile() const { return area(); }

protected:
    void resizeBitmap(int width, int height) override;
    void applyClip() override;

private:
    QImage image_;
    std::unique_ptr<QPainter> own_;
};

// Drawing onto a painter the caller has opened on any device (a PDF, an SVG, a printer page),
// with its transform and clip as the caller set them: texts stay texts, hatches patterns.
class VectorCanvas final : public PainterCanvas {
public:
    VectorCanvas(QPainter& painter, int width, int height);
    ~VectorCanvas() override;

protected:
    void resizeBitmap(int width, int height) override;
    void applyClip() override;

private:
    QTransform transform_;
    bool callerClips_ = false;
    QRegion callerClip_;
};

// The record's pixels inside `tile` (canvas pixels), as the whole bitmap would have them.
QImage RenderTile(const DrawingRecord& record, QRect tile);
// Tiles replayed side by side on the processor's cores; each canvas keeps its state, so that
// operations added to the record later can be replayed onto it.
std::vector<std::unique_ptr<TileCanvas>> MakeTiles(const DrawingRecord& record, const std::vector<QRect>& tiles);
// The whole bitmap of the record.
QImage RenderRecord(const DrawingRecord& record, const Progress& progress = {});
// Replays the record through a painter whose transform maps canvas pixels to the device;
// `area` limits what is replayed (canvas pixels), empty for all of it.
void PaintRecord(const DrawingRecord& record, QPainter& painter, QRect area = {}, const Progress& progress = {});

} // namespace trassel
