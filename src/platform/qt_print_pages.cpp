#include "platform/qt_print_pages.h"

#include "base/error.h"
#include "platform/qt_canvas.h"

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
constexpr double kMarkLengthMm = 4;
constexpr double kMarkHeadMm = 1.5;
constexpr double kMarkPenMm = 0.2;

std::string PrinterName(const QPrinter& printer)
{
    const QString name = printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName()
                                                                       : printer.printerName();
    return name.toStdString();
}

double DevicePixels(double mm, double dpi) { return mm * dpi / kMmPerInch; }

// Short strokes along the line where the neighbouring sheet's picture begins or ends, at both
// ends of the picture, each with a small arrowhead on the picture's edge; a white border keeps
// them visible over dark fills. The sheets are trimmed and laid over each other by them.
void DrawOverlapMarks(QPainter& painter, const SectionPrintPage& page, double dpi)
{
    if (page.marks.empty())
        return;
    const QRectF picture(page.destination.left, page.destination.top, page.destination.width, page.destination.height);
    const double length = DevicePixels(kMarkLengthMm, dpi);
    const double head = DevicePixels(kMarkHeadMm, dpi);
    const double pen = DevicePixels(kMarkPenMm, dpi);
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
    geometry.lastPicket = source.lastPicket;
    geometry.surfaceY = source.surfaceY;
    geometry.depthStep = source.depthStep;
    geometry.depthLabelX = source.depthLabelX;
    return geometry;
}

PrintSheet SheetOf(const QPagedPaintDevice& device, bool deviationPlot)
{
    const int dpi = device.logicalDpiX();
    const QRect area = device.pageLayout().paintRectPixels(dpi);
    PrintSheet sheet;
    sheet.width = area.width();
    sheet.height = area.height();
    sheet.dpiX = dpi;
    sheet.dpiY = dpi;
    sheet.footerHeight = static_cast<int>(std::ceil(SheetBandHeight(deviationPlot) * dpi / kSheetUnitsPerInch));
    return sheet;
}

SectionPrintPlan PlanPrint(const QPagedPaintDevice& device, const SectionPrintSource& source,
                           const SectionPrintOptions& options)
{
    return source.paint ? PlanSectionPrint(GeometryOf(source), SheetOf(device, source.deviationPlot()), options)
                        : SectionPrintPlan{};
}

SheetFacts FactsOf(const SectionPrintSource& source, const SectionPrintPlan& plan, const PrintSheet& sheet,
                   const SectionPrintPage& page)
{
    SheetFacts facts;
    facts.kmText = SheetKmText(page);
    facts.number = page.number;
    facts.count = page.count;
    // Metres of line (or of depth) per metre of paper: a picket is 100,000 mm, a cm of depth 10 mm.
    const double mmPerSectionPixelX = plan.scaleX / sheet.dpiX * kMmPerInch;
    const double mmPerSectionPixelY = plan.scaleY / sheet.dpiY * kMmPerInch;
    if (source.pixelsPerPicket > 0 && mmPerSectionPixelX > 0)
        facts.horizontalScale = 100000.0 / (source.pixelsPerPicket * mmPerSectionPixelX);
    if (source.pixelsPerCm > 0 && mmPerSectionPixelY > 0)
        facts.verticalScale = 10.0 / (source.pixelsPerCm * mmPerSectionPixelY);
    return facts;
}

void PaintSectionSheet(QPainter& painter, const SectionPrintSource& source, const SectionPrintPlan& plan,
                       const SectionPrintPage& page, const PrintSheet& sheet)
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
    DrawOverlapMarks(painter, page, sheet.dpiX);

    // The frame is drawn by the core in sheet units of 96 to the inch, scaled to the device.
    const double k = kSheetUnitsPerInch / sheet.dpiX;
    const auto units = [k](double devicePixels) { return static_cast<int>(std::lround(devicePixels * k)); };
    painter.save();
    painter.scale(1 / k, 1 / k);
    VectorCanvas canvas(painter, units(sheet.width) + 1, units(sheet.height) + 1);
    std::vector<DepthMark> marks = page.depthMarks;
    for (DepthMark& mark : marks)
        mark.y = units(mark.y);
    DrawDepthMarks(canvas, units(d.left), marks);
    SheetFrame frame;
    frame.form = source.form;
    frame.facts = FactsOf(source, plan, sheet, page);
    frame.legend = source.legend;
    frame.compliance = source.compliance;
    // The picture's picket mapping in sheet units.
    const double scale = plan.scaleX * k;
    frame.axis.firstPicket = source.firstPicket;
    frame.axis.pixelsPerPicket = source.pixelsPerPicket * scale;
    frame.axis.leftX = d.left * k + (source.leftX - page.source.left) * scale;
    const SheetBand band = LayOutSheetBand(units(sheet.width), units(sheet.height - sheet.footerHeight), units(d.left),
                                           units(d.left + d.width), source.deviationPlot());
    DrawSheetBand(canvas, band, frame);
    painter.restore();
}

void PrintSection(QPrinter& printer, const SectionPrintSource& source, const SectionPrintOptions& options)
{
    const PrintSheet sheet = SheetOf(printer, source.deviationPlot());
    const SectionPrintPlan plan = PlanPrint(printer, source, options);
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
        PaintSectionSheet(painter, source, plan, plan.pages[i], sheet);
    }
    if (!painter.end())
        throw Error("Печать на «" + PrinterName(printer) + "» не завершилась.");
}

} // namespace trassel
