#include "app/command_table.h"

#include "app/action_handler.h"
#include "app/ribbon.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QToolButton>

#include <algorithm>
#include <map>

namespace trassel {
namespace {

using H = ActionHandler;

// The tips of the section and diagram commands share their closing sentence.
#define BY_CHECKED_COLUMNS "Границы отстраиваются по данным из колонок, отмеченных галочками в диспетчере слоев"

// A table laid out by hand, a row or two per command, so that it reads as a table.
// clang-format off
const CommandRow kCommands[] = {
    // ---- Файл ----
    {.name = "acnLoadPicture", .caption = "Открыть изображение", .category = "", .slot = &H::acnLoadPictureExecute,
     .icon = "open_picture", .tipTitle = "Открыть изображение",
     .tipText = "Загрузить изображение радарограммы в растровом формате", .tipFooter = false, .tab = "Файл",
     .group = "Файл", .quickAccess = 4},
    {.name = "acnOpenRadargram", .caption = "Открыть радарограмму", .category = "Файл",
     .slot = &H::acnOpenRadargramExecute, .icon = "open_radargram", .tipTitle = "Открыть радарограмму",
     .tipText = "Открыть файл георадара (DZT, SEG-Y, DT1, RD3, RD7, GPR2) на странице «Радарограмма»: усиление, "
                "контраст, масштаб, шкалы пикетов, времени и глубины", .tab = "Файл", .group = "Файл"},
    {.name = "acnCalibration", .caption = "Калибровка", .category = "Файл", .slot = &H::acnCalibrationExecute,
     .tipTitle = "Калибровка",
     .tipText = "Подобрать диэлектрическую проницаемость слоёв по глубинам, известным из скважин и шурфов, "
                "методом наименьших квадратов; невязка каждой точки и разброс ε", .tab = "Файл", .group = "Файл"},
    {.name = "acnOpenProject", .caption = "Открыть проект", .category = "Файл", .slot = &H::acnOpenProjectExecute,
     .standardKey = QKeySequence::Open, .icon = "load_options", .tipTitle = "Открыть проект",
     .tipText = "Открыть сохранённую интерпретацию: таблицы, слои, параметры, подписи разреза (Ctrl+O)",
     .tab = "Файл", .group = "Файл"},
    {.name = "acnSaveProject", .caption = "Сохранить проект", .category = "Файл", .slot = &H::acnSaveProjectExecute,
     .standardKey = QKeySequence::Save, .icon = "save_options", .tipTitle = "Сохранить проект",
     .tipText = "Сохранить всю интерпретацию в файл проекта .trassel (Ctrl+S)", .tab = "Файл", .group = "Файл"},
    {.name = "acnSaveProjectAs", .caption = "Сохранить проект как…", .category = "Файл",
     .slot = &H::acnSaveProjectAsExecute, .standardKey = QKeySequence::SaveAs, .icon = "save_options",
     .tipTitle = "Сохранить проект как", .tipText = "Сохранить интерпретацию в другой файл проекта", .tab = "Файл",
     .group = "Файл"},
    // Its button opens the menu of the recent projects; the action has no slot of its own.
    {.name = "acnRecentProjects", .caption = "Последние проекты", .category = "Файл", .slot = nullptr, .icon = "load_options", .tipTitle = "Последние проекты",
     .tipText = "Открыть один из недавно сохранённых или открытых проектов", .tab = "Файл", .group = "Файл",
     .instantPopup = true},
    // ---- Таблицы ----
    {.name = "acnImportTable", .caption = "Импорт таблицы", .category = "Таблица", .slot = &H::acnImportTableExecute,
     .icon = "import_table", .tipTitle = "Импорт таблицы",
     .tipText = "Импорт таблицы, содержащей цифровую модель среды ПК/глубина", .tab = "Таблицы",
     .group = "Цифровая модель", .quickAccess = 1},
    {.name = "acnExportTable", .caption = "Экспорт таблицы", .category = "Таблица", .slot = &H::acnExportTableExecute,
     .icon = "export_table", .tipTitle = "Экспорт таблицы",
     .tipText = "Экспорт таблицы, содержащей цифровую модель среды ПК/глубина,  в текстовый файл", .tab = "Таблицы",
     .group = "Цифровая модель", .quickAccess = 2},
    {.name = "acnReCalcPK", .caption = "Пересчет в ПК", .category = "Таблица", .slot = &H::acnReCalcPKExecute,
     .icon = "recalc_pickets", .tipTitle = "Пересчет в ПК",
     .tipText = "Пересчет пикетов производится для файлов, содержащих колонку \"км\"  и \"м\". "
                "При этом данные в колонке \"км\" заменяются на линейную координату по 100-метровой базе",
     .tab = "Таблицы", .group = "Цифровая модель", .quickAccess = 3},
    {.name = "acnImportSkv", .caption = "Импорт выработок", .category = "Таблица", .slot = &H::acnImportSkvExecute,
     .icon = "import_table", .tipTitle = "Импорт скважин", .tipText = "Импорт цифровой модели скважин",
     .tab = "Таблицы", .group = "Скважины"},
    {.name = "acnExportReport", .caption = "Экспорт ведомости", .category = "Таблица",
     .slot = &H::acnExportReportExecute, .icon = "export_report", .tipTitle = "Экспорт ведомости",
     .tipText = "Сохранить в папку ведомость толщин слоёв против норм: книгу XLSX и таблицы CSV по 100 м, по км, "
                "участки ниже нормы и нормы", .tab = "Таблицы", .group = "Толщины слоёв"},
    {.name = "acnReport", .caption = "Отчёт", .category = "Таблица", .slot = &H::acnReportExecute,
     .icon = "report", .tipTitle = "Отчёт",
     .tipText = "Отчёт заказчику в PDF: титульный лист, нормы и параметры, сводка по километрам, участки ниже нормы и "
                "листы разреза с графиками отклонения от нормы", .tab = "Таблицы", .group = "Толщины слоёв"},
    {.name = "acnEditNorms", .caption = "Нормы", .category = "Таблица", .slot = &H::acnEditNormsExecute,
     .icon = "norms", .tipTitle = "Нормы проектирования",
     .tipText = "Участки проекта с классом пути и типом шпал, нормы балласта и других слоёв, допуск и длины участков "
                "ниже нормы", .tab = "Таблицы", .group = "Толщины слоёв"},
    // ---- Диаграмма ----
    {.name = "acnBuildChart", .caption = "Построить диаграмму", .category = "Диаграмма",
     .slot = &H::acnBuildChartExecute, .icon = "build_chart", .tipTitle = "Построить диаграмму",
     .tipText = BY_CHECKED_COLUMNS, .tab = "Диаграмма", .group = "Диаграмма", .quickAccess = 5},
    {.name = "acnBuildSkv", .caption = "Построить скв", .category = "Диаграмма", .slot = &H::acnBuildSkvExecute,
     .icon = "build_boreholes", .tab = "Диаграмма", .group = "Диаграмма"},
    {.name = "acnPrintOverviewChart", .caption = "Печать диаграммы", .category = "Диаграмма",
     .slot = &H::acnPrintOverviewChartExecute, .icon = "print_chart", .tipTitle = "Печать диаграммы",
     .tipText = "Печать интерпретационной диаграммы в том виде, в каком она показана", .tab = "Диаграмма",
     .group = "Радарограмма", .quickAccess = 6},
    {.name = "acnExportChart", .caption = "Экспорт диаграммы", .category = "Диаграмма",
     .slot = &H::acnExportChartExecute, .icon = "export_image", .tipTitle = "Экспорт диаграммы",
     .tipText = "Сохранить интерпретационную диаграмму рисунком PNG или документом PDF", .tab = "Диаграмма",
     .group = "Радарограмма"},
    // ---- Разрез ----
    {.name = "acnPlotRazrezLine", .caption = "Построить разрез", .category = "Разрез",
     .slot = &H::acnPlotRazrezLineExecute, .icon = "plot_section_lines", .tipTitle = "Построить разрез",
     .tipText = "Построить разрез линиями. " BY_CHECKED_COLUMNS, .tab = "Разрез", .group = "Разрез"},
    {.name = "acnPlotRazrezPoligon", .caption = "Построить разрез полигонами", .category = "Разрез",
     .slot = &H::acnPlotRazrezPoligonExecute, .icon = "plot_section_polygons",
     .tipTitle = "Построить разрез полигонами", .tipText = "Построить разрез слоями. " BY_CHECKED_COLUMNS,
     .tab = "Разрез", .group = "Разрез", .quickAccess = 7},
    {.name = "acnExportDiagrammToJpg", .caption = "Экспорт в &JPG", .category = "Разрез",
     .slot = &H::acnExportDiagrammToJpgExecute, .icon = "export_image", .tipTitle = "Экспорт графики",
     .tipText = "Экспорт диаграммы в растровое изображение.", .tab = "Разрез", .group = "Разрез", .quickAccess = 8},
    {.name = "acnPlotSkv", .caption = "Выработки", .category = "Разрез", .slot = &H::acnPlotSkvExecute,
     .icon = "plot_boreholes", .tab = "Разрез", .group = "Разрез"},
    // No button or menu starts the section print; its keys do.
    {.name = "acnPrintImage", .caption = "Печать", .category = "Разрез", .slot = &H::acnPrintImageExecute,
     .standardKey = QKeySequence::Print, .tipTitle = "Печать"},
    {.name = "acnProjectForm", .caption = "Основная надпись", .category = "Разрез",
     .slot = &H::acnProjectFormExecute, .tipTitle = "Основная надпись",
     .tipText = "Организация, объект, линия и путь, разработал и проверил: тексты основной надписи листов разреза "
                "и титульного листа отчёта", .tab = "Разрез", .group = "Разрез"},
    {.name = "acnRadargramOverSection", .caption = "Радарограмма над разрезом", .category = "Разрез",
     .slot = &H::acnRadargramOverSectionExecute, .icon = "radargram_over_section",
     .tipTitle = "Радарограмма над разрезом",
     .tipText = "Показать радарограмму прибора над разрезом по той же горизонтальной оси: она прокручивается и "
                "масштабируется вместе с разрезом. Доступно, когда радарограмма открыта и привязана к линии",
     .tab = "Разрез", .group = "Разрез", .checkable = true},
    {.name = "acnShowList", .caption = "Список грунтов", .category = "Разрез", .slot = &H::acnShowListExecute,
     .tipTitle = "Список грунтов"},
    // ---- Параметры ----
    {.name = "acnShowOptions", .caption = "Параметры", .category = "Настройки", .slot = &H::acnShowOptionsExecute,
     .icon = "show_options", .tipTitle = "Параметры", .tab = "Параметры", .group = "Параметры"},
    {.name = "acnSaveOptions", .caption = "Сохранить настройки", .category = "Настройки",
     .slot = &H::acnSaveOptionsExecute, .icon = "save_options", .tipTitle = "Сохранить настройки", .tab = "Параметры",
     .group = "Параметры"},
    {.name = "acnLoadOptions", .caption = "Загрузить настройки", .category = "Настройки",
     .slot = &H::acnLoadOptionsExecute, .icon = "load_options", .tipTitle = "Загрузить настройки", .tab = "Параметры",
     .group = "Параметры"},
    {.name = "acnApplyOptions", .caption = "Применить настройки", .category = "Настройки",
     .slot = &H::acnApplyOptionsExecute, .tipTitle = "Применить настройки"},
    // ---- Справка ----
    {.name = "acnAbout", .caption = "О прогамме", .category = "Справка", .slot = &H::acnAboutExecute, .icon = "about",
     .tab = "Справка", .group = "Сведения"},
    // ---- the history; its captions name the step while there is one ----
    {.name = "acnUndo", .caption = "Отменить", .category = "Правка", .slot = &H::acnUndoExecute,
     .standardKey = QKeySequence::Undo, .styleIcon = QStyle::SP_ArrowBack, .quickAccess = 9},
    {.name = "acnRedo", .caption = "Повторить", .category = "Правка", .slot = &H::acnRedoExecute,
     .keys = "Ctrl+Y; Ctrl+Shift+Z", .styleIcon = QStyle::SP_ArrowForward, .quickAccess = 10},
    // ---- the depth table's menu ----
    {.name = "J1", .caption = "Очистить", .category = "Таблица", .slot = &H::J1Click, .menu = "PopupMenuSgSourceData"},
    {.name = "acnCopySG", .caption = "Копировать", .category = "Таблица", .slot = &H::acnCopySGExecute,
     .menu = "PopupMenuSgSourceData", .separatorBefore = "N9"},
    {.name = "acnPasteToSG", .caption = "Вставить", .category = "Таблица", .slot = &H::acnPasteToSGExecute,
     .menu = "PopupMenuSgSourceData"},
    {.name = "acnClearRange", .caption = "Очистить ячейки", .category = "Таблица", .slot = &H::acnClearRangeExecute,
     .menu = "PopupMenuSgSourceData"},
    {.name = "N5", .caption = "Вставить строку", .category = "Таблица", .slot = &H::N5Click,
     .menu = "PopupMenuSgSourceData", .separatorBefore = "N7"},
    {.name = "N6", .caption = "Удалить строку", .category = "Таблица", .slot = &H::N6Click,
     .menu = "PopupMenuSgSourceData"},
    {.name = "N1", .caption = "Вставить столбец", .category = "Таблица", .slot = &H::N1Click,
     .menu = "PopupMenuSgSourceData", .separatorBefore = "N8"},
    {.name = "N2", .caption = "Удалить столбец", .category = "Таблица", .slot = &H::N2Click,
     .menu = "PopupMenuSgSourceData"},
    {.name = "acnLayerAdd", .caption = "Добавить слой", .category = "Таблица", .slot = &H::acnLayerAddExecute,
     .menu = "PopupMenuSgSourceData", .separatorBefore = "N11"},
    {.name = "acnMadeRowFirst", .caption = "Сделать строку начальной", .category = "Таблица",
     .slot = &H::acnMadeRowFirstExecute, .menu = "PopupMenuSgSourceData"},
    {.name = "acnMadeRowLast", .caption = "Сделать строку последней", .category = "Таблица",
     .slot = &H::acnMadeRowLastExecute, .menu = "PopupMenuSgSourceData"},
    // ---- the layer list's menu ----
    {.name = "acnLayerDelete", .caption = "Удалить слой", .category = "Таблица", .slot = &H::acnLayerDeleteExecute,
     .menu = "PopupMenuLV"},
};
// clang-format on

#undef BY_CHECKED_COLUMNS

const RibbonGroupRow kRibbonLayout[] = {
    {"Файл", "Файл"},
    {"Таблицы", "Цифровая модель"},
    {"Таблицы", "Скважины"},
    {"Таблицы", "Толщины слоёв"},
    {"Диаграмма", "Диаграмма"},
    {"Диаграмма", "Радарограмма"},
    {"Разрез", "Разрез"},
    {"Разрез", "Инструменты"},        // the section's tools
    {"Параметры", "Дата компиляции"}, // the build date
    {"Параметры", "Параметры"},
    {"Справка", "Сведения"},
};

QString text(const char* utf8) { return QString::fromUtf8(utf8); }

} // namespace

std::span<const CommandRow> CommandTable() { return kCommands; }

const CommandRow* FindCommand(std::string_view name)
{
    const auto* row = std::find_if(std::begin(kCommands), std::end(kCommands),
                                   [name](const CommandRow& r) { return r.name == name; });
    return row == std::end(kCommands) ? nullptr : row;
}

std::span<const RibbonGroupRow> RibbonLayout() { return kRibbonLayout; }

QList<QKeySequence> ShortcutsOf(const CommandRow& row)
{
    QList<QKeySequence> keys;
    // The platform's first binding of a standard key, as a single shortcut of it would have.
    if (const QKeySequence standard(row.standardKey); !standard.isEmpty())
        keys.append(standard);
    if (*row.keys != '\0')
        keys.append(QKeySequence::listFromString(QString::fromLatin1(row.keys), QKeySequence::PortableText));
    return keys;
}

QIcon IconOf(const CommandRow& row, const QStyle* style)
{
    if (*row.icon != '\0')
        return commandIcon(QString::fromLatin1(row.icon));
    if (row.styleIcon != QStyle::SP_CustomBase && style != nullptr)
        return style->standardIcon(row.styleIcon);
    return QIcon();
}

void PlaceCommands(Ribbon& ribbon, const QHash<QString, QMenu*>& menus,
                   const std::function<QAction*(const CommandRow&)>& action)
{
    QHash<QString, RibbonTab*> tabs;
    for (const RibbonGroupRow& place : kRibbonLayout) {
        RibbonTab*& tab = tabs[text(place.tab)];
        if (tab == nullptr)
            tab = ribbon.addTab(text(place.tab));
        tab->addGroup(text(place.group));
    }
    std::map<int, QAction*> quick;
    for (const CommandRow& row : kCommands) {
        QAction* a = action(row);
        if (*row.tab != '\0') {
            QToolButton* button = ribbon.group(text(row.tab), text(row.group))->addAction(a);
            if (row.instantPopup)
                button->setPopupMode(QToolButton::InstantPopup);
        }
        if (row.quickAccess > 0)
            quick[row.quickAccess] = a;
        if (*row.tipTitle != '\0')
            ribbon.setScreenTip(a, text(row.tipTitle), text(row.tipText), row.tipFooter);
        if (QMenu* menu = menus.value(text(row.menu))) {
            if (*row.separatorBefore != '\0')
                menu->addSeparator()->setObjectName(QLatin1String(row.separatorBefore));
            menu->addAction(a);
        }
    }
    for (const auto& [position, a] : quick)
        ribbon.addQuickAccess(a);
}

} // namespace trassel
