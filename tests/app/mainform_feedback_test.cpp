// What the window tells the user after a command: a status-bar line for results that show
// nowhere else, and a mark on the tab of a page that got a new result out of sight.
#include "app/mainform.h"
#include "diagram/qt/chart_view.h"
#include "example_survey.h"
#include "support/controls.h"

#include <QAction>
#include <QFileInfo>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace trassel;

namespace {

class FeedbackTest : public test::ExampleSurveyTest {
protected:
    QString status() const { return form->statusBar()->currentMessage(); }
    QTabWidget* pages() const { return test::Control<QTabWidget>(form.get(), "PageControl1"); }
    bool marked(const char* page) const
    {
        return !pages()->tabIcon(pages()->indexOf(test::Control(form.get(), page))).isNull();
    }
};

} // namespace

TEST_F(FeedbackTest, ABuildOnAPageOutOfSightMarksItsTabUntilItIsShown)
{
    QWidget* table = pages()->widget(0); // "Таблица глубин"
    pages()->setCurrentWidget(table);
    test::Action(form.get(), "acnBuildChart")->trigger();
    EXPECT_EQ(status(), QStringLiteral("Диаграмма построена"));
    EXPECT_EQ(pages()->currentWidget(), table) << "no forced page switch";
    EXPECT_TRUE(marked("Диаграммы"));
    test::Action(form.get(), "acnPlotRazrezPoligon")->trigger();
    ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    EXPECT_EQ(status(), QStringLiteral("Разрез построен"));
    EXPECT_TRUE(marked("Разрез"));

    pages()->setCurrentWidget(test::Control(form.get(), "Диаграммы"));
    EXPECT_FALSE(marked("Диаграммы"));
    EXPECT_TRUE(marked("Разрез"));
    // A build on the page in front needs no mark.
    test::Action(form.get(), "acnBuildChart")->trigger();
    EXPECT_FALSE(marked("Диаграммы"));
}

TEST_F(FeedbackTest, UndoReplacesTheCorrectionsWordsAndExportsSayWhereAndHowLarge)
{
    form->resize(1400, 900);
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    pages()->setCurrentWidget(test::Control(form.get(), "Диаграммы"));
    selectLayerOfColumn(4);
    test::Action(form.get(), "acnBuildChart")->trigger();
    auto* chart = test::Control<ChartView>(form.get(), "chtOverviewChart");
    chart->setFocus();
    QTest::keyClick(chart, Qt::Key_Up);
    const QString corrected = status();
    EXPECT_TRUE(corrected.contains(QStringLiteral("строка 2"))) << corrected.toStdString();
    test::Action(form.get(), "acnUndo")->trigger();
    EXPECT_TRUE(status().startsWith(QStringLiteral("Отмена: "))) << status().toStdString();
    EXPECT_NE(status(), corrected);
    test::Action(form.get(), "acnRedo")->trigger();
    EXPECT_TRUE(status().startsWith(QStringLiteral("Повтор: "))) << status().toStdString();

    QTemporaryDir dir;
    test::Action(form.get(), "acnPlotRazrezPoligon")->trigger();
    services.nextSaveName = dir.filePath(QStringLiteral("разрез.png"));
    test::Action(form.get(), "acnExportDiagrammToJpg")->trigger();
    ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    const QFileInfo section(services.nextSaveName);
    ASSERT_TRUE(section.exists());
    EXPECT_TRUE(status().startsWith(QStringLiteral("Разрез сохранён: ")));
    EXPECT_TRUE(status().contains(QStringLiteral("разрез.png, ")));
    EXPECT_TRUE(status().endsWith(QStringLiteral(" КБ")) || status().endsWith(QStringLiteral(" МБ")))
        << status().toStdString();

    services.nextSaveName = dir.filePath(QStringLiteral("диаграмма.png"));
    test::Action(form.get(), "acnExportChart")->trigger();
    ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    EXPECT_TRUE(status().startsWith(QStringLiteral("Диаграмма сохранена: "))) << status().toStdString();

    // A refused export says nothing of success.
    const QString before = status();
    services.nextSaveName = dir.filePath(QStringLiteral("нет/такой/папки/разрез.png"));
    test::Action(form.get(), "acnExportDiagrammToJpg")->trigger();
    EXPECT_FALSE(services.errors.isEmpty());
    EXPECT_EQ(status(), before);
}
