#include "platform/qt_canvas.h"

#include "base/error.h"

#include <QLineF>
#include <QPen>
#include <QPoint>
#include <QPainterPath>
#include <QPolygon>
#include <QPolygonF>
#include <QRect>
#include <QString>

#include <algorithm>
#include <cmath>
#include <atomic>
#include <climits>
#include <exception>
#include <thread>
#include <cstring>

// The resource file is compiled into a static library, so its registration has to be pulled
// in by hand (the macro must be used outside any namespace).
static void InitSectionBitmaps() { Q_INIT_RESOURCE(bitmaps); }

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

QImage ToQImage(const Picture& picture)
{
    QImage image(picture.width, picture.height, QImage::Format_RGB32);
    for (int row = 0; row < picture.height; ++row) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(row));
        for (int col = 0; col < picture.width; ++col) {
            const Color c = picture.pixel(col, row);
            line[col] = qRgb(static_cast<int>(c & 0xFFU), static_cast<int>((c >> 8) & 0xFFU),
                             static_cast<int>((c >> 16) & 0xFFU));
        }
    }
    return image;
}

bool SamePicture(const Picture& a, const Picture& b)
{
    return a.width == b.width && a.height == b.height && a.pixels == b.pixels;
}

Rect ToRect(const QRect& r) { return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

} // namespace

QFont MakeQFont(const FontState& state)
{
    QFont font(toQString(state.name));
    font.setPixelSize(PixelSizeOfPoints(state.size));
    font.setBold(state.bold);
    font.setUnderline(state.underline);
#ifdef _WIN32
    // Hinted as Debian's fontconfig hints by default (slightly: vertically only), not fully as
    // Windows would, so that a section is the same picture on both systems.
    font.setHintingPreference(QFont::PreferVerticalHinting);
#endif
    return font;
}

Picture LoadResourceBitmap(std::string_view name)
{
    InitSectionBitmaps();
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
    return picture;
}

// ---- text metrics for the recording canvas ----

QtCanvasServices::QtCanvasServices() = default;
QtCanvasServices::~QtCanvasServices() = default;

QtCanvasServices::Metrics& QtCanvasServices::metricsOf(const FontState& font)
{
    if (last_ != nullptr && last_->state == font)
        return *last_;
    auto it = std::find_if(fonts_.begin(), fonts_.end(), [&](const auto& m) { return m->state == font; });
    if (it == fonts_.end()) {
        auto m = std::make_unique<Metrics>();
        m->state = font;
        m->metrics = std::make_unique<QFontMetrics>(MakeQFont(font));
        fonts_.push_back(std::move(m));
        it = std::prev(fonts_.end());
    }
    last_ = it->get();
    return *last_;
}

int QtCanvasServices::textWidth(const FontState& font, std::string_view utf8)
{
    Metrics& m = metricsOf(font);
    auto it = m.widths.find(std::string(utf8));
    if (it != m.widths.end())
        return it->second;
    if (m.widths.size() >= kMaxCachedTexts)
        m.widths.clear();
    const int w = m.metrics->horizontalAdvance(toQString(utf8));
    m.widths.emplace(std::string(utf8), w);
    return w;
}

int QtCanvasServices::textHeight(const FontState& font) { return metricsOf(font).metrics->height(); }

Picture QtCanvasServices::resourceBitmap(std::string_view name)
{
    if (auto it = resources_.find(name); it != resources_.end())
        return it->second;
    return resources_.emplace(std::string(name), LoadResourceBitmap(name)).first->second;
}

// ---- drawing through a painter ----

PainterCanvas::PainterCanvas(QPainter* painter, QRect area, bool raster) : area_(area), raster_(raster)
{
    setPainter(painter);
}

PainterCanvas::~PainterCanvas() = default;

void PainterCanvas::setPainter(QPainter* painter)
{
    painter_ = painter;
    painterPen_ = PainterPen::None;
    appliedBrushVersion_ = ~std::uint64_t{0};
    painterFontSet_ = false;
    if (painter_ == nullptr)
        return;
    painter_->setRenderHint(QPainter::Antialiasing, false);
    // Hatches keep the pixels between their lines.
    painter_->setBackgroundMode(Qt::TransparentMode);
}

void PainterCanvas::applyClip() { }

void PainterCanvas::fillAdded(int oldWidth, int oldHeight, int width, int height)
{
    if (painter_ == nullptr)
        return;
    const QColor colour = ToQColor(brush().color);
    if (width > oldWidth)
        painter_->fillRect(QRect(oldWidth, 0, width - oldWidth, height), colour);
    if (height > oldHeight)
        painter_->fillRect(QRect(0, oldHeight, std::min(oldWidth, width), height - oldHeight), colour);
}

Picture PainterCanvas::resourceBitmap(std::string_view name)
{
    if (auto it = resources_.find(name); it != resources_.end())
        return it->second;
    return resources_.emplace(std::string(name), LoadResourceBitmap(name)).first->second;
}

void PainterCanvas::usePen()
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

void PainterCanvas::useDashPen()
{
    if (painterPen_ == PainterPen::Dash && appliedPenVersion_ == penVersion())
        return;
    QPen qpen(ToQColor(pen().color));
    qpen.setWidth(std::max(pen().width, 0));
    qpen.setStyle(Qt::SolidLine);
    qpen.setCapStyle(Qt::FlatCap);
    painter_->setPen(qpen);
    painterPen_ = PainterPen::Dash;
    appliedPenVersion_ = penVersion();
}

void PainterCanvas::useTextPen(const FontEntry& font)
{
    if (painterPen_ == PainterPen::Text && appliedTextColor_ == font.state.color)
        return;
    painter_->setPen(ToQColor(font.state.color));
    painterPen_ = PainterPen::Text;
    appliedTextColor_ = font.state.color;
}

void PainterCanvas::useBrush()
{
    if (appliedBrushVersion_ == brushVersion())
        return;
    brush_ = QBrush(ToQColor(brush().color), ToQtBrushStyle(brush().style));
    painter_->setBrush(brush_);
    appliedBrushVersion_ = brushVersion();
}

PainterCanvas::FontEntry& PainterCanvas::currentFont()
{
    if (font_ && fontVersion_ == fontVersion())
        return *font_;
    const FontState& state = font();
    auto it = std::find_if(fonts_.begin(), fonts_.end(), [&](const auto& entry) { return entry->state == state; });
    if (it == fonts_.end()) {
        auto entry = std::make_unique<FontEntry>();
        entry->state = state;
        entry->font = MakeQFont(state);
        entry->metrics = std::make_unique<QFontMetrics>(entry->font);
        entry->height = entry->metrics->height();
        // Qt leaves out the underline of a text that starts left of a tile, so the canvas draws
        // it itself, where and as thick as Qt would.
        if (state.underline) {
            entry->underlineTop = entry->metrics->ascent() + std::max(1, entry->metrics->underlinePos());
            entry->underlineHeight = std::max(1, entry->metrics->lineWidth());
            entry->font.setUnderline(false);
        }
        fonts_.push_back(std::move(entry));
        it = std::prev(fonts_.end());
    }
    font_ = it->get();
    fontVersion_ = fontVersion();
    painterFontSet_ = false;
    return *font_;
}

PainterCanvas::CachedText& PainterCanvas::layOut(FontEntry& font, std::string_view utf8)
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

void PainterCanvas::drawDashes(std::span<const Point> path, bool closed)
{
    const QRect visible = QRect(0, 0, width(), height()).intersected(area_);
    DashPieces(path, closed, ToRect(visible), dashes_);
    if (dashes_.empty())
        return;
    useDashPen();
    lines_.clear();
    lines_.reserve(dashes_.size());
    for (const Segment& s : dashes_)
        lines_.emplace_back(s.x1, s.y1, s.x2, s.y2);
    painter_->drawLines(lines_.data(), static_cast<int>(lines_.size()));
}

void PainterCanvas::drawLine(Point from, Point to)
{
    if (painter_ == nullptr)
        return;
    if (thinDashed()) {
        const Point path[2] = {from, to};
        drawDashes(path, false);
        return;
    }
    usePen();
    painter_->drawLine(from.x, from.y, to.x, to.y);
}

void PainterCanvas::drawPolygon(std::span<const Point> vertices)
{
    if (painter_ == nullptr)
        return;
    if (brush().hatch != 0) {
        drawHatched(vertices);
        return;
    }
    const bool dashed = thinDashed();
    const bool fill = brush().style != BrushStyle::Clear;
    const auto draw = [&](std::span<const Point> points, bool withFill, bool withPen) {
        QPolygon polygon(static_cast<qsizetype>(points.size()));
        for (std::size_t i = 0; i < points.size(); ++i)
            polygon.setPoint(static_cast<int>(i), points[i].x, points[i].y);
        if (withPen)
            usePen();
        else {
            painter_->setPen(Qt::NoPen);
            painterPen_ = PainterPen::None;
        }
        if (withFill)
            useBrush();
        else {
            painter_->setBrush(Qt::NoBrush);
            appliedBrushVersion_ = ~std::uint64_t{0};
        }
        painter_->drawPolygon(polygon, Qt::OddEvenFill);
    };

    if (!raster_ && !interest_.isEmpty() && vertices.size() >= kStripFrom) {
        const int margin = std::max(pen().width, 1) / 2 + 3;
        const QRect keep = interest_.adjusted(-margin, -margin, margin, margin);
        CollapseOutside(vertices, ToRect(keep), strip_);
        draw(strip_, fill, true);
        return;
    }
    if (!raster_ || !strips_ || vertices.size() < kStripFrom) {
        if (!dashed) {
            draw(vertices, fill, true);
            return;
        }
        if (fill)
            draw(vertices, true, false);
        drawDashes(vertices, true);
        return;
    }

    // Strip by strip, each polygon cut down to the vertices that shape it there. The fill and
    // a solid outline inside a strip are exactly those of the whole polygon.
    const QRect visible = QRect(0, 0, width(), height()).intersected(area_);
    const int margin = std::max(pen().width, 1) / 2 + 3;
    for (int left = visible.left(); left <= visible.right(); left += kStripWidth) {
        const QRect strip(left, visible.top(), std::min(kStripWidth, visible.right() + 1 - left), visible.height());
        const Rect keep{strip.left() - margin, strip.top() - margin, strip.left() + strip.width() + margin,
                        strip.top() + strip.height() + margin};
        CollapseOutside(vertices, keep, strip_);
        painter_->setClipRect(strip);
        if (fill)
            draw(strip_, true, false);
        if (!dashed)
            draw(strip_, false, true);
    }
    painter_->setClipping(false);
    applyClip();
    if (dashed)
        drawDashes(vertices, true);
}

void PainterCanvas::drawHatched(std::span<const Point> vertices)
{
    // Only what the device shows is hatched: the polygon is cut down to the vertices that shape
    // it there, and the strokes are those of the tiles there, from the canvas's origin, so
    // every tile and the whole picture draw the same ones.
    QRect visible = QRect(0, 0, width(), height()).intersected(area_);
    if (!interest_.isEmpty())
        visible = visible.intersected(interest_);
    const int margin = std::max(pen().width, 1) / 2 + 3;
    const QRect keep = visible.adjusted(-margin, -margin, margin, margin);
    CollapseOutside(vertices, ToRect(keep), strip_);
    QPolygon polygon(static_cast<qsizetype>(strip_.size()));
    for (std::size_t i = 0; i < strip_.size(); ++i)
        polygon.setPoint(static_cast<int>(i), strip_[i].x, strip_[i].y);

    painter_->save();
    painter_->setPen(Qt::NoPen);
    painter_->setBrush(QBrush(ToQColor(brush().color)));
    painter_->drawPolygon(polygon, Qt::OddEvenFill);
    const QRect hatched = visible.intersected(polygon.boundingRect());
    HatchPieces(brush().hatch, ToRect(hatched), hatchLines_, hatchDots_);
    if (!hatchLines_.empty() || !hatchDots_.empty()) {
        QPainterPath inside;
        inside.setFillRule(Qt::OddEvenFill);
        inside.addPolygon(QPolygonF(polygon));
        inside.closeSubpath();
        painter_->setClipPath(inside, Qt::IntersectClip);
        lines_.clear();
        for (const HatchStroke& s : hatchLines_)
            lines_.emplace_back(s.x1, s.y1, s.x2, s.y2);
        painter_->setPen(QPen(Qt::black, 1, Qt::SolidLine, Qt::FlatCap));
        painter_->drawLines(lines_.data(), static_cast<int>(lines_.size()));
        painter_->setPen(Qt::NoPen);
        painter_->setBrush(Qt::black);
        for (const Point& d : hatchDots_)
            painter_->drawRect(d.x, d.y, 2, 2);
    }
    painter_->restore();
    painterPen_ = PainterPen::None;
    appliedPenVersion_ = ~std::uint64_t{0};
    appliedBrushVersion_ = ~std::uint64_t{0};

    if (thinDashed()) {
        drawDashes(vertices, true);
        return;
    }
    usePen();
    painter_->setBrush(Qt::NoBrush);
    painter_->drawPolygon(polygon, Qt::OddEvenFill);
}

int PainterCanvas::drawText(int x, int y, std::string_view utf8)
{
    FontEntry& font = currentFont();
    CachedText& text = layOut(font, utf8);
    if (painter_ == nullptr)
        return text.width;
    // Texts wholly off the device (labels below the bottom edge) cost only their measuring.
    const QRect visible = QRect(0, 0, width(), height()).intersected(area_);
    const long long right = static_cast<long long>(x) + text.width;
    const long long bottom = static_cast<long long>(y) + font.height;
    if (x > visible.right() || y > visible.bottom() || right <= visible.left() || bottom <= visible.top())
        return text.width;
    if (!painterFontSet_) {
        painter_->setFont(font.font);
        painterFontSet_ = true;
    }
    useTextPen(font);
    const QTransform& world = painter_->worldTransform();
    if (world.type() == QTransform::TxScale && world.m11() > 0 && world.m22() > 0 &&
        std::abs(world.m11() - world.m22()) > 1e-9 * std::max(world.m11(), world.m22())) {
        // A sheet printed at different horizontal and vertical scales: the text keeps its
        // proportions at the smaller of the two, from the same corner, so it neither stretches
        // nor grows into its neighbours' room.
        const double s = std::min(world.m11(), world.m22());
        const QPointF corner = world.map(QPointF(x, y));
        painter_->save();
        painter_->setWorldTransform(QTransform(s, 0, 0, s, corner.x(), corner.y()));
        if (brush().style == BrushStyle::Solid)
            painter_->fillRect(QRect(0, 0, text.width, font.height), ToQColor(brush().color));
        painter_->drawStaticText(0, 0, text.text);
        if (font.state.underline)
            painter_->fillRect(QRect(0, font.underlineTop, text.width, font.underlineHeight),
                               ToQColor(font.state.color));
        painter_->restore();
        return text.width;
    }
    if (brush().style == BrushStyle::Solid)
        painter_->fillRect(QRect(x, y, text.width, font.height), ToQColor(brush().color));
    painter_->drawStaticText(x, y, text.text);
    if (font.state.underline)
        painter_->fillRect(QRect(x, y + font.underlineTop, text.width, font.underlineHeight),
                           ToQColor(font.state.color));
    return text.width;
}

int PainterCanvas::measureText(std::string_view utf8)
{
    FontEntry& font = currentFont();
    return layOut(font, utf8).width;
}

int PainterCanvas::measureTextHeight() { return currentFont().height; }

const QImage& PainterCanvas::imageOf(const Picture& picture)
{
    for (const auto& [known, image] : images_)
        if (SamePicture(known, picture))
            return image;
    if (images_.size() > 32)
        images_.clear();
    images_.emplace_back(picture, ToQImage(picture));
    return images_.back().second;
}

void PainterCanvas::drawPicture(int x, int y, const Picture& picture)
{
    if (painter_ == nullptr)
        return;
    painter_->drawImage(x, y, imageOf(picture));
}

void PainterCanvas::fillRectangle(int left, int top, int right, int bottom)
{
    if (painter_ == nullptr || brush().style == BrushStyle::Clear)
        return;
    useBrush();
    painter_->fillRect(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)), brush_);
}

void PainterCanvas::fillWhite(int left, int top, int right, int bottom)
{
    if (painter_ == nullptr)
        return;
    painter_->fillRect(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)), Qt::white);
}

// ---- the whole bitmap ----

ImageCanvas::ImageCanvas(int width, int height) : PainterCanvas(nullptr, QRect(0, 0, width, height), true)
{
    InitSectionBitmaps();
    CheckBitmapSize(width, height);
    image_ = MakeImage(width, height, kWhite);
    initSize(width, height);
    begin();
}

ImageCanvas::~ImageCanvas() { end(); }

void ImageCanvas::begin()
{
    if (image_.isNull())
        return;
    own_ = std::make_unique<QPainter>(&image_);
    setPainter(own_.get());
}

void ImageCanvas::end()
{
    setPainter(nullptr);
    if (own_) {
        own_->end();
        own_.reset();
    }
}

void ImageCanvas::resizeBitmap(int width, int height)
{
    QImage next = MakeImage(width, height, brush().color);
    end();
    const int rows = std::min(height, image_.height());
    const int cols = std::min(width, image_.width());
    if (!next.isNull() && rows > 0 && cols > 0) {
        const auto bytes = static_cast<std::size_t>(cols) * 4;
        for (int y = 0; y < rows; ++y)
            std::memcpy(next.scanLine(y), image_.constScanLine(y), bytes);
    }
    image_ = std::move(next);
    setArea(QRect(0, 0, width, height));
    begin();
}

// ---- one tile ----

TileCanvas::TileCanvas(int width, int height, QRect tile) : PainterCanvas(nullptr, tile, true)
{
    CheckBitmapSize(tile.width(), tile.height());
    image_ = MakeImage(tile.width(), tile.height(), kWhite);
    initSize(width, height);
    if (image_.isNull())
        return;
    own_ = std::make_unique<QPainter>(&image_);
    own_->setTransform(QTransform::fromTranslate(-tile.left(), -tile.top()));
    setPainter(own_.get());
    applyClip();
}

TileCanvas::~TileCanvas()
{
    setPainter(nullptr);
    if (own_)
        own_->end();
}

void TileCanvas::resizeBitmap(int width, int height)
{
    if (painter() == nullptr)
        return;
    const int oldWidth = this->width();
    const int oldHeight = this->height();
    painter()->setClipRect(QRect(0, 0, width, height).intersected(area()));
    fillAdded(oldWidth, oldHeight, width, height);
}

void TileCanvas::applyClip()
{
    if (painter() != nullptr)
        painter()->setClipRect(QRect(0, 0, width(), height()).intersected(area()));
}

// ---- any painter ----

VectorCanvas::VectorCanvas(QPainter& painter, int width, int height)
    : PainterCanvas(&painter, QRect(0, 0, width, height), false), transform_(painter.transform()),
      callerClips_(painter.hasClipping()), callerClip_(painter.hasClipping() ? painter.clipRegion() : QRegion())
{
    initSize(width, height);
    applyClip();
}

VectorCanvas::~VectorCanvas()
{
    if (painter() == nullptr)
        return;
    if (callerClips_)
        painter()->setClipRegion(callerClip_);
    else
        painter()->setClipping(false);
}

void VectorCanvas::applyClip()
{
    if (callerClips_)
        painter()->setClipRegion(callerClip_);
    else
        painter()->setClipping(false);
    painter()->setClipRect(QRect(0, 0, width(), height()), callerClips_ ? Qt::IntersectClip : Qt::ReplaceClip);
}

void VectorCanvas::resizeBitmap(int width, int height)
{
    const int oldWidth = this->width();
    const int oldHeight = this->height();
    if (callerClips_)
        painter()->setClipRegion(callerClip_);
    else
        painter()->setClipping(false);
    painter()->setClipRect(QRect(0, 0, width, height), callerClips_ ? Qt::IntersectClip : Qt::ReplaceClip);
    setArea(QRect(0, 0, width, height));
    fillAdded(oldWidth, oldHeight, width, height);
}

QImage RenderTile(const DrawingRecord& record, QRect tile)
{
    TileCanvas canvas(record.startWidth(), record.startHeight(), tile);
    Replay(record, canvas, ToRect(tile));
    return canvas.image();
}

std::vector<std::unique_ptr<TileCanvas>> MakeTiles(const DrawingRecord& record, const std::vector<QRect>& tiles)
{
    std::vector<std::unique_ptr<TileCanvas>> made(tiles.size());
    std::vector<std::exception_ptr> failures(tiles.size());
    const auto make = [&](std::size_t i) {
        try {
            auto canvas = std::make_unique<TileCanvas>(record.startWidth(), record.startHeight(), tiles[i]);
            const QRect& t = tiles[i];
            Replay(record, *canvas, {t.left(), t.top(), t.left() + t.width(), t.top() + t.height()});
            made[i] = std::move(canvas);
        } catch (...) {
            failures[i] = std::current_exception();
        }
    };
    // Painting on images is safe from other threads; the record is only read.
    const std::size_t workers = std::min<std::size_t>(tiles.size(), std::max(1U, std::thread::hardware_concurrency()));
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i = next++; i < tiles.size(); i = next++)
            make(i);
    };
    std::vector<std::thread> threads;
    for (std::size_t w = 1; w < workers; ++w)
        threads.emplace_back(work);
    work();
    for (std::thread& t : threads)
        t.join();
    for (const std::exception_ptr& failure : failures)
        if (failure)
            std::rethrow_exception(failure);
    return made;
}

QImage RenderRecord(const DrawingRecord& record, const Progress& progress)
{
    ImageCanvas canvas(std::max(record.startWidth(), 0), std::max(record.startHeight(), 0));
    Replay(record, canvas, {0, 0, INT_MAX / 2, INT_MAX / 2}, 0, progress);
    return canvas.image();
}

void PaintRecord(const DrawingRecord& record, QPainter& painter, QRect area, const Progress& progress)
{
    // The record starts from a white bitmap.
    painter.fillRect(QRect(0, 0, record.startWidth(), record.startHeight()), Qt::white);
    VectorCanvas canvas(painter, record.startWidth(), record.startHeight());
    canvas.setInterest(area);
    const Rect wanted = area.isEmpty() ? Rect{-INT_MAX / 2, -INT_MAX / 2, INT_MAX / 2, INT_MAX / 2} : ToRect(area);
    Replay(record, canvas, wanted, 0, progress);
}

} // namespace trassel
