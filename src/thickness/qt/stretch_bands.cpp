#include "thickness/qt/stretch_bands.h"

#include "base/error.h"
#include "diagram/qt/chart_view.h" // the plotting library, its keywords mapped
#include "document/survey_document.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace trassel {
namespace {

const QColor kBand(220, 0, 0, 48);

} // namespace

StretchBands::StretchBands(SurveyDocument& doc, QCustomPlot& plot) : QWidget(&plot), doc_(&doc), plot_(&plot)
{
    setObjectName(QStringLiteral("StretchBands"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(plot.rect());
    plot.installEventFilter(this);
    connect(&plot, &QCustomPlot::afterReplot, this, [this] { update(); });
    subscription_ = doc.subscribe([this](const DocumentChange& change) {
        if (ChangesCompliance(change)) {
            stale_ = true;
            update();
        }
    });
    raise();
}

bool StretchBands::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == plot_ && event->type() == QEvent::Resize)
        setGeometry(plot_->rect());
    return false;
}

void StretchBands::readStretches()
{
    stale_ = false;
    spans_.clear();
    try {
        for (const LayerCompliance& layer : doc_->compliance().layers)
            for (const FailingStretch& s : layer.stretches)
                spans_.emplace_back(s.fromM / 100.0, s.toM / 100.0);
    } catch (const Error&) {
        // Pickets out of order: the stretches page says why; the diagram shows no bands.
        spans_.clear();
    }
}

QList<QRect> StretchBands::bands()
{
    if (stale_)
        readStretches();
    QList<QRect> out;
    const QRect area = plot_->axisRect()->rect();
    for (const auto& [from, to] : spans_) {
        const double a = plot_->xAxis->coordToPixel(from);
        const double b = plot_->xAxis->coordToPixel(to);
        const QRect band = QRect(QPoint(static_cast<int>(std::floor(std::min(a, b))), area.top()),
                                 QPoint(static_cast<int>(std::ceil(std::max(a, b))), area.bottom()))
                               .intersected(area);
        if (!band.isEmpty())
            out << band;
    }
    return out;
}

void StretchBands::paintEvent(QPaintEvent*)
{
    const QList<QRect> rects = bands();
    if (rects.isEmpty())
        return;
    QPainter painter(this);
    for (const QRect& r : rects)
        painter.fillRect(r, kBand);
}

} // namespace trassel
