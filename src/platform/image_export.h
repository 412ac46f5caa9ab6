#pragma once
// Writing the section bitmap to an image file of the kind its name asks for.
#include <QImage>
#include <QString>

namespace trassel {

// The file-type choices of the save dialog for the section image.
QString SectionImageFilter();

// Writes the image by the name's extension: ".jpg"/".jpeg" JPEG of quality 95, ".png" PNG,
// anything else a 24-bit BMP. The file is written beside the target and renamed into place, so
// a failure leaves an existing file as it was. Throws Error with the reason and the file name.
void ExportSectionImage(const QImage& image, const QString& path);

} // namespace trassel
