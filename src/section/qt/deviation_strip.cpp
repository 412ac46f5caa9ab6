#include "section/qt/deviation_strip.h"

#include "base/error.h"
#include "document/redraw_rules.h"
#include "document/section_scene.h"
#include "document/survey_document.h"
#include "platform/qt_canvas.h"
#include "section/qt/section_view.h"
#include "thickness/deviation_plot.h"

#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace trassel {

DeviationStrip::DeviationStrip(SurveyDocument& doc, SectionView& view, QWidget* parent)
    : QWidget(parent), doc_(&doc), view_(&view)
{
    setObjectName(QStringLiteral("DeviationStrip"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    hide();
    connect(&view, &SectionView::shownChanged, this, qOverload<>(&QWidget::update));
    subscription_ = doc.subscribe([this](const DocumentChange& change) {
        if (ChangesCompliance(change) || change.what == DocumentChange::What::SectionPicture ||
            change.what == DocumentChange::What::SectionParams)
            refresh();
    });
}

void DeviationStrip::refresh()
{
    plotted_.clear();
    if (doc_->section().drawn()) {
        try {
            const Compliance& compliance = doc_->compliance();
            for (std::size_t i = 0; i < compliance.layers.size(); ++i) {
                if (compliance.layers[i].line.anyNorm())
                    plotted_.push_back(i);
            }
        } catch (const Error&) {
            // Pickets out of order: the stretches page says why; nothing is plotted.
            plotted_.clear();
        }
    }
    setFixedHeight(static_cast<int>(plotted_.size()) * kPlotHeight);
    setVisible(!plotted_.empty());
    update();
}

void DeviationStrip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (plotted_.empty())
        return;
    const Compliance* compliance = nullptr;
    try {
        compliance = &doc_->compliance();
    } catch (const Error&) {
        return;
    }
    if (compliance->points.size() == 0)
        return;
    // The section's mapping of a position to its bitmap's x, then to this widget as the view
    // shows the bitmap: scrolled, zoomed, the image's margin and the frame included.
    const SectionParams params = doc_->sectionParams();
    const double zoom = view_->zoom();
    const double shownLeft = view_->visibleSection().left();
    const QPoint viewport = view_->viewport()->mapTo(window(), QPoint(0, 0));
    const QPoint here = mapTo(window(), QPoint(0, 0));
    PicketAxis axis;
    axis.firstPicket = compliance->points.posM.front() / 100.0;
    axis.pixelsPerPicket = params.SX * zoom;
    axis.leftX = (params.Lleft + 60 - shownLeft) * zoom + (viewport.x() - here.x());

    VectorCanvas canvas(painter, width(), height());
    for (std::size_t k = 0; k < plotted_.size(); ++k) {
        const int top = static_cast<int>(k) * kPlotHeight;
        DrawDeviationPlot(canvas, *compliance, plotted_[k], Rect{0, top + 2, width(), top + kPlotHeight - 2}, axis);
    }
}

} // namespace trassel
