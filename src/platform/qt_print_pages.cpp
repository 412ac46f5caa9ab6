#include "platform/qt_print_pages.h"

#include "base/error.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLineF>
#include <QPageLayout>
#include <QPainter>
#include <QPen>
#include <QPointF>
#include <QPolygonF>
#include <QRectF>
#include <QTransform>

#include <cmath>
#include <string>

namespace trassel {
namespace {

constexpr double kMmPerInch = 25.4;
constexpr double kFooterPoints = 8;
constexpr double kFooterGapMm = 2; // between the picture's space and the footer's text
constexpr double kMarkLengthMm = 4;
constexpr double kMarkHeadMm = 1.5;
constexpr double kMarkPenMm = 0.2;

std::string PrinterName(const QPrinter& printer)
{
    const QString name = printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName()
                                                                       : printer.printerName();
    return name.toStdString();
}

QFont FooterFont()
{
    QFont font;
    font.setPointSizeF(kFooterPoints);
    return font;
}

double DevicePixels(double mm, const QPrinter& printer) { return mm * printer.resolution() / kMmPerInch; }

// Short strokes along the line where the neighbouring sheet's picture begins or ends, at both
// ends of the picture, each with a small arrowhead on the picture's edge; a white border keeps
// them visible over dark fills. The sheets are trimmed and laid over each other by them.
void DrawOverlapMarks(QPainter& painter, const SectionPrintPage& page, const QPrinter& printer)
{
    if (page.marks.empty())
        return;
    const QRectF picture(page.destination.left, page.destination.top, page.destination.width, page.destination.height);
    const double length = DevicePixels(kMarkLengthMm, printer);
    const double head = DevicePixels(kMarkHeadMm, printer);
    const double pen = DevicePixels(kMarkPenMm, printer);
    // Stroke from `edge` inwards by `length`; `along` is the unit step into the picture.
    const auto stroke = [&](QPointF edge, QPointF along) {
        const QPointF across(along.y(), along.x());
        const QLineF line(edge, edge + along * length);
        QPolygonF arrow;
        arrow << edge + along * head + across * (head / 2) << edge << edge + along * head - across * (head / 2);
        painter.setPen(QPen(Qt::white, pen * 3));
        painter.setBrush(Qt::NoBrush);
        painter.drawLine(line);
        painter.drawPolygon(arrow);
        painter.setPen(QPen(Qt::black, pen));
        painter.setBrush(Qt::black);
        painter.drawLine(line);
        painter.drawPolygon(arrow);
    };
    painter.save();
    for (const OverlapMark& mark : page.marks) {
        if (mark.edge == SheetEdge::Left || mark.edge == SheetEdge::Right) {
            stroke(QPointF(mark.at, picture.top()), QPointF(0, 1));
            stroke(QPointF(mark.at, picture.bottom()), QPointF(0, -1));
        } else {
            stroke(QPointF(picture.left(), mark.at), QPointF(1, 0));
            stroke(QPointF(picture.right(), mark.at), QPointF(-1, 0));
        }
    }
    painter.restore();
}

void DrawFooter(QPainter& painter, const SectionPrintPage& page, const PrintSheet& sheet)
{
    const QRectF band(0, sheet.height - sheet.footerHeight, sheet.width, sheet.footerHeight);
    painter.save();
    painter.setFont(FooterFont());
    painter.setPen(Qt::black);
    painter.drawText(band, Qt::AlignLeft | Qt::AlignBottom, QString::fromStdString(SheetLabel(page)));
    painter.drawText(band, Qt::AlignRight | Qt::AlignBottom, QString::fromStdString(SheetKmText(page)));
    painter.restore();
}

void PaintSheet(QPainter& painter, const SectionPrintSource& source, const SectionPrintPage& page,
                const PrintSheet& sheet, const QPrinter& printer)
{
    const PrintRect& d = page.destination;
    const PrintRect& p = page.sourcePixels;
    painter.save();
    painter.setClipRect(QRect(d.left, d.top, d.width, d.height));
    QTransform transform;
    transform.translate(d.left, d.top);
    transform.scale(d.width / page.source.width, d.height / page.source.height);
    transform.translate(-page.source.left, -page.source.top);
    painter.setTransform(transform);
    source.paint(painter, QRect(p.left, p.top, p.width, p.height));
    painter.restore();
    DrawOverlapMarks(painter, page, printer);
    DrawFooter(painter, page, sheet);
}

} // namespace

SectionGeometry GeometryOf(const SectionPrintSource& source)
{
    SectionGeometry geometry;
    geometry.width = source.width;
    geometry.height = source.height;
    geometry.firstPicket = source.firstPicket;
    geometry.leftX = source.leftX;
    geometry.pixelsPerPicket = source.pixelsPerPicket;
    geometry.pixelsPerCm = source.pixelsPerCm;
    return geometry;
}

PrintSheet SheetOf(const QPrinter& printer)
{
    const QRect area = printer.pageLayout().paintRectPixels(printer.resolution());
    const QFontMetricsF metrics(FooterFont(), &printer);
    PrintSheet sheet;
    sheet.width = area.width();
    sheet.height = area.height();
    sheet.dpiX = printer.resolution();
    sheet.dpiY = printer.resolution();
    sheet.footerHeight = static_cast<int>(std::ceil(metrics.height() + DevicePixels(kFooterGapMm, printer)));
    return sheet;
}

void PrintSection(QPrinter& printer, const SectionPrintSource& source, const SectionPrintOptions& options)
{
    const PrintSheet sheet = SheetOf(printer);
    const SectionPrintPlan plan = source.paint ? PlanSectionPrint(GeometryOf(source), sheet, options)
                                               : SectionPrintPlan{};
    if (plan.pages.empty())
        throw Error("Печатать нечего: разрез пуст или у страницы нет области печати.");

    QPainter painter;
    if (!painter.begin(&printer))
        throw Error("Не удалось начать печать на «" + PrinterName(printer) + "».");
    for (std::size_t i = 0; i < plan.pages.size(); ++i) {
        if (i > 0 && !printer.newPage()) {
            painter.end();
            throw Error("Принтер «" + PrinterName(printer) + "» не принял новую страницу.");
        }
        PaintSheet(painter, source, plan.pages[i], sheet, printer);
    }
    if (!painter.end())
        throw Error("Печать на «" + PrinterName(printer) + "» не завершилась.");
}

} // namespace trassel
