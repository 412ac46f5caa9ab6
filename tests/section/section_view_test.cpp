// The section page: the image control shows the bitmap at the size the commands give it and
// reports the mouse in its own coordinates.
#include "section/qt/section_view.h"

#include "drawing/drawing_record.h"
#include "platform/qt_canvas.h"
#include "support/qt_app.h"
#include "section/section_renderer.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>

#include <gtest/gtest.h>

namespace trassel {
namespace {

[[maybe_unused]] auto* const kApp = ::testing::AddGlobalTestEnvironment(new testing::QtAppEnvironment<QApplication>);

TEST(SectionView, ShowsTheBitmapAtTheImageControlSize)
{
    DrawingRecord record(60, 40);
    QtCanvasServices services;
    RecordingCanvas canvas(record, services);
    canvas.setBrushColor(0x0000FF);
    canvas.fillRect(10, 10, 30, 20);

    SectionView view;
    EXPECT_EQ(view.objectName(), QStringLiteral("scrbxTrassel"));
    EXPECT_EQ(view.imageControl()->objectName(), QStringLiteral("imgSection"));
    EXPECT_TRUE(view.horizontalScrollBar()->hasTracking());
    EXPECT_EQ(view.imageControl()->size(), QSize(kSectionStartWidth, kSectionStartHeight));

    view.setRecord(&record);
    view.setImageSize(60, 40);
    QImage shown = view.imageControl()->grab().toImage();
    ASSERT_EQ(shown.size(), QSize(60, 40));
    EXPECT_EQ(shown.pixel(10, 10), qRgb(255, 0, 0));
    EXPECT_EQ(shown.pixel(29, 19), qRgb(255, 0, 0));
    EXPECT_EQ(shown.pixel(30, 19), qRgb(255, 255, 255));

    // A control of another size shows the bitmap stretched to it.
    view.setImageSize(120, 80);
    shown = view.imageControl()->grab().toImage();
    ASSERT_EQ(shown.size(), QSize(120, 80));
    EXPECT_EQ(shown.pixel(58, 38), qRgb(255, 0, 0));
    EXPECT_EQ(shown.pixel(62, 42), qRgb(255, 255, 255));
    EXPECT_EQ(shown.pixel(21, 21), qRgb(255, 0, 0));

    // Drawing shows after a refresh.
    canvas.setBrushColor(0x00FF00);
    canvas.fillRect(0, 0, 5, 5);
    view.setImageSize(60, 40);
    view.refresh();
    EXPECT_EQ(view.imageControl()->grab().toImage().pixel(1, 1), qRgb(0, 255, 0));

    // Without a bitmap the control is white.
    view.setRecord(nullptr);
    EXPECT_EQ(view.imageControl()->grab().toImage().pixel(10, 10), qRgb(255, 255, 255));
}

TEST(SectionView, ReportsPressesAndMovesInControlCoordinates)
{
    SectionView view;
    SectionImage* image = view.imageControl();
    EXPECT_TRUE(image->hasMouseTracking());

    QPoint pressed(-1, -1);
    Qt::MouseButton button = Qt::NoButton;
    QPoint moved(-1, -1);
    Qt::MouseButtons held;
    QObject::connect(image, &SectionImage::mousePressed, [&](QPoint p, Qt::MouseButton b) {
        pressed = p;
        button = b;
    });
    QObject::connect(image, &SectionImage::mouseMoved, [&](QPoint p, Qt::MouseButtons b) {
        moved = p;
        held = b;
    });

    QMouseEvent press(QEvent::MouseButtonPress, QPointF(100, 40), image->mapToGlobal(QPointF(100, 40)), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(image, &press);
    EXPECT_EQ(pressed, QPoint(100, 40));
    EXPECT_EQ(button, Qt::RightButton);

    QMouseEvent move(QEvent::MouseMove, QPointF(50, 60), image->mapToGlobal(QPointF(50, 60)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(image, &move);
    EXPECT_EQ(moved, QPoint(50, 60));
    EXPECT_EQ(held, Qt::MouseButtons(Qt::LeftButton));
}

} // namespace
} // namespace trassel
