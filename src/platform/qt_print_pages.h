#pragma once
// Printing of the section bitmap on a Qt printer, tiled by PlanPrintPages.
#include <QImage>
#include <QPrinter>

namespace trassel {

// Prints the whole image: its height fills the printable height of the page and its width
// goes on over as many pages as needed, left to right. Throws Error when there is nothing to
// print or the printer refuses.
void PrintSectionImage(const QImage& image, QPrinter& printer);

} // namespace trassel
