#pragma once
// Writing the section bitmap to an image file of the kind its name asks for.
#include "base/atomic_file.h"
#include "base/progress.h"

#include <QImage>
#include <QString>

namespace trassel {

class DrawingRecord;

// The file-type choices of the save dialog for the section image.
QString SectionImageFilter();

// Writes the image by the name's extension: ".jpg"/".jpeg" JPEG of quality 95, ".png" PNG,
// anything else a 24-bit BMP. The file is written beside the target and renamed into place, so
// a failure leaves an existing file as it was. Throws Error with the reason and the file name.
// A read-only file is replaced only with ReadOnlyTarget::Overwrite (the user agreed).
void ExportSectionImage(const QImage& image, const QString& path, ReadOnlyTarget readOnly = ReadOnlyTarget::Refuse);

// Writes a recorded drawing: ".pdf" and ".svg" as vector files whose page is the drawing (texts
// stay texts, hatches patterns), any other name as the bitmap above. Stopped through
// `progress` (Cancelled), it leaves a former file of that name as it was.
// `title` names the drawing in a PDF or SVG (the section's when empty).
void ExportSectionRecord(const DrawingRecord& record, const QString& path, const Progress& progress = {},
                         ReadOnlyTarget readOnly = ReadOnlyTarget::Refuse, const QString& title = {});

} // namespace trassel
