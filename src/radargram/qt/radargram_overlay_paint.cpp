#include "radargram/qt/radargram_overlay_paint.h"

#include <QPainter>
#include <QPen>
#include <QPolygon>

#include <algorithm>

namespace trassel {

QImage ImageOfPicture(const Picture& picture)
{
    QImage image(picture.width, picture.height, QImage::Format_RGB32);
    for (int y = 0; y < picture.height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const Color* from = picture.pixels.data() +
                            static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width);
        for (int x = 0; x < picture.width; ++x) {
            const Color c = from[x];
            line[x] = 0xFF000000U | ((c & 0xFFU) << 16) | (c & 0xFF00U) | ((c >> 16) & 0xFFU);
        }
    }
    return image;
}

void PaintOverlayPaths(QPainter& painter, const std::vector<OverlayPath>& paths, int width)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    QPolygon polygon;
    for (const OverlayPath& path : paths) {
        const Color c = path.color; // 0x00BBGGRR
        // A one-pixel pen draws a polyline of thousands of points by plain line stepping; a
        // wider pen strokes it as a shape, hundreds of times slower. The width is made of lines
        // drawn again a pixel lower.
        QPen pen(QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                        static_cast<int>((c >> 16) & 0xFF)),
                 0);
        pen.setCosmetic(true);
        painter.setPen(pen);
        for (const std::vector<Point>& run : path.runs) {
            polygon.resize(static_cast<int>(run.size()));
            for (std::size_t i = 0; i < run.size(); ++i)
                polygon[static_cast<int>(i)] = QPoint(run[i].x, run[i].y);
            for (int line = 0; line < std::max(1, width); ++line)
                painter.drawPolyline(polygon.translated(0, line));
        }
    }
    painter.restore();
}

} // namespace trassel
