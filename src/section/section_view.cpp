#include "section/section_view.h"

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

void SectionImage::setCanvas(const ImageCanvas* canvas)
{
    canvas_ = canvas;
    update();
}

void SectionImage::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect exposed = event->rect();
    const QImage* image = canvas_ ? &canvas_->image() : nullptr;
    if (!image || image->isNull()) {
        painter.fillRect(exposed, Qt::white);
        return;
    }
    if (image->size() == size()) {
        // The usual case after a drawing: copy only the exposed part, pixel for pixel.
        painter.drawImage(exposed.topLeft(), *image, exposed);
        return;
    }
    painter.setClipRect(exposed);
    painter.drawImage(rect(), *image);
}

void SectionImage::mousePressEvent(QMouseEvent* event)
{
    emit mousePressed(event->position().toPoint(), event->button());
}

void SectionImage::mouseMoveEvent(QMouseEvent* event)
{
    emit mouseMoved(event->position().toPoint(), event->buttons());
}

void SectionImage::mouseReleaseEvent(QMouseEvent* event)
{
    emit mouseReleased(event->position().toPoint(), event->button());
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

int SectionView::imageLeft() const
{
    return image_->mapTo(viewport(), QPoint(0, 0)).x();
}

void SectionView::refresh()
{
    image_->update();
}

} // namespace trassel
