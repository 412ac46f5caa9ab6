// The main window's command map: every command with its caption, category, the ribbon group
// or bar that places it, and its screen tip; the tabs and groups in order; the quick-access
// bar; the keys. The command table must say exactly what users read, and the window must be
// made as the table says.
#include "app/command_table.h"
#include "app/mainform.h"
#include "support/controls.h"
#include "app/ribbon.h"
#include "fake_services.h"

#include <QAction>
#include <QSet>

#include <gtest/gtest.h>

using namespace trassel;

namespace {

struct Command {
    const char* name;
    const char* caption;
    const char* category;
    const char* tab; // "" when no ribbon button starts it
    const char* group;
    const char* tipHeader; // "" without a screen tip
    const char* tipText;
};

const Command kCommands[] = {
    {"acnImportTable", "Импорт таблицы", "Таблица", "Таблицы", "Цифровая модель", "Импорт таблицы",
     "Импорт таблицы, содержащей цифровую модель среды ПК/глубина"},
    {"acnExportTable", "Экспорт таблицы", "Таблица", "Таблицы", "Цифровая модель", "Экспорт таблицы",
     "Экспорт таблицы, содержащей цифровую модель среды ПК/глубина,  в текстовый файл"},
    {"acnReCalcPK", "Пересчет в ПК", "Таблица", "Таблицы", "Цифровая модель", "Пересчет в ПК",
     "Пересчет пикетов производится для файлов, содержащих колонку \"км\"  и \"м\". При этом данные в колонке "
     "\"км\" заменяются на линейную координату по 100-метровой базе"},
    {"acnImportSkv", "Импорт выработок", "Таблица", "Таблицы", "Скважины", "Импорт скважин",
     "Импорт цифровой модели скважин"},
    {"acnExportReport", "Экспорт ведомости", "Таблица", "Таблицы", "Толщины слоёв", "Экспорт ведомости",
     "Сохранить в папку ведомость толщин слоёв против норм: книгу XLSX и таблицы CSV по 100 м, по км, участки ниже "
     "нормы и нормы"},
    {"acnReport", "Отчёт", "Таблица", "Таблицы", "Толщины слоёв", "Отчёт",
     "Отчёт заказчику в PDF: титульный лист, нормы и параметры, сводка по километрам, участки ниже нормы и листы "
     "разреза с графиками отклонения от нормы"},
    {"acnEditNorms", "Нормы", "Таблица", "Таблицы", "Толщины слоёв", "Нормы проектирования",
     "Участки проекта с классом пути и типом шпал, нормы балласта и других слоёв, допуск и длины участков ниже "
     "нормы"},
    {"acnLayerAdd", "Добавить слой", "Таблица", "", "", "", ""},
    {"acnLayerDelete", "Удалить слой", "Таблица", "", "", "", ""},
    {"acnMadeRowFirst", "Сделать строку начальной", "Таблица", "", "", "", ""},
    {"acnMadeRowLast", "Сделать строку последней", "Таблица", "", "", "", ""},
    {"acnCopySG", "Копировать", "Таблица", "", "", "", ""},
    {"acnPasteToSG", "Вставить", "Таблица", "", "", "", ""},
    {"acnClearRange", "Очистить ячейки", "Таблица", "", "", "", ""},
    {"acnLoadPicture", "Открыть изображение", "", "Файл", "Файл", "Открыть изображение",
     "Загрузить изображение радарограммы в растровом формате"},
    {"acnOpenRadargram", "Открыть радарограмму", "Файл", "Файл", "Файл", "Открыть радарограмму",
     "Открыть файл георадара (DZT, SEG-Y, DT1, RD3, RD7, GPR2) на странице «Радарограмма»: усиление, контраст, "
     "масштаб, шкалы пикетов, времени и глубины"},
    {"acnCalibration", "Калибровка", "Файл", "Файл", "Файл", "Калибровка",
     "Подобрать диэлектрическую проницаемость слоёв по глубинам, известным из скважин и шурфов, методом "
     "наименьших квадратов; невязка каждой точки и разброс ε"},
    {"acnOpenProject", "Открыть проект", "Файл", "Файл", "Файл", "Открыть проект",
     "Открыть сохранённую интерпретацию: таблицы, слои, параметры, подписи разреза (Ctrl+O)"},
    {"acnSaveProject", "Сохранить проект", "Файл", "Файл", "Файл", "Сохранить проект",
     "Сохранить всю интерпретацию в файл проекта .trassel (Ctrl+S)"},
    {"acnSaveProjectAs", "Сохранить проект как…", "Файл", "Файл", "Файл", "Сохранить проект как",
     "Сохранить интерпретацию в другой файл проекта"},
    {"acnRecentProjects", "Последние проекты", "Файл", "Файл", "Файл", "Последние проекты",
     "Открыть один из недавно сохранённых или открытых проектов"},
    {"acnBuildChart", "Построить диаграмму", "Диаграмма", "Диаграмма", "Диаграмма", "Построить диаграмму",
     "Границы отстраиваются по данным из колонок, отмеченных галочками в диспетчере слоев"},
    {"acnPrintOverviewChart", "Печать диаграммы", "Диаграмма", "Диаграмма", "Радарограмма", "Печать диаграммы",
     "Печать интерпретационной диаграммы в том виде, в каком она показана"},
    {"acnExportChart", "Экспорт диаграммы", "Диаграмма", "Диаграмма", "Радарограмма", "Экспорт диаграммы",
     "Сохранить интерпретационную диаграмму рисунком PNG или документом PDF"},
    {"acnBuildSkv", "Построить скв", "Диаграмма", "Диаграмма", "Диаграмма", "", ""},
    {"acnPlotRazrezLine", "Построить разрез", "Разрез", "Разрез", "Разрез", "Построить разрез",
     "Построить разрез линиями. Границы отстраиваются по данным из колонок, отмеченных галочками в диспетчере слоев"},
    {"acnPlotRazrezPoligon", "Построить разрез полигонами", "Разрез", "Разрез", "Разрез", "Построить разрез полигонами",
     "Построить разрез слоями. Границы отстраиваются по данным из колонок, отмеченных галочками в диспетчере слоев"},
    {"acnExportDiagrammToJpg", "Экспорт в &JPG", "Разрез", "Разрез", "Разрез", "Экспорт графики",
     "Экспорт диаграммы в растровое изображение."},
    {"acnPrintImage", "Печать", "Разрез", "", "", "Печать", ""},
    {"acnProjectForm", "Основная надпись", "Разрез", "Разрез", "Разрез", "Основная надпись",
     "Организация, объект, линия и путь, разработал и проверил: тексты основной надписи листов разреза и титульного "
     "листа отчёта"},
    {"acnRadargramOverSection", "Радарограмма над разрезом", "Разрез", "Разрез", "Разрез", "Радарограмма над разрезом",
     "Показать радарограмму прибора над разрезом по той же горизонтальной оси: она прокручивается и масштабируется "
     "вместе с разрезом. Доступно, когда радарограмма открыта и привязана к линии"},
    {"acnShowList", "Список грунтов", "Разрез", "", "", "Список грунтов", ""},
    {"acnPlotSkv", "Выработки", "Разрез", "Разрез", "Разрез", "", ""},
    {"acnShowOptions", "Параметры", "Настройки", "Параметры", "Параметры", "Параметры", ""},
    {"acnSaveOptions", "Сохранить настройки", "Настройки", "Параметры", "Параметры", "Сохранить настройки", ""},
    {"acnLoadOptions", "Загрузить настройки", "Настройки", "Параметры", "Параметры", "Загрузить настройки", ""},
    {"acnApplyOptions", "Применить настройки", "Настройки", "", "", "Применить настройки", ""},
    {"acnAbout", "О прогамме", "Справка", "Справка", "Сведения", "", ""},
    {"acnUndo", "Отменить", "Правка", "", "", "", ""},
    {"acnRedo", "Повторить", "Правка", "", "", "", ""},
    {"J1", "Очистить", "Таблица", "", "", "", ""},
    {"N5", "Вставить строку", "Таблица", "", "", "", ""},
    {"N6", "Удалить строку", "Таблица", "", "", "", ""},
    {"N1", "Вставить столбец", "Таблица", "", "", "", ""},
    {"N2", "Удалить столбец", "Таблица", "", "", "", ""},
};

QString q(const char* text) { return QString::fromUtf8(text); }

} // namespace

TEST(CommandMap, TheTableHoldsEveryCommandAsUsersReadIt)
{
    QSet<QString> names;
    for (const Command& c : kCommands) {
        SCOPED_TRACE(c.name);
        const CommandRow* row = FindCommand(c.name);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(q(row->caption), q(c.caption));
        EXPECT_EQ(q(row->category), q(c.category));
        EXPECT_EQ(q(row->tab), q(c.tab));
        EXPECT_EQ(q(row->group), q(c.group));
        EXPECT_EQ(q(row->tipTitle), q(c.tipHeader));
        EXPECT_EQ(q(row->tipText), q(c.tipText));
        // Only the picture command's tip goes without the footer.
        EXPECT_EQ(row->tipFooter, q(c.name) != q("acnLoadPicture"));
        names.insert(q(c.name));
    }
    // No command of the table escapes the list above, and no name is there twice.
    EXPECT_EQ(CommandTable().size(), std::size(kCommands));
    EXPECT_EQ(names.size(), static_cast<qsizetype>(std::size(kCommands)));
    EXPECT_EQ(FindCommand("acnNoSuchCommand"), nullptr);
    // Every group a command names is a group of the ribbon.
    for (const CommandRow& row : CommandTable()) {
        if (*row.tab == '\0')
            continue;
        bool known = false;
        for (const RibbonGroupRow& place : RibbonLayout())
            known = known || (q(place.tab) == q(row.tab) && q(place.group) == q(row.group));
        EXPECT_TRUE(known) << row.name;
    }
}

TEST(CommandMap, EveryActionHasItsCaptionCategoryPlaceAndTip)
{
    test::FakeServices services;
    TFmMainForm form(&services);
    Ribbon* ribbon = test::Control<Ribbon>(&form, "Ribbon1");
    ASSERT_NE(ribbon, nullptr);
    for (const Command& c : kCommands) {
        SCOPED_TRACE(c.name);
        QAction* action = test::Action(&form, c.name);
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->text(), q(c.caption));
        EXPECT_EQ(action->property("category").toString(), q(c.category));
        if (*c.tab != '\0') {
            EXPECT_TRUE(ribbon->actionsOf(q(c.tab), q(c.group)).contains(action));
            EXPECT_FALSE(action->icon().isNull());
        }
        if (*c.tipHeader != '\0') {
            ASSERT_TRUE(ribbon->hasScreenTip(action));
            EXPECT_EQ(ribbon->screenTip(action).header, q(c.tipHeader));
            EXPECT_EQ(ribbon->screenTip(action).description, q(c.tipText));
        } else {
            EXPECT_FALSE(ribbon->hasScreenTip(action));
        }
    }
    // The commands that only a menu, a shortcut or another window starts have no ribbon button.
    for (const char* name : {"acnLayerAdd", "acnPrintImage", "acnShowList", "acnApplyOptions"}) {
        QAction* action = test::Action(&form, name);
        for (const QString& tab : ribbon->tabTitles())
            for (const QString& group : ribbon->groupTitles(tab))
                EXPECT_FALSE(ribbon->actionsOf(tab, group).contains(action)) << name;
    }
    EXPECT_FALSE(ribbon->screenTip(test::Action(&form, "acnLoadPicture")).footer);
    EXPECT_TRUE(ribbon->screenTip(test::Action(&form, "acnImportTable")).footer);
    // The recent projects open from their button at once.
    QToolButton* recent = ribbon->group(q("Файл"), q("Файл"))->buttonFor(test::Action(&form, "acnRecentProjects"));
    ASSERT_NE(recent, nullptr);
    EXPECT_EQ(recent->popupMode(), QToolButton::InstantPopup);
    EXPECT_EQ(test::Action(&form, "acnRecentProjects")->menu(), test::Control<QMenu>(&form, "mnuRecentProjects"));
    // The layer list's menu deletes the layer.
    EXPECT_EQ(test::Control<QMenu>(&form, "PopupMenuLV")->actions(),
              QList<QAction*>{test::Action(&form, "acnLayerDelete")});
}

TEST(CommandMap, KeysWorkAnywhereInTheWindow)
{
    test::FakeServices services;
    TFmMainForm form(&services);
    const std::pair<const char*, QList<QKeySequence>> keys[] = {
        {"acnOpenProject", {QKeySequence(Qt::CTRL | Qt::Key_O)}},
        {"acnSaveProject", {QKeySequence(Qt::CTRL | Qt::Key_S)}},
        {"acnPrintImage", {QKeySequence(Qt::CTRL | Qt::Key_P)}},
        {"acnUndo", {QKeySequence(Qt::CTRL | Qt::Key_Z)}},
        {"acnRedo", {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}},
    };
    for (const auto& [name, sequences] : keys) {
        QAction* action = test::Action(&form, name);
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->shortcuts(), sequences) << name;
        // Added to the window, so the keys work whichever ribbon tab is showing.
        EXPECT_TRUE(form.actions().contains(action)) << name;
    }
    // "Save as" has the platform's key for it, where the platform has one.
    const QKeySequence saveAs(QKeySequence::SaveAs);
    EXPECT_EQ(test::Action(&form, "acnSaveProjectAs")->shortcuts(),
              saveAs.isEmpty() ? QList<QKeySequence>() : QList{saveAs});
    // The others have none.
    EXPECT_TRUE(test::Action(&form, "acnImportTable")->shortcuts().isEmpty());
    EXPECT_TRUE(test::Action(&form, "J1")->shortcuts().isEmpty());
}

TEST(CommandMap, TabsGroupsAndTheQuickAccessBarInOrder)
{
    test::FakeServices services;
    TFmMainForm form(&services);
    Ribbon* ribbon = test::Control<Ribbon>(&form, "Ribbon1");
    ASSERT_NE(ribbon, nullptr);
    const auto action = [&form](const char* name) { return test::Action(&form, name); };
    EXPECT_EQ(ribbon->tabTitles(),
              (QStringList{q("Файл"), q("Таблицы"), q("Диаграмма"), q("Разрез"), q("Параметры"), q("Справка")}));
    EXPECT_EQ(ribbon->groupTitles(q("Таблицы")),
              (QStringList{q("Цифровая модель"), q("Скважины"), q("Толщины слоёв")}));
    EXPECT_EQ(ribbon->actionsOf(q("Таблицы"), q("Толщины слоёв")),
              (QList<QAction*>{action("acnExportReport"), action("acnReport"), action("acnEditNorms")}));
    EXPECT_EQ(ribbon->groupTitles(q("Диаграмма")), (QStringList{q("Диаграмма"), q("Радарограмма")}));
    EXPECT_EQ(ribbon->groupTitles(q("Разрез")), (QStringList{q("Разрез"), q("Инструменты")}));
    EXPECT_EQ(ribbon->groupTitles(q("Параметры")), (QStringList{q("Дата компиляции"), q("Параметры")}));
    EXPECT_EQ(ribbon->actionsOf(q("Файл"), q("Файл")),
              (QList<QAction*>{action("acnLoadPicture"), action("acnOpenRadargram"), action("acnCalibration"),
                               action("acnOpenProject"), action("acnSaveProject"), action("acnSaveProjectAs"),
                               action("acnRecentProjects")}));
    EXPECT_EQ(ribbon->actionsOf(q("Разрез"), q("Разрез")),
              (QList<QAction*>{action("acnPlotRazrezLine"), action("acnPlotRazrezPoligon"),
                               action("acnExportDiagrammToJpg"), action("acnPlotSkv"), action("acnProjectForm"),
                               action("acnRadargramOverSection")}));
    EXPECT_EQ(ribbon->actionsOf(q("Диаграмма"), q("Диаграмма")),
              (QList<QAction*>{action("acnBuildChart"), action("acnBuildSkv")}));
    EXPECT_EQ(ribbon->actionsOf(q("Диаграмма"), q("Радарограмма")),
              (QList<QAction*>{action("acnPrintOverviewChart"), action("acnExportChart")}));
    EXPECT_EQ(ribbon->actionsOf(q("Параметры"), q("Параметры")),
              (QList<QAction*>{action("acnShowOptions"), action("acnSaveOptions"), action("acnLoadOptions")}));
    EXPECT_EQ(ribbon->quickAccessActions(),
              (QList<QAction*>{action("acnImportTable"), action("acnExportTable"), action("acnReCalcPK"),
                               action("acnLoadPicture"), action("acnBuildChart"), action("acnPrintOverviewChart"),
                               action("acnPlotRazrezPoligon"), action("acnExportDiagrammToJpg"), action("acnUndo"),
                               action("acnRedo")}));
    // The widget groups hold the section's tools and the build date.
    EXPECT_NE(ribbon->group(q("Разрез"), q("Инструменты"))->findChild<QToolButton*>(q("tbtnCursor")), nullptr);
    EXPECT_NE(ribbon->group(q("Параметры"), q("Дата компиляции"))->findChild<QLabel*>(q("lblDateCompilation1")),
              nullptr);
    EXPECT_EQ(ribbon->currentIndex(), 1);
}
