// Thickness against the design in the window: the report written into a chosen folder, the
// norms edited as one undoable step, the page of the failing stretches and their bands on the diagram.
#include "app/mainform.h"
#include "example_survey.h"
#include "support/controls.h"
#include "diagram/qt/chart_view.h"
#include "document/section_scene.h"
#include "section/qt/deviation_strip.h"
#include "section/qt/section_view.h"
#include "thickness/qt/norms_dialog.h"
#include "thickness/qt/stretch_bands.h"
#include "thickness/qt/stretches_page.h"
#include "thickness/thickness.h"
#include "thickness/report_files.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTableWidget>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QTableView>
#include <QTest>
#include <QTabWidget>
#include <QDoubleSpinBox>

#include <gtest/gtest.h>

#include <algorithm>

using namespace trassel;

namespace {

class ThicknessTest : public test::ExampleSurveyTest {
protected:
    QString status() const { return form->statusBar()->currentMessage(); }
    // The ballast (the first layer, column 3) held to `cm`.
    void setBallastNorm(double cm)
    {
        DesignNorms norms = form->document().norms();
        norms.layers = {{.column = 3, .name = {}, .normCm = cm}};
        form->document().setNorms(norms);
    }
    QStringList filesIn(const QString& folder) const
    {
        return QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    }
};

} // namespace

TEST_F(ThicknessTest, TheReportIsWrittenIntoTheChosenFolderAndSaidInTheStatusBar)
{
    setBallastNorm(55);
    const QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A folder that is not there yet is made.
    const QString folder = dir.filePath(QStringLiteral("ведомость"));
    services.nextFolder = folder;
    test::Action(form.get(), "acnExportReport")->trigger();
    ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    EXPECT_EQ(status(), QStringLiteral("Ведомость сохранена: ") + QDir::toNativeSeparators(folder));
    const QStringList files = filesIn(folder);
    EXPECT_TRUE(files.contains(QString::fromUtf8(kWorkbookName))) << files.join(QStringLiteral(", ")).toStdString();
    EXPECT_TRUE(files.contains(QStringLiteral("Участки ниже нормы.csv")));
    EXPECT_EQ(files.size(), 5);
    // The stretches file lists what the document found, one line a stretch under the header.
    QFile stretches(QDir(folder).filePath(QStringLiteral("Участки ниже нормы.csv")));
    ASSERT_TRUE(stretches.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = stretches.readAll().trimmed().split('\n');
    const std::size_t found = form->document().compliance().layers.at(0).stretches.size();
    ASSERT_GT(found, 0u) << "a norm of 55 cm fails somewhere on the example survey";
    EXPECT_EQ(static_cast<std::size_t>(lines.size()), found + 1);

    // Cancelling the folder dialog writes nothing and says nothing.
    form->statusBar()->clearMessage();
    services.nextFolder.clear();
    test::Action(form.get(), "acnExportReport")->trigger();
    EXPECT_TRUE(status().isEmpty());
    EXPECT_TRUE(services.errors.isEmpty());
}

TEST_F(ThicknessTest, AReportThatCannotBeMadeSaysWhyAndLeavesNothingBehind)
{
    const QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A file where the folder should be: refused in words, nothing reported as saved.
    const QString file = dir.filePath(QStringLiteral("занято"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    services.nextFolder = file;
    test::Action(form.get(), "acnExportReport")->trigger();
    ASSERT_EQ(services.errors.size(), 1);
    EXPECT_FALSE(services.errors.front().isEmpty());
    EXPECT_FALSE(status().startsWith(QStringLiteral("Ведомость сохранена")));
    EXPECT_EQ(QFileInfo(file).size(), 1);

    // Pickets out of order: the analysis is refused before the folder is made.
    services.errors.clear();
    form->document().writeCell(TableId::Depth, 1, 5, "1");
    const QString folder = dir.filePath(QStringLiteral("новая"));
    services.nextFolder = folder;
    test::Action(form.get(), "acnExportReport")->trigger();
    ASSERT_EQ(services.errors.size(), 1);
    EXPECT_TRUE(services.errors.front().contains(QStringLiteral("5"))) << services.errors.front().toStdString();
    EXPECT_FALSE(QFileInfo::exists(folder));
}

TEST_F(ThicknessTest, TheNormsDialogAppliesItsNormsAsOneUndoableStep)
{
    const DesignNorms before = form->document().norms();
    services.answerNorms = [](NormsDialog& dialog) {
        // The layers of the document are listed by column, the ballast first.
        EXPECT_EQ(dialog.sgLayerNorms->rowCount(), 3);
        EXPECT_EQ(dialog.sgLayerNorms->item(0, 0)->text(), QStringLiteral("3"));
        dialog.sgLayerNorms->item(0, 2)->setText(QStringLiteral("40"));
        dialog.sgLayerNorms->item(1, 2)->setText(QStringLiteral("60,5"));
        // A design stretch in km + m and one as a picket; an empty ballast cell stays empty.
        dialog.addStretch();
        dialog.sgStretches->item(0, 0)->setText(QStringLiteral("12 км 300 м"));
        dialog.sgStretches->item(0, 1)->setText(QStringLiteral("125+00"));
        dialog.sgStretches->item(0, 2)->setText(QStringLiteral("4"));
        dialog.sgStretches->item(0, 3)->setText(QStringLiteral("дерево"));
        dialog.sgBallast->item(3, 1)->setText(QStringLiteral("22"));
        dialog.seTolerance->setValue(2);
        dialog.seMinLength->setValue(10);
        // A fourth condition class after the first, its share half-way to the next; then the
        // former second one removed.
        const int classes = dialog.sgClasses->rowCount();
        EXPECT_EQ(classes, 3);
        dialog.sgClasses->setCurrentCell(0, 0);
        dialog.addConditionClass();
        EXPECT_EQ(dialog.sgClasses->rowCount(), classes + 1);
        EXPECT_EQ(dialog.sgClasses->currentRow(), 1);
        EXPECT_EQ(dialog.sgClasses->item(1, 1)->text(), QStringLiteral("10"));
        dialog.sgClasses->item(1, 0)->setText(QStringLiteral("почти хорошее"));
        dialog.sgClasses->item(1, 1)->setText(QStringLiteral("5"));
        dialog.sgClasses->setCurrentCell(2, 0);
        dialog.removeConditionClass();
        EXPECT_EQ(dialog.sgClasses->rowCount(), classes);
        return true;
    };
    test::Action(form.get(), "acnEditNorms")->trigger();
    ASSERT_EQ(form->document().norms().classes.size(), 3u);
    EXPECT_EQ(form->document().norms().classes[1], (ConditionClass{"почти хорошее", 5.0}));
    EXPECT_EQ(form->document().norms().classes[0], before.classes[0]);
    EXPECT_EQ(form->document().norms().classes[2], before.classes[2]);
    ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    const DesignNorms& after = form->document().norms();
    ASSERT_NE(after.layer(3), nullptr);
    EXPECT_EQ(after.layer(3)->normCm, 40.0);
    ASSERT_NE(after.layer(4), nullptr);
    EXPECT_EQ(after.layer(4)->normCm, 60.5);
    EXPECT_EQ(after.layer(5), nullptr) << "a layer the user said nothing of gets no entry";
    ASSERT_EQ(after.stretches.size(), 1u);
    EXPECT_EQ(after.stretches[0], (DesignStretch{12'300, 12'500, 4, Sleeper::Wooden}));
    EXPECT_EQ(after.ballast.at(4, Sleeper::Concrete), 22.0);
    EXPECT_EQ(after.ballast.at(5, Sleeper::Concrete), std::nullopt);
    EXPECT_EQ(after.toleranceCm, 2.0);
    EXPECT_EQ(after.minLengthM, 10.0);
    EXPECT_EQ(form->undoStack()->undoText(), QStringLiteral("Нормы проектирования"));

    // One undo brings every former norm back.
    const int steps = form->undoStack()->index();
    test::Action(form.get(), "acnUndo")->trigger();
    EXPECT_EQ(form->document().norms(), before);
    EXPECT_EQ(form->undoStack()->index(), steps - 1);

    // The dialog opens on the norms in force and, cancelled, changes nothing.
    test::Action(form.get(), "acnRedo")->trigger();
    services.answerNorms = [](NormsDialog& dialog) {
        EXPECT_EQ(dialog.sgLayerNorms->item(0, 2)->text(), QStringLiteral("40"));
        EXPECT_EQ(dialog.sgStretches->item(0, 1)->text(), QStringLiteral("125+00"));
        dialog.sgLayerNorms->item(0, 2)->setText(QStringLiteral("10"));
        return false;
    };
    test::Action(form.get(), "acnEditNorms")->trigger();
    EXPECT_EQ(form->document().norms().layer(3)->normCm, 40.0);
    EXPECT_EQ(form->undoStack()->index(), steps);
}

TEST_F(ThicknessTest, NormsPassedThroughTheDialogUntouchedStayExactlyAsTheyWere)
{
    // Values finer than a tenth (from a project or the command line) are not rounded away.
    DesignNorms norms = form->document().norms();
    norms.toleranceCm = 2.125;
    norms.minLengthM = 7.005;
    norms.sleeperBaseCm = 0.375;
    norms.stretches = {{12'345.5, 12'600, 2, Sleeper::Wooden}};
    norms.layers = {{.column = 4, .name = "Песчаная подушка", .normCm = 20.25}};
    form->document().setNorms(norms);
    const int steps = form->undoStack()->index();
    services.answerNorms = [this](NormsDialog&) { return services.normsShown == 1; };
    test::Action(form.get(), "acnEditNorms")->trigger();
    ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    EXPECT_EQ(form->document().norms(), norms);
    EXPECT_EQ(form->undoStack()->index(), steps) << "nothing changed, no step";
}

TEST_F(ThicknessTest, NormsTheDocumentRefusesAreSaidAndTheDialogComesBackAsTyped)
{
    const DesignNorms before = form->document().norms();
    const int steps = form->undoStack()->index();
    // Shown first with a stretch ending before it starts, then with a word for a class; the
    // third time the user gives up.
    QStringList seen;
    services.answerNorms = [&seen, this](NormsDialog& dialog) {
        if (services.normsShown == 1) {
            dialog.addStretch();
            dialog.sgStretches->item(0, 0)->setText(QStringLiteral("130+00"));
            dialog.sgStretches->item(0, 1)->setText(QStringLiteral("125+00"));
            return true;
        }
        seen << dialog.sgStretches->item(0, 0)->text();
        if (services.normsShown == 2) {
            dialog.sgStretches->item(0, 1)->setText(QStringLiteral("135+00"));
            dialog.sgStretches->item(0, 2)->setText(QStringLiteral("первый"));
            return true;
        }
        return false;
    };
    test::Action(form.get(), "acnEditNorms")->trigger();
    EXPECT_EQ(services.normsShown, 3);
    EXPECT_EQ(seen, (QStringList{QStringLiteral("130+00"), QStringLiteral("130+00")}));
    ASSERT_EQ(services.errors.size(), 2);
    EXPECT_TRUE(services.errors[1].contains(QStringLiteral("«первый»"))) << services.errors[1].toStdString();
    EXPECT_EQ(form->document().norms(), before);
    EXPECT_EQ(form->undoStack()->index(), steps);
}

namespace {

// The text of a cell of the stretches page as the user sees it, sorted as it is.
QString Cell(QTableView* view, int row, int column) { return view->model()->index(row, column).data().toString(); }

double Number(QTableView* view, int row, int column)
{
    return view->model()->index(row, column).data(Qt::UserRole).toDouble();
}

} // namespace

TEST_F(ThicknessTest, TheStretchesPageListsSortsAndShowsAStretchOnTheDiagramAndSection)
{
    form->resize(1400, 900);
    form->show();
    test::Action(form.get(), "acnBuildChart")->trigger();
    test::Action(form.get(), "acnPlotRazrezPoligon")->trigger();
    auto* page = test::Control<StretchesPage>(form.get(), "Участки");
    auto* pages = test::Control<QTabWidget>(form.get(), "PageControl1");
    EXPECT_EQ(pages->indexOf(page), pages->count() - 1) << "after the other working pages";
    EXPECT_EQ(pages->tabText(pages->indexOf(page)), QStringLiteral("Участки"));
    EXPECT_EQ(pages->tabToolTip(pages->indexOf(page)), QStringLiteral("Участки ниже нормы"));
    pages->setCurrentWidget(page);
    QTableView* view = page->tvStretches;
    EXPECT_EQ(view->model()->rowCount(), 0);
    EXPECT_EQ(page->lblStretches->text(), QStringLiteral("Участков ниже нормы нет"));

    // A norm the ballast meets only in places, and one for the sand: the page follows the change.
    DesignNorms norms = form->document().norms();
    norms.layers = {{.column = 3, .name = {}, .normCm = 52.5}, {.column = 4, .name = {}, .normCm = 69}};
    form->document().setNorms(norms);
    ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    const Compliance& compliance = form->document().compliance();
    std::size_t total = 0;
    for (const LayerCompliance& layer : compliance.layers)
        total += layer.stretches.size();
    ASSERT_GE(total, 3u);
    ASSERT_EQ(static_cast<std::size_t>(view->model()->rowCount()), total);
    EXPECT_EQ(page->lblStretches->text(), QStringLiteral("Участков ниже нормы: %1").arg(total));
    // Unsorted, the ballast's stretches come first, as the document found them.
    const FailingStretch& first = compliance.layers[0].stretches.at(0);
    EXPECT_EQ(Cell(view, 0, 0), QStringLiteral("Балласт"));
    EXPECT_EQ(Cell(view, 0, 1), QString::fromStdString(PicketText(first.fromM)));
    EXPECT_EQ(Cell(view, 0, 2), QString::fromStdString(PicketText(first.toM)));
    EXPECT_DOUBLE_EQ(Number(view, 0, 3), first.lengthM);

    // Sorted by a header: by length, longest first; then by start along the line.
    view->sortByColumn(3, Qt::DescendingOrder);
    for (int row = 1; row < view->model()->rowCount(); ++row)
        EXPECT_GE(Number(view, row - 1, 3), Number(view, row, 3)) << row;
    view->sortByColumn(1, Qt::AscendingOrder);
    for (int row = 1; row < view->model()->rowCount(); ++row)
        EXPECT_LE(Number(view, row - 1, 1), Number(view, row, 1)) << row;

    // A click on the last stretch along the line: the cursor goes to its first row, and the
    // section shows where it starts.
    const int last = view->model()->rowCount() - 1;
    const double fromM = Number(view, last, 1);
    view->scrollTo(view->model()->index(last, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(last, 2)).center());
    ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    int expectedRow = -1;
    for (const LayerCompliance& layer : compliance.layers)
        for (const FailingStretch& s : layer.stretches)
            if (s.fromM == fromM && expectedRow < 0)
                expectedRow = compliance.points.rows[s.first];
    EXPECT_EQ(form->document().diagram().cursor().Row, expectedRow);
    // The diagram was built again around it: the cursor's picket is that row's.
    EXPECT_NEAR(form->document().diagram().cursor().X * 100.0,
                *PicketMetres(form->document().depthTable().cell(1, expectedRow)), 1e-6);
    const SectionParams params = form->document().sectionParams();
    const double x = (fromM - compliance.points.posM.front()) / 100.0 * params.SX + params.Lleft + 60.0;
    const QRectF visible = test::Control<SectionView>(form.get(), "scrbxTrassel")->visibleSection();
    EXPECT_LE(visible.left(), x);
    EXPECT_GE(visible.right(), x);
    EXPECT_GT(visible.left(), 0.0) << "scrolled along the line";

    // Undone, the norms pass again and the list empties.
    test::Action(form.get(), "acnUndo")->trigger();
    EXPECT_EQ(view->model()->rowCount(), 0);
    // Pickets out of order leave no list and say why.
    test::Action(form.get(), "acnRedo")->trigger();
    EXPECT_EQ(static_cast<std::size_t>(view->model()->rowCount()), total);
    form->document().writeCell(TableId::Depth, 1, 5, "1");
    EXPECT_EQ(view->model()->rowCount(), 0);
    EXPECT_TRUE(page->lblStretches->text().startsWith(QStringLiteral("Толщины не посчитаны: ")))
        << page->lblStretches->text().toStdString();
}

TEST_F(ThicknessTest, FailingStretchesShowAsRedBandsOverTheDiagramButNotInItsPictures)
{
    form->resize(1400, 900);
    form->show();
    auto* pages = test::Control<QTabWidget>(form.get(), "PageControl1");
    pages->setCurrentWidget(test::Control(form.get(), "Диаграммы"));
    test::Action(form.get(), "acnBuildChart")->trigger();
    auto* chart = test::Control<ChartView>(form.get(), "chtOverviewChart");
    auto* bands = test::Control<StretchBands>(form.get(), "StretchBands");
    QApplication::processEvents();
    EXPECT_TRUE(bands->bands().isEmpty()) << "no norms, no bands";

    DesignNorms norms = form->document().norms();
    norms.layers = {{.column = 3, .name = {}, .normCm = 52.5}};
    form->document().setNorms(norms);
    // The whole line in view (the axes otherwise follow the cursor).
    const LinePoints& line = form->document().compliance().points;
    chart->xAxis->setRange(line.posM.front() / 100.0 - 1, line.posM.back() / 100.0 + 1);
    chart->replot();
    QApplication::processEvents();
    const std::vector<FailingStretch>& stretches = form->document().compliance().layers.at(0).stretches;
    ASSERT_GE(stretches.size(), 2u);
    const QList<QRect> rects = bands->bands();
    ASSERT_EQ(static_cast<std::size_t>(rects.size()), stretches.size());
    const QRect area = chart->axisRect()->rect();
    for (std::size_t i = 0; i < stretches.size(); ++i) {
        const QRect& r = rects[static_cast<qsizetype>(i)];
        EXPECT_NEAR(r.left(), chart->xAxis->coordToPixel(stretches[i].fromM / 100.0), 1.0) << i;
        EXPECT_NEAR(r.right(), chart->xAxis->coordToPixel(stretches[i].toM / 100.0), 1.0) << i;
        EXPECT_EQ(r.top(), area.top());
        EXPECT_EQ(r.bottom(), area.bottom());
    }

    // Red on the screen, where the plot's own picture (what prints and exports draw) is not.
    const QRect widest = *std::max_element(rects.begin(), rects.end(),
                                           [](const QRect& a, const QRect& b) { return a.width() < b.width(); });
    const QPoint at(widest.center().x(), area.top() + 3);
    const QColor shown = chart->grab().toImage().pixelColor(at);
    const QColor plain = chart->toPixmap(chart->width(), chart->height()).toImage().pixelColor(at);
    EXPECT_GT(shown.red() - shown.green(), 20) << shown.name().toStdString();
    EXPECT_LT(plain.red() - plain.green(), 5) << plain.name().toStdString();

    // The norms undone, the bands go.
    test::Action(form.get(), "acnUndo")->trigger();
    EXPECT_TRUE(bands->bands().isEmpty());
}

TEST_F(ThicknessTest, TheDeviationPlotStandsUnderTheSectionOnItsAxisAndNotInItsPicture)
{
    form->resize(1400, 900);
    form->show();
    auto* pages = test::Control<QTabWidget>(form.get(), "PageControl1");
    pages->setCurrentWidget(test::Control(form.get(), "Разрез"));
    test::Action(form.get(), "acnPlotRazrezPoligon")->trigger();
    auto* view = test::Control<SectionView>(form.get(), "scrbxTrassel");
    auto* strip = test::Control<DeviationStrip>(form.get(), "DeviationStrip");
    QApplication::processEvents();
    EXPECT_FALSE(strip->isVisible()) << "no norms, no plot";

    setBallastNorm(52.5);
    QApplication::processEvents();
    ASSERT_TRUE(strip->isVisible());
    ASSERT_EQ(strip->plotted(), std::vector<std::size_t>{0});
    EXPECT_EQ(strip->height(), DeviationStrip::kPlotHeight);

    // Under a failing stretch the plot is red below its middle, at the x where the section
    // shows the stretch; where the ballast is thick enough there is no red.
    const Compliance& compliance = form->document().compliance();
    const std::vector<FailingStretch>& stretches = compliance.layers.at(0).stretches;
    ASSERT_FALSE(stretches.empty());
    const SectionParams params = form->document().sectionParams();
    const double firstPicket = compliance.points.posM.front() / 100.0;
    const auto stripX = [&](double metres) {
        const double bitmapX = (metres / 100.0 - firstPicket) * params.SX + params.Lleft + 60;
        const QPoint inView = view->imageControl()->mapTo(form.get(), QPoint(static_cast<int>(bitmapX), 0));
        return strip->mapFrom(form.get(), inView).x();
    };
    const FailingStretch& s = stretches.front();
    view->showSectionX((s.fromM / 100.0 - firstPicket) * params.SX + params.Lleft + 60);
    QApplication::processEvents();
    const QImage shown = strip->grab().toImage();
    const int x = stripX((s.fromM + s.toM) / 2);
    ASSERT_GE(x, 0);
    ASSERT_LT(x, shown.width());
    int red = 0;
    for (int y = DeviationStrip::kPlotHeight / 2 + 1; y < DeviationStrip::kPlotHeight - 3; ++y) {
        const QColor c = shown.pixelColor(x, y);
        red += c.red() > 150 && c.green() < 80 ? 1 : 0;
    }
    EXPECT_GT(red, 0);
    // The section's own picture holds no deviation plot: its height is the section's.
    EXPECT_EQ(form->document().section().record().height(), form->document().sectionState().imageHeight);

    // The norms undone, the plot goes.
    test::Action(form.get(), "acnUndo")->trigger();
    QApplication::processEvents();
    EXPECT_FALSE(strip->isVisible());
}
