#include "widgets/status_progress.h"

#include "base/error.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

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
        postKey(Qt::Key_Space);  // would click the focused button
        button->setFocus();
        report(0, 1000);  // the first report lets the window repaint at once
        EXPECT_EQ(clicks, 0);
        EXPECT_FALSE(progress.cancelled());
        EXPECT_FALSE(window.close());  // the window stays until the command is over
        EXPECT_TRUE(window.isVisible());

        postKey(Qt::Key_Escape);
        QThread::msleep(60);  // past the pause between two repaints
        EXPECT_THROW(report(10, 1000), Cancelled);
        EXPECT_TRUE(progress.cancelled());
        EXPECT_THROW(report(20, 1000), Cancelled);  // and it stays stopped
    }
    // Over: input and closing work again.
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(window.close());
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
        EXPECT_TRUE(window.statusBar()->currentMessage().isEmpty());  // a message would hide the bar

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
