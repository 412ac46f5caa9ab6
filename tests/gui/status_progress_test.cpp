#include "widgets/status_progress.h"

#include "base/error.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QThread>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <utility>

namespace trassel {
namespace {

class StatusProgressTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        button = new QPushButton(QStringLiteral("Команда"));
        window.setCentralWidget(button);
        window.statusBar()->showMessage(QStringLiteral("прежнее сообщение"));
        QObject::connect(button, &QPushButton::clicked, [this] { ++clicks; });
        window.resize(400, 300);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    // Input that arrives while the command runs: it waits in the queue for the next repaint.
    void postClick()
    {
        const QPointF at(button->rect().center());
        QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonPress, at, button->mapToGlobal(at),
                                                            Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonRelease, at, button->mapToGlobal(at),
                                                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
    }
    void postKey(int key)
    {
        QCoreApplication::postEvent(button, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
        QCoreApplication::postEvent(button, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier));
    }

    QMainWindow window;
    QPushButton* button = nullptr;
    int clicks = 0;
};

TEST_F(StatusProgressTest, EscStopsTheCommandWhileOtherInputAndClosingWaitForItsEnd)
{
    {
        StatusProgress progress(button, QStringLiteral("Импорт таблицы"));
        const Progress report = progress.report();
        postClick();
        postKey(Qt::Key_Space); // clicks the focused button, but only once the command is over
        button->setFocus();
        report(0, 1000); // the first report lets the window repaint at once
        EXPECT_EQ(clicks, 0);
        EXPECT_FALSE(progress.cancelled());
        EXPECT_FALSE(window.close()); // the window stays until the command is over
        EXPECT_TRUE(window.isVisible());

        postKey(Qt::Key_Escape);
        QThread::msleep(60); // past the pause between two repaints
        EXPECT_THROW(report(10, 1000), Cancelled);
        EXPECT_TRUE(progress.cancelled());
        EXPECT_THROW(report(20, 1000), Cancelled); // and it stays stopped
    }
    // Over: the key typed meanwhile takes effect (the click meanwhile does not), and input
    // and closing work again.
    QApplication::processEvents();
    EXPECT_EQ(clicks, 1);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(clicks, 2);
    EXPECT_TRUE(window.close());
}

TEST_F(StatusProgressTest, KeysTypedMeanwhileReachTheirFieldAfterwardsAndTypingIntoAParameterStopsARedraw)
{
    auto* panel = new QWidget;
    auto* spin = new QSpinBox(panel);
    spin->setRange(0, 100000);
    auto* edit = new QLineEdit;
    auto* layout = new QVBoxLayout(button);
    layout->addWidget(panel);
    layout->addWidget(edit);
    QApplication::processEvents();

    // Typed ahead into a field while a command runs: nothing reaches the field meanwhile, and
    // all of it, in order, once the command is over.
    edit->setFocus();
    {
        StatusProgress progress(button, QStringLiteral("Импорт таблицы"));
        progress.setTypingStops({panel});
        for (const auto& [key, text] :
             {std::pair{Qt::Key_A, QStringLiteral("a")}, std::pair{Qt::Key_B, QStringLiteral("b")}}) {
            QCoreApplication::postEvent(edit, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
            QCoreApplication::postEvent(edit, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, text));
        }
        progress.tell(0, 10);
        EXPECT_FALSE(progress.cancelled()); // the field is no parameter
        EXPECT_TRUE(edit->text().isEmpty());
    }
    QApplication::processEvents();
    EXPECT_EQ(edit->text(), QStringLiteral("ab"));

    // A digit typed into a parameter's spin box stops the redraw it would make stale, and the
    // digit then goes into the spin box.
    spin->setFocus();
    spin->selectAll();
    {
        StatusProgress progress(button, QStringLiteral("Построение разреза"));
        progress.setTypingStops({panel});
        QCoreApplication::postEvent(spin,
                                    new QKeyEvent(QEvent::KeyPress, Qt::Key_7, Qt::NoModifier, QStringLiteral("7")));
        EXPECT_THROW(progress.tell(0, 10), Cancelled);
    }
    QApplication::processEvents();
    EXPECT_EQ(spin->value(), 7);
}

TEST_F(StatusProgressTest, AMessageTheCommandShowsIsAnsweredAsUsual)
{
    StatusProgress progress(button, QStringLiteral("Открытие проекта"));
    QDialog message(&window);
    auto* ok = new QPushButton(QStringLiteral("OK"), &message);
    int answered = 0;
    QObject::connect(ok, &QPushButton::clicked, [&] { ++answered; });
    message.setModal(true);
    message.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&message));
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(answered, 1);
    // Esc closes the message, and does not stop the command.
    QTest::keyClick(&message, Qt::Key_Escape);
    EXPECT_FALSE(message.isVisible());
    EXPECT_FALSE(progress.cancelled());
    // The window under it still waits.
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(clicks, 0);
}

TEST_F(StatusProgressTest, TheBarShowsInTheStatusBarOnceTheCommandTakesAWhileAndGoesWithIt)
{
    {
        StatusProgress progress(button, QStringLiteral("Открытие проекта"));
        progress.tell(0, 200);
        // A quick command shows nothing but the cursor.
        EXPECT_EQ(window.statusBar()->findChild<QProgressBar*>(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QThread::msleep(300);
        progress.tell(100, 200);
        auto* bar = window.statusBar()->findChild<QProgressBar*>(QStringLiteral("pbProgress"));
        auto* label = window.statusBar()->findChild<QLabel*>(QStringLiteral("lblProgress"));
        ASSERT_NE(bar, nullptr);
        ASSERT_NE(label, nullptr);
        EXPECT_TRUE(bar->isVisible());
        EXPECT_EQ(bar->value(), 500);
        EXPECT_EQ(label->text(), QStringLiteral("Открытие проекта  (Esc — отмена)"));
        EXPECT_TRUE(window.statusBar()->currentMessage().isEmpty()); // a message would hide the bar

        // A command run by this one shows through the same bar, under its own name, and past
        // the point of no return Esc no longer stops either.
        progress.setCancellable(false);
        {
            StatusProgress inner(button, QStringLiteral("Построение разреза"));
            EXPECT_EQ(label->text(), QStringLiteral("Построение разреза"));
            postKey(Qt::Key_Escape);
            QThread::msleep(60);
            EXPECT_NO_THROW(inner.report()(3, 4));
            EXPECT_FALSE(inner.cancelled());
            EXPECT_EQ(bar->value(), 750);
            EXPECT_EQ(window.statusBar()->findChildren<QProgressBar*>().size(), 1);
        }
        EXPECT_EQ(label->text(), QStringLiteral("Открытие проекта"));
    }
    EXPECT_EQ(window.statusBar()->findChild<QProgressBar*>(), nullptr);
    EXPECT_EQ(window.statusBar()->findChild<QLabel*>(QStringLiteral("lblProgress")), nullptr);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

} // namespace
} // namespace trassel
