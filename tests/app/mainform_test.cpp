#include "app/mainform.h"
#include "support/controls.h"
#include "app/ribbon.h"
#include "widgets/style_controls.h"
#include "dialogs/qt/about.h"
#include "fake_services.h"
#include "base/cp1251.h"
#include "table/grid_io.h"
#include "table/qt/string_grid_view.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>

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
    const QString date = QString::fromLatin1(form->CompileDate.c_str());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[A-Z][a-z]{2} [ 123][0-9] [0-9]{4}$")).match(date).hasMatch()) << form->CompileDate;
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Trassel_v2  ") + date);
    EXPECT_EQ(form->lblDateCompilation1->text(), QStringLiteral("Дата компиляции \n") + date);
    EXPECT_EQ(form->SourceData.cell(0, 0), "0/0");
    EXPECT_EQ(form->SourceData.cell(0, 19), "19");
    EXPECT_EQ(form->SourceData.cell(9, 0), "9");
    EXPECT_EQ(form->SourceData.colCount(), 10);
    EXPECT_EQ(form->SourceData.rowCount(), 20);
    EXPECT_EQ(form->SourceData.fixedRows(), 1);
    EXPECT_EQ(form->FirstDataRow(), 2);
    EXPECT_EQ(form->LastDataRow(), 19);
    EXPECT_EQ(form->HeaderRowCount(), 1);
    EXPECT_EQ(form->SectionWidth(), 200);
    EXPECT_EQ(form->SelCol(), 0);
    EXPECT_EQ(test::Control<QComboBox>(form.get(), "cmbX")->currentText(), QStringLiteral("1"));
    EXPECT_EQ(test::Control<QComboBox>(form.get(), "cmbDelimiter")->currentIndex(), -1);
    EXPECT_EQ(test::Control<QComboBox>(form.get(), "cmbDelimiter")->currentText(), QStringLiteral("табуляция"));
    EXPECT_EQ(form->Ribbon1->tabTitles(), (QStringList{QStringLiteral("Файл"), QStringLiteral("Таблицы"), QStringLiteral("Диаграмма"),
                                                       QStringLiteral("Разрез"), QStringLiteral("Параметры"), QStringLiteral("Справка")}));
    EXPECT_EQ(form->Ribbon1->actionsOf(QStringLiteral("Таблицы"), QStringLiteral("Цифровая модель")),
              (QList<QAction*>{form->acnImportTable, form->acnExportTable, form->acnReCalcPK}));
    EXPECT_EQ(form->Ribbon1->actionsOf(QStringLiteral("Справка"), QStringLiteral("Сведения")), QList<QAction*>{form->acnAbout});
    EXPECT_EQ(form->acnAbout->text(), QStringLiteral("О прогамме"));
    EXPECT_EQ(form->Ribbon1->screenTip(form->acnExportTable).description,
              QStringLiteral("Экспорт таблицы, содержащей цифровую модель среды ПК/глубина,  в текстовый файл"));
    EXPECT_EQ(form->PageControl1->currentWidget(), form->pageDepthTable);
    EXPECT_EQ(form->PageControl2->currentWidget(), form->pagePropTable);
}

TEST_F(MainFormTest, PageControlsFollowEachOtherOnlyForTheUsersSwitch)
{
    form->PageControl1->setCurrentWidget(form->pageDiagram);
    EXPECT_EQ(form->PageControl2->currentWidget(), form->pagePropDiagram);
    form->PageControl2->setCurrentWidget(form->pagePropSection);
    EXPECT_EQ(form->PageControl1->currentWidget(), form->pageSection);
    form->PageControl1->setCurrentWidget(form->pageSkv);
    EXPECT_EQ(form->PageControl2->currentWidget(), form->pagePropSection);
    form->PageControl1->setCurrentWidget(form->pageIsso);
    EXPECT_EQ(form->PageControl2->currentWidget(), form->pagePropSection);
    form->PageControl2->setCurrentWidget(form->pagePropTable);
    EXPECT_EQ(form->PageControl1->currentWidget(), form->pageDepthTable);
    form->showPageByCommand(form->pageSection);
    EXPECT_EQ(form->PageControl1->currentWidget(), form->pageSection);
    EXPECT_EQ(form->PageControl2->currentWidget(), form->pagePropTable);
}

TEST_F(MainFormTest, ImportRecalculateExportAndImportAgain)
{
    services.nextOpenName = example();
    form->acnImportTable->trigger();
    ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    EXPECT_EQ(services.lastFilter, QStringLiteral("Все файлы(*.*);;Текстовые файлы(*.txt)"));
    EXPECT_EQ(form->SourceData.cell(1, 1), "км");
    EXPECT_EQ(form->SourceData.cell(5, 1), "Суглинок");
    EXPECT_EQ(form->SourceData.rowCount(), 403);
    EXPECT_EQ(form->SourceData.fixedRows(), 2);
    EXPECT_EQ(test::Control<StringGridView>(form.get(), "sgSourceData")->fixedRows(), 2);
    EXPECT_EQ(form->LastDataRow(), 402);
    EXPECT_EQ(form->SourceData.cell(0, 402), "402");

    form->acnReCalcPK->trigger();
    EXPECT_EQ(form->SourceData.cell(1, 1), "км");
    EXPECT_EQ(form->SourceData.cell(1, 2), "123");
    EXPECT_EQ(form->SourceData.cell(1, 3), "123.05");
    EXPECT_EQ(form->SourceData.cell(2, 3), "123+05");

    services.nextSaveName = dir.filePath(QStringLiteral("ЦифроваяМодель.txt"));
    form->acnExportTable->trigger();
    EXPECT_EQ(services.lastProposedName, QStringLiteral("ЦифроваяМодель.txt"));
    EXPECT_EQ(services.informations, QStringList{QStringLiteral("Экспорт таблицы|Таблица успешно экспортирована")});

    TFmMainForm second(&services);
    services.nextOpenName = services.nextSaveName;
    second.acnImportTable->trigger();
    ASSERT_EQ(second.SourceData.rowCount(), form->SourceData.rowCount());
    for (int r = 1; r < form->SourceData.rowCount(); ++r)
        for (int c = 1; c < form->SourceData.colCount(); ++c)
            ASSERT_EQ(second.SourceData.cell(c, r), form->SourceData.cell(c, r)) << c << "," << r;
}

TEST_F(MainFormTest, AFileThatCannotBeReadLeavesTheTableAsItWas)
{
    form->SourceData.setCell(1, 2, "kept");
    test::Control<QSpinBox>(form.get(), "seLastRow")->setValue(7);
    services.nextOpenName = dir.filePath(QStringLiteral("missing.txt"));
    form->acnImportTable->trigger();
    ASSERT_EQ(services.errors.size(), 1);
    EXPECT_TRUE(services.errors[0].contains(QStringLiteral("missing.txt")));
    EXPECT_EQ(form->SourceData.cell(1, 2), "kept");
    EXPECT_EQ(form->LastDataRow(), 7);

    services.nextOpenName = write(QStringLiteral("empty.txt"), "");
    form->acnImportTable->trigger();
    EXPECT_EQ(services.messages, QStringList{QStringLiteral("Файл пустой!")});
    EXPECT_EQ(form->SourceData.cell(1, 2), "kept");
    EXPECT_EQ(form->LastDataRow(), 19);

    services.nextOpenName.clear(); // cancelled
    form->acnImportTable->trigger();
    EXPECT_EQ(form->SourceData.cell(1, 2), "kept");
}

TEST_F(MainFormTest, DelimiterAndHeaderRowsComeFromTheTablePage)
{
    test::Control<QComboBox>(form.get(), "cmbDelimiter")->setCurrentIndex(1);
    test::Control<QSpinBox>(form.get(), "seNumberOfHeaderRows")->setValue(2);
    EXPECT_EQ(form->SourceData.fixedRows(), 3);
    services.nextOpenName = write(QStringLiteral("semi.txt"), EncodeCp1251("Участок\r\nкм;м\r\n1;;3\r\n"));
    form->acnImportTable->trigger();
    EXPECT_EQ(form->SourceData.cell(1, 2), "км");
    EXPECT_EQ(form->SourceData.cell(2, 3), "");
    EXPECT_EQ(form->SourceData.cell(3, 3), "3");
    EXPECT_EQ(form->SourceData.fixedRows(), 3);
    // Picket recalculation never touches the header rows.
    form->acnReCalcPKExecute();
    EXPECT_EQ(form->SourceData.cell(1, 2), "км");
    EXPECT_EQ(form->SourceData.cell(1, 3), "10");
}

TEST_F(MainFormTest, FailuresAreReportedAndTheProgramGoesOn)
{
    services.nextSaveName = dir.filePath(QStringLiteral("no/such/folder/out.txt"));
    form->acnExportTable->trigger();
    EXPECT_EQ(services.errors.size(), 1);
    EXPECT_TRUE(services.informations.isEmpty());
    // A header-row count the table cannot take is refused and reported.
    form->SourceData.setRowCount(5);
    test::Control<QSpinBox>(form.get(), "seNumberOfHeaderRows")->setValue(6);
    EXPECT_EQ(services.errors.size(), 2);
    EXPECT_EQ(services.errors.last(), QStringLiteral("Fixed row count must be less than row count"));
    EXPECT_EQ(form->SourceData.fixedRows(), 1);
}

TEST_F(MainFormTest, FirstRowPushesTheLastRowAlong)
{
    test::Control<QSpinBox>(form.get(), "seFirstRow")->setValue(19);
    EXPECT_EQ(form->LastDataRow(), 20);
    test::Control<QSpinBox>(form.get(), "seLastRow")->setValue(5);
    EXPECT_EQ(form->LastDataRow(), 5);
    EXPECT_EQ(form->FirstDataRow(), 19);
}

TEST_F(MainFormTest, SelectionComesFromEitherTable)
{
    test::Control<StringGridView>(form.get(), "sgSkv")->setCurrentCell(3, 1);
    EXPECT_EQ(form->SelCol(), 3);
    EXPECT_EQ(form->SelRow(), 1);
    test::Control<StringGridView>(form.get(), "sgSourceData")->setCurrentCell(2, 7);
    EXPECT_EQ(form->SelCol(), 2);
    EXPECT_EQ(form->SelRow(), 7);
}

TEST_F(MainFormTest, TheAboutBoxIsOneWindowShownAgain)
{
    TFmAbout about(QString::fromLatin1(form->CompileDate.c_str()), form.get());
    form->setSecondaryWindows(nullptr, nullptr, nullptr, &about);
    form->acnAbout->trigger();
    EXPECT_TRUE(about.isVisible());
    about.hide();
    form->acnAbout->trigger();
    EXPECT_TRUE(about.isVisible());
    EXPECT_EQ(form->findChildren<TFmAbout*>().size(), 1);
}

TEST_F(MainFormTest, SpinEditsKeepTheirRangesAndSteps)
{
    struct Case { QSpinBox* spin; int value; int step; int min; int max; };
    const Case cases[] = {
        {test::Control<QSpinBox>(form.get(), "sedH"), 55, 5, 25, 150},          {test::Control<QSpinBox>(form.get(), "seLineWidth"), 3, 1, 1, 100},
        {test::Control<QSpinBox>(form.get(), "seNumberOfHeaderRows"), 1, 1, 0, 10}, {test::Control<QSpinBox>(form.get(), "seScaleX"), 400, 50, INT_MIN, INT_MAX},
        {test::Control<QSpinBox>(form.get(), "seDHL"), 50, 25, INT_MIN, INT_MAX},   {test::Control<QSpinBox>(form.get(), "seChtOverviewChartHeight"), 200, 1, INT_MIN, INT_MAX},
        {test::Control<QSpinBox>(form.get(), "seFirstRow"), 2, 1, INT_MIN, INT_MAX},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.spin->value(), c.value) << c.spin->objectName().toStdString();
        EXPECT_EQ(c.spin->singleStep(), c.step) << c.spin->objectName().toStdString();
        EXPECT_EQ(c.spin->minimum(), c.min) << c.spin->objectName().toStdString();
        EXPECT_EQ(c.spin->maximum(), c.max) << c.spin->objectName().toStdString();
    }
}
