#include "widgets/style_controls.h"

#include "drawing/hatches.h"
#include "platform/qt_convert.h"

#include <QColorDialog>
#include <QPainter>
#include <QPixmap>

#include <vector>

namespace trassel {
namespace {

QIcon swatch(std::uint32_t color)
{
    QPixmap pixmap(16, 12);
    pixmap.fill(ToQColor(color));
    QPainter painter(&pixmap);
    painter.setPen(Qt::darkGray);
    painter.drawRect(0, 0, 15, 11);
    return QIcon(pixmap);
}

struct NamedColor {
    std::uint32_t color;
    const char16_t* name;
};

// The sixteen standard colours of the palette, in its usual order.
constexpr NamedColor kStandard[] = {
    {0x000000, u"Чёрный"},      {0x000080, u"Бордовый"},  {0x008000, u"Зелёный"},      {0x008080, u"Оливковый"},
    {0x800000, u"Тёмно-синий"}, {0x800080, u"Пурпурный"}, {0x808000, u"Сине-зелёный"}, {0x808080, u"Серый"},
    {0xC0C0C0, u"Серебристый"}, {0x0000FF, u"Красный"},   {0x00FF00, u"Салатовый"},    {0x00FFFF, u"Жёлтый"},
    {0xFF0000, u"Синий"},       {0xFF00FF, u"Фуксия"},    {0xFFFF00, u"Голубой"},      {0xFFFFFF, u"Белый"},
};

} // namespace

QSpinBox* makeSpinEdit(QWidget* parent, const char* name, int value, int step, int min, int max)
{
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(QLatin1String(name));
    spin->setRange(min, max);
    spin->setSingleStep(step);
    spin->setValue(value);
    return spin;
}

ColorBox::ColorBox(std::uint32_t color, QWidget* parent) : QComboBox(parent)
{
    for (const NamedColor& c : kStandard)
        addColor(c.color, QString::fromUtf16(c.name));
    insertSeparator(count());
    otherIndex_ = count();
    addItem(QStringLiteral("Другой…"));
    setColor(color);
    connect(this, &QComboBox::activated, this, &ColorBox::chosen);
}

int ColorBox::addColor(std::uint32_t color, const QString& name)
{
    const int at = otherIndex_ < 0 ? count() : otherIndex_ - 1;
    insertItem(at, swatch(color), name, QVariant::fromValue(color));
    if (otherIndex_ >= 0)
        ++otherIndex_;
    return at;
}

int ColorBox::indexOf(std::uint32_t color) const
{
    for (int i = 0; i < count(); ++i)
        if (i != otherIndex_ && itemData(i).isValid() && itemData(i).value<std::uint32_t>() == color)
            return i;
    return -1;
}

void ColorBox::setColor(std::uint32_t color)
{
    int index = indexOf(color);
    if (index < 0)
        index = addColor(color, ToQColor(color).name());
    const bool changed = color != color_;
    color_ = color;
    setCurrentIndex(index);
    if (changed)
        Q_EMIT colorChanged(color_);
}

void ColorBox::chosen(int index)
{
    if (index == otherIndex_) {
        const QColor picked = QColorDialog::getColor(ToQColor(color_), this);
        if (!picked.isValid()) {
            setCurrentIndex(indexOf(color_));
            return;
        }
        setColor(FromQColor(picked));
        return;
    }
    const QVariant value = itemData(index);
    if (value.isValid())
        setColor(value.value<std::uint32_t>());
}

BrushStyleBox::BrushStyleBox(QWidget* parent) : QComboBox(parent)
{
    const char16_t* captions[] = {u"сплошная",       u"нет заливки",    u"горизонтальная", u"вертикальная",
                                  u"диаганальная 1", u"диаганальная 2", u"крестовая",      u"диаганальная крестовая"};
    setIconSize(QSize(24, 16));
    for (int i = 0; i < 8; ++i) {
        QPixmap pixmap(24, 16);
        pixmap.fill(Qt::white);
        QPainter painter(&pixmap);
        painter.setPen(Qt::darkGray);
        painter.setBrush(QBrush(Qt::black, ToQtBrushStyle(BrushStyleFromOrdinal(i))));
        painter.drawRect(0, 0, 23, 15);
        painter.end();
        addItem(QIcon(pixmap), QString::fromUtf16(captions[i]));
    }
    // The soil hatches after them, drawn from the same strokes the section draws.
    std::vector<HatchStroke> lines;
    std::vector<Point> dots;
    for (int ordinal = kFirstHatchOrdinal; ordinal < FillOrdinalCount(); ++ordinal) {
        QPixmap pixmap(24, 16);
        pixmap.fill(Qt::white);
        QPainter painter(&pixmap);
        HatchPieces(HatchOfOrdinal(ordinal), {0, 0, 24, 16}, lines, dots);
        painter.setPen(Qt::black);
        for (const HatchStroke& s : lines)
            painter.drawLine(s.x1, s.y1, s.x2, s.y2);
        for (const Point& d : dots)
            painter.fillRect(d.x, d.y, 2, 2, Qt::black);
        painter.setPen(Qt::darkGray);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(0, 0, 23, 15);
        painter.end();
        addItem(QIcon(pixmap), QString::fromStdString("штриховка: " + HatchName(ordinal)).toLower());
    }
    setCurrentIndex(-1);
}

} // namespace trassel
