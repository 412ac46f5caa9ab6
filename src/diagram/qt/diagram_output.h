#pragma once
// The diagram off the screen: drawn once at a logical size, as on the screen, and laid onto a
// printed page, a bitmap or a PDF page at whatever resolution they have, so that its text keeps
// the proportions it has on the screen.
#include <QByteArray>
#include <QImage>
#include <QPicture>
#include <QRectF>
#include <QSize>

class QPainter;
class QWidget;

namespace trassel {

class ChartView;

// The size the diagram is drawn at off the screen: the chart's own size once it has been laid
// out or shown and is big enough to read, else an A4 landscape sheet at 96 dpi (1123 × 794).
QSize DiagramLogicalSize(const QWidget& chart);

// The chart brought in line with its model and recorded at `size` logical pixels as vector
// drawing commands, with the fonts measured as on the screen. The widget keeps its own layout.
QPicture RecordDiagram(ChartView& chart, QSize size);

// Where a picture of `size` lands inside `area`: scaled to fit, proportions kept, centred.
QRectF FitDiagram(QSize size, const QRectF& area);

// Plays `picture` (recorded at `size`) onto `painter` scaled into `area` as FitDiagram says.
void PaintDiagram(QPainter& painter, const QPicture& picture, QSize size, const QRectF& area);

// The recorded diagram as a bitmap `scale` times its logical size, on white.
QImage DiagramImage(const QPicture& picture, QSize size, int scale);

// The recorded diagram as a one-page vector PDF whose page is the logical size at 96 dpi.
QByteArray DiagramPdf(const QPicture& picture, QSize size);

} // namespace trassel
