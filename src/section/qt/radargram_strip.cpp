#include "section/qt/radargram_strip.h"

#include "base/numbers.h"
#include "document/redraw_rules.h"
#include "document/section_scene.h"
#include "document/survey_document.h"
#include "platform/qt_canvas.h"
#include "radargram/qt/radargram_overlay_paint.h"
#include "radargram/radargram_reader.h"
#include "section/qt/section_view.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace trassel {

RadargramStrip::RadargramStrip(SurveyDocument& doc, SectionView& view, QWidget* parent)
    : QWidget(parent), doc_(&doc), view_(&view)
{
    setObjectName(QStringLiteral("RadargramStrip"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    setMinimumHeight(60);
    hide();
    connect(&view, &SectionView::shownChanged, this, qOverload<>(&QWidget::update));
    subscription_ = doc.subscribe([this](const DocumentChange& change) {
        using W = DocumentChange::What;
        switch (change.what) {
        case W::Pages:
        case W::RadargramModel: follow(); break;
        // What the section's axis, the boundaries and the cursor are drawn from.
        case W::SectionPicture:
        case W::SectionParams:
        case W::Cursor:
        case W::Cells:
        case W::TableShape:
        case W::TableReplaced:
        case W::Settings:
        case W::Range:
        case W::Layers:
        case W::PointColor:
        case W::Corrected: update(); break;
        default: break;
        }
    });
    follow();
}

void RadargramStrip::follow()
{
    setVisible(doc_->pages().radargramAboveSection && RadargramRegistered(doc_->radargramModel()));
    update();
}

int RadargramStrip::viewportLeft() const
{
    return view_->viewport()->mapToGlobal(QPoint(0, 0)).x() - mapToGlobal(QPoint(0, 0)).x();
}

std::optional<LineAxis> RadargramStrip::axis() const
{
    const std::optional<LineAxis> section = doc_->section().picketAxis();
    if (!section)
        return std::nullopt;
    // The section's x as the view shows it: scrolled, zoomed, its viewport's place included.
    const double zoom = view_->zoom();
    const double shownLeft = view_->visibleSection().left();
    return LineAxis{section->firstPicket, section->pixelsPerPicket * zoom,
                    (section->leftX - shownLeft) * zoom + viewportLeft()};
}

std::optional<double> RadargramStrip::cursorX() const
{
    const std::optional<double> x = doc_->section().xOfRow(doc_->diagram().cursor().Row);
    if (!x || !axis())
        return std::nullopt;
    return (*x - view_->visibleSection().left()) * view_->zoom() + viewportLeft();
}

void RadargramStrip::prepare()
{
    // The file is opened when the strip first needs it, and again only for another model.
    if (!(scene_.model() == doc_->radargramModel()))
        scene_.setModel(doc_->radargramModel());
    const std::optional<LineAxis> shown = axis();
    const RadargramReader* reader = scene_.reader();
    if (!shown || reader == nullptr || width() <= 0 || height() <= 0) {
        key_.reset();
        columns_.clear();
        traced_ = {};
        image_ = QImage();
        return;
    }
    const RadargramModel& model = scene_.model();
    Key key{*shown, width(), height(), scene_.style(), model.channel, model.file.get(), model.ties};
    if (key_ && *key_ == key)
        return;
    columns_ = TracesUnderColumns(key.axis, key.width, model.registration());
    traced_ = ColumnsWithTraces(columns_, reader->info().traces);
    // Only the columns that hold traces are read; the others stay white.
    const std::vector<TraceSpan> used(columns_.begin() + traced_.first, columns_.begin() + traced_.last);
    const Picture picture = RenderRadargramColumns(*reader, model.channel, key.style, used, 0, reader->info().samples,
                                                   key.height);
    image_ = QImage(key.width, key.height, QImage::Format_RGB32);
    image_.fill(Qt::white);
    if (!used.empty()) {
        QPainter painter(&image_);
        painter.drawImage(traced_.first, 0, ImageOfPicture(picture));
    }
    key_ = std::move(key);
    ++renders_;
}

OverlayPlacement RadargramStrip::placement(const LineAxis& axis) const
{
    const RadargramModel& model = scene_.model();
    OverlayPlacement p;
    p.line = axis;
    p.left = 0;
    p.top = 0;
    p.plotWidth = width();
    p.plotHeight = height();
    p.registration = model.registration();
    p.depth = model.depthModel();
    p.sampleNs = model.sampleNs();
    const int samples = model.file ? model.file->samples : 0;
    p.view = {0, 0, 0, static_cast<double>(samples) / std::max(height(), 1)};
    return p;
}

void RadargramStrip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    prepare();
    painter.fillRect(rect(), Qt::white);
    if (image_.isNull()) {
        painter.setPen(Qt::darkGray);
        const QString why = !scene_.fault().empty()
                                ? QString::fromStdString(scene_.fault())
                                : QStringLiteral("Радарограмма будет показана над построенным разрезом");
        painter.drawText(rect().adjusted(8, 0, -8, 0), Qt::AlignCenter | Qt::TextWordWrap, why);
        return;
    }
    painter.drawImage(0, 0, image_);
    const std::optional<LineAxis> shown = axis();
    const OverlayPlacement placed = placement(*shown);
    if (placed.placed() && traced_.last > traced_.first) {
        overlay_.update(doc_->depthTable(), OverlayLayersOf(doc_->layers()), doc_->picketColumn(), doc_->firstDataRow(),
                        doc_->lastDataRow());
        // The boundaries and the boreholes only over the traces: beyond them there is nothing
        // they were picked on or checked against.
        painter.save();
        painter.setClipRect(QRect(traced_.first, 0, traced_.last - traced_.first, height()));
        PaintOverlayPaths(painter, overlay_.paths(placed));
        VectorCanvas canvas(painter, width(), height());
        DrawBoreholes(canvas, placed, BoreholesOf(doc_->table(TableId::Boreholes)));
        painter.restore();
    }
    // The diagram cursor's row, a thin red line as on the section and the radargram's page.
    if (const std::optional<double> x = cursorX()) {
        const int xi = static_cast<int>(std::lround(std::clamp(*x, -1.0e6, 1.0e6)));
        painter.setPen(QPen(QColor(255, 0, 0), 0));
        painter.drawLine(xi, 0, xi, height());
    }
    paintDepthScale(painter);
}

void RadargramStrip::paintDepthScale(QPainter& painter)
{
    const RadargramModel& model = scene_.model();
    if (!model.file)
        return;
    const std::vector<DepthTick> ticks = StripDepthTicks(model.depthModel(), model.sampleNs(), model.file->samples,
                                                         height(), kDepthLabelGap);
    if (ticks.empty())
        return;
    // At the section's left edge, as the section's own depth ruler stands there.
    const int left = std::max(0, viewportLeft());
    const QFontMetrics metrics = painter.fontMetrics();
    int labelWidth = metrics.horizontalAdvance(QStringLiteral("см"));
    for (const DepthTick& tick : ticks)
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(QString::fromStdString(NumberToText(tick.cm))));
    const int band = labelWidth + 10;
    painter.fillRect(QRect(left, 0, band, height()), QColor(255, 255, 255, 200));
    painter.setPen(Qt::black);
    for (const DepthTick& tick : ticks) {
        const int y = static_cast<int>(std::lround(tick.y));
        painter.drawLine(left + band - 5, y, left + band - 1, y);
        const int textY = std::clamp(y + metrics.ascent() / 2, metrics.ascent(), height() - metrics.descent());
        painter.drawText(left + 2, textY, QString::fromStdString(NumberToText(tick.cm)));
    }
    painter.drawLine(left + band - 1, 0, left + band - 1, height());
    // The unit under the surface's label would hide a boundary near it: at the bottom instead.
    painter.drawText(left + 2, height() - metrics.descent(), QStringLiteral("см"));
}

void RadargramStrip::wheelEvent(QWheelEvent* event)
{
    const QPoint delta = event->angleDelta();
    const int amount = delta.y() != 0 ? delta.y() : delta.x();
    if (event->modifiers() & Qt::ControlModifier) {
        // Zoomed around the mouse's place along the line, as Ctrl+wheel zooms the section.
        if (amount != 0)
            view_->setZoom(view_->zoom() * std::pow(1.25, amount / 120.0),
                           QPoint(static_cast<int>(event->position().x()) - viewportLeft(), 0));
        event->accept();
        return;
    }
    // The strip has no height to scroll: the wheel runs along the line, with Shift or without.
    QScrollBar* bar = view_->horizontalScrollBar();
    const int pixels = amount * bar->singleStep() * QApplication::wheelScrollLines() / 120;
    bar->setValue(bar->value() - pixels);
    event->accept();
}

void RadargramStrip::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        dragX_ = static_cast<int>(event->position().x());
}

void RadargramStrip::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragX_ || !(event->buttons() & Qt::LeftButton))
        return;
    // A drag pans the section, and the strip with it.
    const int x = static_cast<int>(event->position().x());
    QScrollBar* bar = view_->horizontalScrollBar();
    bar->setValue(bar->value() - (x - *dragX_));
    dragX_ = x;
}

void RadargramStrip::mouseReleaseEvent(QMouseEvent*) { dragX_.reset(); }

} // namespace trassel
