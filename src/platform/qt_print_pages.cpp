#include "platform/qt_print_pages.h"

#include "base/error.h"
#include "platform/print_pages.h"

#include <QPageLayout>
#include <QPainter>
#include <QRect>

#include <string>

namespace trassel {
namespace {

std::string PrinterName(const QPrinter& printer)
{
    const QString name = printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName() : printer.printerName();
    return name.toStdString();
}

} // namespace

void PrintSectionImage(const QImage& image, QPrinter& printer)
{
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    const std::vector<PrintTile> tiles = PlanPrintPages(image.width(), image.height(), page.width(), page.height());
    if (tiles.empty())
        throw Error("Печатать нечего: разрез пуст или у страницы нет области печати.");

    QPainter painter;
    if (!painter.begin(&printer))
        throw Error("Не удалось начать печать на «" + PrinterName(printer) + "».");
    for (std::size_t i = 0; i < tiles.size(); ++i) {
        if (i > 0 && !printer.newPage()) {
            painter.end();
            throw Error("Принтер «" + PrinterName(printer) + "» не принял новую страницу.");
        }
        const PrintTile& t = tiles[i];
        painter.drawImage(QRect(t.dstLeft, t.dstTop, t.dstWidth, t.dstHeight), image,
                          QRect(t.srcLeft, t.srcTop, t.srcWidth, t.srcHeight));
    }
    if (!painter.end())
        throw Error("Печать на «" + PrinterName(printer) + "» не завершилась.");
}

} // namespace trassel
