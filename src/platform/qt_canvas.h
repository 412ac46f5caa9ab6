#pragma once
// The drawing surface on a Qt image: an RGB32 QImage with one QPainter kept open on it.
#include "platform/canvas.h"
#include "platform/qt_convert.h"

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QStaticText>

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace trassel {

// A bitmap and its canvas drawn with QPainter; the image is saved as a 24-bit picture.
class ImageCanvas final : public Canvas {
public:
    // A white bitmap of the given size (checked against the size limits).
    ImageCanvas(int width, int height);
    ~ImageCanvas() override;

    // The live bitmap: it keeps changing as the canvas draws. Copy it for a snapshot.
    const QImage& image() const { return image_; }

    Picture resourceBitmap(std::string_view name) override;
    Picture grab(int left, int top, int width, int height) const override;

protected:
    void resizeBitmap(int width, int height) override;
    void drawLine(Point from, Point to) override;
    void drawPolygon(std::span<const Point> vertices) override;
    int drawText(int x, int y, std::string_view utf8) override;
    int measureText(std::string_view utf8) override;
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
        QFont font;
        int ascent = 0;
        int height = 0;
        std::unique_ptr<QFontMetrics> metrics;
        std::unordered_map<std::string, CachedText> texts;
    };
    enum class PainterPen { None, Line, Text };

    void beginPainting();
    void endPainting();
    bool painting() const { return painter_ != nullptr; }
    void usePen();
    void useTextPen(const FontEntry& font);
    void useBrush();
    FontEntry& currentFont();
    CachedText& layOut(FontEntry& font, std::string_view utf8);

    QImage image_;
    std::unique_ptr<QPainter> painter_;
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
};

} // namespace trassel
