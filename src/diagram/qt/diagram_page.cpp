#include "diagram/qt/diagram_page.h"

#include "base/atomic_file.h"
#include "platform/qt_text.h"
#include "base/error.h"
#include "diagram/qt/chart_view.h"
#include "diagram/qt/diagram_output.h"
#include "document/survey_document.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <QPrinter>
#include <QVBoxLayout>

#include <cstddef>
#include <string_view>

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
    connect(chtOverviewChart, &ChartView::keyDown, this, [this](DiagramKey key) { chtOverviewChartKeyDown(key); });
    connect(chtOverviewChart, &ChartView::clickSeries, this, [this](int series, int index, Qt::MouseButton button) {
        guard_([=, this] { chtOverviewChartClickSeries(series, index, button); });
    });
}

void DiagramPage::chtOverviewChartKeyDown(DiagramKey key)
{
    // The key handler reports nothing: a cell that is not a number simply stops it.
    if (const std::optional<Correction> correction = doc_->chartKeyDown(key))
        Q_EMIT corrected(QString::fromStdString(DescribeCorrection(doc_->layers(), *correction)));
}

void DiagramPage::chtOverviewChartClickSeries(int series, int index, Qt::MouseButton button)
{
    if (index < 0)
        return;
    doc_->chartClickSeries(static_cast<SeriesId>(series), static_cast<std::size_t>(index),
                           ChartView::buttonFor(button));
}

void DiagramPage::print(QPrinter& printer)
{
    const QSize size = DiagramLogicalSize(*chtOverviewChart);
    const QPicture picture = RecordDiagram(*chtOverviewChart, size);
    QPainter painter;
    if (!painter.begin(&printer))
        throw Error("Не удалось начать печать диаграммы");
    // The painter's origin is the corner of the printable area already (of the sheet on a
    // full page, where that area is the whole sheet).
    const QRectF paintRect = printer.pageLayout().paintRectPixels(printer.resolution());
    PaintDiagram(painter, picture, size, QRectF(QPointF(0, 0), paintRect.size()));
    if (!painter.end())
        throw Error("Не удалось завершить печать диаграммы");
}

void DiagramPage::exportImage(const QString& path, ReadOnlyTarget readOnly)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    const bool png = suffix == QStringLiteral("png");
    if (!png && suffix != QStringLiteral("pdf"))
        throw Error("Не удалось сохранить диаграмму в файл «" + path.toStdString() +
                    "»: диаграмма сохраняется только рисунком PNG (*.png) или документом PDF (*.pdf).");
    const QSize size = DiagramLogicalSize(*chtOverviewChart);
    const QPicture picture = RecordDiagram(*chtOverviewChart, size);
    QByteArray bytes;
    if (png) {
        // Twice the screen's pixels, so that the picture stays sharp in a printed report.
        const QImage image = DiagramImage(picture, size, 2);
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "PNG");
        if (!writer.write(image))
            throw Error("Не удалось сохранить диаграмму в файл «" + path.toStdString() +
                        "»: " + writer.errorString().toStdString());
    } else {
        bytes = DiagramPdf(picture, size);
    }
    WriteFileAtomically(toLocalPath(path), std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                        readOnly);
}

} // namespace trassel
