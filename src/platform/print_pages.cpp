#include "platform/print_pages.h"

#include <algorithm>

namespace trassel {

std::vector<PrintTile> PlanPrintPages(int bitmapWidth, int bitmapHeight, int pageWidth, int pageHeight)
{
    std::vector<PrintTile> pages;
    if (bitmapWidth <= 0 || bitmapHeight <= 0 || pageWidth <= 0 || pageHeight <= 0)
        return pages;
    // The scale is pageHeight / bitmapHeight; a page takes the bitmap columns whose scaled width
    // fits its width, and at least one so that a bitmap wider than any page still advances.
    const long long bw = bitmapWidth;
    const long long bh = bitmapHeight;
    const long long ph = pageHeight;
    const long long perPage = std::max<long long>(1, static_cast<long long>(pageWidth) * bh / ph);
    pages.reserve(static_cast<std::size_t>((bw + perPage - 1) / perPage));
    for (long long left = 0; left < bw; left += perPage) {
        const long long width = std::min(perPage, bw - left);
        PrintTile tile;
        tile.srcLeft = static_cast<int>(left);
        tile.srcWidth = static_cast<int>(width);
        tile.srcHeight = bitmapHeight;
        tile.dstWidth = static_cast<int>(std::clamp<long long>(width * ph / bh, 1, pageWidth));
        tile.dstHeight = pageHeight;
        pages.push_back(tile);
    }
    return pages;
}

} // namespace trassel
