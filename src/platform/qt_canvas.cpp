#include "platform/qt_canvas.h"

#include "base/error.h"

#include <QPen>
#include <QPoint>
#include <QRect>
#include <QString>

#include <algorithm>
#include <cstring>

// The resource file is compiled into a static library, so its registration has to be pulled
// in by hand (the macro must be used outside any namespace).
static void InitSectionBitmaps()
{
    Q_INIT_RESOURCE(bitmaps);
}

namespace trassel {
namespace {

constexpr std::size_t kMaxCachedTexts = 16384;

// Points to pixels at 96 dots per inch, rounded as the screen fonts are sized.
int PixelSizeOfPoints(int points)
{
    const long long px = (static_cast<long long>(points) * 96 + 36) / 72;
    return static_cast<int>(std::clamp<long long>(px, 1, 4096));
}

QImage MakeImage(int width, int height, Color fill)
{
    if (width == 0 || height == 0)
        return {};
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        throw Error("Недостаточно памяти для рисунка " + std::to_string(width) + " × " + std::to_string(height) +
                    " пикселей.");
    image.fill(ToQColor(fill));
    return image;
}

} // namespace

ImageCanvas::ImageCanvas(int width, int height)
{
    InitSectionBitmaps();
    CheckBitmapSize(width, height);
    image_ = MakeImage(width, height, kWhite);
    initSize(width, height);
    beginPainting();
}

ImageCanvas::~ImageCanvas()
{
    endPainting();
}

void ImageCanvas::beginPainting()
{
    if (image_.isNull())
        return;
    painter_ = std::make_unique<QPainter>(&image_);
    painter_->setRenderHint(QPainter::Antialiasing, false);
    // Hatches keep the pixels between their lines.
    painter_->setBackgroundMode(Qt::TransparentMode);
    painterPen_ = PainterPen::None;
    appliedBrushVersion_ = ~std::uint64_t{0};
    painterFontSet_ = false;
}

void ImageCanvas::endPainting()
{
    if (painter_) {
        painter_->end();
        painter_.reset();
    }
}

void ImageCanvas::resizeBitmap(int width, int height)
{
    QImage next = MakeImage(width, height, brush().color);
    endPainting();
    const int rows = std::min(height, image_.height());
    const int cols = std::min(width, image_.width());
    if (!next.isNull() && rows > 0 && cols > 0) {
        const auto bytes = static_cast<std::size_t>(cols) * 4;
        for (int y = 0; y < rows; ++y)
            std::memcpy(next.scanLine(y), image_.constScanLine(y), bytes);
    }
    image_ = std::move(next);
    beginPainting();
}

void ImageCanvas::usePen()
{
    if (painterPen_ == PainterPen::Line && appliedPenVersion_ == penVersion())
        return;
    const PenState& state = pen();
    QPen qpen(ToQColor(state.color));
    const int width = std::max(state.width, 0);
    qpen.setWidth(width);
    if (width > 1) {
        // A wide pen draws continuous whatever its style, with round ends and corners.
        qpen.setStyle(Qt::SolidLine);
        qpen.setCapStyle(Qt::RoundCap);
        qpen.setJoinStyle(Qt::RoundJoin);
    } else {
        qpen.setStyle(state.style == PenStyle::Dashed ? Qt::DashLine : Qt::SolidLine);
        // A flat cap leaves the end pixel of a thin line undrawn.
        qpen.setCapStyle(Qt::FlatCap);
        qpen.setJoinStyle(Qt::MiterJoin);
    }
    painter_->setPen(qpen);
    painterPen_ = PainterPen::Line;
    appliedPenVersion_ = penVersion();
}

void ImageCanvas::useTextPen(const FontEntry& font)
{
    if (painterPen_ == PainterPen::Text && appliedTextColor_ == font.state.color)
        return;
    painter_->setPen(ToQColor(font.state.color));
    painterPen_ = PainterPen::Text;
    appliedTextColor_ = font.state.color;
}

void ImageCanvas::useBrush()
{
    if (appliedBrushVersion_ == brushVersion())
        return;
    brush_ = QBrush(ToQColor(brush().color), ToQtBrushStyle(brush().style));
    painter_->setBrush(brush_);
    appliedBrushVersion_ = brushVersion();
}

ImageCanvas::FontEntry& ImageCanvas::currentFont()
{
    if (font_ && fontVersion_ == fontVersion())
        return *font_;
    const FontState& state = font();
    auto it = std::find_if(fonts_.begin(), fonts_.end(), [&](const auto& entry) { return entry->state == state; });
    if (it == fonts_.end()) {
        auto entry = std::make_unique<FontEntry>();
        entry->state = state;
        entry->font = QFont(toQString(state.name));
        entry->font.setPixelSize(PixelSizeOfPoints(state.size));
        entry->font.setBold(state.bold);
        entry->font.setUnderline(state.underline);
        entry->metrics = std::make_unique<QFontMetrics>(entry->font);
        entry->ascent = entry->metrics->ascent();
        entry->height = entry->metrics->height();
        fonts_.push_back(std::move(entry));
        it = std::prev(fonts_.end());
    }
    font_ = it->get();
    fontVersion_ = fontVersion();
    painterFontSet_ = false;
    return *font_;
}

ImageCanvas::CachedText& ImageCanvas::layOut(FontEntry& font, std::string_view utf8)
{
    auto it = font.texts.find(std::string(utf8));
    if (it != font.texts.end())
        return it->second;
    if (font.texts.size() >= kMaxCachedTexts)
        font.texts.clear();
    const QString text = toQString(utf8);
    CachedText cached;
    cached.text.setText(text);
    cached.text.setTextFormat(Qt::PlainText);
    cached.text.prepare(QTransform(), font.font);
    cached.width = font.metrics->horizontalAdvance(text);
    return font.texts.emplace(std::string(utf8), std::move(cached)).first->second;
}

void ImageCanvas::drawLine(Point from, Point to)
{
    if (!painting())
        return;
    usePen();
    painter_->drawLine(from.x, from.y, to.x, to.y);
}

void ImageCanvas::drawPolygon(std::span<const Point> vertices)
{
    if (!painting())
        return;
    usePen();
    useBrush();
    QPolygon polygon(static_cast<qsizetype>(vertices.size()));
    for (std::size_t i = 0; i < vertices.size(); ++i)
        polygon.setPoint(static_cast<int>(i), vertices[i].x, vertices[i].y);
    painter_->drawPolygon(polygon, Qt::OddEvenFill);
}

int ImageCanvas::drawText(int x, int y, std::string_view utf8)
{
    FontEntry& font = currentFont();
    CachedText& text = layOut(font, utf8);
    if (!painting())
        return text.width;
    // Texts wholly off the bitmap (labels below the bottom edge) cost only their measuring.
    const long long right = static_cast<long long>(x) + text.width;
    const long long bottom = static_cast<long long>(y) + font.height;
    if (x >= width() || y >= height() || right <= 0 || bottom <= 0)
        return text.width;
    if (brush().style == BrushStyle::Solid)
        painter_->fillRect(QRect(x, y, text.width, font.height), ToQColor(brush().color));
    if (!painterFontSet_) {
        painter_->setFont(font.font);
        painterFontSet_ = true;
    }
    useTextPen(font);
    painter_->drawStaticText(x, y, text.text);
    return text.width;
}

int ImageCanvas::measureText(std::string_view utf8)
{
    FontEntry& font = currentFont();
    return layOut(font, utf8).width;
}

Picture ImageCanvas::grab(int left, int top, int width, int height) const
{
    const QRect area = QRect(left, top, width, height).intersected(image_.rect());
    Picture picture;
    if (area.isEmpty())
        return picture;
    picture.width = area.width();
    picture.height = area.height();
    picture.pixels.resize(static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height));
    for (int row = 0; row < picture.height; ++row) {
        const auto* line = reinterpret_cast<const QRgb*>(image_.constScanLine(area.top() + row)) + area.left();
        for (int col = 0; col < picture.width; ++col)
            picture.pixels[static_cast<std::size_t>(row) * static_cast<std::size_t>(picture.width) + static_cast<std::size_t>(col)] =
                static_cast<Color>(qRed(line[col])) | (static_cast<Color>(qGreen(line[col])) << 8) |
                (static_cast<Color>(qBlue(line[col])) << 16);
    }
    return picture;
}

void ImageCanvas::drawPicture(int x, int y, const Picture& picture)
{
    if (!painting())
        return;
    QImage image(picture.width, picture.height, QImage::Format_RGB32);
    for (int row = 0; row < picture.height; ++row) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(row));
        for (int col = 0; col < picture.width; ++col) {
            const Color c = picture.pixel(col, row);
            line[col] = qRgb(static_cast<int>(c & 0xFFU), static_cast<int>((c >> 8) & 0xFFU),
                             static_cast<int>((c >> 16) & 0xFFU));
        }
    }
    painter_->drawImage(x, y, image);
}

void ImageCanvas::fillRectangle(int left, int top, int right, int bottom)
{
    if (!painting() || brush().style == BrushStyle::Clear)
        return;
    useBrush();
    painter_->fillRect(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)), brush_);
}

void ImageCanvas::fillWhite(int left, int top, int right, int bottom)
{
    if (!painting())
        return;
    painter_->fillRect(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)), Qt::white);
}

Picture ImageCanvas::resourceBitmap(std::string_view name)
{
    if (auto it = resources_.find(name); it != resources_.end())
        return it->second;
    const QImage loaded(QStringLiteral(":/bitmaps/") + toQString(name) + QStringLiteral(".bmp"));
    if (loaded.isNull())
        throw Error("В ресурсах программы нет рисунка «" + std::string(name) + "».");
    const QImage rgb = loaded.convertToFormat(QImage::Format_RGB32);
    Picture picture;
    picture.width = rgb.width();
    picture.height = rgb.height();
    picture.pixels.reserve(static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height));
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            picture.pixels.push_back(FromQRgb(line[x]));
    }
    return resources_.emplace(std::string(name), std::move(picture)).first->second;
}

} // namespace trassel
