#include "dialogs/qt/about.h"

#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

namespace trassel {

QFont windowFont(int pointSize)
{
    QFont font(QStringLiteral("Tahoma"), pointSize);
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    return font;
}

namespace {

QLabel* placeLabel(QWidget* parent, const char* name, const QString& text, int pointSize, int x, int y)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    // Plain text, so that the date keeps its double blank and nothing is read as markup.
    label->setTextFormat(Qt::PlainText);
    label->setFont(windowFont(pointSize));
    label->setText(text);
    label->adjustSize();
    label->move(x, y);
    return label;
}

} // namespace

TFmAbout::TFmAbout(const QString& compileDate, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FmAbout"));
    setWindowTitle(QStringLiteral("О программе"));
    setModal(false);
    setFont(windowFont(8));
    setFixedSize(357, 164);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(8, 8, 57, 65);
    Image1->setAlignment(Qt::AlignCenter);

    Label1 = placeLabel(this, "Label1", QStringLiteral("Trassel"), 20, 64, 8);
    Label3 = placeLabel(this, "Label3", QStringLiteral("Версия:"), 12, 288, 8);
    Label4 = placeLabel(this, "Label4", QStringLiteral("v.1"), 20, 299, 27);
    Label8 = placeLabel(this, "Label8", QStringLiteral("Дата компиляции:"), 12, 64, 66);
    lblCompileData = placeLabel(this, "lblCompileData", compileDate, 12, 247, 66);
}

void TFmAbout::showCentredOn(const QWidget* window)
{
    centreOn(window);
    show();
    // The frame around the client area is known only once the window is shown.
    centreOn(window);
    raise();
    activateWindow();
}

void TFmAbout::centreOn(const QWidget* window)
{
    if (!window)
        return;
    QRect box(QPoint(0, 0), frameGeometry().size());
    box.moveCenter(window->frameGeometry().center());
    // Keep the window on the main window's monitor even when the main window hangs off it.
    if (const QScreen* screen = window->screen()) {
        const QRect area = screen->availableGeometry();
        box.moveLeft(qBound(area.left(), box.left(), qMax(area.left(), area.right() - box.width() + 1)));
        box.moveTop(qBound(area.top(), box.top(), qMax(area.top(), area.bottom() - box.height() + 1)));
    }
    // move() places the frame's top-left corner.
    move(box.topLeft());
}

} // namespace trassel
