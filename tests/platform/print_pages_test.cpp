#include "platform/print_pages.h"

#include <gtest/gtest.h>

namespace trassel {
namespace {

// The tiles must cover every column of the bitmap exactly once, left to right, each at full height.
void ExpectCovers(const std::vector<PrintTile>& tiles, int bitmapWidth, int bitmapHeight, int pageWidth, int pageHeight)
{
    int next = 0;
    for (const PrintTile& t : tiles) {
        EXPECT_EQ(t.srcLeft, next);
        EXPECT_GT(t.srcWidth, 0);
        EXPECT_EQ(t.srcTop, 0);
        EXPECT_EQ(t.srcHeight, bitmapHeight);
        EXPECT_EQ(t.dstLeft, 0);
        EXPECT_EQ(t.dstTop, 0);
        EXPECT_EQ(t.dstHeight, pageHeight);
        EXPECT_LE(t.dstWidth, pageWidth);
        next += t.srcWidth;
    }
    EXPECT_EQ(next, bitmapWidth);
}

TEST(PrintPages, FullHeightFillsThePageAndTheWidthRunsOn)
{
    // Scale 10: a page of 500 takes 50 columns.
    auto tiles = PlanPrintPages(1025, 100, 500, 1000);
    ASSERT_EQ(tiles.size(), 21U);
    EXPECT_EQ(tiles[0], (PrintTile{0, 0, 50, 100, 0, 0, 500, 1000}));
    EXPECT_EQ(tiles[20], (PrintTile{1000, 0, 25, 100, 0, 0, 250, 1000}));
    ExpectCovers(tiles, 1025, 100, 500, 1000);

    // The benchmark section on a landscape page with a fractional scale.
    tiles = PlanPrintPages(80185, 355, 1123, 794);
    ExpectCovers(tiles, 80185, 355, 1123, 794);
    EXPECT_EQ(tiles[0].srcWidth, 1123 * 355 / 794);
    EXPECT_EQ(tiles.size(), static_cast<std::size_t>((80185 + 501) / 502));
}

TEST(PrintPages, SmallAndDegenerateBitmaps)
{
    // Narrower than a page: one page, scaled up to the page height.
    auto tiles = PlanPrintPages(300, 200, 2000, 1000);
    ASSERT_EQ(tiles.size(), 1U);
    EXPECT_EQ(tiles[0], (PrintTile{0, 0, 300, 200, 0, 0, 1500, 1000}));

    // So flat that one column is wider than the page: still one column per page, clipped to it.
    tiles = PlanPrintPages(3, 1, 100, 1000);
    ASSERT_EQ(tiles.size(), 3U);
    ExpectCovers(tiles, 3, 1, 100, 1000);
    EXPECT_EQ(tiles[0].dstWidth, 100);

    EXPECT_TRUE(PlanPrintPages(0, 355, 1000, 1000).empty());
    EXPECT_TRUE(PlanPrintPages(585, 0, 1000, 1000).empty());
    EXPECT_TRUE(PlanPrintPages(585, 355, 0, 1000).empty());
    EXPECT_TRUE(PlanPrintPages(585, 355, 1000, -5).empty());
}

} // namespace
} // namespace trassel
