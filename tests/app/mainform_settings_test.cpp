#include "app/application.h"
#include "app/mainform.h"
#include "app/action_handler.h"
#include "app/ribbon.h"
#include "support/controls.h"
#include "example_survey.h"
#include "fake_services.h"
#include "section/qt/section_view.h"
#include "settings/qt/options.h"
#include "dialogs/qt/list.h"
#include "platform/qt_canvas.h"
#include "section/qt/section_page.h"

#include <QAbstractFileIconProvider>
#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

#include <fstream>

using namespace trassel;

namespace {

class SettingsFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<TFmMainForm>(&services);
        path = dir.filePath(QStringLiteral("TrasselOptions.ini")).toStdString();
        form->handler().setOptionsFile(path);
    }
    std::string bytes() const
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    template <class T>
    T* control(const char* name)
    {
        return test::Control<T>(form.get(), name);
    }

    test::FakeServices services;
    std::unique_ptr<TFmMainForm> form;
    QTemporaryDir dir;
    std::string path;
};

} // namespace

TEST_F(SettingsFormTest, SaveChangeLoadGivesTheSavedControlsBack)
{
    EXPECT_EQ(test::Control<Ribbon>(form.get(), "Ribbon1")
                  ->actionsOf(QStringLiteral("Параметры"), QStringLiteral("Параметры")),
              (QList<QAction*>{test::Action(form.get(), "acnShowOptions"), test::Action(form.get(), "acnSaveOptions"),
                               test::Action(form.get(), "acnLoadOptions")}));
    test::Action(form.get(), "acnSaveOptions")->trigger();
    ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    EXPECT_EQ(bytes(), "[SourceTable]\r\nDelimiter=-1\r\nNamberColX=1\r\n"
                       "[Cursor]\r\nHorizSize=10\r\nVertSize=10\r\nHorizMarkVisible=1\r\nVertMarkVisible=1\r\n"
                       "[\xD1ursor]\r\nVertIncrementDecrement=1\r\n");

    control<QComboBox>("cmbDelimiter")->setCurrentIndex(1);
    control<QComboBox>("cmbX")->setEditText(QStringLiteral("3"));
    control<QSpinBox>("seCursorHorzSize")->setValue(15);
    control<QCheckBox>("chkCursorHorizMarkVisible")->setChecked(false);
    control<QLineEdit>("ltxtVertIncrementDecrement")->setText(QStringLiteral("5"));
    test::Action(form.get(), "acnSaveOptions")->trigger();
    control<QComboBox>("cmbDelimiter")->setCurrentIndex(3);
    control<QComboBox>("cmbX")->setEditText(QStringLiteral("7"));
    control<QSpinBox>("seCursorHorzSize")->setValue(30);
    control<QCheckBox>("chkCursorHorizMarkVisible")->setChecked(true);
    control<QLineEdit>("ltxtVertIncrementDecrement")->setText(QStringLiteral("9"));
    const auto revision = form->document().chart().revision();
    test::Action(form.get(), "acnLoadOptions")->trigger();
    EXPECT_EQ(control<QComboBox>("cmbDelimiter")->currentIndex(), 1);
    EXPECT_EQ(control<QComboBox>("cmbX")->currentText(), QStringLiteral("3"));
    EXPECT_EQ(control<QSpinBox>("seCursorHorzSize")->value(), 15);
    EXPECT_FALSE(control<QCheckBox>("chkCursorHorizMarkVisible")->isChecked());
    EXPECT_EQ(control<QLineEdit>("ltxtVertIncrementDecrement")->text(), QStringLiteral("5"));
    EXPECT_EQ(form->document().diagramParams().CursorHorzSize, 15); // the next build reads it
    EXPECT_EQ(form->document().chart().revision(), revision);       // nothing was drawn
    EXPECT_EQ(form->document().delimiter(), ';');
}

TEST_F(SettingsFormTest, NoFileLoadsTheDefaultsAndAFileThatCannotBeWrittenIsReported)
{
    test::Action(form.get(), "acnLoadOptions")->trigger();
    EXPECT_EQ(control<QComboBox>("cmbDelimiter")->currentIndex(), 0);
    EXPECT_EQ(control<QComboBox>("cmbDelimiter")->currentText(), QStringLiteral("табуляция"));
    EXPECT_EQ(control<QSpinBox>("seCursorHorzSize")->value(), 20);
    EXPECT_EQ(control<QSpinBox>("seCursorVertSize")->value(), 20);
    EXPECT_EQ(control<QLineEdit>("ltxtVertIncrementDecrement")->text(), QStringLiteral("100"));

    const std::string nowhere = dir.filePath(QStringLiteral("нет/TrasselOptions.ini")).toStdString();
    form->handler().setOptionsFile(nowhere);
    test::Action(form.get(), "acnSaveOptions")->trigger();
    EXPECT_EQ(services.errors, QStringList{QString::fromStdString("Unable to write to " + nowhere)});
    control<QComboBox>("cmbX")->setEditText(QStringLiteral("x"));
    form->handler().setOptionsFile(path);
    test::Action(form.get(), "acnSaveOptions")->trigger();
    EXPECT_EQ(services.errors.last(), QStringLiteral("'x' is not a valid integer value"));
    EXPECT_EQ(bytes(), "[SourceTable]\r\nDelimiter=0\r\n"); // written before the bad column
}

TEST_F(SettingsFormTest, TheOptionsWindowsButtonsRunTheCommands)
{
    TFmOptions options(form.get());
    form->setSecondaryWindows(&options, nullptr, nullptr, nullptr);
    EXPECT_EQ(options.size(), QSize(798, 492));
    EXPECT_EQ(options.windowTitle(), QStringLiteral("Параметры"));
    EXPECT_EQ(options.PageControl1->geometry(), QRect(0, 0, 265, 461));
    EXPECT_EQ(options.PageControl1->count(), 3);
    EXPECT_EQ(options.PageControl1->tabText(options.PageControl1->currentIndex()), QStringLiteral("Изображения"));
    EXPECT_EQ(options.btnSaveOptions->geometry(), QRect(4, 467, 75, 25));
    EXPECT_EQ(options.btnLoadOptions->geometry(), QRect(85, 467, 75, 25));
    options.btnSaveOptions->click();
    EXPECT_FALSE(bytes().empty());
    control<QSpinBox>("seCursorVertSize")->setValue(44);
    options.btnLoadOptions->click();
    EXPECT_EQ(control<QSpinBox>("seCursorVertSize")->value(), 10);
    test::Action(form.get(), "acnShowOptions")->trigger();
    test::Action(form.get(), "acnShowOptions")->trigger(); // the same window comes forward
    EXPECT_TRUE(options.isVisible());
    EXPECT_EQ(form->findChildren<TFmOptions*>().size(), 1);
    EXPECT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
}

TEST(QtTexts, QtsOwnDialogsSpeakRussian)
{
    ASSERT_TRUE(InstallQtTranslations(*QCoreApplication::instance()));
    // The standard buttons of a message box and of the file dialog come from Qt's translations.
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Отмена"));
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "&Open"), QStringLiteral("&Открыть"));
    // Qt 6 names a folder in the file dialog's list through a context its Russian catalogue lacks.
    const QAbstractFileIconProvider provider;
    EXPECT_EQ(provider.type(QFileInfo(QDir::tempPath())), QStringLiteral("Папка"));
    EXPECT_EQ(QCoreApplication::translate("QAbstractFileIconProvider", "Drive"), QStringLiteral("Диск"));
    EXPECT_EQ(QCoreApplication::translate("QAbstractFileIconProvider", "Unknown"), QStringLiteral("Неизвестный"));
    // Other texts are left to the catalogue and to Qt.
    EXPECT_EQ(QCoreApplication::translate("QAbstractFileIconProvider", "no such text"), QStringLiteral("no such text"));
}

TEST_F(SettingsFormTest, TheSoilListsFontBecomesTheSectionCanvasFont)
{
    TFmList list(form.get());
    form->setSecondaryWindows(nullptr, &list, nullptr, nullptr);
    FontState font;
    font.name = "Liberation Serif";
    font.size = 14;
    font.bold = true;
    font.color = 0x0000FF;
    Q_EMIT list.fontChosen(font);
    EXPECT_EQ(test::Control<SectionPage>(form.get(), "Разрез")->canvas().font(), font);
    test::Action(form.get(), "acnShowList")->trigger();
    EXPECT_TRUE(list.isVisible());
}

namespace {

class AnnotationFormTest : public test::ExampleSurveyTest { };

} // namespace

TEST_F(AnnotationFormTest, LabelsPenAndEraserAreUndoableAndVanishWithTheNextDrawing)
{
    TFmList list(form.get());
    form->setSecondaryWindows(nullptr, &list, nullptr, nullptr);
    test::Action(form.get(), "acnPlotRazrezPoligon")->trigger();
    RecordingCanvas& canvas = test::Control<SectionPage>(form.get(), "Разрез")->canvas();
    SectionPage& page = *test::Control<SectionPage>(form.get(), "Разрез");
    EXPECT_TRUE(test::Control<QToolButton>(form.get(), "tbtnCursor")->isChecked());
    const QImage drawn = page.image().copy();
    SectionImage* image = test::Control<SectionImage>(form.get(), "imgSection");

    // "Подписи" shows the soil list; without a chosen soil a press only says so.
    test::Control<QToolButton>(form.get(), "tbtnWriteGround")->click();
    EXPECT_TRUE(list.isVisible());
    EXPECT_FALSE(test::Control<QToolButton>(form.get(), "tbtnCursor")->isChecked());
    Q_EMIT image->mousePressed(QPoint(100, 40), Qt::LeftButton);
    EXPECT_EQ(services.informations, QStringList{QStringLiteral("Подпись грунтов|Выберете название грунта из списка")});
    EXPECT_EQ(page.image(), drawn);
    list.lbxGrunts->setCurrentRow(1);
    const std::string soil = list.selectedSoil().toStdString();
    Q_EMIT image->mousePressed(QPoint(100, 40), Qt::RightButton); // any button writes
    EXPECT_NE(page.image(), drawn);
    EXPECT_EQ(page.image().pixel(100, 40) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(test::Action(form.get(), "acnUndo")->text(), QStringLiteral("Отменить: Подпись грунта"));
    test::Action(form.get(), "acnUndo")->trigger();
    EXPECT_EQ(page.image(), drawn);
    test::Action(form.get(), "acnRedo")->trigger();
    const QImage labelled = page.image().copy();

    // A pen stroke from press to release is one step.
    test::Control<QToolButton>(form.get(), "tbtnPen")->click();
    Q_EMIT image->mouseMoved(QPoint(200, 100), Qt::NoButton);
    Q_EMIT image->mousePressed(QPoint(200, 100), Qt::LeftButton);
    Q_EMIT image->mouseMoved(QPoint(260, 130), Qt::LeftButton);
    Q_EMIT image->mouseMoved(QPoint(300, 100), Qt::LeftButton);
    Q_EMIT image->mouseReleased(QPoint(300, 100), Qt::LeftButton);
    // The pen is still the thin dashed one of the section's guide lines: its first dash is black.
    EXPECT_EQ(page.image().pixel(201, 100) & 0xFFFFFF, 0u);
    EXPECT_EQ(canvas.pen().color, kBlack);
    // The eraser, and the buttons as one group that the eraser alone can leave empty.
    test::Control<QToolButton>(form.get(), "tbtnLastik")->click();
    EXPECT_FALSE(test::Control<QToolButton>(form.get(), "tbtnPen")->isChecked());
    Q_EMIT image->mousePressed(QPoint(260, 130), Qt::LeftButton);
    Q_EMIT image->mouseMoved(QPoint(260, 130), Qt::LeftButton);
    Q_EMIT image->mouseReleased(QPoint(260, 130), Qt::LeftButton);
    EXPECT_EQ(page.image().pixel(250, 120) & 0xFFFFFF, 0xFFFFFFu);
    test::Control<QToolButton>(form.get(), "tbtnLastik")->click();
    EXPECT_FALSE(test::Control<QToolButton>(form.get(), "tbtnLastik")->isChecked());
    EXPECT_FALSE(test::Control<QToolButton>(form.get(), "tbtnCursor")->isChecked());
    test::Action(form.get(), "acnUndo")->trigger(); // the erasure
    test::Action(form.get(), "acnUndo")->trigger(); // the stroke
    EXPECT_EQ(page.image(), labelled);

    // The next drawing removes every annotation; its steps then leave the new picture alone.
    test::Action(form.get(), "acnRedo")->trigger();
    test::Action(form.get(), "acnPlotRazrezPoligon")->trigger();
    const QImage redrawn = page.image().copy();
    EXPECT_EQ(redrawn, drawn);
    test::Action(form.get(), "acnUndo")->trigger();
    EXPECT_EQ(page.image(), redrawn);
    EXPECT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
}
