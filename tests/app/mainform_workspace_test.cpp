// Workspaces in the window: an interpretation saved and opened again in a new window comes
// back whole; damaged files, unsaved work, the recent list and dropped files.
#include "app/mainform.h"
#include "support/controls.h"
#include "dialogs/qt/list.h"
#include "radargram/qt/radargram_panel.h"
#include "example_survey.h"
#include "section/qt/section_page.h"
#include "platform/qt_text.h"
#include "table/grid_io.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QUrl>

#include <gtest/gtest.h>

#include <string>
#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace trassel;

namespace {

class WorkspaceFormTest : public test::ExampleSurveyTest {
protected:
    static std::string ExportText(const Grid& grid)
    {
        std::string out;
        WriteGridExport(grid, [&](std::string_view part) { out += part; });
        return out;
    }
    QString labelText() const { return test::Control<QLabel>(form.get(), "lblProject")->text(); }
};

} // namespace

TEST_F(WorkspaceFormTest, AnInterpretationSavedAndOpenedInANewWindowComesBackWhole)
{
    QTemporaryDir dir;
    TFmList soils(form.get());
    form->setSecondaryWindows(nullptr, &soils, nullptr, nullptr);
    soils.lbxGrunts->addItem(QStringLiteral("песок"));
    soils.lbxGrunts->addItem(QStringLiteral("суглинок"));
    // A correction, a style, a parameter, the section with a soil label on it.
    form->document().writeCell(TableId::Depth, 3, 5, "61");
    selectLayerOfColumn(4);
    form->document().setSelectedLayerStyle(SurveyDocument::Style::BrushStyle, 4);
    form->document().setSelectedLayerStyle(SurveyDocument::Style::BrushColor, 0x2060A0);
    SectionParams params = form->document().sectionParams();
    params.H = 70;
    form->document().setSectionParams(params);
    test::Action(form.get(), "acnBuildChart")->trigger();
    test::Action(form.get(), "acnPlotRazrezPoligon")->trigger();
    test::Control<SectionPage>(form.get(), "Разрез")->writeSoil(QPoint(150, 120), "песок");
    test::Control<QTabWidget>(form.get(), "PageControl1")->setCurrentWidget(test::Control(form.get(), "Разрез"));
    EXPECT_NE(labelText().indexOf(QStringLiteral("несохранённые")), -1);

    const QString path = dir.filePath(QStringLiteral("линия 12.trassel"));
    services.nextSaveName = path;
    test::Action(form.get(), "acnSaveProject")->trigger(); // no project yet: asks for the name
    ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_TRUE(form->undoStack()->isClean());
    EXPECT_EQ(labelText(), QStringLiteral("Проект: линия 12.trassel"));
    EXPECT_EQ(services.recent.value(0), path);

    test::FakeServices otherServices;
    TFmMainForm other(&otherServices);
    TFmList otherSoils(&other);
    other.setSecondaryWindows(nullptr, &otherSoils, nullptr, nullptr);
    other.openProject(path);
    ASSERT_TRUE(otherServices.errors.isEmpty()) << otherServices.errors.join(QStringLiteral("\n")).toStdString();
    EXPECT_EQ(ExportText(other.document().depthTable()), ExportText(form->document().depthTable()));
    EXPECT_EQ(ExportText(other.document().boreholeTable()), ExportText(form->document().boreholeTable()));
    EXPECT_EQ(other.document().firstDataRow(), form->document().firstDataRow());
    EXPECT_EQ(other.document().lastDataRow(), form->document().lastDataRow());
    ASSERT_EQ(other.document().layers().LayerCount(), form->document().layers().LayerCount());
    for (int slot = 0; slot < form->document().layers().LayerCount(); ++slot) {
        const TLayer& a = form->document().layers().Layers(slot);
        const TLayer& b = other.document().layers().Layers(slot);
        EXPECT_EQ(a.DepthColumn, b.DepthColumn);
        EXPECT_EQ(a.BrushStyle, b.BrushStyle);
        EXPECT_EQ(a.BrushColor, b.BrushColor);
        EXPECT_EQ(form->document().layers().isChecked(a.Item), other.document().layers().isChecked(b.Item));
    }
    EXPECT_EQ(other.document().sectionParams().H, 70);
    EXPECT_EQ(test::Control<QSpinBox>(&other, "sedH")->value(), 70);
    ASSERT_EQ(otherSoils.lbxGrunts->count(), soils.lbxGrunts->count());
    EXPECT_EQ(otherSoils.lbxGrunts->item(soils.lbxGrunts->count() - 1)->text(), QStringLiteral("суглинок"));
    EXPECT_EQ(test::Control<QTabWidget>(&other, "PageControl1")->currentWidget(), test::Control(&other, "Разрез"));
    // The section is drawn again, the soil label on it: pixel for pixel the saved picture.
    EXPECT_EQ(test::Control<SectionPage>(&other, "Разрез")->image(),
              test::Control<SectionPage>(form.get(), "Разрез")->image());
    EXPECT_TRUE(other.undoStack()->isClean());
    EXPECT_EQ(other.projectPath(), path);
    // The diagram is built again: the same points in every layer's series.
    for (int slot = 0; slot < form->document().layers().LayerCount(); ++slot)
        EXPECT_EQ(other.document().chart().series(other.document().layers().Layers(slot).Series).count(),
                  form->document().chart().series(form->document().layers().Layers(slot).Series).count());
}

TEST_F(WorkspaceFormTest, ADamagedFileOrACancelLeavesTheWorkAsItIs)
{
    QTemporaryDir dir;
    const std::string before = ExportText(form->document().depthTable());
    const QString broken = dir.filePath(QStringLiteral("broken.trassel"));
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{\"format\": \"trassel-workspace\", \"version\": 1, \"tables\": {\"dep");
    file.close();
    services.nextOpenName = broken;
    test::Action(form.get(), "acnOpenProject")->trigger();
    ASSERT_EQ(services.errors.size(), 1);
    EXPECT_NE(services.errors[0].indexOf(QStringLiteral("broken.trassel")), -1);
    EXPECT_EQ(ExportText(form->document().depthTable()), before);
    EXPECT_EQ(form->document().layers().LayerCount(), 3);

    // Unsaved work: opening asks first, and a cancel leaves everything.
    const QString good = dir.filePath(QStringLiteral("good.trassel"));
    form->saveProject(good);
    form->document().writeCell(TableId::Depth, 3, 5, "99");
    ASSERT_FALSE(form->undoStack()->isClean());
    services.saveAnswer = UiServices::SaveAnswer::Cancel;
    services.nextOpenName = good;
    const qsizetype asked = services.questions.size();
    test::Action(form.get(), "acnOpenProject")->trigger();
    EXPECT_EQ(services.questions.size(), asked + 1);
    EXPECT_EQ(form->document().depthTable().cell(3, 5), "99");
    EXPECT_FALSE(form->close()); // closing asks too, and stays open
    EXPECT_EQ(services.questions.size(), asked + 2);
    // "Сохранить" saves to the project's file first, then goes on.
    services.saveAnswer = UiServices::SaveAnswer::Save;
    test::Action(form.get(), "acnOpenProject")->trigger();
    EXPECT_EQ(form->document().depthTable().cell(3, 5), "99");
    EXPECT_TRUE(form->undoStack()->isClean());
}

TEST_F(WorkspaceFormTest, DroppedFilesOpenOrImportAndTheRecentListRemembers)
{
    QTemporaryDir dir;
    const QString project = dir.filePath(QStringLiteral("a.trassel"));
    form->saveProject(project);
    form->saveProject(dir.filePath(QStringLiteral("b.trassel")));
    form->saveProject(project);
    EXPECT_EQ(services.recent, (QStringList{project, dir.filePath(QStringLiteral("b.trassel"))}));

    // A table file dropped on the window is imported as the depth table.
    const QString table = dir.filePath(QStringLiteral("t.txt"));
    QFile file(table);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("km\tdepth\r\n10\t30\r\n11\t40\r\n");
    file.close();
    form->openDroppedFile(table);
    EXPECT_EQ(form->document().depthTable().cell(2, 3), "40");
    // A project dropped on it is opened.
    form->openDroppedFile(project);
    EXPECT_EQ(form->document().layers().LayerCount(), 3);
    EXPECT_EQ(form->document().depthTable().cell(1, 2), "123");
    EXPECT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
}

TEST_F(WorkspaceFormTest, ASaveOnClosingThatFailsSaysWhyAndKeepsTheWindowOpen)
{
    QTemporaryDir dir;
    form->document().writeCell(TableId::Depth, 3, 5, "99");
    ASSERT_FALSE(form->undoStack()->isClean());
    services.saveAnswer = UiServices::SaveAnswer::Save;
    services.nextSaveName = dir.filePath(QStringLiteral("нет такой папки/p.trassel"));
    EXPECT_FALSE(form->close());
    ASSERT_EQ(services.errors.size(), 1);
    EXPECT_TRUE(services.errors[0].startsWith(QStringLiteral("Не удалось записать файл")))
        << services.errors[0].toStdString();
    EXPECT_EQ(form->document().depthTable().cell(3, 5), "99");
    EXPECT_FALSE(form->undoStack()->isClean());
}

TEST_F(WorkspaceFormTest, AnOpenedProjectShowsItsOwnRadargramOrNone)
{
    QTemporaryDir dir;
    const QString picture = dir.filePath(QStringLiteral("радарограмма.png"));
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::darkGray);
    ASSERT_TRUE(image.save(picture));
    auto* panel = test::Control<RadargramPanel>(form.get(), "pnlRadarogramma");
    panel->loadFile(picture);
    EXPECT_EQ(QFile::decodeName(QByteArray::fromStdString(form->document().radargramPath())), picture);
    const QString withPicture = dir.filePath(QStringLiteral("a.trassel"));
    form->saveProject(withPicture);

    // A project without a radargram: the former picture goes, and saving it names none.
    test::FakeServices otherServices;
    TFmMainForm other(&otherServices);
    const QString without = dir.filePath(QStringLiteral("b.trassel"));
    other.saveProject(without);
    form->openProject(without);
    EXPECT_TRUE(panel->picture().isNull());
    EXPECT_TRUE(panel->path().isEmpty());
    form->saveProject(without);
    QFile saved(without);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll().contains("\"radargramPath\": \"\""));

    // Its own picture comes back; a missing one is told and leaves no picture of another project.
    // Shown whole again, though the panel was pushed small in between.
    form->resize(1200, 800);
    form->show();
    QApplication::processEvents();
    auto* splitter = test::Control<QSplitter>(form.get(), "Splitter2");
    const QList<int> shown = splitter->sizes();
    ASSERT_EQ(shown.size(), 2);
    splitter->setSizes({35, shown[0] + shown[1] - 35});
    form->openProject(withPicture);
    EXPECT_EQ(panel->picture().size(), QSize(40, 30));
    EXPECT_GE(splitter->sizes().value(0), 30 + 60);
    ASSERT_TRUE(QFile::remove(picture));
    form->openProject(without);
    form->openProject(withPicture);
    EXPECT_TRUE(panel->picture().isNull());
    EXPECT_EQ(services.messages.size(), 1);
    EXPECT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
}

TEST_F(WorkspaceFormTest, AProjectWhoseSectionCannotBeDrawnOpensNamedAndSaysWhy)
{
    QTemporaryDir dir;
    test::Action(form.get(), "acnPlotRazrezPoligon")->trigger();
    ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    form->document().writeCell(TableId::Depth, 1, 3, "123,5"); // a picket no drawing can read
    const QString broken = dir.filePath(QStringLiteral("b.trassel"));
    form->saveProject(broken);

    test::FakeServices otherServices;
    TFmMainForm other(&otherServices);
    other.runGuarded([&] { other.openProject(broken); });
    ASSERT_EQ(otherServices.errors.size(), 1);
    EXPECT_EQ(other.document().depthTable().cell(1, 3), "123,5");
    EXPECT_EQ(other.projectPath(), broken);
    EXPECT_TRUE(other.undoStack()->isClean());
}

TEST_F(WorkspaceFormTest, AReadOnlyFileIsReplacedOnlyOnceTheUserSaysSo)
{
    QTemporaryDir dir;
    const QString project = dir.filePath(QStringLiteral("линия.trassel"));
    const QString table = dir.filePath(QStringLiteral("модель.txt"));
    for (const QString& file : {project, table}) {
        QFile old(file);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        ASSERT_TRUE(QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    }
    const auto contents = [](const QString& file) {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    };

    // Asked before anything is written; "no" leaves the file and says nothing more.
    services.confirmAnswer = false;
    services.nextSaveName = project;
    test::Action(form.get(), "acnSaveProjectAs")->trigger();
    services.nextSaveName = table;
    test::Action(form.get(), "acnExportTable")->trigger();
    ASSERT_EQ(services.confirmations.size(), 2);
    EXPECT_EQ(services.confirmations[0], QStringLiteral("Файл доступен только для чтения: ") +
                                             QDir::toNativeSeparators(project) + QStringLiteral("\nПерезаписать его?"));
    EXPECT_EQ(contents(project), "old");
    EXPECT_EQ(contents(table), "old");
    EXPECT_TRUE(form->projectPath().isEmpty());
    EXPECT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    EXPECT_TRUE(services.informations.isEmpty());

    // "Yes": replaced, and still read-only.
    services.confirmAnswer = true;
    services.nextSaveName = project;
    test::Action(form.get(), "acnSaveProjectAs")->trigger();
    services.nextSaveName = table;
    test::Action(form.get(), "acnExportTable")->trigger();
    EXPECT_EQ(services.confirmations.size(), 4);
    EXPECT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    EXPECT_TRUE(contents(project).startsWith("{"));
    EXPECT_EQ(contents(table), QByteArray::fromStdString(ExportText(form->document().depthTable())));
    EXPECT_EQ(form->projectPath(), project);
    EXPECT_EQ(QFile::permissions(project) & QFileDevice::WriteOwner, QFileDevice::Permissions());

    // A file the user may write needs no question.
    ASSERT_TRUE(QFile::setPermissions(project, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    ASSERT_TRUE(QFile::setPermissions(table, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    test::Action(form.get(), "acnSaveProject")->trigger();
    EXPECT_EQ(services.confirmations.size(), 4);
    EXPECT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
}

#ifndef _WIN32
TEST_F(WorkspaceFormTest, AProjectWhoseRadargramIsAFifoOpensAtOnceWithoutIt)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("радарограмма.png"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    form->document().setRadargramPath(toLocalPath(fifo));
    const QString project = dir.filePath(QStringLiteral("p.trassel"));
    form->saveProject(project);

    test::FakeServices otherServices;
    TFmMainForm other(&otherServices);
    other.openProject(project); // would wait for a writer for good if the FIFO were opened as a file
    auto* panel = test::Control<RadargramPanel>(&other, "pnlRadarogramma");
    EXPECT_TRUE(panel->picture().isNull());
    ASSERT_EQ(otherServices.messages.size(), 1);
    EXPECT_EQ(otherServices.messages[0],
              QStringLiteral("Не удалось открыть файл \"") + fifo + QStringLiteral("\": это не обычный файл"));
    EXPECT_EQ(other.projectPath(), project);
}
#endif
