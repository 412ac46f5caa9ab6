// The page "Радарограмма" in the window: "Открыть радарограмму" opens an instrument file onto
// it, the wheel zooms and scrolls the part in view, and every control is one undoable step of
// the document; a file that cannot be read is reported and changes nothing.
#include "app/mainform.h"
#include "support/controls.h"
#include "fake_services.h"
#include "radargram/qt/radargram_page.h"
#include "radargram/radargram_writers.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

using namespace trassel;

namespace {

using M = RadargramMargins;

class RadargramFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        test::DztLayout layout;
        layout.samples = 64;
        layout.traces = 2000;
        layout.range = 40.0f;
        layout.flagged = {100, 1100};
        path = write("line.dzt", test::WriteDzt(layout));
        form = std::make_unique<TFmMainForm>(&services);
        page = test::Control<RadargramPage>(form.get(), "pageRadargram");
        ASSERT_NE(page, nullptr);
    }

    QString write(const char* name, const std::string& bytes)
    {
        const QString file = dir.filePath(QString::fromLatin1(name));
        std::ofstream(file.toStdString(), std::ios::binary) << bytes;
        return file;
    }

    void open(const QString& file)
    {
        services.nextOpenName = file;
        test::Action(form.get(), "acnOpenRadargram")->trigger();
    }

    void wheel(QPoint at, int notches, Qt::KeyboardModifiers modifiers)
    {
        QWheelEvent event(QPointF(at), QPointF(page->imgRadargram->mapToGlobal(at)), QPoint(), QPoint(0, 120 * notches),
                          Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(page->imgRadargram, &event);
    }

    void undo() { test::Action(form.get(), "acnUndo")->trigger(); }

    const RadargramModel& model() { return form->document().radargramModel(); }

    QTemporaryDir dir;
    QString path;
    test::FakeServices services;
    std::unique_ptr<TFmMainForm> form;
    RadargramPage* page = nullptr;
};

} // namespace

TEST_F(RadargramFormTest, TheCommandOpensTheFileOnThePageShownWhole)
{
    EXPECT_FALSE(page->cbGain->isEnabled());
    open(path);
    ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    ASSERT_TRUE(model().open());
    EXPECT_EQ(model().file->traces, 2000);
    auto* pages = test::Control<QTabWidget>(form.get(), "PageControl1");
    EXPECT_EQ(pages->currentWidget(), page);
    EXPECT_EQ(pages->tabText(pages->indexOf(page)), QStringLiteral("Радарограмма"));
    EXPECT_TRUE(page->scene().ready());
    EXPECT_TRUE(page->cbGain->isEnabled());
    EXPECT_EQ(page->cbMarks->count(), 3); // an empty choice and the two marks
    EXPECT_TRUE(services.lastFilter.contains(QStringLiteral("*.dzt")));

    page->imgRadargram->resize(M::kLeft + 500 + M::kRight, M::kTop + 128 + M::kBottom);
    wheel({M::kLeft + 10, M::kTop + 10}, 0, Qt::NoModifier); // any event takes the size
    EXPECT_EQ(page->scene().window(), (RasterWindow{0, 2000, 0, 64, 500, 128}));
}

TEST_F(RadargramFormTest, CtrlWheelZoomsAroundTheMouseAndTheWheelScrolls)
{
    open(path);
    page->imgRadargram->resize(M::kLeft + 500 + M::kRight, M::kTop + 128 + M::kBottom);
    const QPoint at(M::kLeft + 250, M::kTop + 64);
    // Four notches in: 1.25^4 = 2.44 times closer on both axes, trace 1000 and sample 32 stay.
    wheel(at, 4, Qt::ControlModifier);
    const RadargramViewport zoomed = page->scene().view();
    EXPECT_NEAR(zoomed.tracesPerPixel, 4.0 / 2.44140625, 1e-9);
    EXPECT_NEAR(zoomed.samplesPerPixel, 0.5 / 2.44140625, 1e-9);
    EXPECT_NEAR(page->scene().traceAt(at.x()), 1000, 1e-9);
    EXPECT_NEAR(page->scene().sampleAt(at.y()), 32, 1e-9);
    const RasterWindow window = page->scene().window();
    EXPECT_NEAR(window.firstTrace, 1000 - 250 * zoomed.tracesPerPixel, 1e-9);
    EXPECT_NEAR(window.traceCount, 500 * zoomed.tracesPerPixel, 1e-9);

    // The wheel scrolls down the trace while there is room: one notch back is 40 pixels up.
    wheel(at, -1, Qt::NoModifier);
    EXPECT_NEAR(page->scene().view().firstSample, zoomed.firstSample + 40 * zoomed.samplesPerPixel, 1e-9);
    EXPECT_EQ(page->scene().view().firstTrace, zoomed.firstTrace);
    // With Shift, along the line.
    wheel(at, 2, Qt::ShiftModifier);
    EXPECT_NEAR(page->scene().view().firstTrace, zoomed.firstTrace - 80 * zoomed.tracesPerPixel, 1e-9);
    // Zoomed out as far as it goes, the whole file is in view and the wheel goes along nothing.
    wheel(at, -40, Qt::ControlModifier);
    EXPECT_EQ(page->scene().window(), (RasterWindow{0, 2000, 0, 64, 500, 128}));
    // None of it is an edit of the document.
    EXPECT_EQ(test::Action(form.get(), "acnUndo")->text(), QStringLiteral("Отменить: Открыть радарограмму"));
}

TEST_F(RadargramFormTest, EachDisplayControlIsOneUndoableStep)
{
    open(path);
    const RadargramDisplay before = model().display;
    page->cbGain->setCurrentIndex(2); // exponential
    EXPECT_EQ(model().display.gain, GainKind::Exponential);
    page->seGainValue->setValue(0.5);
    EXPECT_EQ(model().display.gainValue, 0.5);
    page->cbColors->setCurrentIndex(1);
    EXPECT_EQ(model().display.colors, ColorMap::Diverging);
    page->seContrast->setValue(2.5);
    EXPECT_EQ(model().display.contrast, 2.5);
    // The automatic gain takes its window; the value of the other gains waits.
    page->cbGain->setCurrentIndex(3);
    EXPECT_TRUE(page->seAgcWindow->isEnabled());
    EXPECT_FALSE(page->seGainValue->isEnabled());
    page->seAgcWindow->setValue(8);
    EXPECT_EQ(model().display.agcWindowNs, 8);

    undo(); // the window
    EXPECT_EQ(model().display.agcWindowNs, before.agcWindowNs);
    EXPECT_EQ(page->seAgcWindow->value(), before.agcWindowNs);
    undo(); // the gain kind
    EXPECT_EQ(model().display.gain, GainKind::Exponential);
    EXPECT_EQ(page->cbGain->currentIndex(), 2);
    undo(); // the contrast
    EXPECT_EQ(model().display.contrast, before.contrast);
    EXPECT_EQ(page->seContrast->value(), before.contrast);
    EXPECT_EQ(model().display.colors, ColorMap::Diverging);
    undo();
    undo();
    undo();
    EXPECT_EQ(model().display, before);
    EXPECT_EQ(page->cbGain->currentIndex(), 0);
    EXPECT_TRUE(model().open()); // the open is a step of its own
    test::Action(form.get(), "acnRedo")->trigger();
    EXPECT_EQ(model().display.gain, GainKind::Exponential);
}

TEST_F(RadargramFormTest, PermittivityTimeZeroAndTiesAreEditsOfTheDocument)
{
    open(path);
    const double fileZero = model().timeZeroNs;
    page->sePermittivity->setValue(9);
    EXPECT_EQ(model().permittivity.eps, std::vector<double>{9});
    page->seTimeZero->setValue(3.75);
    EXPECT_EQ(model().timeZeroNs, 3.75);

    // A mark chosen, tied to a picket in the plus form; another trace tied by km and m.
    page->cbMarks->setCurrentIndex(1);
    Q_EMIT page->cbMarks->activated(1);
    EXPECT_EQ(page->seTieTrace->value(), 100);
    page->edTiePicket->setText(QStringLiteral("123+00"));
    page->btnTieAdd->click();
    page->seTieTrace->setValue(1100);
    page->edTieKm->setText(QStringLiteral("12"));
    page->edTieM->setText(QStringLiteral("400"));
    page->btnTieAdd->click();
    ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    EXPECT_EQ(model().ties, (std::vector<TraceTie>{{100, 123}, {1100, 124}}));
    ASSERT_EQ(page->sgTies->rowCount(), 2);
    EXPECT_EQ(page->sgTies->item(1, 1)->text(), QStringLiteral("ПК124"));
    EXPECT_EQ(page->sgTies->item(1, 2)->text(), QStringLiteral("12 км + 400 м"));
    EXPECT_EQ(*model().registration().picketOf(600), 123.5);

    // A picket that is not one is refused in a message box and ties nothing.
    page->seTieTrace->setValue(600);
    page->edTiePicket->setText(QStringLiteral("ПК5"));
    page->btnTieAdd->click();
    EXPECT_EQ(services.errors.size(), 1);
    EXPECT_EQ(model().ties.size(), 2U);

    undo();
    EXPECT_EQ(model().ties, (std::vector<TraceTie>{{100, 123}}));
    EXPECT_EQ(page->sgTies->rowCount(), 1);
    page->sgTies->selectRow(0);
    page->btnTieRemove->click();
    EXPECT_TRUE(model().ties.empty());
    undo();
    undo();
    undo();
    EXPECT_EQ(model().timeZeroNs, fileZero);
    EXPECT_NE(fileZero, 3.75);
    undo();
    EXPECT_EQ(model().permittivity.eps, std::vector<double>{6.25}); // the header's
    EXPECT_EQ(page->sePermittivity->value(), 6.25);
}

TEST_F(RadargramFormTest, AFileThatCannotBeReadIsReportedAndTheFormerOneStays)
{
    open(path);
    ASSERT_TRUE(model().open());
    const QString broken = write("broken.dzt", std::string(100, '\x01'));
    open(broken);
    ASSERT_EQ(services.errors.size(), 1);
    EXPECT_TRUE(services.errors.front().contains(QStringLiteral("broken.dzt")))
        << services.errors.front().toStdString();
    EXPECT_EQ(model().file->path, path.toStdString());
    EXPECT_TRUE(page->scene().ready());
    open(dir.filePath(QStringLiteral("missing.dzt")));
    EXPECT_EQ(services.errors.size(), 2);
    EXPECT_EQ(model().file->path, path.toStdString());
}

TEST_F(RadargramFormTest, TheDisplayAndTheTiesComeBackWithTheProject)
{
    open(path);
    page->cbGain->setCurrentIndex(3);
    page->seAgcWindow->setValue(6);
    page->seContrast->setValue(1.5);
    page->cbColors->setCurrentIndex(1);
    page->sePermittivity->setValue(4);
    page->seTieTrace->setValue(100);
    page->edTiePicket->setText(QStringLiteral("130"));
    page->btnTieAdd->click();
    const QString project = dir.filePath(QStringLiteral("линия.trassel"));
    services.nextSaveName = project;
    test::Action(form.get(), "acnSaveProject")->trigger();
    ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();

    test::FakeServices otherServices;
    TFmMainForm other(&otherServices);
    other.openProject(project);
    ASSERT_TRUE(otherServices.errors.isEmpty()) << otherServices.errors.join(QStringLiteral("\n")).toStdString();
    auto* shown = test::Control<RadargramPage>(&other, "pageRadargram");
    EXPECT_EQ(other.document().radargramModel(), model());
    EXPECT_TRUE(shown->scene().ready());
    EXPECT_EQ(shown->cbGain->currentIndex(), 3);
    EXPECT_EQ(shown->seAgcWindow->value(), 6);
    EXPECT_EQ(shown->seContrast->value(), 1.5);
    EXPECT_EQ(shown->cbColors->currentIndex(), 1);
    EXPECT_EQ(shown->sePermittivity->value(), 4);
    ASSERT_EQ(shown->sgTies->rowCount(), 1);
    EXPECT_EQ(shown->sgTies->item(0, 1)->text(), QStringLiteral("ПК130"));
}

TEST_F(RadargramFormTest, AChannelOfATwoChannelFileIsChosenAsOneUndoableStep)
{
    open(path);
    // A file of one channel offers no choice.
    EXPECT_EQ(page->cbChannel->count(), 1);
    EXPECT_FALSE(page->cbChannel->isEnabled());

    test::DztLayout layout;
    layout.channels = 2;
    layout.samples = 32;
    layout.traces = 300;
    open(write("two.dzt", test::WriteDzt(layout)));
    ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    ASSERT_EQ(page->cbChannel->count(), 2);
    EXPECT_TRUE(page->cbChannel->isEnabled());
    EXPECT_EQ(page->cbChannel->currentText(), QStringLiteral("1"));
    page->cbChannel->setCurrentIndex(1);
    EXPECT_EQ(model().channel, 1);
    EXPECT_TRUE(page->scene().fault().empty());
    undo();
    EXPECT_EQ(model().channel, 0);
    EXPECT_EQ(page->cbChannel->currentIndex(), 0);
}
