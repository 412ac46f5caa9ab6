// The radargram panel: the picture at its own size in a scroll box, loads that keep the former
// picture when they fail, and the clicks that line the section image up with the radargram.
#include "radargram/qt/radargram_panel.h"

#include "support/controls.h"
#include "section/qt/section_view.h"
#include "support/error_text.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include <gtest/gtest.h>

#include <string>

namespace trassel {
namespace {

QImage gradient(int width, int height)
{
    QImage image(width, height, QImage::Format_Grayscale8);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.scanLine(y)[x] = static_cast<uchar>((x * 7 + y * 3) % 256);
    return image;
}

QPoint imageTopLeftIn(const QWidget* widget, const QAbstractScrollArea* box)
{
    return widget->mapTo(box->viewport(), QPoint(0, 0));
}

class RadargramPanelTest : public ::testing::Test {
protected:
    RadargramPanelTest()
    {
        panel_.resize(600, 400);
        panel_.show();
    }
    QString save(const QImage& image, const char* name)
    {
        const QString file = dir_.filePath(QString::fromUtf8(name));
        EXPECT_TRUE(image.save(file, "png"));
        return file;
    }
    RadargramImage* image() { return test::Control<RadargramImage>(&panel_, "imgRadarogramma"); }
    RadargramBox* box() { return test::Control<RadargramBox>(&panel_, "scrbxRadarogramma"); }

    QTemporaryDir dir_;
    RadargramPanel panel_;
};

TEST_F(RadargramPanelTest, StartsEmptyWithItsControls)
{
    EXPECT_EQ(panel_.objectName(), QStringLiteral("pnlRadarogramma"));
    EXPECT_NE(panel_.findChild<QLabel*>(), nullptr);
    EXPECT_EQ(panel_.findChild<QLabel*>()->text(), QStringLiteral("Радарограмма"));
    EXPECT_TRUE(panel_.picture().isNull());
    EXPECT_EQ(imageTopLeftIn(image(), box()), QPoint(3, 3));
    EXPECT_EQ(panel_.imageLeft(), 3);
    EXPECT_TRUE(box()->horizontalScrollBar()->hasTracking());
    EXPECT_TRUE(box()->verticalScrollBar()->hasTracking());

    // The narrow button sits at the right edge and does nothing.
    auto* button = test::Control<QToolButton>(&panel_, "SpeedButton1");
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->isVisible());
    EXPECT_LE(button->width(), 20);
    EXPECT_GE(button->mapTo(&panel_, QPoint(button->width(), 0)).x(), panel_.width() - 6);
    QSignalSpy aligned(&panel_, &RadargramPanel::alignRequested);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(aligned.count(), 0);
    EXPECT_TRUE(panel_.picture().isNull());
}

TEST_F(RadargramPanelTest, ShowsTheLoadedPictureAtItsOwnSize)
{
    const QImage picture = gradient(2000, 300);
    panel_.loadFile(save(picture, "profile.PNG"));
    EXPECT_EQ(panel_.picture().format(), QImage::Format_Grayscale8);
    EXPECT_EQ(image()->size(), QSize(2000, 300));
    EXPECT_EQ(image()->geometry().topLeft(), QPoint(3, 3));
    QApplication::processEvents();

    // Wider than the box, not higher: only the horizontal bar is needed, and it reaches the
    // picture's right edge.
    QScrollBar* bar = box()->horizontalScrollBar();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->maximum(), 3 + 2000 - box()->viewport()->width());
    EXPECT_FALSE(box()->verticalScrollBar()->isVisible());

    // Any part of the picture is painted with its own pixels, far out included.
    for (const QRect part : {QRect(0, 0, 64, 32), QRect(1500, 100, 300, 200), QRect(1990, 290, 10, 10)}) {
        const QImage shown = image()->grab(part).toImage().convertToFormat(QImage::Format_Grayscale8);
        EXPECT_EQ(shown, picture.copy(part)) << part.x() << "," << part.y();
    }

    // The vertical bar, when a higher picture needs it, is the narrow one.
    panel_.setPicture(gradient(2000, 900));
    QApplication::processEvents();
    EXPECT_TRUE(box()->verticalScrollBar()->isVisible());
    EXPECT_EQ(box()->verticalScrollBar()->width(), 10);
    EXPECT_EQ(image()->size(), QSize(2000, 900));
}

TEST_F(RadargramPanelTest, RefusedFilesKeepTheFormerPicture)
{
    const QImage former = gradient(500, 80);
    panel_.loadFile(save(former, "former.png"));
    ASSERT_EQ(panel_.picture(), former);

    const QString gif = save(gradient(30, 30), "other.gif");
    const QString text = save(gradient(30, 30), "notes.txt");
    const QString cut = dir_.filePath(QStringLiteral("cut.png"));
    {
        QFile whole(save(gradient(900, 300), "whole.png"));
        ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
        QFile part(cut);
        ASSERT_TRUE(part.open(QIODevice::WriteOnly));
        part.write(whole.read(whole.size() / 2));
    }
    for (const QString& file : {gif, text, cut, dir_.filePath(QStringLiteral("missing.png"))}) {
        EXPECT_NE(errorText([&] { panel_.loadFile(file); }), "(no error)") << file.toStdString();
        EXPECT_EQ(panel_.picture(), former) << file.toStdString();
        EXPECT_EQ(image()->size(), QSize(500, 80));
        // The busy cursor goes with the load, refused or not.
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(RadargramPanelTest, ClicksAlignTheSectionImageWithTheRadargram)
{
    SectionView section;
    section.resize(700, 400);
    section.setImageSize(8185, 355);
    section.show();
    QObject::connect(&panel_, &RadargramPanel::alignRequested, &section, &SectionView::setImageLeft);
    QSignalSpy aligned(&panel_, &RadargramPanel::alignRequested);
    panel_.setPicture(gradient(8185, 200));
    QApplication::processEvents();
    QWidget* content = image()->parentWidget();

    // Before any scrolling the picture stands at 3, and so does the section after a click.
    QTest::mouseClick(image(), Qt::LeftButton, {}, QPoint(400, 50));
    ASSERT_EQ(aligned.count(), 1);
    EXPECT_EQ(aligned.takeFirst().at(0).toInt(), 3);
    EXPECT_EQ(imageTopLeftIn(section.imageControl(), &section).x(), 3);

    // Scrolled 100 px to the right, a click on the picture, on the margin around it or on the
    // free area below it sets -97.
    box()->horizontalScrollBar()->setValue(100);
    EXPECT_EQ(panel_.imageLeft(), -97);
    QTest::mouseClick(image(), Qt::LeftButton, {}, QPoint(150, 20));
    QTest::mouseClick(content, Qt::LeftButton, {}, QPoint(101, 1));
    QTest::mouseClick(box()->viewport(), Qt::LeftButton, {}, QPoint(30, box()->viewport()->height() - 5));
    ASSERT_EQ(aligned.count(), 3);
    for (const QList<QVariant>& args : aligned)
        EXPECT_EQ(args.at(0).toInt(), -97);
    EXPECT_EQ(imageTopLeftIn(section.imageControl(), &section), QPoint(-97, 0));
    EXPECT_EQ(section.imageLeft(), -97);

    // Other buttons, and a press on the picture let go outside it, are no clicks.
    aligned.clear();
    QTest::mouseClick(image(), Qt::RightButton, {}, QPoint(150, 20));
    QTest::mouseClick(box()->viewport(), Qt::RightButton, {}, QPoint(30, 190));
    QTest::mousePress(image(), Qt::LeftButton, {}, QPoint(150, 20));
    QTest::mouseRelease(image(), Qt::LeftButton, {}, QPoint(150, 260));
    EXPECT_EQ(aligned.count(), 0);
}

TEST_F(RadargramPanelTest, DroppedLocalFilesAreOffered)
{
    const QString file = dir_.filePath(QStringLiteral("dropped.png"));
    QSignalSpy dropped(&panel_, &RadargramPanel::fileDropped);

    QMimeData web;
    web.setUrls({QUrl(QStringLiteral("https://example.org/r.png"))});
    QDragEnterEvent refused(QPoint(50, 50), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&panel_, &refused);
    EXPECT_FALSE(refused.isAccepted());

    QMimeData local;
    local.setUrls({QUrl(QStringLiteral("https://example.org/r.png")), QUrl::fromLocalFile(file)});
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &local, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&panel_, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &local, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&panel_, &drop);
    EXPECT_TRUE(drop.isAccepted());
    // Offered once the drop is over, not inside it.
    EXPECT_EQ(dropped.count(), 0);
    QApplication::processEvents();
    ASSERT_EQ(dropped.count(), 1);
    EXPECT_EQ(dropped.at(0).at(0).toString(), file);
}

TEST(SectionViewAlignment, PlacesTheSectionImageAtAnyLeft)
{
    SectionView view;
    view.resize(600, 400);
    view.setImageSize(3000, 355);
    view.show();
    QApplication::processEvents();
    QWidget* image = view.imageControl();
    EXPECT_EQ(view.imageLeft(), 0);

    // A positive left is a margin before the image, and the scroll range grows by it.
    view.setImageLeft(3);
    QApplication::processEvents();
    EXPECT_EQ(imageTopLeftIn(image, &view), QPoint(3, 0));
    EXPECT_EQ(view.imageLeft(), 3);
    EXPECT_EQ(view.horizontalScrollBar()->value(), 0);
    EXPECT_EQ(view.horizontalScrollBar()->maximum(), 3 + 3000 - view.viewport()->width());
    EXPECT_EQ(image->size(), QSize(3000, 355));

    // A negative one scrolls the image, which can then be scrolled back to its start.
    view.setImageLeft(-97);
    EXPECT_EQ(imageTopLeftIn(image, &view), QPoint(-97, 0));
    EXPECT_EQ(view.horizontalScrollBar()->value(), 97);
    view.horizontalScrollBar()->setValue(0);
    EXPECT_EQ(view.imageLeft(), 0);

    view.setImageLeft(250);
    EXPECT_EQ(view.imageLeft(), 250);
    // Redrawn at another size, the image keeps its margin.
    view.setImageSize(2000, 355);
    EXPECT_EQ(view.imageLeft(), 250);
    EXPECT_EQ(image->size(), QSize(2000, 355));

    // Beyond the image's end the image goes no further than its right edge allows.
    view.setImageLeft(-10'000);
    EXPECT_EQ(view.imageLeft(), -(2000 - view.viewport()->width()));
}

TEST(SectionViewAlignment, TakesTheLeftWhileThePageIsHidden)
{
    // The section lies on a working page that is often not the one shown when the radargram
    // is clicked.
    SectionView view;
    view.resize(600, 400);
    view.setImageSize(8185, 355);
    view.setImageLeft(-500);
    EXPECT_EQ(view.imageLeft(), -500);
    view.show();
    QApplication::processEvents();
    EXPECT_EQ(view.imageLeft(), -500);
    EXPECT_EQ(imageTopLeftIn(view.imageControl(), &view), QPoint(-500, 0));
}

} // namespace
} // namespace trassel
