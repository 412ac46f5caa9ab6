// Planning the printed sheets of the section: the three fits, no blank or sliver sheet, the
// banner's overlaps and marks, the km range and label of every sheet.
#include "drawing/print_pages.h"

#include "base/error.h"
#include "base/numbers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace trassel {
namespace {

// A4 at 300 dpi with 10 mm margins: 277 x 190 mm printable, a 6 mm footer band (71 px).
constexpr PrintSheet kLandscape{3272, 2244, 300, 300, 71};
constexpr PrintSheet kPortrait{2244, 3272, 300, 300, 71};

// The 2 km example survey: pickets 120..140 at 400 px each, 85 px before the first, 100 after.
SectionGeometry TwoKilometres()
{
    SectionGeometry section;
    section.width = 8185;
    section.height = 355;
    section.firstPicket = 120;
    section.leftX = 85;
    section.pixelsPerPicket = 400;
    section.pixelsPerCm = 1;
    return section;
}

SectionGeometry Sized(int width, int height)
{
    SectionGeometry section = TwoKilometres();
    section.width = width;
    section.height = height;
    return section;
}

SectionPrintOptions Fit(PrintFit fit, double n = 0, double m = 0)
{
    SectionPrintOptions options;
    options.fit = fit;
    options.horizontalScale = n;
    options.verticalScale = m;
    return options;
}

double Right(const PrintRectF& r) { return r.left + r.width; }
double Bottom(const PrintRectF& r) { return r.top + r.height; }

// What every plan must satisfy: sheets numbered in rows, each on the sheet's usable area and
// drawn at the plan's scales; together they show the whole section once per strip, each
// bringing at least a hundredth of a sheet that its neighbours before it did not show, and
// the pixels handed to the painting cover the exact part inside the section.
void ExpectSoundPlan(const SectionPrintPlan& plan, const SectionGeometry& section, const PrintSheet& sheet)
{
    const int usable = sheet.height - sheet.footerHeight;
    ASSERT_FALSE(plan.pages.empty());
    ASSERT_EQ(static_cast<int>(plan.pages.size()), plan.rows * plan.columns);
    for (std::size_t i = 0; i < plan.pages.size(); ++i) {
        const SectionPrintPage& p = plan.pages[i];
        SCOPED_TRACE("sheet " + std::to_string(i + 1));
        EXPECT_EQ(p.number, static_cast<int>(i) + 1);
        EXPECT_EQ(p.count, static_cast<int>(plan.pages.size()));
        EXPECT_EQ(p.row, static_cast<int>(i) / plan.columns);
        EXPECT_EQ(p.column, static_cast<int>(i) % plan.columns);
        EXPECT_EQ(p.rows, plan.rows);
        EXPECT_EQ(p.columns, plan.columns);

        EXPECT_EQ(p.destination.left, 0);
        EXPECT_EQ(p.destination.top, 0);
        EXPECT_GE(p.destination.width, 1);
        EXPECT_GE(p.destination.height, 1);
        EXPECT_LE(p.destination.width, sheet.width);
        EXPECT_LE(p.destination.height, usable);
        EXPECT_NEAR(p.source.width * plan.scaleX, p.destination.width, 1e-6);
        EXPECT_NEAR(p.source.height * plan.scaleY, p.destination.height, 1e-6);

        EXPECT_GE(p.sourcePixels.left, 0);
        EXPECT_GE(p.sourcePixels.top, 0);
        EXPECT_LE(p.sourcePixels.left + p.sourcePixels.width, section.width);
        EXPECT_LE(p.sourcePixels.top + p.sourcePixels.height, section.height);
        EXPECT_LE(p.sourcePixels.left, p.source.left + 1e-9);
        EXPECT_LE(p.sourcePixels.top, p.source.top + 1e-9);
        EXPECT_GE(p.sourcePixels.left + p.sourcePixels.width, std::min<double>(Right(p.source), section.width) - 1e-6);
        EXPECT_GE(p.sourcePixels.top + p.sourcePixels.height,
                  std::min<double>(Bottom(p.source), section.height) - 1e-6);

        // Against the neighbour on the left and the one above.
        if (p.column == 0) {
            EXPECT_EQ(p.source.left, 0);
        } else {
            const SectionPrintPage& left = plan.pages[i - 1];
            EXPECT_LE(p.source.left, Right(left.source) + 1e-9);
            EXPECT_GE((Right(p.source) - Right(left.source)) * plan.scaleX, kSliverFraction * sheet.width - 1e-6);
        }
        if (p.row == 0) {
            EXPECT_EQ(p.source.top, 0);
        } else {
            const SectionPrintPage& above = plan.pages[i - static_cast<std::size_t>(plan.columns)];
            EXPECT_LE(p.source.top, Bottom(above.source) + 1e-9);
            EXPECT_GE((Bottom(p.source) - Bottom(above.source)) * plan.scaleY, kSliverFraction * usable - 1e-6);
        }
        // The last column and row reach the section's edge, past it by under a device pixel.
        if (p.column + 1 == plan.columns) {
            EXPECT_GE(Right(p.source), section.width - 1e-6);
            EXPECT_LT((Right(p.source) - section.width) * plan.scaleX, 1.0);
        }
        if (p.row + 1 == plan.rows) {
            EXPECT_GE(Bottom(p.source), section.height - 1e-6);
            EXPECT_LT((Bottom(p.source) - section.height) * plan.scaleY, 1.0);
        }
    }
}

TEST(SectionPrintPlan, PageHeightFillsTheHeightAndRunsOnOverTheWidth)
{
    // Landscape: s = 2173 / 355 = 6.1211, the width 8185 * s = 50101 px is 15.31 sheets of 3272.
    SectionPrintPlan plan = PlanSectionPrint(TwoKilometres(), kLandscape, Fit(PrintFit::PageHeight));
    ExpectSoundPlan(plan, TwoKilometres(), kLandscape);
    EXPECT_EQ(plan.pages.size(), 16U);
    EXPECT_EQ(plan.rows, 1);
    EXPECT_DOUBLE_EQ(plan.scaleX, 2173.0 / 355.0);
    EXPECT_DOUBLE_EQ(plan.scaleY, plan.scaleX);
    for (const SectionPrintPage& p : plan.pages) {
        EXPECT_EQ(p.destination.height, 2173);
        EXPECT_EQ(p.destination.width, p.number < 16 ? 3272 : 1022); // 0.3122 * 3272 = 1021.4
        EXPECT_TRUE(p.marks.empty());                                // sheets meet edge to edge
    }
    // Portrait: s = 3201 / 355 = 9.0169, 73803 px is 32.89 sheets of 2244: 33, none blank.
    plan = PlanSectionPrint(TwoKilometres(), kPortrait, Fit(PrintFit::PageHeight));
    ExpectSoundPlan(plan, TwoKilometres(), kPortrait);
    EXPECT_EQ(plan.pages.size(), 33U);
    EXPECT_EQ(plan.pages.back().destination.width, 1996); // 0.8892 * 2244 = 1995.3
    EXPECT_EQ(plan.pages.back().sourcePixels.left + plan.pages.back().sourcePixels.width, 8185);
}

TEST(SectionPrintPlan, ASectionThatFitsUpToRoundingTakesOneSheetAndNoSliverIsPrinted)
{
    // Scale 5 on a 1000 x 500 sheet without a footer: 200 columns fill it exactly.
    const PrintSheet sheet{1000, 500, 96, 96, 0};
    struct Case {
        int width;
        std::size_t pages;
        int lastWidth;
        double scale;
    };
    const Case cases[] = {
        {200, 1, 1000, 5.0},          // exactly one sheet
        {201, 1, 1000, 1000.0 / 201}, // 5 px over (0.5 %): shrunk onto one sheet
        {203, 2, 15, 5.0},            // 15 px over (1.5 %): a real second sheet
        {601, 3, 1000, 3000.0 / 601}, // three sheets and a 5 px sliver: three sheets
        {610, 4, 50, 5.0},
        {150, 1, 750, 5.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        const SectionPrintPlan plan = PlanSectionPrint(Sized(c.width, 100), sheet, Fit(PrintFit::PageHeight));
        ExpectSoundPlan(plan, Sized(c.width, 100), sheet);
        ASSERT_EQ(plan.pages.size(), c.pages);
        EXPECT_EQ(plan.pages.back().destination.width, c.lastWidth);
        EXPECT_DOUBLE_EQ(plan.scaleX, c.scale);
        EXPECT_EQ(plan.pages.back().destination.height, static_cast<int>(std::ceil(100 * c.scale - 1e-6)));
    }

    // Every width: the fewest sheets that leave no sliver, the scale never shrunk by more than
    // the sliver, and (checked by ExpectSoundPlan) no sheet without a hundredth of new picture.
    for (int width = 1; width <= 2100; ++width) {
        SCOPED_TRACE(width);
        const SectionPrintPlan plan = PlanSectionPrint(Sized(width, 100), sheet, Fit(PrintFit::PageHeight));
        ExpectSoundPlan(plan, Sized(width, 100), sheet);
        const double extent = width * 5.0;
        const auto count = static_cast<double>(plan.pages.size());
        if (count > 1) {
            EXPECT_GT(extent, (count - 1) * 1000 + kSliverFraction * 1000 - 1e-9);
        }
        EXPECT_LE(extent, count * 1000 + kSliverFraction * 1000);
        EXPECT_GE(plan.scaleX, 5.0 * (1 - kSliverFraction));
        if (HasFailure())
            break;
    }
}

TEST(SectionPrintPlan, WholeOnOnePageKeepsTheProportions)
{
    struct Case {
        int width;
        int height;
        int destinationWidth;
        int destinationHeight;
    };
    const Case cases[] = {
        {8185, 355, 3272, 142},   // the width decides: 355 * 3272 / 8185 = 141.9
        {300, 2000, 326, 2173},   // the height decides: 300 * 2173 / 2000 = 325.95
        {10, 10, 2173, 2173},     // a small one is enlarged
        {3272, 2173, 3272, 2173}, // exactly the usable area
        {1, 80000, 1, 2173},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        const SectionPrintPlan plan = PlanSectionPrint(Sized(c.width, c.height), kLandscape,
                                                       Fit(PrintFit::WholeOnOnePage));
        ExpectSoundPlan(plan, Sized(c.width, c.height), kLandscape);
        ASSERT_EQ(plan.pages.size(), 1U);
        EXPECT_EQ(plan.pages[0].destination, (PrintRect{0, 0, c.destinationWidth, c.destinationHeight}));
        EXPECT_DOUBLE_EQ(plan.scaleX, plan.scaleY);
        EXPECT_EQ(plan.pages[0].sourcePixels, (PrintRect{0, 0, c.width, c.height}));
    }
}

TEST(SectionPrintPlan, DefaultScalesAreThoseOfTheScreenAt96PixelsPerInch)
{
    // 100 m / (400 px * 0.26458 mm) = 944.88; 10 mm / (1 px * 0.26458 mm) = 37.795.
    EXPECT_EQ(DefaultHorizontalScale(400), 945);
    EXPECT_EQ(DefaultHorizontalScale(200), 1890);
    EXPECT_EQ(DefaultHorizontalScale(1e9), 1);
    EXPECT_EQ(DefaultVerticalScale(1), 38);
    EXPECT_EQ(DefaultVerticalScale(2), 19);
    EXPECT_EQ(DefaultHorizontalScale(0), 0);
    EXPECT_EQ(DefaultVerticalScale(-1), 0);

    // Left at 0, the true scale prints on a 96 dpi sheet as the screen shows the section.
    const PrintSheet screen{4000, 1000, 96, 96, 0};
    const SectionPrintPlan plan = PlanSectionPrint(TwoKilometres(), screen, Fit(PrintFit::TrueScale));
    EXPECT_NEAR(plan.scaleX, 1.0, 0.001);
    EXPECT_NEAR(plan.scaleY, 1.0, 0.01);
}

TEST(SectionPrintPlan, TrueScaleRunsAsABannerWithMarkedOverlaps)
{
    // 1 : 2000 at 300 dpi is 1.4764 device px per section px: 12084 px of banner; 5 mm of
    // overlap is 59 px, so sheets start 3213 px apart: 1 + ceil(8812 / 3213) = 4 sheets.
    // 1 : 100 vertically is 1.1811 px per px: 419 px, one row.
    const SectionPrintPlan plan = PlanSectionPrint(TwoKilometres(), kLandscape, Fit(PrintFit::TrueScale, 2000, 100));
    ExpectSoundPlan(plan, TwoKilometres(), kLandscape);
    ASSERT_EQ(plan.pages.size(), 4U);
    EXPECT_DOUBLE_EQ(plan.scaleX, 100000.0 / (2000 * 400) * 300 / 25.4);
    EXPECT_DOUBLE_EQ(plan.scaleY, 10.0 / 100 * 300 / 25.4);
    EXPECT_EQ(plan.pages[0].destination, (PrintRect{0, 0, 3272, 420}));

    // Each sheet's km from its x range; 5 mm of paper at 1 : 2000 is 10 m of line repeated.
    // The first sheet's range starts at the first row, not in the margin before it.
    EXPECT_EQ(SheetKmText(plan.pages[0]), "км 12,000 – 12,533");
    EXPECT_EQ(SheetKmText(plan.pages[1]), "км 12,523 – 13,077");
    EXPECT_EQ(SheetKmText(plan.pages[3]), "км 13,611 – 14,025");
    for (std::size_t i = 1; i < plan.pages.size(); ++i)
        EXPECT_NEAR(plan.pages[i - 1].lastKm - plan.pages[i].firstKm, 0.010, 0.0005);
    EXPECT_EQ(SheetLabel(plan.pages[2]), "Лист 3 из 4");

    // The repeated strips are marked on both sheets: where the next picture begins and where
    // the previous one ended.
    using M = OverlapMark;
    EXPECT_EQ(plan.pages[0].marks, (std::vector<M>{{SheetEdge::Right, 3213}}));
    EXPECT_EQ(plan.pages[1].marks, (std::vector<M>{{SheetEdge::Left, 59}, {SheetEdge::Right, 3213}}));
    EXPECT_EQ(plan.pages[3].marks, (std::vector<M>{{SheetEdge::Left, 59}}));
    EXPECT_NEAR((Right(plan.pages[0].source) - plan.pages[1].source.left) * plan.scaleX, 59, 1e-6);

    // A scale that needs two sheets and a 15 px sliver is shrunk onto two; 85 px needs a third.
    SectionPrintPlan sliver = PlanSectionPrint(Sized(4403, 355), kLandscape, Fit(PrintFit::TrueScale, 2000, 100));
    ExpectSoundPlan(sliver, Sized(4403, 355), kLandscape);
    EXPECT_EQ(sliver.pages.size(), 2U);
    EXPECT_NEAR(sliver.scaleX, (3272.0 + 3213.0) / 4403, 1e-9);
    sliver = PlanSectionPrint(Sized(4450, 355), kLandscape, Fit(PrintFit::TrueScale, 2000, 100));
    ExpectSoundPlan(sliver, Sized(4450, 355), kLandscape);
    ASSERT_EQ(sliver.pages.size(), 3U);
    EXPECT_EQ(sliver.pages[2].destination.width, 144); // 85 new px after the 59 repeated

    // Without an overlap the sheets meet edge to edge and carry no marks.
    SectionPrintOptions flush = Fit(PrintFit::TrueScale, 2000, 100);
    flush.overlapMm = 0;
    const SectionPrintPlan edgeToEdge = PlanSectionPrint(TwoKilometres(), kLandscape, flush);
    ExpectSoundPlan(edgeToEdge, TwoKilometres(), kLandscape);
    EXPECT_EQ(edgeToEdge.pages.size(), 4U); // 12084 / 3272 = 3.69
    EXPECT_TRUE(edgeToEdge.pages[1].marks.empty());
    EXPECT_DOUBLE_EQ(edgeToEdge.pages[1].source.left, Right(edgeToEdge.pages[0].source));
}

TEST(SectionPrintPlan, ATallSectionAtTrueScaleGoesOverRowsOfSheets)
{
    // 3000 x 3000 px at 1 : 2000 and 1 : 100: 4429 px wide (2 columns), 3543 px tall against
    // 2173 usable px with 59 px of overlap: 1 + ceil(1370 / 2114) = 2 rows.
    const SectionGeometry section = Sized(3000, 3000);
    const SectionPrintPlan plan = PlanSectionPrint(section, kLandscape, Fit(PrintFit::TrueScale, 2000, 100));
    ExpectSoundPlan(plan, section, kLandscape);
    ASSERT_EQ(plan.rows, 2);
    ASSERT_EQ(plan.columns, 2);
    // Rows top to bottom, each left to right; the rows of one column cover the same km.
    EXPECT_EQ(SheetLabel(plan.pages[1]), "Лист 2 из 4, ряд 1 из 2");
    EXPECT_EQ(SheetLabel(plan.pages[2]), "Лист 3 из 4, ряд 2 из 2");
    EXPECT_EQ(SheetKmText(plan.pages[0]), SheetKmText(plan.pages[2]));
    EXPECT_EQ(plan.pages[0].destination.height, 2173);
    EXPECT_EQ(plan.pages[2].destination.height, 1430); // the rest, 3543.3 - 2114 px, rounded up
    EXPECT_NEAR((Bottom(plan.pages[0].source) - plan.pages[2].source.top) * plan.scaleY, 59, 1e-6);

    using M = OverlapMark;
    EXPECT_EQ(plan.pages[0].marks, (std::vector<M>{{SheetEdge::Right, 3213}, {SheetEdge::Bottom, 2114}}));
    EXPECT_EQ(plan.pages[3].marks, (std::vector<M>{{SheetEdge::Left, 59}, {SheetEdge::Top, 59}}));
}

TEST(SectionPrintPlan, NothingToPrintGivesNoSheetsAndTooManyAreRefused)
{
    const PrintFit fits[] = {PrintFit::PageHeight, PrintFit::WholeOnOnePage, PrintFit::TrueScale};
    for (PrintFit fit : fits) {
        SCOPED_TRACE(static_cast<int>(fit));
        EXPECT_TRUE(PlanSectionPrint(Sized(0, 355), kLandscape, Fit(fit)).pages.empty());
        EXPECT_TRUE(PlanSectionPrint(Sized(8185, 0), kLandscape, Fit(fit)).pages.empty());
        EXPECT_TRUE(PlanSectionPrint(Sized(-5, 355), kLandscape, Fit(fit)).pages.empty());
        EXPECT_TRUE(PlanSectionPrint(Sized(8185, -1), kLandscape, Fit(fit)).pages.empty());
        EXPECT_TRUE(PlanSectionPrint(TwoKilometres(), PrintSheet{0, 2244, 300, 300, 71}, Fit(fit)).pages.empty());
        EXPECT_TRUE(PlanSectionPrint(TwoKilometres(), PrintSheet{3272, -4, 300, 300, 0}, Fit(fit)).pages.empty());
        // A footer that leaves no room above it.
        EXPECT_TRUE(PlanSectionPrint(TwoKilometres(), PrintSheet{3272, 71, 300, 300, 71}, Fit(fit)).pages.empty());
    }
    // A true scale needs the section's scales and the printer's resolution.
    SectionGeometry flat = TwoKilometres();
    flat.pixelsPerPicket = 0;
    EXPECT_TRUE(PlanSectionPrint(flat, kLandscape, Fit(PrintFit::TrueScale)).pages.empty());
    EXPECT_FALSE(PlanSectionPrint(flat, kLandscape, Fit(PrintFit::PageHeight)).pages.empty());
    EXPECT_TRUE(
        PlanSectionPrint(TwoKilometres(), PrintSheet{3272, 2244, 0, 300, 71}, Fit(PrintFit::TrueScale)).pages.empty());

    // 1 : 1 would need 24 million device px of banner: 7523 sheets are refused, not planned.
    try {
        PlanSectionPrint(TwoKilometres(), kLandscape, Fit(PrintFit::TrueScale, 1, 100));
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Для печати нужно листов: 7523, а за один раз печатается не больше 1000. "
                               "Выберите более мелкий масштаб или другой способ печати.");
    }
}

TEST(SectionPrintPlan, FooterTexts)
{
    EXPECT_EQ(FormatKmRange(12.0, 12.45), "км 12,000 – 12,450");
    EXPECT_EQ(FormatKmRange(0.0004, 0.0996), "км 0,000 – 0,100");
    EXPECT_EQ(FormatKmRange(-0.02125, 1.9996), "км -0,021 – 2,000");
    // Kilometres whose metres no integer holds exactly (a picket of 1e300 in the table) are
    // written as numbers, not overflowed.
    EXPECT_EQ(FormatKmRange(-1e16, 1e299), "км " + NumberToText(-1e16) + " – " + NumberToText(1e299));
    EXPECT_EQ(FormatKmRange(999'999'999'999.5, 0), "км 999999999999,500 – 0,000");

    // Without pickets the picture has no km to give.
    SectionGeometry plain = Sized(100, 100);
    plain.pixelsPerPicket = 0;
    const SectionPrintPlan plan = PlanSectionPrint(plain, kLandscape, Fit(PrintFit::PageHeight));
    ASSERT_EQ(plan.pages.size(), 1U);
    EXPECT_FALSE(plan.pages[0].hasKm);
    EXPECT_EQ(SheetKmText(plan.pages[0]), "");
    EXPECT_EQ(SheetLabel(plan.pages[0]), "Лист 1 из 1");

    // The km follow the transform: x = (X - P1) * SX + L.
    SectionGeometry section = Sized(885, 100);
    section.firstPicket = 57.5;
    section.leftX = 60;
    section.pixelsPerPicket = 250;
    EXPECT_DOUBLE_EQ(PicketAtX(section, 60), 57.5);
    EXPECT_DOUBLE_EQ(PicketAtX(section, 885), 60.8);
    const SectionPrintPlan whole = PlanSectionPrint(section, kLandscape, Fit(PrintFit::WholeOnOnePage));
    EXPECT_EQ(SheetKmText(whole.pages[0]), "км 5,750 – 6,080"); // pickets 57.5 .. 60.8, not the margin's 57.26
}

TEST(SectionPrintPlan, SheetsKeepToTheSurveysLineAndEachShowsTheDepthScale)
{
    // The 2 km survey ends at picket 140: the first sheet's range starts at the first row, not
    // in the margin before it, and the last ends at the last row.
    SectionGeometry section = TwoKilometres();
    section.lastPicket = 140;
    const SectionPrintPlan plan = PlanSectionPrint(section, kLandscape, Fit(PrintFit::PageHeight));
    ASSERT_GT(plan.pages.size(), 2U);
    EXPECT_EQ(SheetKmText(plan.pages.front()).rfind("км 12,000 – ", 0), 0U);
    EXPECT_DOUBLE_EQ(plan.pages.back().lastKm, 14.0);
    for (const SectionPrintPage& page : plan.pages) {
        if (page.source.left <= section.depthLabelX) {
            EXPECT_TRUE(page.depthMarks.empty()) << "sheet " << page.number << " shows the section's own scale";
            continue;
        }
        // 0..250 cm every 50 cm down to the picture's bottom at 300 cm, placed at the sheet's scale.
        ASSERT_EQ(page.depthMarks.size(), 6U) << "sheet " << page.number;
        EXPECT_EQ(page.depthMarks[0], (DepthMark{static_cast<int>(std::lround(55 * plan.scaleY)), "0см"}));
        EXPECT_EQ(page.depthMarks[5].label, "250см");
        EXPECT_EQ(page.depthMarks[5].y, static_cast<int>(std::lround(305 * plan.scaleY)));
    }
    // A true scale over rows of sheets: a lower row's marks start at its own top.
    SectionGeometry tall = Sized(8185, 2000);
    tall.lastPicket = 140;
    const SectionPrintPlan rows = PlanSectionPrint(tall, kPortrait, Fit(PrintFit::TrueScale, 1000, 10));
    ASSERT_GT(rows.rows, 1);
    for (const SectionPrintPage& page : rows.pages) {
        EXPECT_TRUE(page.source.left <= tall.depthLabelX || !page.depthMarks.empty()) << page.number;
        for (const DepthMark& mark : page.depthMarks) {
            EXPECT_GE(mark.y, page.destination.top);
            EXPECT_LT(mark.y, page.destination.top + page.destination.height);
        }
    }
}

TEST(SectionPrintPlan, ALastSheetOfAFewMetresIsFoldedIntoTheOthers)
{
    // At the page's height a sheet holds 534.5 section pixels. A line ending 20 pixels (5 m)
    // into a third sheet, with the 100-pixel margin after it, takes two sheets; without the
    // last picket known, the margin counts as line and the third sheet stays.
    SectionGeometry section = Sized(1189, 355);
    const SectionPrintPlan plain = PlanSectionPrint(section, kLandscape, Fit(PrintFit::PageHeight));
    EXPECT_EQ(plain.pages.size(), 3U);
    section.lastPicket = 122.51; // x = 1089
    const SectionPrintPlan plan = PlanSectionPrint(section, kLandscape, Fit(PrintFit::PageHeight));
    ASSERT_EQ(plan.pages.size(), 2U);
    ExpectSoundPlan(plan, section, kLandscape);
    EXPECT_LT(plan.scaleY, plain.scaleY);
    EXPECT_GT(plan.scaleY, 0.8 * plain.scaleY);
    EXPECT_DOUBLE_EQ(plan.pages[1].lastKm, 12.251);
    // A third sheet with a fifth of a sheet of line on it stays.
    section.lastPicket = 122.75;
    EXPECT_EQ(PlanSectionPrint(section, kLandscape, Fit(PrintFit::PageHeight)).pages.size(), 3U);
}

} // namespace
} // namespace trassel
