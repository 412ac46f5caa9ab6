#pragma once
// The "О программе" window: product name, version and the date the program was built.
#include <QDialog>
#include <QString>

class QLabel;

namespace trassel {

// Created once at start, hidden; shown without blocking the main window, and closing it only
// hides it so that the next showing brings the same window back.
class TFmAbout : public QDialog {
    Q_OBJECT
public:
    // `compileDate` is the main window's build-date text; it is shown exactly as given.
    explicit TFmAbout(const QString& compileDate, QWidget* parent = nullptr);

    // Shows the window centred on `window` (kept inside that window's screen) and brings it
    // to the front.
    void showCentredOn(const QWidget* window);

    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* lblCompileData = nullptr;

private:
    void centreOn(const QWidget* window);
};

// The window font of the program, in the given size: Tahoma where the machine has it,
// otherwise a sans-serif face of similar width that has Cyrillic letters.
QFont windowFont(int pointSize);

} // namespace trassel
