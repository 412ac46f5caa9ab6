#include "app/mainform.h"
#include "app/action_handler.h"
#include "support/controls.h"
#include "app/ribbon.h"
#include "widgets/style_controls.h"
#include "dialogs/qt/about.h"
#include "fake_services.h"
#include "base/compile_date.h"
#include "base/cp1251.h"
#include "table/grid_io.h"
#include "table/qt/grid_table_model.h"
#include "table/qt/string_grid_view.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <climits>
#include <fstream>

using namespace trassel;

namespace {

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override { form = std::make_unique<TFmMainForm>(&services); }
    QString write(const QString& name, const std::string& bytes)
    {
        const QString path = dir.filePath(name);
        std::ofstream(path.toStdString(), std::ios::binary) << bytes;
        return path;
    }
    QString example() const { return QStringLiteral(TRASSEL_SOURCE_DIR "/examples/survey_depths.txt"); }

    test::FakeServices services;
    std::unique_ptr<TFmMainForm> form;
    QTemporaryDir dir;
};

} // namespace

TEST_F(MainFormTest, StartsWithTheNumberedTableAndItsRange)
{
    const QString date = QString::fromLatin1(BuildDate());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[A-Z][a-z]{2} [ 123][0-9] [0-9]{4}$")).match(date).hasMatch())
        << std::string(BuildDate());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Trassel_v2  ") + date);
    EXPECT_EQ(test::Control<QLabel>(form.get(), "lblDateCompilation1")->text(),
              QStringLiteral("Дата компиляции \n") + date);
    EXPECT_EQ(form->document().depthTable().cell(0, 0), "0/0");
    EXPECT_EQ(form->document().depthTable().cell(0, 19), "19");
    EXPECT_EQ(form->document().depthTable().cell(9, 0), "9");
    EXPECT_EQ(form->document().depthTable().colCount(), 10);
    EXPECT_EQ(form->document().depthTable().rowCount(), 20);
    EXPECT_EQ(form->document().depthTable().fixedRows(), 1);
    EXPECT_EQ(form->document().firstDataRow(), 2);
    EXPECT_EQ(form->document().lastDataRow(), 19);
    EXPECT_EQ(form->document().settings().headerRowCount, 1);
    EXPECT_EQ(form->document().sectionWidth(), 200);
    EXPECT_EQ(form->document().selCol(), 0);
    EXPECT_EQ(test::Control<QComboBox>(form.get(), "cmbX")->currentText(), QStringLiteral("1"));
    EXPECT_EQ(test::Control<QComboBox>(form.get(), "cmbDelimiter")->currentIndex(), -1);
    EXPECT_EQ(test::Control<QComboBox>(form.get(), "cmbDelimiter")->currentText(), QStringLiteral("табуляция"));
    // The borehole table is 5 x 2 and empty: its numbering comes with its first import.
    const Grid& skv = form->document().boreholeTable();
    EXPECT_EQ(skv.colCount(), 5);
    EXPECT_EQ(skv.rowCount(), 2);
    for (int r = 0; r < skv.rowCount(); ++r)
        for (int c = 0; c < skv.colCount(); ++c)
            EXPECT_EQ(skv.cell(c, r), "") << c << "," << r;
    StringGridView* sgSkv = test::Control<StringGridView>(form.get(), "sgSkv");
    EXPECT_EQ(sgSkv->grid(), &skv);
    EXPECT_EQ(sgSkv->headerModel()->data(sgSkv->headerModel()->index(0, 0)).toString(), QString());
    EXPECT_EQ(test::Control<Ribbon>(form.get(), "Ribbon1")->tabTitles(),
              (QStringList{QStringLiteral("Файл"), QStringLiteral("Таблицы"), QStringLiteral("Диаграмма"),
                           QStringLiteral("Разрез"), QStringLiteral("Параметры"), QStringLiteral("Справка")}));
    EXPECT_EQ(test::Control<Ribbon>(form.get(), "Ribbon1")
                  ->actionsOf(QStringLiteral("Таблицы"), QStringLiteral("Цифровая модель")),
              (QList<QAction*>{test::Action(form.get(), "acnImportTable"), test::Action(form.get(), "acnExportTable"),
                               test::Action(form.get(), "acnReCalcPK")}));
    EXPECT_EQ(
        test::Control<Ribbon>(form.get(), "Ribbon1")->actionsOf(QStringLiteral("Справка"), QStringLiteral("Сведения")),
        QList<QAction*>{test::Action(form.get(), "acnAbout")});
    EXPECT_EQ(test::Action(form.get(), "acnAbout")->text(), QStringLiteral("О прогамме"));
    EXPECT_EQ(
        test::Control<Ribbon>(form.get(), "Ribbon1")->screenTip(test::Action(form.get(), "acnExportTable")).description,
        QStringLiteral("Экспорт таблицы, содержащей цифровую модель среды ПК/глубина,  в текстовый файл"));
    EXPECT_EQ(test::Control<QTabWidget>(form.get(), "PageControl1")->currentWidget(),
              test::Control(form.get(), "ТаблицаГлубин"));
    EXPECT_EQ(test::Control<QTabWidget>(form.get(), "PageControl2")->currentWidget(),
              test::Control(form.get(), "scrbxPropertiesTable"));
}

TEST_F(MainFormTest, PageControlsFollowEachOtherOnlyForTheUsersSwitch)
{
    test::Control<QTabWidget>(form.get(), "PageControl1")->setCurrentWidget(test::Control(form.get(), "Диаграммы"));
    EXPECT_EQ(test::Control<QTabWidget>(form.get(), "PageControl2")->currentWidget(),
              test::Control(form.get(), "scrbxPropertiesDiagramma"));
    test::Control<QTabWidget>(form.get(), "PageControl2")
        ->setCurrentWidget(test::Control(form.get(), "scrbxPropertiesTrassel"));
    EXPECT_EQ(test::Control<QTabWidget>(form.get(), "PageControl1")->currentWidget(),
              test::Control(form.get(), "Разрез"));
    test::Control<QTabWidget>(form.get(), "PageControl1")->setCurrentWidget(test::Control(form.get(), "TabSheet1"));
    EXPECT_EQ(test::Control<QTabWidget>(form.get(), "PageControl2")->currentWidget(),
              test::Control(form.get(), "scrbxPropertiesTrassel"));
    test::Control<QTabWidget>(form.get(), "PageControl1")->setCurrentWidget(test::Control(form.get(), "TabSheet2"));
    EXPECT_EQ(test::Control<QTabWidget>(form.get(), "PageControl2")->currentWidget(),
              test::Control(form.get(), "scrbxPropertiesTrassel"));
    test::Control<QTabWidget>(form.get(), "PageControl2")
        ->setCurrentWidget(test::Control(form.get(), "scrbxPropertiesTable"));
    EXPECT_EQ(test::Control<QTabWidget>(form.get(), "PageControl1")->currentWidget(),
              test::Control(form.get(), "ТаблицаГлубин"));
    form->showPageByCommand(test::Control(form.get(), "Разрез"));
    EXPECT_EQ(test::Control<QTabWidget>(form.get(), "PageControl1")->currentWidget(),
              test::Control(form.get(), "Разрез"));
    EXPECT_EQ(test::Control<QTabWidget>(form.get(), "PageControl2")->currentWidget(),
              test::Control(form.get(), "scrbxPropertiesTable"));
}

TEST_F(MainFormTest, ImportRecalculateExportAndImportAgain)
{
    services.nextOpenName = example();
    test::Action(form.get(), "acnImportTable")->trigger();
    ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    EXPECT_EQ(services.lastFilter, QStringLiteral("Все файлы(*.*);;Текстовые файлы(*.txt)"));
    EXPECT_EQ(form->document().depthTable().cell(1, 1), "км");
    EXPECT_EQ(form->document().depthTable().cell(5, 1), "Суглинок");
    EXPECT_EQ(form->document().depthTable().rowCount(), 403);
    EXPECT_EQ(form->document().depthTable().fixedRows(), 2);
    EXPECT_EQ(test::Control<StringGridView>(form.get(), "sgSourceData")->fixedRows(), 2);
    EXPECT_EQ(form->document().lastDataRow(), 402);
    EXPECT_EQ(form->document().depthTable().cell(0, 402), "402");

    test::Action(form.get(), "acnReCalcPK")->trigger();
    EXPECT_EQ(form->document().depthTable().cell(1, 1), "км");
    EXPECT_EQ(form->document().depthTable().cell(1, 2), "123");
    EXPECT_EQ(form->document().depthTable().cell(1, 3), "123.05");
    EXPECT_EQ(form->document().depthTable().cell(2, 3), "123+05");

    services.nextSaveName = dir.filePath(QStringLiteral("ЦифроваяМодель.txt"));
    test::Action(form.get(), "acnExportTable")->trigger();
    EXPECT_EQ(services.lastProposedName, QStringLiteral("ЦифроваяМодель.txt"));
    EXPECT_EQ(services.informations, QStringList{QStringLiteral("Экспорт таблицы|Таблица успешно экспортирована")});

    TFmMainForm second(&services);
    services.nextOpenName = services.nextSaveName;
    test::Action(&second, "acnImportTable")->trigger();
    ASSERT_EQ(second.document().depthTable().rowCount(), form->document().depthTable().rowCount());
    for (int r = 1; r < form->document().depthTable().rowCount(); ++r)
        for (int c = 1; c < form->document().depthTable().colCount(); ++c)
            ASSERT_EQ(second.document().depthTable().cell(c, r), form->document().depthTable().cell(c, r))
                << c << "," << r;
}

TEST_F(MainFormTest, AFileThatCannotBeReadLeavesTheTableAsItWas)
{
    form->document().depthTable().setCell(1, 2, "kept");
    test::Control<QSpinBox>(form.get(), "seLastRow")->setValue(7);
    services.nextOpenName = dir.filePath(QStringLiteral("missing.txt"));
    test::Action(form.get(), "acnImportTable")->trigger();
    ASSERT_EQ(services.errors.size(), 1);
    EXPECT_TRUE(services.errors[0].contains(QStringLiteral("missing.txt")));
    EXPECT_EQ(form->document().depthTable().cell(1, 2), "kept");
    EXPECT_EQ(form->document().lastDataRow(), 7);

    services.nextOpenName = write(QStringLiteral("empty.txt"), "");
    test::Action(form.get(), "acnImportTable")->trigger();
    EXPECT_EQ(services.messages, QStringList{QStringLiteral("Файл пустой!")});
    EXPECT_EQ(form->document().depthTable().cell(1, 2), "kept");
    EXPECT_EQ(form->document().lastDataRow(), 19);

    services.nextOpenName.clear(); // cancelled
    test::Action(form.get(), "acnImportTable")->trigger();
    EXPECT_EQ(form->document().depthTable().cell(1, 2), "kept");
}

TEST_F(MainFormTest, AnEmptyBoreholeFileIsSaidToBeEmptyBeforeTheFixedRowsAreRefused)
{
    form->document().boreholeTable().setCell(2, 1, "kept");
    services.nextOpenName = write(QStringLiteral("empty.txt"), "");
    test::Action(form.get(), "acnImportSkv")->trigger();
    // The reader's word first, then the grid's refusal of two fixed rows in a table of two rows.
    EXPECT_EQ(services.shown, (QStringList{QStringLiteral("Файл пустой!"),
                                           QStringLiteral("Fixed row count must be less than row count")}));
    EXPECT_EQ(form->document().boreholeTable().cell(2, 1), "kept");
    EXPECT_EQ(form->document().boreholeTable().fixedRows(), 1);

    // The depth table says it the same way, also when its header rows are refused after it.
    form->document().depthTable().setRowCount(3);
    form->document().depthTable().setCell(1, 2, "kept");
    test::Control<QSpinBox>(form.get(), "seNumberOfHeaderRows")->setValue(2); // refused: 3 rows
    ASSERT_EQ(form->document().settings().headerRowCount, 2);
    services.shown.clear();
    test::Action(form.get(), "acnImportTable")->trigger();
    EXPECT_EQ(services.shown, (QStringList{QStringLiteral("Файл пустой!"),
                                           QStringLiteral("Fixed row count must be less than row count")}));
    EXPECT_EQ(form->document().depthTable().cell(1, 2), "kept");
}

TEST_F(MainFormTest, ATextTypedOverAChosenDelimiterMeansTab)
{
    auto* delimiter = test::Control<QComboBox>(form.get(), "cmbDelimiter");
    delimiter->setCurrentIndex(1);
    EXPECT_EQ(form->document().delimiter(), ';');
    // The user types over "точка с запятой": no item is chosen any more, which is tab.
    delimiter->lineEdit()->selectAll();
    // (QTest types only ASCII letters.)
    QTest::keyClicks(delimiter->lineEdit(), QStringLiteral("mine"));
    EXPECT_EQ(delimiter->currentText(), QStringLiteral("mine"));
    EXPECT_EQ(form->document().settings().delimiterIndex, -1);
    EXPECT_EQ(form->document().settings().delimiterText, "mine");
    EXPECT_EQ(form->document().delimiter(), '\t');
    const std::string file = "a;b\tc\r\n1;2\t3\r\n";
    services.nextOpenName = write(QStringLiteral("mixed.txt"), file);
    test::Action(form.get(), "acnImportTable")->trigger();
    EXPECT_EQ(form->document().depthTable().cell(1, 1), "a;b");
    EXPECT_EQ(form->document().depthTable().cell(2, 1), "c");
    // The borehole import takes the same choice.
    test::Action(form.get(), "acnImportSkv")->trigger();
    EXPECT_EQ(form->document().boreholeTable().cell(1, 2), "1;2");
    EXPECT_EQ(form->document().boreholeTable().cell(2, 2), "3");
    EXPECT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    // Typing the item's name back, or choosing it again, is the item again.
    delimiter->setCurrentIndex(2);
    EXPECT_EQ(form->document().delimiter(), ',');
    delimiter->setCurrentIndex(1);
    EXPECT_EQ(form->document().delimiter(), ';');
}

TEST_F(MainFormTest, DelimiterAndHeaderRowsComeFromTheTablePage)
{
    test::Control<QComboBox>(form.get(), "cmbDelimiter")->setCurrentIndex(1);
    test::Control<QSpinBox>(form.get(), "seNumberOfHeaderRows")->setValue(2);
    EXPECT_EQ(form->document().depthTable().fixedRows(), 3);
    services.nextOpenName = write(QStringLiteral("semi.txt"), EncodeCp1251("Участок\r\nкм;м\r\n1;;3\r\n"));
    test::Action(form.get(), "acnImportTable")->trigger();
    EXPECT_EQ(form->document().depthTable().cell(1, 2), "км");
    EXPECT_EQ(form->document().depthTable().cell(2, 3), "");
    EXPECT_EQ(form->document().depthTable().cell(3, 3), "3");
    EXPECT_EQ(form->document().depthTable().fixedRows(), 3);
    // Picket recalculation never touches the header rows.
    form->handler().acnReCalcPKExecute();
    EXPECT_EQ(form->document().depthTable().cell(1, 2), "км");
    EXPECT_EQ(form->document().depthTable().cell(1, 3), "10");
}

TEST_F(MainFormTest, FailuresAreReportedAndTheProgramGoesOn)
{
    services.nextSaveName = dir.filePath(QStringLiteral("no/such/folder/out.txt"));
    test::Action(form.get(), "acnExportTable")->trigger();
    EXPECT_EQ(services.errors.size(), 1);
    EXPECT_TRUE(services.informations.isEmpty());
    // A header-row count the table cannot take is refused and reported.
    form->document().depthTable().setRowCount(5);
    test::Control<QSpinBox>(form.get(), "seNumberOfHeaderRows")->setValue(6);
    EXPECT_EQ(services.errors.size(), 2);
    EXPECT_EQ(services.errors.last(), QStringLiteral("Fixed row count must be less than row count"));
    EXPECT_EQ(form->document().depthTable().fixedRows(), 1);
}

TEST_F(MainFormTest, FirstRowPushesTheLastRowAlong)
{
    test::Control<QSpinBox>(form.get(), "seFirstRow")->setValue(19);
    EXPECT_EQ(form->document().lastDataRow(), 20);
    test::Control<QSpinBox>(form.get(), "seLastRow")->setValue(5);
    EXPECT_EQ(form->document().lastDataRow(), 5);
    EXPECT_EQ(form->document().firstDataRow(), 19);
}

TEST_F(MainFormTest, SelectionComesFromEitherTable)
{
    test::Control<StringGridView>(form.get(), "sgSkv")->setCurrentCell(3, 1);
    EXPECT_EQ(form->document().selCol(), 3);
    EXPECT_EQ(form->document().selRow(), 1);
    test::Control<StringGridView>(form.get(), "sgSourceData")->setCurrentCell(2, 7);
    EXPECT_EQ(form->document().selCol(), 2);
    EXPECT_EQ(form->document().selRow(), 7);
}

TEST_F(MainFormTest, TheAboutBoxIsOneWindowShownAgain)
{
    TFmAbout about(QString::fromLatin1(BuildDate()), form.get());
    form->setSecondaryWindows(nullptr, nullptr, nullptr, &about);
    test::Action(form.get(), "acnAbout")->trigger();
    EXPECT_TRUE(about.isVisible());
    about.hide();
    test::Action(form.get(), "acnAbout")->trigger();
    EXPECT_TRUE(about.isVisible());
    EXPECT_EQ(form->findChildren<TFmAbout*>().size(), 1);
}

TEST_F(MainFormTest, SpinEditsKeepTheirRangesAndSteps)
{
    struct Case {
        QSpinBox* spin;
        int value;
        int step;
        int min;
        int max;
    };
    const Case cases[] = {
        {test::Control<QSpinBox>(form.get(), "sedH"), 55, 5, 25, 150},
        {test::Control<QSpinBox>(form.get(), "seLineWidth"), 3, 1, 1, 100},
        {test::Control<QSpinBox>(form.get(), "seNumberOfHeaderRows"), 1, 1, 0, 10},
        {test::Control<QSpinBox>(form.get(), "seScaleX"), 400, 50, INT_MIN, INT_MAX},
        {test::Control<QSpinBox>(form.get(), "seDHL"), 50, 25, INT_MIN, INT_MAX},
        {test::Control<QSpinBox>(form.get(), "seChtOverviewChartHeight"), 200, 1, INT_MIN, INT_MAX},
        {test::Control<QSpinBox>(form.get(), "seFirstRow"), 2, 1, INT_MIN, INT_MAX},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.spin->value(), c.value) << c.spin->objectName().toStdString();
        EXPECT_EQ(c.spin->singleStep(), c.step) << c.spin->objectName().toStdString();
        EXPECT_EQ(c.spin->minimum(), c.min) << c.spin->objectName().toStdString();
        EXPECT_EQ(c.spin->maximum(), c.max) << c.spin->objectName().toStdString();
    }
}
