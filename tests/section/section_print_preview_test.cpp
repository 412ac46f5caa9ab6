// The section's print preview: the choice of fit and scales, preset from the section, printed
// straight or shown in the preview window, whose sheets follow every change.
#include "section/qt/section_print_preview.h"

#include "base/error.h"
#include "support/qt_app.h"
#include "support/pdf_pages.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace trassel {
namespace {

[[maybe_unused]] auto* const kApp = ::testing::AddGlobalTestEnvironment(new testing::QtAppEnvironment<QApplication>);

using test::PdfPageCount;
using test::SetUpPdf;

// The 2 km section at 200 px per picket and 2 px per cm: its own scales are 1 : 1890 and 1 : 19.
SectionPrintSource Section(int* paints = nullptr)
{
    SectionPrintSource source;
    source.width = 4185;
    source.height = 655;
    source.firstPicket = 120;
    source.leftX = 85;
    source.pixelsPerPicket = 200;
    source.pixelsPerCm = 2;
    source.paint = [paints](QPainter& painter, const QRect& rect) {
        if (paints)
            ++*paints;
        painter.fillRect(rect, Qt::lightGray);
    };
    return source;
}

TEST(SectionPrintPreview, OptionsArePresetFromTheSectionAndPrintedStraight)
{
    SectionPrintPreview preview(Section());
    EXPECT_EQ(preview.options().fit, PrintFit::PageHeight);
    EXPECT_EQ(preview.options().horizontalScale, 1890);
    EXPECT_EQ(preview.options().verticalScale, 19);

    // A scale left at 0 stays the section's own; one given is kept.
    SectionPrintOptions chosen;
    chosen.fit = PrintFit::TrueScale;
    chosen.horizontalScale = 2000;
    preview.setOptions(chosen);
    EXPECT_EQ(preview.options().fit, PrintFit::TrueScale);
    EXPECT_EQ(preview.options().horizontalScale, 2000);
    EXPECT_EQ(preview.options().verticalScale, 19);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QPrinter printer(QPrinter::HighResolution);
    const QString path = dir.filePath(QStringLiteral("scaled.pdf"));
    SetUpPdf(printer, path);
    preview.print(printer);
    const SectionPrintPlan plan = PlanSectionPrint(GeometryOf(Section()), SheetOf(printer), preview.options());
    ASSERT_GT(plan.pages.size(), 1U);
    EXPECT_EQ(PdfPageCount(path), static_cast<int>(plan.pages.size()));

    chosen.fit = PrintFit::WholeOnOnePage;
    preview.setOptions(chosen);
    const QString whole = dir.filePath(QStringLiteral("whole.pdf"));
    printer.setOutputFileName(whole);
    preview.print(printer);
    EXPECT_EQ(PdfPageCount(whole), 1);
}

TEST(SectionPrintPreview, TheControlsChooseTheFitAndTheScales)
{
    SectionPrintControls controls(Section());
    ASSERT_EQ(controls.cbPrintFit->count(), 3);
    EXPECT_EQ(controls.cbPrintFit->itemText(0), QStringLiteral("По высоте страницы"));
    EXPECT_EQ(controls.cbPrintFit->itemText(1), QStringLiteral("Весь разрез на одной странице"));
    EXPECT_EQ(controls.cbPrintFit->itemText(2), QStringLiteral("В масштабе"));
    QStringList labels;
    for (const QLabel* label : controls.findChildren<QLabel*>())
        labels << label->text();
    EXPECT_EQ(labels,
              (QStringList{QStringLiteral("Горизонтальный масштаб 1 :"), QStringLiteral("Вертикальный масштаб 1 :")}));
    EXPECT_EQ(controls.seHorizontalScale->value(), 1890);
    EXPECT_EQ(controls.seVerticalScale->value(), 19);
    EXPECT_FALSE(controls.seHorizontalScale->isEnabled());

    QSignalSpy changed(&controls, &SectionPrintControls::optionsChanged);
    controls.cbPrintFit->setCurrentIndex(2);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_TRUE(controls.seHorizontalScale->isEnabled());
    EXPECT_TRUE(controls.seVerticalScale->isEnabled());
    controls.seHorizontalScale->setValue(5000);
    controls.seVerticalScale->setValue(50);
    EXPECT_EQ(changed.count(), 3);
    SectionPrintOptions expected;
    expected.fit = PrintFit::TrueScale;
    expected.horizontalScale = 5000;
    expected.verticalScale = 50;
    EXPECT_EQ(controls.options(), expected);

    // Options set from outside are shown, not announced.
    SectionPrintOptions whole;
    whole.fit = PrintFit::WholeOnOnePage;
    controls.setOptions(whole);
    EXPECT_EQ(changed.count(), 3);
    EXPECT_EQ(controls.cbPrintFit->currentIndex(), 1);
    EXPECT_EQ(controls.seHorizontalScale->value(), 1890);
    EXPECT_FALSE(controls.seVerticalScale->isEnabled());

    // A picture without pickets cannot be printed at a scale.
    SectionPrintSource bare = Section();
    bare.pixelsPerPicket = 0;
    SectionPrintControls plain(bare);
    const auto* model = qobject_cast<QStandardItemModel*>(plain.cbPrintFit->model());
    ASSERT_NE(model, nullptr);
    EXPECT_FALSE(model->item(2)->isEnabled());
    EXPECT_TRUE(model->item(1)->isEnabled());
}

TEST(SectionPrintPreview, ThePreviewFollowsTheChoice)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QPrinter printer(QPrinter::HighResolution);
    const QString path = dir.filePath(QStringLiteral("never.pdf"));
    SetUpPdf(printer, path);
    int paints = 0;
    SectionPrintPreview preview(Section(&paints));
    const int heightPages = static_cast<int>(
        PlanSectionPrint(GeometryOf(Section()), SheetOf(printer), preview.options()).pages.size());
    ASSERT_GT(heightPages, 1);

    int shown = -1;
    int whole = -1;
    int refused = -1;
    bool aboveThePreview = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        auto* view = dialog->findChild<QPrintPreviewWidget*>();
        auto* fit = dialog->findChild<QComboBox*>(QStringLiteral("cbPrintFit"));
        auto* scale = dialog->findChild<QSpinBox*>(QStringLiteral("seHorizontalScale"));
        if (view && fit && scale) {
            aboveThePreview = fit->isVisible() &&
                              fit->mapTo(dialog, QPoint(0, 0)).y() < view->mapTo(dialog, QPoint(0, 0)).y();
            shown = view->pageCount();
            fit->setCurrentIndex(1);
            whole = view->pageCount();
            // A scale that would take too many sheets is said on the preview's one sheet.
            fit->setCurrentIndex(2);
            scale->setValue(1);
            refused = view->pageCount();
            scale->setValue(3000);
        }
        dialog->reject();
    });
    EXPECT_EQ(preview.exec(printer), QDialog::Rejected);
    EXPECT_TRUE(aboveThePreview);
    EXPECT_EQ(shown, heightPages);
    EXPECT_EQ(whole, 1);
    EXPECT_EQ(refused, 1);
    EXPECT_GT(paints, heightPages);
    // The last choice stays; nothing was printed.
    EXPECT_EQ(preview.options().fit, PrintFit::TrueScale);
    EXPECT_EQ(preview.options().horizontalScale, 3000);
    EXPECT_FALSE(QFile::exists(path));
}

} // namespace
} // namespace trassel
