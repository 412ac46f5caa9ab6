#include "diagram/diagram_page.h"

#include "base/error.h"
#include "diagram/chart_view.h"
#include "document/survey_document.h"

#include <QPrinter>
#include <QVBoxLayout>

#include <algorithm>

namespace trassel {

DiagramPage::DiagramPage(SurveyDocument& doc, CommandGuard guard, QWidget* parent)
    : QWidget(parent), doc_(&doc), guard_(std::move(guard))
{
    setObjectName(QStringLiteral("Диаграммы"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    chtOverviewChart = new ChartView(doc.chart(), this);
    chtOverviewChart->setObjectName(QStringLiteral("chtOverviewChart"));
    layout->addWidget(chtOverviewChart);
    connect(chtOverviewChart, &ChartView::keyDown, this, [this](int vk) { chtOverviewChartKeyDown(vk); });
    connect(chtOverviewChart, &ChartView::clickSeries, this, [this](int series, int index, Qt::MouseButton button) {
        guard_([=, this] { chtOverviewChartClickSeries(series, index, button); });
    });
}

void DiagramPage::chtOverviewChartKeyDown(int key)
{
    // The key handler reports nothing: a cell that is not a number simply stops it.
    doc_->chartKeyDown(key);
}

void DiagramPage::chtOverviewChartClickSeries(int series, int index, Qt::MouseButton button)
{
    if (index < 0)
        return;
    doc_->chartClickSeries(static_cast<SeriesId>(series), static_cast<std::size_t>(index), ChartView::buttonFor(button));
}

void DiagramPage::print(QPrinter& printer)
{
    chtOverviewChart->syncFromModel();
    QCPPainter painter;
    if (!painter.begin(&printer))
        throw Error("Не удалось начать печать диаграммы");
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    const double scale = std::min(page.width() / chtOverviewChart->width(), page.height() / chtOverviewChart->height());
    painter.scale(scale, scale);
    chtOverviewChart->toPainter(&painter, chtOverviewChart->width(), chtOverviewChart->height());
    painter.end();
}

} // namespace trassel
