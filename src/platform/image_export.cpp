#include "platform/image_export.h"
#include "platform/atomic_file_device.h"

#include "base/atomic_file.h"
#include "platform/qt_text.h"
#include "base/error.h"
#include "platform/qt_canvas.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QImageWriter>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#ifndef TRASSEL_NO_SVG
#include <QSvgGenerator>
#endif

#include <optional>
#include <string>

namespace trassel {
namespace {

// The largest side a JPEG file can describe.
constexpr int kMaxJpegSide = 65535;

[[noreturn]] void Fail(const QString& path, const QString& reason)
{
    throw Error("Не удалось сохранить рисунок в файл «" + path.toStdString() + "»: " + reason.toStdString());
}

} // namespace

QString SectionImageFilter()
{
    return QStringLiteral("JPEG (*.jpg *.jpeg);;PNG (*.png);;BMP (*.bmp);;PDF (*.pdf);;SVG (*.svg)");
}

namespace {

void CheckJpegSize(const QString& path, int width, int height)
{
    if (width > kMaxJpegSide || height > kMaxJpegSide)
        Fail(path, QStringLiteral("формат JPEG допускает не более %1 пикселей по стороне, а рисунок имеет %2 × %3. "
                                  "Сохраните его в PNG, BMP или PDF.")
                       .arg(kMaxJpegSide)
                       .arg(width)
                       .arg(height));
}

bool IsJpeg(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QStringLiteral("jpg") || suffix == QStringLiteral("jpeg");
}

// Paints the record onto a vector device through the atomic file, then puts the file in place.
template <class Paint>
void WriteVector(const QString& path, ReadOnlyTarget readOnly, Paint&& paint)
{
    AtomicFileDevice file(path, readOnly);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(file.failure().toStdString());
    const bool painted = paint(file);
    if (!file.failure().isEmpty())
        throw Error(file.failure().toStdString());
    if (!painted)
        Fail(path, QStringLiteral("устройство вывода не открылось."));
    if (!file.commit())
        throw Error(file.failure().toStdString());
}

} // namespace

void ExportSectionRecord(const DrawingRecord& record, const QString& path, const Progress& progress,
                         ReadOnlyTarget readOnly, const QString& drawingTitle)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    const int width = record.width();
    const int height = record.height();
    if (width <= 0 || height <= 0)
        Fail(path, QStringLiteral("рисунок пуст."));
    const QString title = drawingTitle.isEmpty() ? QStringLiteral("Геологический разрез") : drawingTitle;
    if (suffix == QStringLiteral("pdf")) {
        WriteVector(path, readOnly, [&](QIODevice& file) {
            QPdfWriter pdf(&file);
            pdf.setTitle(title);
            pdf.setCreator(QStringLiteral("Trassel"));
            pdf.setResolution(96);
            // The page is the section: one unit a section pixel at 96 per inch, no margins.
            pdf.setPageLayout(QPageLayout(QPageSize(QSizeF(width * 0.75, height * 0.75), QPageSize::Point),
                                          QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
            QPainter painter;
            if (!painter.begin(&pdf))
                return false;
            PaintRecord(record, painter, {}, progress);
            return painter.end();
        });
        return;
    }
    if (suffix == QStringLiteral("svg")) {
#ifdef TRASSEL_NO_SVG
        Fail(path, QStringLiteral("эта сборка программы не записывает SVG; сохраните разрез в PDF."));
#else
        WriteVector(path, readOnly, [&](QIODevice& file) {
            QSvgGenerator svg;
            svg.setOutputDevice(&file);
            svg.setSize(QSize(width, height));
            svg.setViewBox(QRect(0, 0, width, height));
            svg.setResolution(96);
            svg.setTitle(title);
            QPainter painter;
            if (!painter.begin(&svg))
                return false;
            PaintRecord(record, painter, {}, progress);
            return painter.end();
        });
        return;
#endif
    }
    if (IsJpeg(path))
        CheckJpegSize(path, width, height);
    // The picture is most of the work; its encoding follows as one step.
    ExportSectionImage(RenderRecord(record,
                                    [&progress](long long done, long long total) {
                                        if (progress)
                                            progress(done * 4 / 5, total);
                                    }),
                       path, readOnly);
    if (progress)
        progress(ProgressMeter::kWhole, ProgressMeter::kWhole);
}

void ExportSectionImage(const QImage& image, const QString& path, ReadOnlyTarget readOnly)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    QByteArray format = "BMP";
    if (suffix == QStringLiteral("jpg") || suffix == QStringLiteral("jpeg"))
        format = "JPEG";
    else if (suffix == QStringLiteral("png"))
        format = "PNG";

    if (image.isNull())
        Fail(path, QStringLiteral("рисунок пуст."));
    if (format == "JPEG")
        CheckJpegSize(path, image.width(), image.height());

    AtomicFileDevice file(path, readOnly);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(file.failure().toStdString());
    QImageWriter writer(&file, format);
    if (format == "JPEG")
        writer.setQuality(95);
    // 32-bit pixels are written as a 24-bit bitmap; the unused byte never reaches the file.
    if (!writer.write(image)) {
        if (!file.failure().isEmpty())
            throw Error(file.failure().toStdString());
        Fail(path, writer.errorString());
    }
    if (!file.commit())
        throw Error(file.failure().toStdString());
}

} // namespace trassel
