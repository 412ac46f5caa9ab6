#include "section/qt/section_view.h"

#include "drawing/drawing_record.h"
#include "platform/qt_canvas.h"
#include "section/section_renderer.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace trassel {

SectionImage::SectionImage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("imgSection"));
    // Every pixel is painted from the bitmap, so the background need not be cleared first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

SectionImage::~SectionImage() = default;

void SectionImage::setRecord(const DrawingRecord* record)
{
    record_ = record;
    dropTiles();
    update();
}

void SectionImage::dropTiles()
{
    tiles_.clear();
    revision_ = record_ ? record_->revision() : 0;
    tileHeight_ = record_ ? std::max(record_->height(), record_->startHeight()) : 0;
}

void SectionImage::recordChanged()
{
    if (record_ == nullptr || record_->revision() != revision_ ||
        std::max(record_->height(), record_->startHeight()) > tileHeight_)
        dropTiles();
    for (Tile& t : tiles_) {
        if (t.ops < record_->ops().size()) {
            const QRect r = t.canvas->tile();
            Replay(*record_, *t.canvas, {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}, t.ops);
            t.ops = record_->ops().size();
        }
    }
    update();
}

SectionImage::Tile& SectionImage::tile(int index)
{
    for (auto it = tiles_.begin(); it != tiles_.end(); ++it) {
        if (it->index == index) {
            tiles_.splice(tiles_.begin(), tiles_, it);
            return tiles_.front();
        }
    }
    if (tiles_.size() >= kMaxTiles)
        tiles_.pop_back();
    const QRect area(index * kTileWidth, 0, kTileWidth, std::max(tileHeight_, 1));
    Tile t;
    t.index = index;
    t.canvas = std::make_unique<TileCanvas>(record_->startWidth(), record_->startHeight(), area);
    Replay(*record_, *t.canvas, {area.left(), area.top(), area.left() + area.width(), area.top() + area.height()});
    t.ops = record_->ops().size();
    tiles_.push_front(std::move(t));
    return tiles_.front();
}

void SectionImage::prepare(int firstIndex, int lastIndex)
{
    std::vector<int> missing;
    for (int i = firstIndex; i <= lastIndex; ++i)
        if (std::none_of(tiles_.begin(), tiles_.end(), [&](const Tile& t) { return t.index == i; }))
            missing.push_back(i);
    if (missing.size() < 2)
        return;
    std::vector<QRect> areas;
    for (int i : missing)
        areas.emplace_back(i * kTileWidth, 0, kTileWidth, std::max(tileHeight_, 1));
    std::vector<std::unique_ptr<TileCanvas>> made = MakeTiles(*record_, areas);
    for (std::size_t k = 0; k < made.size(); ++k) {
        if (tiles_.size() >= kMaxTiles)
            tiles_.pop_back();
        tiles_.push_front(Tile{missing[k], std::move(made[k]), record_->ops().size()});
    }
}

void SectionImage::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect exposed = event->rect();
    const int w = record_ ? record_->width() : 0;
    const int h = record_ ? record_->height() : 0;
    if (w <= 0 || h <= 0) {
        painter.fillRect(exposed, Qt::white);
        return;
    }
    if (record_->revision() != revision_)
        dropTiles();
    // The bitmap stretched to the control: the exposed part seen in bitmap pixels.
    const double sx = redrawing_ ? zoom_ : static_cast<double>(width()) / w;
    const double sy = redrawing_ ? zoom_ : static_cast<double>(height()) / h;
    const QRectF source(exposed.left() / sx, exposed.top() / sy, exposed.width() / sx, exposed.height() / sy);
    const QRect bitmap(0, 0, w, h);
    const QRect wanted = source.toAlignedRect().intersected(bitmap);
    if (wanted.width() < source.width() || wanted.height() < source.height())
        painter.fillRect(exposed, Qt::white);
    if (wanted.isEmpty())
        return;
    painter.setClipRect(exposed);
    painter.scale(sx, sy);
    prepare(wanted.left() / kTileWidth, wanted.right() / kTileWidth);
    for (int i = wanted.left() / kTileWidth; i <= wanted.right() / kTileWidth; ++i) {
        const Tile& t = tile(i);
        const QRect r = t.canvas->tile().intersected(wanted);
        painter.drawImage(r.topLeft(), t.canvas->image(), r.translated(-t.canvas->tile().topLeft()));
    }
    if (marker_) {
        painter.resetTransform();
        painter.setPen(QPen(QColor(220, 0, 0), 1));
        const int x = static_cast<int>(std::lround(*marker_ * sx));
        painter.drawLine(x, exposed.top(), x, exposed.bottom());
    }
}

void SectionImage::setMarker(std::optional<double> x)
{
    if (x == marker_)
        return;
    const auto column = [this](std::optional<double> at) {
        const int w = record_ ? record_->width() : 0;
        const double sx = w > 0 && !redrawing_ ? static_cast<double>(width()) / w : zoom_;
        return at ? QRect(static_cast<int>(std::lround(*at * sx)) - 1, 0, 3, height()) : QRect();
    };
    update(column(marker_));
    marker_ = x;
    update(column(marker_));
}

void SectionImage::setRedrawing(bool redrawing)
{
    if (redrawing == redrawing_)
        return;
    redrawing_ = redrawing;
    update();
}

QPoint SectionImage::unzoomed(QPointF pos) const
{
    if (zoom_ == 1.0)
        return pos.toPoint();
    return {static_cast<int>(std::floor(pos.x() / zoom_)), static_cast<int>(std::floor(pos.y() / zoom_))};
}

void SectionImage::mousePressEvent(QMouseEvent* event)
{
    Q_EMIT mousePressed(unzoomed(event->position()), event->button());
}

void SectionImage::mouseMoveEvent(QMouseEvent* event)
{
    Q_EMIT mouseMoved(unzoomed(event->position()), event->buttons());
}

void SectionImage::mouseReleaseEvent(QMouseEvent* event)
{
    Q_EMIT mouseReleased(unzoomed(event->position()), event->button());
}

DepthRuler::DepthRuler(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("depthRuler"));
    // Clicks and drags fall through to the section under it (the annotation tools).
    setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
}

void DepthRuler::setScale(const DepthRulerScale& scale, double zoom, int top, int bottom)
{
    if (scale == scale_ && zoom == zoom_ && top == top_ && bottom == bottom_)
        return;
    scale_ = scale;
    zoom_ = zoom;
    top_ = top;
    bottom_ = bottom;
    update();
}

std::vector<DepthRuler::Label> DepthRuler::labels() const
{
    std::vector<Label> out;
    if (scale_.stepCm <= 0 || !(scale_.pixelsPerCm > 0))
        return out;
    const int textHeight = fontMetrics().height();
    for (int d = 0; d <= kDepthScaleLimitCm; d += scale_.stepCm) {
        const double y = top_ + (scale_.surfaceY + scale_.pixelsPerCm * d) * zoom_;
        // Depths below the drawing's bottom edge have no line in it to label.
        if (y > height() || y >= bottom_)
            break;
        if (y + textHeight >= 0)
            out.push_back({static_cast<int>(std::lround(y)), QString::number(d) + QStringLiteral("см")});
    }
    return out;
}

void DepthRuler::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QFontMetrics metrics = fontMetrics();
    painter.fillRect(QRect(0, 0, width(), height()), QColor(255, 255, 255, 200));
    painter.setPen(QColor(0x80, 0x80, 0x80));
    painter.drawLine(width() - 1, 0, width() - 1, height());
    for (const Label& label : labels()) {
        painter.setPen(Qt::black);
        painter.drawLine(width() - 8, label.y, width() - 1, label.y);
        painter.drawText(QRect(2, label.y, width() - 10, metrics.height()), Qt::AlignLeft | Qt::AlignTop, label.text);
    }
}

SectionView::SectionView(QWidget* parent)
    : QScrollArea(parent), content_(new QWidget), image_(new SectionImage(content_))
{
    setObjectName(QStringLiteral("scrbxTrassel"));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::Base, Qt::white);
    setPalette(palette);
    viewport()->setPalette(palette);
    viewport()->setAutoFillBackground(true);
    horizontalScrollBar()->setTracking(true);
    verticalScrollBar()->setTracking(true);
    setWidgetResizable(false);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    imageSize_ = QSize(kSectionStartWidth, kSectionStartHeight);
    image_->resize(imageSize_);
    placeImage();
    setWidget(content_);
    ruler_ = new DepthRuler(viewport());
    ruler_->hide();
}

void SectionView::setImageSize(int width, int height)
{
    imageSize_ = QSize(width, height);
    image_->resize(static_cast<int>(std::lround(width * zoom())), static_cast<int>(std::lround(height * zoom())));
    placeImage();
    image_->update();
    placeRuler();
}

void SectionView::setZoom(double zoom, QPoint anchor)
{
    zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    const double old = this->zoom();
    if (zoom == old)
        return;
    // The section's point under the anchor, before and after.
    const QPointF at = QPointF(image_->mapFrom(viewport(), anchor)) / old;
    image_->setZoom(zoom);
    setImageSize(imageSize_.width(), imageSize_.height());
    setWidgetResizable(false); // the scroll ranges of the new size, also on a hidden page
    const QPointF now = QPointF(image_->mapFrom(viewport(), anchor)) / zoom;
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() +
                                    static_cast<int>(std::lround((at.x() - now.x()) * zoom)));
    verticalScrollBar()->setValue(verticalScrollBar()->value() +
                                  static_cast<int>(std::lround((at.y() - now.y()) * zoom)));
    placeRuler();
    Q_EMIT shownChanged();
}

QRectF SectionView::visibleSection() const
{
    const QPointF topLeft = QPointF(image_->mapFrom(viewport(), QPoint(0, 0))) / zoom();
    return {topLeft, QSizeF(viewport()->width() / zoom(), viewport()->height() / zoom())};
}

void SectionView::setDepthScale(const DepthRulerScale& scale)
{
    depthScale_ = scale;
    placeRuler();
}

void SectionView::placeRuler()
{
    if (ruler_ == nullptr)
        return;
    const QPoint origin = image_->mapTo(viewport(), QPoint(0, 0));
    // Shown once the drawing's own labels at its left edge have scrolled out of sight.
    const bool wanted = depthScale_.stepCm > 0 && depthScale_.pixelsPerCm > 0 && origin.x() < 0;
    if (!wanted) {
        ruler_->hide();
        return;
    }
    ruler_->setGeometry(0, 0, ruler_->fontMetrics().horizontalAdvance(QStringLiteral("2000см")) + 14,
                        viewport()->height());
    ruler_->setScale(depthScale_, zoom(), origin.y(), origin.y() + image_->height());
    ruler_->show();
    ruler_->raise();
}

void SectionView::wheelEvent(QWheelEvent* event)
{
    const QPoint delta = event->angleDelta();
    const int amount = delta.y() != 0 ? delta.y() : delta.x();
    if (event->modifiers() & Qt::ControlModifier) {
        if (amount != 0)
            setZoom(zoom() * std::pow(1.25, amount / 120.0), event->position().toPoint());
        event->accept();
        return;
    }
    // A section is a long strip: the wheel runs along it unless there is height to scroll.
    const bool along = (event->modifiers() & Qt::ShiftModifier) || delta.y() == 0 ||
                       verticalScrollBar()->maximum() <= verticalScrollBar()->minimum();
    if (!along) {
        QScrollArea::wheelEvent(event);
        return;
    }
    QScrollBar* bar = horizontalScrollBar();
    const int pixels = amount * bar->singleStep() * QApplication::wheelScrollLines() / 120;
    bar->setValue(bar->value() - pixels);
    event->accept();
}

void SectionView::scrollContentsBy(int dx, int dy)
{
    QScrollArea::scrollContentsBy(dx, dy);
    placeRuler();
    Q_EMIT shownChanged();
}

void SectionView::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    placeRuler();
    Q_EMIT shownChanged();
}

void SectionView::placeImage()
{
    image_->move(inset_, 0);
    content_->resize(inset_ + image_->width(), image_->height());
}

void SectionView::setImageLeft(int left)
{
    inset_ = std::max(left, 0);
    placeImage();
    placeRuler();
    // A hidden page (the section on a tab not shown) gets the resize of its content only when
    // it is shown; recomputing the scroll ranges now lets the scroll position below take.
    setWidgetResizable(false);
    horizontalScrollBar()->setValue(left < 0 ? -left : 0);
}

void SectionView::showSectionX(double x)
{
    setWidgetResizable(false); // the scroll ranges of the content, also on a hidden page
    const double margin = viewport()->width() / 10.0;
    horizontalScrollBar()->setValue(static_cast<int>(std::lround(inset_ + x * zoom() - margin)));
}

int SectionView::imageLeft() const { return image_->mapTo(viewport(), QPoint(0, 0)).x(); }

void SectionView::refresh() { image_->recordChanged(); }

} // namespace trassel
