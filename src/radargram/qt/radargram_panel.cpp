#include "radargram/qt/radargram_panel.h"
#include "widgets/status_progress.h"

#include "document/survey_document.h"
#include "platform/qt_text.h"
#include "radargram/qt/radargram_image.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace trassel {

RadargramImage::RadargramImage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("imgRadarogramma"));
    resize(0, 0);
}

void RadargramImage::setPicture(QImage image)
{
    picture_ = std::move(image);
    resize(picture_.size());
    update();
}

void RadargramImage::paintEvent(QPaintEvent* event)
{
    if (picture_.isNull())
        return;
    QPainter painter(this);
    const QRect exposed = event->rect() & rect();
    if (picture_.size() == size()) {
        // A radargram can be far wider than the window system's pixmaps allow, and is often
        // greyscale: only the exposed part is converted, while it is drawn.
        painter.drawImage(exposed.topLeft(), picture_, exposed);
        return;
    }
    painter.setClipRect(exposed);
    painter.drawImage(rect(), picture_);
}

void RadargramImage::mousePressEvent(QMouseEvent* event)
{
    // Taken here, so that a press on the picture is not also one on the box around it.
    event->accept();
}

void RadargramImage::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}

RadargramBox::RadargramBox(QWidget* parent)
    : QScrollArea(parent), content_(new QWidget), image_(new RadargramImage(content_))
{
    setObjectName(QStringLiteral("scrbxRadarogramma"));
    setWidgetResizable(false);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    horizontalScrollBar()->setTracking(true);
    verticalScrollBar()->setTracking(true);
    horizontalScrollBar()->setSingleStep(16);
    verticalScrollBar()->setSingleStep(16);
    // The vertical bar is a narrow flat strip: the panel is low, and its height goes to the picture.
    verticalScrollBar()->setStyleSheet(
        QStringLiteral("QScrollBar:vertical { width: 10px; margin: 0; border: none; background: #e6e9ee; }"
                       "QScrollBar::handle:vertical { min-height: 16px; background: #aab3c0; }"
                       "QScrollBar::handle:vertical:hover { background: #8d98a8; }"
                       "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; border: none; }"
                       "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }"));
    image_->move(kImageOffset, kImageOffset);
    fitImage();
    setWidget(content_);
}

void RadargramBox::setPicture(QImage image)
{
    image_->setPicture(std::move(image));
    fitImage();
}

void RadargramBox::fitImage()
{
    // The scroll ranges reach the image's right and bottom edges, its margin included.
    content_->resize(kImageOffset + image_->width(), kImageOffset + image_->height());
}

void RadargramBox::mousePressEvent(QMouseEvent* event)
{
    // Taken, so that the release that makes the click comes here too.
    event->setAccepted(event->button() == Qt::LeftButton);
}

void RadargramBox::mouseReleaseEvent(QMouseEvent* event)
{
    // Presses and releases on the margin around the image and on the box beyond it reach the
    // box through its viewport.
    if (event->button() == Qt::LeftButton && viewport()->rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}

RadargramPanel::RadargramPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pnlRadarogramma"));
    setAcceptDrops(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    auto* title = new QHBoxLayout;
    auto* caption = new QLabel(QStringLiteral("Радарограмма"));
    caption->setStyleSheet(QStringLiteral("font-weight: bold; color: #3b4a63;"));
    title->addWidget(caption);
    title->addStretch(1);
    SpeedButton1 = new QToolButton;
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setFixedWidth(16);
    SpeedButton1->setAutoRaise(true);
    SpeedButton1->setIcon(style()->standardIcon(QStyle::SP_ToolBarVerticalExtensionButton));
    title->addWidget(SpeedButton1);
    layout->addLayout(title);
    scrbxRadarogramma = new RadargramBox;
    imgRadarogramma = scrbxRadarogramma->image();
    layout->addWidget(scrbxRadarogramma, 1);

    connect(imgRadarogramma, &RadargramImage::clicked, this, [this] { Q_EMIT alignRequested(imageLeft()); });
    connect(scrbxRadarogramma, &RadargramBox::clicked, this, [this] { Q_EMIT alignRequested(imageLeft()); });
}

void RadargramPanel::setPicture(QImage image) { scrbxRadarogramma->setPicture(std::move(image)); }

void RadargramPanel::loadFile(const QString& path)
{
    QImage image;
    {
        StatusProgress progress(this, QStringLiteral("Загрузка радарограммы"));
        image = LoadRadargram(path, [&progress](qint64 done, qint64 total) { progress.tell(done, total); });
    }
    setPicture(std::move(image));
    path_ = path;
    if (doc_ != nullptr)
        doc_->setRadargramPath(toLocalPath(path));
}

void RadargramPanel::clearPicture()
{
    setPicture(QImage());
    path_.clear();
}

int RadargramPanel::imageLeft() const
{
    return imgRadarogramma->mapTo(scrbxRadarogramma->viewport(), QPoint(0, 0)).x();
}

void RadargramPanel::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DroppedLocalFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void RadargramPanel::dragMoveEvent(QDragMoveEvent* event)
{
    if (!DroppedLocalFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void RadargramPanel::dropEvent(QDropEvent* event)
{
    const QString path = DroppedLocalFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    QMetaObject::invokeMethod(
        this, [this, path] { Q_EMIT fileDropped(path); }, Qt::QueuedConnection);
}

} // namespace trassel
