#include "dialogs/qt/about.h"

#include <QFontInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>

#include <gtest/gtest.h>

using trassel::TFmAbout;

namespace {

QLabel* label(const TFmAbout& box, const char* name) { return box.findChild<QLabel*>(QString::fromLatin1(name)); }

TEST(AboutBox, ShowsItsTextsInTheirFontsAndPlaces)
{
    TFmAbout box(QStringLiteral("Aug  5 2015"));
    EXPECT_EQ(box.windowTitle(), QStringLiteral("О программе"));
    EXPECT_EQ(box.size(), QSize(357, 164));
    EXPECT_FALSE(box.isVisible());
    EXPECT_FALSE(box.isModal());

    struct Expected {
        const char* name;
        QString text;
        int points;
        QPoint at;
    };
    const Expected expected[] = {
        {"Label1", QStringLiteral("Trassel"), 20, {64, 8}},
        {"Label3", QStringLiteral("Версия:"), 12, {288, 8}},
        {"Label4", QStringLiteral("v.1"), 20, {299, 27}},
        {"Label8", QStringLiteral("Дата компиляции:"), 12, {64, 66}},
        // The date exactly as the main window gives it, double blank before the day included.
        {"lblCompileData", QStringLiteral("Aug  5 2015"), 12, {247, 66}},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.name);
        const QLabel* l = label(box, e.name);
        ASSERT_NE(l, nullptr);
        EXPECT_EQ(l->text(), e.text);
        EXPECT_EQ(l->textFormat(), Qt::PlainText);
        EXPECT_EQ(l->font().pointSize(), e.points);
        EXPECT_EQ(l->font().families().value(0), QStringLiteral("Tahoma"));
        EXPECT_EQ(l->pos(), e.at);
        // Whatever face stands in for Tahoma, the text fits its label and the window.
        EXPECT_GE(l->width(), l->fontMetrics().horizontalAdvance(e.text));
        EXPECT_LE(l->geometry().right(), 357);
    }
    const QLabel* image = label(box, "Image1");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->geometry(), QRect(8, 8, 57, 65));
    EXPECT_TRUE(image->pixmap().isNull());

    // The fallback chain reaches a face that is really installed and has Cyrillic letters.
    const QFontInfo used(label(box, "Label8")->font());
    EXPECT_TRUE(used.family() == QStringLiteral("Tahoma") || used.family() == QStringLiteral("Liberation Sans") ||
                used.family() == QStringLiteral("DejaVu Sans"))
        << used.family().toStdString();
    EXPECT_TRUE(QFontMetrics(label(box, "Label8")->font()).inFont(QChar(0x0434)));
}

TEST(AboutBox, ClosingHidesTheSameWindowForTheNextShowing)
{
    QWidget main;
    main.setGeometry(100, 80, 600, 400);
    main.show();
    QPointer<TFmAbout> box = new TFmAbout(QStringLiteral("Dec 12 2024"), &main);
    box->showCentredOn(&main);
    ASSERT_TRUE(box->isVisible());
    EXPECT_FALSE(box->isModal());
    EXPECT_LE((box->frameGeometry().center() - main.frameGeometry().center()).manhattanLength(), 2)
        << box->frameGeometry().x() << "," << box->frameGeometry().y() << " " << box->frameGeometry().width() << "x"
        << box->frameGeometry().height() << " main " << main.frameGeometry().x() << "," << main.frameGeometry().y()
        << " " << main.frameGeometry().width() << "x" << main.frameGeometry().height();

    box->close();
    ASSERT_FALSE(box.isNull());
    EXPECT_FALSE(box->isVisible());
    box->showCentredOn(&main);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(label(*box, "lblCompileData")->text(), QStringLiteral("Dec 12 2024"));
}

TEST(AboutBox, StaysOnTheScreenOfAMainWindowThatHangsOffIt)
{
    QWidget main;
    const QRect area = main.screen()->availableGeometry();
    main.setGeometry(area.right() - 100, area.bottom() - 50, 600, 400);
    TFmAbout box(QString(), &main);
    box.showCentredOn(&main);
    EXPECT_TRUE(area.contains(box.frameGeometry())) << box.frameGeometry().x() << "," << box.frameGeometry().y()
                                                    << " area " << area.width() << "x" << area.height();
}

} // namespace
