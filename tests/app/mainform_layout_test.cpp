// The main window on a small and on a large screen: every control of the right-hand panels
// and every ribbon command can be brought into view and is drawn whole, and the panels share
// the width sensibly.
#include "app/mainform.h"
#include "support/controls.h"
#include "app/ribbon.h"
#include "fake_services.h"
#include "layers/qt/layer_panel.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QScrollArea>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace trassel;

namespace {

QString describe(const QWidget* w)
{
    return QString::fromLatin1(w->metaObject()->className()) + QLatin1Char(' ') + w->objectName();
}

QString describe(const QRect& r)
{
    return QStringLiteral("(%1,%2 %3x%4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

bool isInput(const QWidget* w)
{
    return qobject_cast<const QAbstractSpinBox*>(w) != nullptr || qobject_cast<const QComboBox*>(w) != nullptr ||
           qobject_cast<const QLineEdit*>(w) != nullptr || qobject_cast<const QAbstractButton*>(w) != nullptr ||
           qobject_cast<const QAbstractItemView*>(w) != nullptr;
}

// The controls a user operates inside `root`: the line edit inside a spin box or a combo box
// is part of that control, not one of its own.
QList<QWidget*> inputsOf(QWidget* root)
{
    QList<QWidget*> inputs;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!isInput(w) || !w->isVisibleTo(root) || !w->isEnabled())
            continue;
        bool inner = false;
        for (QWidget* up = w->parentWidget(); up != nullptr && up != root; up = up->parentWidget())
            inner = inner || isInput(up);
        if (!inner)
            inputs.append(w);
    }
    return inputs;
}

// Scrolls every scroll area around `control` so that it is shown, then says what still cuts
// it off: the first ancestor up to the window that does not hold the whole of its rectangle, or a
// width or height below what the control needs to show its value and its buttons. Empty when
// the control is whole on the screen.
QString whatHides(QWidget* control)
{
    for (QWidget* up = control->parentWidget(); up != nullptr; up = up->parentWidget())
        if (auto* area = qobject_cast<QScrollArea*>(up))
            area->ensureWidgetVisible(control, 0, 0);
    QApplication::processEvents();
    QString problems;
    const QSize needed = control->minimumSize().width() > 0
                             ? QSize(control->minimumWidth(), control->minimumSizeHint().height())
                             : control->minimumSizeHint();
    if (control->width() < needed.width() || control->height() < needed.height())
        problems += QStringLiteral(" squeezed to %1x%2 below %3x%4")
                        .arg(control->width())
                        .arg(control->height())
                        .arg(needed.width())
                        .arg(needed.height());
    for (QWidget* up = control->parentWidget(); up != nullptr; up = up->parentWidget()) {
        const QRect r(control->mapTo(up, QPoint(0, 0)), control->size());
        if (!up->rect().contains(r)) {
            problems += QStringLiteral(" cut by ") + describe(up) + QLatin1Char(' ') + describe(up->rect()) +
                        QStringLiteral(" at ") + describe(r);
            break;
        }
        if (up->isWindow())
            break;
    }
    return problems.isEmpty() ? QString() : describe(control) + problems;
}

std::string lines(const QStringList& list) { return list.join(QLatin1Char('\n')).toStdString(); }

QScrollArea* scrollAreaOf(QWidget* content)
{
    for (QWidget* up = content->parentWidget(); up != nullptr; up = up->parentWidget())
        if (auto* area = qobject_cast<QScrollArea*>(up))
            return area;
    return nullptr;
}

class MainFormLayoutTest : public ::testing::Test {
protected:
    void SetUp() override { form = std::make_unique<TFmMainForm>(&services); }

    // The window shown at `size`, as a screen of that size gives it.
    void showAt(QSize size)
    {
        form->setWindowState(Qt::WindowNoState);
        form->resize(size);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        QApplication::processEvents();
    }

    // Every control of the layer panel and of each page of "СВОЙСТВА", the page in front.
    QStringList hiddenRightPanelControls()
    {
        QStringList hidden;
        for (int i = 0; i < test::Control<QTabWidget>(form.get(), "PageControl2")->count(); ++i) {
            test::Control<QTabWidget>(form.get(), "PageControl2")->setCurrentIndex(i);
            QApplication::processEvents();
            auto* area = qobject_cast<QScrollArea*>(test::Control<QTabWidget>(form.get(), "PageControl2")->widget(i));
            if (area == nullptr || area->widget() == nullptr) {
                hidden << QStringLiteral("page %1 does not scroll").arg(i);
                continue;
            }
            const QList<QWidget*> inputs = inputsOf(area->widget());
            if (inputs.size() < 4)
                hidden << QStringLiteral("page %1 has only %2 controls").arg(i).arg(inputs.size());
            for (QWidget* control : inputs)
                if (const QString what = whatHides(control); !what.isEmpty())
                    hidden << test::Control<QTabWidget>(form.get(), "PageControl2")->tabText(i) + QStringLiteral(": ") +
                                  what;
        }
        if (scrollAreaOf(test::Control<LayerPanel>(form.get(), "ScrollBox3")) == nullptr)
            hidden << QStringLiteral("the layer panel does not scroll");
        const QList<QWidget*> layerInputs = inputsOf(test::Control<LayerPanel>(form.get(), "ScrollBox3"));
        if (layerInputs.size() < 7)
            hidden << QStringLiteral("the layer panel has only %1 controls").arg(layerInputs.size());
        for (QWidget* control : layerInputs)
            if (const QString what = whatHides(control); !what.isEmpty())
                hidden << QStringLiteral("слои: ") + what;
        return hidden;
    }

    // The tab titles of a tab widget that do not fit its bar (they would need the scroll arrows).
    static QStringList cutTabs(const QTabBar* bar)
    {
        QStringList cut;
        for (int i = 0; i < bar->count(); ++i)
            if (!bar->rect().contains(bar->tabRect(i)))
                cut << bar->tabText(i);
        return cut;
    }

    // Every button of every ribbon tab and of the quick-access bar, each tab in front in turn.
    QStringList hiddenRibbonCommands()
    {
        QStringList hidden;
        Ribbon* ribbon = test::Control<Ribbon>(form.get(), "Ribbon1");
        if (const QStringList cut = cutTabs(ribbon->findChild<QTabBar*>()); !cut.isEmpty())
            hidden << QStringLiteral("ribbon tabs: ") + cut.join(QStringLiteral(", "));
        for (QAction* action : ribbon->quickAccessActions())
            if (const QString what = whatHides(ribbon->quickAccessButtonFor(action)); !what.isEmpty())
                hidden << action->text() + QStringLiteral(": ") + what;
        int buttons = 0;
        for (int i = 0; i < ribbon->tabTitles().size(); ++i) {
            ribbon->setCurrentIndex(i);
            QApplication::processEvents();
            // The large buttons and the tool buttons of widgets placed in a group alike.
            for (QToolButton* button : ribbon->currentTab()->findChildren<QToolButton*>()) {
                if (!button->isVisibleTo(ribbon->currentTab()))
                    continue;
                ++buttons;
                if (const QString what = whatHides(button); !what.isEmpty())
                    hidden << ribbon->tabTitles().at(i) + QStringLiteral(": ") + what;
            }
        }
        if (buttons < 20)
            hidden << QStringLiteral("only %1 ribbon buttons").arg(buttons);
        return hidden;
    }

    test::FakeServices services;
    std::unique_ptr<TFmMainForm> form;
};

} // namespace

TEST_F(MainFormLayoutTest, OnASmallScreenEveryControlOfThePanelsAndEveryCommandCanBeReached)
{
    const QSize screen(1024, 700);
    EXPECT_LE(form->minimumSizeHint().width(), screen.width());
    EXPECT_LE(form->minimumSizeHint().height(), screen.height());
    showAt(screen);
    ASSERT_EQ(form->size(), screen);

    EXPECT_EQ(lines(hiddenRightPanelControls()), "");
    EXPECT_EQ(lines(cutTabs(test::Control<QTabWidget>(form.get(), "PageControl2")->tabBar())), "");
    EXPECT_EQ(lines(hiddenRibbonCommands()), "");

    // The working pages keep most of the width and a useful height, on every page.
    const QList<int> widths = test::Control<QSplitter>(form.get(), "Splitter1")->sizes();
    ASSERT_EQ(widths.size(), 2);
    EXPECT_GE(widths[0], screen.width() / 2);
    EXPECT_EQ(lines(cutTabs(test::Control<QTabWidget>(form.get(), "PageControl1")->tabBar())), "");
    for (int i = 0; i < test::Control<QTabWidget>(form.get(), "PageControl1")->count(); ++i) {
        test::Control<QTabWidget>(form.get(), "PageControl1")->setCurrentIndex(i);
        QApplication::processEvents();
        const QWidget* page = test::Control<QTabWidget>(form.get(), "PageControl1")->currentWidget();
        EXPECT_GE(page->width(), 450)
            << test::Control<QTabWidget>(form.get(), "PageControl1")->tabText(i).toStdString();
        EXPECT_GE(page->height(), 300)
            << test::Control<QTabWidget>(form.get(), "PageControl1")->tabText(i).toStdString();
    }
    EXPECT_GT(test::Control<QSplitter>(form.get(), "Splitter2")->sizes().value(0), 0);
}

TEST_F(MainFormLayoutTest, OnAFullHdScreenTheFieldsKeepAModestWidthAndThePagesKeepMostOfTheWidth)
{
    showAt(QSize(1920, 1080));

    EXPECT_EQ(lines(hiddenRightPanelControls()), "");
    EXPECT_EQ(lines(hiddenRibbonCommands()), "");

    // The right-hand panels take a share for their controls, not a fixed part of any screen.
    const QList<int> widths = test::Control<QSplitter>(form.get(), "Splitter1")->sizes();
    ASSERT_EQ(widths.size(), 2);
    EXPECT_GE(widths[0], 1920 * 3 / 5);
    EXPECT_GE(widths[1], 450);

    // A field is as wide as its values need, not as wide as the panel happens to be.
    QList<QWidget*> fields = inputsOf(test::Control<LayerPanel>(form.get(), "ScrollBox3"));
    for (int i = 0; i < test::Control<QTabWidget>(form.get(), "PageControl2")->count(); ++i) {
        test::Control<QTabWidget>(form.get(), "PageControl2")->setCurrentIndex(i);
        QApplication::processEvents();
        fields += inputsOf(
            qobject_cast<QScrollArea*>(test::Control<QTabWidget>(form.get(), "PageControl2")->widget(i))->widget());
    }
    int checked = 0;
    for (QWidget* field : fields) {
        if (qobject_cast<QAbstractButton*>(field) != nullptr || qobject_cast<QAbstractItemView*>(field) != nullptr)
            continue;
        ++checked;
        EXPECT_LE(field->width(), 30 * field->fontMetrics().averageCharWidth())
            << describe(field).toStdString() << " is " << field->width() << " wide";
    }
    EXPECT_GE(checked, 15);

    // Made smaller, the window gives the panels the share of a small screen again.
    form->resize(1024, 700);
    QApplication::processEvents();
    ASSERT_EQ(form->width(), 1024);
    EXPECT_GE(test::Control<QSplitter>(form.get(), "Splitter1")->sizes().value(0), 1024 / 2);
    EXPECT_EQ(lines(hiddenRightPanelControls()), "");
}
