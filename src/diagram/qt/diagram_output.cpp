#include "diagram/qt/diagram_output.h"

#include "base/error.h"
#include "diagram/qt/chart_view.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace trassel {
namespace {

// A4 landscape at 96 dpi: a diagram never shown is drawn as it would fill a sheet.
constexpr QSize kSheetSize(1123, 794);
// Smaller than this the axes and their labels crowd the plot out.
constexpr QSize kSmallestSize(320, 240);
// The screen's pixels per inch the logical size is counted in.
constexpr double kLogicalDpi = 96.0;

} // namespace

QSize DiagramLogicalSize(const QWidget& chart)
{
    // A widget never laid out still has Qt's placeholder geometry, which says nothing.
    const bool laidOut = chart.isVisible() || chart.testAttribute(Qt::WA_Resized);
    if (laidOut && chart.width() >= kSmallestSize.width() && chart.height() >= kSmallestSize.height())
        return chart.size();
    return kSheetSize;
}

QPicture RecordDiagram(ChartView& chart, QSize size)
{
    chart.syncFromModel();
    // A picture measures fonts at the screen's resolution, as the plot's layout does; played
    // onto a printer or a bitmap it is only scaled, so text keeps its place beside the axes.
    // Drawn straight onto a 1200-dpi printer the points of the fonts would be counted at that
    // resolution while the layout counts them at the screen's, and every label would grow.
    QPicture picture;
    QCPPainter painter;
    if (!painter.begin(&picture))
        throw Error("Не удалось нарисовать диаграмму");
    // Vector output: no pixel-grid corrections, no cached bitmaps of labels, and no hairlines:
    // a line one screen pixel wide stays as wide beside the text on a 1200-dpi page.
    painter.setModes(QCPPainter::pmVectorized | QCPPainter::pmNoCaching | QCPPainter::pmNonCosmetic);
    chart.toPainter(&painter, size.width(), size.height());
    painter.end();
    picture.setBoundingRect(QRect(QPoint(0, 0), size));
    // Drawing at another size left the axes laid out for it; presses must meet what is shown.
    chart.replot();
    return picture;
}

QRectF FitDiagram(QSize size, const QRectF& area)
{
    if (size.isEmpty() || area.isEmpty())
        return {};
    const double scale = std::min(area.width() / size.width(), area.height() / size.height());
    const QSizeF fitted(size.width() * scale, size.height() * scale);
    return QRectF(area.left() + (area.width() - fitted.width()) / 2.0,
                  area.top() + (area.height() - fitted.height()) / 2.0, fitted.width(), fitted.height());
}

void PaintDiagram(QPainter& painter, const QPicture& picture, QSize size, const QRectF& area)
{
    const QRectF target = FitDiagram(size, area);
    if (target.isEmpty())
        return;
    // A picture plays itself at its physical size, scaled by the device's resolution against
    // the screen's; the fit already says the whole scale, so that share is taken back out.
    const QPaintDevice* device = painter.device();
    const double dpiX = static_cast<double>(picture.logicalDpiX()) / device->logicalDpiX();
    const double dpiY = static_cast<double>(picture.logicalDpiY()) / device->logicalDpiY();
    painter.save();
    painter.translate(target.topLeft());
    painter.scale(target.width() / size.width() * dpiX, target.height() / size.height() * dpiY);
    painter.drawPicture(0, 0, picture);
    painter.restore();
}

QImage DiagramImage(const QPicture& picture, QSize size, int scale)
{
    QImage image(size * scale, QImage::Format_RGB32);
    if (image.isNull())
        throw Error("Недостаточно памяти для рисунка диаграммы");
    // A viewer that honours the resolution shows the picture at its size on the screen.
    const int dotsPerMeter = static_cast<int>(std::lround(scale * kLogicalDpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    QPainter painter(&image);
    PaintDiagram(painter, picture, size, QRectF(QPointF(0, 0), QSizeF(image.size())));
    painter.end();
    return image;
}

QByteArray DiagramPdf(const QPicture& picture, QSize size)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setCreator(QStringLiteral("Trassel"));
        writer.setTitle(QStringLiteral("Интерпретационная диаграмма"));
        const QSizeF points(size.width() * 72.0 / kLogicalDpi, size.height() * 72.0 / kLogicalDpi);
        // The page is the picture: the orientation must not turn a wide size round.
        writer.setPageLayout(QPageLayout(QPageSize(points, QPageSize::Point, QString(), QPageSize::ExactMatch),
                                         QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        QPainter painter;
        if (!painter.begin(&writer))
            throw Error("Не удалось начать документ PDF диаграммы");
        PaintDiagram(painter, picture, size, QRectF(0, 0, writer.width(), writer.height()));
        if (!painter.end())
            throw Error("Не удалось завершить документ PDF диаграммы");
    }
    return bytes;
}

} // namespace trassel
