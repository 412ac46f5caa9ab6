#pragma once
// The controls of the group "Свойства слоя": a colour box over the standard colour list and
// the fill-pattern list with a picture of each pattern.
#include <QComboBox>
#include <QSpinBox>

#include <climits>
#include <cstdint>

namespace trassel {

// A drop-down list of the standard colours, each with its swatch, plus "Другой…" for any
// colour. Colours are 0x00BBGGRR values; colourChanged is sent on the user's choice and on
// setColor() with a different colour.
class ColorBox : public QComboBox {
    Q_OBJECT
public:
    explicit ColorBox(std::uint32_t color, QWidget* parent = nullptr);

    std::uint32_t color() const { return color_; }
    // Shows `color`, adding it to the list when it is not a standard colour.
    void setColor(std::uint32_t color);

Q_SIGNALS:
    void colorChanged(std::uint32_t color);

private:
    void chosen(int index);
    int indexOf(std::uint32_t color) const;
    int addColor(std::uint32_t color, const QString& name);

    std::uint32_t color_ = 0;
    int otherIndex_ = -1;
};

// The eight fill patterns in their stored order, then the soil hatches, each with its picture.
class BrushStyleBox : public QComboBox {
    Q_OBJECT
public:
    explicit BrushStyleBox(QWidget* parent = nullptr);
    // The stored value of the choice: its position (the fill ordinal), 0 when nothing is chosen.
    int brushStyle() const { return currentIndex() < 0 ? 0 : currentIndex(); }
};

// A named spin edit; without bounds of its own it accepts any integer.
QSpinBox* makeSpinEdit(QWidget* parent, const char* name, int value, int step = 1, int min = INT_MIN,
                       int max = INT_MAX);

} // namespace trassel
