#include "app/mainform.h"
#include "support/controls.h"
#include "app/undo_bridge.h"
#include "example_survey.h"
#include "fake_services.h"
#include "table/grid_io.h"
#include "table/qt/grid_table_model.h"
#include "table/qt/string_grid_view.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QStatusBar>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QUndoStack>

#include <gtest/gtest.h>

using namespace trassel;

namespace {

class TableFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<TFmMainForm>(&services);
        for (int r = 1; r < 20; ++r)
            for (int c = 1; c < 10; ++c)
                form->document().depthTable().setCell(c, r, std::to_string(c) + ":" + std::to_string(r));
        form->refreshTables();
    }
    std::string exportText() const { return GridExportText(form->document().depthTable()); }

    test::FakeServices services;
    std::unique_ptr<TFmMainForm> form;
};

} // namespace

TEST_F(TableFormTest, DepthTableMenuHoldsTheFourteenItemsInOrder)
{
    const QList<QAction*> items = test::Control<QMenu>(form.get(), "PopupMenuSgSourceData")->actions();
    QStringList seen;
    for (QAction* item : items)
        seen << (item->isSeparator() ? QStringLiteral("—") : item->text());
    const QStringList expected{QStringLiteral("Очистить"),
                               QStringLiteral("—"),
                               QStringLiteral("Копировать"),
                               QStringLiteral("Вставить"),
                               QStringLiteral("Очистить ячейки"),
                               QStringLiteral("—"),
                               QStringLiteral("Вставить строку"),
                               QStringLiteral("Удалить строку"),
                               QStringLiteral("—"),
                               QStringLiteral("Вставить столбец"),
                               QStringLiteral("Удалить столбец"),
                               QStringLiteral("—"),
                               QStringLiteral("Добавить слой"),
                               QStringLiteral("Сделать строку начальной"),
                               QStringLiteral("Сделать строку последней")};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(items[2], test::Action(form.get(), "acnCopySG"));
    EXPECT_EQ(items[12], test::Action(form.get(), "acnLayerAdd"));
    EXPECT_EQ(items[1]->objectName(), QStringLiteral("N9"));
    EXPECT_EQ(items[11]->objectName(), QStringLiteral("N11"));
    for (QAction* action : {test::Action(form.get(), "acnCopySG"), test::Action(form.get(), "acnPasteToSG"),
                            test::Action(form.get(), "acnClearRange"), test::Action(form.get(), "acnMadeRowFirst"),
                            test::Action(form.get(), "acnMadeRowLast")})
        EXPECT_EQ(action->property("category").toString(), QStringLiteral("Таблица"))
            << action->objectName().toStdString();
}

TEST_F(TableFormTest, RowCommandsAreUndoneAndRedoneWithTheirNames)
{
    const std::string original = exportText();
    test::Control<StringGridView>(form.get(), "sgSourceData")->setCurrentCell(3, 5);
    test::Action(form.get(), "N5")->trigger();
    EXPECT_EQ(form->document().depthTable().rowCount(), 21);
    EXPECT_EQ(form->document().depthTable().cell(0, 6), "");
    EXPECT_EQ(form->document().depthTable().cell(0, 7), "6");
    EXPECT_EQ(test::Action(form.get(), "acnUndo")->text(), QStringLiteral("Отменить: Вставить строку"));
    EXPECT_TRUE(test::Action(form.get(), "acnUndo")->isEnabled());
    test::Action(form.get(), "N2")->trigger(); // column 3 goes
    EXPECT_EQ(form->document().depthTable().cell(3, 1), "4:1");
    EXPECT_EQ(test::Action(form.get(), "acnUndo")->text(), QStringLiteral("Отменить: Удалить столбец"));
    test::Action(form.get(), "acnUndo")->trigger();
    test::Action(form.get(), "acnUndo")->trigger();
    EXPECT_EQ(exportText(), original);
    EXPECT_EQ(form->document().depthTable().cell(0, 6), "6");
    EXPECT_FALSE(test::Action(form.get(), "acnUndo")->isEnabled());
    EXPECT_EQ(test::Action(form.get(), "acnRedo")->text(), QStringLiteral("Повторить: Вставить строку"));
    test::Action(form.get(), "acnRedo")->trigger();
    EXPECT_EQ(form->document().depthTable().rowCount(), 21);
    EXPECT_EQ(test::Action(form.get(), "acnUndo")->shortcut(), QKeySequence(QKeySequence::Undo));
    EXPECT_TRUE(test::Action(form.get(), "acnRedo")->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Y)));
    EXPECT_TRUE(
        test::Action(form.get(), "acnRedo")->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)));
    EXPECT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
}

TEST_F(TableFormTest, SpreadsheetKeysCopyPasteAndClearTheSelection)
{
    form->resize(1200, 800);
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QTableView* body = test::Control<StringGridView>(form.get(), "sgSourceData")->bodyView();
    body->setFocus();
    test::Control<StringGridView>(form.get(), "sgSourceData")->setCurrentCell(2, 3);
    // Body row 0 is grid row 1 (the one fixed row is row 0): rows 3..5, columns 2..4.
    body->selectionModel()->select(QItemSelection(body->model()->index(2, 1), body->model()->index(4, 3)),
                                   QItemSelectionModel::ClearAndSelect);
    QTest::keyClick(body, Qt::Key_C, Qt::ControlModifier);
    const QString copied = QGuiApplication::clipboard()->text();
    EXPECT_EQ(copied, QStringLiteral("2:3\t3:3\t4:3\r\n2:4\t3:4\t4:4\r\n2:5\t3:5\t4:5\r\n"));

    test::Control<StringGridView>(form.get(), "sgSourceData")
        ->setCurrentCell(8, 18); // the block reaches past the table's edge
    QTest::keyClick(body, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(form->document().depthTable().cell(8, 18), "2:3");
    EXPECT_EQ(form->document().depthTable().cell(10, 20), "4:5");
    EXPECT_EQ(form->document().depthTable().cell(0, 20), "20");
    EXPECT_EQ(form->document().depthTable().cell(10, 0), "10");
    test::Action(form.get(), "acnUndo")->trigger();
    EXPECT_EQ(form->document().depthTable().rowCount(), 20);
    EXPECT_EQ(form->document().depthTable().colCount(), 10);
    EXPECT_EQ(form->document().depthTable().cell(8, 18), "8:18");

    test::Control<StringGridView>(form.get(), "sgSourceData")->setCurrentCell(2, 3);
    body->selectionModel()->select(QItemSelection(body->model()->index(2, 1), body->model()->index(3, 2)),
                                   QItemSelectionModel::ClearAndSelect);
    QTest::keyClick(body, Qt::Key_Delete);
    EXPECT_EQ(form->document().depthTable().cell(2, 3), "");
    EXPECT_EQ(form->document().depthTable().cell(3, 4), "");
    EXPECT_EQ(form->document().depthTable().cell(4, 4), "4:4");
    QTest::keyClick(body, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(form->document().depthTable().cell(3, 4), "3:4");
    EXPECT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
}

TEST_F(TableFormTest, WholeTableCopyPasteAndTheEmptyClipboard)
{
    form->document().depthTable().setCell(1, 1, "Песок");
    test::Action(form.get(), "acnCopySG")->trigger();
    const QString copied = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(copied.startsWith(QStringLiteral("Песок\t2:1\t")));
    EXPECT_EQ(copied.count(QStringLiteral("\r\n")), 19);
    const std::string before = exportText();
    test::Action(form.get(), "acnPasteToSG")->trigger();
    EXPECT_EQ(exportText(), before);

    QGuiApplication::clipboard()->setText(QString());
    test::Control<QSpinBox>(form.get(), "seLastRow")->setValue(7);
    test::Action(form.get(), "acnPasteToSG")->trigger();
    EXPECT_EQ(services.messages, QStringList{QStringLiteral("Необходимо скопировать данные!")});
    EXPECT_EQ(test::Control<QSpinBox>(form.get(), "seLastRow")->value(), 19); // applied after the message too
}

TEST_F(TableFormTest, ControlsFollowTheDocumentAndTheDocumentFollowsTheControls)
{
    test::Control<QSpinBox>(form.get(), "seFirstRow")->setValue(19);
    EXPECT_EQ(form->document().lastDataRow(), 20);
    EXPECT_EQ(test::Control<QSpinBox>(form.get(), "seLastRow")->value(), 20);
    test::Control<StringGridView>(form.get(), "sgSourceData")->setCurrentCell(1, 4);
    test::Action(form.get(), "acnMadeRowFirst")->trigger();
    test::Control<StringGridView>(form.get(), "sgSourceData")->setCurrentCell(1, 9);
    test::Action(form.get(), "acnMadeRowLast")->trigger();
    EXPECT_EQ(test::Control<QSpinBox>(form.get(), "seFirstRow")->value(), 4);
    EXPECT_EQ(test::Control<QSpinBox>(form.get(), "seLastRow")->value(), 9);

    // An import sets the range; its undo puts table and range back in the controls too.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.txt"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("a\tb\r\n1\t2\r\n3\t4\r\n");
    }
    const std::string before = exportText();
    services.nextOpenName = path;
    test::Action(form.get(), "acnImportTable")->trigger();
    EXPECT_EQ(form->document().depthTable().cell(1, 2), "1");
    EXPECT_EQ(test::Control<QSpinBox>(form.get(), "seLastRow")->value(), 19);
    EXPECT_EQ(test::Action(form.get(), "acnUndo")->text(), QStringLiteral("Отменить: Импорт таблицы"));
    test::Action(form.get(), "acnUndo")->trigger();
    EXPECT_EQ(exportText(), before);
    EXPECT_EQ(test::Control<QSpinBox>(form.get(), "seLastRow")->value(), 9);
    EXPECT_EQ(form->document().lastDataRow(), 9);

    test::Control<QSpinBox>(form.get(), "seNumberOfHeaderRows")->setValue(3);
    EXPECT_EQ(form->document().depthTable().fixedRows(), 4);
    EXPECT_EQ(test::Control<StringGridView>(form.get(), "sgSourceData")->fixedRows(), 4);
    test::Action(form.get(), "J1")->trigger();
    EXPECT_EQ(form->document().depthTable().fixedRows(), 1);
    EXPECT_EQ(form->document().depthTable().cell(3, 3), "");
    EXPECT_EQ(form->document().depthTable().cell(0, 3), "3");
    test::Action(form.get(), "acnUndo")->trigger();
    EXPECT_EQ(form->document().depthTable().cell(3, 3), "3:3");
    EXPECT_EQ(test::Control<StringGridView>(form.get(), "sgSourceData")->fixedRows(), 4);
}

TEST_F(TableFormTest, FindSelectsTheNextMatchBelowTheSelection)
{
    form->document().depthTable().setCell(1, 6, "112.5");
    form->document().depthTable().setCell(1, 9, "12.0");
    form->document().depthTable().setCell(2, 7, "12.0"); // only column 1 is searched
    test::Control<QLineEdit>(form.get(), "txtTargetText")->setText(QStringLiteral("12."));
    test::Control<QPushButton>(form.get(), "btnFindTarget")->click();
    EXPECT_EQ(form->document().selRow(), 6);
    EXPECT_EQ(test::Control<StringGridView>(form.get(), "sgSourceData")->currentCell(), QPoint(1, 6));
    test::Control<QPushButton>(form.get(), "btnFindTarget")->click();
    EXPECT_EQ(form->document().selRow(), 9);
    test::Control<QPushButton>(form.get(), "btnFindTarget")->click(); // nothing further down, no wrap
    EXPECT_EQ(form->document().selRow(), 9);
    EXPECT_TRUE(services.messages.isEmpty());
}

TEST_F(TableFormTest, TypedCellsAndDraggedRowsAreUndoable)
{
    GridTableModel* model = test::Control<StringGridView>(form.get(), "sgSourceData")->bodyModel();
    model->setData(model->index(2, 0), QStringLiteral("новое"), Qt::EditRole); // grid row 3, column 1
    EXPECT_EQ(form->document().depthTable().cell(1, 3), "новое");
    EXPECT_EQ(test::Action(form.get(), "acnUndo")->text(), QStringLiteral("Отменить: Ввод в ячейку"));
    test::Control<StringGridView>(form.get(), "sgSourceData")->moveRow(3, 8);
    EXPECT_EQ(form->document().depthTable().cell(1, 8), "новое");
    test::Action(form.get(), "acnUndo")->trigger();
    test::Action(form.get(), "acnUndo")->trigger();
    EXPECT_EQ(form->document().depthTable().cell(1, 3), "1:3");
    EXPECT_EQ(form->document().depthTable().cell(0, 3), "3");
}

TEST_F(TableFormTest, RowNumberColumnFitsLongNumbers)
{
    form->document().depthTable().setRowCount(200'001);
    NumberGridHeaders(form->document().depthTable());
    form->refreshTables();
    QHeaderView* numbers = test::Control<StringGridView>(form.get(), "sgSourceData")->bodyView()->verticalHeader();
    EXPECT_GE(numbers->width(), numbers->fontMetrics().horizontalAdvance(QStringLiteral("200000")) + 6);
}

namespace {

class LayerUndoTest : public test::ExampleSurveyTest { };

} // namespace

TEST_F(LayerUndoTest, DeletedLayerComesBackAndStyleChangesAreUndone)
{
    selectLayerOfColumn(4);
    const TLayer before = *form->document().layers().recordOf(*form->document().layers().selectedEntry());
    test::Action(form.get(), "acnLayerDelete")->trigger();
    EXPECT_EQ(form->document().layers().LayerCount(), 2);
    EXPECT_EQ(test::Control<LayerManagerView>(form.get(), "lwLayerManager")->topLevelItemCount(), 2);
    test::Action(form.get(), "acnUndo")->trigger();
    ASSERT_EQ(form->document().layers().LayerCount(), 3);
    EXPECT_EQ(test::Control<LayerManagerView>(form.get(), "lwLayerManager")->topLevelItemCount(), 3);
    const TLayer& back = form->document().layers().Layers(1);
    EXPECT_EQ(back.DepthColumn, 4);
    EXPECT_EQ(back.PointColor, before.PointColor);
    EXPECT_EQ(form->document().chart().series(back.Series).name(), "Series1");

    selectLayerOfColumn(3);
    test::Control<QSpinBox>(form.get(), "seLineWidth")->setValue(7);
    test::Control<QSpinBox>(form.get(), "seLineWidth")->setValue(9);
    EXPECT_EQ(form->document().layers().Layers(0).LineWidth, 9);
    EXPECT_EQ(test::Action(form.get(), "acnUndo")->text(), QStringLiteral("Отменить: Толщина линии"));
    test::Action(form.get(), "acnUndo")->trigger(); // the two steps of the spin edit are one
    EXPECT_EQ(form->document().layers().Layers(0).LineWidth, 3);
    EXPECT_EQ(test::Control<QSpinBox>(form.get(), "seLineWidth")->value(), 3);
    EXPECT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
}

TEST_F(TableFormTest, HistoryGivesUpItsOldestStepsPastItsMemoryBound)
{
    UndoBridge* history = form->undoBridge();
    history->setBudget(64 * 1024);
    const std::string big(20 * 1024, 'x');
    for (int i = 1; i <= 8; ++i)
        form->document().writeCell(TableId::Depth, 1, i, big);
    EXPECT_LE(history->historyBytes(), std::size_t{64 * 1024});
    int undone = 0;
    while (test::Action(form.get(), "acnUndo")->isEnabled()) {
        test::Action(form.get(), "acnUndo")->trigger();
        ++undone;
    }
    // The newest steps came back; the oldest were given up and their cells keep the edit.
    EXPECT_GE(undone, 2);
    EXPECT_LT(undone, 8);
    EXPECT_EQ(form->document().depthTable().cell(1, 8), "1:8");
    EXPECT_EQ(form->document().depthTable().cell(1, 1), big);
    EXPECT_FALSE(history->canUndo());
    EXPECT_TRUE(history->canRedo());
    test::Action(form.get(), "acnRedo")->trigger();
    EXPECT_EQ(form->document().depthTable().cell(1, 9 - undone), big);
}

TEST_F(TableFormTest, ParametersSetInTheDocumentShowInTheirControlsWithoutRedrawing)
{
    SectionParams section = form->document().sectionParams();
    section.SX = 250;
    section.H = 70;
    form->document().setSectionParams(section);
    EXPECT_EQ(test::Control<QSpinBox>(form.get(), "seScaleX")->value(), 250);
    EXPECT_EQ(test::Control<QSpinBox>(form.get(), "sedH")->value(), 70);
    EXPECT_EQ(form->document().sectionWidth(), 200); // shown, not drawn
    DiagramParams diagram = form->document().diagramParams();
    diagram.WindowHeight = 120;
    diagram.VertIncrement = "5";
    form->document().setDiagramParams(diagram);
    EXPECT_EQ(test::Control<QSpinBox>(form.get(), "seChtOverviewChartHeight")->value(), 120);
    EXPECT_EQ(test::Control<QLineEdit>(form.get(), "ltxtVertIncrementDecrement")->text(), QStringLiteral("5"));
    test::Control<QSpinBox>(form.get(), "seCursorHorzSize")->setValue(14); // and the other way
    EXPECT_EQ(form->document().diagramParams().CursorHorzSize, 14);
    EXPECT_EQ(form->document().diagramParams().WindowHeight, 120);
    form->document().setPicketColumnText("3");
    EXPECT_EQ(test::Control<QComboBox>(form.get(), "cmbX")->currentText(), QStringLiteral("3"));
}

TEST_F(TableFormTest, RunningOutOfMemoryIsToldInWordsAndTheProgramGoesOn)
{
    EXPECT_FALSE(form->runGuarded([] { throw std::bad_alloc(); }, QStringLiteral("Импорт таблицы")));
    ASSERT_EQ(services.errors.size(), 1);
    EXPECT_EQ(services.errors[0],
              QStringLiteral("Недостаточно памяти: команда «Импорт таблицы» не выполнена до конца."));
    EXPECT_FALSE(services.errors[0].contains(QStringLiteral("bad_alloc")));
    EXPECT_FALSE(form->runGuarded([] { throw std::length_error("vector"); }));
    EXPECT_EQ(services.errors.last(), QStringLiteral("Недостаточно памяти: действие не выполнено до конца."));
}

TEST(ImportQuestion, AFileThatIsPlainlyNotTextIsAskedAboutAndNoChangesNothing)
{
    test::FakeServices services;
    TFmMainForm form(&services);
    services.nextOpenName = QStringLiteral(TRASSEL_SOURCE_DIR "/examples/survey_depths.txt");
    test::Action(&form, "acnImportTable")->trigger();
    ASSERT_TRUE(services.confirmations.isEmpty()); // a real table is not asked about
    const int rows = form.document().depthTable().rowCount();
    const std::string cell = form.document().depthTable().cell(3, 2);

    services.nextOpenName = QStringLiteral(TRASSEL_SOURCE_DIR "/examples/radargram.png");
    test::Action(&form, "acnImportTable")->trigger();
    EXPECT_EQ(services.confirmations,
              QStringList{QStringLiteral("Файл не похож на текстовую таблицу. Импортировать всё равно?")});
    EXPECT_EQ(form.document().depthTable().rowCount(), rows);
    EXPECT_EQ(form.document().depthTable().cell(3, 2), cell);
    test::Action(&form, "acnImportSkv")->trigger(); // the borehole import asks too
    EXPECT_EQ(services.confirmations.size(), 2);

    // "Да" imports it all the same, as one undoable step.
    services.confirmAnswer = true;
    test::Action(&form, "acnImportTable")->trigger();
    EXPECT_NE(form.document().depthTable().cell(3, 2), cell);
    test::Action(&form, "acnUndo")->trigger();
    EXPECT_EQ(form.document().depthTable().cell(3, 2), cell);
    EXPECT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
}

TEST_F(TableFormTest, EscDuringALongCommandStopsItWithNothingChangedAndSaysSo)
{
    QTemporaryDir dir;
    form->show();
    const std::string before = exportText();
    const int steps = form->undoStack()->count();
    // Esc waits in the queue, as a key pressed while the command runs does; the command's
    // first report lets it through.
    auto pressEsc = [this] {
        QCoreApplication::postEvent(form.get(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    };

    services.nextOpenName = QStringLiteral(TRASSEL_SOURCE_DIR "/examples/survey_depths.txt");
    pressEsc();
    test::Action(form.get(), "acnImportTable")->trigger();
    EXPECT_EQ(exportText(), before);
    EXPECT_EQ(form->statusBar()->currentMessage(), QStringLiteral("Отменено: Импорт таблицы"));

    pressEsc();
    test::Action(form.get(), "acnReCalcPK")->trigger();
    EXPECT_EQ(exportText(), before);
    EXPECT_EQ(form->statusBar()->currentMessage(), QStringLiteral("Отменено: Пересчет в ПК"));

    const QString exported = dir.filePath(QStringLiteral("ЦифроваяМодель.txt"));
    services.nextSaveName = exported;
    pressEsc();
    test::Action(form.get(), "acnExportTable")->trigger();
    EXPECT_FALSE(QFile::exists(exported));
    EXPECT_TRUE(services.informations.isEmpty()); // no "успешно" for a stopped export

    const QString project = dir.filePath(QStringLiteral("p.trassel"));
    services.nextSaveName = project;
    pressEsc();
    test::Action(form.get(), "acnSaveProjectAs")->trigger();
    EXPECT_FALSE(QFile::exists(project));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{});

    QGuiApplication::clipboard()->setText(QStringLiteral("1\t2\t3\r\n4\t5\t6\r\n"));
    pressEsc();
    test::Action(form.get(), "acnPasteToSG")->trigger();
    EXPECT_EQ(exportText(), before);
    EXPECT_EQ(form->statusBar()->currentMessage(), QStringLiteral("Отменено: Вставить"));

    EXPECT_EQ(form->undoStack()->count(), steps);
    EXPECT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    EXPECT_TRUE(services.messages.isEmpty()) << services.messages.join(QStringLiteral("\n")).toStdString();

    // Without Esc the same commands run to their end.
    test::Action(form.get(), "acnImportTable")->trigger();
    EXPECT_NE(exportText(), before);
    EXPECT_EQ(form->undoStack()->count(), steps + 1);
}
