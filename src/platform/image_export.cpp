#include "platform/image_export.h"

#include "base/error.h"

#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>

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
    return QStringLiteral("JPEG (*.jpg *.jpeg);;PNG (*.png);;BMP (*.bmp)");
}

void ExportSectionImage(const QImage& image, const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    QByteArray format = "BMP";
    if (suffix == QStringLiteral("jpg") || suffix == QStringLiteral("jpeg"))
        format = "JPEG";
    else if (suffix == QStringLiteral("png"))
        format = "PNG";

    if (image.isNull())
        Fail(path, QStringLiteral("рисунок пуст."));
    if (format == "JPEG" && (image.width() > kMaxJpegSide || image.height() > kMaxJpegSide))
        Fail(path, QStringLiteral("формат JPEG допускает не более %1 пикселей по стороне, а рисунок имеет %2 × %3. "
                                  "Сохраните его в PNG или BMP.")
                       .arg(kMaxJpegSide)
                       .arg(image.width())
                       .arg(image.height()));

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        Fail(path, file.errorString());
    QImageWriter writer(&file, format);
    if (format == "JPEG")
        writer.setQuality(95);
    // 32-bit pixels are written as a 24-bit bitmap; the unused byte never reaches the file.
    if (!writer.write(image)) {
        const QString reason = writer.errorString();
        file.cancelWriting();
        Fail(path, reason);
    }
    if (!file.commit())
        Fail(path, file.errorString());
}

} // namespace trassel
