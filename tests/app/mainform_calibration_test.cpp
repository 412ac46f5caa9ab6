// "Калибровка" in the window: the dialog opens on the boreholes' pickets for each checked layer,
// the depths typed are fitted as they are typed, "Применить ε" puts the fitted permittivity in
// force as one undoable step, and the table typed is kept whichever way the dialog closed.
#include "app/mainform.h"
#include "base/numbers.h"
#include "example_survey.h"
#include "radargram/qt/calibration_dialog.h"
#include "support/controls.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <QUndoStack>

#include <gtest/gtest.h>

#include <cmath>

using namespace trassel;

namespace {

class CalibrationTest : public test::ExampleSurveyTest {
protected:
    void SetUp() override
    {
        test::ExampleSurveyTest::SetUp();
        services.nextOpenName = QStringLiteral(TRASSEL_SOURCE_DIR "/examples/boreholes.txt");
        test::Action(form.get(), "acnImportSkv")->trigger();
        services.nextOpenName = QStringLiteral(TRASSEL_SOURCE_DIR "/examples/survey_radargram.dzt");
        test::Action(form.get(), "acnOpenRadargram")->trigger();
        // Mark 1 at picket 123, mark 21 at 143, as the walk ties them.
        form->document().setRadargramTies({{20, 123}, {1980, 143}});
        ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    }
    // The depth table's depth of `column` at `picket` (the boreholes stand on rows of the table).
    double tableDepth(double picket, int column) const
    {
        const Grid& g = form->document().depthTable();
        for (int r = 2; r < g.rowCount(); ++r)
            if (std::abs(ReadLenient(g.cellView(1, r)) - picket) < 1e-6)
                return ReadStrict(g.cellView(column, r));
        ADD_FAILURE() << "no row at picket " << picket;
        return 0;
    }
};

} // namespace

TEST_F(CalibrationTest, TypedDepthsAreFittedAndAppliedAsOneUndoableStep)
{
    // The radargram page offers the command beside its depth scale.
    EXPECT_EQ(test::Control<QToolButton>(form.get(), "btnCalibration")->defaultAction(),
              test::Action(form.get(), "acnCalibration"));
    const double before = form->document().radargramModel().permittivity.eps.front();
    const int steps = form->undoStack()->index();
    services.answerCalibration = [this](CalibrationDialog& dialog) {
        // Eight boreholes, a row for each of the three checked layers, the depths left to type.
        QTableWidget* t = dialog.sgKnownDepths;
        EXPECT_EQ(t->rowCount(), 24);
        EXPECT_EQ(t->item(0, 0)->text(), QStringLiteral("123.6"));
        EXPECT_EQ(t->item(0, 1)->text(), QStringLiteral("3"));
        EXPECT_EQ(t->item(0, 3)->text(), QStringLiteral("скважина"));
        EXPECT_EQ(t->item(6, 3)->text(), QStringLiteral("шурф"));
        EXPECT_FALSE(dialog.btnApply->isEnabled());
        // Each boundary 10 % deeper than the table says at ε as it is: the wave is slower.
        for (int r = 0; r < t->rowCount(); ++r) {
            const double picked = tableDepth(t->item(r, 0)->text().toDouble(), t->item(r, 1)->text().toInt());
            t->item(r, 2)->setText(QString::number(RoundTo(picked * 1.1, 2)));
        }
        // A row that does not read is named and left out.
        t->insertRow(t->rowCount());
        t->setItem(t->rowCount() - 1, 0, new QTableWidgetItem(QStringLiteral("абв")));
        t->setItem(t->rowCount() - 1, 1, new QTableWidgetItem(QStringLiteral("3")));
        EXPECT_TRUE(dialog.btnApply->isEnabled());
        const QString text = dialog.memoCalibration->toPlainText();
        EXPECT_TRUE(text.contains(QStringLiteral("Профиль: ε 6 → 4.96 ± 0"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("Строка 25: пикет «абв» не прочитан"))) << text.toStdString();
        // Each point's table depth and misfit beside it.
        EXPECT_FALSE(t->item(0, 4)->text().isEmpty());
        EXPECT_EQ(t->item(0, 5)->text(), QStringLiteral("0"));
        return true;
    };
    test::Action(form.get(), "acnCalibration")->trigger();
    ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    EXPECT_EQ(services.calibrationShown, 1);
    const SurveyDocument& doc = form->document();
    EXPECT_EQ(doc.knownDepths().size(), 24u);
    EXPECT_NEAR(doc.radargramModel().permittivity.eps.front(), before / 1.21, 1e-3);
    EXPECT_EQ(form->undoStack()->undoText(), QStringLiteral("Калибровка ε"));
    EXPECT_EQ(form->undoStack()->index(), steps + 2); // the table, then the permittivity

    // One undo brings the former permittivity back and keeps the table.
    test::Action(form.get(), "acnUndo")->trigger();
    EXPECT_EQ(doc.radargramModel().permittivity.eps.front(), before);
    EXPECT_EQ(doc.knownDepths().size(), 24u);

    // Closed without applying, the dialog opens on the table kept and changes no permittivity.
    services.answerCalibration = [](CalibrationDialog& dialog) {
        EXPECT_EQ(dialog.sgKnownDepths->rowCount(), 24);
        dialog.sgKnownDepths->removeRow(0);
        return false;
    };
    test::Action(form.get(), "acnCalibration")->trigger();
    EXPECT_EQ(doc.knownDepths().size(), 23u);
    EXPECT_EQ(doc.radargramModel().permittivity.eps.front(), before);
}

TEST_F(CalibrationTest, WithoutARegisteredRadargramTheDialogSaysWhyAndAppliesNothing)
{
    form->document().closeRadargramFile();
    services.answerCalibration = [](CalibrationDialog& dialog) {
        EXPECT_FALSE(dialog.btnApply->isEnabled());
        EXPECT_TRUE(dialog.memoCalibration->toPlainText().contains(QStringLiteral("нет радарограммы прибора")));
        return false;
    };
    test::Action(form.get(), "acnCalibration")->trigger();
    EXPECT_EQ(services.calibrationShown, 1);
    EXPECT_TRUE(services.errors.isEmpty());
}
