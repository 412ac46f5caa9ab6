// The sheets and the report from the window: "Основная надпись" fills the project form as one
// undoable step, the printed sheets carry it, and "Отчёт" writes the PDF where the user says.
#include "app/mainform.h"
#include "sheets/qt/project_form_dialog.h"
#include "support/controls.h"
#include "support/pdf_pages.h"
#include "example_survey.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace trassel;

namespace {

class SheetsFormTest : public test::ExampleSurveyTest {
protected:
    // Answers "Основная надпись" by typing the form into its fields and pressing OK.
    void fillForm()
    {
        services.answerProjectForm = [](ProjectFormDialog& dialog) {
            dialog.edOrganisation->setText(QStringLiteral("ООО «Трасса»"));
            dialog.edObject->setText(QStringLiteral("Ремонт пути"));
            dialog.edLine->setText(QStringLiteral("Луга – Толмачёво"));
            dialog.edTrack->setText(QStringLiteral("2"));
            dialog.edDeveloper->setText(QStringLiteral("Иванова"));
            dialog.edChecker->setText(QStringLiteral("Петров"));
            dialog.edDate->setText(QStringLiteral("12.2026"));
            dialog.cbDeviationPlot->setChecked(true);
            return true;
        };
        test::Action(form.get(), "acnProjectForm")->trigger();
    }
};

} // namespace

TEST_F(SheetsFormTest, TheFormIsFilledInAsOneStepAndShownAgainAsItWas)
{
    fillForm();
    ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    EXPECT_EQ(services.projectFormShown, 1);
    const ProjectForm& f = form->document().projectForm();
    EXPECT_EQ(f.organisation, "ООО «Трасса»");
    EXPECT_EQ(f.checker, "Петров");
    EXPECT_TRUE(f.deviationPlot);

    // The dialog opens with the form as kept; a cancel changes nothing.
    QString shown;
    services.answerProjectForm = [&](ProjectFormDialog& dialog) {
        shown = dialog.edDeveloper->text();
        dialog.edDeveloper->setText(QStringLiteral("никто"));
        return false;
    };
    test::Action(form.get(), "acnProjectForm")->trigger();
    EXPECT_EQ(shown, QStringLiteral("Иванова"));
    EXPECT_EQ(form->document().projectForm().developer, "Иванова");

    // Undone and redone through the window's history.
    test::Action(form.get(), "acnUndo")->trigger();
    EXPECT_EQ(form->document().projectForm(), ProjectForm{});
    test::Action(form.get(), "acnRedo")->trigger();
    EXPECT_EQ(form->document().projectForm().object, "Ремонт пути");
}

TEST_F(SheetsFormTest, PrintedSheetsAndTheReportCarryTheForm)
{
    QTemporaryDir dir;
    fillForm();
    test::Action(form.get(), "acnPlotRazrezPoligon")->trigger();
    services.printFile = dir.filePath(QStringLiteral("листы.pdf"));
    test::Action(form.get(), "acnPrintImage")->trigger();
    ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    const int sheets = test::PdfPageCount(services.printFile);
    EXPECT_GT(sheets, 1);

    services.nextSaveName = dir.filePath(QStringLiteral("Отчёт.pdf"));
    test::Action(form.get(), "acnReport")->trigger();
    ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    EXPECT_EQ(services.lastProposedName, QStringLiteral("Отчёт.pdf"));
    // Title, contents, three text parts and the example's two kilometres.
    EXPECT_GE(test::PdfPageCount(services.nextSaveName), 7);

    const auto printed = test::PdfPageTexts(services.printFile);
    const auto report = test::PdfPageTexts(services.nextSaveName);
    if (!printed || !report)
        GTEST_SKIP() << "pdftotext is not installed: the pages' texts are not read back";
    for (const QString& page : *printed) {
        EXPECT_TRUE(page.contains(QStringLiteral("Иванова")));
        EXPECT_TRUE(page.contains(QStringLiteral("Луга – Толмачёво, путь 2")));
        EXPECT_TRUE(page.contains(QStringLiteral("отклонение от нормы")));
    }
    EXPECT_TRUE(report->front().contains(QStringLiteral("ООО «Трасса»")));
    EXPECT_TRUE(report->at(1).contains(QStringLiteral("Содержание")));
}
