// The main window's command map as one table: every action with its caption, category, the
// ribbon group or bar that places it, and its screen tip; the tabs and groups in order; the
// quick-access bar. Walking it keeps the window from drifting from what users read.
#include "app/mainform.h"
#include "app/ribbon.h"
#include "fake_services.h"

#include <QAction>

#include <gtest/gtest.h>

using namespace trassel;

namespace {

struct Command {
    const char* name;
    const char* caption;
    const char* category;
    const char* tab;    // "" when no ribbon button starts it
    const char* group;
    const char* tipHeader;  // "" without a screen tip
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
    {"acnImportSkv", "Импорт выработок", "Таблица", "Таблицы", "Скважины", "Импорт скважин", "Импорт цифровой модели скважин"},
    {"acnLayerAdd", "Добавить слой", "Таблица", "", "", "", ""},
    {"acnLayerDelete", "Удалить слой", "Таблица", "", "", "", ""},
    {"acnMadeRowFirst", "Сделать строку начальной", "Таблица", "", "", "", ""},
    {"acnMadeRowLast", "Сделать строку последней", "Таблица", "", "", "", ""},
    {"acnCopySG", "Копировать", "Таблица", "", "", "", ""},
    {"acnPasteToSG", "Вставить", "Таблица", "", "", "", ""},
    {"acnClearRange", "Очистить ячейки", "Таблица", "", "", "", ""},
    {"acnLoadPicture", "Открыть изображение", "", "Файл", "Файл", "Открыть изображение",
     "Загрузить изображение радарограммы в растровом формате"},
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
    {"acnShowList", "Список грунтов", "Разрез", "", "", "Список грунтов", ""},
    {"acnPlotSkv", "Выработки", "Разрез", "Разрез", "Разрез", "", ""},
    {"acnShowOptions", "Параметры", "Настройки", "Параметры", "Параметры", "Параметры", ""},
    {"acnSaveOptions", "Сохранить настройки", "Настройки", "Параметры", "Параметры", "Сохранить настройки", ""},
    {"acnLoadOptions", "Загрузить настройки", "Настройки", "Параметры", "Параметры", "Загрузить настройки", ""},
    {"acnApplyOptions", "Применить настройки", "Настройки", "", "", "Применить настройки", ""},
    {"acnAbout", "О прогамме", "Справка", "Справка", "Сведения", "", ""},
};

QString q(const char* text) { return QString::fromUtf8(text); }

} // namespace

TEST(CommandMap, EveryActionHasItsCaptionCategoryPlaceAndTip)
{
    test::FakeServices services;
    TFmMainForm form(&services);
    for (const Command& c : kCommands) {
        SCOPED_TRACE(c.name);
        auto* action = form.findChild<QAction*>(q(c.name));
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->text(), q(c.caption));
        EXPECT_EQ(action->property("category").toString(), q(c.category));
        if (*c.tab != '\0') {
            EXPECT_TRUE(form.Ribbon1->actionsOf(q(c.tab), q(c.group)).contains(action));
        }
        if (*c.tipHeader != '\0') {
            ASSERT_TRUE(form.Ribbon1->hasScreenTip(action));
            EXPECT_EQ(form.Ribbon1->screenTip(action).header, q(c.tipHeader));
            EXPECT_EQ(form.Ribbon1->screenTip(action).description, q(c.tipText));
        }
    }
    // The commands that only a menu, a shortcut or another window starts have no ribbon button.
    for (const char* name : {"acnLayerAdd", "acnPrintImage", "acnShowList", "acnApplyOptions"}) {
        auto* action = form.findChild<QAction*>(q(name));
        for (const QString& tab : form.Ribbon1->tabTitles())
            for (const QString& group : form.Ribbon1->groupTitles(tab))
                EXPECT_FALSE(form.Ribbon1->actionsOf(tab, group).contains(action)) << name;
    }
    EXPECT_FALSE(form.Ribbon1->screenTip(form.acnLoadPicture).footer);
    EXPECT_TRUE(form.Ribbon1->screenTip(form.acnImportTable).footer);
}

TEST(CommandMap, TabsGroupsAndTheQuickAccessBarInOrder)
{
    test::FakeServices services;
    TFmMainForm form(&services);
    EXPECT_EQ(form.Ribbon1->tabTitles(), (QStringList{q("Файл"), q("Таблицы"), q("Диаграмма"), q("Разрез"), q("Параметры"), q("Справка")}));
    EXPECT_EQ(form.Ribbon1->groupTitles(q("Таблицы")), (QStringList{q("Цифровая модель"), q("Скважины")}));
    EXPECT_EQ(form.Ribbon1->groupTitles(q("Диаграмма")), (QStringList{q("Диаграмма"), q("Радарограмма")}));
    EXPECT_EQ(form.Ribbon1->groupTitles(q("Разрез")), (QStringList{q("Разрез"), q("Инструменты")}));
    EXPECT_EQ(form.Ribbon1->groupTitles(q("Параметры")), (QStringList{q("Дата компиляции"), q("Параметры")}));
    EXPECT_EQ(form.Ribbon1->actionsOf(q("Разрез"), q("Разрез")),
              (QList<QAction*>{form.acnPlotRazrezLine, form.acnPlotRazrezPoligon, form.acnExportDiagrammToJpg, form.acnPlotSkv}));
    EXPECT_EQ(form.Ribbon1->actionsOf(q("Диаграмма"), q("Диаграмма")), (QList<QAction*>{form.acnBuildChart, form.acnBuildSkv}));
    EXPECT_EQ(form.Ribbon1->actionsOf(q("Диаграмма"), q("Радарограмма")),
              (QList<QAction*>{form.acnPrintOverviewChart, form.acnExportChart}));
    EXPECT_EQ(form.Ribbon1->quickAccessActions(),
              (QList<QAction*>{form.acnImportTable, form.acnExportTable, form.acnReCalcPK, form.acnLoadPicture, form.acnBuildChart,
                               form.acnPrintOverviewChart, form.acnPlotRazrezPoligon, form.acnExportDiagrammToJpg, form.acnUndo,
                               form.acnRedo}));
}
