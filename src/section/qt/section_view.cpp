#include "section/qt/section_view.h"

#include "drawing/drawing_record.h"
#include "platform/qt_canvas.h"
#include "section/section_renderer.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

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
    const double sx = static_cast<double>(width()) / w;
    const double sy = static_cast<double>(height()) / h;
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
}

void SectionImage::mousePressEvent(QMouseEvent* event)
{
    Q_EMIT mousePressed(event->position().toPoint(), event->button());
}

void SectionImage::mouseMoveEvent(QMouseEvent* event)
{
    Q_EMIT mouseMoved(event->position().toPoint(), event->buttons());
}

void SectionImage::mouseReleaseEvent(QMouseEvent* event)
{
    Q_EMIT mouseReleased(event->position().toPoint(), event->button());
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
    image_->resize(kSectionStartWidth, kSectionStartHeight);
    placeImage();
    setWidget(content_);
}

void SectionView::setImageSize(int width, int height)
{
    image_->resize(width, height);
    placeImage();
    image_->update();
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
    // A hidden page (the section on a tab not shown) gets the resize of its content only when
    // it is shown; recomputing the scroll ranges now lets the scroll position below take.
    setWidgetResizable(false);
    horizontalScrollBar()->setValue(left < 0 ? -left : 0);
}

int SectionView::imageLeft() const { return image_->mapTo(viewport(), QPoint(0, 0)).x(); }

void SectionView::refresh() { image_->recordChanged(); }

} // namespace trassel
