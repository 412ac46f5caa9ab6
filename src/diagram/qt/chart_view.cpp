#include "diagram/qt/chart_view.h"

#include "platform/qt_text.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainterPath>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace trassel {
namespace {

// Colours for series that never got one of their own, by series id.
const QColor kPalette[] = {QColor(0, 0, 255),   QColor(0, 128, 0),   QColor(255, 128, 0), QColor(128, 0, 128),
                           QColor(0, 128, 128), QColor(128, 128, 0), QColor(0, 0, 128),   QColor(128, 64, 0)};

// A press within this many pixels of a marker's edge counts as a press on its point (the
// nearest one when several are that close): a point is small and a hand is not that steady.
constexpr double kPickTolerance = 8.0;

QCPScatterStyle pointerStyle(const SeriesPointer& pointer, const QColor& fill)
{
    if (!pointer.visible)
        return QCPScatterStyle(QCPScatterStyle::ssNone);
    const QPen outline(fill.darker(150), 1.0);
    const double w = std::max(0, pointer.horizSize);
    const double h = std::max(0, pointer.vertSize);
    if (w == h)
        return QCPScatterStyle(QCPScatterStyle::ssSquare, outline, QBrush(fill), 2.0 * w);
    // A custom shape is drawn at scale size / 6, so size 6 keeps the path in pixels.
    QPainterPath path;
    path.addRect(QRectF(-w, -h, 2.0 * w, 2.0 * h));
    return QCPScatterStyle(path, outline, QBrush(fill), 6.0);
}

} // namespace

// Draws the marks of the attached series above the graphs, visible points only.
class ChartMarksLayer : public QCPLayerable {
public:
    explicit ChartMarksLayer(ChartView* view) : QCPLayerable(view, QStringLiteral("marks")), view_(view) { }

protected:
    void applyDefaultAntialiasingHint(QCPPainter* painter) const override
    {
        applyAntialiasingHint(painter, mAntialiased, QCP::aeOther);
    }
    void draw(QCPPainter* painter) override { view_->drawMarks(painter); }
    QRect clipRect() const override { return view_->axisRect()->rect(); }

private:
    ChartView* view_;
};

ChartView::ChartView(ChartModel& model, QWidget* parent) : QCustomPlot(parent), model_(&model)
{
    setBackground(Qt::white);
    axisRect()->setBackground(Qt::white);
    plotLayout()->insertRow(0);
    QFont titleFont = font();
    titleFont.setBold(true);
    plotLayout()->addElement(0, 0, new QCPTextElement(this, QStringLiteral("Интерпретационная диаграмма"), titleFont));
    legend->setVisible(false);
    // Depth grows downward.
    yAxis->setRangeReversed(true);
    setInteractions(QCP::iRangeZoom | QCP::iRangeDrag);
    setFocusPolicy(Qt::StrongFocus);

    addLayer(QStringLiteral("marks"), layer(QStringLiteral("main")), QCustomPlot::limAbove);
    marksLayer_ = new ChartMarksLayer(this);

    connect(xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
            [this](const QCPRange& range) { axisRangeChanged(AxisId::Bottom, range); });
    connect(yAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
            [this](const QCPRange& range) { axisRangeChanged(AxisId::Left, range); });

    subscription_ = model.subscribe([this] { scheduleSync(); });
    syncFromModel();
}

ChartView::~ChartView() = default;

DiagramKey ChartView::diagramKeyFor(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Left: return DiagramKey::Left;
    case Qt::Key_Up: return DiagramKey::Up;
    case Qt::Key_Right: return DiagramKey::Right;
    case Qt::Key_Down: return DiagramKey::Down;
    case Qt::Key_Delete: return DiagramKey::Delete;
    default: return DiagramKey::Other;
    }
}

ChartButton ChartView::buttonFor(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton: return ChartButton::Left;
    case Qt::RightButton: return ChartButton::Right;
    default: return ChartButton::Other;
    }
}

void ChartView::scheduleSync()
{
    if (syncQueued_ || syncing_)
        return;
    syncQueued_ = true;
    QMetaObject::invokeMethod(
        this, [this] { syncFromModel(); }, Qt::QueuedConnection);
}

QColor ChartView::displayColor(const ChartSeries& series) const
{
    if (series.hasColor())
        return ToQColor(series.color());
    return kPalette[static_cast<std::size_t>(series.id()) % std::size(kPalette)];
}

void ChartView::rebuildGraphs()
{
    clearGraphs();
    drawn_.clear();
    for (SeriesId id : model_->attached()) {
        QCPGraph* graph = addGraph(xAxis, yAxis);
        graph->setAntialiased(false);
        graph->setAntialiasedScatters(false);
        drawn_[id] = Drawn{graph};
    }
    drawnOrder_ = model_->attached();
}

void ChartView::applyStyle(const ChartSeries& series, QCPGraph* graph) const
{
    const QColor color = displayColor(series);
    QColor fill = color;
    if (series.pointer().hasColor)
        fill = ToQColor(series.pointer().color);
    else if (series.hasBrushColor())
        fill = ToQColor(series.brushColor());
    graph->setName(toQString(series.name()));
    if (series.kind() == SeriesKind::Line) {
        graph->setLineStyle(QCPGraph::lsLine);
        graph->setPen(QPen(color, std::max(1, series.penWidth())));
    } else {
        graph->setLineStyle(QCPGraph::lsNone);
        graph->setPen(QPen(color));
    }
    graph->setScatterStyle(pointerStyle(series.pointer(), fill));
}

void ChartView::copyData(const ChartSeries& series, QCPGraph* graph) const
{
    const std::vector<double>& xs = series.xs();
    const std::vector<double>& ys = series.ys();
    QVector<QCPGraphData> points(static_cast<qsizetype>(xs.size()));
    for (std::size_t i = 0; i < xs.size(); ++i)
        points[static_cast<qsizetype>(i)] = QCPGraphData(xs[i], ys[i]);
    // The model keeps X ascending, so the plot need not sort.
    graph->data()->set(points, true);
}

void ChartView::syncFromModel()
{
    syncQueued_ = false;
    syncing_ = true;
    if (drawnOrder_ != model_->attached())
        rebuildGraphs();
    for (SeriesId id : drawnOrder_) {
        const ChartSeries& series = model_->series(id);
        Drawn& d = drawn_[id];
        applyStyle(series, d.graph);
        if (d.dataRevision != series.dataRevision()) {
            // A corrected depth moves one point: a million-point layer is not copied for it.
            const std::optional<std::size_t> moved = series.onlyYChangedSince(d.dataRevision);
            const QSharedPointer<QCPGraphDataContainer> points = d.graph->data();
            if (moved && *moved < static_cast<std::size_t>(points->size()) &&
                (points->begin() + static_cast<qsizetype>(*moved))->key == series.xs()[*moved])
                (points->begin() + static_cast<qsizetype>(*moved))->value = series.ys()[*moved];
            else
                copyData(series, d.graph);
            d.dataRevision = series.dataRevision();
        }
    }
    xAxis->setRange(model_->bottomAxis().minimum(), model_->bottomAxis().maximum());
    yAxis->setRange(model_->leftAxis().minimum(), model_->leftAxis().maximum());
    syncing_ = false;
    replot(QCustomPlot::rpQueuedReplot);
}

void ChartView::axisRangeChanged(AxisId axis, const QCPRange& range)
{
    // Zooms and pans belong to the model too, so that the next build starts from them.
    if (syncing_)
        return;
    model_->axis(axis).setRange(range.lower, range.upper);
}

QCPGraph* ChartView::graphOf(SeriesId series) const
{
    const auto it = drawn_.find(series);
    return it == drawn_.end() ? nullptr : it->second.graph;
}

QPointF ChartView::pixelOf(SeriesId id, std::size_t index) const
{
    const ChartSeries& series = model_->series(id);
    return QPointF(xAxis->coordToPixel(series.xs().at(index)), yAxis->coordToPixel(series.ys().at(index)));
}

std::optional<ChartHit> ChartView::pointAt(const QPointF& pos) const
{
    // Points on the border of the plot area (depth 0 at the top) are drawn half and are
    // still meant to be hit; points outside it are not drawn at all.
    const QRectF drawn = QRectF(axisRect()->rect()).adjusted(-1.0, -1.0, 1.0, 1.0);
    const QRectF reach = drawn.adjusted(-kPickTolerance, -kPickTolerance, kPickTolerance, kPickTolerance);
    if (!reach.contains(pos))
        return std::nullopt;
    std::optional<ChartHit> best;
    double bestDistance = 0.0;
    // Top-most first, so that of equally near points the one drawn on top is taken.
    for (auto it = drawnOrder_.rbegin(); it != drawnOrder_.rend(); ++it) {
        if (!model_->exists(*it))
            continue;
        const ChartSeries& series = model_->series(*it);
        const SeriesPointer& pointer = series.pointer();
        const double tx = kPickTolerance + (pointer.visible ? std::max(0, pointer.horizSize) / 2.0 : 0.0);
        const double ty = kPickTolerance + (pointer.visible ? std::max(0, pointer.vertSize) / 2.0 : 0.0);
        double lo = xAxis->pixelToCoord(pos.x() - tx);
        double hi = xAxis->pixelToCoord(pos.x() + tx);
        if (lo > hi)
            std::swap(lo, hi);
        const std::vector<double>& xs = series.xs();
        const std::vector<double>& ys = series.ys();
        const auto first = std::lower_bound(xs.begin(), xs.end(), lo);
        const auto last = std::upper_bound(first, xs.end(), hi);
        for (auto x = first; x != last; ++x) {
            const auto i = static_cast<std::size_t>(x - xs.begin());
            const QPointF pixel(xAxis->coordToPixel(*x), yAxis->coordToPixel(ys[i]));
            const double dx = pixel.x() - pos.x();
            const double dy = pixel.y() - pos.y();
            if (std::abs(dx) > tx || std::abs(dy) > ty || !drawn.contains(pixel))
                continue;
            const double distance = dx * dx + dy * dy;
            if (!best || distance < bestDistance) {
                best = ChartHit{*it, i};
                bestDistance = distance;
            }
        }
    }
    return best;
}

void ChartView::mousePressEvent(QMouseEvent* event)
{
    pressed(event);
    QCustomPlot::mousePressEvent(event);
}

void ChartView::mouseDoubleClickEvent(QMouseEvent* event)
{
    pressed(event);
    QCustomPlot::mouseDoubleClickEvent(event);
}

void ChartView::pressed(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    if (syncQueued_)
        syncFromModel();
    if (const std::optional<ChartHit> hit = pointAt(event->position())) {
        Q_EMIT clickSeries(hit->series, static_cast<int>(hit->index), event->button());
        // A drag that starts here pans from the ranges the click has just produced.
        if (syncQueued_)
            syncFromModel();
    }
}

void ChartView::keyPressEvent(QKeyEvent* event)
{
    const DiagramKey key = diagramKeyFor(event->key());
    Q_EMIT keyDown(key);
    if (key != DiagramKey::Other)
        event->accept(); // arrows and Delete belong to the diagram, not to scrolling parents
    else
        QCustomPlot::keyPressEvent(event);
}

void ChartView::drawMarks(QCPPainter* painter)
{
    marksDrawn_ = 0;
    const QRect area = axisRect()->rect();
    if (area.isEmpty())
        return;
    const QCPRange xr = xAxis->range();
    const QCPRange yr = yAxis->range();
    for (SeriesId id : drawnOrder_) {
        if (!model_->exists(id))
            continue;
        const ChartSeries& series = model_->series(id);
        const SeriesMarks& marks = series.marks();
        if (!marks.visible || marks.drawEvery <= 0 || series.count() == 0)
            continue;

        QFont font = this->font();
        font.setPointSize(std::max(1, marks.font.size));
        font.setBold(marks.font.bold);
        painter->setFont(font);
        const QFontMetrics metrics(font);
        const QColor textColor = ToQColor(marks.font.color);
        const QColor arrowColor = displayColor(series);

        // Of the marks anchored in one cell about a mark's size only the first is drawn: the
        // others would pile up unreadably, and the work stays bounded by the window's area
        // whatever the number of points.
        const int cellW = std::max(8, metrics.horizontalAdvance(QStringLiteral("0000")));
        const int cellH = std::max(8, metrics.height());
        const int cols = area.width() / cellW + 1;
        const int rows = area.height() / cellH + 1;
        markCells_.assign(static_cast<std::size_t>(cols) * static_cast<std::size_t>(rows), 0);

        const std::vector<double>& xs = series.xs();
        const std::vector<double>& ys = series.ys();
        const auto n = static_cast<std::size_t>(marks.drawEvery);
        const auto lo = static_cast<std::size_t>(std::lower_bound(xs.begin(), xs.end(), xr.lower) - xs.begin());
        const auto hi = static_cast<std::size_t>(std::upper_bound(xs.begin(), xs.end(), xr.upper) - xs.begin());
        const double angle = marks.angle;
        const double radians = angle * std::numbers::pi / 180.0;
        const double direction = marks.arrowLength >= 0 ? -1.0 : 1.0; // screen y grows downward

        for (std::size_t i = (lo + n - 1) / n * n; i < hi; i += n) {
            if (!yr.contains(ys[i]))
                continue;
            const QPointF point(xAxis->coordToPixel(xs[i]), yAxis->coordToPixel(ys[i]));
            const int cx = std::clamp(static_cast<int>(point.x() - area.left()) / cellW, 0, cols - 1);
            const int cy = std::clamp(static_cast<int>(point.y() - area.top()) / cellH, 0, rows - 1);
            std::uint8_t& used = markCells_[static_cast<std::size_t>(cy) * static_cast<std::size_t>(cols) +
                                            static_cast<std::size_t>(cx)];
            if (used)
                continue;
            used = 1;

            const QPointF end(point.x(), point.y() - marks.arrowLength);
            const QString text = toQString(series.markText(i));
            const QSizeF box(metrics.horizontalAdvance(text) + 4.0, metrics.height());
            // The box lies beyond the arrow's end, whatever its rotation.
            const double extentX = std::abs(box.width() * std::cos(radians)) +
                                   std::abs(box.height() * std::sin(radians));
            const double extentY = std::abs(box.width() * std::sin(radians)) +
                                   std::abs(box.height() * std::cos(radians));
            const QPointF centre(end.x(), end.y() + direction * extentY / 2.0);
            const QRectF bounds(centre.x() - extentX / 2.0, centre.y() - extentY / 2.0, extentX, extentY);
            if (marks.arrowLength != 0) {
                painter->setPen(QPen(arrowColor, 1));
                painter->drawLine(point, end);
            }
            if (!bounds.intersects(QRectF(area)))
                continue; // clipped away entirely
            const QTransform saved = painter->transform();
            painter->translate(centre);
            painter->rotate(-angle);
            const QRectF rect(-box.width() / 2.0, -box.height() / 2.0, box.width(), box.height());
            if (!marks.transparent) {
                painter->setPen(QPen(Qt::gray, 1));
                painter->setBrush(QColor(255, 255, 225));
                painter->drawRect(rect);
            }
            painter->setPen(textColor);
            painter->drawText(rect, Qt::AlignCenter, text);
            painter->setTransform(saved);
            ++marksDrawn_;
        }
    }
}

} // namespace trassel
