#include "app/ribbon.h"

#include <QAction>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>
#include <QToolButton>

#include <gtest/gtest.h>

using trassel::Ribbon;

namespace {

// A ribbon laid out like the main window's, with a few of its commands.
class RibbonTest : public testing::Test {
protected:
    RibbonTest()
    {
        importTable = new QAction(QStringLiteral("Импорт таблицы"), &ribbon);
        importTable->setIcon(trassel::commandIcon(QStringLiteral("import_table")));
        exportTable = new QAction(QStringLiteral("Экспорт таблицы"), &ribbon);
        exportJpg = new QAction(QStringLiteral("Экспорт в &JPG"), &ribbon);
        about = new QAction(QStringLiteral("О прогамме"), &ribbon);

        ribbon.addTab(QStringLiteral("Файл"))->addGroup(QStringLiteral("Файл"));
        trassel::RibbonTab* tables = ribbon.addTab(QStringLiteral("Таблицы"));
        trassel::RibbonGroup* model = tables->addGroup(QStringLiteral("Цифровая модель"));
        model->addAction(importTable);
        model->addAction(exportTable);
        tables->addGroup(QStringLiteral("Скважины"));
        ribbon.addTab(QStringLiteral("Разрез"))->addGroup(QStringLiteral("Разрез"))->addAction(exportJpg);
        ribbon.addTab(QStringLiteral("Справка"))->addGroup(QStringLiteral("Сведения"))->addAction(about);
        ribbon.addQuickAccess(exportTable);
        ribbon.addQuickAccess(importTable);
    }

    Ribbon ribbon{QStringLiteral("Trassel")};
    QAction* importTable;
    QAction* exportTable;
    QAction* exportJpg;
    QAction* about;
};

TEST_F(RibbonTest, FindsTabsGroupsAndActionsByTitle)
{
    EXPECT_EQ(ribbon.caption(), QStringLiteral("Trassel"));
    EXPECT_EQ(ribbon.tabTitles(), (QStringList{QStringLiteral("Файл"), QStringLiteral("Таблицы"),
                                               QStringLiteral("Разрез"), QStringLiteral("Справка")}));
    EXPECT_EQ(ribbon.groupTitles(QStringLiteral("Таблицы")),
              (QStringList{QStringLiteral("Цифровая модель"), QStringLiteral("Скважины")}));
    EXPECT_EQ(ribbon.actionsOf(QStringLiteral("Таблицы"), QStringLiteral("Цифровая модель")),
              (QList<QAction*>{importTable, exportTable}));
    EXPECT_EQ(ribbon.actionsOf(QStringLiteral("Справка"), QStringLiteral("Сведения")), QList<QAction*>{about});
    EXPECT_TRUE(ribbon.actionsOf(QStringLiteral("Таблицы"), QStringLiteral("Скважины")).isEmpty());

    // Unknown titles find nothing rather than something else.
    EXPECT_EQ(ribbon.tab(QStringLiteral("Диаграмма")), nullptr);
    EXPECT_EQ(ribbon.group(QStringLiteral("Файл"), QStringLiteral("Сведения")), nullptr);
    EXPECT_TRUE(ribbon.groupTitles(QStringLiteral("Нет такой")).isEmpty());

    // Quick access keeps the order of the calls and shows icons only.
    EXPECT_EQ(ribbon.quickAccessActions(), (QList<QAction*>{exportTable, importTable}));
    QToolButton* quick = ribbon.quickAccessButtonFor(exportTable);
    ASSERT_NE(quick, nullptr);
    EXPECT_EQ(quick->toolButtonStyle(), Qt::ToolButtonIconOnly);
}

TEST_F(RibbonTest, EveryButtonHasAnIconAndRunsItsAction)
{
    // Commands given no picture get a drawn stand-in, so no button is blank.
    for (QAction* action : {importTable, exportTable, exportJpg, about})
        EXPECT_FALSE(action->icon().isNull()) << action->text().toStdString();
    EXPECT_FALSE(trassel::letterIcon(QStringLiteral("Параметры")).pixmap(32).isNull());
    // The pictures of the resources load (the SVG icon engine is there) and draw at the sizes
    // the ribbon uses.
    const QStringList names = trassel::commandIconNames();
    EXPECT_EQ(names.size(), 24);
    for (const QString& name : names) {
        const QIcon icon = trassel::commandIcon(name);
        ASSERT_FALSE(icon.isNull()) << name.toStdString();
        for (const int size : {16, 24, 32}) {
            const QImage image = icon.pixmap(size).toImage();
            ASSERT_EQ(image.width(), size) << name.toStdString();
            int painted = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    painted += qAlpha(image.pixel(x, y)) > 0;
            EXPECT_GT(painted, size * size / 8) << name.toStdString() << " at " << size;
        }
    }

    ribbon.show();
    ribbon.setCurrentIndex(1);
    QSignalSpy triggered(importTable, &QAction::triggered);
    QToolButton* button = ribbon.group(QStringLiteral("Таблицы"), QStringLiteral("Цифровая модель"))
                              ->buttonFor(importTable);
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(triggered.count(), 1);
    QSignalSpy quickTriggered(exportTable, &QAction::triggered);
    QTest::mouseClick(ribbon.quickAccessButtonFor(exportTable), Qt::LeftButton);
    EXPECT_EQ(quickTriggered.count(), 1);
}

TEST_F(RibbonTest, ButtonsFollowTheirActionsStateAndCaption)
{
    QToolButton* button = ribbon.group(QStringLiteral("Таблицы"), QStringLiteral("Цифровая модель"))
                              ->buttonFor(exportTable);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    EXPECT_EQ(button->text(), QStringLiteral("Экспорт\nтаблицы"));

    exportTable->setEnabled(false);
    EXPECT_FALSE(button->isEnabled());
    EXPECT_FALSE(ribbon.quickAccessButtonFor(exportTable)->isEnabled());
    exportTable->setEnabled(true);
    EXPECT_TRUE(button->isEnabled());

    exportTable->setText(QStringLiteral("Построить разрез полигонами"));
    EXPECT_EQ(button->text(), QStringLiteral("Построить разрез\nполигонами"));

    // The access key marked in the caption stays one on the button.
    QToolButton* jpg = ribbon.group(QStringLiteral("Разрез"), QStringLiteral("Разрез"))->buttonFor(exportJpg);
    ASSERT_NE(jpg, nullptr);
    EXPECT_EQ(jpg->text(), QStringLiteral("Экспорт\nв &JPG"));
    EXPECT_EQ(trassel::RibbonButton::wrapCaption(QStringLiteral("Параметры")), QStringLiteral("Параметры"));
    EXPECT_EQ(trassel::RibbonButton::wrapCaption(QStringLiteral("Загрузитьнастройки")),
              QStringLiteral("Загрузитьнастройки"));
}

TEST_F(RibbonTest, ScreenTipShowsBoldHeaderDescriptionAndOptionalFooter)
{
    const QString description = QStringLiteral(
        "Экспорт таблицы, содержащей цифровую модель среды ПК/глубина,  в текстовый файл");
    ribbon.setScreenTip(exportTable, QStringLiteral("Экспорт таблицы"), description);
    ribbon.setScreenTip(importTable, QStringLiteral("Открыть изображение"),
                        QStringLiteral("Загрузить изображение радарограммы в растровом формате"), false);
    ribbon.setScreenTip(about, QStringLiteral("<О> & \"Я\""), QString());

    ASSERT_TRUE(ribbon.hasScreenTip(exportTable));
    EXPECT_FALSE(ribbon.hasScreenTip(exportJpg));
    EXPECT_EQ(ribbon.screenTip(exportTable).description, description);

    const QString tip = exportTable->toolTip();
    EXPECT_TRUE(tip.contains(QStringLiteral("<b>Экспорт таблицы</b>")));
    EXPECT_TRUE(tip.contains(QStringLiteral("<hr/>")));
    EXPECT_TRUE(tip.contains(QStringLiteral("data:image/png;base64,")));
    // The rendered text keeps the double blank after the comma.
    QTextDocument rendered;
    rendered.setHtml(tip);
    EXPECT_TRUE(rendered.toPlainText().contains(description)) << rendered.toPlainText().toStdString();

    // Every button of the action shows the same tip.
    EXPECT_EQ(ribbon.quickAccessButtonFor(exportTable)->toolTip(), tip);
    EXPECT_EQ(
        ribbon.group(QStringLiteral("Таблицы"), QStringLiteral("Цифровая модель"))->buttonFor(exportTable)->toolTip(),
        tip);

    const QString noFooter = importTable->toolTip();
    EXPECT_FALSE(noFooter.contains(QStringLiteral("<hr")));
    EXPECT_FALSE(noFooter.contains(QStringLiteral("<img")));

    // Texts are escaped, not read as markup.
    const QString escaped = about->toolTip();
    EXPECT_TRUE(escaped.contains(QStringLiteral("<b>&lt;О&gt; &amp; &quot;Я&quot;</b>")));
    rendered.setHtml(escaped);
    EXPECT_TRUE(rendered.toPlainText().startsWith(QStringLiteral("<О> & \"Я\"")));
}

} // namespace
