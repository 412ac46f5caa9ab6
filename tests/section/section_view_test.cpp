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
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

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

    // While a drawing runs, the former bitmap keeps its own scale in the new size.
    view.imageControl()->setRedrawing(true);
    shown = view.imageControl()->grab().toImage();
    EXPECT_EQ(shown.pixel(25, 15), qRgb(255, 0, 0));
    EXPECT_EQ(shown.pixel(35, 25), qRgb(255, 255, 255));
    EXPECT_EQ(shown.pixel(100, 70), qRgb(255, 255, 255));
    view.imageControl()->setRedrawing(false);
    EXPECT_EQ(view.imageControl()->grab().toImage().pixel(35, 25), qRgb(255, 0, 0));

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

void Wheel(SectionView& view, QPoint at, int delta, Qt::KeyboardModifiers modifiers)
{
    QWheelEvent wheel(QPointF(at), QPointF(view.viewport()->mapToGlobal(at)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.viewport(), &wheel);
}

TEST(SectionView, CtrlWheelZoomsAroundTheMouseTheWheelRunsAlongAndTheDepthsStayInSight)
{
    SectionView view;
    view.resize(600, 400);
    view.setImageSize(4000, 300); // a long section that fits the height
    view.setDepthScale({55, 1.0, 50});
    view.show();
    QApplication::processEvents();
    EXPECT_EQ(view.visibleSection().topLeft(), QPointF(0, 0));
    EXPECT_FALSE(view.depthRuler()->isVisible()); // the drawing's own scale is in sight

    // The wheel runs along the line, back and forth.
    Wheel(view, {100, 100}, -240, Qt::NoModifier);
    const double along = view.visibleSection().left();
    EXPECT_GT(along, 0);
    EXPECT_EQ(view.visibleSection().top(), 0);
    Wheel(view, {100, 100}, 120, Qt::NoModifier);
    EXPECT_LT(view.visibleSection().left(), along);
    EXPECT_GT(view.visibleSection().left(), 0);

    // Ctrl+wheel: twice as large, the section's point under the mouse stays under it.
    const QPoint mouse(300, 150);
    const QPointF under = view.visibleSection().topLeft() + QPointF(mouse);
    Wheel(view, mouse, 120 * 3, Qt::ControlModifier); // 1.25^3 = 1.953125
    EXPECT_DOUBLE_EQ(view.zoom(), 1.953125);
    EXPECT_EQ(view.imageControl()->size(), QSize(7813, 586));
    const QRectF seen = view.visibleSection();
    EXPECT_NEAR(seen.left() + mouse.x() / view.zoom(), under.x(), 1.0);
    EXPECT_NEAR(seen.top() + mouse.y() / view.zoom(), under.y(), 1.0);
    EXPECT_NEAR(seen.width(), view.viewport()->width() / view.zoom(), 1e-9);
    // The mouse speaks in the section's coordinates whatever the zoom.
    QPoint pressed;
    QObject::connect(view.imageControl(), &SectionImage::mousePressed, [&](QPoint p, Qt::MouseButton) { pressed = p; });
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(391, 196), QPointF(), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(view.imageControl(), &press);
    EXPECT_EQ(pressed, QPoint(200, 100));

    // Scrolled away from the drawing's own scale, the ruler shows the depths where the section
    // has them: the surface (0 cm) at 55 px and every 50 cm below, zoomed and scrolled.
    view.verticalScrollBar()->setValue(0);
    ASSERT_TRUE(view.depthRuler()->isVisible());
    EXPECT_EQ(view.depthRuler()->geometry().left(), 0);
    const int top = view.imageControl()->mapTo(view.viewport(), QPoint(0, 0)).y();
    const std::vector<DepthRuler::Label> labels = view.depthRuler()->labels();
    ASSERT_GE(labels.size(), 3U);
    EXPECT_EQ(labels[0].text, QStringLiteral("0см"));
    EXPECT_EQ(labels[0].y, std::lround(top + 55 * view.zoom()));
    EXPECT_EQ(labels[2].text, QStringLiteral("100см"));
    EXPECT_EQ(labels[2].y, std::lround(top + 155 * view.zoom()));
    // Scrolled down, the labels move up with the section.
    view.verticalScrollBar()->setValue(100);
    EXPECT_EQ(view.depthRuler()->labels()[0].y, labels[0].y - 100);

    // Zoom is held within its limits; back at the left edge the ruler gives way.
    for (int i = 0; i < 40; ++i)
        Wheel(view, mouse, -120, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(view.zoom(), SectionView::kMinZoom);
    view.horizontalScrollBar()->setValue(0);
    EXPECT_FALSE(view.depthRuler()->isVisible());
    // Only depths the section reaches, however tall the view: 300 px with the surface at 55
    // are 0..200 cm.
    view.setZoom(1.0);
    view.resize(600, 800);
    QApplication::processEvents();
    view.horizontalScrollBar()->setValue(500);
    ASSERT_TRUE(view.depthRuler()->isVisible());
    EXPECT_EQ(view.depthRuler()->labels().back().text, QStringLiteral("200см"));
    // Nothing drawn, no ruler.
    view.setDepthScale({});
    EXPECT_FALSE(view.depthRuler()->isVisible());
}

} // namespace
} // namespace trassel
